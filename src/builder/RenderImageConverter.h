// The build's picture conversions done by the rendering engine: its probe
// for the bit depth, its decoders (the platform codec for BMP, its own for
// TGA and PCX) and its JPEG and PNG writers. The platform codec must be
// installed (the program and the command line do it at start-up).
//
// Threading: the codec backend is used from one thread at a time, so its
// decodes and PNG writes are serialised here; the JPEG encoding, the bulk of
// the work, runs on every thread that calls.
#pragma once

#include <mutex>

#include "builder/ImageConverter.h"

namespace velmora {

class RenderImageConverter final : public ImageConverter {
  public:
    int ProbeBitDepth(const std::string& path) override;
    bool Convert(const std::string& source, const std::string& destination,
                 const std::string& sourceType, const std::string& targetType,
                 int quality) override;

  private:
    std::mutex codecMutex_;
};

}  // namespace velmora
