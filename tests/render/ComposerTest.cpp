// Placement arithmetic, the five placement modes on bitmaps and codec
// pictures, the 32-bit TGA pre-blend, backgrounds and slide composition.
#include <gtest/gtest.h>

#include <random>

#include "RenderFixtures.h"
#include "base/Rounding.h"
#include "project/Project.h"
#include "render/Composer.h"
#include "render/ImageLoader.h"
#include "render/Raster.h"
#include "render/qt/QtImageCodec.h"

using namespace velmora;
using namespace velmora::render;
using namespace velmora::render::fixtures;

namespace {

const bool kCodec = (InstallQtImageCodec(), true);

// A PCX of w × h whose pixel (x, y) is grey-coded by position.
std::string PcxPicture(const std::string& name, int w, int h) {
    std::vector<uint8_t> f = MakePcx({8, 3, w, h, false});
    int bpl = w + w % 2;
    f.resize(128);
    for (int y = 0; y < h; ++y)
        for (int p = 0; p < 3; ++p)
            for (int x = 0; x < bpl; ++x)
                f.push_back(static_cast<uint8_t>(p == 0 ? x * 9 + 1 : p == 1 ? y * 11 + 2 : 77));
    return WriteFixture(name, f);
}

uint32_t PcxPixel(int x, int y) {
    return Rgb(static_cast<uint32_t>(x * 9 + 1), static_cast<uint32_t>(y * 11 + 2), 77);
}

class RecordingText : public TextRenderer {
  public:
    void DrawText(Surface&, const TextDrawRequest& r) override { requests.push_back(r); }
    std::vector<TextDrawRequest> requests;
};

Project SolidProject(int32_t colour) {
    Project p = MakeDefaultProject(ProjectEnvironment());
    p.BackGroundSet = "1";
    p.SolidColor = colour;
    return p;
}

}  // namespace

TEST(Placement, FitAndCentreArithmetic) {
    struct Case {
        double W, H;
        int w, h;
        bool centred;
        Rect want;
    } cases[] = {
        {100, 80, 100, 80, true, {0, 0, 100, 80}},  // exactly the surface size: unscaled at (0, 0)
        {100, 80, 101, 80, true, {0, 0, 100, 79}},  // one pixel wider: fitted
        {100, 80, 100, 81, true, {0, 0, 99, 80}},   // one pixel taller: fitted
        {100, 80, 50, 41, true, {25, 20, 50, 41}},  // 19.5 rounds to 20 (even)
        {100, 80, 51, 41, true, {24, 20, 51, 41}},  // 24.5 rounds to 24
        {1024, 768, 300, 900, false, {384, 0, 256, 768}},  // tall on wide: height = H, centred
        {1024, 768, 4000, 3000, false, {0, 0, 1024, 768}},
        {1024, 768, 1600, 900, false, {0, 96, 1024, 576}},
        {640, 480, 3, 1, false, {0, 133, 640, 213}},  // 213.33 high, top (480 - 213) / 2 = 133.5 ->
                                                      // 134? see below
    };
    for (const Case& c : cases) {
        PlacedRect p =
            c.centred ? CentredPlacement(c.W, c.H, c.w, c.h) : FitPlacement(c.W, c.H, c.w, c.h);
        Rect r = RoundedRect(p);
        if (c.w == 3) {
            // (480 − 213) / 2 = 133.5 rounds to 134 (even); the size is 1 × 213.33.
            EXPECT_EQ(r, (Rect{0, 134, 640, 213}));
            continue;
        }
        EXPECT_EQ(r, c.want) << c.w << "x" << c.h << " on " << c.W << "x" << c.H;
    }
}

