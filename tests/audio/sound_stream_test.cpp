// The sound streams and the PCM conversion against ffmpeg: WAV sample for
// sample, MP3 and WMA within a small residual once aligned; and bad input
// refused with the streams' result codes.
#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "PcmCompare.h"
#include "TempDir.h"
#include "audio/StreamMP3.h"
#include "audio/StreamWAV.h"
#include "audio/StreamWMA.h"
#include "audio/WaveChunk.h"
#include "base/ByteReader.h"

using namespace velmora;
using namespace velmora::audio;
using velmora::test::Quote;

namespace {

const char* kTone =
    "aevalsrc='0.4*sin(2*PI*440*t)+0.3*sin(2*PI*1375*t+1)|0.4*sin(2*PI*660*t)+0.2*sin(2*PI*3100*t)"
    "'";

bool Ffmpeg(const std::string& args) {
    return test::Run("ffmpeg -v error -y " + args + " </dev/null").status == 0;
}

uint16_t FormatTagOf(const std::string& wav) {
    auto bytes = test::ReadBytes(wav);
    SpanSource src(bytes);
    WaveChunk fmt = FindWaveChunk(src, "fmt ");
    if (!fmt.found())
        return 0;
    return static_cast<uint16_t>(bytes[fmt.offset] | bytes[fmt.offset + 1] << 8);
}

}  // namespace

TEST(SoundStreams, WavMatchesFfmpegSampleForSample) {
    test::TempDir dir;
    struct Case {
        const char* name;
        const char* args;  // encoder options after the tone input
        uint16_t tag;
    } cases[] = {
        {"s16_stereo.wav", "-ar 44100 -c:a pcm_s16le", kWaveFormatPcm},
        {"s16_mono48k.wav", "-ac 1 -ar 48000 -c:a pcm_s16le", kWaveFormatPcm},
        {"u8_mono.wav", "-ac 1 -ar 22050 -c:a pcm_u8", kWaveFormatPcm},
        {"u8_stereo.wav", "-ar 11025 -c:a pcm_u8", kWaveFormatPcm},
        {"s24_stereo.wav", "-ar 44100 -c:a pcm_s24le", kWaveFormatExtensible},
        {"s24_mono.wav", "-ac 1 -ar 48000 -c:a pcm_s24le", kWaveFormatExtensible},
        {"f32_stereo.wav", "-ar 32000 -c:a pcm_f32le", kWaveFormatExtensible},
        {"s32_stereo.wav", "-ar 44100 -c:a pcm_s32le", kWaveFormatExtensible},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir / c.name;
        // ffmpeg writes a LIST chunk (the encoder's name) before "data".
        ASSERT_TRUE(
            Ffmpeg("-f lavfi -i " + std::string(kTone) + ":d=1.7 " + c.args + " " + Quote(path)));
        EXPECT_EQ(FormatTagOf(path), c.tag);
        {
            auto bytes = test::ReadBytes(path);
            SpanSource src(bytes);
            EXPECT_TRUE(FindWaveChunk(src, "LIST").found());
            EXPECT_LT(FindWaveChunk(src, "LIST").offset, FindWaveChunk(src, "data").offset);
        }
        test::Pcm ours = test::OurPcm(path);
        ASSERT_EQ(ours.openResult, 0);
        ASSERT_TRUE(ours.converted);
        std::vector<int16_t> theirs = test::FfmpegS16(path);
        ASSERT_FALSE(theirs.empty());
        ASSERT_EQ(ours.samples.size(), theirs.size());
        size_t diff = 0;
        for (size_t k = 0; k < theirs.size(); ++k)
            diff += ours.samples[k] != theirs[k];
        EXPECT_EQ(diff, 0u);
    }
}

