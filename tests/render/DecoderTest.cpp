// TGA and PCX decoders against ImageMagick's decode of the same files, the
// decoders' own rules where they part from it, and bad input.
#include <gtest/gtest.h>

#include "RenderFixtures.h"
#include "render/ImageLoader.h"
#include "render/ImageProbe.h"
#include "render/TgaPcx.h"

using namespace velmora::render;
using namespace velmora::render::fixtures;

namespace {

std::string TgaName(const TgaLayout& s) {
    return "t" + std::to_string(s.type) + "_" + std::to_string(s.depth) + "_m" +
           std::to_string(s.mapBits) + (s.topOrigin ? "_top" : "_bottom") + "_" +
           std::to_string(s.width) + "x" + std::to_string(s.height) + ".tga";
}

}  // namespace

TEST(TgaDecoder, MatchesImageMagickForEveryTypeDepthAndOrigin) {
    std::vector<TgaLayout> layouts;
    for (bool top : {false, true}) {
        for (int type : {1, 9})
            for (int map : {15, 16, 24, 32})
                layouts.push_back({type, 8, map, 256, top, 13, 7});
        layouts.push_back({1, 8, 24, 40, top, 9, 5});  // short colour map
        for (int type : {2, 10})
            for (int depth : {16, 24, 32})
                layouts.push_back({type, depth, 0, 0, top, 13, 7});
        for (int type : {3, 11})
            layouts.push_back({type, 8, 0, 0, top, 13, 7});
        layouts.push_back({10, 24, 0, 0, top, 1, 9});  // one-pixel-wide
    }
    for (const TgaLayout& s : layouts) {
        SCOPED_TRACE(TgaName(s));
        std::vector<uint8_t> file = MakeTga(s);
        std::string path = WriteFixture(TgaName(s), file);
        DecodedBitmap d = DecodeTga(file);
        ASSERT_TRUE(d.ok()) << d.message;
        ASSERT_EQ(d.picture.width(), s.width);
        ASSERT_EQ(d.picture.height(), s.height);
        auto magick = MagickRgba("tga", path, s.width, s.height);
        ASSERT_TRUE(magick) << "ImageMagick could not read " << path;
        // 5-bit channels: ImageMagick widens them as floor(v × 255 / 31), we
        // by bit replication; the two differ by one at most.
        const bool fiveBit = s.depth == 16 || s.mapBits == 15 || s.mapBits == 16;
        std::string first;
        EXPECT_EQ(CountDifferences(d.picture.pixels, *magick, s.depth == 32 ? &d.alpha : nullptr,
                                   &first, fiveBit ? 1 : 0),
                  0)
            << first;
        EXPECT_EQ(d.bitCount, s.depth == 24 ? 32 : s.depth);
    }
}

TEST(TgaDecoder, ReadsFilesImageMagickWrites) {
    struct Case {
        const char* name;
        const char* args;
    } cases[] = {
        {"im_truecolor.tga", "-type TrueColor"},
        {"im_truecolor_rle.tga", "-type TrueColor -compress RLE"},
        {"im_palette.tga", "-type Palette"},
        {"im_palette_rle.tga", "-type Palette -compress RLE"},
        {"im_grey.tga", "-type Grayscale"},
        {"im_grey_rle.tga", "-type Grayscale -compress RLE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = FixtureDir() + "/" + c.name;
        ASSERT_EQ(RunShell(ImageMagick() + " -size 17x11 plasma:fractal -seed 4 " + c.args +
                           " 'tga:" + path + "'"),
                  0);
        auto bytes = MagickRgba("tga", path, 17, 11);
        ASSERT_TRUE(bytes);
        LoadedImage img = LoadImageFile(path);
        ASSERT_TRUE(img.ok()) << img.message;
        std::string first;
        EXPECT_EQ(CountDifferences(img.picture.pixels, *bytes, nullptr, &first), 0) << first;
    }
}

TEST(TgaDecoder, PartsFromImageMagickWhereTheFormatRulesSay) {
    // 15-bit true colour decodes to nothing (ImageMagick reads it).
    TgaLayout fifteen{2, 15, 0, 0, false, 6, 4};
    DecodedBitmap d = DecodeTga(MakeTga(fifteen));
    EXPECT_EQ(d.status, DecodeStatus::Unsupported);
    // ...but probes as a TGA of depth 15.
    std::vector<uint8_t> f = MakeTga(fifteen);
    ImageProbeResult p = ProbeImageBytes(f, f.size());
    EXPECT_EQ(p.FormatName, "TGA");
    EXPECT_EQ(p.BitDepth, 15);
    // A 16-bit pixel's top bit is not alpha: the colour is drawn whatever it says.
    TgaLayout sixteen{2, 16, 0, 0, false, 2, 2};
    std::vector<uint8_t> t = MakeTga(sixteen);
    size_t px = 18 + 3;
    t[px] = 0x1F;
    t[px + 1] = 0x00;  // blue, top bit clear
    d = DecodeTga(t);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.picture.pixels.pixel(0, 1), 0xFF0000FFu);
    // Bit replication of 5-bit channels: 0 -> 0, 1 -> 8, 24 -> 198, 31 -> 255.
    t[px] = static_cast<uint8_t>(24 << 5 | 1);
    t[px + 1] = static_cast<uint8_t>(0x80 | 31 << 2 | 24 >> 3);
    d = DecodeTga(t);
    EXPECT_EQ(d.picture.pixels.pixel(0, 1), Rgb(255, 198, 8));
}

