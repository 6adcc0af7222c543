// PCM conversion, the WAV writer, the joiner and the MP3 encoder; the
// results are checked by reading the files back and with ffprobe/ffmpeg.
#include <gtest/gtest.h>

#include <cstring>

#include "AudioFixtures.h"
#include "PcmCompare.h"
#include "TempDir.h"
#include "audio/LameEncoder.h"
#include "audio/StreamWAV.h"
#include "audio/WaveChunk.h"
#include "base/ByteReader.h"
#include "base/Progress.h"

using namespace velmora;
using namespace velmora::audio;
using velmora::test::Probe;
using velmora::test::Quote;

namespace {

// Writes raw PCM through EncoderWAV with the output format out.
bool WriteWav(const std::string& path, const WaveFormatEx& in, const std::vector<uint8_t>& data,
              const WaveFormatEx& out) {
    EncoderWAV enc;
    enc.SetOutputFormat(out);
    uint32_t chunk = 0;
    if (enc.Init(path, in.nSamplesPerSec, in.nChannels, in.wBitsPerSample, chunk) != 0)
        return false;
    for (size_t at = 0; at < data.size(); at += chunk) {
        uint32_t n = static_cast<uint32_t>(std::min<size_t>(chunk, data.size() - at));
        if (enc.Encode(data.data() + at, n) != 0)
            return false;
    }
    return enc.DeInit() == 0;
}

std::vector<uint8_t> DataOf(const std::string& path) {
    auto bytes = test::ReadBytes(path);
    SpanSource src(bytes);
    WaveChunk d = FindWaveChunk(src, "data");
    if (!d.found())
        return {};
    return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(d.offset),
                                bytes.begin() + static_cast<ptrdiff_t>(d.offset + d.size));
}

uint32_t Le32At(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                 static_cast<uint32_t>(b[at + 3]) << 24);
}

std::vector<uint8_t> Stereo16(size_t frames, int seed) {
    std::vector<uint8_t> d;
    for (size_t k = 0; k < frames; ++k) {
        PutU16(d, static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(k * 0.05 + seed))));
        PutU16(d, static_cast<uint16_t>(static_cast<int16_t>(6000 * std::sin(k * 0.031 + seed))));
    }
    return d;
}

class CancelAfter final : public Progress {
  public:
    explicit CancelAfter(int shows) : left_(shows) {}
    void InitProgress(const std::string&) override {}
    void ShowProgress(int percent, const std::string& text) override {
        --left_;
        last = percent;
        lastText = text;
    }
    bool Cancelled() const override { return left_ <= 0; }
    int last = -1;
    std::string lastText;

  private:
    int left_;
};

}  // namespace

TEST(MakePcmFormat, Fields) {
    WaveFormatEx f = MakePcmFormat(22050, 2, 16);
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(f.cbSize, 0);
    EXPECT_EQ(f.Bytes().size(), 18u);
    EXPECT_EQ(WaveFormatEx::FromBytes(f.Bytes()), f);
    EXPECT_EQ(MakePcmFormat(8000, 1, 8).nBlockAlign, 1);
    EXPECT_EQ(MakePcmFormat(8000, 1, 12).nBlockAlign, 2);  // 1.5 rounds to even
    EXPECT_EQ(MakePcmFormat(8000, 3, 4).nBlockAlign, 2);   // 1.5
    EXPECT_EQ(MakePcmFormat(8000, 5, 4).nBlockAlign, 2);   // 2.5 to even
}

