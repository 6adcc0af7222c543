// The system's own TGA and PCX decoders. They work on the whole file's bytes
// (untrusted: every read is checked) and produce opaque pixels, top row
// first, plus the per-pixel alpha of a 32-bit TGA, which the placement
// pre-blends with the surface (see Composer::DrawTgaFile).
//
// Supported, as the slideshow format needs and no more:
//   TGA types 1, 9 (colour-mapped, 8-bit pixels; map entries of 15, 16, 24 or
//   32 bits, or none: a grey ramp), 2, 10 (true colour, 16, 24, 32 bits; a
//   16-bit pixel is a 5-5-5 word, the top bit ignored), 3, 11 (grey, 8 bits).
//   5-bit channels widen to 8 bits by bit replication (v << 3 | v >> 2).
//   15-bit true colour decodes to nothing. Types 9, 10, 11 are run-length
//   coded. The origin bits of the image descriptor are honoured.
//   PCX 1 bit × 1 plane (black, white), 4 bits × 1 plane (header palette),
//   8 bits × 1 plane (the 256-colour palette at the end of the file when the
//   byte 769 from the end is 12, else a grey ramp), 8 bits × 3 planes (true
//   colour). Run-length coding: a byte of 192 or more repeats the next byte
//   (byte − 192) times.
// Data that ends early leaves the rest of the picture black; palette indices
// past the colour map give black.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "render/Surface.h"

namespace velmora::render {

enum class DecodeStatus {
    Ok,
    Unsupported,  // a variant the decoder does not handle: nothing to draw
    TooLarge,     // decoded size would pass kMaxDecodedBytes
    Corrupt,      // not a file of this kind (too short, impossible header)
};

// Largest decoded picture accepted (width × height × 4 bytes).
inline constexpr uint64_t kMaxDecodedBytes = 1ull << 30;

struct DecodedBitmap {
    DecodeStatus status = DecodeStatus::Unsupported;
    std::string message;  // Chinese text for the user when status != Ok
    Picture picture;      // opaque pixels
    // The bit count of the device-independent bitmap the decoder hands on
    // (1, 4, 8, 16, 24 or 32); 32 for a 32-bit TGA, whose alpha is below.
    int32_t bitCount = 0;
    // 32-bit TGA only: one alpha byte per pixel, rows top first.
    std::vector<uint8_t> alpha;
    bool ok() const { return status == DecodeStatus::Ok; }
};

DecodedBitmap DecodeTga(std::span<const uint8_t> file);
DecodedBitmap DecodePcx(std::span<const uint8_t> file);

// The message for a decoded size over the limit ("图片太大..."), shared by
// every decoder of the engine.
std::string TooLargeMessage(int64_t width, int64_t height);

// True when width × height × 4 bytes stays within kMaxDecodedBytes.
inline bool DecodedSizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxDecodedBytes / 4;
}

}  // namespace velmora::render
