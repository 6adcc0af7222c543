// Transitions that blend or scale whole pictures: the cross-fade (15),
// scaling (16), zoom (17), the page peel (18), the negative (19) and the
// louvres (22).
#include "render/effects/TransitionSteps.h"

namespace velmora::render::effects {

using detail::CopyLines;
using detail::Cut;
using detail::ForSteps;
using detail::Stepper;

bool CrossFade(TransitionRun& run) {
    Surface& D = run.dst;
    Surface& old = run.scratch.b;
    old = D;
    Stepper step(run);
    // Alpha 0, 4, ... 252 over the old picture; the fully new picture is
    // left to the caller.
    for (int32_t a = 0; a <= 252; a += 4) {
        const bool frame = a >= 4;
        const double progress = a / 255.0;
        if (step.Wants(frame, progress, a == 252))
            Mix(D, D.bounds(), old, run.next, static_cast<uint8_t>(a));
        if (!step.Step(frame, progress))
            return false;
    }
    return true;
}

namespace {

// The picture of width w centred, its height in the frame's proportions.
Rect Centred(int32_t W, int32_t H, int32_t w) {
    const int32_t h = nearest(static_cast<double>(w) * H / W);
    return {nearest((W - w) / 2.0), nearest((H - h) / 2.0), w, h};
}

bool ScaleFrame(int32_t w, int32_t W) {
    return w == 8 || (w > 23 && w % 24 == 0 && w <= W - 24) || w == W - 8;
}

// One scaling run: over `base` (or black), `pic` drawn centred at widths
// 0, 8, ... W (grow) or W, W − 8, ... 0 (shrink).
bool ScaleRun(TransitionRun& run, Stepper& step, const Surface* base, const Surface& pic,
              bool grow) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    return ForSteps(0, W, 8, [&](int32_t v, bool last) {
        const int32_t w = grow ? v : W - v;
        const bool frame = ScaleFrame(w, W);
        const double progress = W > 0 ? static_cast<double>(v) / W : 1.0;
        if (step.Wants(frame, progress, last)) {
            if (base)
                D = *base;
            else
                Fill(D, D.bounds(), 0xFF000000u);
            Stretch(D, Centred(W, H, w), pic, pic.bounds());
        }
        return step.Step(frame, progress);
    });
}

}  // namespace

bool ScalePicture(TransitionRun& run) {
    Surface& old = run.scratch.b;
    old = run.dst;
    Stepper step(run);
    if (run.variant == 1)
        return ScaleRun(run, step, &old, run.next, true);
    return ScaleRun(run, step, &run.next, old, false);
}

bool Zoom(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    Surface& old = run.scratch.b;
    old = D;
    Stepper step(run, 750);
    if (run.variant == 0) {
        // Shrink the old picture over black, then grow the new one.
        step.Phase(0, 1250);
        if (!ScaleRun(run, step, nullptr, old, false))
            return false;
        step.Phase(1, 1250);
        return ScaleRun(run, step, nullptr, run.next, true);
    }
    // Magnify the old picture: the visible window loses W ÷ 100 and H ÷ 100
    // a step on each side until it reaches the middle; then the new picture
    // from the same magnification back to full size.
    constexpr int32_t kSteps = 50;
    for (int32_t phase = 0; phase < 2; ++phase) {
        step.Phase(phase, 750);
        const Surface& pic = phase == 0 ? old : run.next;
        for (int32_t c = 0; c < kSteps; ++c) {
            const int32_t inset = phase == 0 ? c : kSteps - 1 - c;
            const int32_t x0 = nearest(inset * W / 100.0), y0 = nearest(inset * H / 100.0);
            Rect window{x0, y0, std::max(W - 2 * x0, 1), std::max(H - 2 * y0, 1)};
            const bool between = phase == 0 ? c == kSteps - 1 : c == 0;
            const bool frame = (c > 2 && c % 3 == 0 && c <= H / 12.0) || between;
            const double progress = static_cast<double>(c + 1) / kSteps;
            if (step.Wants(frame, progress, phase == 1 && c == kSteps - 1))
                Stretch(D, D.bounds(), pic, window);
            if (!step.Step(frame, progress))
                return false;
        }
    }
    return true;
}

