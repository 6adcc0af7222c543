// StreamWAV: the sound stream of RIFF/WAVE files. It hands out the bytes of
// the "data" chunk as they are, with the "fmt " chunk as the source format;
// PCMPreparator decodes them (PCM, IEEE float, WAVE_FORMAT_EXTENSIBLE, or
// MPEG Layer III inside a WAV). Both chunks are found by search, so their
// order and any chunks between them do not matter. Reads never pass the end
// of the data chunk nor the end of the file, whatever the header claims.
// Core code, no Qt; one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/SoundStream.h"
#include "base/ByteSource.h"

namespace velmora::audio {

class StreamWAV final : public ISoundStream, public ISoundInfo {
  public:
    StreamWAV() = default;
    ~StreamWAV() override;
    StreamWAV(const StreamWAV&) = delete;
    StreamWAV& operator=(const StreamWAV&) = delete;

    // ISoundStream
    ISoundInfo& Info() override { return *this; }
    std::span<const uint8_t> WFXPointer() const override;
    int32_t OpenSource(const std::string& source) override;
    int32_t CloseSource() override;
    int32_t Read(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesRead) override;
    int32_t SeekTo(double value, int32_t mode) override;

    // The same on any byte source (memory in tests and fuzzing).
    int32_t OpenSource(std::unique_ptr<ByteSource> source);

    // ISoundInfo
    bool Force16Bit() const override { return false; }
    int32_t Position() const override;
    int32_t Duration() const override;

    // Beyond the interfaces.
    bool IsOpen() const { return source_ != nullptr; }
    const WaveFormatEx& Format() const { return format_; }
    int64_t BitRate() const { return static_cast<int64_t>(format_.nAvgBytesPerSec) * 8; }
    int BitsPerSample() const { return format_.wBitsPerSample; }
    int Channels() const { return format_.nChannels; }
    int SampleRate() const { return static_cast<int>(format_.nSamplesPerSec); }
    bool EndOfStream() const { return position_ >= dataEnd_; }
    static std::vector<std::string> Extensions() { return {"wav"}; }
    static bool Seekable() { return true; }
    uint64_t DataOffset() const { return dataOffset_; }
    uint64_t DataSize() const { return dataEnd_ - dataOffset_; }  // what the file holds
    // The header claims more data than the file holds.
    bool Truncated() const { return source_ && dataOffset_ + dataSize_ > dataEnd_; }

  private:
    std::unique_ptr<ByteSource> source_;
    uint64_t dataOffset_ = 0;
    uint32_t dataSize_ = 0;  // from the chunk header (durations use what the file holds)
    uint64_t dataEnd_ = 0;   // data offset + size, cut to the end of the file
    uint64_t fmtOffset_ = 0;
    uint32_t fmtSize_ = 0;
    std::vector<uint8_t> formatBytes_;
    WaveFormatEx format_;
    uint64_t position_ = 0;
};

}  // namespace velmora::audio
