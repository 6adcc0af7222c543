// libFuzzer target: arbitrary bytes through the Standard MIDI File reader.
#include <cmath>
#include <cstdlib>
#include <span>

#include "audio/MidiFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::audio::MidiFileInfo info;
    if (!velmora::audio::ReadMidiFile(std::span<const uint8_t>(data, size), info))
        return 0;
    if (info.tracksRead < 1 || info.tracksRead > info.declaredTracks)
        std::abort();
    if (!std::isfinite(info.durationSeconds) || info.durationSeconds < 0)
        std::abort();
    for (size_t i = 1; i < info.tempoMap.size(); ++i)
        if (info.format != 2 && info.tempoMap[i].tick < info.tempoMap[i - 1].tick)
            std::abort();
    return 0;
}
