#include "render/Raster.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmora::render {

namespace {

// Clips a copy of src's rectangle to (dx, dy) of dst against both surfaces.
// On return srcRect is the part to copy and dx, dy its destination.
bool ClipCopy(const Surface& dst, int32_t& dx, int32_t& dy, const Surface& src, Rect& srcRect) {
    Rect s = Intersect(srcRect, src.bounds());
    if (s.empty())
        return false;
    int64_t ndx = int64_t{dx} + (s.x - srcRect.x), ndy = int64_t{dy} + (s.y - srcRect.y);
    int64_t x0 = std::max<int64_t>(ndx, 0), y0 = std::max<int64_t>(ndy, 0);
    int64_t x1 = std::min<int64_t>(ndx + s.w, dst.width()),
            y1 = std::min<int64_t>(ndy + s.h, dst.height());
    if (x1 <= x0 || y1 <= y0)
        return false;
    srcRect = {static_cast<int32_t>(s.x + (x0 - ndx)), static_cast<int32_t>(s.y + (y0 - ndy)),
               static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0)};
    dx = static_cast<int32_t>(x0);
    dy = static_cast<int32_t>(y0);
    return true;
}

// round(t / 255) for 0 <= t <= 255 * 255 + 255, exact.
inline uint32_t Div255(uint32_t t) {
    t += 128;
    return (t + (t >> 8)) >> 8;
}

// One direction of a stretch: for each destination index its first source
// index and its weights (summing to 4096).
struct AxisTable {
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<int32_t> offset;
    std::vector<uint32_t> weight;
    int32_t minSrc = 0, maxSrc = 0;  // source range touched: [minSrc, maxSrc)
};

constexpr int kWeightBits = 12;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

// Builds the table for destination indices [d0, d1) of a destination length
// D mapped from a source length S (both > 0).
void BuildAxis(AxisTable& t, int64_t S, int64_t D, int64_t d0, int64_t d1, bool smooth) {
    t.first.clear();
    t.count.clear();
    t.offset.clear();
    t.weight.clear();
    t.minSrc = INT32_MAX;
    t.maxSrc = 0;
    for (int64_t i = d0; i < d1; ++i) {
        t.offset.push_back(static_cast<int32_t>(t.weight.size()));
        if (smooth && D > S) {
            // Linear: the centre of destination pixel i lies at source
            // coordinate u = ((2i + 1) S - D) / (2D) in pixel-centre units.
            int64_t num = (2 * i + 1) * S - D;
            int64_t den = 2 * D;
            int64_t j0 = num >= 0 ? num / den : -((-num + den - 1) / den);
            int64_t frac = num - j0 * den;  // 0 <= frac < den
            uint32_t w1 = static_cast<uint32_t>((frac * kWeightOne * 2 + den) / (2 * den));
            if (j0 < 0) {
                j0 = 0;
                w1 = 0;
            }
            if (j0 >= S - 1) {
                j0 = S - 1;
                w1 = 0;
            }
            t.first.push_back(static_cast<int32_t>(j0));
            if (w1 == 0) {
                t.count.push_back(1);
                t.weight.push_back(kWeightOne);
            } else {
                t.count.push_back(2);
                t.weight.push_back(kWeightOne - w1);
                t.weight.push_back(w1);
            }
        } else {
            // Box: destination pixel i covers [i S, (i + 1) S) and source
            // pixel j covers [j D, (j + 1) D), in units of 1 / (S D).
            int64_t lo = i * S, hi = (i + 1) * S;
            int64_t j0 = lo / D, j1 = (hi + D - 1) / D;
            t.first.push_back(static_cast<int32_t>(j0));
            t.count.push_back(static_cast<int32_t>(j1 - j0));
            uint32_t given = 0;
            int64_t covered = 0;
            for (int64_t j = j0; j < j1; ++j) {
                int64_t a = std::max(lo, j * D), b = std::min(hi, (j + 1) * D);
                covered += b - a;
                // Cumulative rounding keeps the sum exactly 4096.
                uint32_t upto = static_cast<uint32_t>((covered * kWeightOne * 2 + S) / (2 * S));
                t.weight.push_back(upto - given);
                given = upto;
            }
        }
        t.minSrc = std::min(t.minSrc, t.first.back());
        t.maxSrc = std::max(t.maxSrc, t.first.back() + t.count.back());
    }
}

