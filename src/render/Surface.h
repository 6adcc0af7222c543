// The drawing surface of the rendering engine: a 32-bit picture in memory.
//
// Pixels are 32-bit words 0xXXRRGGBB, that is bytes B, G, R, X in memory (the
// layout of QImage::Format_RGB32, so a Qt painter can wrap the buffer without
// copying). On an opaque surface X is 0xFF. A decoded picture with
// transparency (see Picture) uses X as the alpha byte, with the colours
// premultiplied by it.
//
// Ownership: a Surface owns its pixels. Callers (the editor's preview, the
// video timeline, the benchmarks) own their surfaces; the engine only draws
// into the ones it is handed and never keeps a reference to one. Not
// thread-safe; one thread draws into a surface at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora::render {

// Opaque colour 0xFFRRGGBB from its channels.
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}

// A rectangle in pixels: left, top, width, height. Empty when w or h <= 0.
struct Rect {
    int32_t x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    bool operator==(const Rect&) const = default;
};

// The intersection of two rectangles (empty when they do not meet).
inline Rect Intersect(const Rect& a, const Rect& b) {
    int64_t x0 = std::max<int64_t>(a.x, b.x), y0 = std::max<int64_t>(a.y, b.y);
    int64_t x1 = std::min<int64_t>(int64_t{a.x} + a.w, int64_t{b.x} + b.w);
    int64_t y1 = std::min<int64_t>(int64_t{a.y} + a.h, int64_t{b.y} + b.h);
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1 - x0),
            static_cast<int32_t>(y1 - y0)};
}

class Surface {
  public:
    Surface() = default;
    Surface(int32_t width, int32_t height, uint32_t fill = 0xFF000000u) {
        Resize(width, height, fill);
    }

    // Gives the surface a new size; every pixel becomes fill. Negative sizes
    // count as 0. Keeps the buffer's capacity, so resizing back and forth
    // between frame sizes does not allocate.
    void Resize(int32_t width, int32_t height, uint32_t fill = 0xFF000000u) {
        width_ = std::max(width, 0);
        height_ = std::max(height, 0);
        stride_ = width_;
        pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill);
    }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Pixels from one row to the next (equal to the width here).
    int32_t stride() const { return stride_; }
    int64_t bytesPerLine() const { return int64_t{stride_} * 4; }
    bool empty() const { return width_ == 0 || height_ == 0; }
    Rect bounds() const { return {0, 0, width_, height_}; }

    uint32_t* row(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
    const uint32_t* row(int32_t y) const {
        return pixels_.data() + static_cast<size_t>(y) * stride_;
    }
    uint32_t* data() { return pixels_.data(); }
    const uint32_t* data() const { return pixels_.data(); }

    uint32_t pixel(int32_t x, int32_t y) const { return row(y)[x]; }
    void setPixel(int32_t x, int32_t y, uint32_t v) { row(y)[x] = v; }

    bool operator==(const Surface& o) const {
        return width_ == o.width_ && height_ == o.height_ && pixels_ == o.pixels_;
    }

  private:
    int32_t width_ = 0, height_ = 0, stride_ = 0;
    std::vector<uint32_t> pixels_;
};

// A decoded picture: its pixels and whether the X byte carries (premultiplied)
// alpha. Opaque pictures have X = 0xFF everywhere.
struct Picture {
    Surface pixels;
    bool hasAlpha = false;
    int32_t width() const { return pixels.width(); }
    int32_t height() const { return pixels.height(); }
};

}  // namespace velmora::render
