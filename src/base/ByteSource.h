// Random-access byte sources for the readers of untrusted files (PE images,
// packages, MP3, WAV and MIDI files): a file opened for reading or a span of
// bytes in memory (tests and fuzzing). Reads are bounded by the source's
// size. Plain C++ streams only, no operating-system calls: the Windows player
// compiles this file too. One source is used by one thread at a time.
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
    // Copies up to out.size() bytes from offset into out; returns the count
    // copied (0 at or past the end), or -1 on a read error.
    virtual int64_t ReadAt(uint64_t offset, std::span<uint8_t> out) = 0;

    // Fills out with the bytes at offset; false when they are not all there.
    bool Read(uint64_t offset, std::span<uint8_t> out) {
        return ReadAt(offset, out) == static_cast<int64_t>(out.size());
    }
};

// Bytes in memory (not owned).
class SpanSource final : public ByteSource {
  public:
    explicit SpanSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    int64_t ReadAt(uint64_t offset, std::span<uint8_t> out) override;

  private:
    std::span<const uint8_t> bytes_;
};

// A regular file opened for reading; the path is UTF-8.
class FileSource final : public ByteSource {
  public:
    FileSource() = default;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // False when the path is not a regular file or cannot be opened.
    bool Open(const std::string& utf8Path);
    void Close();
    bool IsOpen() const { return in_.is_open(); }
    uint64_t Size() const override { return size_; }
    int64_t ReadAt(uint64_t offset, std::span<uint8_t> out) override;

  private:
    std::ifstream in_;
    uint64_t size_ = 0;
};

}  // namespace velmora
