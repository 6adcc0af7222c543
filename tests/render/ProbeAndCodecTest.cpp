// Probing, the codec route (BMP, JPG, GIF, PNG, TIF), BMP variants against
// ImageMagick, the builder's conversions and the thumbnail entry point.
#include <gtest/gtest.h>

#include "RenderFixtures.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "render/ImageLoader.h"
#include "render/ImageProbe.h"
#include "render/Jpeg.h"
#include "render/qt/QtImageCodec.h"

using namespace velmora::render;
using namespace velmora::render::fixtures;

namespace {

const bool kCodec = (InstallQtImageCodec(), true);

// Runs ImageMagick with args and the fixture's path as output; a last word
// in capitals ending in ':' ("BMP3:", "PNG32:") names the output coder.
std::string Magick(const std::string& name, const std::string& args) {
    std::string path = FixtureDir() + "/" + name;
    const size_t space = args.find_last_of(' ');
    const std::string last = space == std::string::npos ? args : args.substr(space + 1);
    const bool coder = !last.empty() && last.back() == ':' && last[0] >= 'A' && last[0] <= 'Z';
    if (RunShell(ImageMagick() + " " + args + (coder ? "'" : " '") + path + "'") != 0)
        return {};
    return path;
}

}  // namespace

TEST(Probe, ReportsFormatSizeAndDepth) {
    ASSERT_TRUE(kCodec);
    struct Case {
        const char* name;
        const char* args;
        const char* format;
        int depth;
    } cases[] = {
        {"pr1.bmp", "-size 21x13 pattern:checkerboard -type Bilevel BMP3:", "BMP", 1},
        {"pr4.bmp", "-size 21x13 plasma: -colors 16 -type Palette BMP3:", "BMP", 4},
        {"pr8.bmp", "-size 21x13 plasma: -colors 200 -type Palette BMP3:", "BMP", 8},
        {"pr24.bmp", "-size 21x13 plasma: -type TrueColor BMP3:", "BMP", 24},
        {"pr24.jpg", "-size 21x13 plasma: ", "JPG", 24},
        {"pr8.jpg", "-size 21x13 plasma: -colorspace Gray", "JPG", 8},
        {"pr.gif", "-size 21x13 plasma: ", "GIF", 8},
        {"pr24.png", "-size 21x13 plasma: -type TrueColor PNG24:", "PNG", 24},
        {"pr32.png", "-size 21x13 plasma: -alpha set -channel A -evaluate set 50% PNG32:", "PNG",
         32},
        {"pr8.png", "-size 21x13 plasma: -colors 100 PNG8:", "PNG", 8},
        {"pr48.png", "-size 21x13 plasma: -depth 16 PNG48:", "PNG", 0},
        {"pr24.tif", "-size 21x13 plasma: -depth 8 -type TrueColor", "TIF", 24},
        {"pr48.tif", "-size 21x13 plasma: -depth 16 -type TrueColor", "TIF", 0},
        {"pr.tga", "-size 21x13 plasma: -type TrueColor", "TGA", 24},
        {"pr.pcx", "-size 21x13 plasma: -type TrueColor", "PCX", 24},
        {"pr8.pcx", "-size 21x13 plasma: -type Palette", "PCX", 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = Magick(c.name, c.args);
        ASSERT_FALSE(path.empty());
        ImageProbeResult r = ProbeImageFile(path, true);
        EXPECT_EQ(r.FormatName, c.format);
        EXPECT_EQ(r.Width, 21);
        EXPECT_EQ(r.Height, 13);
        EXPECT_EQ(r.BitDepth, c.depth);
    }
}

TEST(Probe, HeaderRulesAndShortPaths) {
    // A colour-mapped TGA whose pixels are not 8 bits is not a TGA.
    std::vector<uint8_t> t = MakeTga({1, 8, 24, 4, false, 4, 4});
    t[16] = 16;
    EXPECT_EQ(ProbeImageBytes(t, t.size()).FormatName, "UnKnown");
    // One pixel wide or high: not a TGA by the header test.
    std::vector<uint8_t> narrow = MakeTga({2, 24, 0, 0, false, 1, 4});
    EXPECT_EQ(ProbeImageBytes(narrow, narrow.size()).FormatName, "UnKnown");
    // PCX: width from the extents, depth 24 for several planes.
    std::vector<uint8_t> p = MakePcx({8, 3, 30, 20});
    ImageProbeResult r = ProbeImageBytes(p, p.size());
    EXPECT_EQ(r.FormatName, "PCX");
    EXPECT_EQ(r.Width, 30);
    EXPECT_EQ(r.BitDepth, 24);
    // Files of 18 bytes (TGA) or 30 bytes (PCX) are too short.
    std::vector<uint8_t> tga18(t.begin(), t.begin() + 18);
    tga18[16] = 8;
    EXPECT_EQ(ProbeImageBytes(tga18, 18).FormatName, "UnKnown");
    std::vector<uint8_t> pcx30(p.begin(), p.begin() + 30);
    EXPECT_EQ(ProbeImageBytes(pcx30, 30).FormatName, "UnKnown");
    std::vector<uint8_t> pcx31(p.begin(), p.begin() + 31);
    EXPECT_EQ(ProbeImageBytes(pcx31, 31).FormatName, "PCX");
    // A path of fewer than 8 characters (trailing blanks cut) is never opened.
    std::string dir = FixtureDir();
    std::string shortName = "/tmp/a.tga";
    velmora::WriteFileAtomically("/tmp/a.tga", MakeTga({2, 24, 0, 0, false, 4, 4}));
    EXPECT_EQ(ProbeImageFile(shortName).FormatName, "TGA");
    std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path("/tmp");
    EXPECT_EQ(ProbeImageFile("a.tga   ").FormatName, "UnKnown");
    std::filesystem::current_path(cwd);
    std::filesystem::remove("/tmp/a.tga");
    EXPECT_EQ(ProbeImageFile(dir + "/missing-file.png").FormatName, "UnKnown");
}

TEST(CodecRoute, BmpVariantsMatchImageMagick) {
    struct Case {
        const char* name;
        const char* args;  // empty: written by the fixture code
    } cases[] = {
        {"b1.bmp", "-size 23x9 pattern:gray50 -type Bilevel BMP3:"},
        {"b4.bmp", "-size 23x9 plasma: -colors 16 -type Palette BMP3:"},
        {"b8.bmp", "-size 23x9 plasma: -colors 200 -type Palette BMP3:"},
        {"b8rle.bmp", "-size 23x9 plasma: -colors 200 -type Palette -compress RLE BMP3:"},
        {"b16.bmp", "-size 23x9 plasma: -define bmp:subtype=RGB555 BMP:"},
        {"b16_565.bmp", "-size 23x9 plasma: -define bmp:subtype=RGB565 BMP:"},
        {"b24.bmp", "-size 23x9 plasma: -type TrueColor BMP3:"},
        {"b32.bmp", "-size 23x9 plasma: -type TrueColorAlpha -alpha opaque BMP:"},
        {"b4rle.bmp", ""},
        {"btopdown.bmp", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        if (std::string(c.name) == "b4rle.bmp")
            path = WriteFixture(c.name, MakeBmpRle4(23, 9));
        else if (std::string(c.name) == "btopdown.bmp")
            path = WriteFixture(c.name, MakeBmpTopDown(23, 9));
        else
            path = Magick(c.name, c.args);
        ASSERT_FALSE(path.empty());
        LoadedImage img = LoadImageFile(path);
        ASSERT_TRUE(img.ok()) << img.message;
        ASSERT_EQ(img.picture.width(), 23);
        auto magick = MagickRgba("bmp", path, 23, 9);
        ASSERT_TRUE(magick);
        std::string first;
        // 16-bit BMPs: the Qt decoder widens 5- and 6-bit channels by a
        // shift (v << 3), ImageMagick by scaling; they differ by up to 7.
        const int tolerance = std::string(c.name).starts_with("b16") ? 7 : 0;
        EXPECT_EQ(CountDifferences(img.picture.pixels, *magick, nullptr, &first, tolerance), 0)
            << first;
    }
}

TEST(CodecRoute, CommonFormatsDecodeAndTransparencyIsPremultiplied) {
    for (const char* name : {"c.png", "c.gif", "c.tif", "c.jpg"}) {
        SCOPED_TRACE(name);
        std::string path = Magick(name, "-size 31x17 gradient:red-blue -depth 8");
        ASSERT_FALSE(path.empty());
        LoadedImage img = LoadImageFile(path);
        ASSERT_TRUE(img.ok()) << img.message;
        EXPECT_EQ(img.picture.width(), 31);
        EXPECT_FALSE(img.picture.hasAlpha);
        if (std::string(name) != "c.jpg" && std::string(name) != "c.gif") {
            auto magick = MagickRgba(velmora::FileTypeOf(name), path, 31, 17);
            ASSERT_TRUE(magick);
            EXPECT_EQ(CountDifferences(img.picture.pixels, *magick), 0);
        }
    }
    // Half-transparent red PNG: premultiplied, alpha in the X byte.
    std::string png = Magick("half.png", "-size 4x4 xc:'rgba(255,0,0,0.5)' PNG32:");
    LoadedImage img = LoadImageFile(png);
    ASSERT_TRUE(img.ok());
    EXPECT_TRUE(img.picture.hasAlpha);
    uint32_t p = img.picture.pixels.pixel(0, 0);
    EXPECT_NEAR(static_cast<int>(p >> 24), 128, 1);
    EXPECT_EQ((p >> 16) & 0xFF, p >> 24);
    // The route goes by extension and the codec by content: a PNG named .jpg loads,
    // a TGA named .png does not, a .jpeg is not a picture.
    std::string renamed = FixtureDir() + "/really-png.jpg";
    std::filesystem::copy_file(png, renamed, std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(LoadImageFile(renamed).ok());
    std::string tgaAsPng = WriteFixture("really-tga.png", MakeTga({2, 24, 0, 0, false, 4, 4}));
    EXPECT_FALSE(LoadImageFile(tgaAsPng).ok());
    std::string jpeg = FixtureDir() + "/c.jpeg";
    std::filesystem::copy_file(FixtureDir() + "/c.jpg", jpeg,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(LoadImageFile(jpeg).status, DecodeStatus::Unsupported);
}

TEST(CodecRoute, BrokenAndOversizedFilesAreRefusedWithAMessage) {
    // A PNG header claiming 40000 × 40000 pixels.
    std::vector<uint8_t> png = {0x89, 'P',  'N', 'G', '\r', '\n', 0x1A, '\n', 0,    0, 0,
                                13,   'I',  'H', 'D', 'R',  0,    0,    0x9C, 0x40, 0, 0,
                                0x9C, 0x40, 8,   2,   0,    0,    0,    0,    0,    0, 0};
    LoadedImage img = LoadImageBytes(png, ImageRoute::Codec);
    EXPECT_EQ(img.status, DecodeStatus::TooLarge);
    EXPECT_NE(img.message.find("1 GB"), std::string::npos);
    // A JPEG cut after its header, and garbage after a JPEG signature.
    std::string jpg = Magick("cut.jpg", "-size 64x64 plasma:");
    ASSERT_FALSE(jpg.empty());
    auto bytes = *velmora::ReadWholeFile(jpg);
    std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 20);
    img = LoadImageBytes(head, ImageRoute::Codec);
    EXPECT_FALSE(img.ok());
    EXPECT_FALSE(img.message.empty());
    std::vector<uint8_t> garbage = {0xFF, 0xD8, 0xFF, 0xE0, 0, 2, 1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(LoadImageBytes(garbage, ImageRoute::Codec).ok());
    // A JPEG cut in its data still gives a picture (the rest grey or black),
    // as photo viewers show it.
    std::vector<uint8_t> half(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2));
    img = LoadImageBytes(half, ImageRoute::Codec);
    EXPECT_TRUE(img.ok());
    EXPECT_EQ(img.picture.width(), 64);
}

TEST(Jpeg, DctScalingPicksTheSmallestPowerOfTwoCoveringTheTarget) {
    std::string jpg = Magick("big.jpg", "-size 800x600 plasma:");
    ASSERT_FALSE(jpg.empty());
    auto bytes = *velmora::ReadWholeFile(jpg);
    struct Case {
        int minW, minH, w, h;
    } cases[] = {{0, 0, 800, 600},  {400, 300, 400, 300}, {401, 300, 800, 600}, {100, 75, 100, 75},
                 {99, 10, 100, 75}, {101, 10, 200, 150},  {1, 1, 100, 75}};
    for (const Case& c : cases) {
        Picture p;
        std::string msg;
        ASSERT_EQ(DecodeJpeg(bytes, p, msg, c.minW, c.minH), DecodeStatus::Ok);
        EXPECT_EQ(p.width(), c.w) << c.minW << "x" << c.minH;
        EXPECT_EQ(p.height(), c.h);
    }
    // The quality reaches the encoder: a round trip at 92 stays much closer
    // to the source than one at 30.
    Picture full;
    std::string msg;
    ASSERT_EQ(DecodeJpeg(bytes, full, msg), DecodeStatus::Ok);
    auto meanError = [&](int quality) {
        std::vector<uint8_t> again;
        EXPECT_TRUE(EncodeJpeg(full.pixels, quality, again));
        Picture back;
        EXPECT_EQ(DecodeJpeg(again, back, msg), DecodeStatus::Ok);
        int64_t err = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                uint32_t a = full.pixels.pixel(x, y), b = back.pixels.pixel(x, y);
                for (int s = 0; s < 24; s += 8)
                    err += std::abs(static_cast<int>((a >> s) & 0xFF) -
                                    static_cast<int>((b >> s) & 0xFF));
            }
        return static_cast<double>(err) / (800 * 600 * 3);
    };
    const double at92 = meanError(kPackageJpegQuality), at30 = meanError(30);
    EXPECT_LT(at92, 4.0);
    EXPECT_LT(at92 * 1.5, at30);
}

TEST(Conversion, BuilderConvertsBmpPcxAndTgaButNot32BitTga) {
    const std::string dir = FixtureDir();
    std::string bmp = Magick("conv.bmp", "-size 40x30 plasma: -type TrueColor BMP3:");
    std::string pcx = WriteFixture("conv.pcx", MakePcx({8, 1, 40, 30}));
    std::string tga8 = WriteFixture("conv8.tga", MakeTga({1, 8, 24, 256, false, 40, 30}));
    std::string tga16 = WriteFixture("conv16.tga", MakeTga({10, 16, 0, 0, false, 40, 30}));
    std::string tga32 = WriteFixture("conv32.tga", MakeTga({2, 32, 0, 0, false, 40, 30}));
    for (const std::string& src : {bmp, pcx, tga8, tga16}) {
        SCOPED_TRACE(src);
        std::string msg;
        // PNG is lossless: the decode of the PNG is the decode of the source.
        ASSERT_TRUE(
            ConvertImageFile(src, dir + "/out.png", velmora::FileTypeOf(src), "png", 0, msg))
            << msg;
        LoadedImage a = LoadImageFile(src), b = LoadImageFile(dir + "/out.png");
        ASSERT_TRUE(b.ok());
        EXPECT_EQ(a.picture.pixels, b.picture.pixels);
        ASSERT_TRUE(ConvertImageFile(src, dir + "/out.jpg", velmora::FileTypeOf(src), "JPG",
                                     kPackageJpegQuality, msg))
            << msg;
        ImageProbeResult r = ProbeImageFile(dir + "/out.jpg");
        EXPECT_EQ(r.FormatName, "JPG");
        EXPECT_EQ(r.Width, 40);
    }
    std::string msg;
    EXPECT_FALSE(ConvertImageFile(tga32, dir + "/no.jpg", "TGA", "JPG", 92, msg));
    EXPECT_FALSE(velmora::FileExists(dir + "/no.jpg"));
    EXPECT_NE(msg.find("32"), std::string::npos);
    EXPECT_FALSE(ConvertImageFile(dir + "/c.png", dir + "/no.jpg", "PNG", "JPG", 92, msg));
    EXPECT_FALSE(ConvertImageFile(bmp, dir + "/no.gif", "BMP", "GIF", 92, msg));
    EXPECT_FALSE(ConvertImageFile(dir + "/absent.bmp", dir + "/no.jpg", "BMP", "JPG", 92, msg));
}

TEST(Thumbnail, FitsIntoTheBoxAndNeverEnlarges) {
    std::string jpg = Magick("thumb.jpg", "-size 640x480 plasma:");
    Picture t;
    std::string msg;
    ASSERT_TRUE(LoadThumbnail(jpg, 120, 120, t, msg)) << msg;
    EXPECT_EQ(t.width(), 120);
    EXPECT_EQ(t.height(), 90);
    std::string small = Magick("small.png", "-size 20x10 xc:green");
    ASSERT_TRUE(LoadThumbnail(small, 120, 120, t, msg));
    EXPECT_EQ(t.width(), 20);
    EXPECT_EQ(t.pixels.pixel(3, 3), Rgb(0, 128, 0));
    std::string tga32 = WriteFixture("thumb32.tga", MakeTga({2, 32, 0, 0, false, 300, 100}));
    ASSERT_TRUE(LoadThumbnail(tga32, 60, 60, t, msg));
    EXPECT_TRUE(t.hasAlpha);
    EXPECT_EQ(t.width(), 60);
    EXPECT_EQ(t.height(), 20);
    EXPECT_FALSE(LoadThumbnail(FixtureDir() + "/none.jpg", 60, 60, t, msg));
    EXPECT_FALSE(msg.empty());
}
