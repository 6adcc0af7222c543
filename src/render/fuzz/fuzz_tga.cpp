// libFuzzer target: arbitrary bytes through the TGA decoder, its header
// probe, and the placement of what it decodes (pre-blend included) on a
// small surface.
#include <cstdlib>
#include <span>

#include "render/Composer.h"
#include "render/ImageProbe.h"
#include "render/TgaPcx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora::render;
    std::span<const uint8_t> bytes(data, size);
    ProbeImageBytes(bytes, size, true);
    // Keep each run small: refuse pictures of more than 4 M pixels here.
    if (size >= 16) {
        int w = data[12] | data[13] << 8, h = data[14] | data[15] << 8;
        if (static_cast<int64_t>(w) * h > (4 << 20))
            return 0;
    }
    LoadedImage img = LoadImageBytes(bytes, ImageRoute::Tga);
    if (!img.ok())
        return 0;
    if (img.picture.width() <= 0 || img.picture.height() <= 0)
        std::abort();
    if (!img.tgaAlpha.empty() &&
        img.tgaAlpha.size() != static_cast<size_t>(img.picture.width()) * img.picture.height())
        std::abort();
    Composer composer;
    composer.SeedRandomForTesting(1);
    Surface s(37, 23, 0xFF102030u);
    for (int mode = 0; mode <= 4; ++mode)
        composer.DrawLoadedImage(s, img, mode, 0, 0);
    return 0;
}
