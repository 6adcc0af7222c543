// A deterministic stand-in for the styled text renderer in the effect tests:
// it paints the layout rectangle (rounded to pixels, clipped) with a pattern
// of the first colour, so the geometry of the headline effects is tested
// apart from fonts. An empty text draws nothing.
#pragma once

#include "base/Rounding.h"
#include "render/TextRenderer.h"

namespace velmora::render::test {

class BoxTextRenderer : public TextRenderer {
  public:
    void DrawText(Surface& surface, const TextDrawRequest& r) override {
        ++calls;
        if (r.text.empty())
            return;
        const int32_t x0 = nearest(r.x), y0 = nearest(r.y);
        const int32_t x1 = nearest(r.x + r.width) + overflowX,
                      y1 = nearest(r.y + r.height) + overflowY;
        for (int32_t y = std::max(y0, 0); y < std::min(y1, surface.height()); ++y) {
            for (int32_t x = std::max(x0, 0); x < std::min(x1, surface.width()); ++x) {
                // Stripes and a gradient: never black, never flat.
                uint32_t c = r.firstColour & 0x00FFFFFFu;
                uint32_t v = static_cast<uint32_t>(((x - x0) * 7 + (y - y0) * 3) & 0x7F);
                surface.setPixel(x, y, 0xFF000000u | (c ^ (v << 8)) | 0x10);
            }
        }
    }
    int calls = 0;
    // Pixels drawn beyond the rectangle's right and bottom edges, as a
    // renderer does with lines that do not fit.
    int32_t overflowX = 0, overflowY = 0;
};

}  // namespace velmora::render::test
