// The sound stream interface of the audio library: one abstract reader for
// every kind of song (WAV, MP3, WMA). A stream hands out data in the
// source's own encoding together with its WAVEFORMATEX; PCMPreparator turns
// that into PCM. ISoundInfo describes the opened sound.
//
// Result codes of the audio classes (32-bit): 0 success, 1 not open / cannot
// open, 3 argument out of range, 4 set-up failed, 5 end of data, 6 too much
// data, 8 conversion failed.
//
// Core code, no Qt. A stream object is used by one thread at a time.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora::audio {

enum SoundResult : int32_t {
    kSoundOk = 0,
    kSoundNotOpen = 1,
    kSoundOutOfRange = 3,
    kSoundSetupFailed = 4,
    kSoundEndOfData = 5,
    kSoundTooMuchData = 6,
    kSoundConversionFailed = 8,
};

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatIeeeFloat = 3;
constexpr uint16_t kWaveFormatMpegLayer3 = 0x55;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// WAVEFORMATEX: 18 bytes little-endian on disk; cbSize extra bytes follow
// for compressed formats.
struct WaveFormatEx {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;

    static constexpr size_t kSize = 18;
    // Reads the first 18 bytes (missing bytes read as 0).
    static WaveFormatEx FromBytes(std::span<const uint8_t> bytes);
    std::vector<uint8_t> Bytes() const;  // the 18 bytes
    bool operator==(const WaveFormatEx&) const = default;
};

// PCM format: tag 1, nBlockAlign = bits / 8 × channels rounded (halves to
// even), nAvgBytesPerSec = rate × nBlockAlign, cbSize 0.
WaveFormatEx MakePcmFormat(uint32_t sampleRate, uint16_t channels, uint16_t bitsPerSample);

// Description of an opened sound.
class ISoundInfo {
  public:
    virtual ~ISoundInfo() = default;
    // The decoder insists on 16-bit output.
    virtual bool Force16Bit() const = 0;
    // Milliseconds played.
    virtual int32_t Position() const = 0;
    // Total milliseconds.
    virtual int32_t Duration() const = 0;
};

class ISoundStream {
  public:
    virtual ~ISoundStream() = default;
    // The same object seen as ISoundInfo.
    virtual ISoundInfo& Info() = 0;
    // The source WAVEFORMATEX with its extra bytes; valid while open (empty
    // when closed).
    virtual std::span<const uint8_t> WFXPointer() const = 0;
    // Opens the file (UTF-8 path); 0 on success.
    virtual int32_t OpenSource(const std::string& source) = 0;
    // Closes; 0 (the WMA stream has its own codes).
    virtual int32_t CloseSource() = 0;
    // Copies up to cBytes bytes of source data; cBytesRead gets the count.
    // 0, 5 at the end of the data, 1 when not open.
    virtual int32_t Read(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesRead) = 0;
    // mode 0: value is a percentage 0..100 of the data; mode 1: seconds from
    // 0 to the duration. 0 or 3 (out of range).
    virtual int32_t SeekTo(double value, int32_t mode) = 0;
};

}  // namespace velmora::audio
