// Internal helpers of the transition functions: the step hand-off and a few
// geometric pieces shared by several families.
#pragma once

#include <cstdint>

#include "base/Rounding.h"
#include "render/Raster.h"
#include "render/effects/EffectRaster.h"
#include "render/effects/Transitions.h"

namespace velmora::render::effects::detail {

// The on-screen length of a transition.
inline constexpr int32_t kTransitionMs = 1500;

// Hands the destination to the sink as one step of the current phase.
class Stepper {
  public:
    explicit Stepper(TransitionRun& run, int32_t phaseMs = kTransitionMs, bool paced = true)
        : run_(run), phaseMs_(phaseMs), paced_(paced) {}

    // Starts pacing phase `phase` of `ms` milliseconds.
    void Phase(int32_t phase, int32_t ms) {
        phase_ = phase;
        phaseMs_ = ms;
    }
    StepInfo Info(bool frame, double progress) const {
        StepInfo i;
        i.frames = frame ? 1 : 0;
        i.phase = phase_;
        i.phaseMs = phaseMs_;
        i.progress = progress;
        i.paced = paced_;
        return i;
    }
    // Whether the picture of this step is looked at; the last step of a run
    // is always drawn, so that the destination ends in its final state.
    bool Wants(bool frame, double progress, bool last = false) const {
        return last || run_.sink.Wants(Info(frame, progress));
    }
    // false: cancelled.
    bool Step(bool frame, double progress) {
        return run_.sink.Step(run_.dst, Info(frame, progress));
    }

  private:
    TransitionRun& run_;
    int32_t phase_ = 0;
    int32_t phaseMs_;
    bool paced_;
};

// n whole columns (or rows) of src from s copied to dst at d.
inline void CopyLines(Surface& dst, int32_t d, const Surface& src, int32_t s, int32_t n,
                      bool rows) {
    if (rows)
        Copy(dst, 0, d, src, {0, s, src.width(), n});
    else
        Copy(dst, d, 0, src, {s, 0, n, src.height()});
}

// Integer boundary k of `parts` equal parts of `length`: floor(k × length ÷ parts).
inline int32_t Cut(int32_t length, int32_t k, int32_t parts) {
    return static_cast<int32_t>(int64_t{length} * k / parts);
}

// The values start, start + step, ... below limit, then limit itself (so
// that a run always ends on its last position); fn(value, last) returns
// false to stop.
template <class Fn>
bool ForSteps(int32_t start, int32_t limit, int32_t step, Fn&& fn) {
    for (int32_t v = start;; v += step) {
        if (v >= limit)
            return fn(limit, true);
        if (!fn(v, false))
            return false;
    }
}

}  // namespace velmora::render::effects::detail
