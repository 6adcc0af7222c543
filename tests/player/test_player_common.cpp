// The plain C++ shared by the Windows player and these tests: the slide plan
// taken from a package's settings, photo placement, the self-test report.
#include <gtest/gtest.h>

#include "player/common/SelftestReport.h"
#include "player/common/SlidePlan.h"

namespace velmora::player {
namespace {

TEST(SlidePlan, DurationsComeFromOwnTextThenIntervalThenDefault) {
    PropertyBag bag;
    bag.WriteProperty("NowI", Value::Long(4));
    bag.WriteProperty("TimeInterval", Value::Single(7.5f));
    bag.WriteProperty("SlideDuration(2)", Value::Text("5.25"));
    bag.WriteProperty("SlideDuration(3)", Value::Text("abc"));  // not a number
    bag.WriteProperty("SlideDuration(4)", Value::Text("-3"));   // not positive
    bag.WriteProperty("ImgPosX(2)", Value::Long(40));
    bag.WriteProperty("ImgPosY(2)", Value::Long(-7));
    auto slides = PlanSlides(bag);
    ASSERT_EQ(slides.size(), 4u);
    EXPECT_EQ(slides[0].key, "ImgNames(1)");
    EXPECT_EQ(slides[3].key, "ImgNames(4)");
    EXPECT_DOUBLE_EQ(slides[0].seconds, 7.5);
    EXPECT_DOUBLE_EQ(slides[1].seconds, 5.25);
    EXPECT_DOUBLE_EQ(slides[2].seconds, 7.5);
    EXPECT_DOUBLE_EQ(slides[3].seconds, 7.5);
    EXPECT_EQ(slides[1].posX, 40);
    EXPECT_EQ(slides[1].posY, -7);
    EXPECT_EQ(slides[0].posX, 0);

    PropertyBag noInterval;
    noInterval.WriteProperty("NowI", Value::Long(1));
    noInterval.WriteProperty("TimeInterval", Value::Single(0));
    EXPECT_DOUBLE_EQ(PlanSlides(noInterval).at(0).seconds, kDefaultIntervalSeconds);
}

TEST(SlidePlan, PhotoCountIsBoundedAndNeverNegative) {
    PropertyBag bag;
    bag.WriteProperty("NowI", Value::Long(-5));
    EXPECT_TRUE(PlanSlides(bag).empty());
    bag.WriteProperty("NowI", Value::Long(INT32_MAX));
    EXPECT_EQ(PlanSlides(bag).size(), static_cast<size_t>(kMaxPhotos));
    EXPECT_TRUE(PlanSlides(PropertyBag()).empty());
}

TEST(PlacePicture, FiveModes) {
    struct Case {
        int mode, W, H, w, h, x, y;
        double r1, r2;
        PlacedRect want;
    };
    const Case cases[] = {
        // Mode 0: actual size centred; exactly the screen size stays unscaled.
        {0, 100, 80, 40, 20, 0, 0, 0, 0, {30, 30, 40, 20}},
        {0, 100, 80, 100, 80, 0, 0, 0, 0, {0, 0, 100, 80}},
        // One pixel too wide: fitted as in mode 3.
        {0, 100, 80, 101, 80, 0, 0, 0, 0, {0, (80 - 79) / 2.0, 100, 80 * 100 / 101.0}},
        // Mode 3: a tall picture on a wide screen fills the height.
        {3, 200, 100, 50, 100, 0, 0, 0, 0, {75, 0, 50, 100}},
        {3, 200, 100, 400, 100, 0, 0, 0, 0, {0, 25, 200, 50}},
        // Mode 1: the stored position, also when only y is set.
        {1, 200, 100, 20, 10, 0, 5, 0.9, 0.9, {0, 5, 20, 10}},
        {1, 200, 100, 20, 10, 0, 0, 0.5, 0.25, {90, 22, 20, 10}},
        // Mode 4: stretched over the screen.
        {4, 200, 100, 20, 10, 0, 0, 0, 0, {0, 0, 200, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " " << c.w << "x" << c.h);
        auto r = PlacePicture(c.mode, c.W, c.H, c.w, c.h, c.x, c.y, c.r1, c.r2);
        ASSERT_TRUE(r);
        EXPECT_DOUBLE_EQ(r->x, c.want.x);
        EXPECT_DOUBLE_EQ(r->y, c.want.y);
        EXPECT_DOUBLE_EQ(r->w, c.want.w);
        EXPECT_DOUBLE_EQ(r->h, c.want.h);
        EXPECT_FALSE(r->tiled);
    }
    auto tiled = PlacePicture(2, 200, 100, 300, 300, 0, 0, 0, 0);
    ASSERT_TRUE(tiled);
    EXPECT_TRUE(tiled->tiled);
    EXPECT_DOUBLE_EQ(tiled->w, 300);
    EXPECT_FALSE(PlacePicture(5, 200, 100, 20, 10, 0, 0, 0, 0));
    EXPECT_FALSE(PlacePicture(3, 200, 100, 0, 10, 0, 0, 0, 0));
}

TEST(SelftestReport, LinesForEveryTypeAndEscapes) {
    PropertyBag bag;
    bag.WriteProperty("Name", Value::Text("a\tb\\c\n图片"));
    bag.WriteProperty("Count", Value::Long(-12));
    bag.WriteProperty("Small", Value::Integer(7));
    bag.WriteProperty("Time", Value::Single(12.1f));
    bag.WriteProperty("On", Value::Boolean(true));
    bag.WriteProperty("Off", Value::Boolean(false));
    std::string r = SelftestReport(bag, 1000, 900, {{"ImgNames(1)", 100, 0x0000ABCDu}});
    EXPECT_EQ(r,
              "PACKAGE\t1000\t900\t100\n"
              "SETTING\tName\tString\ta\\tb\\\\c\\n图片\n"
              "SETTING\tCount\tLong\t-12\n"
              "SETTING\tSmall\tInteger\t7\n"
              "SETTING\tTime\tSingle\t12.1\n"
              "SETTING\tOn\tBoolean\tTrue\n"
              "SETTING\tOff\tBoolean\tFalse\n"
              "FILE\tImgNames(1)\t100\t0000ABCD\n");
}

}  // namespace
}  // namespace velmora::player
