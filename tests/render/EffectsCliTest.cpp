// The transition and text-effect subcommands: the catalogue lists, frames
// written as numbered PNG files, and clear refusals of bad input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "RenderFixtures.h"
#include "RunVelmora.h"
#include "render/ImageLoader.h"
#include "render/effects/Transitions.h"
#include "render/qt/QtImageCodec.h"

using namespace velmora;
using namespace velmora::render;

namespace {

const bool kCodec = (InstallQtImageCodec(), true);

std::string WritePng(const std::string& name, int32_t w, int32_t h, uint32_t seed) {
    Picture p;
    p.pixels.Resize(w, h);
    fixtures::Lcg lcg(seed);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            p.pixels.setPixel(x, y, Rgb(lcg.Byte(), lcg.Byte(), lcg.Byte()));
    std::string path = fixtures::FixtureDir() + "/" + std::to_string(::getpid()) + "-" + name;
    EXPECT_TRUE(SavePictureAsPng(p, path));
    return path;
}

std::string FreshDir(const std::string& name) {
    std::string d = fixtures::FixtureDir() + "/" + std::to_string(::getpid()) + "-" + name;
    std::filesystem::remove_all(d);
    return d;
}

size_t CountFiles(const std::string& dir) {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir))
        n += e.path().extension() == ".png" ? 1 : 0;
    return n;
}

}  // namespace

TEST(EffectCli, Lists) {
    auto r = test::Velmora("transition --list");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("0\t随机线条切换(2)\t2\t\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1\t卷轴切换一(4)(#)\t4\t#\n"), std::string::npos);
    EXPECT_NE(r.out.find("22\t卷帘切换三(2)\t2\t\n"), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 23);
    auto t = test::Velmora("text-effect --list");
    EXPECT_EQ(t.status, 0);
    EXPECT_NE(t.out.find("2\t滑入显示(4)(#)\t4\t#\n"), std::string::npos) << t.out;
    EXPECT_EQ(std::count(t.out.begin(), t.out.end(), '\n'), 9);
}

TEST(EffectCli, WritesEveryFrame) {
    const std::string a = WritePng("a.png", 64, 48, 1), b = WritePng("b.png", 64, 48, 2);
    const std::string dir = FreshDir("frames15");
    auto r =
        test::Velmora("transition 15 --from " + a + " --to " + b + " --size 64x48 --frames " + dir);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "63\n");
    EXPECT_EQ(CountFiles(dir), 63u);
    LoadedImage first = LoadImageFile(dir + "/000001.png");
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.picture.width(), 64);
    EXPECT_TRUE(std::filesystem::exists(dir + "/000063.png"));
    // The seed fixes the random order: two runs give the same frames.
    const std::string d1 = FreshDir("frames0a"), d2 = FreshDir("frames0b");
    const std::string common =
        "transition 0 --variant 1 --from " + a + " --to " + b + " --size 64x48 --seed 5 --frames ";
    ASSERT_EQ(test::Velmora(common + d1).status, 0);
    ASSERT_EQ(test::Velmora(common + d2).status, 0);
    auto f1 = LoadImageFile(d1 + "/000002.png"), f2 = LoadImageFile(d2 + "/000002.png");
    ASSERT_TRUE(f1.ok() && f2.ok());
    EXPECT_TRUE(f1.picture.pixels == f2.picture.pixels);
}

TEST(EffectCli, RefusesBadInput) {
    const std::string a = WritePng("c.png", 64, 48, 3), b = WritePng("d.png", 64, 48, 4);
    const std::string small = WritePng("e.png", 32, 48, 5);
    const std::string dir = FreshDir("bad");
    struct Case {
        std::string args, message;
    };
    const Case cases[] = {
        {"transition 23 --from " + a + " --to " + b + " --size 64x48 --frames " + dir, "超出范围"},
        {"transition 1 --variant 4 --from " + a + " --to " + b + " --size 64x48 --frames " + dir,
         "变化方式 4 超出范围"},
        {"transition 15 --variant 1 --from " + a + " --to " + b + " --size 64x48 --frames " + dir,
         "变化方式 1 超出范围"},
        {"transition 3 --from " + a + " --to " + small + " --size 64x48 --frames " + dir,
         "与帧尺寸 64x48 不同"},
        {"transition 3 --from " + a + " --to " + b + " --size 1x1 --frames " + dir, "偶数"},
        {"transition 3 --from " + a + " --to " + b + " --size 63x48 --frames " + dir, "偶数"},
        {"transition 3 --from " + a + " --to " + b + " --size 0x48 --frames " + dir, "帧尺寸无效"},
        {"transition x --from " + a + " --to " + b + " --size 64x48 --frames " + dir, "不是整数"},
        {"transition 3 --from /nonexistent.png --to " + b + " --size 64x48 --frames " + dir,
         "无法载入图片"},
        {"text-effect 9 --background " + a + " --text 标题 --size 64x48 --frames " + dir,
         "超出范围"},
        {"text-effect 2 --variant 4 --background " + a + " --text 标题 --size 64x48 --frames " +
             dir,
         "超出范围"},
    };
    for (const Case& c : cases) {
        auto r = test::Velmora(c.args);
        EXPECT_NE(r.status, 0) << c.args;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir));
}
