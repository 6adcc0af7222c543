// Duration box rules, the dialog's average and entry texts, and how the
// timing modes distribute time over the slides.
#include <gtest/gtest.h>

#include "editor/SlideTiming.h"

using namespace velmora::editor;

TEST(SlideTiming, TypingFilter) {
    for (uint32_t k : {8u, uint32_t('0'), uint32_t('5'), uint32_t('9'), uint32_t('.')})
        EXPECT_TRUE(IsDurationKey(k)) << k;
    for (uint32_t k :
         {uint32_t('-'), uint32_t('a'), uint32_t(' '), uint32_t(','), 13u, 22u, uint32_t(0x4E00)})
        EXPECT_FALSE(IsDurationKey(k)) << k;
}

TEST(SlideTiming, NormalisingDurationBoxes) {
    struct Case {
        const char* text;
        const char* fallback;
        bool whole;
        const char* expected;
    };
    const Case cases[] = {
        // Interval box (fallback "10").
        {"3", "10", false, "5"},
        {"07", "10", false, "10"},
        {"12.34567", "10", false, "12.346"},
        {"12", "10", false, "12"},
        {"12.5000", "10", false, "12.5"},
        {"", "10", false, "10"},
        {"5-", "10", false, "10"},
        {".5", "10", false, "10"},
        {"0", "10", false, "10"},
        {"1.2.3", "10", false, "10"},
        {"abc", "10", false, "10"},
        {"1e400", "10", false, "10"},  // not a finite number
        {"-7", "10", false, "5"},      // a number, below the minimum
        {"5.0004", "10", false, "5"},  // 5.000 in shortest form
        {"4.9996", "10", false, "5"},  // rounds up to 5
        {"4.9994", "10", false, "5"},  // below 5
        {"99999.9999", "10", false, "100000"},
        {" 15 ", "10", false, "15"},
        // Dialog box with the interval text as fallback.
        {"x", "12", false, "12"},
        {"x", "3", false, "5"},
        // Opening and ending boxes: whole seconds, halves to even.
        {"7.6", "8", true, "8"},
        {"6.5", "8", true, "6"},
        {"7.5", "8", true, "8"},
        {"4", "8", true, "5"},
        {"5.5", "8", true, "6"},
        {"", "8", true, "8"},
        {"09", "8", true, "8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormaliseDurationText(c.text, c.fallback, c.whole), c.expected)
            << '"' << c.text << '"';
}

TEST(SlideTiming, ShortestDecimalAndSeconds) {
    EXPECT_EQ(ShortestDecimal(12.5), "12.5");
    EXPECT_EQ(ShortestDecimal(50), "50");
    EXPECT_EQ(ShortestDecimal(12.346), "12.346");
    EXPECT_EQ(ShortestDecimal(-0.0), "0");
    EXPECT_EQ(ShortestDecimal(1e7), "10000000");
    EXPECT_EQ(ParseSeconds("12.5"), 12.5);
    EXPECT_FALSE(ParseSeconds("").has_value());
    EXPECT_FALSE(ParseSeconds("abc").has_value());
    EXPECT_FALSE(ParseSeconds("0").has_value());
}

TEST(SlideTiming, DialogTexts) {
    EXPECT_EQ(SlideEntryText("/photos/trip/a b.jpg", "", "12"), "a b.jpg: 12 秒");
    EXPECT_EQ(SlideEntryText("/photos/trip/风景.jpg", "7.5", "12"), "风景.jpg: 7.5 秒");
    SlideAverage a = ComputeSlideAverage(50, 4);
    EXPECT_EQ(a.boxText, "12.5");
    EXPECT_EQ(a.line, "图片 4 张 * 平均时间: 12.5秒 = 歌曲长度: 50秒");
    // Rounded to milliseconds.
    EXPECT_EQ(ComputeSlideAverage(100, 3).boxText, "33.333");
    EXPECT_EQ(ComputeSlideAverage(180.123, 7).line,
              "图片 7 张 * 平均时间: 25.732秒 = 歌曲长度: 180.123秒");
    EXPECT_EQ(ComputeSlideAverage(0.0625, 2).boxText, "0.031");  // 31.25 ms
    EXPECT_EQ(ComputeSlideAverage(0.005, 2).boxText, "0.002");   // 2.5 ms: halves to even
    EXPECT_TRUE(ComputeSlideAverage(50, 0).boxText.empty());
    EXPECT_FALSE(CanOpenSlideTimeDialog(true, 5));
    EXPECT_FALSE(CanOpenSlideTimeDialog(false, 0));
    EXPECT_TRUE(CanOpenSlideTimeDialog(false, 1));
}

TEST(SlideTiming, SyncDistribution) {
    struct Case {
        double D;
        int songs, photos;
        bool usable;
        double slideTime, repeat;
        int64_t shown;
    };
    const Case cases[] = {
        {240, 1, 20, true, 12, 1, 20},   // 10N <= D <= 13N with i = 1
        {200, 1, 20, true, 10, 1, 20},   // D = 10N
        {260, 1, 20, true, 13, 1, 20},   // D = 13N
        {480, 2, 20, true, 12, 2, 40},   // i = 2
        {100, 1, 20, true, 10, 1, 20},   // D < 10N: 10 s, one pass
        {0, 1, 20, false, 0, 0, 0},      // zero length
        {240, 0, 20, false, 0, 0, 0},    // no songs
        {240, 21, 20, false, 0, 0, 0},   // more than 20 songs
        {240, 20, 20, true, 12, 1, 20},  // 20 songs still count
        {240, 1, 0, false, 0, 0, 0},     // no photos
        {10000, 3, 2, false, 0, 0, 0},   // beyond 20 passes of 13 s
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "D " << c.D << " songs " << c.songs << " N " << c.photos);
        auto s = ComputeSyncTiming(c.D, c.songs, c.photos);
        ASSERT_EQ(s.has_value(), c.usable);
        if (!s)
            continue;
        EXPECT_DOUBLE_EQ(s->slideTime, c.slideTime);
        EXPECT_DOUBLE_EQ(s->repeatCount, c.repeat);
        EXPECT_EQ(s->slidesShown, c.shown);
    }
    // Between 13N and 20N: no whole pass count fits, so 13 s slides and a
    // fractional pass count; slides go on until N x passes are shown.
    auto s = ComputeSyncTiming(270, 1, 20);
    ASSERT_TRUE(s.has_value());
    EXPECT_DOUBLE_EQ(s->slideTime, 13);
    EXPECT_DOUBLE_EQ(s->repeatCount, 270.0 / 260);
    EXPECT_EQ(s->slidesShown, 21);
    // Exactly a whole number of slides: no extra slide from rounding noise.
    s = ComputeSyncTiming(13 * 7 * 3, 1, 3);  // i = 7 fits: 10*7*3 <= 273 <= 13*7*3
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->slidesShown, 21);
    s = ComputeSyncTiming(13.0 * 50 + 13 * 3, 1, 50);  // 689: 13 s, 53 slides
    ASSERT_TRUE(s.has_value());
    EXPECT_DOUBLE_EQ(s->slideTime, 13);
    EXPECT_EQ(s->slidesShown, 53);
}

