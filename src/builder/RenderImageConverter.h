// The build's picture conversions done by the rendering engine: its probe
// for the bit depth, its decoders (the platform codec for BMP, its own for
// TGA and PCX) and its JPEG and PNG writers. The platform codec must be
// installed (the program and the command line do it at start-up).
//
// Threading: any number of threads may convert at once; the codec backend
// serialises its own decodes and PNG writes, and the JPEG encoding, the bulk
// of the work, runs on every thread that calls.
#pragma once

#include "builder/ImageConverter.h"

namespace velmora {

class RenderImageConverter final : public ImageConverter {
  public:
    int ProbeBitDepth(const std::string& path) override;
    bool Convert(const std::string& source, const std::string& destination,
                 const std::string& sourceType, const std::string& targetType,
                 int quality) override;
};

}  // namespace velmora
