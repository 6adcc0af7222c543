// Transitions that move pieces of the pictures: tiles gathering or
// scattering (5), the rolled edge (7), the rotating scatter (8), the slides
// and the push (11 to 14), the falling curtain (20) and the rotating squares
// (21).
#include <cmath>

#include "render/effects/TransitionSteps.h"

namespace velmora::render::effects {

using detail::CopyLines;
using detail::Cut;
using detail::ForSteps;
using detail::Stepper;

namespace {

// The offset rule of the slides: offset 6, and offsets above 13 that are
// multiples of 14 up to the extent; vertical runs also at extent − 6.
bool OffsetFrame(int32_t offset, int32_t extent, bool vertical) {
    return offset == 6 || (offset > 13 && offset % 14 == 0 && offset <= extent) ||
           (vertical && offset + 6 == extent);
}

Rect Cell(int32_t W, int32_t H, int32_t c, int32_t r, int32_t parts) {
    int32_t x0 = Cut(W, c, parts), y0 = Cut(H, r, parts);
    return {x0, y0, Cut(W, c + 1, parts) - x0, Cut(H, r + 1, parts) - y0};
}

}  // namespace

bool GatherScatter(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    Surface& old = run.scratch.b;
    old = D;
    // Every tile's point outside the frame: a side, then a place along it.
    std::vector<int32_t>& out = run.scratch.values;
    out.assign(128, 0);
    for (int32_t t = 0; t < 64; ++t) {
        Rect cell = Cell(W, H, t % 8, t / 8, 8);
        int32_t side = run.random.Below(4);
        int32_t along = nearest(run.random.Next() * ((side < 2 ? H - cell.h : W - cell.w)));
        switch (side) {
            case 0:
                out[2 * t] = -cell.w, out[2 * t + 1] = along;
                break;
            case 1:
                out[2 * t] = W, out[2 * t + 1] = along;
                break;
            case 2:
                out[2 * t] = along, out[2 * t + 1] = -cell.h;
                break;
            default:
                out[2 * t] = along, out[2 * t + 1] = H;
                break;
        }
    }
    const bool scatter = run.variant == 1;
    const Surface& base = scatter ? run.next : old;
    const Surface& tiles = scatter ? old : run.next;
    Stepper step(run);
    for (int32_t i = 0; i <= 100; ++i) {
        const bool frame = i >= 2 && i <= 98 && i % 2 == 0;
        const double progress = (i + 1) / 101.0;
        if (step.Wants(frame, progress, i == 100)) {
            D = base;
            for (int32_t t = 0; t < 64; ++t) {
                Rect cell = Cell(W, H, t % 8, t / 8, 8);
                double fx = scatter ? cell.x : out[2 * t], fy = scatter ? cell.y : out[2 * t + 1];
                double tx = scatter ? out[2 * t] : cell.x, ty = scatter ? out[2 * t + 1] : cell.y;
                Copy(D, nearest((tx - fx) * i / 100 + fx), nearest((ty - fy) * i / 100 + fy), tiles,
                     cell);
            }
        }
        if (!step.Step(frame, progress))
            return false;
    }
    return true;
}

bool RolledEdge(TransitionRun& run) {
    Surface& D = run.dst;
    const Surface& N = run.next;
    const bool rows = run.variant % 2 == 1, backwards = run.variant >= 2;
    const int32_t W = D.width(), H = D.height();
    const int32_t E = rows ? H : W;
    // Along the direction of travel: position u of the run is line map(u).
    auto map = [&](int32_t u) { return backwards ? E - 1 - u : u; };
    // The picture at edge position q depends on q alone: lines up to q − 40
    // flat from the new picture, the 40 lines behind the edge mirrored from
    // the 40 beyond it, the old picture from q on. So a step nobody looks at
    // can be left out: the next drawn step copies the flat lines it skipped.
    int32_t flatDone = -1;  // lines 0 .. flatDone are flat
    auto draw = [&](int32_t q) {
        const int32_t flatTo = std::min(q - 40, E - 1);
        if (flatTo > flatDone) {
            const int32_t first = flatDone + 1, n = flatTo - flatDone;
            CopyLines(D, backwards ? E - 1 - flatTo : first, N, backwards ? E - 1 - flatTo : first,
                      n, rows);
            flatDone = flatTo;
        }
        // Line to = q − 1 − t shows line from = q + t, t = 0 .. 39, behind
        // the flat part; where the mirrored line would lie beyond the
        // picture the roll has run out and the line shows flat.
        const int32_t tMax = std::min(39, q - 1 - (flatDone + 1));
        auto from = [&](int32_t t) { return q + t < E ? q + t : q - 1 - t; };
        if (rows) {
            for (int32_t t = 0; t <= tMax; ++t) {
                if (q - 1 - t < E)
                    std::copy(N.row(map(from(t))), N.row(map(from(t))) + W, D.row(map(q - 1 - t)));
            }
        } else {
            for (int32_t y = 0; y < H; ++y) {
                const uint32_t* src = N.row(y);
                uint32_t* dst = D.row(y);
                for (int32_t t = 0; t <= tMax; ++t) {
                    if (q - 1 - t < E)
                        dst[map(q - 1 - t)] = src[map(from(t))];
                }
            }
        }
    };
    const int32_t total = E + 40;
    Stepper step(run);
    for (int32_t q = 0; q < total; ++q) {
        const bool frame =
            run.variant == 3 ? q % 15 == 0 && q <= E : q > 15 && q % 16 == 0 && q <= E;
        const double progress = static_cast<double>(q + 1) / total;
        if (step.Wants(frame, progress, q + 1 == total))
            draw(q);
        if (!step.Step(frame, progress))
            return false;
    }
    return true;
}

bool RotatingScatter(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    Surface& old = run.scratch.b;
    old = D;
    // The 4 × 4 tiles: the border ring counter-clockwise from the top-left
    // corner (matching the angles, which grow counter-clockwise from the
    // top-left direction 2.355), then the inner four.
    static constexpr int32_t kRing[16][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 3}, {2, 3},
                                             {3, 3}, {3, 2}, {3, 1}, {3, 0}, {2, 0}, {1, 0},
                                             {1, 1}, {1, 2}, {2, 2}, {2, 1}};
    const double cx = W / 2.0, cy = H / 2.0, diagonal = std::sqrt(double(W) * W + double(H) * H);
    const double sign = run.variant == 1 ? 1 : -1;
    auto circle = [&](int32_t k, int32_t s, double& x, double& y) {
        const bool inner = k >= 12;
        const double radius = inner ? diagonal / 4 : diagonal / 2;
        const double angle = 2.355 + (inner ? (k - 12) * 1.575 : k * 0.525) + sign * 0.1 * s;
        x = cx + radius * std::cos(angle);
        y = cy - radius * std::sin(angle);
    };
    // Phase 0: the old tiles fly out to their circles (20 steps); phase 1:
    // the new tiles come in along their circles to their cells (30 steps).
    constexpr int32_t kOut = 20, kIn = 30;
    Stepper step(run);
    for (int32_t phase = 0; phase < 2; ++phase) {
        const int32_t steps = phase == 0 ? kOut : kIn;
        step.Phase(phase, phase == 0 ? 300 : 1200);
        const Surface& tiles = phase == 0 ? old : run.next;
        for (int32_t s = 1; s <= steps; ++s) {
            const double progress = static_cast<double>(s) / steps;
            if (step.Wants(true, progress, phase == 1 && s == steps)) {
                Fill(D, D.bounds(), 0xFF000000u);
                for (int32_t k = 0; k < 16; ++k) {
                    Rect cell = Cell(W, H, kRing[k][0], kRing[k][1], 4);
                    double hx = cell.x + cell.w / 2.0, hy = cell.y + cell.h / 2.0, px, py;
                    circle(k, phase == 0 ? s : kOut + s, px, py);
                    double f = phase == 0 ? progress : 1 - progress;
                    double x = hx + (px - hx) * f, y = hy + (py - hy) * f;
                    Copy(D, nearest(x - cell.w / 2.0), nearest(y - cell.h / 2.0), tiles, cell);
                }
            }
            if (!step.Step(true, progress))
                return false;
        }
    }
    return true;
}

