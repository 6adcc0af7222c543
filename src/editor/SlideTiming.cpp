#include "editor/SlideTiming.h"

#include <charconv>
#include <cmath>

#include "audio/SongLength.h"
#include "base/FileUtil.h"
#include "base/Rounding.h"
#include "base/TextNumber.h"

namespace velmora::editor {

namespace {

// Largest magnitude whose thousandths still convert exactly.
constexpr double kMaxSeconds = 1e12;

}  // namespace

bool IsDurationKey(uint32_t key) {
    return key == 8 || key == '.' || (key >= '0' && key <= '9');
}

std::string ShortestDecimal(double v) {
    if (v == 0)
        return "0";  // also turns -0 into 0
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (ec != std::errc())
        return "0";
    return std::string(buf, end);
}

std::string NormaliseDurationText(const std::string& text, const std::string& fallback,
                                  bool wholeSeconds) {
    std::string result = fallback;
    std::string t(Trim(text));
    if (!t.empty() && t.back() != '-' && t.front() != '0' && t.front() != '.') {
        auto v = ParseNumber(t);
        if (v && std::fabs(*v) <= kMaxSeconds)
            result = ShortestDecimal(static_cast<double>(nearest64(*v * 1000)) / 1000);
    }
    auto value = ParseNumber(result);
    if (!value || *value < kMinimumSlideSeconds)
        return "5";
    if (wholeSeconds)
        return ShortestDecimal(static_cast<double>(nearest64(*value)));
    return result;
}

std::optional<double> ParseSeconds(const std::string& text) {
    auto v = ParseNumber(text);
    if (!v || *v <= 0)
        return std::nullopt;
    return v;
}

bool CanOpenSlideTimeDialog(bool enableSync, int photoCount) {
    return !enableSync && photoCount > 0;
}

std::string SlideEntryText(const std::string& photoPath, const std::string& workingValue,
                           const std::string& intervalText) {
    return FileNameOf(photoPath) + ": " + (workingValue.empty() ? intervalText : workingValue) +
           " 秒";
}

SlideAverage ComputeSlideAverage(double songSeconds, int photos) {
    SlideAverage a;
    a.photos = photos;
    a.songSeconds = songSeconds;
    if (photos <= 0)
        return a;
    a.average = RoundToMilliseconds(songSeconds / photos);
    a.boxText = ShortestDecimal(a.average);
    a.line = "图片 " + std::to_string(photos) + " 张 * 平均时间: " + a.boxText +
             "秒 = 歌曲长度: " + ShortestDecimal(songSeconds) + "秒";
    return a;
}

std::optional<SyncTiming> ComputeSyncTiming(double D, int songCount, int N) {
    if (songCount < 1 || songCount > kMaxSyncSongs || !(D > 0) || N <= 0)
        return std::nullopt;
    SyncTiming s;
    bool found = false;
    for (int i = 1; i <= 20; ++i) {
        if (10.0 * i * N > D)
            break;
        if (D <= 13.0 * i * N) {
            s.slideTime = D / N / i;
            s.repeatCount = i;
            found = true;
            break;
        }
    }
    if (!found && 10.0 * N >= D) {
        s.slideTime = 10;
        s.repeatCount = 1;
        found = true;
    }
    if (!found) {
        for (int j = 1; j <= 20; ++j) {
            if (13.0 * j * N >= D) {
                s.slideTime = 13;
                s.repeatCount = D / (13.0 * N);
                found = true;
                break;
            }
        }
    }
    if (!found)
        return std::nullopt;
    // Slides end once the number shown reaches N x repeat count; a hair of
    // tolerance keeps D / (13 N) x N from counting one slide too many.
    s.slidesShown = static_cast<int64_t>(std::ceil(N * s.repeatCount - 1e-9));
    return s;
}

TimingPlan PlanSlideTiming(const TimingInput& in) {
    TimingPlan plan;
    for (double d : in.songSeconds)
        plan.songTotal += d;
    const int n = static_cast<int>(in.slideDurations.size());
    if (in.enableSync) {
        plan.sync = ComputeSyncTiming(plan.songTotal, static_cast<int>(in.songSeconds.size()), n);
        plan.mode = plan.sync ? TimingMode::Sync : TimingMode::SyncUnavailable;
    }
    if (plan.sync) {
        for (int64_t k = 0; k < plan.sync->slidesShown; ++k)
            plan.slides.push_back({static_cast<int>(k % n), plan.sync->slideTime, false});
    } else {
        for (int i = 0; i < n; ++i) {
            auto own = ParseSeconds(in.slideDurations[static_cast<size_t>(i)]);
            plan.slides.push_back({i, own ? *own : in.timeInterval, own.has_value()});
        }
    }
    for (const auto& s : plan.slides)
        plan.slidesTotal += s.seconds;
    plan.openingSeconds = in.openingShown ? in.openingSeconds : 0;
    plan.endingSeconds = in.endingShown ? in.endingSeconds : 0;
    plan.total = plan.openingSeconds + plan.slidesTotal + plan.endingSeconds;
    return plan;
}

}  // namespace velmora::editor
