#include "render/ImageCodec.h"

namespace velmora::render {

namespace {
ImageCodec* g_codec = nullptr;
}

void SetImageCodec(ImageCodec* codec) {
    g_codec = codec;
}
ImageCodec* CurrentImageCodec() {
    return g_codec;
}

}  // namespace velmora::render
