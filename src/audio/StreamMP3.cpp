#include "audio/StreamMP3.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/ByteReader.h"
#include "base/Rounding.h"

namespace velmora::audio {

namespace {

constexpr uint64_t kFirstFrameWindow = 64 * 1024;
constexpr size_t kMaxId3Tags = 16;

// First byte 0xFF, second above 223, layer and version not reserved,
// bit-rate index not 15, sample-rate index not 3. Free format is allowed.
bool LenientHeader(std::span<const uint8_t, 4> b, Mp3FrameHeader& h) {
    if (b[0] != 0xFF || b[1] <= 223)
        return false;
    h = ParseFrameHeader(b);
    return h.layerCode != 0 && h.versionCode != 1 && h.bitRateIndex != 15 && h.sampleRateIndex != 3;
}

uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

}  // namespace

StreamMP3::~StreamMP3() {
    CloseSource();
}

std::span<const uint8_t> StreamMP3::WFXPointer() const {
    if (!source_)
        return {};
    return format_;
}

int32_t StreamMP3::OpenSource(const std::string& source) {
    CloseSource();
    auto file = std::make_unique<FileSource>();
    if (!file->Open(source))
        return kSoundNotOpen;
    return OpenSource(std::move(file));
}

bool StreamMP3::FindFirstFrame(ByteSource& src, uint64_t& out) {
    const uint64_t size = src.Size();
    // Skip ID3v2 tags at the start by their stated length.
    uint64_t start = 0;
    for (size_t n = 0; n < kMaxId3Tags; ++n) {
        uint8_t t[10];
        if (!src.Read(start, t) || std::memcmp(t, "ID3", 3) != 0)
            break;
        uint64_t len;
        if (t[6] < 128 && t[7] < 128 && t[8] < 128 && t[9] < 128)
            len = static_cast<uint64_t>(t[6]) << 21 | static_cast<uint64_t>(t[7]) << 14 |
                  static_cast<uint64_t>(t[8]) << 7 | t[9];
        else
            len = Be32(t + 6);
        len += 10;
        if (t[3] > 3 && (t[5] & 0x10))
            len += 10;
        start += len;
    }
    if (start >= size)
        return false;
    const uint64_t last = std::min<uint64_t>(start + kFirstFrameWindow, size - 1);
    std::vector<uint8_t> buf(static_cast<size_t>(last - start + 4));
    int64_t got = src.ReadAt(start, buf);
    if (got < 4)
        return false;
    buf.resize(static_cast<size_t>(got));
    for (size_t i = 0; i + 4 <= buf.size(); ++i) {
        Mp3FrameHeader h;
        if (!LenientHeader(std::span<const uint8_t, 4>(buf.data() + i, 4), h))
            continue;
        // The frame after it must look like a header too, when it is there.
        int len = h.FrameLength();
        if (len > 0) {
            uint64_t next = start + i + static_cast<uint64_t>(len);
            uint8_t nb[4];
            if (next + 4 <= size) {
                if (!src.Read(next, nb))
                    continue;
                Mp3FrameHeader nh;
                if (!LenientHeader(std::span<const uint8_t, 4>(nb, 4), nh) ||
                    nh.versionCode != h.versionCode || nh.layerCode != h.layerCode ||
                    nh.sampleRateIndex != h.sampleRateIndex)
                    continue;
            }
        }
        out = start + i;
        header_ = h;
        return true;
    }
    return false;
}

int32_t StreamMP3::OpenSource(std::unique_ptr<ByteSource> source) {
    CloseSource();
    if (!source)
        return kSoundNotOpen;
    uint64_t first = 0;
    if (!FindFirstFrame(*source, first)) {
        // No frame: the stream stays closed and the conversion set-up fails.
        header_ = {};
        return kSoundOk;
    }
    fileSize_ = source->Size();
    firstFrame_ = first;
    // The Xing header lies inside the first frame.
    int len = std::max(header_.FrameLength(), 4);
    std::vector<uint8_t> frame(static_cast<size_t>(len));
    int64_t got = source->ReadAt(first, frame);
    frame.resize(got > 0 ? static_cast<size_t>(got) : 0);
    for (size_t i = 0; i + 4 <= frame.size(); ++i) {
        if (std::memcmp(frame.data() + i, "Xing", 4) != 0)
            continue;
        ByteReader r(std::span<const uint8_t>(frame).subspan(i + 4));
        auto be = [&r]() {
            auto b = r.Bytes(4);
            return b.size() == 4 ? Be32(b.data()) : 0u;
        };
        xingFound_ = true;
        xingFlags_ = be();
        if (xingFlags_ & 1)
            xingFrames_ = be();
        if (xingFlags_ & 2)
            xingBytes_ = be();
        if (xingFlags_ & 4) {
            auto toc = r.Bytes(100);
            if (toc.size() == 100)
                std::copy(toc.begin(), toc.end(), xingToc_.begin());
            else
                xingFlags_ &= ~4u;
        }
        if (xingFlags_ & 8)
            xingQuality_ = be();
        break;
    }
    // MPEGLAYER3WAVEFORMAT; the values are fixed whatever the bit rate.
    format_.clear();
    PutU16(format_, kWaveFormatMpegLayer3);
    PutU16(format_, static_cast<uint16_t>(header_.Channels()));
    PutU32(format_, static_cast<uint32_t>(header_.SampleRate()));
    PutU32(format_, 16384);
    PutU16(format_, 1);
    PutU16(format_, 0);
    PutU16(format_, 12);
    PutU16(format_, 1);     // wID: MPEG
    PutU32(format_, 2);     // fdwFlags: padding off
    PutU16(format_, 522);   // nBlockSize
    PutU16(format_, 1);     // nFramesPerBlock
    PutU16(format_, 1393);  // nCodecDelay
    source_ = std::move(source);
    position_ = firstFrame_;
    return kSoundOk;
}

int32_t StreamMP3::CloseSource() {
    source_.reset();
    fileSize_ = firstFrame_ = position_ = 0;
    header_ = {};
    xingFound_ = false;
    xingFlags_ = xingFrames_ = xingBytes_ = xingQuality_ = 0;
    xingToc_.fill(0);
    format_.clear();
    return kSoundOk;
}

int32_t StreamMP3::Read(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesRead) {
    cBytesRead = 0;
    if (!source_)
        return kSoundNotOpen;
    if (position_ >= fileSize_)
        return kSoundEndOfData;
    int64_t got = source_->ReadAt(position_, std::span<uint8_t>(pBuffer, cBytes));
    if (got <= 0)
        return kSoundEndOfData;
    position_ += static_cast<uint64_t>(got);
    cBytesRead = static_cast<uint32_t>(got);
    return kSoundOk;
}

int StreamMP3::FrameLength() const {
    return header_.FrameLength();
}

double StreamMP3::DurationSeconds() const {
    if (!source_)
        return 0;
    double bytes = xingBytes_ > 0 ? xingBytes_ : static_cast<double>(fileSize_ - firstFrame_);
    int rate = header_.SampleRate();
    if (xingFound_) {
        double frames = xingFrames_;
        if (frames <= 0 && FrameLength() > 0)
            frames = std::trunc(bytes / FrameLength());
        return rate > 0 ? frames * header_.SamplesPerFrame() / rate : 0;
    }
    int bitRate = header_.BitRate();
    return bitRate > 0 ? bytes * 8 / bitRate : 0;
}

int32_t StreamMP3::Duration() const {
    return nearest(DurationSeconds() * 1000);
}

int32_t StreamMP3::Position() const {
    if (!source_)
        return 0;
    if (xingFound_ && (xingFlags_ & 4) && fileSize_ > 0) {
        double r = static_cast<double>(position_) / static_cast<double>(fileSize_) * 255;
        double percent = 100;
        for (int i = 0; i < 100; ++i) {
            double lo = i == 0 ? 0 : xingToc_[static_cast<size_t>(i)];
            double hi = i == 99 ? 256 : xingToc_[static_cast<size_t>(i + 1)];
            if (r < hi) {
                percent = hi > lo ? i + 1 - (hi - r) / (hi - lo) : i;
                break;
            }
        }
        return nearest(DurationSeconds() * 1000 * percent / 100);
    }
    int len = FrameLength();
    int rate = header_.SampleRate();
    if (len <= 0 || rate <= 0)
        return 0;
    double f = static_cast<double>(position_) / len;
    return nearest(f * header_.SamplesPerFrame() / rate * 1000 - 2000);
}

int32_t StreamMP3::SeekTo(double value, int32_t mode) {
    if (!source_)
        return kSoundNotOpen;
    double percent = 0;
    if (mode == 0) {
        if (!(value >= 0 && value <= 100))
            return kSoundOutOfRange;
        percent = value;
    } else if (mode == 1) {
        double d = DurationSeconds();
        if (!(value >= 0 && value <= d))
            return kSoundOutOfRange;
        percent = d > 0 ? nearest(value / d * 100) : 0;
    }
    double target;
    if (xingFound_ && (xingFlags_ & 4)) {
        int idx = std::clamp(static_cast<int>(percent), 0, 99);
        target = xingToc_[static_cast<size_t>(idx)] * static_cast<double>(fileSize_) / 255;
    } else {
        target = static_cast<double>(fileSize_) * percent / 100;
    }
    uint64_t t = static_cast<uint64_t>(nearest64(target));
    position_ = t < firstFrame_ ? firstFrame_ : std::min(t, fileSize_);
    return kSoundOk;
}

}  // namespace velmora::audio
