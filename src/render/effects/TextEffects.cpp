#include "render/effects/TextEffects.h"

#include <algorithm>
#include <cmath>

#include "base/Rounding.h"
#include "render/Raster.h"
#include "render/effects/EffectRaster.h"

namespace velmora::render::effects {

namespace {

Rect Union(const Rect& a, const Rect& b) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    int32_t x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    int32_t x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

// The bounding box of the pixels where two pictures of one size differ.
Rect Difference(const Surface& a, const Surface& b) {
    int32_t x0 = a.width(), y0 = a.height(), x1 = -1, y1 = -1;
    for (int32_t y = 0; y < a.height(); ++y) {
        const uint32_t *pa = a.row(y), *pb = b.row(y);
        for (int32_t x = 0; x < a.width(); ++x) {
            if (pa[x] != pb[x]) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
        }
    }
    return x1 < 0 ? Rect{} : Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// Steps of a headline effect: phases of a given length, the first ones
// shortened by the preparation time.
class TextStepper {
  public:
    explicit TextStepper(TextEffectRun& run) : run_(run) {}
    void Phase(int32_t phase, int32_t ms, bool minusPreparation) {
        info_.phase = phase;
        info_.phaseMs = ms;
        info_.minusPreparation = minusPreparation;
    }
    bool Step(int32_t frames, double progress, int32_t pauseMs = 0) {
        StepInfo i = info_;
        i.frames = frames;
        i.progress = progress;
        i.pauseMs = pauseMs;
        return run_.sink.Step(run_.dst, i);
    }

  private:
    TextEffectRun& run_;
    StepInfo info_;
};

// Draws the text sprite at changing places and sizes over the clean slide,
// restoring what the previous drawing covered.
class SpriteMover {
  public:
    SpriteMover(TextEffectRun& run, Rect shown) : run_(run), prev_(shown) {}
    void Restore() {
        Copy(run_.dst, prev_.x, prev_.y, run_.scratch.slide, prev_);
        prev_ = {};
    }
    // The sprite drawn with the layout box at target (scaled when the sizes
    // differ); text drawn beyond the box moves and scales with it.
    void Show(Rect target) {
        Restore();
        const Rect& b = run_.box;
        const Rect& s = run_.spriteArea;
        if (!(s == b) && b.w > 0 && b.h > 0) {
            const double fx = static_cast<double>(target.w) / b.w;
            const double fy = static_cast<double>(target.h) / b.h;
            target = {target.x + nearest((s.x - b.x) * fx), target.y + nearest((s.y - b.y) * fy),
                      nearest(s.w * fx), nearest(s.h * fy)};
        }
        Put(target, run_.scratch.sprite.bounds());
    }
    // A part of the sprite at its own size at (x, y), over what is there.
    void Put(int32_t x, int32_t y, Rect part) {
        DrawPremultiplied(run_.dst, x, y, run_.scratch.sprite, part);
        prev_ = Union(prev_, Intersect({x, y, part.w, part.h}, run_.dst.bounds()));
    }

  private:
    void Put(Rect target, Rect part) {
        const Surface& sprite = run_.scratch.sprite;
        if (target.w == part.w && target.h == part.h) {
            Put(target.x, target.y, part);
            return;
        }
        Rect visible = Intersect(target, run_.dst.bounds());
        if (visible.empty())
            return;
        Stretch(run_.scratch.scaled, target, sprite, part);
        DrawPremultiplied(run_.dst, visible.x, visible.y, run_.scratch.scaled, visible);
        prev_ = Union(prev_, visible);
    }

    TextEffectRun& run_;
    Rect prev_;
};

// The sprite scaled by fx, fy about the box's centre (x and y), or with the
// given left edge and top.
Rect Scaled(const TextEffectRun& run, double fx, double fy) {
    const Rect& b = run.box;
    return {nearest(b.x - (fx - 1) * b.w / 2), nearest(b.y - (fy - 1) * b.h / 2), nearest(b.w * fx),
            nearest(b.h * fy)};
}

// The last picture: the slide with the headline in place, one frame.
bool Finish(TextEffectRun& run, TextStepper& step) {
    run.dst = run.scratch.withText;
    step.Phase(99, 0, false);
    return step.Step(1, 1.0);
}

// Runs a list of scales (in hundredths) about the centre as one phase.
template <size_t N>
bool ZoomPhase(TextEffectRun& run, TextStepper& step, SpriteMover& mover,
               const std::array<int32_t, N>& scales, int32_t pauseAfterLast = 0) {
    for (size_t k = 0; k < N; ++k) {
        const double f = scales[k] / 100.0;
        mover.Show(Scaled(run, f, f));
        if (!step.Step(1, static_cast<double>(k + 1) / N, k + 1 == N ? pauseAfterLast : 0))
            return false;
    }
    return true;
}

}  // namespace

bool TextFade(TextEffectRun& run) {
    TextStepper step(run);
    step.Phase(0, 900, true);
    const Rect area = Intersect(Union(run.box, run.textArea), run.dst.bounds());
    for (int32_t k = 0; k < 25; ++k) {
        Mix(run.dst, area, run.scratch.slide, run.scratch.withText,
            static_cast<uint8_t>(5 + 10 * k));
        if (!step.Step(k % 2 == 0 ? 1 : 0, (k + 1) / 25.0))
            return false;
    }
    return Finish(run, step);
}

bool TextWipe(TextEffectRun& run) {
    TextStepper step(run);
    step.Phase(0, 700, true);
    const Rect area = Union(run.box, run.textArea);
    const int32_t x0 = std::min(run.box.x, run.spriteArea.x);
    const int32_t x1 = std::max(run.box.x + run.box.w, run.spriteArea.x + run.spriteArea.w);
    const int32_t K = std::max(static_cast<int32_t>(std::floor(run.w / 2 / 21)) + 1, 1);
    const int32_t total = (x1 - x0) / 2 + 1;
    int32_t k = 0;
    for (int32_t x = x0; x <= x1; x += 2, ++k) {
        Copy(run.dst, x, area.y, run.scratch.withText, {x, area.y, 2, area.h});
        if (!step.Step(k % K == 0 ? 1 : 0, static_cast<double>(k + 1) / total))
            return false;
    }
    return Finish(run, step);
}

bool TextSlideIn(TextEffectRun& run) {
    const Surface& D = run.dst;
    const Rect& b = run.box;
    const int32_t s = D.width() < 700 ? 6 : 12;
    const bool horizontal = run.variant % 2 == 0;
    int32_t start, end;
    switch (run.variant) {
        case 0:
            start = -b.w, end = b.x;
            break;
        case 1:
            start = -b.h, end = b.y;
            break;
        case 2:
            start = D.width(), end = b.x;
            break;
        default:
            start = D.height(), end = b.y;
            break;
    }
    const int32_t sign = end >= start ? 1 : -1;
    const int32_t n = std::abs(end - start) / s;
    const int32_t K = std::max(n / 21 + 1, 1);
    TextStepper step(run);
    step.Phase(0, 700, true);
    SpriteMover mover(run, {});
    for (int32_t k = 0; k <= n; ++k) {
        const int32_t pos = start + sign * k * s;
        mover.Show(horizontal ? Rect{pos, b.y, b.w, b.h} : Rect{b.x, pos, b.w, b.h});
        if (!step.Step(k % K == 0 ? 1 : 0, static_cast<double>(k + 1) / (n + 1)))
            return false;
    }
    return Finish(run, step);
}

bool TextShake(TextEffectRun& run) {
    TextStepper step(run);
    // The full headline first: four held frames, a pause on screen.
    run.dst = run.scratch.withText;
    step.Phase(0, 0, false);
    if (!step.Step(4, 1.0, 250))
        return false;
    step.Phase(1, 400, false);
    SpriteMover mover(run, Union(run.box, run.textArea));
    int32_t f = 100;  // hundredths
    for (int32_t k = 1; k <= 30; ++k) {
        f += (k <= 10 || (k > 20 && k <= 25)) ? 1 : -1;
        Rect r = Scaled(run, f / 100.0, 1.0);
        r.y = run.box.y;
        r.h = run.box.h;
        mover.Show(r);
        if (!step.Step(k == 1 || k % 3 == 0 ? 1 : 0, k / 30.0))
            return false;
    }
    return Finish(run, step);
}

bool TextStretch(TextEffectRun& run) {
    const Rect& b = run.box;
    TextStepper step(run);
    SpriteMover mover(run, {});
    // Phase 1: wide and flat, narrowing to the box's width while it grows
    // taller, the left edge 0.1 of the width left of the box.
    step.Phase(0, 400, true);
    int32_t fy = 15;  // hundredths
    for (int32_t k = 0; k <= 10; ++k) {
        if (k % 2 == 0)
            fy += 5;
        const double fx = (20 - k) / 10.0;
        const int32_t h = nearest(b.h * fy / 100.0);
        mover.Show(
            {nearest(b.x - 0.1 * b.w), nearest(b.y + (b.h - h) / 2.0), nearest(b.w * fx), h});
        if (!step.Step(1, (k + 1) / 11.0))
            return false;
    }
    // Phase 2: the box's width, growing to full height while the left edge
    // swings right, left and back to the box.
    step.Phase(1, 300, false);
    int32_t offset = -100;  // thousandths of the width
    for (int32_t k = 1; k <= 14; ++k) {
        fy = std::min(fy + 4, 100);
        offset += (k <= 7 || k >= 13) ? 25 : -25;
        const int32_t h = nearest(b.h * fy / 100.0);
        mover.Show({nearest(b.x + offset * b.w / 1000.0), nearest(b.y + (b.h - h) / 2.0), b.w, h});
        const bool frame = k != 1 && k != 6 && k != 10 && k != 14;
        if (!step.Step(frame ? 1 : 0, k / 14.0))
            return false;
    }
    return Finish(run, step);
}

bool TextZoomIn(TextEffectRun& run) {
    TextStepper step(run);
    SpriteMover mover(run, {});
    step.Phase(0, 400, true);
    if (!ZoomPhase(run, step, mover,
                   std::array<int32_t, 12>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}))
        return false;
    step.Phase(1, 250, false);
    if (!ZoomPhase(run, step, mover, std::array<int32_t, 6>{115, 110, 105, 100, 95, 90}))
        return false;
    step.Phase(2, 200, false);
    if (!ZoomPhase(run, step, mover, std::array<int32_t, 3>{95, 100, 105}))
        return false;
    return Finish(run, step);
}

bool TextZoomOut(TextEffectRun& run) {
    TextStepper step(run);
    SpriteMover mover(run, {});
    step.Phase(0, 350, true);
    if (!ZoomPhase(
            run, step, mover,
            std::array<int32_t, 12>{300, 280, 260, 240, 220, 200, 180, 160, 140, 120, 100, 80}))
        return false;
    step.Phase(1, 200, false);
    if (!ZoomPhase(run, step, mover, std::array<int32_t, 4>{90, 100, 110, 120}))
        return false;
    step.Phase(2, 200, false);
    if (!ZoomPhase(run, step, mover, std::array<int32_t, 3>{110, 100, 90}))
        return false;
    step.Phase(3, 120, false);
    if (!ZoomPhase(run, step, mover, std::array<int32_t, 2>{95, 105}, 30))
        return false;
    return Finish(run, step);
}

bool TextPopOut(TextEffectRun& run) {
    const Rect& b = run.box;
    TextStepper step(run);
    SpriteMover mover(run, {});
    // Twelve steps of growth or shrinking while the text hops: the counter
    // rises on steps 1-3 and 7-9 and falls on 4-6 and 10-12.
    auto hops = [&](int32_t from, int32_t by, int32_t d1, int32_t d2, int32_t holdFrames,
                    int32_t pauseMs) {
        int32_t counter = 0;
        for (int32_t k = 1; k <= 12; ++k) {
            counter += ((k - 1) / 3) % 2 == 0 ? 1 : -1;
            const double f = (from + by * (k - 1)) / 100.0;
            const int32_t d = k <= 6 ? d1 : d2;
            Rect r = Scaled(run, f, f);
            r.y = nearest(b.y - static_cast<double>(counter) * b.h / d);
            mover.Show(r);
            const bool last = k == 12;
            if (!step.Step(1 + (last ? holdFrames : 0), k / 12.0, last ? pauseMs : 0))
                return false;
        }
        return true;
    };
    step.Phase(0, 400, true);
    // A half-height hop, then a full-height one; then the hold.
    if (!hops(102, 2, 6, 3, 5, 300))
        return false;
    step.Phase(1, 350, false);
    if (!hops(122, -2, 3, 6, 0, 0))
        return false;
    return Finish(run, step);
}

bool TextGather(TextEffectRun& run) {
    const Rect& b = run.spriteArea;
    const double w = run.w;
    const int32_t side = w <= 200    ? 2
                         : w <= 400  ? 4
                         : w <= 600  ? 6
                         : w <= 800  ? 8
                         : w <= 1000 ? 10
                         : w <= 1200 ? 12
                         : w <= 1400 ? 14
                                     : 16;
    // Blocks of the box in row order; start cells over the 2w × 2h area
    // around it, assigned in a random order.
    const int32_t cols = (b.w + side - 1) / side, rows = (b.h + side - 1) / side;
    const int32_t ax = b.x - b.w / 2, ay = b.y - b.h / 2;
    const int32_t cols2 = (2 * b.w + side - 1) / side, rows2 = (2 * b.h + side - 1) / side;
    run.random.Permutation(0, cols2 * rows2 - 1, run.scratch.order);
    const Rect area = Union(Union({ax, ay, cols2 * side, rows2 * side}, b), run.textArea);
    TextStepper step(run);
    step.Phase(0, 1000, true);
    SpriteMover mover(run, {});
    for (int32_t s = 1; s <= 20; ++s) {
        Copy(run.dst, area.x, area.y, run.scratch.slide, area);
        for (int32_t k = 0; k < cols * rows; ++k) {
            const int32_t cell = run.scratch.order[static_cast<size_t>(k)];
            const int32_t hx = (k % cols) * side, hy = (k / cols) * side;
            const int32_t sx = ax + (cell % cols2) * side, sy = ay + (cell / cols2) * side;
            const int32_t x = nearest(sx + static_cast<double>(b.x + hx - sx) * s / 20);
            const int32_t y = nearest(sy + static_cast<double>(b.y + hy - sy) * s / 20);
            mover.Put(x, y, {hx, hy, side, side});
        }
        if (!step.Step(1, s / 20.0))
            return false;
    }
    return Finish(run, step);
}

namespace {

constexpr TextEffectKind Kind(int32_t code, TextEffectFn fn, int32_t limit = 699) {
    return {code, kHeadlineEffectCatalogue[static_cast<size_t>(code)], fn, limit};
}

constexpr std::array<TextEffectKind, kHeadlineEffectCatalogue.size()> kTable = {{
    Kind(0, TextFade, 899),
    Kind(1, TextWipe),
    Kind(2, TextSlideIn),
    Kind(3, TextShake),
    Kind(4, TextStretch),
    Kind(5, TextZoomIn),
    Kind(6, TextZoomOut),
    Kind(7, TextPopOut),
    Kind(8, TextGather, 999),
}};

constexpr bool TableInOrder() {
    for (size_t i = 0; i < kTable.size(); ++i) {
        if (kTable[i].code != static_cast<int32_t>(i))
            return false;
    }
    return true;
}
static_assert(TableInOrder(), "the headline effect table lists every catalogue code in order");

}  // namespace

const std::array<TextEffectKind, kHeadlineEffectCatalogue.size()> kTextEffects = kTable;

EffectResult PlayTextEffect(int32_t code, int32_t variant, Surface& dst, TextEffectScratch& scratch,
                            StepSink& sink, EffectRandom& random, TextRenderer& text,
                            const TextDrawRequest& headline, double zoom) {
    if (code < 0 || code >= static_cast<int32_t>(kTextEffects.size()))
        return EffectResult::BadInput;
    const TextEffectKind& kind = kTextEffects[static_cast<size_t>(code)];
    if (variant < 0 || variant >= kind.entry.variants)
        return EffectResult::BadInput;
    sink.Begin();
    TextDrawRequest request = headline;
    request.emSize = headline.emSize * zoom;
    request.borderWidth = nearest(headline.borderWidth * zoom);
    request.antiAlias = true;
    request.clear = false;

    // The slide, the slide with the headline, and the headline on black
    // keyed to transparent, at the box's size.
    const int32_t W = dst.width(), H = dst.height();
    const int32_t x0 = nearest(request.x), y0 = nearest(request.y);
    const Rect box{x0, y0, std::max(nearest(request.x + request.width) - x0, 0),
                   std::max(nearest(request.y + request.height) - y0, 0)};
    scratch.slide = dst;
    scratch.withText = dst;
    text.DrawText(scratch.withText, request);
    // The sprite holds the box and whatever text the renderer drew beyond
    // it (lines that overflow the box), so that no part of the headline
    // is missing while it moves.
    const Rect textArea = Difference(scratch.slide, scratch.withText);
    const Rect area = Union(box, textArea);
    scratch.sprite.Resize(area.w, area.h, 0xFF000000u);
    TextDrawRequest onBlack = request;
    onBlack.x -= area.x;
    onBlack.y -= area.y;
    text.DrawText(scratch.sprite, onBlack);
    KeyBlack(scratch.sprite);
    scratch.scaled.Resize(W, H, 0);
    sink.Prepared(kind.preparationLimitMs);

    TextEffectRun run{dst, scratch, sink, random, variant, box, request.width, textArea, area};
    return kind.run(run) ? EffectResult::Finished : EffectResult::Cancelled;
}

}  // namespace velmora::render::effects