TEST(TgaDecoder, GreyRampWithoutColourMapAndBlackPastTheMap) {
    // Type 1, 8-bit, no colour map entries: index i is grey i.
    std::vector<uint8_t> f = {0, 0, 1, 0, 0, 0, 0,    0, 0, 0,   0,
                              0, 2, 0, 2, 0, 8, 0x20, 0, 7, 200, 255};
    DecodedBitmap d = DecodeTga(f);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.picture.pixels.pixel(1, 0), Rgb(7, 7, 7));
    EXPECT_EQ(d.picture.pixels.pixel(0, 1), Rgb(200, 200, 200));
    // A two-entry colour map and an index of 5: black.
    std::vector<uint8_t> g = {0,    1, 1, 0, 0, 2, 0, 24,           0, 0, 0, 0, 2, 0, 2, 0, 8,
                              0x20, 1, 2, 3, 4, 5, 6, /*pixels*/ 0, 1, 5, 1};
    d = DecodeTga(g);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.picture.pixels.pixel(0, 0), Rgb(3, 2, 1));
    EXPECT_EQ(d.picture.pixels.pixel(1, 0), Rgb(6, 5, 4));
    EXPECT_EQ(d.picture.pixels.pixel(0, 1), Rgb(0, 0, 0));
}

TEST(TgaDecoder, TrueColourWithAColourMapSkipsTheMap) {
    // Type 2 with a 2-entry, 24-bit colour map before the pixels.
    std::vector<uint8_t> f = {0, 1, 2, 0, 0, 2, 0, 24,           0,  0, 0, 0, 1, 0, 1, 0, 24,
                              0, 9, 9, 9, 9, 9, 9, /*pixel*/ 10, 20, 30};
    DecodedBitmap d = DecodeTga(f);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.picture.pixels.pixel(0, 0), Rgb(30, 20, 10));
}

TEST(PcxDecoder, MatchesImageMagick) {
    std::vector<PcxLayout> layouts;
    for (int w : {13, 8, 1}) {
        layouts.push_back({1, 1, w, 5, true});
        layouts.push_back({4, 1, w, 5, true});
        layouts.push_back({8, 1, w, 5, true});
        layouts.push_back({8, 1, w, 5, false});
        layouts.push_back({8, 3, w, 5, true});
        layouts.push_back({8, 3, w, 5, false});
    }
    for (const PcxLayout& s : layouts) {
        std::string name = "p" + std::to_string(s.bits) + "x" + std::to_string(s.planes) + "_" +
                           std::to_string(s.width) + (s.rle ? "_rle" : "_raw") + ".pcx";
        SCOPED_TRACE(name);
        std::vector<uint8_t> file = MakePcx(s);
        std::string path = WriteFixture(name, file);
        DecodedBitmap d = DecodePcx(file);
        ASSERT_TRUE(d.ok()) << d.message;
        auto magick = MagickRgba("pcx", path, s.width, s.height);
        ASSERT_TRUE(magick);
        // 1 bit: index 0 is black and 1 white; ImageMagick reads them the
        // other way round (whatever the header palette says).
        if (s.bits == 1)
            for (size_t i = 0; i < magick->size(); ++i)
                if (i % 4 != 3)
                    (*magick)[i] = static_cast<uint8_t>(255 - (*magick)[i]);
        std::string first;
        EXPECT_EQ(CountDifferences(d.picture.pixels, *magick, nullptr, &first), 0) << first;
        EXPECT_EQ(d.bitCount, s.planes == 3 ? 32 : s.bits);
    }
}

