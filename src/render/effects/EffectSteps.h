// What an effect hands its caller at every step, and the two callers.
//
// An effect (transition or headline effect) computes its steps and draws
// each intermediate picture; what happens with the picture is the caller's:
// the video timeline writes the steps the effect marks as frames
// (FrameSink, WriteVideoFrame), the editor's preview shows every step and
// paces it against the clock (ScreenPacer). The effect never knows which of
// the two it feeds. A caller cancels a run by returning false from Step; the
// effect then stops at once and reports Cancelled.
//
// Threading: one run on one thread; the sinks are not shared between runs.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "render/Surface.h"

namespace velmora::render::effects {

struct StepInfo {
    // Video frames this step contributes (0: none, 1, or n for a held
    // picture).
    int32_t frames = 0;
    // Pacing phase: the on-screen clock restarts when a step brings a new
    // phase number.
    int32_t phase = 0;
    // On-screen length of the phase in milliseconds.
    int32_t phaseMs = 0;
    // Part of the phase done once this step has been shown, 0..1: the pacer
    // waits until elapsed ÷ phaseMs reaches it.
    double progress = 0;
    // A still pause on screen after this step (a held picture).
    int32_t pauseMs = 0;
    // false: the effect is not paced against the clock on screen and runs as
    // fast as drawing allows; phaseMs is then the length its preview takes
    // in the editor (the pacer may use it so that the preview can be seen).
    bool paced = true;
    // The phase is shortened by the headline's preparation time.
    bool minusPreparation = false;
};

class StepSink {
  public:
    virtual ~StepSink() = default;
    // The effect starts, before it draws anything.
    virtual void Begin() {}
    // A headline effect has drawn its text; a preparation above limitMs
    // counts as 0.
    virtual void Prepared(int32_t limitMs) { (void)limitMs; }
    // Whether the picture of a step is looked at. Effects that redraw the
    // whole picture at every step may skip the drawing of steps nobody looks
    // at (in video mode, steps that are no frame); the pictures handed on
    // are the same either way.
    virtual bool Wants(const StepInfo& info) const {
        (void)info;
        return true;
    }
    // One step's picture. Returns false to cancel the run.
    virtual bool Step(const Surface& picture, const StepInfo& info) = 0;
};

// Video mode: every step marked as a frame is handed to the frame writer
// (as many times as it counts frames); nothing waits.
class FrameSink : public StepSink {
  public:
    // write: writes one frame; returns false to stop the run (a failed write
    // or a cancelled export).
    explicit FrameSink(std::function<bool(const Surface&)> write) : write_(std::move(write)) {}
    bool Wants(const StepInfo& info) const override { return info.frames > 0; }
    bool Step(const Surface& picture, const StepInfo& info) override {
        for (int32_t i = 0; i < info.frames; ++i) {
            if (!write_(picture))
                return false;
            ++written_;
        }
        return true;
    }
    int64_t written() const { return written_; }

  private:
    std::function<bool(const Surface&)> write_;
    int64_t written_ = 0;
};

// On screen: every step is presented, then the pacer waits in 1 ms sleeps,
// letting the interface's events run, until the phase's elapsed time has
// caught up with the step's progress.
class ScreenPacer : public StepSink {
  public:
    struct Hooks {
        std::function<void(const Surface&)> present;  // show the picture
        std::function<void()> pumpEvents;             // let pending events run
        std::function<bool()> cancelled;              // the user stopped the preview
    };
    // paceUnpaced: give the effects that are not paced their preview length,
    // so that they can be seen on a fast machine.
    explicit ScreenPacer(Hooks hooks, bool paceUnpaced = true)
        : hooks_(std::move(hooks)), paceUnpaced_(paceUnpaced) {}

    void Begin() override;
    void Prepared(int32_t limitMs) override;
    bool Step(const Surface& picture, const StepInfo& info) override;

    // Milliseconds of the last run's preparation that counted.
    int32_t preparationMs() const { return preparationMs_; }

  private:
    using Clock = std::chrono::steady_clock;
    double Elapsed(Clock::time_point since) const;
    bool WaitUntil(Clock::time_point since, double ms);

    Hooks hooks_;
    bool paceUnpaced_;
    Clock::time_point start_{}, phaseStart_{};
    int32_t phase_ = -1;
    int32_t preparationMs_ = 0;
};

}  // namespace velmora::render::effects
