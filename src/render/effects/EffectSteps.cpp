#include "render/effects/EffectSteps.h"

#include <thread>

namespace velmora::render::effects {

void ScreenPacer::Begin() {
    start_ = Clock::now();
    phaseStart_ = start_;
    phase_ = -1;
    preparationMs_ = 0;
}

void ScreenPacer::Prepared(int32_t limitMs) {
    double ms = Elapsed(start_);
    preparationMs_ = ms > limitMs ? 0 : static_cast<int32_t>(ms);
}

double ScreenPacer::Elapsed(Clock::time_point since) const {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

bool ScreenPacer::WaitUntil(Clock::time_point since, double ms) {
    while (Elapsed(since) < ms) {
        if (hooks_.pumpEvents)
            hooks_.pumpEvents();
        if (hooks_.cancelled && hooks_.cancelled())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool ScreenPacer::Step(const Surface& picture, const StepInfo& info) {
    if (info.phase != phase_) {
        phase_ = info.phase;
        // The first phase runs from the effect's start (its preparation
        // included); later phases from their own first step.
        phaseStart_ = phase_ == 0 && start_ != Clock::time_point{} ? start_ : Clock::now();
    }
    if (hooks_.present)
        hooks_.present(picture);
    if (hooks_.pumpEvents)
        hooks_.pumpEvents();
    if (hooks_.cancelled && hooks_.cancelled())
        return false;
    if (info.paced || paceUnpaced_) {
        double length = info.phaseMs;
        if (info.minusPreparation)
            length -= preparationMs_;
        if (length > 0 && !WaitUntil(phaseStart_, info.progress * length))
            return false;
    }
    if (info.pauseMs > 0) {
        Clock::time_point now = Clock::now();
        if (!WaitUntil(now, info.pauseMs))
            return false;
        // A pause does not eat into the phase's own time.
        phaseStart_ += Clock::now() - now;
    }
    return true;
}

}  // namespace velmora::render::effects