bool SlideIn(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    const bool vertical = run.variant % 2 == 1;
    const int32_t E = vertical ? H : W;
    Stepper step(run, vertical ? 1600 : 2000, false);
    return ForSteps(2, E, 2, [&](int32_t i, bool) {
        // The new picture's far edge strip of width i at the entering side.
        switch (run.variant) {
            case 0:
                Copy(D, 0, 0, run.next, {W - i, 0, i, H});
                break;
            case 1:
                Copy(D, 0, 0, run.next, {0, H - i, W, i});
                break;
            case 2:
                Copy(D, W - i, 0, run.next, {0, 0, i, H});
                break;
            default:
                Copy(D, 0, H - i, run.next, {0, 0, W, i});
                break;
        }
        return step.Step(OffsetFrame(i, E, vertical), static_cast<double>(i) / E);
    });
}

bool DiagonalSlide(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    const double k = static_cast<double>(H) / W;
    Stepper step(run, 2000, false);
    return ForSteps(2, W, 2, [&](int32_t i, bool last) {
        const int32_t j = last ? H : std::min(nearest(k * i), H);
        switch (run.variant) {
            case 0:
                Copy(D, 0, 0, run.next, {W - i, H - j, i, j});
                break;
            case 1:
                Copy(D, W - i, 0, run.next, {0, H - j, i, j});
                break;
            case 2:
                Copy(D, W - i, H - j, run.next, {0, 0, i, j});
                break;
            default:
                Copy(D, 0, H - j, run.next, {W - i, 0, i, j});
                break;
        }
        return step.Step(OffsetFrame(i, W, false), static_cast<double>(i) / W);
    });
}

