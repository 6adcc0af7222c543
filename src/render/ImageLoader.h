// Loading pictures as the engine draws them, and the conversions the
// package builder makes. These are the entry points for the rest of the
// program:
//
//   LoadImageFile      decode a photo, background, title or logo picture by
//                      its extension, optionally at a reduced size (the JPEG
//                      decoder's DCT scaling) no smaller than a target.
//   LoadThumbnail      the editor's thumbnails and previews: decode at a
//                      reduced size and fit into a box (aspect kept, box
//                      filter), transparency premultiplied.
//   ConvertImageFile   the builder's conversion of BMP, PCX and TGA photos
//                      to JPEG (quality kPackageJpegQuality) or PNG.
//   SaveSurfaceAsJpeg  a composed surface saved as JPEG.
//
// Routing by extension (the last three letters of the path, any case):
// "BMP", "JPG", "GIF", "PNG", "TIF" go to the platform codec (format taken
// from the content; JPEG is decoded by the engine itself), "TGA" and "PCX" to
// the engine's own decoders; every other extension is not a picture.
//
// Failures are results, never exceptions: the status says what happened and
// the message is the Chinese text to show. Callers that draw treat any
// failure as "draw nothing".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "render/Surface.h"
#include "render/TgaPcx.h"

namespace velmora::render {

inline constexpr int kPackageJpegQuality = 92;

// Largest picture file read whole.
inline constexpr uint64_t kMaxImageFileBytes = 1ull << 30;

enum class ImageRoute { None, Codec, Tga, Pcx };

// The route for a path by its last three letters.
ImageRoute RouteForPath(const std::string& path);

struct LoadedImage {
    DecodeStatus status = DecodeStatus::Unsupported;
    std::string message;
    ImageRoute route = ImageRoute::None;
    // Opaque pixels, or premultiplied alpha when picture.hasAlpha (codec
    // pictures with transparency).
    Picture picture;
    // A 32-bit TGA: its straight alpha, one byte per pixel, rows top first;
    // picture holds its colours unblended. Empty for every other picture.
    std::vector<uint8_t> tgaAlpha;
    // The decoded bitmap's bit count for TGA and PCX (see DecodedBitmap).
    int32_t bitCount = 0;
    bool ok() const { return status == DecodeStatus::Ok; }
};

// Decodes a picture file. minWidth/minHeight > 0 allow a JPEG to be decoded
// at a reduced size that still covers them (other formats decode whole).
LoadedImage LoadImageFile(const std::string& path, int32_t minWidth = 0, int32_t minHeight = 0);

// The same for a picture held in memory, routed explicitly (Codec for
// encoded images such as the editor preview's bytes).
LoadedImage LoadImageBytes(std::span<const uint8_t> bytes, ImageRoute route, int32_t minWidth = 0,
                           int32_t minHeight = 0);

// Decodes path and fits it into maxWidth × maxHeight (aspect ratio kept,
// never enlarged). A 32-bit TGA's alpha becomes premultiplied alpha. False,
// with the message set, when it cannot be loaded.
bool LoadThumbnail(const std::string& path, int32_t maxWidth, int32_t maxHeight, Picture& out,
                   std::string& message);

// Re-encodes a picture for the package. sourceExt "BMP" is decoded by the
// codec, "PCX" by the PCX decoder, "TGA" by the TGA decoder (8, 16 and 24
// bits only: a 32-bit TGA is not converted); targetExt "JPG" writes a JPEG
// of the given quality, "PNG" a PNG. Extensions compare case-insensitively.
// False, with a message, when nothing was written.
bool ConvertImageFile(const std::string& sourcePath, const std::string& targetPath,
                      const std::string& sourceExt, const std::string& targetExt, int quality,
                      std::string& message);

// Saves a surface as a JPEG file (written crash-safely). Callers pass
// kPackageJpegQuality.
bool SaveSurfaceAsJpeg(const Surface& surface, const std::string& path, int quality);

// Saves a picture as PNG through the codec backend (false without one).
bool SavePictureAsPng(const Picture& picture, const std::string& path);

// A 32-bit TGA's colours and straight alpha as a premultiplied picture.
Picture PremultiplyTga(const Picture& colours, std::span<const uint8_t> alpha);

}  // namespace velmora::render
