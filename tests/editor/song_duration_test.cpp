// Song lengths as the editor measures them: WAV from the RIFF header, MP3
// cross-checked against the frame headers, WMA and MIDI through the media
// duration.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../audio/AudioFixtures.h"
#include "TempDir.h"
#include "audio/SongLength.h"
#include "base/ByteReader.h"

using namespace velmora;
using namespace velmora::audio;
using velmora::test::Quote;

namespace {

std::vector<uint8_t> Wave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                          uint32_t dataSize, uint32_t claimedSize, bool listFirst = false) {
    std::vector<uint8_t> fmt;
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    PutU16(fmt, tag);
    PutU16(fmt, channels);
    PutU32(fmt, rate);
    PutU32(fmt, rate * align);
    PutU16(fmt, align);
    PutU16(fmt, bits);
    std::vector<uint8_t> body;
    PutString(body, "WAVE");
    PutString(body, "fmt ");
    PutU32(body, 16);
    PutBytes(body, fmt);
    if (listFirst) {
        PutString(body, "LIST");
        PutU32(body, 4);
        PutString(body, "INFO");
    }
    PutString(body, "data");
    PutU32(body, claimedSize);
    body.resize(body.size() + dataSize, 0);
    std::vector<uint8_t> out;
    PutString(out, "RIFF");
    PutU32(out, static_cast<uint32_t>(body.size()));
    PutBytes(out, body);
    return out;
}

}  // namespace

TEST(SongDuration, CombiningTheMediaAndHeaderFigures) {
    struct Case {
        double graph, header, expected;
    };
    const Case cases[] = {
        {180.1, 182.4, 180.1},  // header a little longer: the media figure
        {180.1, 190, 190},      // more than 5 s longer: the header
        {180.1, 185.1, 180.1},  // exactly 5 s: still the media figure
        {180.1, 175, 175},      // header shorter: the header
        {180.1, 0, 180.1},      // no header
        {180.1, -1, 180.1},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(CombineMp3Durations(c.graph, c.header), c.expected)
            << c.graph << " " << c.header;
    EXPECT_DOUBLE_EQ(RoundToMilliseconds(12.34567), 12.346);
    EXPECT_DOUBLE_EQ(RoundToMilliseconds(0.0125), 0.012);  // 12.5: halves to even
}

TEST(SongDuration, WaveFilesFromTheirHeader) {
    test::TempDir dir;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        double header;  // WaveHeaderDuration
    };
    const Case cases[] = {
        {"stereo16.wav", Wave(1, 2, 44100, 16, 441000, 441000), 2.5},
        {"mono8.WAV", Wave(1, 1, 8000, 8, 12000, 12000), 1.5},
        {"list.wav", Wave(1, 2, 22050, 16, 88200, 88200, true), 1.0},
        {"float.tmp", Wave(3, 2, 48000, 32, 384000, 384000), 1.0},
        // The header claims 10 s, the file holds 1 s: what is there counts.
        {"short.wav", Wave(1, 1, 16000, 16, 32000, 320000), 1.0},
        {"zero_channels.wav", Wave(1, 0, 44100, 16, 1000, 1000), 0},
        {"zero_bits.wav", Wave(1, 2, 44100, 0, 1000, 1000), 0},
        {"compressed.wav", Wave(0x55, 2, 44100, 0, 1000, 1000), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(dir / c.name, c.bytes);
        EXPECT_DOUBLE_EQ(WaveHeaderDuration(dir / c.name), c.header);
        auto d = SongLength(dir / c.name);
        if (c.header > 0) {
            ASSERT_TRUE(d.has_value());
            EXPECT_DOUBLE_EQ(*d, c.header);
        }
    }
    EXPECT_DOUBLE_EQ(WaveHeaderDuration(dir / "missing.wav"), 0);
}

TEST(SongDuration, EveryTypeAgainstFfprobe) {
    test::TempDir dir;
    auto make = [&](const std::string& cmd) {
        ASSERT_EQ(test::Run("(" + cmd + ") >/dev/null 2>&1").status, 0) << cmd;
    };
    std::string wav = dir / "in.wav";
    make("ffmpeg -v error -y -f lavfi -i sine=f=500:d=9.3 -ac 2 -ar 44100 " + Quote(wav));
    make("lame --quiet -b 128 " + Quote(wav) + " " + Quote(dir / "cbr.mp3"));
    make("lame --quiet -V 3 " + Quote(wav) + " " + Quote(dir / "vbr.mp3"));
    // VBR with its header stripped: the frame headers alone would say far
    // less than the song's length.
    make("lame --quiet -t -V 2 " + Quote(wav) + " " + Quote(dir / "vbr_noheader.mp3"));
    make("ffmpeg -v error -y -i " + Quote(wav) + " -c:a wmav2 " + Quote(dir / "song.wma"));
    make("ffmpeg -v error -y -i " + Quote(wav) + " -c:a adpcm_ima_wav " + Quote(dir / "adpcm.wav"));
    make("ffmpeg -v error -y -i " + Quote(wav) + " -f mp3 " + Quote(dir / "mp3inside.wav"));
    for (const char* name : {"in.wav", "cbr.mp3", "vbr.mp3", "vbr_noheader.mp3", "song.wma",
                             "adpcm.wav", "mp3inside.wav"}) {
        SCOPED_TRACE(name);
        std::string why;
        auto d = SongLength(dir / name, &why);
        ASSERT_TRUE(d.has_value()) << why;
        double probed = std::atof(test::Probe(dir / name, "format=duration").c_str());
        EXPECT_NEAR(*d, probed, 0.030);
        // libavformat estimates a headerless VBR file from its bit rate.
        EXPECT_NEAR(*d, 9.3, std::string(name) == "vbr_noheader.mp3" ? 1.0 : 0.1);
        EXPECT_DOUBLE_EQ(*d, RoundToMilliseconds(*d));
    }
    // MIDI through our reader: 8 quarter notes at 120 per minute.
    test::SmfWriter w(0, 96);
    w.AddTrack().Event(0, {0x90, 60, 90}).Event(96 * 8, {0x80, 60, 0}).End(0);
    test::WriteBytes(dir / "song.mid", w.Bytes());
    auto mid = SongLength(dir / "song.mid");
    ASSERT_TRUE(mid.has_value());
    EXPECT_DOUBLE_EQ(*mid, 4.0);
    // Nothing to measure.
    test::WriteBytes(dir / "noise.mp3", std::vector<uint8_t>(3000, 0x20));
    std::string why;
    EXPECT_FALSE(SongLength(dir / "noise.mp3", &why).has_value());
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(SongLength(dir / "absent.mp3").has_value());
}
