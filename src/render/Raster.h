// Raster operations on Surface: the engine's stand-in for GDI's BitBlt,
// StretchBlt (halftone), AlphaBlend (constant alpha) and GDI+'s gradient
// brush fill. Every operation clips to both surfaces; nothing allocates per
// call once its scratch buffers have grown to the largest size used (they are
// per thread and reused).
//
// Integer arithmetic is exact and stated with each operation; rounding of
// real values is nearest with halves to even (velmora::nearest) wherever a
// real quantity meets the pixel grid.
#pragma once

#include <cstdint>

#include "render/Surface.h"

namespace velmora::render {

// Copies the src rectangle of src to (dx, dy) of dst. src and dst may be the
// same surface, with overlapping rectangles.
void Copy(Surface& dst, int32_t dx, int32_t dy, const Surface& src, Rect srcRect);

// Fills the rectangle with one pixel value.
void Fill(Surface& dst, Rect r, uint32_t pixel);

enum class StretchFilter {
    // Area averaging in both directions (GDI's halftone stretch mode): every
    // destination pixel is the mean of the source area it covers, each source
    // pixel weighted by the part of it that is covered.
    Box,
    // Area averaging where the picture shrinks, linear interpolation between
    // pixel centres where it grows (per direction). Used for the pictures of
    // the codec backend, whose native drawing interpolates.
    Smooth,
};

// Scales the src rectangle of src onto the dst rectangle of dst (both may be
// partly outside their surfaces: the src rectangle is cut to its surface and
// the destination clipped, with the mapping of the full rectangles kept).
// All four bytes of a pixel are filtered alike, so premultiplied alpha in the
// X byte scales correctly and an opaque picture stays opaque. Weights are
// 12-bit fixed point per direction, summing exactly to 4096, so a flat area
// keeps its exact value. src and dst must be different surfaces.
void Stretch(Surface& dst, Rect dstRect, const Surface& src, Rect srcRect,
             StretchFilter filter = StretchFilter::Box);

// AlphaBlend with a constant source alpha a (no per-pixel alpha): every
// channel becomes round((src × a + dst × (255 − a)) / 255), computed exactly
// in integers. The destination's X byte is kept.
void BlendConstant(Surface& dst, int32_t dx, int32_t dy, const Surface& src, Rect srcRect,
                   uint8_t alpha);

// Draws a picture whose X byte is premultiplied alpha over dst (source over):
// channel = src + round(dst × (255 − alpha) / 255). The result is opaque.
void DrawPremultiplied(Surface& dst, int32_t dx, int32_t dy, const Surface& src, Rect srcRect);

// Project colour 0x00BBGGRR and an alpha to 0xAARRGGBB.
constexpr uint32_t ToArgb(int32_t colour, uint32_t alpha) {
    uint32_t c = static_cast<uint32_t>(colour);
    uint32_t red = c & 0xFF, green = (c >> 8) & 0xFF, blue = (c >> 16) & 0xFF;
    return (alpha & 0xFF) << 24 | red << 16 | green << 8 | blue;
}

// Linear gradient over the whole surface between two 0xAARRGGBB colours.
// Mode 0 left to right, 1 top to bottom, 2 top-left to bottom-right, 3
// top-right to bottom-left; the diagonals run in the rectangle's own
// proportions (lines of equal colour join its other two corners). The colour
// of a pixel is sampled at its centre: with t the position along the
// gradient (0 at the first corner or edge, 1 at the opposite one) each channel
// is round(first + (second − first) × t), halves to even, exact in integers.
// Opaque colours replace the pixels; translucent ones are blended over them.
// Any other mode fills nothing.
void FillGradient(Surface& dst, int32_t mode, uint32_t argbFirst, uint32_t argbSecond);

}  // namespace velmora::render