TEST(Composer, BitmapPlacementModes) {
    ASSERT_TRUE(kCodec);
    const std::string pic = PcxPicture("place.pcx", 6, 4);
    struct Case {
        int mode, x, y;
        int W, H;
    } cases[] = {
        {0, 0, 0, 10, 8}, {0, 0, 0, 6, 4}, {1, 0, 5, 10, 8}, {1, 3, 0, 10, 8}, {2, 0, 0, 15, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " " << c.W << "x" << c.H);
        Composer composer;
        Surface s(c.W, c.H, 0xFF000000u);
        composer.DrawImageFile(s, pic, c.mode, c.x, c.y);
        for (int y = 0; y < c.H; ++y)
            for (int x = 0; x < c.W; ++x) {
                uint32_t want = 0xFF000000u;
                if (c.mode == 0) {
                    int ox = nearest((c.W - 6) / 2.0), oy = nearest((c.H - 4) / 2.0);
                    if (x >= ox && y >= oy && x < ox + 6 && y < oy + 4)
                        want = PcxPixel(x - ox, y - oy);
                } else if (c.mode == 1) {
                    if (x >= c.x && y >= c.y && x < c.x + 6 && y < c.y + 4)
                        want = PcxPixel(x - c.x, y - c.y);
                } else {
                    want = PcxPixel(x % 6, y % 4);
                }
                ASSERT_EQ(s.pixel(x, y), want) << x << "," << y;
            }
    }
    // Tiling a picture larger than the surface draws one tile; stretching
    // equals a box stretch of the whole picture.
    Composer composer;
    Surface s(4, 3), ref(4, 3);
    composer.DrawImageFile(s, pic, kPlaceTiled);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(s.pixel(x, y), PcxPixel(x, y));
    composer.DrawImageFile(s, pic, kPlaceStretch);
    LoadedImage img = LoadImageFile(pic);
    Stretch(ref, ref.bounds(), img.picture.pixels, img.picture.pixels.bounds(), StretchFilter::Box);
    EXPECT_EQ(s, ref);
    // A mode outside 0..4, an unknown extension, a missing file: nothing.
    Surface keep(5, 5, 0xFF445566u);
    composer.DrawImageFile(keep, pic, 7);
    composer.DrawImageFile(keep, FixtureDir() + "/place.xyz", 0);
    composer.DrawImageFile(keep, FixtureDir() + "/missing.pcx", 0);
    EXPECT_EQ(keep, Surface(5, 5, 0xFF445566u));
}

TEST(Composer, RandomPositionIsUniformOverTheFreeRoom) {
    const std::string pic = PcxPicture("random.pcx", 6, 4);
    Composer composer;
    composer.SeedRandomForTesting(42);
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 0; i < 5; ++i) {
        Surface s(50, 30, 0xFF000000u);
        composer.DrawImageFile(s, pic, kPlaceRandom, 0, 0);
        double r1 = u(rng), r2 = u(rng);
        int x = nearest(44 * r1), y = nearest(26 * r2);
        EXPECT_EQ(s.pixel(x, y), PcxPixel(0, 0));
        EXPECT_EQ(s.pixel(x + 5, y + 3), PcxPixel(5, 3));
    }
}

