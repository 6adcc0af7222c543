#include "audio/SoundStream.h"

#include "base/ByteReader.h"
#include "base/Rounding.h"

namespace velmora::audio {

WaveFormatEx WaveFormatEx::FromBytes(std::span<const uint8_t> bytes) {
    uint8_t b[kSize] = {};
    for (size_t i = 0; i < kSize && i < bytes.size(); ++i)
        b[i] = bytes[i];
    ByteReader r(std::span<const uint8_t>(b, kSize));
    WaveFormatEx f;
    f.wFormatTag = r.U16();
    f.nChannels = r.U16();
    f.nSamplesPerSec = r.U32();
    f.nAvgBytesPerSec = r.U32();
    f.nBlockAlign = r.U16();
    f.wBitsPerSample = r.U16();
    f.cbSize = r.U16();
    return f;
}

std::vector<uint8_t> WaveFormatEx::Bytes() const {
    std::vector<uint8_t> out;
    out.reserve(kSize);
    PutU16(out, wFormatTag);
    PutU16(out, nChannels);
    PutU32(out, nSamplesPerSec);
    PutU32(out, nAvgBytesPerSec);
    PutU16(out, nBlockAlign);
    PutU16(out, wBitsPerSample);
    PutU16(out, cbSize);
    return out;
}

WaveFormatEx MakePcmFormat(uint32_t sampleRate, uint16_t channels, uint16_t bitsPerSample) {
    WaveFormatEx f;
    f.wFormatTag = kWaveFormatPcm;
    f.nChannels = channels;
    f.nSamplesPerSec = sampleRate;
    f.nBlockAlign = static_cast<uint16_t>(nearest(bitsPerSample / 8.0 * channels));
    f.nAvgBytesPerSec = sampleRate * f.nBlockAlign;
    f.wBitsPerSample = bitsPerSample;
    f.cbSize = 0;
    return f;
}

}  // namespace velmora::audio
