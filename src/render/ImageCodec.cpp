#include "render/ImageCodec.h"

#include <atomic>

namespace velmora::render {

namespace {
// Read by worker threads; atomic so that a late installation is seen whole.
std::atomic<ImageCodec*> g_codec{nullptr};
}  // namespace

void SetImageCodec(ImageCodec* codec) {
    g_codec.store(codec, std::memory_order_release);
}
ImageCodec* CurrentImageCodec() {
    return g_codec.load(std::memory_order_acquire);
}

}  // namespace velmora::render
