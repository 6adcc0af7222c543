// StreamMP3: the sound stream of MPEG audio files. It does not decode: it
// finds the first frame, describes the stream as an MPEG Layer III source
// format (MPEGLAYER3WAVEFORMAT, 30 bytes) and hands out the raw file bytes
// from the first frame on; PCMPreparator decodes them with libmpg123.
//
// The first frame: ID3v2 tags at the start are skipped by their own length
// (so a song with large cover art still opens), then every offset of the
// next 64 KiB is tried with the lenient header rule (free format allowed);
// a candidate must be followed by another such header one frame further on
// when the file reaches that far, so a stray 0xFF byte in a tag is not taken
// for a frame. When nothing is found the stream stays closed and OpenSource
// still returns 0; the conversion set-up then fails.
//
// Core code, no Qt; one thread at a time.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "audio/MP3Info.h"
#include "audio/SoundStream.h"
#include "base/ByteSource.h"

namespace velmora::audio {

class StreamMP3 final : public ISoundStream, public ISoundInfo {
  public:
    StreamMP3() = default;
    ~StreamMP3() override;
    StreamMP3(const StreamMP3&) = delete;
    StreamMP3& operator=(const StreamMP3&) = delete;

    ISoundInfo& Info() override { return *this; }
    std::span<const uint8_t> WFXPointer() const override;
    int32_t OpenSource(const std::string& source) override;
    int32_t CloseSource() override;
    int32_t Read(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesRead) override;
    int32_t SeekTo(double value, int32_t mode) override;
    int32_t OpenSource(std::unique_ptr<ByteSource> source);

    bool Force16Bit() const override { return true; }
    int32_t Position() const override;
    int32_t Duration() const override;

    bool IsOpen() const { return source_ != nullptr; }
    uint64_t FirstFrame() const { return firstFrame_; }
    const Mp3FrameHeader& FirstHeader() const { return header_; }
    bool HasXing() const { return xingFound_; }

  private:
    bool FindFirstFrame(ByteSource& src, uint64_t& out);
    double DurationSeconds() const;
    int FrameLength() const;

    std::unique_ptr<ByteSource> source_;
    uint64_t fileSize_ = 0;
    uint64_t firstFrame_ = 0;
    uint64_t position_ = 0;
    Mp3FrameHeader header_;
    bool xingFound_ = false;
    uint32_t xingFlags_ = 0;
    uint32_t xingFrames_ = 0;
    uint32_t xingBytes_ = 0;
    std::array<uint8_t, 100> xingToc_{};
    uint32_t xingQuality_ = 0;
    std::vector<uint8_t> format_;  // MPEGLAYER3WAVEFORMAT
};

}  // namespace velmora::audio
