// cLameEncoder: encodes a 16-bit stereo PCM WAV file into an MP3 file with
// libmp3lame, configured as the export's sound track needs it: 22050 Hz,
// joint stereo, the "fast standard" VBR preset (new VBR method), no bit
// reservoir, original bit set, and a VBR (Xing/LAME) header written into the
// first frame when the stream is done. Preset 12 is CBR at BitRate kbit/s,
// without the VBR header.
//
// cLameWavReader feeds the encoder the WAV's sample data in encoder-sized
// chunks; cLameMp3Writer owns the output buffer and file.
//
// Besides Encode(), a stream can be fed several WAV files one after the
// other (BeginStream, EncodeWav..., EndStream): the result is the MP3 of
// their joined data, which lets the sound track encode a song while the next
// one is decoded.
//
// Core code, no Qt; one encoder per thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/PcmConversion.h"
#include "audio/SoundStream.h"
#include "base/ByteSource.h"

namespace velmora {
class Progress;
}

namespace velmora::audio {

class cLameWavReader {
  public:
    // Opens the WAV; false (and closed) unless it is 16-bit stereo PCM.
    bool OpenFile(const std::string& sSoundFile);
    void CloseFile();
    // Reads the next buffer; true when a full buffer was read and more data
    // remains, false for the last (possibly empty or short) read.
    bool Read();
    bool SeekAbsolute(uint64_t frame);
    bool SeekRelative(int64_t frames);

    void SetReadBufferSize(uint32_t frames);
    uint32_t ReadBufferSize() const { return bufferFrames_; }
    uint32_t ReadSize() const { return readSize_; }  // bytes of the last read
    const int16_t* ReadBufferPtr() const { return buffer_.data(); }
    uint64_t BufferStartPosition() const { return bufferStart_; }  // frame of the last read
    uint64_t AudioLength() const { return dataSize_ / 4; }         // frames
    uint32_t SampleRate() const { return format_.nSamplesPerSec; }
    const std::string& Filename() const { return file_; }

  private:
    FileSource src_;
    std::string file_;
    uint64_t dataOffset_ = 0, dataSize_ = 0, position_ = 0;
    uint64_t bufferStart_ = 0;
    WaveFormatEx format_;
    uint32_t bufferFrames_ = 0;
    uint32_t readSize_ = 0;
    std::vector<int16_t> buffer_;
};

class cLameMp3Writer {
  public:
    bool Create(const std::string& fileName, uint32_t bufferSize);
    bool WriteBufferToFile(uint32_t size);
    bool CloseFile();
    uint8_t* BufferPointer() { return buffer_.data(); }
    uint32_t BufferSize() const { return static_cast<uint32_t>(buffer_.size()); }
    const std::string& Filename() const { return file_; }

  private:
    std::string file_;
    FilePtr f_;
    std::vector<uint8_t> buffer_;
};

class cLameEncoder {
  public:
    cLameEncoder();
    ~cLameEncoder();
    cLameEncoder(const cLameEncoder&) = delete;
    cLameEncoder& operator=(const cLameEncoder&) = delete;

    std::string WavFile, Mp3File;
    int32_t EncodingPreset = 7;  // 7 fast standard (VBR), 12 CBR
    int32_t BitRate = 0;         // kbit/s, CBR only
    int32_t SampleRate = 22050;
    int32_t OutputMode = 1;  // 0 stereo, 1 joint stereo, 3 mono

    // Encodes WavFile into Mp3File with progress "步骤 2/4：编码音频" and
    // cancel through progress. False on failure; the caller deletes a
    // partial MP3. A cancelled run deletes the MP3 itself and returns true
    // (Cancelled() says so).
    bool Encode(Progress* progress = nullptr);

    // The same in steps. BeginStream starts the encoder and creates
    // Mp3File for WAVs of inputRate; EncodeWav appends one WAV's samples
    // (progress counts totalFrames for the whole stream); EndStream flushes,
    // closes and writes the VBR header. Abort closes and deletes the file.
    bool BeginStream(uint32_t inputRate);
    bool EncodeWav(const std::string& wav, Progress* progress, uint64_t totalFrames);
    bool EndStream();
    void Abort();

    bool Cancelled() const { return cancelled_; }
    const std::string& ErrorText() const { return error_; }

  private:
    struct Lame;
    void CloseStream();
    std::unique_ptr<Lame> lame_;
    cLameMp3Writer writer_;
    uint32_t samplesPerChunk_ = 0;
    uint64_t framesDone_ = 0;
    uint64_t chunks_ = 0;
    bool cancelled_ = false;
    std::string error_;
};

}  // namespace velmora::audio
