// MP3 header parser on synthetic frame streams: header fields and lengths,
// the first-frame search (tags, junk, bounds), the VBR headers and bad input.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "AudioFixtures.h"
#include "TempDir.h"
#include "base/Rounding.h"
#include "audio/Bitstream.h"
#include "audio/MP3Info.h"

using namespace velmora;
using namespace velmora::audio;
using velmora::test::FrameStream;
using velmora::test::HeaderBytes;

namespace {

bool ReadBytes(MP3Info& info, const std::vector<uint8_t>& bytes) {
    SpanSource src(bytes);
    return info.ReadMP3Info(src);
}

void Append(std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
}

}  // namespace

TEST(Bitstream, ReadsMostSignificantBitFirstAndZeroPastTheEnd) {
    const uint8_t bytes[] = {0xA5, 0x3C};
    Bitstream bs;
    bs.SetData(bytes, 0, 2);
    EXPECT_EQ(bs.ReadBits(3), 0b101u);
    bs.SkipBits(2);
    EXPECT_EQ(bs.ReadBits(5), 0b10100u);
    EXPECT_EQ(bs.ReadBits(6), 0b111100u);
    EXPECT_EQ(bs.ReadBits(4), 0u);  // past the end
    bs.SetData(bytes, 1, 10);       // clipped to the span
    EXPECT_EQ(bs.ReadBits(8), 0x3Cu);
    EXPECT_EQ(bs.ReadBits(8), 0u);
}

TEST(Mp3FrameHeader, DerivedValuesOfEveryVersionAndLayer) {
    struct Case {
        int version, layer, rateIndex, srIndex, padding, mode;
        int sampleRate, bitRate, samples, length, sideInfo, layerNo;
        float mpeg;
    };
    const Case cases[] = {
        // MPEG-1 Layer III 128k 44.1 kHz: 144*128000/44100 = 417.96
        {3, 1, 9, 0, 0, 1, 44100, 128000, 1152, 417, 32, 3, 1.0f},
        {3, 1, 9, 0, 1, 1, 44100, 128000, 1152, 418, 32, 3, 1.0f},
        {3, 1, 14, 1, 0, 3, 48000, 320000, 1152, 960, 17, 3, 1.0f},
        {3, 1, 1, 2, 0, 0, 32000, 32000, 1152, 144, 32, 3, 1.0f},
        // MPEG-2 Layer III 64k 22.05 kHz: 72*64000/22050 = 208.98; mono side info 9
        {2, 1, 8, 0, 0, 3, 22050, 64000, 576, 208, 9, 3, 2.0f},
        {2, 1, 8, 1, 1, 0, 24000, 64000, 576, 193, 17, 3, 2.0f},
        // MPEG-2.5 8 kbit/s at 8 kHz: 72 bytes
        {0, 1, 1, 2, 0, 3, 8000, 8000, 576, 72, 9, 3, 2.5f},
        {0, 1, 2, 0, 0, 0, 11025, 16000, 576, 104, 17, 3, 2.5f},
        // Layer II: 144*192000/48000 = 576
        {3, 2, 10, 1, 0, 0, 48000, 192000, 1152, 576, 32, 2, 1.0f},
        {2, 2, 8, 2, 0, 0, 16000, 64000, 1152, 576, 17, 2, 2.0f},
        // Layer I: (12*448000/44100 + 1) * 4 = (121 + 1) * 4
        {3, 3, 14, 0, 1, 0, 44100, 448000, 384, 488, 32, 1, 1.0f},
        {2, 3, 14, 0, 0, 0, 22050, 256000, 384, 556, 17, 1, 2.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.version << " layer " << c.layer
                                        << " rate " << c.rateIndex << " sr " << c.srIndex);
        auto h = ParseFrameHeader(
            HeaderBytes(c.version, c.layer, c.rateIndex, c.srIndex, c.padding, c.mode));
        EXPECT_TRUE(IsValidFrameHeader(h));
        EXPECT_EQ(h.SampleRate(), c.sampleRate);
        EXPECT_EQ(h.BitRate(), c.bitRate);
        EXPECT_EQ(h.SamplesPerFrame(), c.samples);
        EXPECT_EQ(h.FrameLength(), c.length);
        EXPECT_EQ(h.SideInfoSize(), c.sideInfo);
        EXPECT_EQ(h.Layer(), c.layerNo);
        EXPECT_EQ(h.MpegVersion(), c.mpeg);
        EXPECT_EQ(h.Channels(), c.mode == 3 ? 1 : 2);
        EXPECT_EQ(h.padding, static_cast<uint32_t>(c.padding));
    }
}

