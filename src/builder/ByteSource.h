// Random-access byte sources for the readers of untrusted files (PE images,
// packages). Plain C++17 streams only, no operating-system calls: the Windows
// player compiles this file too.
#pragma once

#include <cstdint>
#include <fstream>
#include <span>
#include <string>

namespace velmora {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Fills out with the bytes at offset; false when they are not all there.
    virtual bool Read(uint64_t offset, std::span<uint8_t> out) = 0;
};

// Bytes in memory (not owned).
class SpanSource final : public ByteSource {
  public:
    explicit SpanSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, std::span<uint8_t> out) override;

  private:
    std::span<const uint8_t> bytes_;
};

// A file opened for reading; the path is UTF-8.
class FileSource final : public ByteSource {
  public:
    bool Open(const std::string& utf8Path);
    bool IsOpen() const { return in_.is_open(); }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, std::span<uint8_t> out) override;

  private:
    std::ifstream in_;
    uint64_t size_ = 0;
};

}  // namespace velmora
