// Random-access byte sources for the parsers of untrusted files: a file read
// with pread (opened for reading only, closed by the destructor) or a span of
// bytes in memory (for tests and fuzzing). Reads are bounded by the source's
// size; a read past the end returns fewer bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velmora::audio {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Copies up to out.size() bytes from offset into out; returns the count
    // copied (0 at or past the end), or -1 on a read error.
    virtual int64_t ReadAt(uint64_t offset, std::span<uint8_t> out) = 0;

    // True when exactly out.size() bytes were read.
    bool ReadExact(uint64_t offset, std::span<uint8_t> out) {
        return ReadAt(offset, out) == static_cast<int64_t>(out.size());
    }
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    int64_t ReadAt(uint64_t offset, std::span<uint8_t> out) override;

  private:
    std::span<const uint8_t> bytes_;
};

class FileSource final : public ByteSource {
  public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // Opens a regular file for reading; false when it cannot be opened.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    uint64_t Size() const override { return size_; }
    int64_t ReadAt(uint64_t offset, std::span<uint8_t> out) override;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

}  // namespace velmora::audio