TEST(Mp3FrameHeader, FieldsInStreamOrder) {
    // 1111 1111 | 111 11 01 0 | 1001 00 1 1 | 01 10 1 0 11
    const std::array<uint8_t, 4> b = {0xFF, 0xFA, 0x93, 0x6B};
    auto h = ParseFrameHeader(b);
    EXPECT_EQ(h.versionCode, 3u);
    EXPECT_EQ(h.layerCode, 1u);
    EXPECT_EQ(h.protectionBit, 0u);
    EXPECT_TRUE(h.Protected());
    EXPECT_EQ(h.bitRateIndex, 9u);
    EXPECT_EQ(h.sampleRateIndex, 0u);
    EXPECT_EQ(h.padding, 1u);
    EXPECT_EQ(h.privateBit, 1u);
    EXPECT_EQ(h.channelMode, 1u);
    EXPECT_EQ(h.modeExtension, 2u);
    EXPECT_EQ(h.copyrightBit, 1u);
    EXPECT_EQ(h.originalBit, 0u);
    EXPECT_EQ(h.emphasis, 3u);
}

TEST(Mp3FrameHeader, InvalidHeaders) {
    struct Case {
        const char* what;
        std::array<uint8_t, 4> bytes;
    };
    const Case cases[] = {
        {"reserved version", HeaderBytes(1, 1, 9, 0)},
        {"reserved layer", HeaderBytes(3, 0, 9, 0)},
        {"free format", HeaderBytes(3, 1, 0, 0)},
        {"bad bit rate", HeaderBytes(3, 1, 15, 0)},
        {"reserved sample rate", HeaderBytes(3, 1, 9, 3)},
        {"second byte 0xDF", {0xFF, 0xDF, 0x90, 0x00}},
        {"first byte not 0xFF", {0xFE, 0xFB, 0x90, 0x00}},
        // MPEG-1 Layer II: 32/48/56/80 kbit/s only mono, 224..384 only not mono
        {"Layer II 48k stereo", HeaderBytes(3, 2, 2, 0, 0, 0)},
        {"Layer II 80k joint", HeaderBytes(3, 2, 5, 0, 0, 1)},
        {"Layer II 224k mono", HeaderBytes(3, 2, 11, 0, 0, 3)},
        {"Layer II 384k mono", HeaderBytes(3, 2, 14, 0, 0, 3)},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(IsValidFrameHeader(ParseFrameHeader(c.bytes))) << c.what;
    EXPECT_TRUE(IsValidFrameHeader(ParseFrameHeader(HeaderBytes(3, 2, 2, 0, 0, 3))));
    EXPECT_TRUE(IsValidFrameHeader(ParseFrameHeader(HeaderBytes(3, 2, 11, 0, 0, 2))));
    // The restriction is MPEG-1 only.
    EXPECT_TRUE(IsValidFrameHeader(ParseFrameHeader(HeaderBytes(2, 2, 2, 0, 0, 0))));
}

TEST(MP3Info, PlainCbrStream) {
    auto h = HeaderBytes(3, 1, 11, 1, 0, 1);  // 192k 48 kHz: 576-byte frames
    auto bytes = FrameStream(h, 250);
    MP3Info info;
    ASSERT_TRUE(ReadBytes(info, bytes));
    EXPECT_EQ(info.FileSize(), bytes.size());
    EXPECT_EQ(info.FirstFrame(), 0u);
    EXPECT_EQ(info.FirstFrameLength(), 576);
    EXPECT_EQ(info.MpegBytes(), 250 * 576);
    EXPECT_EQ(info.Frames(), 250);
    EXPECT_DOUBLE_EQ(info.Duration(), 250 * 1152 / 48.0);  // 6000 ms
    EXPECT_EQ(info.BitRate(), 192000);
    EXPECT_FALSE(info.IsVBR());
    EXPECT_EQ(info.VbrHeader(), VbrHeaderKind::None);
    EXPECT_EQ(info.Channels(), 2);
    EXPECT_EQ(info.ChannelMode(), 1);
    EXPECT_EQ(info.Layer(), 3);
    EXPECT_EQ(info.MpegVersion(), 1.0f);
    EXPECT_FALSE(info.Protected());
}

// At 44.1 kHz frames are 417 or 418 bytes (the padding slot); the count
// follows from the mean length, whether the first frame is padded or not.
TEST(MP3Info, FrameCountOfPaddedCbrStream) {
    for (int firstPadded : {0, 1}) {
        std::vector<uint8_t> bytes;
        const int n = 6892;  // three minutes
        const double mean = 144.0 * 128000 / 44100;
        for (int i = 0; i < n; ++i) {
            int k = i + firstPadded;
            int pad = static_cast<int>(std::floor((k + 1) * mean) - std::floor(k * mean)) - 417;
            auto f = FrameStream(HeaderBytes(3, 1, 9, 0, pad, 1), 1);
            Append(bytes, f);
        }
        MP3Info info;
        ASSERT_TRUE(ReadBytes(info, bytes));
        EXPECT_EQ(info.FirstFrameLength(), 417 + firstPadded);
        EXPECT_EQ(info.Frames(), n);
        EXPECT_NEAR(info.Duration(), n * 1152 / 44.1, 1e-6);
    }
}

TEST(MP3Info, TagsAndJunkAroundTheFrames) {
    auto h = HeaderBytes(3, 1, 9, 1);  // 128k 48 kHz: 384 bytes
    auto frames = FrameStream(h, 100);
    std::vector<uint8_t> id3v1(128, 0);
    id3v1[0] = 'T', id3v1[1] = 'A', id3v1[2] = 'G';
    struct Case {
        const char* what;
        std::vector<uint8_t> before, after;
        uint64_t firstFrame;
        int64_t mpegBytes;
    };
    std::vector<uint8_t> junk(1000);
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<uint8_t>(i * 7 % 200);
    std::vector<uint8_t> twoTags = test::Id3v2Tag(300);
    Append(twoTags, test::Id3v2Tag(4096, 0xFF));
    const Case cases[] = {
        {"4096-byte ID3v2 tag", test::Id3v2Tag(4096), {}, 4096, 38400},
        {"ID3v2 tag of 0xFF bytes", test::Id3v2Tag(5000, 0xFF), {}, 5000, 38400},
        {"two tags in a row", twoTags, {}, 4396, 38400},
        {"ID3v1 tag at the end", {}, id3v1, 0, 38400},
        {"junk before the first frame", junk, {}, 1000, 38400},
        {"junk and ID3v1", junk, id3v1, 1000, 38400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = c.before;
        Append(bytes, frames);
        Append(bytes, c.after);
        MP3Info info;
        ASSERT_TRUE(ReadBytes(info, bytes));
        EXPECT_EQ(info.FirstFrame(), c.firstFrame);
        EXPECT_EQ(info.MpegBytes(), c.mpegBytes);
        EXPECT_EQ(info.Frames(), 100);
        EXPECT_DOUBLE_EQ(info.Duration(), 2400.0);
    }
}

TEST(MP3Info, Id3v2SizeForms) {
    auto frames = FrameStream(HeaderBytes(3, 1, 9, 1), 10);
    // Size bytes with a high bit set are a plain big-endian value.
    std::vector<uint8_t> tag(10 + 0x180, 0);
    tag[0] = 'I', tag[1] = 'D', tag[2] = '3', tag[3] = 3;
    tag[8] = 0x01, tag[9] = 0x80;  // 0x0180, not synchsafe
    std::vector<uint8_t> bytes = tag;
    Append(bytes, frames);
    MP3Info info;
    ASSERT_TRUE(ReadBytes(info, bytes));
    EXPECT_EQ(info.FirstFrame(), tag.size());
    // ID3v2.4 with the footer flag: 10 more bytes.
    auto v4 = test::Id3v2Tag(200);
    v4[3] = 4, v4[5] = 0x10;
    v4.resize(210, 0);
    bytes = v4;
    Append(bytes, frames);
    ASSERT_TRUE(ReadBytes(info, bytes));
    EXPECT_EQ(info.FirstFrame(), 210u);
}

// A tag that does not start the file: the scan resumes right after the tag,
// so frame-like bytes at the end of the tag's picture data are not taken for
// the audio.
TEST(MP3Info, TagAfterJunkIsSkippedToItsEnd) {
    auto fake = FrameStream(HeaderBytes(3, 1, 9, 0), 2);  // 44.1 kHz pair, 835 bytes
    auto real = FrameStream(HeaderBytes(3, 1, 9, 1), 50);
    std::vector<uint8_t> bytes(3000, 0x11);  // junk: the tag starts in the second block
    auto tag = test::Id3v2Tag(6000);
    std::copy(fake.begin(), fake.end(), tag.end() - static_cast<ptrdiff_t>(fake.size()) - 5);
    Append(bytes, tag);
    Append(bytes, real);
    MP3Info info;
    ASSERT_TRUE(ReadBytes(info, bytes));
    EXPECT_EQ(info.FirstFrame(), 9000u);
    EXPECT_EQ(info.SampleRate(), 48000);
}

TEST(MP3Info, SearchWindowIsBounded) {
    auto frames = FrameStream(HeaderBytes(3, 1, 9, 1), 20);
    for (size_t junkLen : {size_t{10000}, size_t{10300}}) {
        std::vector<uint8_t> bytes(junkLen, 0x00);
        Append(bytes, frames);
        MP3Info info;
        EXPECT_EQ(ReadBytes(info, bytes), junkLen < 10240) << junkLen;
    }
    // The window restarts after a skipped tag.
    std::vector<uint8_t> bytes = test::Id3v2Tag(50000);
    bytes.resize(bytes.size() + 10000, 0);
    Append(bytes, frames);
    MP3Info info;
    ASSERT_TRUE(ReadBytes(info, bytes));
    EXPECT_EQ(info.FirstFrame(), 60000u);
}

TEST(MP3Info, OneValidHeaderIsNotEnough) {
    // A lone header whose successor is not a header, then a real stream.
    auto lone = FrameStream(HeaderBytes(3, 1, 9, 0), 1);
    std::vector<uint8_t> bytes = lone;
    bytes.push_back(0x00);
    auto real = FrameStream(HeaderBytes(2, 1, 8, 0, 0, 3), 30);
    Append(bytes, real);
    MP3Info info;
    ASSERT_TRUE(ReadBytes(info, bytes));
    EXPECT_EQ(info.FirstFrame(), lone.size() + 1);
    EXPECT_EQ(info.MpegVersion(), 2.0f);
    // A free-format stream is never accepted.
    std::vector<uint8_t> free;
    for (int i = 0; i < 20; ++i) {
        auto fh = HeaderBytes(3, 1, 0, 0);
        free.insert(free.end(), fh.begin(), fh.end());
        free.resize(free.size() + 400, 0);
    }
    EXPECT_FALSE(ReadBytes(info, free));
}

namespace {

// A first frame carrying a Xing/Info header at offset `at`, then `count`
// audio frames of the same header.
std::vector<uint8_t> WithXing(const std::array<uint8_t, 4>& h, const char* id, uint32_t flags,
                              uint32_t frames, uint32_t bytes, int count, size_t at) {
    auto first = FrameStream(h, 1);
    std::copy(id, id + 4, first.begin() + static_cast<ptrdiff_t>(at));
    test::PutBE32(first, at + 4, flags);
    size_t p = at + 8;
    if (flags & 1)
        test::PutBE32(first, p, frames), p += 4;
    if (flags & 2)
        test::PutBE32(first, p, bytes), p += 4;
    if (flags & 4)
        for (int i = 0; i < 100; ++i)
            first[p + static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    auto out = first;
    Append(out, FrameStream(h, count));
    return out;
}

}  // namespace

TEST(MP3Info, XingAndInfoHeaders) {
    auto stereo = HeaderBytes(3, 1, 9, 1, 0, 1);     // 384-byte frames, Xing at 36
    auto mpeg2Mono = HeaderBytes(2, 1, 8, 0, 0, 3);  // 208-byte frames, Xing at 13
    auto mpeg1Mono = HeaderBytes(3, 1, 9, 1, 0, 3);  // Xing at 21
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool vbr;
        VbrHeaderKind kind;
        int64_t frames, mpegBytes, bitRate;
        double durationMs;
    };
    const Case cases[] = {
        {"Xing with frames and bytes", WithXing(stereo, "Xing", 7, 500, 100000, 20, 36), true,
         VbrHeaderKind::Xing, 500, 100000, 66667, 500 * 24.0},
        // Frames but no bytes: the file-based byte count and the average from it.
        {"Xing with frames only", WithXing(stereo, "Xing", 1, 500, 0, 20, 36), true,
         VbrHeaderKind::Xing, 500, 21 * 384, 5376, 500 * 24.0},
        {"Xing with bytes only", WithXing(stereo, "Xing", 2, 0, 38400, 20, 36), true,
         VbrHeaderKind::Xing, 100, 38400, 128000, 100 * 24.0},
        {"Info on CBR", WithXing(stereo, "Info", 3, 20, 20 * 384, 20, 36), false,
         VbrHeaderKind::Info, 20, 7680, 128000, 20 * 24.0},
        {"MPEG-2 mono Xing at 13", WithXing(mpeg2Mono, "Xing", 3, 300, 62400, 10, 13), true,
         VbrHeaderKind::Xing, 300, 62400, nearest64(62400 * 8 / (300 * 576 / 22.05) * 1000),
         300 * 576 / 22.05},
        {"MPEG-1 mono Xing at 21", WithXing(mpeg1Mono, "Xing", 1, 40, 0, 10, 21), true,
         VbrHeaderKind::Xing, 40, 11 * 384, 35200, 40 * 24.0},
        {"Xing at the stereo offset of a mono frame is not read",
         WithXing(mpeg1Mono, "Xing", 1, 40, 0, 10, 36), false, VbrHeaderKind::None, 11, 11 * 384,
         128000, 11 * 24.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MP3Info info;
        ASSERT_TRUE(ReadBytes(info, c.bytes));
        EXPECT_EQ(info.IsVBR(), c.vbr);
        EXPECT_EQ(info.VbrHeader(), c.kind);
        EXPECT_EQ(info.Frames(), c.frames);
        EXPECT_EQ(info.MpegBytes(), c.mpegBytes);
        EXPECT_EQ(info.BitRate(), c.bitRate);
        EXPECT_NEAR(info.Duration(), c.durationMs, 1e-6);
    }
    MP3Info info;
    ASSERT_TRUE(ReadBytes(info, WithXing(stereo, "Xing", 15, 9, 900, 5, 36)));
    ASSERT_EQ(info.XingToc().size(), 100u);
    EXPECT_EQ(info.XingToc()[99], 99);
}

TEST(MP3Info, VbriHeader) {
    auto h = HeaderBytes(3, 1, 9, 1, 0, 0);
    auto first = FrameStream(h, 1);
    const uint8_t vbri[] = {
        'V', 'B', 'R',  'I',          //
        0,   1,   0,    0,    0, 75,  // version, delay, quality
        0,   0,   0xC3, 0x50,         // bytes 50000
        0,   0,   0,    200,          // frames
        0,   3,   0,    3,    0, 2,   // 3 entries (+1), scale 3, 2-byte entries
        0,   10,                      // frames per entry
        0,   1,   0,    2,    0, 3,  0, 4,
    };
    std::copy(std::begin(vbri), std::end(vbri), first.begin() + 36);
    auto bytes = first;
    Append(bytes, FrameStream(h, 30));
    MP3Info info;
    ASSERT_TRUE(ReadBytes(info, bytes));
    EXPECT_EQ(info.VbrHeader(), VbrHeaderKind::Vbri);
    EXPECT_TRUE(info.IsVBR());
    EXPECT_EQ(info.Frames(), 200);
    EXPECT_EQ(info.MpegBytes(), 50000);
    EXPECT_DOUBLE_EQ(info.Duration(), 200 * 24.0);
    EXPECT_EQ(info.BitRate(), nearest64(50000 * 8 / 4800.0 * 1000));
    EXPECT_EQ(info.VbriTable(), (std::vector<int64_t>{3, 6, 9, 12}));
}

TEST(MP3Info, BadInputGivesAResultQuickly) {
    auto start = std::chrono::steady_clock::now();
    MP3Info info;
    EXPECT_FALSE(ReadBytes(info, {}));
    EXPECT_FALSE(ReadBytes(info, std::vector<uint8_t>(4 << 20, 0xFF)));  // false syncs everywhere
    EXPECT_EQ(info.Frames(), 0);
    EXPECT_EQ(info.FileSize(), 0u);
    // A tag whose size points past the file.
    auto tag = test::Id3v2Tag(100);
    tag[6] = 0x7F;
    EXPECT_FALSE(ReadBytes(info, tag));
    // A plain 32-bit size of nearly 4 GiB after junk.
    std::vector<uint8_t> big(500, 0);
    const uint8_t head[] = {'I', 'D', '3', 3, 0, 0, 0xFF, 0xFF, 0xFF, 0xF0};
    big.insert(big.end(), std::begin(head), std::end(head));
    Append(big, FrameStream(HeaderBytes(3, 1, 9, 1), 10));
    EXPECT_FALSE(ReadBytes(info, big));
    // Headers claiming a reserved rate, one after another.
    std::vector<uint8_t> reserved;
    for (int i = 0; i < 5000; ++i) {
        auto h = HeaderBytes(3, 1, 9, 3);
        reserved.insert(reserved.end(), h.begin(), h.end());
    }
    EXPECT_FALSE(ReadBytes(info, reserved));
    // Thousands of tiny "ID3" tags in a row: linear, then nothing.
    std::vector<uint8_t> tiny;
    for (int i = 0; i < 200000; ++i)
        Append(tiny, test::Id3v2Tag(10));
    EXPECT_FALSE(ReadBytes(info, tiny));
    // A truncated last frame after a valid pair is fine.
    auto frames = FrameStream(HeaderBytes(3, 1, 9, 1), 3);
    frames.erase(frames.end() - 200, frames.end());
    ASSERT_TRUE(ReadBytes(info, frames));
    EXPECT_EQ(info.Frames(), nearest64((3 * 384 - 200) / 384.0));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 3000);
}

TEST(MP3Info, FilesOnDisk) {
    test::TempDir dir;
    auto bytes = FrameStream(HeaderBytes(3, 1, 9, 1), 10);
    test::WriteBytes(dir / "a.mp3", bytes);
    MP3Info info;
    ASSERT_TRUE(info.ReadMP3Info(dir / "a.mp3"));
    EXPECT_EQ(info.Frames(), 10);
    EXPECT_FALSE(info.ReadMP3Info(dir / "missing.mp3"));
    EXPECT_FALSE(info.ReadMP3Info(dir.path()));  // a folder
    EXPECT_EQ(info.Frames(), 0);
}
