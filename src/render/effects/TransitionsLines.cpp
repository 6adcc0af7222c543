// Transitions that copy lines and strips of the new picture: random lines
// (0), the soft-edged wipes (1, 2), the rectangle outline (3), the tile grid
// (4), the blinds (6) and the comb strips (9, 10).
#include <cmath>

#include "render/effects/TransitionSteps.h"

namespace velmora::render::effects {

using detail::CopyLines;
using detail::Stepper;

bool RandomLines(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    const bool columns = run.variant == 1;
    // Two-pixel lines; an odd extent gets a last line of one pixel, so that
    // every column (or row) is copied exactly once.
    const int32_t n = ((columns ? W : H) + 1) / 2;
    run.random.Permutation(0, n - 1, run.scratch.order);
    Stepper step(run);
    for (int32_t i = 0; i < n; ++i) {
        CopyLines(D, 2 * run.scratch.order[i], run.next, 2 * run.scratch.order[i], 2, !columns);
        bool frame =
            columns ? i > 7 && i % 8 == 0 && i <= W / 2.0 - 8 : i > 5 && i % 6 == 0 && i <= H / 2.0;
        if (!step.Step(frame, static_cast<double>(i + 1) / n))
            return false;
    }
    return true;
}

namespace {

// One soft edge: the 2-pixel line at p becomes the new picture, and the 13
// two-pixel lines in front of it (the side `sign` points to) the old
// picture blended with the new one at alpha 15 (outermost) to 255 (next to
// the edge): 26 pixels of soft band.
void SoftEdge(Surface& D, const Surface& N, const Surface& old, int32_t p, int32_t sign,
              bool rows) {
    const int32_t W = D.width(), H = D.height();
    for (int32_t k = 240; k >= 0; k -= 20) {
        int32_t pos = (k / 20 + 1) * 2 * sign + p;
        Rect r = rows ? Rect{0, pos, W, 2} : Rect{pos, 0, 2, H};
        Mix(D, r, old, N, static_cast<uint8_t>(255 - k));
    }
    CopyLines(D, p, N, p, 2, rows);
}

}  // namespace

bool SoftWipe(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width();
    Surface& old = run.scratch.b;
    old = D;
    const bool forwards = run.variant < 2, rows = run.variant % 2 == 1;
    const int32_t sign = forwards ? 1 : -1;
    // The row variants run over the same extent as the column variants.
    const int32_t first = forwards ? -20 : nearest(W / 2.0 + 20);
    const int32_t last = forwards ? nearest(W / 2.0) : 0;
    const int32_t total = (forwards ? last - first : first - last) / 2 + 1;
    Stepper step(run);
    int32_t c = 0;
    for (int32_t e = first; forwards ? e <= last : e >= last; e += 2 * sign, ++c) {
        SoftEdge(D, run.next, old, 2 * e, sign, rows);
        bool frame;
        if (run.variant == 1)
            frame = c > 7 && c % 4 == 0 && c <= nearest(W / 5.0);
        else if (run.variant == 3)
            frame = c >= nearest(W / 16.0) && c % 4 == 0 && c <= W / 4.0;
        else
            frame = c > 7 && c % 4 == 0 && c <= W / 4.0;
        if (!step.Step(frame, static_cast<double>(c + 1) / total))
            return false;
    }
    return true;
}

bool SoftWipeCentre(TransitionRun& run) {
    Surface& D = run.dst;
    Surface& old = run.scratch.b;
    old = D;
    const bool rows = run.variant == 1;
    const int32_t extent = rows ? D.height() : D.width();
    // Index from the middle down to 0, two per step: each edge moves 4
    // pixels per step, the lower one backwards, the upper one forwards.
    const int32_t first = nearest(extent / 4.0 + 1);
    const int32_t total = first / 2 + 1;
    Stepper step(run);
    int32_t c = 1;
    for (int32_t e = first; e >= 0; e -= 2, ++c) {
        const int32_t p = 2 * e;
        SoftEdge(D, run.next, old, p, -1, rows);
        SoftEdge(D, run.next, old, extent - p - 2, 1, rows);
        bool frame = c - 1 > 7 && (c - 1) % 4 == 0 && c - 1 <= extent / 4.0;
        if (!step.Step(frame, static_cast<double>(c) / total))
            return false;
    }
    return true;
}

bool RectangleOutline(TransitionRun& run) {
    Surface& D = run.dst;
    const Surface& N = run.next;
    const int32_t W = D.width(), H = D.height();
    const int32_t half = nearest(W / 2.0);
    const int32_t total = half + 1;
    Stepper step(run);
    for (int32_t c = 0; c < total; ++c) {
        const int32_t x = run.variant == 0 ? c : half - c;
        if (x <= H / 2.0) {
            Copy(D, x, x, N, {x, x, W + 1 - 2 * x, 1});
            Copy(D, x, H - x, N, {x, H - x, W + 1 - 2 * x, 1});
            Copy(D, x, x, N, {x, x, 1, H + 1 - 2 * x});
            Copy(D, W - x, x, N, {W - x, x, 1, H + 1 - 2 * x});
        }
        bool frame =
            run.variant == 0
                ? c == 3 || (c > 6 && c % 7 == 0 && c <= nearest(0.375 * W) - 6)
                : (c >= nearest(W / 8.0) + 5 && c % 7 == 0 && c <= W / 2.0 - 8) || 2 * c == W - 6;
        if (!step.Step(frame, static_cast<double>(c + 1) / total))
            return false;
    }
    return true;
}

bool TileGrow(TransitionRun& run) {
    Surface& D = run.dst;
    const Surface& N = run.next;
    const int32_t W = D.width(), H = D.height();
    const int32_t T = std::max(run.tileSize, 1);
    Stepper step(run);
    if (run.variant == 1) {
        // A square of side s centred in every tile, s = 0, 2, ... T + 2.
        const int32_t total = (T + 2) / 2 + 1;
        for (int32_t k = 0; k < total; ++k) {
            const int32_t s = 2 * k;
            const int32_t off = nearest((T - s) / 2.0);
            for (int32_t ty = 0; ty < H; ty += T) {
                for (int32_t tx = 0; tx < W; tx += T) {
                    Rect sq = Intersect({tx + off, ty + off, s, s}, {tx, ty, T, T});
                    Copy(D, sq.x, sq.y, N, sq);
                }
            }
            bool frame = s > 0 && s < nearest(W / 20.0);
            if (!step.Step(frame, static_cast<double>(k + 1) / total))
                return false;
        }
        return true;
    }
    // Lines at offsets i and T − i − 1 of every tile, thickening from the
    // tile edges.
    const int32_t last = nearest((T - 1) / 2.0);
    for (int32_t i = 0; i <= last; ++i) {
        for (int32_t t = 0; t < std::max(W, H); t += T) {
            for (int32_t off : {i, T - i - 1}) {
                if (t < W)
                    CopyLines(D, t + off, N, t + off, 1, false);
                if (t < H)
                    CopyLines(D, t + off, N, t + off, 1, true);
            }
        }
        bool frame = i < nearest(W / 40.0);
        if (!step.Step(frame, static_cast<double>(i + 1) / (last + 1)))
            return false;
    }
    return true;
}

bool Blinds(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    const bool columns = run.variant == 1;
    const int32_t period = W > 799 ? (columns ? 32 : 24) : (columns ? 16 : 12);
    const int32_t extent = columns ? W : H;
    Stepper step(run);
    for (int32_t phase = 0; phase < period; ++phase) {
        for (int32_t v = phase; v < extent; v += period)
            CopyLines(D, v, run.next, v, 1, !columns);
        if (!step.Step(true, static_cast<double>(phase + 1) / period))
            return false;
    }
    return true;
}

namespace {

// The comb: n + 1 strips of width sw at positions i + n (i + d − 1), i = 1
// .. n + 1. Strip i paints the positions of one class modulo n as d runs,
// so that the comb's sweep over d = −n .. round(extent ÷ n + n) covers the
// whole extent. draw(position) paints one strip.
template <class Draw>
bool Comb(TransitionRun& run, int32_t extent, bool backwards, Draw&& draw,
          bool (*frameRule)(int32_t count, double limit), double frameLimit) {
    const int32_t W = run.dst.width();
    const int32_t n = W <= 800 ? 8 : 16, sw = W <= 800 ? 1 : 2;
    const int32_t d0 = -n, d1 = nearest(static_cast<double>(extent) / n + n);
    const double span = 2.0 * n * n + extent;
    Stepper step(run);
    int32_t count = 0;
    for (int32_t d = backwards ? d1 : d0; backwards ? d >= d0 : d <= d1;
         d += backwards ? -sw : sw) {
        ++count;
        for (int32_t i = 1; i <= n + 1; ++i)
            draw(i + n * (i + d - 1), sw);
        const double drawn = static_cast<double>(count) * sw;
        if (!step.Step(frameRule(count, frameLimit), std::min(1.0, n * drawn / span)))
            return false;
    }
    return true;
}

}  // namespace

bool CombStrips(TransitionRun& run) {
    Surface& D = run.dst;
    const bool rows = run.variant % 2 == 1;
    const int32_t extent = rows ? D.height() : D.width();
    const int32_t n = D.width() <= 800 ? 8 : 16;
    return Comb(
        run, extent, run.variant >= 2,
        [&](int32_t pos, int32_t sw) { CopyLines(D, pos, run.next, pos, sw, rows); },
        [](int32_t count, double limit) { return count % 2 == 0 && count <= limit; },
        static_cast<double>(extent) / n);
}

bool NestedStrips(TransitionRun& run) {
    Surface& D = run.dst;
    const Surface& N = run.next;
    const int32_t W = D.width(), H = D.height();
    const int32_t half = (W + 1) / 2;
    const int32_t n = W <= 800 ? 8 : 16;
    // Inset u (columns) of a rectangle outline around the centre; rows are
    // inset in proportion, so the outlines keep the frame's shape.
    auto rowInset = [&](int64_t u) { return static_cast<int32_t>((u * H + W / 2) / W); };
    return Comb(
        run, half, run.variant == 1,
        [&](int32_t u, int32_t sw) {
            if (u + sw <= 0 || u >= half)
                return;
            const int32_t x0 = std::max(u, 0), x1 = u + sw;
            const int32_t y0 = rowInset(x0), y1 = rowInset(x1);
            Rect top{x0, y0, W - 2 * x0, y1 - y0}, bottom{x0, H - y1, W - 2 * x0, y1 - y0};
            Rect left{x0, y0, x1 - x0, H - 2 * y0}, right{W - x1, y0, x1 - x0, H - 2 * y0};
            for (const Rect& r : {top, bottom, left, right})
                Copy(D, r.x, r.y, N, r);
        },
        [](int32_t count, double limit) { return count > 7 && count <= limit; },
        static_cast<double>(W) / 2 / n);
}

}  // namespace velmora::render::effects