TEST(SoundStreams, Mp3WithinResidualOfFfmpeg) {
    test::TempDir dir;
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i " + std::string(kTone) + ":d=3 -ar 44100 " + Quote(dir / "src44.wav")));
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i " + std::string(kTone) + ":d=3 -ar 22050 " + Quote(dir / "src22.wav")));
    auto lame = [&](const std::string& opts, const std::string& in, const std::string& out) {
        return test::Run("lame --quiet " + opts + " " + Quote(dir / in) + " " + Quote(dir / out))
                   .status == 0;
    };
    ASSERT_TRUE(lame("-b 128", "src44.wav", "cbr.mp3"));
    ASSERT_TRUE(lame("-V 2", "src44.wav", "vbr.mp3"));
    ASSERT_TRUE(lame("-m m -b 64", "src44.wav", "mono.mp3"));
    ASSERT_TRUE(lame("-V 4", "src22.wav", "mpeg2.mp3"));
    ASSERT_TRUE(lame("-b 160 -t", "src44.wav", "notag.mp3"));  // no Xing/Info frame
    // A 100 KiB ID3v2 tag full of 0xFF bytes before the audio (cover art):
    // beyond the 64 KiB frame search, and full of false sync bytes.
    {
        std::vector<uint8_t> bytes = test::Id3v2Tag(100 * 1024, 0xFF);
        for (size_t k = 10; k < bytes.size(); k += 3)
            bytes[k] = 0xFB;
        auto mp3 = test::ReadBytes(dir / "vbr.mp3");
        bytes.insert(bytes.end(), mp3.begin(), mp3.end());
        test::WriteBytes(dir / "bigid3.mp3", bytes);
    }
    struct Case {
        const char* name;
        int rate, channels;
    } cases[] = {{"cbr.mp3", 44100, 2},   {"vbr.mp3", 44100, 2},   {"mono.mp3", 44100, 1},
                 {"mpeg2.mp3", 22050, 2}, {"notag.mp3", 44100, 2}, {"bigid3.mp3", 44100, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::Pcm ours = test::OurPcm(dir / c.name);
        ASSERT_EQ(ours.openResult, 0);
        ASSERT_TRUE(ours.converted);
        EXPECT_EQ(ours.rate, c.rate);
        EXPECT_EQ(ours.channels, c.channels);
        std::vector<int16_t> theirs = test::FfmpegS16(dir / c.name);
        ASSERT_GT(theirs.size(), 1000u);
        // The whole song: at most one frame more or less than ffmpeg.
        EXPECT_NEAR(static_cast<double>(ours.samples.size()), static_cast<double>(theirs.size()),
                    1152.0 * c.channels * 2);
        int lag = 0;
        double db = test::AlignedResidualDb(theirs, ours.samples, c.channels, 3000, &lag);
        EXPECT_LT(db, -60.0) << "lag " << lag;
    }
}

TEST(SoundStreams, WmaWithinResidualOfFfmpeg) {
    test::TempDir dir;
    for (const char* codec : {"wmav1", "wmav2"}) {
        for (int ch : {1, 2}) {
            std::string name = std::string(codec) + "_" + std::to_string(ch) + ".wma";
            SCOPED_TRACE(name);
            ASSERT_TRUE(Ffmpeg("-f lavfi -i " + std::string(kTone) + ":d=3 -ar 44100 -ac " +
                               std::to_string(ch) + " -c:a " + codec + " -b:a 128k " +
                               Quote(dir / name)));
            test::Pcm ours = test::OurPcm(dir / name);
            ASSERT_EQ(ours.openResult, 0);
            ASSERT_TRUE(ours.converted);
            EXPECT_EQ(ours.rate, 44100);
            EXPECT_EQ(ours.channels, ch);
            std::vector<int16_t> theirs = test::FfmpegS16(dir / name);
            ASSERT_GT(theirs.size(), 1000u);
            EXPECT_NEAR(static_cast<double>(ours.samples.size()),
                        static_cast<double>(theirs.size()), 4096.0 * ch);
            EXPECT_LT(test::AlignedResidualDb(theirs, ours.samples, ch), -60.0);
        }
    }
    StreamWMA wma;
    ASSERT_EQ(wma.OpenSource(dir / "wmav2_2.wma"), kSoundOk);
    EXPECT_NEAR(wma.Duration(), 3000, 100);
    EXPECT_TRUE(wma.Force16Bit());
    // Seeking to 50 % starts reading near the middle.
    ASSERT_EQ(wma.SeekTo(50, 0), kSoundOk);
    EXPECT_NEAR(wma.Position(), 1500, 100);
    EXPECT_EQ(wma.SeekTo(101, 0), kSoundOutOfRange);
    EXPECT_EQ(wma.SeekTo(4, 1), kSoundOutOfRange);
    // Reading past the last sample returns the rest and 5.
    std::vector<uint8_t> buf(1 << 20);
    uint32_t got = 0;
    EXPECT_EQ(wma.Read(buf.data(), static_cast<uint32_t>(buf.size()), got), kSoundEndOfData);
    EXPECT_GT(got, 0u);
    EXPECT_EQ(wma.Read(buf.data(), 100, got), kSoundEndOfData);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(wma.CloseSource(), kSoundOk);
    EXPECT_EQ(wma.CloseSource(), kSoundNotOpen);
}

namespace {

void Chunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body,
           uint32_t claimed = 0) {
    PutString(out, std::string(id, 4));
    PutU32(out, claimed ? claimed : static_cast<uint32_t>(body.size()));
    PutBytes(out, body);
    if (body.size() & 1)
        out.push_back(0);
}

std::vector<uint8_t> Fmt(uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> f;
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    PutU16(f, 1);
    PutU16(f, channels);
    PutU32(f, rate);
    PutU32(f, rate * align);
    PutU16(f, align);
    PutU16(f, bits);
    return f;
}

std::vector<uint8_t> Riff(const std::vector<uint8_t>& chunks) {
    std::vector<uint8_t> out;
    PutString(out, "RIFF");
    PutU32(out, static_cast<uint32_t>(chunks.size() + 4));
    PutString(out, "WAVE");
    PutBytes(out, chunks);
    return out;
}

std::vector<uint8_t> Ramp(size_t n) {
    std::vector<uint8_t> d(n);
    for (size_t k = 0; k < n; ++k)
        d[k] = static_cast<uint8_t>(k * 7);
    return d;
}

}  // namespace

