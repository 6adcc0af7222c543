// Small media files made at test time: BMP pictures, PCM WAV songs, a
// Standard MIDI File.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"

namespace velmora::test {

inline void PutLe(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 24-bit BMP of w x h pixels in one colour.
inline void WriteBmp(const std::string& path, int w, int h, uint32_t rgb = 0x3366CC) {
    const uint32_t row = static_cast<uint32_t>((w * 3 + 3) & ~3);
    std::vector<uint8_t> b = {'B', 'M'};
    PutLe(b, 54 + row * static_cast<uint32_t>(h), 4);
    PutLe(b, 0, 4);
    PutLe(b, 54, 4);
    PutLe(b, 40, 4);
    PutLe(b, static_cast<uint32_t>(w), 4);
    PutLe(b, static_cast<uint32_t>(h), 4);
    PutLe(b, 1, 2);
    PutLe(b, 24, 2);
    PutLe(b, 0, 4);
    PutLe(b, row * static_cast<uint32_t>(h), 4);
    PutLe(b, 2835, 4);
    PutLe(b, 2835, 4);
    PutLe(b, 0, 4);
    PutLe(b, 0, 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            b.push_back(static_cast<uint8_t>(rgb));
            b.push_back(static_cast<uint8_t>(rgb >> 8));
            b.push_back(static_cast<uint8_t>(rgb >> 16));
        }
        for (uint32_t k = static_cast<uint32_t>(w) * 3; k < row; ++k)
            b.push_back(0);
    }
    WriteBytes(path, b);
}

// A mono 16-bit PCM WAV of the given length (a 440 Hz tone).
inline void WriteWav(const std::string& path, double seconds, uint32_t rate = 8000) {
    const uint32_t n = static_cast<uint32_t>(seconds * rate);
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    PutLe(b, 36 + n * 2, 4);
    for (char c : std::string("WAVEfmt "))
        b.push_back(static_cast<uint8_t>(c));
    PutLe(b, 16, 4);
    PutLe(b, 1, 2);
    PutLe(b, 1, 2);
    PutLe(b, rate, 4);
    PutLe(b, rate * 2, 4);
    PutLe(b, 2, 2);
    PutLe(b, 16, 2);
    for (char c : std::string("data"))
        b.push_back(static_cast<uint8_t>(c));
    PutLe(b, n * 2, 4);
    for (uint32_t i = 0; i < n; ++i) {
        auto s = static_cast<int16_t>(8000 * std::sin(2 * 3.14159265 * 440 * i / rate));
        PutLe(b, static_cast<uint16_t>(s), 2);
    }
    WriteBytes(path, b);
}

// A format-0 MIDI file: one note lasting `quarters` quarter notes at 120 bpm
// (0.5 s each).
inline void WriteMidi(const std::string& path, int quarters = 4) {
    std::vector<uint8_t> trk = {0x00, 0x90, 60, 100};
    uint32_t delta = static_cast<uint32_t>(96 * quarters);
    // Variable-length delta.
    std::vector<uint8_t> vl;
    vl.push_back(static_cast<uint8_t>(delta & 0x7F));
    while (delta >>= 7)
        vl.insert(vl.begin(), static_cast<uint8_t>(0x80 | (delta & 0x7F)));
    trk.insert(trk.end(), vl.begin(), vl.end());
    for (uint8_t c : {0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00})
        trk.push_back(c);
    std::vector<uint8_t> b = {'M', 'T', 'h', 'd', 0,  0,   0,   6,   0,
                              0,   0,   1,   0,   96, 'M', 'T', 'r', 'k'};
    uint32_t len = static_cast<uint32_t>(trk.size());
    for (int i = 3; i >= 0; --i)
        b.push_back(static_cast<uint8_t>(len >> (8 * i)));
    b.insert(b.end(), trk.begin(), trk.end());
    WriteBytes(path, b);
}

}  // namespace velmora::test