bool Push(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    Surface& old = run.scratch.b;
    old = D;
    const bool vertical = run.variant % 2 == 1;
    const int32_t E = vertical ? H : W;
    const bool fromStart = run.variant < 2;  // from the left or the top
    Stepper step(run, vertical ? 1600 : 2000, false);
    return ForSteps(2, E, 2, [&](int32_t i, bool) {
        // The new picture enters 2 pixels a step; the rest of the old one
        // moves 1 pixel a step away from the entering side.
        const int32_t t = i / 2;
        const int32_t oldLen = E - i;
        if (fromStart) {
            CopyLines(D, i, old, t, oldLen, vertical);
            CopyLines(D, 0, run.next, E - i, i, vertical);
        } else {
            CopyLines(D, 0, old, t, oldLen, vertical);
            CopyLines(D, E - i, run.next, 0, i, vertical);
        }
        return step.Step(OffsetFrame(i, E, vertical), static_cast<double>(i) / E);
    });
}

bool Alternate(TransitionRun& run) {
    Surface& D = run.dst;
    Surface& old = run.scratch.b;
    old = D;
    const bool vertical = run.variant % 2 == 1;
    const int32_t E = vertical ? D.height() : D.width();
    const int32_t half = E / 2;
    // Variants 0 and 1 bring the new picture from the far side (right,
    // bottom), 2 and 3 from the near side: the mirror image.
    const bool mirrored = run.variant >= 2;
    auto put = [&](const Surface& src, int32_t from, int32_t len, int32_t to) {
        if (len <= 0)
            return;
        if (mirrored) {
            from = E - from - len;
            to = E - to - len;
        }
        CopyLines(D, to, src, from, len, vertical);
    };
    auto frame = [&](int32_t t) {
        if (vertical)
            return t == 6 || (t > 0 && t % 14 == 0 && t <= E / 2.0);
        return (t > 13 && t % 14 == 0 && t <= E / 2.0) || 2 * t == E - 12;
    };
    Stepper step(run, vertical ? 800 : 1000, false);
    for (int32_t phase = 0; phase < 2; ++phase) {
        step.Phase(phase, vertical ? 800 : 1000);
        bool ok = ForSteps(0, half, 2, [&](int32_t t, bool) {
            if (phase == 0) {
                put(old, t, E - t, 0);
                put(run.next, E - 2 * t, t, E - t);
            } else {
                put(old, half - t, E - half - t, 0);
                put(run.next, 0, E - half + t, half - t);
            }
            return step.Step(frame(t), half > 0 ? static_cast<double>(t) / half : 1.0);
        });
        if (!ok)
            return false;
    }
    return true;
}

