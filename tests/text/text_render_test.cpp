// The styled text renderer: layout measured on the drawn pixels (alignment,
// wrapping, outline width), fills, clipping, font fallback and the cache.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/Raster.h"
#include "render/Surface.h"
#include "render/TextRenderer.h"
#include "render/qt/QtTextRenderer.h"

using namespace velmora;
using namespace velmora::render;

namespace {

constexpr uint32_t kBackground = 0xFF204060u;

struct Ink {
    int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;  // inclusive
    bool any() const { return right >= 0; }
    int32_t width() const { return right - left + 1; }
    int32_t height() const { return bottom - top + 1; }
};

// A pixel counts as ink when a channel differs from the background by more
// than a quarter (the faint anti-aliased fringe of an edge does not).
bool IsInk(uint32_t p, uint32_t background) {
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((p >> shift) & 0xFF);
        const int b = static_cast<int>((background >> shift) & 0xFF);
        if (std::abs(a - b) > 64)
            return true;
    }
    return false;
}

Ink InkOf(const Surface& s, uint32_t background = kBackground) {
    Ink ink;
    for (int32_t y = 0; y < s.height(); ++y)
        for (int32_t x = 0; x < s.width(); ++x)
            if (IsInk(s.pixel(x, y), background)) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

std::vector<uint8_t> Rainbow() {
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/assets/gmi/rainbow.jpg", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

TextDrawRequest Request(const std::string& text, int32_t align, double x, double y, double w,
                        double h) {
    TextDrawRequest r;
    r.text = text;
    r.alignment = align;
    r.fontName = "Noto Sans CJK SC";
    r.emSize = 40;
    r.fontStyle = 1;
    r.x = x;
    r.y = y;
    r.width = w;
    r.height = h;
    r.fillPattern = 0;
    r.firstColour = 0xFFFFFFFFu;
    r.secondColour = 0xFF0000FFu;
    r.borderColour = 0xAA010101u;
    return r;
}

class TextRender : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
    QtTextRenderer text{Rainbow()};
};

}  // namespace

TEST_F(TextRender, InkLiesInsideTheRectangleAtEveryAlignment) {
    const Rect box{100, 80, 600, 300};
    for (int32_t align = 0; align <= 8; ++align) {
        Surface s(800, 480, kBackground);
        text.DrawText(s, Request("Velmora 幻灯 Ég", align, box.x, box.y, box.w, box.h));
        Ink ink = InkOf(s);
        ASSERT_TRUE(ink.any()) << align;
        EXPECT_GE(ink.left, box.x) << align;
        EXPECT_GE(ink.top, box.y) << align;
        EXPECT_LT(ink.right, box.x + box.w) << align;
        EXPECT_LT(ink.bottom, box.y + box.h) << align;
        // Where the alignment puts it: near the named edges, centred
        // otherwise (within a few pixels of side bearing and line gap).
        const int h = align % 3, v = align / 3;
        const double cx = (ink.left + ink.right) / 2.0, cy = (ink.top + ink.bottom) / 2.0;
        if (h == 0) {
            EXPECT_LT(ink.left - box.x, 8) << align;
        }
        if (h == 1) {
            EXPECT_NEAR(cx, box.x + box.w / 2.0, 4) << align;
        }
        if (h == 2) {
            EXPECT_LT(box.x + box.w - 1 - ink.right, 8) << align;
        }
        if (v == 0) {
            EXPECT_LT(ink.top - box.y, 20) << align;
        }
        if (v == 1) {
            EXPECT_NEAR(cy, box.y + box.h / 2.0, 8) << align;
        }
        if (v == 2) {
            EXPECT_LT(box.y + box.h - 1 - ink.bottom, 20) << align;
        }
    }
}

TEST_F(TextRender, WrappingKeepsWordsAndCjkCharactersWhole) {
    struct Case {
        std::string text;
        double width;
    };
    const Case cases[] = {
        {"alpha beta gamma delta epsilon zeta", 260},
        {"这是一行很长的中文字幕需要换行显示", 250},
        {"Velmora图片幻灯 makes slideshows 很快", 300},
    };
    for (const Case& c : cases) {
        TextDrawRequest r = Request(c.text, 0, 20, 20, c.width, 600);
        std::vector<std::string> lines = text.LineTexts(r);
        ASSERT_GT(lines.size(), 1u) << c.text;
        // The lines together are the text: nothing lost, nothing doubled.
        std::string joined;
        for (const std::string& l : lines)
            joined += l;
        EXPECT_EQ(joined, c.text);
        // A break falls after a space or between two CJK characters or
        // between CJK and Latin, never inside a Latin word.
        for (size_t k = 0; k + 1 < lines.size(); ++k) {
            const std::string& a = lines[k];
            const std::string& b = lines[k + 1];
            const bool latinA = !a.empty() && static_cast<unsigned char>(a.back()) < 0x80 &&
                                std::isalnum(static_cast<unsigned char>(a.back()));
            const bool latinB = !b.empty() && static_cast<unsigned char>(b.front()) < 0x80 &&
                                std::isalnum(static_cast<unsigned char>(b.front()));
            EXPECT_FALSE(latinA && latinB) << "word split between '" << a << "' and '" << b << "'";
        }
        // Each drawn line fits the rectangle's width.
        Surface s(640, 640, kBackground);
        text.DrawText(s, r);
        Ink ink = InkOf(s);
        EXPECT_GE(ink.left, 20);
        EXPECT_LT(ink.right, 20 + static_cast<int32_t>(c.width)) << c.text;
    }
}

