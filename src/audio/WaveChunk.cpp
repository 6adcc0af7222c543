#include "audio/WaveChunk.h"

#include <array>
#include <cstring>

namespace velmora::audio {

namespace {

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

WaveChunk FindWaveChunk(ByteSource& source, const char chunkId[4]) {
    const uint64_t fileSize = source.Size();
    // Find the RIFF chunk of form type "WAVE" among the top-level chunks.
    uint64_t pos = 0;
    uint64_t formEnd = 0;
    for (;;) {
        std::array<uint8_t, 12> h{};
        if (!source.Read(pos, h))
            return {};
        uint32_t size = Le32(h.data() + 4);
        uint64_t end = pos + 8 + size + (size & 1u);
        if (std::memcmp(h.data(), "RIFF", 4) == 0 && std::memcmp(h.data() + 8, "WAVE", 4) == 0) {
            // Streaming writers leave 0 or 0xFFFFFFFF; a size past the end of
            // the file is cut to the file.
            formEnd = (size < 4 || size == 0xFFFFFFFFu || end > fileSize) ? fileSize : end;
            pos += 12;
            break;
        }
        if (end <= pos || end >= fileSize)
            return {};
        pos = end;
    }
    // Walk the sub-chunks.
    while (pos + 8 <= formEnd) {
        std::array<uint8_t, 8> h{};
        if (!source.Read(pos, h))
            return {};
        uint32_t size = Le32(h.data() + 4);
        if (std::memcmp(h.data(), chunkId, 4) == 0)
            return {pos + 8, size};
        pos += 8 + static_cast<uint64_t>(size) + (size & 1u);
    }
    return {};
}

WaveChunk FindWaveChunk(const std::string& path, const char chunkId[4]) {
    FileSource file;
    if (!file.Open(path))
        return {};
    return FindWaveChunk(file, chunkId);
}

bool ReadWaveFormat(ByteSource& source, WaveFormat& out) {
    WaveChunk fmt = FindWaveChunk(source, "fmt ");
    if (!fmt.found() || fmt.size < 16)
        return false;
    std::array<uint8_t, 16> b{};
    if (!source.Read(fmt.offset, b))
        return false;
    out.formatTag = static_cast<uint16_t>(b[0] | b[1] << 8);
    out.channels = static_cast<uint16_t>(b[2] | b[3] << 8);
    out.samplesPerSec = Le32(b.data() + 4);
    out.avgBytesPerSec = Le32(b.data() + 8);
    out.blockAlign = static_cast<uint16_t>(b[12] | b[13] << 8);
    out.bitsPerSample = static_cast<uint16_t>(b[14] | b[15] << 8);
    return true;
}

}  // namespace velmora::audio
