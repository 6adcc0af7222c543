// libFuzzer target: arbitrary bytes through the MP3 header parser. The
// search must end, and the properties must be consistent with the input.
#include <cstdlib>
#include <span>

#include "audio/MP3Info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::SpanSource src(std::span<const uint8_t>(data, size));
    velmora::audio::MP3Info info;
    if (!info.ReadMP3Info(src)) {
        if (info.FileSize() != 0 || info.Frames() != 0 || info.Duration() != 0)
            std::abort();
        return 0;
    }
    if (info.FirstFrame() + 4 > size)
        std::abort();
    if (info.SampleRate() <= 0 || info.Layer() < 1 || info.Layer() > 3)
        std::abort();
    if (info.Duration() < 0 || info.Frames() < 0 || info.MpegBytes() < 0)
        std::abort();
    return 0;
}