TEST(PcxDecoder, ReadsFilesImageMagickWrites) {
    for (const char* args : {"-type TrueColor", "-type Palette", "-type Bilevel"}) {
        SCOPED_TRACE(args);
        std::string path =
            FixtureDir() + "/im_" + std::to_string(std::string(args).size()) + ".pcx";
        ASSERT_EQ(RunShell(ImageMagick() + " -size 19x9 plasma:fractal -seed 2 " + args +
                           " 'pcx:" + path + "'"),
                  0);
        auto bytes = MagickRgba("pcx", path, 19, 9);
        ASSERT_TRUE(bytes);
        LoadedImage img = LoadImageFile(path);
        ASSERT_TRUE(img.ok()) << img.message;
        std::string first;
        EXPECT_EQ(CountDifferences(img.picture.pixels, *bytes, nullptr, &first), 0) << first;
    }
}

TEST(PcxDecoder, FormatRules) {
    // 8 bits without the palette marker: a grey ramp.
    PcxLayout s{8, 1, 6, 3, false, false};
    std::vector<uint8_t> f = MakePcx(s);
    DecodedBitmap d = DecodePcx(f);
    ASSERT_TRUE(d.ok());
    uint8_t v = f[128];
    EXPECT_EQ(d.picture.pixels.pixel(0, 0), Rgb(v, v, v));
    // 1 bit is black and white whatever the header palette says.
    PcxLayout mono{1, 1, 8, 1, false};
    f = MakePcx(mono);
    for (int i = 16; i < 64; ++i)
        f[i] = 0x77;
    f[128] = 0x80;
    d = DecodePcx(f);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.picture.pixels.pixel(0, 0), Rgb(255, 255, 255));
    EXPECT_EQ(d.picture.pixels.pixel(1, 0), Rgb(0, 0, 0));
    // Several planes at 1 or 4 bits, and 2 planes at 8: nothing is decoded.
    for (auto [bits, planes] : {std::pair{1, 4}, {4, 2}, {1, 3}, {8, 2}, {2, 1}}) {
        PcxLayout u{bits, planes, 8, 2, true};
        EXPECT_EQ(DecodePcx(MakePcx(u)).status, DecodeStatus::Unsupported) << bits << "x" << planes;
    }
    // A run of 192 is a run of no bytes.
    PcxLayout z{8, 1, 2, 1, true, false};
    f = MakePcx(z);
    f.resize(128);
    f.insert(f.end(), {192, 99, 5, 6});
    d = DecodePcx(f);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.picture.pixels.pixel(0, 0), Rgb(5, 5, 5));
    EXPECT_EQ(d.picture.pixels.pixel(1, 0), Rgb(6, 6, 6));
}

TEST(BadInput, TruncatedAndLyingFilesNeverReadPastTheirBytes) {
    // Every prefix of every variant: either a clean failure or a picture of
    // the header's size with the missing part black.
    std::vector<std::vector<uint8_t>> files = {
        MakeTga({10, 32, 0, 0, false, 9, 6}), MakeTga({9, 8, 24, 256, true, 9, 6}),
        MakeTga({2, 16, 0, 0, false, 9, 6}),  MakePcx({8, 3, 9, 6, true}),
        MakePcx({8, 1, 9, 6, true}),          MakePcx({4, 1, 9, 6, false})};
    for (size_t k = 0; k < files.size(); ++k) {
        const bool tga = k < 3;
        for (size_t n = 0; n <= files[k].size(); ++n) {
            std::vector<uint8_t> part(files[k].begin(), files[k].begin() + static_cast<long>(n));
            DecodedBitmap d = tga ? DecodeTga(part) : DecodePcx(part);
            if (d.ok()) {
                EXPECT_EQ(d.picture.width(), 9);
                EXPECT_EQ(d.picture.height(), 6);
            } else {
                EXPECT_FALSE(d.message.empty());
            }
        }
    }
    // Run-length data that ends early leaves the rest black.
    std::vector<uint8_t> t = MakeTga({10, 24, 0, 0, true, 4, 4});
    t.resize(18 + 3 + 4);  // one packet byte and one pixel
    t[21] = 0x81;          // a run of 2
    DecodedBitmap d = DecodeTga(t);
    ASSERT_TRUE(d.ok());
    EXPECT_NE(d.picture.pixels.pixel(1, 0), 0xFF000000u);
    EXPECT_EQ(d.picture.pixels.pixel(2, 0), 0xFF000000u);
    EXPECT_EQ(d.picture.pixels.pixel(3, 3), 0xFF000000u);
}

