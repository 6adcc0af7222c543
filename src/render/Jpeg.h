// JPEG decoding and encoding with libjpeg-turbo, straight into and out of a
// Surface (its B, G, R, X bytes are libjpeg-turbo's BGRX layout, so rows are
// decoded in place).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "render/Surface.h"
#include "render/TgaPcx.h"

namespace velmora::render {

// Decodes a JPEG. With minWidth and minHeight > 0 the decoder's DCT scaling
// decodes at the smallest size of 1/1, 1/2, 1/4 or 1/8 that is still at least
// minWidth × minHeight (a thumbnail or a frame-sized photo then costs a
// fraction of a full decode); 0 decodes at full size. CMYK pictures are
// converted (Adobe's inverted CMYK, as cameras and editors store it).
DecodeStatus DecodeJpeg(std::span<const uint8_t> bytes, Picture& out, std::string& message,
                        int32_t minWidth = 0, int32_t minHeight = 0);

// Encodes the surface as a baseline JPEG (4:2:0, the given quality 1..100)
// into bytes. False on failure.
bool EncodeJpeg(const Surface& surface, int quality, std::vector<uint8_t>& out);

}  // namespace velmora::render