TEST(EncoderWAV, EightBitMonoBecomesTrackFormat) {
    test::TempDir dir;
    // An 8-bit mono WAV is prepared as 8-bit mono, then written as 22050 Hz
    // 16-bit stereo: each sample (x - 128) << 8 on both channels.
    std::vector<uint8_t> chunks, data(22050);
    for (size_t k = 0; k < data.size(); ++k)
        data[k] = static_cast<uint8_t>(128 + 100 * std::sin(k * 0.01));
    WaveFormatEx in = MakePcmFormat(22050, 1, 8);
    std::vector<uint8_t> file;
    PutString(file, "RIFF");
    PutU32(file, static_cast<uint32_t>(4 + 8 + 16 + 8 + data.size()));
    PutString(file, "WAVEfmt ");
    PutU32(file, 16);
    auto fb = in.Bytes();
    file.insert(file.end(), fb.begin(), fb.begin() + 16);
    PutString(file, "data");
    PutU32(file, static_cast<uint32_t>(data.size()));
    PutBytes(file, data);
    test::WriteBytes(dir / "u8.wav", file);

    StreamWAV w;
    ASSERT_EQ(w.OpenSource(dir / "u8.wav"), kSoundOk);
    PCMPreparator prep;
    ASSERT_TRUE(prep.InitConversion(w, false));
    EXPECT_EQ(prep.OutputBitsPerSample(), 8);
    EXPECT_EQ(prep.OutputChannels(), 1);
    EXPECT_EQ(prep.OutputSamplerate(), 22050u);
    EncoderWAV enc;
    uint32_t chunk = 0;
    ASSERT_EQ(enc.Init(dir / "out.wav", 22050, 1, 8, chunk), kSoundOk);
    EXPECT_EQ(chunk, 16384u);
    std::vector<uint8_t> buf(chunk);
    std::vector<uint8_t> big(20000);
    EXPECT_EQ(enc.Encode(big.data(), 20000), kSoundTooMuchData);  // nothing written
    for (;;) {
        uint32_t got = 0;
        prep.GetSamples(buf.data(), chunk, got);
        if (got) {
            ASSERT_EQ(enc.Encode(buf.data(), got), kSoundOk);
        }
        if (prep.EndOfStream())
            break;
    }
    ASSERT_EQ(enc.DeInit(), kSoundOk);
    auto out = test::ReadBytes(dir / "out.wav");
    ASSERT_EQ(out.size(), 46u + 22050 * 4);
    EXPECT_EQ(std::memcmp(out.data(), "RIFF", 4), 0);
    EXPECT_EQ(Le32At(out, 4), out.size() - 8);
    EXPECT_EQ(Le32At(out, 16), 18u);  // the 18-byte format record
    EXPECT_EQ(Le32At(out, 42), 22050u * 4);
    ByteReader r(std::span<const uint8_t>(out).subspan(20, 18));
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U16(), 2);
    EXPECT_EQ(r.U32(), 22050u);
    EXPECT_EQ(r.U32(), 88200u);
    EXPECT_EQ(r.U16(), 4);
    EXPECT_EQ(r.U16(), 16);
    size_t wrong = 0;
    for (size_t k = 0; k < data.size(); ++k) {
        int16_t want = static_cast<int16_t>((data[k] - 128) * 256);
        int16_t l = static_cast<int16_t>(out[46 + 4 * k] | out[47 + 4 * k] << 8);
        int16_t rr = static_cast<int16_t>(out[48 + 4 * k] | out[49 + 4 * k] << 8);
        wrong += l != want || rr != want;
    }
    EXPECT_EQ(wrong, 0u);
    // ffprobe reads the file as we wrote it.
    EXPECT_EQ(Probe(dir / "out.wav", "stream=sample_rate,channels"), "22050\n2");
}

