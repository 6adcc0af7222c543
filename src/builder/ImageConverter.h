// The picture conversions the package build needs: a probe for a picture's
// bit depth (to tell a 32-bit TGA from the others) and a conversion of BMP,
// PCX and TGA sources to JPEG or PNG. The rendering engine's decoders provide
// the real one; the build only sees this interface, so it runs headless and
// can be tested with any implementation.
//
// Threading: Convert may be called from several threads at once for
// different files (the build converts on every core).
#pragma once

#include <string>

namespace velmora {

class ImageConverter {
  public:
    virtual ~ImageConverter() = default;
    // Bits per pixel of the picture at path; 0 when it cannot be read.
    virtual int ProbeBitDepth(const std::string& path) = 0;
    // Converts source (its type the upper-case last three characters of its
    // path, "BMP", "PCX", "TGA") to destination as "JPG" (at the given
    // quality) or "PNG". False when the source cannot be decoded or the
    // destination cannot be written.
    virtual bool Convert(const std::string& source, const std::string& destination,
                         const std::string& sourceType, const std::string& targetType,
                         int quality) = 0;
};

// Bit depth of a TGA file read from its header (byte 16); 0 when the file is
// shorter than a TGA header. Shared by converters that decode TGA elsewhere.
int TgaHeaderBitDepth(const std::string& path);

}  // namespace velmora