TEST_F(TextRender, CrLfStartsANewLine) {
    TextDrawRequest one = Request("第一行", 0, 10, 10, 600, 300);
    TextDrawRequest two = Request("第一行\r\n第二行", 0, 10, 10, 600, 300);
    EXPECT_EQ(text.LineTexts(two).size(), 2u);
    Surface a(640, 320, kBackground), b(640, 320, kBackground);
    text.DrawText(a, one);
    text.DrawText(b, two);
    EXPECT_GT(InkOf(b).height(), InkOf(a).height() * 2 - 4);
}

TEST_F(TextRender, OutlineWidensTheInkByTheOutlineWidth) {
    for (int32_t bw : {2, 4, 6}) {
        Surface plain(600, 200, kBackground), outlined(600, 200, kBackground);
        TextDrawRequest r = Request("幻灯 Show", 4, 0, 0, 600, 200);
        r.borderColour = 0xFFFF0000u;  // opaque, so every stroked pixel counts
        text.DrawText(plain, r);
        r.borderWidth = bw;
        text.DrawText(outlined, r);
        Ink a = InkOf(plain), b = InkOf(outlined);
        EXPECT_NEAR(b.width() - a.width(), bw, 2) << bw;
        EXPECT_NEAR(b.height() - a.height(), bw, 2) << bw;
        r.borderSuppressed = true;
        Surface suppressed(600, 200, kBackground);
        text.DrawText(suppressed, r);
        EXPECT_EQ(suppressed, plain) << "border suppressed draws no outline";
    }
}

TEST_F(TextRender, MirroredHorizontalGradientShowsFirstColourAtBothEnds) {
    // A row of squares across most of the rectangle's width.
    Surface s(800, 120, 0xFF000000u);
    TextDrawRequest r = Request("■■■■■■■■■■■■", 4, 0, 0, 800, 120);
    r.emSize = 60;
    r.fillPattern = 12;
    r.firstColour = 0xFFFF0000u;   // red
    r.secondColour = 0xFF0000FFu;  // blue
    text.DrawText(s, r);
    Ink ink = InkOf(s, 0xFF000000u);
    ASSERT_TRUE(ink.any());
    ASSERT_GT(ink.width(), 600);
    // Mean red and blue of the ink in a band of columns.
    auto band = [&](int32_t x0, int32_t x1) {
        double red = 0, blue = 0;
        int n = 0;
        for (int32_t y = ink.top; y <= ink.bottom; ++y)
            for (int32_t x = x0; x < x1; ++x)
                if (IsInk(s.pixel(x, y), 0xFF000000u)) {
                    red += (s.pixel(x, y) >> 16) & 0xFF;
                    blue += s.pixel(x, y) & 0xFF;
                    ++n;
                }
        return std::pair<double, double>(red / std::max(n, 1), blue / std::max(n, 1));
    };
    // The gradient rectangle is half the layout width, mirrored: red at
    // both edges, blue in the middle.
    auto [lr, lb] = band(ink.left, ink.left + 60);
    auto [mr, mb] = band(370, 430);
    auto [rr, rb] = band(ink.right - 60, ink.right + 1);
    EXPECT_GT(lr, lb + 100);
    EXPECT_GT(rr, rb + 100);
    EXPECT_GT(mb, mr + 100);
}