TEST(StreamWAV, ReadsSeeksAndDurations) {
    // data before fmt, 4-byte blocks, 1 s at 8000 Hz.
    std::vector<uint8_t> chunks;
    Chunk(chunks, "data", Ramp(32000));
    Chunk(chunks, "fmt ", Fmt(2, 8000, 16));
    Chunk(chunks, "LIST", std::vector<uint8_t>(5, 'x'));
    auto file = Riff(chunks);
    StreamWAV w;
    ASSERT_EQ(w.OpenSource(std::make_unique<SpanSource>(file)), kSoundOk);
    EXPECT_EQ(w.DataOffset(), 20u);
    EXPECT_EQ(w.Duration(), 1000);
    EXPECT_FALSE(w.Force16Bit());
    EXPECT_EQ(w.BitRate(), 8000 * 4 * 8);
    EXPECT_EQ(w.WFXPointer().size(), 18u);
    std::vector<uint8_t> buf(40000);
    uint32_t got = 0;
    EXPECT_EQ(w.Read(buf.data(), 1000, got), kSoundOk);
    EXPECT_EQ(got, 1000u);
    EXPECT_EQ(w.Position(), 31);  // 1000 / 32000 s, rounded
    // Reads never pass the data chunk into the next chunk.
    EXPECT_EQ(w.Read(buf.data(), 40000, got), kSoundEndOfData);
    EXPECT_EQ(got, 31000u);
    EXPECT_TRUE(w.EndOfStream());
    EXPECT_EQ(w.Read(buf.data(), 10, got), kSoundEndOfData);
    EXPECT_EQ(got, 0u);
    // SeekTo(50, 0) lands on a block boundary; seconds too; out of range 3.
    ASSERT_EQ(w.SeekTo(50.01, 0), kSoundOk);
    EXPECT_EQ(w.Position(), 500);
    EXPECT_EQ(w.Read(buf.data(), 4, got), kSoundOk);
    EXPECT_EQ(buf[0], static_cast<uint8_t>(16000 * 7));
    EXPECT_EQ(w.SeekTo(0.25, 1), kSoundOk);
    EXPECT_EQ(w.Position(), 250);
    EXPECT_EQ(w.SeekTo(-1, 0), kSoundOutOfRange);
    EXPECT_EQ(w.SeekTo(1.5, 1), kSoundOutOfRange);
    EXPECT_EQ(w.SeekTo(7, 9), kSoundOk);  // other modes: the start
    EXPECT_EQ(w.Position(), 0);
    EXPECT_EQ(w.CloseSource(), kSoundOk);
    EXPECT_EQ(w.Read(buf.data(), 4, got), kSoundNotOpen);
}

