// PCM conversion, the WAV writer and the WAV joiner.
//
// PCMPreparator decodes any ISoundStream into PCM at the stream's own rate
// and channel count: MPEG audio (format tag 0x55) through libmpg123's feed
// decoder, PCM, IEEE float and WAVE_FORMAT_EXTENSIBLE data through
// libswresample. The output is 16-bit, or 8-bit for sources of 8 bits or
// fewer unless 16 bits are forced.
//
// EncoderWAV converts PCM chunks to its output format (22050 Hz, 16-bit,
// stereo unless told otherwise) and writes a WAV file.
//
// clsWavConcatenate joins a queue of WAV files into one output in a given PCM
// format, converting each file as it goes, optionally with a canonical
// 44-byte header.
//
// Channel changes between mono and stereo duplicate or average the channels
// (full level, as the Windows converter does); other counts are mixed by
// libswresample. Buffers are bounded: half a second of output in
// PCMPreparator, 16 KiB of input per EncoderWAV::Encode, ten seconds of
// source per step in the joiner.
//
// Core code, no Qt. Objects are used by one thread at a time; different
// objects may run on different threads.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/SoundStream.h"

namespace velmora {
class Progress;
}

namespace velmora::audio {

// Converts interleaved PCM between two formats (sample type, rate, channel
// count). Only whole blocks of the source are consumed.
class SampleConverter {
  public:
    SampleConverter();
    ~SampleConverter();
    SampleConverter(const SampleConverter&) = delete;
    SampleConverter& operator=(const SampleConverter&) = delete;

    // in: PCM (tag 1), IEEE float (tag 3) or WAVE_FORMAT_EXTENSIBLE with one
    // of those sub-formats, 8/16/24/32-bit integer or 32/64-bit float; out:
    // PCM of 8, 16, 24 or 32 bits. The extra bytes of `in` are needed for the
    // extensible form. False when either format is not supported.
    bool Init(std::span<const uint8_t> inFormat, const WaveFormatEx& out);
    // Converts the whole blocks of in (in.size() rounded down to the block
    // size) and appends the result to out; returns the bytes consumed, or -1
    // when the conversion failed.
    int64_t Convert(std::span<const uint8_t> in, std::vector<uint8_t>& out);
    // The resampler's last samples at the end of the data.
    bool Flush(std::vector<uint8_t>& out);
    void Reset();
    bool PassThrough() const { return passThrough_; }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool passThrough_ = false;
};

class PCMPreparator {
  public:
    PCMPreparator();
    ~PCMPreparator();
    PCMPreparator(const PCMPreparator&) = delete;
    PCMPreparator& operator=(const PCMPreparator&) = delete;

    // Attaches an open stream (not owned; it must outlive the conversion).
    // False when the stream has no format or the format cannot be decoded.
    bool InitConversion(ISoundStream& stream, bool force16Bit);
    // Fills pBuffer with up to cBytes bytes of PCM, fewer only when the
    // source is exhausted; true whenever a stream is attached.
    bool GetSamples(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesReturned);
    bool CloseConverter();

    bool EndOfStream() const { return endOfStream_ && outRead_ >= outValid_; }
    // The decoder met data it could not decode (the output stops there).
    bool ConversionFailed() const { return failed_; }
    uint32_t OutputSamplerate() const { return output_.nSamplesPerSec; }
    uint16_t OutputChannels() const { return output_.nChannels; }
    uint16_t OutputBitsPerSample() const { return output_.wBitsPerSample; }
    const WaveFormatEx& OutputFormat() const { return output_; }

  private:
    bool Refill();
    bool Decode(std::span<const uint8_t> in, bool end, size_t& consumed);

    struct Mpg123;
    ISoundStream* stream_ = nullptr;
    WaveFormatEx source_;
    WaveFormatEx output_;
    std::unique_ptr<Mpg123> mpg_;
    SampleConverter pcm_;
    std::vector<uint8_t> sourceBuf_;
    size_t leftover_ = 0;
    std::vector<uint8_t> outBuf_;
    size_t outRead_ = 0, outValid_ = 0;
    size_t outputSize_ = 0;
    bool first_ = true;
    bool endOfStream_ = false;
    bool failed_ = false;
};

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for writing (UTF-8 path), with a large buffer.
FilePtr CreateOutputFile(const std::string& path);

// The 44-byte canonical header of a PCM WAV with dataBytes of data.
std::vector<uint8_t> CanonicalWavHeader(const WaveFormatEx& format, uint64_t dataBytes);

class EncoderWAV {
  public:
    static constexpr uint32_t kInputBufferSize = 16384;

    EncoderWAV();
    ~EncoderWAV();
    EncoderWAV(const EncoderWAV&) = delete;
    EncoderWAV& operator=(const EncoderWAV&) = delete;

    // Output format (PCM); default 22050 Hz, 16-bit, stereo.
    void SetOutputFormat(const WaveFormatEx& f) { output_ = f; }
    const WaveFormatEx& OutputFormat() const { return output_; }
    void SetWriteHeader(bool on) { writeHeader_ = on; }

    // 0 ok, 4 the conversion cannot be set up, 1 the file cannot be created;
    // bufferSize = 16384, the most bytes one Encode may take.
    int32_t Init(const std::string& fileName, uint32_t sampleRate, uint16_t channels,
                 uint16_t bitsPerSample, uint32_t& bufferSize);
    // 0 ok; 6 when bytes > 16384; 8 when the conversion or the write failed.
    int32_t Encode(const uint8_t* pBuffer, uint32_t bytes);
    // Flushes, writes the header, closes: 0, or 8 when a write failed.
    int32_t DeInit();

    uint64_t DataBytes() const { return dataBytes_; }

  private:
    bool Write(const std::vector<uint8_t>& bytes);

    WaveFormatEx output_;
    WaveFormatEx input_;
    bool writeHeader_ = true;
    SampleConverter conv_;
    FilePtr file_;
    std::vector<uint8_t> pending_;  // a partial block left by the last Encode
    std::vector<uint8_t> out_;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

class clsWavConcatenate {
  public:
    clsWavConcatenate();
    const WaveFormatEx& OutputFormat() const { return output_; }
    void SetOutputFormat(const WaveFormatEx& f) { output_ = f; }

    void ResetQueue() { queue_.clear(); }
    // False (and the queue unchanged) when the file is missing, a folder, or
    // not a RIFF/WAVE file with "fmt " and "data" chunks.
    bool WaveAdd(const std::string& file);
    size_t QueueSize() const { return queue_.size(); }

    // Joins the queue into output. nn1 is the number of songs and nn2 the
    // current song number, used only for the progress text. Cancellation
    // (progress->Cancelled()) leaves a headerless output, which the caller
    // deletes; the result is still true.
    bool WaveConcatenate(int nn1, int nn2, const std::string& output, bool writeWaveHeader,
                         bool nProgress, Progress* progress = nullptr);

  private:
    struct Entry {
        std::string file;
        uint64_t dataStart = 0;  // 1-based file position of the first data byte
        uint64_t dataSize = 0;   // what the file holds
        std::vector<uint8_t> format;
    };
    WaveFormatEx output_;
    std::vector<Entry> queue_;
};

}  // namespace velmora::audio