TEST_F(TextRender, OddPatternDrawsOnlyTheOutline) {
    Surface s(400, 200, kBackground);
    TextDrawRequest r = Request("■", 4, 0, 0, 400, 200);
    r.emSize = 120;
    r.fillPattern = 5;
    r.borderWidth = 2;
    r.borderColour = 0xFFFF0000u;
    text.DrawText(s, r);
    Ink ink = InkOf(s);
    ASSERT_TRUE(ink.any());
    // The middle of the square is not filled.
    EXPECT_EQ(s.pixel((ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2), kBackground);
    // With the solid pattern it is.
    Surface f(400, 200, kBackground);
    r.fillPattern = 0;
    text.DrawText(f, r);
    EXPECT_EQ(f.pixel((ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2), 0xFFFFFFFFu);
}

TEST_F(TextRender, RainbowTextureFillsAndFollowsItsScale) {
    TextDrawRequest r = Request("████████", 4, 0, 0, 600, 160);
    r.emSize = 100;
    r.fillPattern = 2;
    Surface full(600, 160, 0xFF000000u), half(600, 160, 0xFF000000u);
    text.DrawText(full, r);
    r.textureScaleX = r.textureScaleY = 0.5;
    text.DrawText(half, r);
    ASSERT_TRUE(InkOf(full, 0xFF000000u).any());
    EXPECT_NE(full, half);
    // Without the texture the text stays unfilled (no border here: nothing).
    QtTextRenderer none;
    Surface empty(600, 160, 0xFF000000u);
    r.textureScaleX = r.textureScaleY = 1;
    none.DrawText(empty, r);
    EXPECT_FALSE(InkOf(empty, 0xFF000000u).any());
}

TEST_F(TextRender, ClipLimitsTheDrawing) {
    Surface s(600, 200, kBackground);
    TextDrawRequest r = Request("这是一行歌词（示例）", 4, 0, 0, 600, 200);
    r.clipped = true;
    r.clip = {0, 0, 300, 200};
    text.DrawText(s, r);
    Ink ink = InkOf(s);
    ASSERT_TRUE(ink.any());
    EXPECT_LT(ink.right, 300);
    Surface whole(600, 200, kBackground);
    r.clipped = false;
    text.DrawText(whole, r);
    EXPECT_GT(InkOf(whole).right, 300);
    // Inside the clip the two drawings agree.
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 300; ++x)
            ASSERT_EQ(s.pixel(x, y), whole.pixel(x, y));
}

TEST_F(TextRender, UnknownFontFallsBackToACjkFace) {
    const std::string cjk = CjkFallbackFamily();
    ASSERT_FALSE(cjk.empty()) << "no CJK font installed (fonts-noto-cjk)";
    TextDrawRequest r = Request("字幕 Caption", 4, 0, 0, 500, 120);
    r.fontName = "No Such Font 字体";
    Surface a(500, 120, kBackground), b(500, 120, kBackground);
    text.DrawText(a, r);
    r.fontName = cjk;
    text.DrawText(b, r);
    EXPECT_TRUE(InkOf(a).any());
    EXPECT_EQ(a, b);
    // A Latin-only face still draws the Chinese characters with real
    // glyphs: they differ from one another (boxes would all look alike).
    r.fontName = "DejaVu Sans";
    Surface c1(200, 120, kBackground), c2(200, 120, kBackground);
    r.width = 200;
    r.text = "幻";
    text.DrawText(c1, r);
    r.text = "灯";
    text.DrawText(c2, r);
    EXPECT_TRUE(InkOf(c1).any());
    EXPECT_NE(c1, c2);
}

TEST_F(TextRender, CachedDrawingGivesTheSamePixels) {
    TextDrawRequest r = Request("缓存 cache", 4, 0, 0, 400, 100);
    r.borderWidth = 2;
    r.fillPattern = 6;
    Surface a(400, 100, kBackground), b(400, 100, kBackground);
    text.DrawText(a, r);
    EXPECT_EQ(text.cachedDrawings(), 1u);
    text.DrawText(b, r);
    EXPECT_EQ(text.cachedDrawings(), 1u);
    EXPECT_EQ(a, b);
    QtTextRenderer fresh(Rainbow());
    Surface c(400, 100, kBackground);
    fresh.DrawText(c, r);
    EXPECT_EQ(a, c);
}

TEST_F(TextRender, NothingDrawnForEmptyOrBrokenRequests) {
    Surface s(200, 100, kBackground);
    const Surface before = s;
    TextDrawRequest r = Request("", 4, 0, 0, 200, 100);
    text.DrawText(s, r);
    r.text = "x";
    r.emSize = 0;
    text.DrawText(s, r);
    r.emSize = std::nan("");
    text.DrawText(s, r);
    r.emSize = 40;
    r.x = 1e300;
    text.DrawText(s, r);
    r.x = 0;
    r.clipped = true;
    r.clip = {};
    text.DrawText(s, r);
    EXPECT_EQ(s, before);
    Surface none;
    text.DrawText(none, r);
}

TEST_F(TextRender, LineWidthsAndLyricLineHeight) {
    std::vector<int32_t> w =
        MeasureLineWidths(text, {"", "i", "这是一行歌词", "这是一行歌词这是一行歌词"}, "", 36, 1);
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0], 0);
    EXPECT_GE(w[1], 1);
    EXPECT_NEAR(w[3], 2 * w[2], 3);
    EXPECT_NEAR(w[2], 6 * 36, 8);
    const int32_t h = LyricLineHeight(text, "", 36, 1);
    EXPECT_GT(h, 36);
    EXPECT_LT(h, 36 * 2);
}
