// StreamWMA: the sound stream of Windows Media audio files (ASF with WMA 1,
// WMA 2 or another audio codec libavcodec decodes). Unlike the MP3 stream
// it decodes itself, with libavformat and libavcodec, and hands out 16-bit
// interleaved PCM at the file's own rate and channel count; the duration
// comes from the file header.
//
// Results: OpenSource 1 for a missing file or one that is not an ASF file,
// 4 when no audio stream can be decoded to 16-bit PCM; Read 5 at the end of
// the samples; SeekTo 3 out of range or when the seek fails; CloseSource 0
// when a file was open, else 1.
//
// Core code, no Qt; one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "audio/LibavHandles.h"
#include "audio/SoundStream.h"

namespace velmora::audio {

class StreamWMA final : public ISoundStream, public ISoundInfo {
  public:
    StreamWMA() = default;
    ~StreamWMA() override;
    StreamWMA(const StreamWMA&) = delete;
    StreamWMA& operator=(const StreamWMA&) = delete;

    ISoundInfo& Info() override { return *this; }
    std::span<const uint8_t> WFXPointer() const override;
    int32_t OpenSource(const std::string& source) override;
    int32_t CloseSource() override;
    int32_t Read(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesRead) override;
    int32_t SeekTo(double value, int32_t mode) override;

    bool Force16Bit() const override { return true; }
    int32_t Position() const override;
    int32_t Duration() const override;

    bool IsOpen() const { return opened_; }
    int64_t BitRate() const { return bitRate_; }
    bool Seekable() const { return seekable_; }

  private:
    // Decodes the next frame into sample_; false at the end of the samples.
    bool NextSample();
    bool ConvertFrame(const AVFrame& frame);

    AvFormatPtr format_;
    AvCodecPtr codec_;
    SwrPtr swr_;
    AvPacketPtr packet_;
    AvFramePtr frame_;
    int streamIndex_ = -1;
    std::vector<uint8_t> wfx_;
    std::vector<uint8_t> sample_;
    size_t sampleOffset_ = 0;
    bool endOfSamples_ = false;
    bool draining_ = false;
    bool opened_ = false;
    int64_t duration100ns_ = 0;
    int64_t bitRate_ = 0;
    bool seekable_ = false;
    int64_t lastSample100ns_ = 0;
    int channels_ = 0;
};

}  // namespace velmora::audio
