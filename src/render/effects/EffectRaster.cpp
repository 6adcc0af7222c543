#include "render/effects/EffectRaster.h"

#include <algorithm>

namespace velmora::render::effects {

void Mix(Surface& dst, Rect r, const Surface& a, const Surface& b, uint8_t alpha) {
    r = Intersect(Intersect(Intersect(r, dst.bounds()), a.bounds()), b.bounds());
    if (r.empty())
        return;
    const uint32_t al = alpha, na = 255u - alpha;
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        const uint8_t* pa = reinterpret_cast<const uint8_t*>(a.row(y) + r.x);
        const uint8_t* pb = reinterpret_cast<const uint8_t*>(b.row(y) + r.x);
        uint8_t* pd = reinterpret_cast<uint8_t*>(dst.row(y) + r.x);
        const int32_t n = r.w * 4;
        for (int32_t i = 0; i < n; i += 4) {
            pd[i] = static_cast<uint8_t>(Div255(pb[i] * al + pa[i] * na));
            pd[i + 1] = static_cast<uint8_t>(Div255(pb[i + 1] * al + pa[i + 1] * na));
            pd[i + 2] = static_cast<uint8_t>(Div255(pb[i + 2] * al + pa[i + 2] * na));
            pd[i + 3] = pa[i + 3];
        }
    }
}

void BlendColour(Surface& s, uint32_t colour, uint8_t alpha) {
    const uint32_t na = 255u - alpha;
    const uint32_t cb = (colour & 0xFF) * alpha, cg = ((colour >> 8) & 0xFF) * alpha,
                   cr = ((colour >> 16) & 0xFF) * alpha;
    for (int32_t y = 0; y < s.height(); ++y) {
        uint8_t* p = reinterpret_cast<uint8_t*>(s.row(y));
        for (int32_t i = 0; i < s.width() * 4; i += 4) {
            p[i] = static_cast<uint8_t>(Div255(cb + p[i] * na));
            p[i + 1] = static_cast<uint8_t>(Div255(cg + p[i + 1] * na));
            p[i + 2] = static_cast<uint8_t>(Div255(cr + p[i + 2] * na));
        }
    }
}

void GreyImage(Surface& dst, const Surface& src) {
    dst.Resize(src.width(), src.height());
    for (int32_t y = 0; y < src.height(); ++y) {
        const uint32_t* sp = src.row(y);
        uint32_t* dp = dst.row(y);
        for (int32_t x = 0; x < src.width(); ++x) {
            uint32_t v = sp[x];
            uint32_t sum = (v & 0xFF) + ((v >> 8) & 0xFF) + ((v >> 16) & 0xFF);
            // 0.35 × sum = 7 sum / 20, rounded to nearest, halves to even.
            uint32_t q = 7 * sum / 20, rem = 7 * sum % 20;
            if (rem > 10 || (rem == 10 && (q & 1)))
                ++q;
            q = std::min(q, 255u);
            dp[x] = Rgb(q, q, q);
        }
    }
}

void NegativeImage(Surface& dst, const Surface& src) {
    dst.Resize(src.width(), src.height());
    for (int32_t y = 0; y < src.height(); ++y) {
        const uint32_t* sp = src.row(y);
        uint32_t* dp = dst.row(y);
        for (int32_t x = 0; x < src.width(); ++x)
            dp[x] = 0xFF000000u | (~sp[x] & 0x00FFFFFFu);
    }
}

void FlipImage(Surface& dst, const Surface& src, bool vertical) {
    dst.Resize(src.width(), src.height());
    const int32_t w = src.width(), h = src.height();
    for (int32_t y = 0; y < h; ++y) {
        if (vertical) {
            std::copy(src.row(h - 1 - y), src.row(h - 1 - y) + w, dst.row(y));
        } else {
            const uint32_t* sp = src.row(y);
            uint32_t* dp = dst.row(y);
            for (int32_t x = 0; x < w; ++x)
                dp[x] = sp[w - 1 - x];
        }
    }
}

void KeyBlack(Surface& s) {
    for (int32_t y = 0; y < s.height(); ++y) {
        uint32_t* p = s.row(y);
        for (int32_t x = 0; x < s.width(); ++x)
            p[x] = (p[x] & 0x00FFFFFFu) == 0 ? 0u : (p[x] | 0xFF000000u);
    }
}

}  // namespace velmora::render::effects
