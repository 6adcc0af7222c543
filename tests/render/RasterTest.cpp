// The raster core: copies and fills clip, the box and smooth stretches keep
// flat areas exact and match exact area averages, the constant-alpha blend
// is exact, gradients sample pixel centres.
#include <gtest/gtest.h>

#include <cmath>

#include "RenderFixtures.h"
#include "render/Raster.h"

using namespace velmora::render;

namespace {

Surface Random(int w, int h, uint32_t seed) {
    fixtures::Lcg rng(seed);
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.setPixel(x, y, 0xFF000000u | (rng.Next() & 0xFFFFFF));
    return s;
}

uint32_t Ch(uint32_t p, int c) {
    return (p >> (8 * c)) & 0xFF;
}

}  // namespace

TEST(Raster, CopyClipsToBothSurfaces) {
    Surface src = Random(6, 4, 1);
    struct Case {
        int dx, dy;
        Rect r;
    } cases[] = {{0, 0, {0, 0, 6, 4}},   {-2, -1, {0, 0, 6, 4}}, {3, 2, {0, 0, 6, 4}},
                 {1, 1, {-3, -2, 6, 4}}, {0, 0, {4, 3, 10, 10}}, {9, 9, {0, 0, 6, 4}}};
    for (const Case& c : cases) {
        Surface dst(5, 5, 0xFF111111u);
        Copy(dst, c.dx, c.dy, src, c.r);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                int sx = x - c.dx + c.r.x, sy = y - c.dy + c.r.y;
                bool inside = sx >= std::max(c.r.x, 0) && sy >= std::max(c.r.y, 0) && sx < 6 &&
                              sy < 4 && sx < c.r.x + c.r.w && sy < c.r.y + c.r.h;
                EXPECT_EQ(dst.pixel(x, y), inside ? src.pixel(sx, sy) : 0xFF111111u)
                    << c.dx << "," << c.dy << " at " << x << "," << y;
            }
    }
    // Overlapping copy within one surface, both directions.
    Surface s = Random(8, 8, 2), orig = s;
    Copy(s, 2, 3, s, {0, 0, 6, 5});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(s.pixel(x + 2, y + 3), orig.pixel(x, y));
    s = orig;
    Copy(s, 0, 0, s, {1, 2, 7, 6});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(s.pixel(x, y), orig.pixel(x + 1, y + 2));
    Fill(s, {-3, 6, 100, 100}, 0xFF00FF00u);
    EXPECT_EQ(s.pixel(7, 7), 0xFF00FF00u);
    EXPECT_EQ(s.pixel(0, 6), 0xFF00FF00u);
    EXPECT_NE(s.pixel(0, 5), 0xFF00FF00u);
}

TEST(Raster, StretchKeepsFlatAreasExact) {
    const int sizes[][4] = {{7, 5, 3, 2},  {3, 2, 7, 5},    {4000, 3, 1024, 1},  {1, 1, 13, 9},
                            {13, 9, 1, 1}, {10, 10, 10, 3}, {640, 480, 333, 251}};
    for (auto filter : {StretchFilter::Box, StretchFilter::Smooth})
        for (const auto& z : sizes) {
            Surface src(z[0], z[1], 0xFF3A7FC1u), dst(z[2], z[3], 0);
            Stretch(dst, dst.bounds(), src, src.bounds(), filter);
            for (int y = 0; y < z[3]; ++y)
                for (int x = 0; x < z[2]; ++x)
                    ASSERT_EQ(dst.pixel(x, y), 0xFF3A7FC1u);
        }
}

TEST(Raster, BoxStretchIsTheAreaAverage) {
    // Exact area averages in rationals; the 12-bit weights may differ from
    // them by one step at most.
    const int sizes[][4] = {
        {8, 6, 4, 3}, {7, 5, 3, 2}, {5, 3, 7, 4}, {9, 9, 4, 4}, {40, 30, 13, 7}};
    for (const auto& z : sizes) {
        int sw = z[0], sh = z[1], dw = z[2], dh = z[3];
        Surface src = Random(sw, sh, 5), dst(dw, dh);
        Stretch(dst, dst.bounds(), src, src.bounds(), StretchFilter::Box);
        int worst = 0;
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x)
                for (int c = 0; c < 3; ++c) {
                    double sum = 0;
                    for (int j = 0; j < sh; ++j)
                        for (int i = 0; i < sw; ++i) {
                            double ox = std::max(0.0, std::min((x + 1.0) * sw / dw, i + 1.0) -
                                                          std::max(x * 1.0 * sw / dw, i * 1.0));
                            double oy = std::max(0.0, std::min((y + 1.0) * sh / dh, j + 1.0) -
                                                          std::max(y * 1.0 * sh / dh, j * 1.0));
                            sum += ox * oy * Ch(src.pixel(i, j), c);
                        }
                    double exact = sum / (1.0 * sw / dw) / (1.0 * sh / dh);
                    worst = std::max(worst, std::abs(static_cast<int>(Ch(dst.pixel(x, y), c)) -
                                                     static_cast<int>(std::lround(exact))));
                }
        EXPECT_LE(worst, 1) << sw << "x" << sh << " -> " << dw << "x" << dh;
    }
    // 2:1 exactly: the mean of four, rounded.
    Surface s(2, 2);
    s.setPixel(0, 0, Rgb(10, 0, 0));
    s.setPixel(1, 0, Rgb(20, 0, 0));
    s.setPixel(0, 1, Rgb(30, 0, 0));
    s.setPixel(1, 1, Rgb(41, 0, 0));
    Surface d(1, 1);
    Stretch(d, d.bounds(), s, s.bounds());
    EXPECT_EQ(d.pixel(0, 0), Rgb(25, 0, 0));
}

