#include "PlayerIcon.h"

#include <algorithm>
#include <cmath>

#include "base/ByteReader.h"

namespace velmora::stubtool {

namespace {

struct Rgba {
    double r, g, b, a;
};

Rgba Over(Rgba top, Rgba under) {
    double a = top.a + under.a * (1 - top.a);
    if (a <= 0)
        return {0, 0, 0, 0};
    auto mix = [&](double t, double u) { return (t * top.a + u * under.a * (1 - top.a)) / a; };
    return {mix(top.r, under.r), mix(top.g, under.g), mix(top.b, under.b), a};
}

// Coverage of a rounded rectangle [x0, x1] x [y0, y1] with corner radius r at
// pixel centre (x, y), with a one-pixel soft edge.
double RoundRect(double x, double y, double x0, double y0, double x1, double y1, double r) {
    double cx = std::clamp(x, x0 + r, x1 - r);
    double cy = std::clamp(y, y0 + r, y1 - r);
    double d = std::hypot(x - cx, y - cy) - r;
    return std::clamp(0.5 - d, 0.0, 1.0);
}

// One pixel of the icon at unit coordinates (u, v) in [0, 1): a blue tile
// with a white photo frame holding a sun over two hills.
Rgba Pixel(double x, double y, double s) {
    double u = x / s, v = y / s;
    Rgba out{0, 0, 0, 0};
    double tile = RoundRect(x, y, 0.5, 0.5, s - 0.5, s - 0.5, s * 0.18);
    Rgba blue{0.10 + 0.15 * v, 0.35 + 0.25 * (1 - v), 0.80, tile};
    out = Over(blue, out);
    double frame = RoundRect(x, y, s * 0.16, s * 0.22, s * 0.84, s * 0.80, s * 0.04);
    out = Over({1, 1, 1, frame}, out);
    double photo = RoundRect(x, y, s * 0.22, s * 0.28, s * 0.78, s * 0.74, s * 0.01);
    out = Over({0.55, 0.80, 0.98, photo}, out);
    double sun = std::clamp(0.5 - (std::hypot(u - 0.64, v - 0.40) * s - s * 0.07), 0.0, 1.0);
    out = Over({1.0, 0.82, 0.20, sun * photo}, out);
    double hill1 = v > 0.74 - 0.22 * std::exp(-std::pow((u - 0.38) / 0.16, 2)) ? 1.0 : 0.0;
    double hill2 = v > 0.74 - 0.14 * std::exp(-std::pow((u - 0.66) / 0.14, 2)) ? 1.0 : 0.0;
    out = Over({0.20, 0.62, 0.30, hill2 * photo}, out);
    out = Over({0.12, 0.50, 0.22, hill1 * photo}, out);
    return out;
}

std::vector<uint8_t> IconImage(uint32_t side) {
    std::vector<uint8_t> img;
    img.reserve(IconImageBytes(side));
    PutU32(img, 40);
    PutU32(img, side);
    PutU32(img, side * 2);  // colour rows and mask rows
    PutU16(img, 1);
    PutU16(img, 32);
    PutU32(img, 0);  // BI_RGB
    PutU32(img, IconImageBytes(side) - 40);
    PutU32(img, 0);
    PutU32(img, 0);
    PutU32(img, 0);
    PutU32(img, 0);
    const double s = side;
    std::vector<bool> transparent(side * side);
    for (uint32_t row = 0; row < side; ++row) {
        uint32_t y = side - 1 - row;  // bottom-up rows
        for (uint32_t x = 0; x < side; ++x) {
            // 4x4 supersampling for smooth edges at every size.
            Rgba acc{0, 0, 0, 0};
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    Rgba p = Pixel(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4, s);
                    acc.r += p.r * p.a;
                    acc.g += p.g * p.a;
                    acc.b += p.b * p.a;
                    acc.a += p.a;
                }
            double a = acc.a / 16;
            auto chan = [&](double premul) {
                double c = acc.a > 0 ? premul / acc.a : 0;
                return static_cast<uint8_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
            };
            uint8_t alpha = static_cast<uint8_t>(std::lround(std::clamp(a, 0.0, 1.0) * 255));
            img.push_back(chan(acc.b));
            img.push_back(chan(acc.g));
            img.push_back(chan(acc.r));
            img.push_back(alpha);
            transparent[row * side + x] = alpha == 0;
        }
    }
    const uint32_t maskStride = ((side + 31) / 32) * 4;
    for (uint32_t row = 0; row < side; ++row) {
        std::vector<uint8_t> bits(maskStride, 0);
        for (uint32_t x = 0; x < side; ++x)
            if (transparent[row * side + x])
                bits[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        img.insert(img.end(), bits.begin(), bits.end());
    }
    return img;
}

}  // namespace

std::vector<uint8_t> MakePlayerIcon() {
    const uint32_t sides[] = {48, 32, 16};
    std::vector<std::vector<uint8_t>> images;
    for (uint32_t s : sides)
        images.push_back(IconImage(s));
    std::vector<uint8_t> ico;
    PutU16(ico, 0);
    PutU16(ico, 1);  // icon
    PutU16(ico, static_cast<uint16_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        PutU8(ico, static_cast<uint8_t>(sides[i]));
        PutU8(ico, static_cast<uint8_t>(sides[i]));
        PutU8(ico, 0);  // no palette
        PutU8(ico, 0);
        PutU16(ico, 1);   // planes
        PutU16(ico, 32);  // bits per pixel
        PutU32(ico, static_cast<uint32_t>(images[i].size()));
        PutU32(ico, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& img : images)
        ico.insert(ico.end(), img.begin(), img.end());
    return ico;
}

}  // namespace velmora::stubtool
