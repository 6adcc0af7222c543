// The image codec backend: decoding of BMP, GIF, PNG and TIF pictures and
// PNG encoding, done by the platform's image library behind this interface
// (the Qt Gui implementation is in render/qt/). JPEG is decoded and encoded
// by the engine itself (render/Jpeg.h); TGA and PCX by render/TgaPcx.h.
//
// One backend serves the process. The program and the command line install
// it at start-up (render/qt/QtImageCodec.h: InstallQtImageCodec()); without
// one, pictures of those formats decode as unsupported and draw nothing.
//
// Threading: Decode and EncodePng may be called from any thread. A backend
// serves one call at a time: the codec's own lock serialises the calls, so
// callers (thumbnail workers, the package build's converters, the loader's
// JPEG fallback) need no lock of their own. SetImageCodec is called at
// start-up, before any worker uses the codec.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "render/Surface.h"
#include "render/TgaPcx.h"

namespace velmora::render {

class ImageCodec {
  public:
    virtual ~ImageCodec() = default;

    // Decodes an encoded picture (its format recognised from its content).
    // Opaque pictures come out with X = 0xFF; pictures with transparency set
    // out.hasAlpha and carry premultiplied alpha in X. Pictures larger than
    // kMaxDecodedBytes are refused with TooLarge. A message (Chinese) says
    // why when the result is not Ok.
    DecodeStatus Decode(std::span<const uint8_t> bytes, Picture& out, std::string& message) {
        std::lock_guard lock(mutex_);
        return DecodePicture(bytes, out, message);
    }

    // Writes the picture as a PNG file (with alpha when it has any). False
    // when the file cannot be written.
    bool EncodePng(const Picture& picture, const std::string& path) {
        std::lock_guard lock(mutex_);
        return WritePng(picture, path);
    }

  protected:
    // The backend's work, called with the codec's lock held.
    virtual DecodeStatus DecodePicture(std::span<const uint8_t> bytes, Picture& out,
                                       std::string& message) = 0;
    virtual bool WritePng(const Picture& picture, const std::string& path) = 0;

  private:
    std::mutex mutex_;
};

// Installs the process's backend (nullptr removes it). Not owned.
void SetImageCodec(ImageCodec* codec);
ImageCodec* CurrentImageCodec();

}  // namespace velmora::render