TEST(StreamWAV, BadFilesAreRefusedOrCut) {
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        int32_t open;       // OpenSource result
        uint64_t readable;  // bytes the reads hand out
        bool truncated;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, std::vector<uint8_t> chunks, int32_t open, uint64_t readable,
                   bool truncated = false) {
        cases.push_back({what, Riff(chunks), open, readable, truncated});
    };
    {
        std::vector<uint8_t> c;
        Chunk(c, "fmt ", Fmt(2, 8000, 16));
        Chunk(c, "data", Ramp(1000), 1000000);  // claims far more than the file holds
        add("data size past the file", c, kSoundOk, 1000, true);
    }
    {
        std::vector<uint8_t> c;
        Chunk(c, "fmt ", Fmt(0, 8000, 16));
        Chunk(c, "data", Ramp(100));
        add("no channels", c, kSoundNotOpen, 0);
    }
    {
        std::vector<uint8_t> c;
        Chunk(c, "fmt ", Fmt(2, 0, 16));
        Chunk(c, "data", Ramp(100));
        add("rate 0", c, kSoundNotOpen, 0);
    }
    {
        std::vector<uint8_t> c;
        Chunk(c, "fmt ", std::vector<uint8_t>(14, 1));
        Chunk(c, "data", Ramp(100));
        add("fmt shorter than 16", c, kSoundNotOpen, 0);
    }
    {
        std::vector<uint8_t> c;
        Chunk(c, "fmt ", Fmt(2, 8000, 16));
        Chunk(c, "LIST", Ramp(10), 0xFFFFFFF0u);  // near 2^32: the walk ends
        Chunk(c, "data", Ramp(100));
        add("LIST size near 2^32 before data", c, kSoundNotOpen, 0);
    }
    {
        std::vector<uint8_t> c;
        Chunk(c, "fmt ", Fmt(2, 8000, 16), 0xFFFFFFFFu);
        add("fmt size near 2^32", c, kSoundNotOpen, 0);
    }
    {
        std::vector<uint8_t> c;
        Chunk(c, "fmt ", Fmt(1, 8000, 8));
        Chunk(c, "data", Ramp(999), 0xFFFFFFFFu);
        // Cut to the end of the file, which holds the pad byte too.
        add("data size 2^32 - 1", c, kSoundOk, 1000, true);
    }
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        StreamWAV w;
        ASSERT_EQ(w.OpenSource(std::make_unique<SpanSource>(c.file)), c.open);
        if (c.open != kSoundOk) {
            EXPECT_TRUE(w.WFXPointer().empty());
            continue;
        }
        EXPECT_EQ(w.Truncated(), c.truncated);
        std::vector<uint8_t> buf(4096);
        uint64_t total = 0;
        for (int k = 0; k < 100; ++k) {
            uint32_t got = 0;
            int32_t r = w.Read(buf.data(), 512, got);
            total += got;
            if (r != kSoundOk) {
                EXPECT_EQ(r, kSoundEndOfData);
                break;
            }
        }
        EXPECT_EQ(total, c.readable);
        EXPECT_EQ(w.SeekTo(100, 0), kSoundOk);
    }
    // Not a RIFF file at all, and a missing file.
    StreamWAV w;
    std::vector<uint8_t> junk(100, 'j');
    EXPECT_EQ(w.OpenSource(std::make_unique<SpanSource>(junk)), kSoundNotOpen);
    EXPECT_EQ(w.OpenSource("/nonexistent/x.wav"), kSoundNotOpen);
}