TEST(EncoderWAV, ResamplesAndMixes) {
    test::TempDir dir;
    // 48 kHz stereo to 22050 Hz mono: the length follows the rate; the
    // mono channel is the mean of the two.
    std::vector<uint8_t> data = Stereo16(48000, 1);
    ASSERT_TRUE(
        WriteWav(dir / "m.wav", MakePcmFormat(48000, 2, 16), data, MakePcmFormat(22050, 1, 16)));
    auto d = DataOf(dir / "m.wav");
    EXPECT_NEAR(static_cast<double>(d.size()), 22050 * 2, 4);
    ASSERT_TRUE(
        WriteWav(dir / "same.wav", MakePcmFormat(48000, 2, 16), data, MakePcmFormat(48000, 1, 16)));
    auto m = DataOf(dir / "same.wav");
    ASSERT_EQ(m.size(), data.size() / 2);
    for (size_t k = 0; k < 1000; ++k) {
        int l = static_cast<int16_t>(data[4 * k] | data[4 * k + 1] << 8);
        int r = static_cast<int16_t>(data[4 * k + 2] | data[4 * k + 3] << 8);
        int v = static_cast<int16_t>(m[2 * k] | m[2 * k + 1] << 8);
        ASSERT_NEAR(v, (l + r) / 2.0, 1.0) << k;
    }
    // A file that cannot be created: 1; an unsupported depth: 4.
    EncoderWAV enc;
    uint32_t chunk = 0;
    EXPECT_EQ(enc.Init(dir / "no/such/folder.wav", 22050, 2, 16, chunk), kSoundNotOpen);
    EXPECT_EQ(enc.Init(dir / "x.wav", 22050, 2, 12, chunk), kSoundSetupFailed);
}

TEST(WavConcatenate, JoinsConvertsAndWritesHeader) {
    test::TempDir dir;
    // Exactly ten seconds of 22050 Hz stereo (one whole chunk, then an
    // empty last conversion), then 1.5 s of 44.1 kHz mono.
    std::vector<uint8_t> a = Stereo16(220500, 2);
    ASSERT_TRUE(
        WriteWav(dir / "a.wav", MakePcmFormat(22050, 2, 16), a, MakePcmFormat(22050, 2, 16)));
    std::vector<uint8_t> bm;
    for (size_t k = 0; k < 66150; ++k)
        PutU16(bm, static_cast<uint16_t>(static_cast<int16_t>(5000 * std::sin(k * 0.02))));
    ASSERT_TRUE(
        WriteWav(dir / "b.wav", MakePcmFormat(44100, 1, 16), bm, MakePcmFormat(44100, 1, 16)));

    clsWavConcatenate join;
    EXPECT_FALSE(join.WaveConcatenate(1, 1, dir / "empty.wav", true, false));  // nothing queued
    EXPECT_FALSE(join.WaveAdd(dir / "missing.wav"));
    EXPECT_FALSE(join.WaveAdd(dir.path()));
    test::WriteText(dir / "text.wav", "not a wave file at all");
    EXPECT_FALSE(join.WaveAdd(dir / "text.wav"));
    EXPECT_EQ(join.QueueSize(), 0u);
    ASSERT_TRUE(join.WaveAdd(dir / "a.wav"));
    ASSERT_TRUE(join.WaveAdd(dir / "b.wav"));
    CancelAfter never(1 << 30);
    ASSERT_TRUE(join.WaveConcatenate(2, 2, dir / "j.wav", true, true, &never));
    EXPECT_EQ(never.lastText, "步骤1/4：解码音频");
    EXPECT_GE(never.last, 75);  // the second half of song 2's share
    auto j = test::ReadBytes(dir / "j.wav");
    EXPECT_EQ(Le32At(j, 4), j.size() - 8);
    EXPECT_EQ(Le32At(j, 40), j.size() - 44);
    EXPECT_EQ(Le32At(j, 16), 16u);
    EXPECT_EQ(Le32At(j, 28), 88200u);
    // The first part is copied as it is; the second resampled to 1.5 s of
    // stereo with equal channels.
    ASSERT_GE(j.size(), 44 + a.size());
    EXPECT_EQ(std::memcmp(j.data() + 44, a.data(), a.size()), 0);
    EXPECT_NEAR(static_cast<double>(j.size() - 44 - a.size()), 33075.0 * 4, 16);
    for (size_t k = 44 + a.size(); k + 4 <= j.size(); k += 4 * 97)
        ASSERT_EQ(std::memcmp(j.data() + k, j.data() + k + 2, 2), 0);
    EXPECT_EQ(Probe(dir / "j.wav", "stream=sample_rate,channels"), "22050\n2");

    // Without a header, and cancelled after the first ten seconds: the
    // output has no header and the caller deletes it.
    CancelAfter soon(0);
    ASSERT_TRUE(join.WaveConcatenate(1, 1, dir / "raw.wav", false, true, &soon));
    EXPECT_EQ(test::ReadBytes(dir / "raw.wav").size(), a.size());
}