TEST(Composer, Tga32IsPreBlendedWithTheSurfaceAtTheSameSpot) {
    TgaLayout layout{2, 32, 0, 0, true, 9, 7};
    std::vector<uint8_t> file = MakeTga(layout, 21);
    const std::string path = WriteFixture("blend32.tga", file);
    DecodedBitmap d = DecodeTga(file);
    ASSERT_TRUE(d.ok());
    Project p = MakeDefaultProject(ProjectEnvironment());
    p.BackGroundSet = "2";
    p.BackgroundGradientMode = 2;
    p.BeginColor = 0x0000FF;
    p.EndColor = 0xFF8000;
    for (int mode : {kPlaceTiled, kPlaceRandom, kPlaceCentred}) {
        SCOPED_TRACE(mode);
        Composer composer;
        composer.SeedRandomForTesting(7);
        Surface bg(40, 30);
        composer.DrawVideoBackground(bg, p);
        Surface s = bg;
        composer.DrawImageFile(s, path, mode, 0, 0);
        EXPECT_FALSE(composer.storedRandomPosition.has_value());  // consumed
        int ox = 0, oy = 0;
        if (mode == kPlaceRandom) {
            std::mt19937_64 rng(7);
            std::uniform_real_distribution<double> u(0.0, 1.0);
            double r1 = u(rng), r2 = u(rng);
            ox = nearest(31 * r1);
            oy = nearest(23 * r2);
        } else if (mode == kPlaceCentred) {
            ox = nearest(31 / 2.0);
            oy = nearest(23 / 2.0);
        }
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) {
                uint32_t a = d.alpha[static_cast<size_t>(y) * 9 + x],
                         pic = d.picture.pixels.pixel(x, y), sur = bg.pixel(ox + x, oy + y);
                uint32_t want = 0xFF000000u;
                for (int c = 0; c < 24; c += 8) {
                    uint32_t pc = (pic >> c) & 0xFF, sc = (sur >> c) & 0xFF;
                    uint32_t v = a == 255 ? pc : a == 0 ? sc : ((255 - a) * sc + a * pc + 255) >> 8;
                    want |= v << c;
                }
                ASSERT_EQ(s.pixel(ox + x, oy + y), want) << x << "," << y;
            }
    }
    // The builder does not convert it (no bitmap for 32 bits).
    std::string msg;
    EXPECT_FALSE(ConvertImageFile(path, FixtureDir() + "/blend32.jpg", "TGA", "JPG", 92, msg));
}

TEST(Composer, TransparentCodecPicturesBlendOverTheBackground) {
    std::string png = FixtureDir() + "/half-green.png";
    ASSERT_EQ(RunShell(ImageMagick() + " -size 4x4 xc:'rgba(0,255,0,0.5)' 'PNG32:" + png + "'"), 0);
    Composer composer;
    Surface s(4, 4, Rgb(200, 0, 0));
    composer.DrawImageFile(s, png, kPlaceTiled);
    uint32_t p = s.pixel(1, 1);
    EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 100, 1);
    EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 128, 1);
}

TEST(Composer, Backgrounds) {
    Composer composer;
    // Solid.
    Surface s(8, 6, 0xFF000000u);
    composer.DrawVideoBackground(s, SolidProject(0x332211));
    EXPECT_EQ(s, Surface(8, 6, Rgb(0x11, 0x22, 0x33)));
    // Gradient: the raster gradient of the two colours, every direction.
    Project g = SolidProject(0);
    g.BackGroundSet = "2";
    g.BeginColor = 0x0000FF;
    g.EndColor = 0x00FF00;
    for (int mode = 0; mode < 4; ++mode) {
        g.BackgroundGradientMode = mode;
        Surface want(8, 6);
        FillGradient(want, mode, ToArgb(g.BeginColor, 255), ToArgb(g.EndColor, 255));
        composer.DrawVideoBackground(s, g);
        EXPECT_EQ(s, want) << mode;
        composer.DrawVideoBackground(s, g);  // again, from the kept result
        EXPECT_EQ(s, want) << mode;
    }
    // Picture: tiled; a path of 7 characters or fewer, or a missing file,
    // draws nothing (the surface keeps what it had).
    Project pic = SolidProject(0);
    pic.BackGroundSet = "3";
    pic.BackgroundDrawScale = kPlaceTiled;
    pic.BackGroundPicture = PcxPicture("bg.pcx", 3, 2);
    Surface t(7, 5, 0xFF000000u);
    composer.DrawVideoBackground(t, pic);
    EXPECT_EQ(t.pixel(4, 3), PcxPixel(1, 1));
    for (std::string path : {"/a.pcx", "/tmp/missing-bg.pcx"}) {
        pic.BackGroundPicture = path;
        Surface u(7, 5, 0xFF010203u);
        composer.DrawVideoBackground(u, pic);
        EXPECT_EQ(u, Surface(7, 5, 0xFF010203u)) << path;
    }
}