TEST(Raster, StretchClipsWithoutChangingTheMapping) {
    Surface src = Random(50, 40, 9);
    Surface full(30, 20);
    Stretch(full, full.bounds(), src, src.bounds());
    for (auto filter : {StretchFilter::Box, StretchFilter::Smooth}) {
        Surface ref(30, 20);
        Stretch(ref, ref.bounds(), src, src.bounds(), filter);
        Surface part(12, 9, 0xFF000000u);
        Stretch(part, {-10, -6, 30, 20}, src, src.bounds(), filter);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(part.pixel(x, y), ref.pixel(x + 10, y + 6));
    }
    // A source rectangle inside the source.
    Surface d(5, 5);
    Stretch(d, d.bounds(), src, {10, 10, 5, 5});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(d.pixel(x, y), src.pixel(10 + x, 10 + y));
}

TEST(Raster, SmoothEnlargingInterpolatesBetweenCentres) {
    Surface s(2, 1);
    s.setPixel(0, 0, Rgb(0, 0, 0));
    s.setPixel(1, 0, Rgb(200, 0, 0));
    Surface d(4, 1);
    Stretch(d, d.bounds(), s, s.bounds(), StretchFilter::Smooth);
    // Centres at source 0.25 - 0.5 = -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
    EXPECT_EQ(Ch(d.pixel(0, 0), 2), 0u);
    EXPECT_EQ(Ch(d.pixel(1, 0), 2), 50u);
    EXPECT_EQ(Ch(d.pixel(2, 0), 2), 150u);
    EXPECT_EQ(Ch(d.pixel(3, 0), 2), 200u);
}

TEST(Raster, ConstantAlphaBlendIsExact) {
    Surface src(256, 1), dst(256, 1);
    for (uint32_t a : {0u, 1u, 15u, 127u, 128u, 200u, 254u, 255u})
        for (uint32_t d = 0; d < 256; ++d) {
            for (int x = 0; x < 256; ++x) {
                src.setPixel(x, 0,
                             Rgb(static_cast<uint32_t>(x), 255 - static_cast<uint32_t>(x), 7));
                dst.setPixel(x, 0, Rgb(d, d, 255 - d));
            }
            BlendConstant(dst, 0, 0, src, src.bounds(), static_cast<uint8_t>(a));
            for (uint32_t x = 0; x < 256; ++x) {
                uint32_t want =
                    static_cast<uint32_t>(std::lround((x * a + d * (255.0 - a)) / 255.0));
                ASSERT_EQ(Ch(dst.pixel(static_cast<int>(x), 0), 2), want)
                    << a << " " << d << " " << x;
                ASSERT_EQ(dst.pixel(static_cast<int>(x), 0) >> 24, 0xFFu);
            }
        }
}

TEST(Raster, PremultipliedDrawIsSourceOver) {
    Surface src(1, 1, 0x80400000u);  // alpha 128, red 64 premultiplied
    Surface dst(1, 1, Rgb(0, 0, 200));
    DrawPremultiplied(dst, 0, 0, src, src.bounds());
    EXPECT_EQ(dst.pixel(0, 0), Rgb(64, 0, static_cast<uint32_t>(std::lround(200 * 127 / 255.0))));
}

TEST(Raster, GradientsSamplePixelCentres) {
    const uint32_t c1 = ToArgb(0x102030, 255), c2 = ToArgb(0xF0E0D0, 255);
    EXPECT_EQ(c1, 0xFF302010u);
    for (auto [w, h] : {std::pair{7, 5}, {1, 1}, {16, 3}, {2, 9}})
        for (int mode = 0; mode < 4; ++mode) {
            Surface s(w, h, 0xFF000000u);
            FillGradient(s, mode, c1, c2);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    // t = k / D exactly, sampled at the pixel centre.
                    int64_t W = w, H = h, k, D;
                    if (mode == 0) {
                        k = 2 * x + 1;
                        D = 2 * W;
                    } else if (mode == 1) {
                        k = 2 * y + 1;
                        D = 2 * H;
                    } else {
                        int64_t xx = mode == 2 ? x : w - 1 - x;
                        k = (2 * xx + 1) * H + (2 * y + 1) * W;
                        D = 4 * W * H;
                    }
                    for (int c = 0; c < 3; ++c) {
                        int64_t a = Ch(c1, c), b = Ch(c2, c);
                        int64_t n = a * D + (b - a) * k;  // >= 0 here
                        int64_t q = n / D, r = n % D;
                        if (2 * r > D || (2 * r == D && (q & 1)))
                            ++q;
                        ASSERT_EQ(Ch(s.pixel(x, y), c), static_cast<uint32_t>(q))
                            << "mode " << mode << " " << w << "x" << h << " at " << x << "," << y;
                    }
                }
        }
    // Halves go to even: one pixel between 1 and 2 samples 1.5 -> 2, one
    // between 2 and 3 samples 2.5 -> 2.
    Surface s(1, 1);
    FillGradient(s, 0, 0xFF000001u, 0xFF000002u);
    EXPECT_EQ(s.pixel(0, 0), 0xFF000002u);
    FillGradient(s, 0, 0xFF000002u, 0xFF000003u);
    EXPECT_EQ(s.pixel(0, 0), 0xFF000002u);
    // Modes outside 0..3 fill nothing.
    Surface keep(3, 3, 0xFF123456u);
    FillGradient(keep, 4, c1, c2);
    FillGradient(keep, -1, c1, c2);
    EXPECT_EQ(keep, Surface(3, 3, 0xFF123456u));
}
