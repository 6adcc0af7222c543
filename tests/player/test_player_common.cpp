// The plain C++ shared by the Windows player and these tests: the slide plan
// taken from a package's settings and the self-test report.
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
