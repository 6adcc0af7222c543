#include "audio/MP3Info.h"

#include <array>
#include <cstring>

#include "audio/Bitstream.h"
#include "base/Rounding.h"

namespace velmora::audio {

namespace {

// kbit/s by bit-rate index (ISO/IEC 11172-3 and 13818-3).
constexpr int kMpeg1Rates[3][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // Layer III
};
constexpr int kMpeg2Rates[2][16] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},  // Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},       // Layers II, III
};
constexpr int kSampleRates[4][3] = {
    {11025, 12000, 8000},   // MPEG-2.5
    {0, 0, 0},              // reserved
    {22050, 24000, 16000},  // MPEG-2
    {44100, 48000, 32000},  // MPEG-1
};

constexpr size_t kBlockSize = 2048;
constexpr uint64_t kSearchWindow = 10240;

uint32_t BigEndian32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
           static_cast<uint32_t>(b[at + 2]) << 8 | static_cast<uint32_t>(b[at + 3]);
}
uint32_t BigEndian16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 8 | static_cast<uint32_t>(b[at + 1]);
}

bool HasId(std::span<const uint8_t> b, size_t at, const char* id) {
    return at + 4 <= b.size() && std::memcmp(b.data() + at, id, 4) == 0;
}

// A window of the source read in blocks, so that the byte-by-byte search
// reads each block once.
class BlockReader {
  public:
    explicit BlockReader(ByteSource& src) : src_(src) {}
    // The byte at pos; false at the end of the source or on a read error.
    bool Byte(uint64_t pos, uint8_t& out) {
        if (pos < start_ || pos >= start_ + len_) {
            if (pos >= src_.Size())
                return false;
            int64_t got = src_.ReadAt(pos, buf_);
            if (got <= 0)
                return false;
            start_ = pos;
            len_ = static_cast<size_t>(got);
        }
        out = buf_[static_cast<size_t>(pos - start_)];
        return true;
    }

  private:
    ByteSource& src_;
    std::array<uint8_t, kBlockSize> buf_{};
    uint64_t start_ = 0;
    size_t len_ = 0;
};

}  // namespace

int Mp3FrameHeader::SampleRate() const {
    if (versionCode > 3 || sampleRateIndex > 2)
        return 0;
    return kSampleRates[versionCode][sampleRateIndex];
}

int Mp3FrameHeader::BitRate() const {
    if (bitRateIndex > 15 || layerCode == 0 || layerCode > 3 || versionCode == 1 || versionCode > 3)
        return 0;
    int layer = Layer();  // 1..3
    int kbps = versionCode == 3 ? kMpeg1Rates[layer - 1][bitRateIndex]
                                : kMpeg2Rates[layer == 1 ? 0 : 1][bitRateIndex];
    return kbps * 1000;
}

int Mp3FrameHeader::Layer() const {
    switch (layerCode) {
        case 1:
            return 3;
        case 2:
            return 2;
        case 3:
            return 1;
        default:
            return 0;
    }
}

float Mp3FrameHeader::MpegVersion() const {
    switch (versionCode) {
        case 0:
            return 2.5f;
        case 2:
            return 2.0f;
        case 3:
            return 1.0f;
        default:
            return 0.0f;
    }
}

int Mp3FrameHeader::SamplesPerFrame() const {
    switch (Layer()) {
        case 1:
            return 384;
        case 2:
            return 1152;
        case 3:
            return versionCode == 3 ? 1152 : 576;
        default:
            return 0;
    }
}

int Mp3FrameHeader::FrameLength() const {
    int64_t rate = SampleRate();
    int64_t bits = BitRate();
    if (rate == 0 || bits == 0)
        return 0;
    int64_t pad = padding;
    switch (Layer()) {
        case 1:
            return static_cast<int>((12 * bits / rate + pad) * 4);
        case 2:
            return static_cast<int>(144 * bits / rate + pad);
        case 3:
            return static_cast<int>((versionCode == 3 ? 144 : 72) * bits / rate + pad);
        default:
            return 0;
    }
}

int Mp3FrameHeader::SideInfoSize() const {
    bool mono = channelMode == 3;
    if (versionCode == 3)
        return mono ? 17 : 32;
    return mono ? 9 : 17;
}

