// libFuzzer target: the LRC parser on arbitrary bytes must terminate without
// a fault, and what it returns keeps its promises (sorted, non-negative
// times, second-row flags on the even lines).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "project/Lyrics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::ParsedLyrics lyrics;
    const bool ok = velmora::ParseLyricText(std::span<const uint8_t>(data, size), lyrics);
    if (!ok && !lyrics.lines.empty())
        std::abort();
    for (size_t k = 0; k < lyrics.lines.size(); ++k) {
        const auto& line = lyrics.lines[k];
        if (line.time < 0 || (k > 0 && line.time < lyrics.lines[k - 1].time) ||
            line.secondRow != (k % 2 == 1))
            std::abort();
    }
    return 0;
}