bool FallingCurtain(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    Surface& old = run.scratch.b;
    old = D;
    const int32_t sh = W > 800 ? 24 : 12;
    const int32_t strips = (H + sh - 1) / sh;
    const int32_t last = static_cast<int32_t>(1.5 * H) / 8 * 8;
    Stepper step(run, 2500);
    for (int32_t p = 0, s = 0; p <= last; p += 8, ++s) {
        const bool frame = p > 15 && p % 16 == 0 && p <= 1.5 * H - 16;
        const double progress = last > 0 ? static_cast<double>(p) / last : 1.0;
        if (step.Wants(frame, progress, p + 8 > last)) {
            D = run.next;
            // Strip j (from the bottom) starts to fall when the position
            // reaches j strip heights, gaining 0.8 pixel a step of speed.
            for (int32_t j = 0; j < strips; ++j) {
                const int32_t start = (j * sh + 7) / 8;
                if (s < start) {
                    const int32_t y0 = std::max(H - (j + 1) * sh, 0);
                    Copy(D, 0, y0, old, {0, y0, W, H - j * sh - y0});
                    continue;
                }
                const int32_t t = s - start;
                const int32_t drop = nearest(0.4 * t * (t + 1));
                const int32_t y0 = std::max(H - (j + 1) * sh, 0);
                if (y0 + drop < H)
                    Copy(D, 0, y0 + drop, old, {0, y0, W, H - j * sh - y0});
            }
        }
        if (!step.Step(frame, progress))
            return false;
    }
    return true;
}

bool RotatingSquares(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    // The spiral: top row left to right, right column down, bottom row
    // right to left, left column up, then the inner four clockwise.
    static constexpr int32_t kSpiral[16][2] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2},
                                               {3, 3}, {2, 3}, {1, 3}, {0, 3}, {0, 2}, {0, 1},
                                               {1, 1}, {2, 1}, {2, 2}, {1, 2}};
    static constexpr double kGrow[3] = {0.15, 0.30, 0.45};
    Surface& base = run.scratch.b;  // the old picture with the finished cells
    base = D;
    const double cx = W / 2.0, cy = H / 2.0;
    Stepper step(run);
    for (int32_t s = 1; s <= 19; ++s) {
        // Tile j (1-based) flies during steps j .. j + 2 and lands at j + 3.
        if (s >= 4) {
            Rect cell = Cell(W, H, kSpiral[s - 4][0], kSpiral[s - 4][1], 4);
            Copy(base, cell.x, cell.y, run.next, cell);
        }
        const bool frame = s != 19;
        const double progress = s / 19.0;
        if (step.Wants(frame, progress, s == 19)) {
            D = base;
            for (int32_t j = std::max(1, s - 2); j <= std::min(16, s); ++j) {
                const int32_t phase = s - j;
                const double f = run.variant == 0 ? kGrow[phase] : kGrow[2 - phase];
                Rect cell = Cell(W, H, kSpiral[j - 1][0], kSpiral[j - 1][1], 4);
                const int32_t w = nearest(cell.w * f), h = nearest(cell.h * f);
                const double mx = cx + (cell.x + cell.w / 2.0 - cx) * f;
                const double my = cy + (cell.y + cell.h / 2.0 - cy) * f;
                Stretch(D, {nearest(mx - w / 2.0), nearest(my - h / 2.0), w, h}, run.next, cell);
            }
        }
        if (!step.Step(frame, progress))
            return false;
    }
    return true;
}

}  // namespace velmora::render::effects
