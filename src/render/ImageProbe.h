// Probing a picture file for its real format, size and bit depth, as the
// editor shows them and the package builder decides from them whether to
// convert a photo.
//
// The five common formats (BMP, JPG, GIF, PNG, TIF) are recognised by their
// signatures, and their size and pixel depth read from their headers, the
// way the platform's image library reports them on opening (without a
// decode, so probing a long photo list stays fast). A file none of them
// claims is tested for a TGA header, then for a PCX header.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velmora::render {

struct ImageProbeResult {
    std::string FormatName = "UnKnown";  // "BMP" "JPG" "GIF" "PNG" "TIF" "TGA" "PCX" "UnKnown"
    int32_t Width = 0;
    int32_t Height = 0;
    // 1, 4, 8, 15, 16, 24, 32; 0 for a pixel layout outside that list (for
    // example 16 bits per channel, CMYK).
    int32_t BitDepth = 0;
    bool known() const { return FormatName != "UnKnown"; }
};

// Probes path. A path shorter than 8 characters once trailing blanks are cut
// (no full path can be that short) probes as "UnKnown" without opening the
// file. Without details only FormatName is filled for the five common
// formats (TGA and PCX always fill size and depth).
ImageProbeResult ProbeImageFile(const std::string& path, bool detailsWanted = true);

// The same rules on bytes in memory (the whole file, or at least its head:
// the PCX test needs more than 30 bytes, the TGA test more than 18, and
// fileSize gives the file's real length for those length rules).
ImageProbeResult ProbeImageBytes(std::span<const uint8_t> head, uint64_t fileSize,
                                 bool detailsWanted = true);

}  // namespace velmora::render
