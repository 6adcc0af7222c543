// Raster pieces the effects share beside render/Raster.h: the cross-fade of
// two pictures in one pass, a flat colour blended over a picture, the grey
// and negative pictures of the negative transition, mirror copies and the
// colour-keyed text sprite. All exact integer arithmetic; none allocates.
#pragma once

#include <cstdint>

#include "render/Surface.h"

namespace velmora::render::effects {

// round(t / 255) for 0 <= t <= 255 * 255 + 255, exact.
inline uint32_t Div255(uint32_t t) {
    t += 128;
    return (t + (t >> 8)) >> 8;
}

// In rect r (clipped to all three surfaces, which share coordinates):
// dst = round((b × alpha + a × (255 − alpha)) / 255) per channel, as
// AlphaBlend of b onto a copy of a with constant alpha. dst may be a or b.
void Mix(Surface& dst, Rect r, const Surface& a, const Surface& b, uint8_t alpha);

// Every pixel becomes round((colour × alpha + pixel × (255 − alpha)) / 255)
// per channel (colour 0xRRGGBB).
void BlendColour(Surface& s, uint32_t colour, uint8_t alpha);

// dst = the grey picture of src: every channel min(255, round(0.35 × (red +
// green + blue))), halves to even.
void GreyImage(Surface& dst, const Surface& src);

// dst = the colour negative of src (255 − each channel).
void NegativeImage(Surface& dst, const Surface& src);

// dst = src flipped top to bottom (vertical) or left to right.
void FlipImage(Surface& dst, const Surface& src, bool vertical);

// Makes the picture a premultiplied sprite keyed on black: black pixels
// become transparent (0), every other pixel opaque.
void KeyBlack(Surface& s);

}  // namespace velmora::render::effects
