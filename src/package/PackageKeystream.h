// The package keystream: the byte sequence that scrambles the head of the
// shipped player stub and the head of every file in a package's media area.
// Plain C++ with no Qt and no operating-system calls: the Windows player is
// compiled from this very file.
//
// Generator: a 24-bit state x. Seeding takes the bit pattern b of the
// single-precision value -615424 and sets x = (b + (b >> 24)) mod 2^24, then
// advances once and drops that output. Each advance is
// x = (x * 1140671485 + 12820163) mod 2^24 and yields the byte x >> 16.
// Every scrambling call seeds afresh, so every scrambled region starts with
// the same first key byte. XOR is its own inverse: scrambling twice restores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora {

// Bytes of the shipped stub that are scrambled (the whole stub when shorter).
inline constexpr size_t kStubScrambleBytes = 5000;
// Bytes of each embedded file that are scrambled.
inline constexpr size_t kMediaScrambleBytes = 256;

class PackageKeystream {
  public:
    PackageKeystream();  // freshly seeded
    uint8_t Next();

  private:
    uint32_t x_;
};

// XORs the first min(bytes.size(), limit) bytes with a fresh keystream.
void ScrambleHead(std::span<uint8_t> bytes, size_t limit);

// The media-area form: the first min(length, 256) bytes.
inline void ScrambleBufferHead(std::span<uint8_t> bytes) {
    ScrambleHead(bytes, kMediaScrambleBytes);
}

// XORs bytes that sit at position `start` (0-based) of a scrambled region,
// for callers that stream a file in pieces: only positions below `limit` are
// touched.
void ScrambleAt(std::span<uint8_t> bytes, uint64_t start, size_t limit);

}  // namespace velmora
