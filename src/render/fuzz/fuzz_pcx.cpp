// libFuzzer target: arbitrary bytes through the PCX decoder, its header
// probe, and the placement of what it decodes on a small surface.
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
    if (size >= 12) {
        int w = static_cast<int16_t>(data[8] | data[9] << 8) -
                static_cast<int16_t>(data[4] | data[5] << 8) + 1;
        int h = static_cast<int16_t>(data[10] | data[11] << 8) -
                static_cast<int16_t>(data[6] | data[7] << 8) + 1;
        if (static_cast<int64_t>(w) * h > (4 << 20))
            return 0;
    }
    LoadedImage img = LoadImageBytes(bytes, ImageRoute::Pcx);
    if (!img.ok())
        return 0;
    if (img.picture.width() <= 0 || img.picture.height() <= 0)
        std::abort();
    Composer composer;
    composer.SeedRandomForTesting(1);
    Surface s(29, 31, 0xFF102030u);
    for (int mode = 0; mode <= 4; ++mode)
        composer.DrawLoadedImage(s, img, mode, 0, 0);
    return 0;
}