struct StretchScratch {
    AxisTable rows, cols;
    std::vector<uint32_t> acc;
};

StretchScratch& Scratch() {
    thread_local StretchScratch s;
    return s;
}

}  // namespace

void Copy(Surface& dst, int32_t dx, int32_t dy, const Surface& src, Rect srcRect) {
    if (!ClipCopy(dst, dx, dy, src, srcRect))
        return;
    size_t bytes = static_cast<size_t>(srcRect.w) * 4;
    bool same = &dst == &src;
    if (same && dy > srcRect.y) {
        for (int32_t y = srcRect.h - 1; y >= 0; --y)
            std::memmove(dst.row(dy + y) + dx, src.row(srcRect.y + y) + srcRect.x, bytes);
    } else {
        for (int32_t y = 0; y < srcRect.h; ++y) {
            if (same)
                std::memmove(dst.row(dy + y) + dx, src.row(srcRect.y + y) + srcRect.x, bytes);
            else
                std::memcpy(dst.row(dy + y) + dx, src.row(srcRect.y + y) + srcRect.x, bytes);
        }
    }
}

void Fill(Surface& dst, Rect r, uint32_t pixel) {
    r = Intersect(r, dst.bounds());
    if (r.empty())
        return;
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        uint32_t* p = dst.row(y) + r.x;
        std::fill(p, p + r.w, pixel);
    }
}

void Stretch(Surface& dst, Rect dstRect, const Surface& src, Rect srcRect, StretchFilter filter) {
    if (&dst == &src || dstRect.empty())
        return;
    Rect s = Intersect(srcRect, src.bounds());
    if (s.empty())
        return;
    Rect visible = Intersect(dstRect, dst.bounds());
    if (visible.empty())
        return;
    if (s.w == dstRect.w && s.h == dstRect.h) {
        Copy(dst, dstRect.x, dstRect.y, src, s);
        return;
    }
    bool smooth = filter == StretchFilter::Smooth;
    StretchScratch& sc = Scratch();
    BuildAxis(sc.cols, s.w, dstRect.w, visible.x - int64_t{dstRect.x},
              int64_t{visible.x} + visible.w - dstRect.x, smooth);
    BuildAxis(sc.rows, s.h, dstRect.h, visible.y - int64_t{dstRect.y},
              int64_t{visible.y} + visible.h - dstRect.y, smooth);
    const int32_t c0 = sc.cols.minSrc, cn = sc.cols.maxSrc - sc.cols.minSrc;
    const size_t accLen = static_cast<size_t>(cn) * 4;
    if (sc.acc.size() < accLen)
        sc.acc.resize(accLen);
    uint32_t* acc = sc.acc.data();

    for (int32_t yi = 0; yi < visible.h; ++yi) {
        const int32_t first = sc.rows.first[yi], count = sc.rows.count[yi];
        const uint32_t* wy = sc.rows.weight.data() + sc.rows.offset[yi];
        // A row made of the same source rows with the same weights as the
        // one above it (the common case when magnifying) is that row again.
        if (yi > 0 && first == sc.rows.first[yi - 1] && count == sc.rows.count[yi - 1] &&
            std::equal(wy, wy + count, sc.rows.weight.data() + sc.rows.offset[yi - 1])) {
            std::memcpy(dst.row(visible.y + yi) + visible.x,
                        dst.row(visible.y + yi - 1) + visible.x,
                        static_cast<size_t>(visible.w) * 4);
            continue;
        }
        // Vertical pass: the weighted sum of the covered source rows, per
        // byte, over the source columns the visible destination needs.
        std::memset(acc, 0, accLen * sizeof(uint32_t));
        for (int32_t k = 0; k < count; ++k) {
            const uint8_t* sp =
                reinterpret_cast<const uint8_t*>(src.row(s.y + first + k) + s.x + c0);
            const uint32_t w = wy[k];
            for (size_t b = 0; b < accLen; ++b)
                acc[b] += w * sp[b];
        }
        // Horizontal pass: weights of 4096 × 4096 in all; a sum of at most
        // 255 × 2^24 fits 32 bits with the rounding half added.
        uint8_t* out = reinterpret_cast<uint8_t*>(dst.row(visible.y + yi) + visible.x);
        for (int32_t xi = 0; xi < visible.w; ++xi) {
            const int32_t cf = sc.cols.first[xi] - c0, cc = sc.cols.count[xi];
            const uint32_t* wx = sc.cols.weight.data() + sc.cols.offset[xi];
            uint32_t b0 = 1u << 23, b1 = 1u << 23, b2 = 1u << 23, b3 = 1u << 23;
            const uint32_t* a = acc + static_cast<size_t>(cf) * 4;
            for (int32_t k = 0; k < cc; ++k, a += 4) {
                b0 += wx[k] * a[0];
                b1 += wx[k] * a[1];
                b2 += wx[k] * a[2];
                b3 += wx[k] * a[3];
            }
            out[0] = static_cast<uint8_t>(b0 >> 24);
            out[1] = static_cast<uint8_t>(b1 >> 24);
            out[2] = static_cast<uint8_t>(b2 >> 24);
            out[3] = static_cast<uint8_t>(b3 >> 24);
            out += 4;
        }
    }
}

