// Slide timing rules: the input rules of every duration box, the per-photo
// dialog's texts and average, and how the project's timing mode distributes
// time over the slides (fixed interval with per-photo durations, or music
// sync derived from the total song length). Core code, no Qt; the dialog
// itself is ui/FrmSetSlideTime.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/SongLength.h"

namespace velmora::editor {

inline constexpr double kMinimumSlideSeconds = 5;
inline constexpr const char* kIntervalFallback = "10";  // interval box and the dialog's box
inline constexpr const char* kTitleFallback = "8";      // opening and ending boxes
inline constexpr int kMaxSyncSongs = 20;

// Typing filter of every duration box: Backspace (8), the digits and the
// full stop pass; every other key is discarded.
bool IsDurationKey(uint32_t key);

// Normalises a duration box's text on leaving it: empty text, text ending in
// "-" or starting with "0" or ".", and text that is not a number give the
// fallback; a number is rounded to three decimals (halves to even) and
// written in the shortest decimal form. Then anything below 5 becomes "5",
// and wholeSeconds (opening and ending boxes) rounds to a whole number.
std::string NormaliseDurationText(const std::string& text, const std::string& fallback,
                                  bool wholeSeconds = false);

// Shortest decimal text of a value, without exponent ("12.5", "50").
std::string ShortestDecimal(double v);

// A stored duration text as seconds; nullopt when empty or not a positive
// finite number.
std::optional<double> ParseSeconds(const std::string& text);

// The per-photo dialog can be opened only with sync off and photos listed.
bool CanOpenSlideTimeDialog(bool enableSync, int photoCount);

// One entry of the dialog's photo list: file name, ": ", the seconds (the
// working value, or the interval box's text when empty) and " 秒".
std::string SlideEntryText(const std::string& photoPath, const std::string& workingValue,
                           const std::string& intervalText);

// The average for n selected photos over a song of songSeconds: each photo
// gets songSeconds / n rounded to milliseconds.
struct SlideAverage {
    int photos = 0;
    double average = 0;
    double songSeconds = 0;
    std::string boxText;  // the duration box's new text
    std::string line;     // "图片 n 张 * 平均时间: a秒 = 歌曲长度: d秒"
};
SlideAverage ComputeSlideAverage(double songSeconds, int photos);

// Music sync: the slide time and the number of passes over the photos for a
// total song length of totalSeconds and photoCount photos, or nullopt when
// sync cannot be used (no songs, more than 20, a zero length, no fitting
// pass count).
struct SyncTiming {
    double slideTime = 0;
    double repeatCount = 1;   // passes over the photo list, possibly fractional
    int64_t slidesShown = 0;  // slides until the passes are complete
};
std::optional<SyncTiming> ComputeSyncTiming(double totalSeconds, int songCount, int photoCount);

// Song lengths and their whole-second total are the audio library's, the
// same measure the package build stores.
using audio::RoundToMilliseconds;
using audio::WholeSongSeconds;

// Everything the timing of a project depends on.
struct TimingInput {
    bool enableSync = true;
    double timeInterval = 12;
    std::vector<std::string> slideDurations;  // one per photo; empty: timeInterval
    std::vector<double> songSeconds;          // measured song lengths
    bool openingShown = false;
    double openingSeconds = 8;
    bool endingShown = false;
    double endingSeconds = 8;
};

enum class TimingMode { Fixed, Sync, SyncUnavailable };

struct PlannedSlide {
    int photo = 0;  // 0-based photo index
    double seconds = 0;
    bool individual = false;  // the photo's own duration applied
};

struct TimingPlan {
    TimingMode mode = TimingMode::Fixed;
    double songTotal = 0;  // sum of the song lengths
    std::optional<SyncTiming> sync;
    std::vector<PlannedSlide> slides;
    double openingSeconds = 0;  // 0 when not shown
    double endingSeconds = 0;
    double slidesTotal = 0;
    double total = 0;  // opening + slides + ending
};

// Fixed mode: every photo once, its own duration when it has one, else the
// interval. Sync mode: passes over the photos at the sync slide time until
// the passes are complete; when sync cannot be used the fixed rule applies.
TimingPlan PlanSlideTiming(const TimingInput& in);

}  // namespace velmora::editor