Mp3FrameHeader ParseFrameHeader(std::span<const uint8_t, 4> bytes) {
    Mp3FrameHeader h;
    h.raw0 = bytes[0];
    h.raw1 = bytes[1];
    Bitstream bs;
    bs.SetData(bytes, 0, 4);
    bs.SkipBits(11);
    h.versionCode = bs.ReadBits(2);
    h.layerCode = bs.ReadBits(2);
    h.protectionBit = bs.ReadBits(1);
    h.bitRateIndex = bs.ReadBits(4);
    h.sampleRateIndex = bs.ReadBits(2);
    h.padding = bs.ReadBits(1);
    h.privateBit = bs.ReadBits(1);
    h.channelMode = bs.ReadBits(2);
    h.modeExtension = bs.ReadBits(2);
    h.copyrightBit = bs.ReadBits(1);
    h.originalBit = bs.ReadBits(1);
    h.emphasis = bs.ReadBits(2);
    return h;
}

bool IsValidFrameHeader(const Mp3FrameHeader& h) {
    if (h.raw0 != 0xFF || h.raw1 <= 223)
        return false;
    if (h.versionCode == 1 || h.layerCode == 0)
        return false;
    if (h.bitRateIndex == 0 || h.bitRateIndex == 15 || h.sampleRateIndex == 3)
        return false;
    if (h.versionCode == 3 && h.Layer() == 2) {
        int kbps = h.BitRate() / 1000;
        bool mono = h.channelMode == 3;
        if ((kbps == 32 || kbps == 48 || kbps == 56 || kbps == 80) && !mono)
            return false;
        if ((kbps == 224 || kbps == 256 || kbps == 320 || kbps == 384) && mono)
            return false;
    }
    return true;
}

const char* VbrHeaderName(VbrHeaderKind k) {
    switch (k) {
        case VbrHeaderKind::Xing:
            return "Xing";
        case VbrHeaderKind::Info:
            return "Info";
        case VbrHeaderKind::Vbri:
            return "VBRI";
        case VbrHeaderKind::None:
            break;
    }
    return "";
}

void MP3Info::Reset() {
    *this = MP3Info();
}

bool MP3Info::ReadMP3Info(const std::string& strPath) {
    Reset();
    FileSource file;
    if (!file.Open(strPath))
        return false;
    return ReadMP3Info(file);
}

bool MP3Info::CandidateAccepted(ByteSource& src, uint64_t pos) {
    std::array<uint8_t, 4> b{};
    if (!src.Read(pos, b))
        return false;
    Mp3FrameHeader h = ParseFrameHeader(b);
    if (!IsValidFrameHeader(h))
        return false;
    int len = h.FrameLength();
    if (len <= 0)
        return false;
    std::array<uint8_t, 4> next{};
    if (!src.Read(pos + static_cast<uint64_t>(len), next))
        return false;
    if (!IsValidFrameHeader(ParseFrameHeader(next)))
        return false;
    header_ = h;
    firstFrame_ = pos;
    return true;
}

bool MP3Info::FindFirstFrame(ByteSource& src) {
    BlockReader reader(src);
    uint64_t windowStart = 0;  // start of the file, or the end of the last skipped tag
    uint64_t pos = 0;
    int id3Matched = 0;   // how many of "I", "D", "3" were seen in a row
    bool prevFF = false;  // the previous byte was 0xFF
    for (;;) {
        if (pos - windowStart > kSearchWindow)
            return false;
        uint8_t b;
        if (!reader.Byte(pos, b))
            return false;

        // Sync detector: 0xFF followed by a non-zero byte marks a candidate.
        if (prevFF && b != 0 && CandidateAccepted(src, pos - 1))
            return true;
        prevFF = b == 0xFF;

        // ID3v2 detector.
        if (b == 'I') {
            id3Matched = 1;
        } else if (id3Matched == 1 && b == 'D') {
            id3Matched = 2;
        } else if (id3Matched == 2 && b == '3') {
            uint64_t tagStart = pos - 2;
            std::array<uint8_t, 10> t{};
            if (!src.Read(tagStart, t))
                return false;
            uint64_t size;
            if (t[6] < 128 && t[7] < 128 && t[8] < 128 && t[9] < 128) {
                size = static_cast<uint64_t>(t[6]) << 21 | static_cast<uint64_t>(t[7]) << 14 |
                       static_cast<uint64_t>(t[8]) << 7 | t[9];
            } else {
                size = BigEndian32(t, 6);
            }
            uint64_t tagLength = 10 + size;
            if (t[3] > 3 && (t[5] & 0x10) != 0)
                tagLength += 10;
            // Continue right after the tag, wherever it started.
            pos = tagStart + tagLength;
            windowStart = pos;
            id3Matched = 0;
            prevFF = false;
            continue;
        } else {
            id3Matched = 0;
        }
        ++pos;
    }
}

