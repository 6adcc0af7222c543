#include "audio/StreamWAV.h"

#include <algorithm>
#include <cmath>

#include "audio/WaveChunk.h"
#include "base/Rounding.h"

namespace velmora::audio {

namespace {

// The longest "fmt " contents we keep: the 18-byte record and the largest
// cbSize. Longer chunks carry nothing a decoder reads.
constexpr uint32_t kMaxFormatBytes = 18 + 65535;

}  // namespace

StreamWAV::~StreamWAV() {
    CloseSource();
}

std::span<const uint8_t> StreamWAV::WFXPointer() const {
    if (!source_)
        return {};
    return formatBytes_;
}

int32_t StreamWAV::OpenSource(const std::string& source) {
    CloseSource();
    auto file = std::make_unique<FileSource>();
    if (!file->Open(source))
        return kSoundNotOpen;
    return OpenSource(std::move(file));
}

int32_t StreamWAV::OpenSource(std::unique_ptr<ByteSource> source) {
    CloseSource();
    if (!source)
        return kSoundNotOpen;
    WaveChunk data = FindWaveChunk(*source, "data");
    WaveChunk fmt = FindWaveChunk(*source, "fmt ");
    if (!data.found() || !fmt.found() || fmt.size <= 15)
        return kSoundNotOpen;
    const uint64_t fileSize = source->Size();
    if (fmt.offset >= fileSize || data.offset > fileSize)
        return kSoundNotOpen;
    uint64_t fmtAvail = std::min<uint64_t>({fmt.size, fileSize - fmt.offset, kMaxFormatBytes});
    if (fmtAvail < 16)
        return kSoundNotOpen;
    std::vector<uint8_t> bytes(static_cast<size_t>(fmtAvail));
    if (!source->Read(fmt.offset, bytes))
        return kSoundNotOpen;
    WaveFormatEx f = WaveFormatEx::FromBytes(bytes);
    if (fmtAvail < WaveFormatEx::kSize)
        f.cbSize = 0;
    // A format without channels, rate or block size describes no sound; the
    // durations and seeks below would divide by zero.
    if (f.nChannels == 0 || f.nSamplesPerSec == 0 || f.nBlockAlign == 0 || f.nAvgBytesPerSec == 0)
        return kSoundNotOpen;
    // Hand out 18 bytes at least, cbSize extra bytes only when present.
    size_t keep =
        WaveFormatEx::kSize + std::min<size_t>(f.cbSize, bytes.size() > 18 ? bytes.size() - 18 : 0);
    bytes.resize(keep, 0);
    f.cbSize = static_cast<uint16_t>(keep - WaveFormatEx::kSize);
    bytes[16] = static_cast<uint8_t>(f.cbSize & 0xFF);
    bytes[17] = static_cast<uint8_t>(f.cbSize >> 8);

    source_ = std::move(source);
    fmtOffset_ = fmt.offset;
    fmtSize_ = fmt.size;
    dataOffset_ = data.offset;
    dataSize_ = data.size;
    dataEnd_ = std::min<uint64_t>(data.offset + data.size, fileSize);
    formatBytes_ = std::move(bytes);
    format_ = f;
    position_ = dataOffset_;
    return kSoundOk;
}

int32_t StreamWAV::CloseSource() {
    source_.reset();
    dataOffset_ = dataEnd_ = fmtOffset_ = position_ = 0;
    dataSize_ = fmtSize_ = 0;
    formatBytes_.clear();
    format_ = {};
    return kSoundOk;
}

int32_t StreamWAV::Read(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesRead) {
    cBytesRead = 0;
    if (!source_)
        return kSoundNotOpen;
    if (position_ >= dataEnd_)
        return kSoundEndOfData;
    uint64_t want = cBytes;
    bool cut = false;
    if (position_ + want > dataEnd_) {
        want = dataEnd_ - position_;
        cut = true;
    }
    int64_t got =
        source_->ReadAt(position_, std::span<uint8_t>(pBuffer, static_cast<size_t>(want)));
    if (got < 0)
        return kSoundEndOfData;
    position_ += static_cast<uint64_t>(got);
    cBytesRead = static_cast<uint32_t>(got);
    return (cut || static_cast<uint64_t>(got) < want) ? kSoundEndOfData : kSoundOk;
}

int32_t StreamWAV::SeekTo(double value, int32_t mode) {
    if (!source_)
        return kSoundNotOpen;
    double b = 0;
    if (mode == 0) {
        if (!(value >= 0 && value <= 100))
            return kSoundOutOfRange;
        b = static_cast<double>(nearest64(value / 100.0 * static_cast<double>(DataSize())));
    } else if (mode == 1) {
        double seconds = static_cast<double>(DataSize()) / format_.nAvgBytesPerSec;
        if (!(value >= 0 && value <= seconds))
            return kSoundOutOfRange;
        b = std::floor(value * format_.nAvgBytesPerSec);
    }
    uint64_t bytes = static_cast<uint64_t>(b);
    bytes -= bytes % format_.nBlockAlign;
    position_ = std::min(dataOffset_ + bytes, std::max(dataEnd_, dataOffset_));
    return kSoundOk;
}

int32_t StreamWAV::Duration() const {
    if (!source_)
        return 0;
    return nearest(static_cast<double>(DataSize()) / format_.nAvgBytesPerSec * 1000.0);
}

int32_t StreamWAV::Position() const {
    if (!source_)
        return 0;
    return nearest(static_cast<double>(position_ - dataOffset_) / format_.nAvgBytesPerSec * 1000.0);
}

}  // namespace velmora::audio