TEST(SoundStreams, BadMp3AndWma) {
    test::TempDir dir;
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i " + std::string(kTone) + ":d=4 -ar 44100 " + Quote(dir / "src.wav")));
    ASSERT_EQ(
        test::Run("lame --quiet -V 2 " + Quote(dir / "src.wav") + " " + Quote(dir / "vbr.mp3"))
            .status,
        0);
    auto mp3 = test::ReadBytes(dir / "vbr.mp3");
    // Truncated in the middle of a frame: what is there decodes, then the
    // data ends; no hang.
    std::vector<uint8_t> half(mp3.begin(),
                              mp3.begin() + static_cast<ptrdiff_t>(mp3.size() / 2 + 77));
    test::WriteBytes(dir / "half.mp3", half);
    test::Pcm cut = test::OurPcm(dir / "half.mp3");
    ASSERT_TRUE(cut.converted);
    EXPECT_GT(cut.samples.size(), 44100u * 2);
    EXPECT_LT(cut.samples.size(), 44100u * 2 * 3);
    StreamMP3 s;
    ASSERT_EQ(s.OpenSource(dir / "half.mp3"), kSoundOk);
    EXPECT_TRUE(s.HasXing());
    EXPECT_NEAR(s.Duration(), 4000, 60);  // the header still speaks for the whole song
    // Only a few bytes of a frame, and no frame at all: the stream stays
    // closed and the conversion cannot be set up.
    std::vector<uint8_t> head(mp3.begin(), mp3.begin() + 3);
    test::WriteBytes(dir / "tiny.mp3", head);
    test::WriteText(dir / "text.mp3", std::string(70000, 'a'));
    for (const char* name : {"tiny.mp3", "text.mp3"}) {
        SCOPED_TRACE(name);
        test::Pcm p = test::OurPcm(dir / name);
        EXPECT_EQ(p.openResult, kSoundOk);
        EXPECT_FALSE(p.converted);
    }
    // A WMA that is something else: refused at open with 1.
    test::WriteText(dir / "text.wma", "this is not windows media\n");
    test::WriteBytes(dir / "mp3.wma", mp3);
    for (const char* name : {"text.wma", "mp3.wma", "missing.wma"}) {
        SCOPED_TRACE(name);
        StreamWMA w;
        EXPECT_EQ(w.OpenSource(dir / name), kSoundNotOpen);
        EXPECT_TRUE(w.WFXPointer().empty());
        uint32_t got = 1;
        uint8_t b[4];
        EXPECT_EQ(w.Read(b, 4, got), kSoundNotOpen);
        EXPECT_EQ(got, 0u);
    }
}

TEST(StreamMP3, FormatRecordDurationAndPosition) {
    // 4,000,000 bytes of CBR 128 kbit/s MPEG-1 frames: 250 s.
    auto h = test::HeaderBytes(3, 1, 9, 0);  // MPEG-1 Layer III 128 kbit/s 44.1 kHz
    int len = test::FrameLengthOf(h);
    std::vector<uint8_t> file = test::FrameStream(h, 4000000 / len + 1);
    file.resize(4000000);
    StreamMP3 s;
    ASSERT_EQ(s.OpenSource(std::make_unique<SpanSource>(file)), kSoundOk);
    EXPECT_EQ(s.Duration(), 250000);
    EXPECT_TRUE(s.Force16Bit());
    auto wfx = s.WFXPointer();
    ASSERT_EQ(wfx.size(), 30u);
    ByteReader r(wfx);
    EXPECT_EQ(r.U16(), 0x55);
    EXPECT_EQ(r.U16(), 2);
    EXPECT_EQ(r.U32(), 44100u);
    EXPECT_EQ(r.U32(), 16384u);
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.U16(), 12);
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U32(), 2u);
    EXPECT_EQ(r.U16(), 522);
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U16(), 1393);
    // Early in a file without a seek table the position is negative.
    EXPECT_LT(s.Position(), 0);
    // Half the file, counted in whole 417-byte frames.
    EXPECT_EQ(s.SeekTo(50, 0), kSoundOk);
    EXPECT_EQ(s.Position(), 123288);  // 2000000 / 417 × 1152 / 44100 s − 2 s
    EXPECT_EQ(s.SeekTo(251, 1), kSoundOutOfRange);
    EXPECT_EQ(s.SeekTo(0, 0), kSoundOk);  // the first frame
    uint32_t got = 0;
    std::vector<uint8_t> buf(4096);
    EXPECT_EQ(s.Read(buf.data(), 4096, got), kSoundOk);
    EXPECT_EQ(got, 4096u);
    EXPECT_EQ(buf[0], 0xFF);
}