void MP3Info::ReadVbrHeaders(std::span<const uint8_t> frame, int64_t& bytes, int64_t& frames) {
    size_t at = 4 + static_cast<size_t>(header_.SideInfoSize());
    bool xing = HasId(frame, at, "Xing");
    bool info = !xing && HasId(frame, at, "Info");
    if (xing || info) {
        vbrKind_ = xing ? VbrHeaderKind::Xing : VbrHeaderKind::Info;
        size_t p = at + 4;
        if (p + 4 > frame.size())
            return;
        uint32_t flags = BigEndian32(frame, p);
        p += 4;
        if (flags & 1u) {
            if (p + 4 > frame.size())
                return;
            frames = BigEndian32(frame, p);
            p += 4;
        }
        if (flags & 2u) {
            if (p + 4 > frame.size())
                return;
            bytes = BigEndian32(frame, p);
            p += 4;
        }
        if (flags & 4u) {
            if (p + 100 > frame.size())
                return;
            xingToc_.assign(frame.begin() + static_cast<ptrdiff_t>(p),
                            frame.begin() + static_cast<ptrdiff_t>(p + 100));
        }
        return;
    }
    constexpr size_t kVbriAt = 36;
    if (!HasId(frame, kVbriAt, "VBRI"))
        return;
    vbrKind_ = VbrHeaderKind::Vbri;
    size_t p = kVbriAt + 4;
    // version, delay, quality (16 bits each), bytes, frames (32), table
    // entries, scale, entry size, frames per entry (16).
    if (p + 22 > frame.size())
        return;
    int64_t vbriBytes = BigEndian32(frame, p + 6);
    int64_t vbriFrames = BigEndian32(frame, p + 10);
    uint32_t entries = BigEndian16(frame, p + 14);
    uint32_t scale = BigEndian16(frame, p + 16);
    uint32_t entrySize = BigEndian16(frame, p + 18);
    if (vbriBytes > 0)
        bytes = vbriBytes;
    if (vbriFrames > 0)
        frames = vbriFrames;
    p += 22;
    if (entrySize < 1 || entrySize > 4)
        return;
    uint64_t need = (static_cast<uint64_t>(entries) + 1) * entrySize;
    if (p + need > frame.size())
        return;
    vbriTable_.reserve(entries + 1);
    for (uint32_t i = 0; i <= entries; ++i) {
        uint32_t v = 0;
        for (uint32_t k = 0; k < entrySize; ++k)
            v = v << 8 | frame[p++];
        vbriTable_.push_back(static_cast<int64_t>(v) * scale);
    }
}

bool MP3Info::ReadMP3Info(ByteSource& source) {
    Reset();
    fileSize_ = source.Size();
    if (!FindFirstFrame(source)) {
        Reset();
        return false;
    }
    found_ = true;
    channels_ = header_.Channels();
    sampleRate_ = header_.SampleRate();
    bitRate_ = header_.BitRate();
    layer_ = header_.Layer();
    mpegVersion_ = header_.MpegVersion();
    firstFrameLength_ = header_.FrameLength();

    int64_t bytes = static_cast<int64_t>(fileSize_ - firstFrame_);
    if (fileSize_ >= 128) {
        std::array<uint8_t, 3> tag{};
        if (source.Read(fileSize_ - 128, tag) && tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G')
            bytes -= 128;
    }
    if (bytes < 0)
        bytes = 0;

    std::vector<uint8_t> frame(static_cast<size_t>(firstFrameLength_));
    if (!source.Read(firstFrame_, frame)) {
        mpegBytes_ = bytes;
        return true;  // the first frame could not be read: Duration stays 0
    }
    int64_t headerBytes = -1, headerFrames = -1;
    ReadVbrHeaders(frame, headerBytes, headerFrames);
    isVbr_ = vbrKind_ == VbrHeaderKind::Xing || vbrKind_ == VbrHeaderKind::Vbri;
    if (headerBytes >= 0)
        bytes = headerBytes;
    mpegBytes_ = bytes;
    // Without a frame count in a header, the count follows from the bytes
    // and the mean frame length at this bit rate. (The first frame's own
    // length would not do: padding slots make frames at 44.1 kHz one byte
    // longer at irregular steps, so an unpadded first frame would add 0.23 %
    // to a 128 kbit/s song, 0.4 s over three minutes.)
    double meanLength = header_.SamplesPerFrame() / 8.0 * header_.BitRate() / sampleRate_;
    frames_ = nearest64(static_cast<double>(mpegBytes_) / meanLength);
    if (headerFrames >= 0)
        frames_ = headerFrames;
    durationMs_ = static_cast<double>(frames_) * header_.SamplesPerFrame() / sampleRate_ * 1000.0;
    if (isVbr_ && durationMs_ > 0)
        bitRate_ = nearest64(static_cast<double>(mpegBytes_) * 8 / durationMs_ * 1000);
    return true;
}

}  // namespace velmora::audio
