// The image and compose subcommands of the program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "RenderFixtures.h"
#include "project/Project.h"
#include "project/SettingsStore.h"
#include "render/Composer.h"
#include "render/ImageLoader.h"
#include "render/qt/QtImageCodec.h"

using namespace velmora;
using namespace velmora::render;
using namespace velmora::render::fixtures;

namespace {

const bool kCodec = (InstallQtImageCodec(), true);

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Velmora(const std::string& args) {
    // ctest runs every case as its own process, several at once: each run
    // gets output files of its own.
    static int runs = 0;
    std::string base =
        FixtureDir() + "/cli-" + std::to_string(::getpid()) + "-" + std::to_string(++runs);
    std::string cmd = std::string(VELMORA_PROGRAM_DIR) + "/velmora " + args + " >" + base +
                      ".out 2>" + base + ".err";
    int rc = std::system(cmd.c_str());
    auto slurp = [](const std::string& p) {
        std::ifstream in(p);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::remove(p.c_str());
        return text;
    };
    std::string out = slurp(base + ".out"), err = slurp(base + ".err");
    return {WEXITSTATUS(rc), out, err};
}

}  // namespace

TEST(Cli, ImageProbe) {
    ASSERT_TRUE(kCodec);
    std::string tga = WriteFixture("cli.tga", MakeTga({10, 16, 0, 0, false, 33, 21}));
    CliRun r = Velmora("image probe '" + tga + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "TGA 33x21 16\n");
    std::string pcx = WriteFixture("cli.pcx", MakePcx({8, 3, 9, 4}));
    EXPECT_EQ(Velmora("image probe '" + pcx + "'").out, "PCX 9x4 24\n");
    std::string junk = WriteFixture("cli.bin", std::vector<uint8_t>(100, 7));
    r = Velmora("image probe '" + junk + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("不是支持的图片文件"), std::string::npos);
    EXPECT_EQ(Velmora("image probe").status, 2);
}

TEST(Cli, ImageConvert) {
    std::string tga = WriteFixture("cli-conv.tga", MakeTga({9, 8, 24, 256, true, 25, 14}));
    std::string png = FixtureDir() + "/cli-conv.png", jpg = FixtureDir() + "/cli-conv.jpg";
    CliRun r = Velmora("image convert '" + tga + "' '" + png + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    LoadedImage a = LoadImageFile(tga), b = LoadImageFile(png);
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(a.picture.pixels, b.picture.pixels);
    ASSERT_EQ(Velmora("image convert '" + tga + "' '" + jpg + "'").status, 0);
    EXPECT_TRUE(LoadImageFile(jpg).ok());
    // A 32-bit TGA keeps its alpha in the PNG.
    std::string tga32 = WriteFixture("cli-conv32.tga", MakeTga({2, 32, 0, 0, false, 5, 5}));
    ASSERT_EQ(Velmora("image convert '" + tga32 + "' '" + png + "'").status, 0);
    auto magick = MagickRgba("png", png, 5, 5);
    LoadedImage t = LoadImageFile(tga32);
    ASSERT_TRUE(magick);
    for (size_t i = 0; i < 25; ++i)
        EXPECT_EQ((*magick)[i * 4 + 3], t.tgaAlpha[i]);
    // Failures: an unreadable source, a bad target type.
    r = Velmora("image convert '" + FixtureDir() + "/none.tga' '" + png + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(Velmora("image convert '" + tga + "' out.gif").status, 2);
}

TEST(Cli, ComposeMatchesTheComposer) {
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    p.BackGroundSet = "2";
    p.BackgroundGradientMode = 3;
    p.ImgDrawScale = 3;
    std::string photo = FixtureDir() + "/cli-photo.png";
    ASSERT_EQ(RunShell(ImageMagick() + " -size 300x500 plasma: -seed 9 '" + photo + "'"), 0);
    p.photos.push_back(NewPhotoEntry(photo, p, env));
    p.photos.push_back(
        NewPhotoEntry(WriteFixture("cli-photo.pcx", MakePcx({8, 1, 50, 40})), p, env));
    SettingsStore store;
    WriteProjectSettings(p, store, false);
    std::string aps = FixtureDir() + "/cli.aps";
    ASSERT_TRUE(store.SaveSettingsFile(aps));
    std::string out = FixtureDir() + "/cli-slide.png";
    for (int slide : {1, 2}) {
        CliRun r = Velmora("compose '" + aps + "' --slide " + std::to_string(slide) +
                           " --size 320x240 -o '" + out + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        LoadedImage img = LoadImageFile(out);
        ASSERT_TRUE(img.ok());
        Surface want(320, 240);
        Composer composer;
        composer.ComposePhotoSlide(p, slide, want, {320.0 / 1024, 240.0 / 768, 240.0 / 768});
        EXPECT_EQ(img.picture.pixels, want) << slide;
    }
    CliRun r = Velmora("compose '" + aps + "' --slide 3 --size 320x240 -o '" + out + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("第 3 张"), std::string::npos);
    EXPECT_EQ(Velmora("compose '" + aps + "' --slide 1 --size 320 -o x.png").status, 2);
    r = Velmora("compose '" + FixtureDir() + "/cli.bin' --slide 1 --size 32x24 -o '" + out + "'");
    EXPECT_EQ(r.status, 1);
}