TEST(BadInput, RunsPastTheRowOrTheImageStopAtTheImage) {
    // A TGA run of 128 pixels in a 3 × 2 image, then more data.
    std::vector<uint8_t> t = {0, 0, 10, 0,  0,    0,    0, 0, 0, 0,    0, 0, 3,
                              0, 2, 0,  24, 0x20, 0xFF, 1, 2, 3, 0x7F, 9, 9, 9};
    DecodedBitmap d = DecodeTga(t);
    ASSERT_TRUE(d.ok());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(d.picture.pixels.pixel(x, y), Rgb(3, 2, 1));
    // A PCX run of 63 bytes in rows of 2 bytes carries over into later rows
    // and stops at the last row.
    std::vector<uint8_t> p = MakePcx({8, 1, 2, 3, true, false});
    p.resize(128);
    p.insert(p.end(), {255, 40, 255, 50});
    d = DecodePcx(p);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.picture.pixels.pixel(1, 2), Rgb(40, 40, 40));
}

TEST(BadInput, ZeroAndHugeDimensions) {
    struct Case {
        std::vector<uint8_t> file;
        bool tga;
        DecodeStatus expect;
    };
    auto tgaOf = [](int w, int h) {
        std::vector<uint8_t> f = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        Put16(f, static_cast<uint32_t>(w));
        Put16(f, static_cast<uint32_t>(h));
        f.push_back(24);
        f.push_back(0);
        f.insert(f.end(), {1, 2, 3});
        return f;
    };
    auto pcxOf = [](int w, int h, int bpl) {
        std::vector<uint8_t> f = MakePcx({8, 3, 2, 2, false});
        f[8] = static_cast<uint8_t>(w - 1);
        f[9] = static_cast<uint8_t>((w - 1) >> 8);
        f[10] = static_cast<uint8_t>(h - 1);
        f[11] = static_cast<uint8_t>((h - 1) >> 8);
        f[66] = static_cast<uint8_t>(bpl);
        f[67] = static_cast<uint8_t>(bpl >> 8);
        return f;
    };
    std::vector<Case> cases = {
        {tgaOf(0, 5), true, DecodeStatus::Unsupported},
        {tgaOf(5, 0), true, DecodeStatus::Unsupported},
        {tgaOf(0x8000, 4), true, DecodeStatus::Unsupported},  // negative as a 16-bit value
        {tgaOf(32767, 32767), true, DecodeStatus::TooLarge},
        {pcxOf(0, 4, 2), false, DecodeStatus::Unsupported},
        {pcxOf(30000, 30000, 30000), false, DecodeStatus::TooLarge},
        {pcxOf(4, 4, 0), false, DecodeStatus::Unsupported},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        DecodedBitmap d = cases[i].tga ? DecodeTga(cases[i].file) : DecodePcx(cases[i].file);
        EXPECT_EQ(d.status, cases[i].expect) << "case " << i;
        EXPECT_FALSE(d.message.empty());
    }
    // Too-large pictures say so in the message.
    EXPECT_NE(DecodeTga(tgaOf(32767, 32767)).message.find("1 GB"), std::string::npos);
    // A PCX whose bytes per line are fewer than its width needs: the rest black.
    DecodedBitmap d = DecodePcx(pcxOf(6, 2, 2));
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.picture.pixels.pixel(5, 0), 0xFF000000u);
}