TEST(SlideTiming, WholeSongSeconds) {
    EXPECT_EQ(WholeSongSeconds(0.2), 1);
    EXPECT_EQ(WholeSongSeconds(180.0), 181);
    EXPECT_EQ(WholeSongSeconds(29999.9), 30000);
    EXPECT_EQ(WholeSongSeconds(30000.5), 30000);  // halves to even
    EXPECT_EQ(WholeSongSeconds(30001.5), 30002);
}

TEST(SlideTiming, PlansForEachMode) {
    TimingInput in;
    in.timeInterval = 12;
    in.slideDurations = {"", "7.5", "", "abc"};
    in.openingShown = true;
    in.openingSeconds = 8;
    in.endingShown = false;

    // Fixed: own durations where set (an unreadable one falls back).
    in.enableSync = false;
    in.songSeconds = {100};
    TimingPlan fixed = PlanSlideTiming(in);
    EXPECT_EQ(fixed.mode, TimingMode::Fixed);
    ASSERT_EQ(fixed.slides.size(), 4u);
    EXPECT_DOUBLE_EQ(fixed.slides[1].seconds, 7.5);
    EXPECT_TRUE(fixed.slides[1].individual);
    EXPECT_DOUBLE_EQ(fixed.slides[3].seconds, 12);
    EXPECT_FALSE(fixed.slides[3].individual);
    EXPECT_DOUBLE_EQ(fixed.slidesTotal, 12 + 7.5 + 12 + 12);
    EXPECT_DOUBLE_EQ(fixed.total, 8 + 43.5);

    // Sync: 100 s over 4 photos: one pass would need 40..52 s, two passes
    // take 80..104 s, so 12.5 s slides and 8 slides in all.
    in.enableSync = true;
    in.songSeconds = {60, 40};
    TimingPlan sync = PlanSlideTiming(in);
    EXPECT_EQ(sync.mode, TimingMode::Sync);
    EXPECT_DOUBLE_EQ(sync.songTotal, 100);
    ASSERT_EQ(sync.slides.size(), 8u);
    for (size_t k = 0; k < sync.slides.size(); ++k) {
        EXPECT_EQ(sync.slides[k].photo, static_cast<int>(k % 4));
        EXPECT_DOUBLE_EQ(sync.slides[k].seconds, 12.5);
        EXPECT_FALSE(sync.slides[k].individual);  // own durations do not apply
    }
    EXPECT_DOUBLE_EQ(sync.total, 8 + 100);

    // Sync with 21 songs or none: the fixed rule.
    in.songSeconds.assign(21, 10);
    TimingPlan many = PlanSlideTiming(in);
    EXPECT_EQ(many.mode, TimingMode::SyncUnavailable);
    EXPECT_DOUBLE_EQ(many.slidesTotal, 43.5);
    in.songSeconds.clear();
    EXPECT_EQ(PlanSlideTiming(in).mode, TimingMode::SyncUnavailable);
}
