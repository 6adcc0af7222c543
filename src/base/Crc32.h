// CRC-32 (IEEE 802.3, reflected, polynomial 0xEDB88320), as zlib computes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velmora {

class Crc32 {
  public:
    void Update(std::span<const uint8_t> bytes);
    uint32_t Value() const { return ~state_; }

  private:
    uint32_t state_ = 0xFFFFFFFFu;
};

uint32_t Crc32Of(std::span<const uint8_t> bytes);

// CRC-32 of a whole file, read in blocks; nullopt when it cannot be read.
std::optional<uint32_t> FileCrc32(const std::string& path);

// Eight upper-case hex digits, as the build's library check compares them.
std::string Crc32Hex(uint32_t crc);

}  // namespace velmora