bool PagePeel(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    const bool rows = run.variant == 1;
    const int32_t E = rows ? H : W;
    // The back of the page: the old picture mirrored, whitened.
    Surface& back = run.scratch.a;
    FlipImage(back, D, rows);
    BlendColour(back, 0xFFFFFF, 100);
    Stepper step(run, rows ? 1700 : 2000, false);
    return ForSteps(0, E, 2, [&](int32_t i, bool) {
        // The peeled part [0, i) shows its back over [i, 2i), mirrored
        // about the fold at i.
        CopyLines(D, i, back, E - i, i, rows);
        CopyLines(D, i, run.next, i, 2, rows);
        const bool frame = i == 6 || (i > 11 && i % 12 == 0 && i <= E - 12);
        return step.Step(frame, E > 0 ? static_cast<double>(i) / E : 1.0);
    });
}

bool Negative(TransitionRun& run) {
    Surface& D = run.dst;
    Surface& grey = run.scratch.a;
    Surface& negative = run.scratch.b;
    Surface& white = run.scratch.c;
    GreyImage(grey, D);
    NegativeImage(negative, D);
    white.Resize(D.width(), D.height(), 0xFFFFFFFFu);
    Stepper step(run);
    // Grey to negative, negative to white, white to the new picture.
    const Surface* from[3] = {&grey, &negative, &white};
    const Surface* to[3] = {&negative, &white, &run.next};
    for (int32_t phase = 0; phase < 3; ++phase) {
        step.Phase(phase, phase == 0 ? 1000 : 500);
        for (int32_t a = 0; a <= 255; a += 5) {
            bool frame;
            if (phase == 0)
                frame = a % 10 == 0;
            else if (phase == 1)
                frame = a % 15 == 0;
            else
                frame = a == 5 || (a % 15 == 0 && a >= 15 && a <= 240) || a == 250;
            const double progress = a / 255.0;
            if (step.Wants(frame, progress, phase == 2 && a == 255))
                Mix(D, D.bounds(), *from[phase], *to[phase], static_cast<uint8_t>(a));
            if (!step.Step(frame, progress))
                return false;
        }
    }
    return true;
}

bool Louvres(TransitionRun& run) {
    Surface& D = run.dst;
    const int32_t W = D.width(), H = D.height();
    Surface& old = run.scratch.b;
    old = D;
    // The state each strip shows: its phase 0..33 (0 untouched, 33 new).
    std::vector<int32_t>& shown = run.scratch.values;
    shown.assign(8, 0);
    Stepper step(run, 1350);
    for (int32_t s = 0; s <= 80; ++s) {
        const bool frame = s >= 8 && s <= 72 && s % 2 == 0;
        const double progress = (s + 1) / 81.0;
        if (step.Wants(frame, progress, s == 80)) {
            for (int32_t i = 0; i < 8; ++i) {
                const int32_t phase = std::clamp(s - 6 * i, 0, 33);
                if (phase == shown[i])
                    continue;
                shown[i] = phase;
                // Strip i counts from the left (variant 0) or the right.
                const int32_t k = run.variant == 0 ? i : 7 - i;
                const int32_t x0 = Cut(W, k, 8), sw = Cut(W, k + 1, 8) - x0;
                const Rect strip{x0, 0, sw, H};
                if (phase == 33) {
                    Copy(D, x0, 0, run.next, strip);
                    continue;
                }
                // Phases 1..16 narrow the old strip, 17..32 widen the new.
                const bool narrowing = phase <= 16;
                const int32_t w =
                    narrowing ? sw - nearest(phase * sw / 16.0) : nearest((phase - 16) * sw / 16.0);
                Fill(D, strip, 0xFF000000u);
                Stretch(D, {x0 + (sw - w) / 2, 0, w, H}, narrowing ? old : run.next, strip);
            }
        }
        if (!step.Step(frame, progress))
            return false;
    }
    return true;
}

}  // namespace velmora::render::effects