void BlendConstant(Surface& dst, int32_t dx, int32_t dy, const Surface& src, Rect srcRect,
                   uint8_t alpha) {
    if (!ClipCopy(dst, dx, dy, src, srcRect))
        return;
    const uint32_t a = alpha, na = 255u - alpha;
    for (int32_t y = 0; y < srcRect.h; ++y) {
        const uint8_t* sp = reinterpret_cast<const uint8_t*>(src.row(srcRect.y + y) + srcRect.x);
        uint8_t* dp = reinterpret_cast<uint8_t*>(dst.row(dy + y) + dx);
        for (int32_t x = 0; x < srcRect.w; ++x, sp += 4, dp += 4) {
            dp[0] = static_cast<uint8_t>(Div255(sp[0] * a + dp[0] * na));
            dp[1] = static_cast<uint8_t>(Div255(sp[1] * a + dp[1] * na));
            dp[2] = static_cast<uint8_t>(Div255(sp[2] * a + dp[2] * na));
        }
    }
}

void DrawPremultiplied(Surface& dst, int32_t dx, int32_t dy, const Surface& src, Rect srcRect) {
    if (!ClipCopy(dst, dx, dy, src, srcRect))
        return;
    for (int32_t y = 0; y < srcRect.h; ++y) {
        const uint32_t* sp = src.row(srcRect.y + y) + srcRect.x;
        uint32_t* dp = dst.row(dy + y) + dx;
        for (int32_t x = 0; x < srcRect.w; ++x) {
            uint32_t s = sp[x];
            uint32_t a = s >> 24;
            if (a == 255) {
                dp[x] = s;
                continue;
            }
            uint32_t d = dp[x], na = 255 - a;
            uint32_t b = (s & 0xFF) + Div255((d & 0xFF) * na);
            uint32_t g = ((s >> 8) & 0xFF) + Div255(((d >> 8) & 0xFF) * na);
            uint32_t r = ((s >> 16) & 0xFF) + Div255(((d >> 16) & 0xFF) * na);
            dp[x] = Rgb(std::min(r, 255u), std::min(g, 255u), std::min(b, 255u));
        }
    }
}

namespace {

// Exact walk of round((A + B x) / D), halves to even, for x = 0, 1, 2, ...
class RationalRamp {
  public:
    RationalRamp(int64_t a, int64_t b, int64_t d) : d_(d) {
        q_ = FloorDiv(a, d);
        r_ = a - q_ * d;
        bq_ = FloorDiv(b, d);
        br_ = b - bq_ * d;
    }
    uint32_t value() const {
        int64_t q = q_;
        if (2 * r_ > d_ || (2 * r_ == d_ && (q & 1)))
            ++q;
        return static_cast<uint32_t>(std::clamp<int64_t>(q, 0, 255));
    }
    void next() {
        q_ += bq_;
        r_ += br_;
        if (r_ >= d_) {
            r_ -= d_;
            ++q_;
        }
    }

