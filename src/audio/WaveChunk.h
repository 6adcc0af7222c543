// RIFF/WAVE chunk lookup shared by the WAV readers and writers: descends into
// the RIFF chunk whose form type is "WAVE" and finds its first sub-chunk with
// a given four-character id. Chunks are found by walking the chunk list, not
// by position, so "data" before "fmt " or extra chunks in between are fine.
// Core code, no Qt.
#pragma once

#include <cstdint>
#include <string>

#include "base/ByteSource.h"

namespace velmora::audio {

struct WaveChunk {
    uint64_t offset = 0;  // file offset of the contents (after the 8-byte header); 0: not found
    uint32_t size = 0;    // size from the chunk header (may claim more than the file holds)
    bool found() const { return offset != 0; }
};

// (0, 0) when the file, the RIFF/WAVE form or the chunk is missing.
WaveChunk FindWaveChunk(const std::string& path, const char chunkId[4]);
WaveChunk FindWaveChunk(ByteSource& source, const char chunkId[4]);

// The leading fields of a "fmt " chunk (WAVEFORMATEX without cbSize).
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

// Reads the first 16 bytes of the "fmt " chunk; false when the chunk is
// missing or shorter than 16 bytes.
bool ReadWaveFormat(ByteSource& source, WaveFormat& out);

}  // namespace velmora::audio