TEST(LameEncoder, EncodesVbrTrackWithHeader) {
    test::TempDir dir;
    // 576-frame chunks at 22050 Hz: 200 chunks exactly, the last included.
    std::vector<uint8_t> a = Stereo16(576 * 200, 3);
    ASSERT_TRUE(
        WriteWav(dir / "t.wav", MakePcmFormat(22050, 2, 16), a, MakePcmFormat(22050, 2, 16)));
    cLameEncoder lame;
    lame.WavFile = dir / "t.wav";
    lame.Mp3File = dir / "t.mp3";
    CancelAfter never(1 << 30);
    ASSERT_TRUE(lame.Encode(&never)) << lame.ErrorText();
    EXPECT_EQ(never.lastText, "步骤 2/4：编码音频");
    EXPECT_EQ(Probe(dir / "t.mp3", "stream=codec_name,sample_rate,channels"), "mp3\n22050\n2");
    EXPECT_NEAR(test::ProbedMp3Seconds(dir / "t.mp3"), 576.0 * 200 / 22050, 0.01);
    EXPECT_EQ(test::Run("ffmpeg -v error -i " + Quote(dir / "t.mp3") + " -f null - 2>&1").output,
              "");
    auto mp3 = test::ReadBytes(dir / "t.mp3");
    ASSERT_GT(mp3.size(), 200u);
    std::string first(mp3.begin(), mp3.begin() + 200);
    EXPECT_NE(first.find("Xing"), std::string::npos);
    // Every sample encoded: the decoded length (gapless) is the input's.
    test::Pcm back = test::OurPcm(dir / "t.mp3");
    EXPECT_EQ(back.samples.size(), a.size() / 2);

    // Preset 12 (CBR): no VBR header.
    cLameEncoder cbr;
    cbr.EncodingPreset = 12;
    cbr.BitRate = 64;
    cbr.WavFile = dir / "t.wav";
    cbr.Mp3File = dir / "c.mp3";
    ASSERT_TRUE(cbr.Encode());
    auto c = test::ReadBytes(dir / "c.mp3");
    std::string cfirst(c.begin(), c.begin() + 400);
    EXPECT_EQ(cfirst.find("Xing"), std::string::npos);
    EXPECT_EQ(cfirst.find("Info"), std::string::npos);
    EXPECT_EQ(Probe(dir / "c.mp3", "stream=bit_rate"), "64000");

    // Mono or 8-bit WAVs are refused; so is a missing file.
    ASSERT_TRUE(
        WriteWav(dir / "mono.wav", MakePcmFormat(22050, 2, 16), a, MakePcmFormat(22050, 1, 16)));
    ASSERT_TRUE(
        WriteWav(dir / "u8.wav", MakePcmFormat(22050, 2, 16), a, MakePcmFormat(22050, 2, 8)));
    for (const char* name : {"mono.wav", "u8.wav", "missing.wav"}) {
        SCOPED_TRACE(name);
        cLameWavReader reader;
        EXPECT_FALSE(reader.OpenFile(dir / name));
        cLameEncoder e;
        e.WavFile = dir / name;
        e.Mp3File = dir / "refused.mp3";
        EXPECT_FALSE(e.Encode());
    }
    // Cancelled: the MP3 is deleted.
    cLameEncoder stop;
    stop.WavFile = dir / "t.wav";
    stop.Mp3File = dir / "stop.mp3";
    CancelAfter soon(0);
    EXPECT_TRUE(stop.Encode(&soon));
    EXPECT_TRUE(stop.Cancelled());
    EXPECT_FALSE(std::filesystem::exists(dir / "stop.mp3"));
}
