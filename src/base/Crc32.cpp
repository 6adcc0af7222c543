#include "Crc32.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <vector>

namespace velmora {

namespace {

// Slicing-by-4 tables: the CRC runs over package media of several hundred
// megabytes, so it is worth the 4 KiB.
struct Tables {
    std::array<std::array<uint32_t, 256>, 4> t{};
    Tables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i) {
            for (int s = 1; s < 4; ++s)
                t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
        }
    }
};

const Tables& tables() {
    static const Tables tab;
    return tab;
}

}  // namespace

void Crc32::Update(std::span<const uint8_t> bytes) {
    const auto& t = tables().t;
    uint32_t c = state_;
    size_t i = 0;
    const size_t n = bytes.size();
    for (; i + 4 <= n; i += 4) {
        c ^= static_cast<uint32_t>(bytes[i]) | static_cast<uint32_t>(bytes[i + 1]) << 8 |
             static_cast<uint32_t>(bytes[i + 2]) << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24;
        c = t[3][c & 0xFF] ^ t[2][(c >> 8) & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^ t[0][c >> 24];
    }
    for (; i < n; ++i)
        c = t[0][(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    state_ = c;
}

uint32_t Crc32Of(std::span<const uint8_t> bytes) {
    Crc32 c;
    c.Update(bytes);
    return c.Value();
}

std::optional<uint32_t> FileCrc32(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return std::nullopt;
    std::vector<uint8_t> buf(1 << 16);
    Crc32 c;
    while (f) {
        f.read(reinterpret_cast<char*>(buf.data()), static_cast<std::streamsize>(buf.size()));
        auto got = f.gcount();
        if (got > 0)
            c.Update(std::span<const uint8_t>(buf.data(), static_cast<size_t>(got)));
    }
    if (f.bad())
        return std::nullopt;
    return c.Value();
}

std::string Crc32Hex(uint32_t crc) {
    char s[9];
    std::snprintf(s, sizeof s, "%08X", crc);
    return s;
}

}  // namespace velmora