TEST(Composer, PhotoSlideLayersAndCaption) {
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    p.BackGroundSet = "1";
    p.SolidColor = 0x00FF00;
    p.ImgDrawScale = kPlaceCentred;
    PhotoEntry e = NewPhotoEntry(PcxPicture("slide.pcx", 6, 4), p, env);
    e.Caption = "你好";
    e.CapPos = {100, 50, 400, 80};
    p.photos.push_back(e);
    PhotoEntry missing = NewPhotoEntry(FixtureDir() + "/gone.pcx", p, env);
    p.photos.push_back(missing);
    p.style(1).fFontSize = 57;
    p.style(1).fBorderWidth = 3;
    p.style(1).BorderColor = 0x010203;

    RecordingText text;
    Composer composer(&text);
    FrameScale scale{0.5, 0.25, 0.25};
    Surface s(20, 10);
    composer.ComposePhotoSlide(p, 1, s, scale);
    EXPECT_EQ(s.pixel(0, 0), Rgb(0, 255, 0));
    EXPECT_EQ(s.pixel(7, 3), PcxPixel(0, 0));
    ASSERT_EQ(text.requests.size(), 1u);
    const TextDrawRequest& r = text.requests[0];
    EXPECT_EQ(r.text, "你好");
    EXPECT_DOUBLE_EQ(r.x, 50);
    EXPECT_DOUBLE_EQ(r.y, 12.5);
    EXPECT_DOUBLE_EQ(r.width, 200);
    EXPECT_DOUBLE_EQ(r.height, 20);
    EXPECT_DOUBLE_EQ(r.emSize, 14);  // round(57 × 0.25 = 14.25)
    EXPECT_EQ(r.borderWidth, 1);     // round(0.75)
    EXPECT_EQ(r.borderColour, 0xAA030201u);
    EXPECT_EQ(r.firstColour >> 24, 0xFFu);
    EXPECT_TRUE(r.antiAlias);
    EXPECT_FALSE(r.clear);
    EXPECT_FALSE(r.borderSuppressed);

    // Captions off: no text. A missing photo: background only. No renderer: no text.
    p.EnableCaption = false;
    composer.ComposePhotoSlide(p, 1, s, scale);
    EXPECT_EQ(text.requests.size(), 1u);
    composer.ComposePhotoSlide(p, 2, s, scale);
    EXPECT_EQ(s, Surface(20, 10, Rgb(0, 255, 0)));
    composer.ComposePhotoSlide(p, 3, s, scale);
    EXPECT_EQ(s, Surface(20, 10, Rgb(0, 255, 0)));
}

TEST(Composer, CachesNeverChangeAPixel) {
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    p.BackGroundSet = "3";
    p.BackgroundDrawScale = kPlaceStretch;
    p.BackGroundPicture = PcxPicture("cache-bg.pcx", 9, 5);
    p.ImgDrawScale = kPlaceFit;
    std::string photo = FixtureDir() + "/cache.jpg";
    ASSERT_EQ(RunShell(ImageMagick() + " -size 640x480 plasma: -seed 3 '" + photo + "'"), 0);
    p.photos.push_back(NewPhotoEntry(photo, p, env));
    Composer warm;
    Surface a(200, 120), b(200, 120);
    warm.ComposePhotoSlide(p, 1, a, {});
    warm.ComposePhotoSlide(p, 1, a, {});
    Composer cold;
    cold.ComposePhotoSlide(p, 1, b, {});
    EXPECT_EQ(a, b);
    // A changed file is decoded again.
    ASSERT_EQ(RunShell(ImageMagick() + " -size 640x480 xc:navy '" + photo + "'"), 0);
    std::filesystem::last_write_time(
        photo, std::filesystem::last_write_time(photo) + std::chrono::seconds(5));
    warm.ComposePhotoSlide(p, 1, a, {});
    EXPECT_NEAR(static_cast<int>(a.pixel(100, 60) & 0xFF), 128, 3);
}