  private:
    static int64_t FloorDiv(int64_t a, int64_t d) {
        int64_t q = a / d;
        if ((a % d != 0) && ((a < 0) != (d < 0)))
            --q;
        return q;
    }
    int64_t d_, q_, r_, bq_, br_;
};

inline uint32_t Channel(uint32_t argb, int shift) {
    return (argb >> shift) & 0xFF;
}

// Writes one row of gradient values: channel = round((c1 (D - k) + c2 k) / D)
// with k = k0 + kStep x.
void GradientRow(uint32_t* out, int32_t n, uint32_t c1, uint32_t c2, int64_t k0, int64_t kStep,
                 int64_t d, bool opaque) {
    // c1 (D - k) + c2 k = c1 D + (c2 - c1) k
    RationalRamp ch[4] = {
        {int64_t{Channel(c1, 0)} * d + (int64_t{Channel(c2, 0)} - Channel(c1, 0)) * k0,
         (int64_t{Channel(c2, 0)} - Channel(c1, 0)) * kStep, d},
        {int64_t{Channel(c1, 8)} * d + (int64_t{Channel(c2, 8)} - Channel(c1, 8)) * k0,
         (int64_t{Channel(c2, 8)} - Channel(c1, 8)) * kStep, d},
        {int64_t{Channel(c1, 16)} * d + (int64_t{Channel(c2, 16)} - Channel(c1, 16)) * k0,
         (int64_t{Channel(c2, 16)} - Channel(c1, 16)) * kStep, d},
        {int64_t{Channel(c1, 24)} * d + (int64_t{Channel(c2, 24)} - Channel(c1, 24)) * k0,
         (int64_t{Channel(c2, 24)} - Channel(c1, 24)) * kStep, d},
    };
    for (int32_t x = 0; x < n; ++x) {
        uint32_t b = ch[0].value(), g = ch[1].value(), r = ch[2].value();
        if (opaque) {
            out[x] = Rgb(r, g, b);
        } else {
            uint32_t a = ch[3].value(), na = 255 - a, d0 = out[x];
            out[x] = Rgb(Div255(r * a + Channel(d0, 16) * na), Div255(g * a + Channel(d0, 8) * na),
                         Div255(b * a + Channel(d0, 0) * na));
        }
        for (auto& c : ch)
            c.next();
    }
}

}  // namespace

void FillGradient(Surface& dst, int32_t mode, uint32_t c1, uint32_t c2) {
    if (mode < 0 || mode > 3 || dst.empty())
        return;
    const int64_t W = dst.width(), H = dst.height();
    const bool opaque = (c1 >> 24) == 255 && (c2 >> 24) == 255;
    if (mode == 0) {
        // t = (2x + 1) / 2W: one row, copied to every other row when opaque.
        for (int32_t y = 0; y < dst.height(); ++y) {
            if (opaque && y > 0) {
                std::memcpy(dst.row(y), dst.row(0), static_cast<size_t>(W) * 4);
                continue;
            }
            GradientRow(dst.row(y), dst.width(), c1, c2, 1, 2, 2 * W, opaque);
        }
    } else if (mode == 1) {
        // t = (2y + 1) / 2H: constant along each row.
        for (int32_t y = 0; y < dst.height(); ++y) {
            uint32_t* row = dst.row(y);
            GradientRow(row, 1, c1, c2, 2 * int64_t{y} + 1, 0, 2 * H, opaque);
            if (opaque) {
                std::fill(row + 1, row + W, row[0]);
            } else {
                GradientRow(row + 1, dst.width() - 1, c1, c2, 2 * int64_t{y} + 1, 0, 2 * H, false);
            }
        }
    } else {
        // t = ((2x' + 1) / W + (2y + 1) / H) / 4 = k / 4WH with
        // k = (2x' + 1) H + (2y + 1) W, x' = x (mode 2) or W - 1 - x (mode 3).
        const int64_t d = 4 * W * H;
        for (int32_t y = 0; y < dst.height(); ++y) {
            int64_t ky = (2 * int64_t{y} + 1) * W;
            if (mode == 2)
                GradientRow(dst.row(y), dst.width(), c1, c2, H + ky, 2 * H, d, opaque);
            else
                GradientRow(dst.row(y), dst.width(), c1, c2, (2 * W - 1) * H + ky, -2 * H, d,
                            opaque);
        }
    }
}

}  // namespace velmora::render
