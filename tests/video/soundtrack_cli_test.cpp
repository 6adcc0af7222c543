// The decode and soundtrack commands through the program.
#include <gtest/gtest.h>

#include "../audio/AudioFixtures.h"
#include "../audio/PcmCompare.h"
#include "TempDir.h"
#include "audio/WaveChunk.h"
#include "base/ByteReader.h"
#include "project/Project.h"
#include "project/SettingsStore.h"

using namespace velmora;
using velmora::test::Probe;
using velmora::test::Quote;

namespace {

const std::string kProgram = std::string(VELMORA_PROGRAM_DIR) + "/velmora";

struct Output {
    int status;
    std::string out, err;
};

Output Velmora(const test::TempDir& dir, const std::string& args) {
    std::string err = dir / "stderr.txt";
    auto r = test::Run(Quote(kProgram) + " " + args + " 2>" + Quote(err));
    std::string e;
    for (uint8_t c : test::ReadBytes(err))
        e.push_back(static_cast<char>(c));
    return {r.status, r.output, e};
}

bool Ffmpeg(const std::string& args) {
    return test::Run("ffmpeg -v error -y " + args + " </dev/null").status == 0;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

TEST(DecodeCommand, WritesWavInAnyFormat) {
    test::TempDir dir;
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i sine=f=500:d=2 -ac 1 -ar 22050 -c:a pcm_u8 " + Quote(dir / "u8.wav")));
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i sine=f=500:d=2 -ac 2 -ar 44100 -c:a wmav2 " + Quote(dir / "s.wma")));
    // The song's own format: 8-bit stays 8-bit.
    Output o = Velmora(dir, "decode " + Quote(dir / "u8.wav") + " -o " + Quote(dir / "a.wav"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, dir / "a.wav" + ": 22050 Hz, 1 channels, 8 bits, 2.000 s\n");
    EXPECT_EQ(Probe(dir / "a.wav", "stream=codec_name"), "pcm_u8");
    EXPECT_EQ(test::FfmpegS16(dir / "a.wav"), test::FfmpegS16(dir / "u8.wav"));
    // Widened to 16 bits: sample for sample what ffmpeg makes of it.
    o = Velmora(dir,
                "decode " + Quote(dir / "u8.wav") + " -o " + Quote(dir / "b.wav") + " --bits 16");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Probe(dir / "b.wav", "stream=codec_name"), "pcm_s16le");
    EXPECT_EQ(test::FfmpegS16(dir / "b.wav"), test::FfmpegS16(dir / "u8.wav"));
    // The sound track's format from a WMA.
    o = Velmora(dir, "decode " + Quote(dir / "s.wma") + " -o " + Quote(dir / "c.wav") +
                         " --rate 22050 --channels 2 --bits 16");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Probe(dir / "c.wav", "stream=sample_rate,channels"), "22050\n2");
    EXPECT_NEAR(std::stod(Probe(dir / "c.wav", "format=duration")), 2.0, 0.06);
    EXPECT_EQ(Velmora(dir, "decode " + Quote(dir / "s.wma")).status, 2);
    EXPECT_EQ(Velmora(dir, "decode " + Quote(dir / "s.wma") + " -o x.wav --bits 12").status, 2);
}

TEST(DecodeCommand, BadInputSaysWhyFirst) {
    test::TempDir dir;
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=d=4 -ac 2 -ar 44100 " + Quote(dir / "src.wav")));
    ASSERT_EQ(test::Run("lame --quiet -V 2 " + Quote(dir / "src.wav") + " " + Quote(dir / "v.mp3"))
                  .status,
              0);
    auto mp3 = test::ReadBytes(dir / "v.mp3");
    mp3.resize(mp3.size() / 2);
    test::WriteBytes(dir / "half.mp3", mp3);
    auto wav = test::ReadBytes(dir / "src.wav");
    wav.resize(wav.size() / 3);  // the header claims three times what is there
    test::WriteBytes(dir / "short.wav", wav);
    std::vector<uint8_t> zero = test::ReadBytes(dir / "src.wav");
    {
        SpanSource src(zero);
        auto fmt = audio::FindWaveChunk(src, "fmt ");
        zero[fmt.offset + 2] = zero[fmt.offset + 3] = 0;  // no channels
    }
    test::WriteBytes(dir / "nochannels.wav", zero);
    test::WriteText(dir / "fake.wma", "plain text, not a Windows Media file");
    test::WriteText(dir / "fake.mp3", std::string(3000, 'x'));

    struct Case {
        const char* song;
        int status;
        const char* first;  // the first line of standard error
    } cases[] = {
        {"half.mp3", 0, "警告：文件 "},         {"short.wav", 0, "警告：文件 "},
        {"nochannels.wav", 1, "无法解码文件 "}, {"fake.wma", 1, "无法解码文件 "},
        {"fake.mp3", 1, "无法解码文件 "},       {"missing.wav", 1, "无法解码文件 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.song);
        Output o = Velmora(dir, "decode " + Quote(dir / c.song) + " -o " + Quote(dir / "out.wav"));
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_TRUE(StartsWith(o.err, c.first)) << o.err;
        EXPECT_NE(o.err.find("（结果 "), std::string::npos) << o.err;
        if (c.status == 0) {
            EXPECT_EQ(Probe(dir / "out.wav", "stream=codec_name"), "pcm_s16le");
        }
        std::error_code ec;
        std::filesystem::remove(dir / "out.wav", ec);
    }
    Output o = Velmora(dir, "decode " + Quote(dir / "fake.wma") + " -o " + Quote(dir / "out.wav"));
    EXPECT_NE(o.err.find("（结果 1）"), std::string::npos) << o.err;
    o = Velmora(dir, "decode " + Quote(dir / "fake.mp3") + " -o " + Quote(dir / "out.wav"));
    EXPECT_NE(o.err.find("（结果 4）"), std::string::npos) << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
}

TEST(SoundtrackCommand, EncodesTheProjectsTrack) {
    test::TempDir dir;
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=f=440:d=3 -ac 2 -ar 44100 " + Quote(dir / "a.wav")));
    ASSERT_EQ(test::Run("lame --quiet -V 2 " + Quote(dir / "a.wav") + " " + Quote(dir / "Song.mp3"))
                  .status,
              0);
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=f=300:d=2 -ac 1 -ar 48000 " + Quote(dir / "b.wav")));
    test::WriteText(dir / "song.lrc", "[00:01.00]一\n");
    Project p = MakeDefaultProject(ProjectEnvironment());
    for (const char* name : {"p1.jpg", "p2.jpg"})
        p.photos.push_back(NewPhotoEntry(dir / name, p, ProjectEnvironment()));
    p.songs = {dir / "Song.mp3", dir / "b.wav"};
    p.lyricFiles = {dir / "song.lrc"};
    p.EnableOpening = true;
    p.TitleText[0] = "开场";
    p.OpeningDurationTime = 8;
    SettingsStore store;
    WriteProjectSettings(p, store, false);
    test::WriteBytes(dir / "p.aps", store.FileBytes());

    Output o = Velmora(dir, "soundtrack " + Quote(dir / "p.aps") + " -o " + Quote(dir / "t.mp3") +
                                " --wav " + Quote(dir / "t.wav"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("步骤1/4：解码音频"), std::string::npos);
    EXPECT_NE(o.err.find("步骤 2/4：编码音频"), std::string::npos);
    EXPECT_NE(o.out.find("song 1: 3.000 s  " + dir / "Song.mp3" + "  lyrics: " + dir / "song.lrc"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("song 2: 2.000 s  " + dir / "b.wav" + "\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("sound track: 13.000 s"), std::string::npos) << o.out;
    EXPECT_EQ(Probe(dir / "t.mp3", "stream=codec_name,sample_rate,channels"), "mp3\n22050\n2");
    EXPECT_NEAR(test::ProbedMp3Seconds(dir / "t.mp3"), 13.0, 0.05);
    EXPECT_EQ(test::Run("ffmpeg -v error -i " + Quote(dir / "t.mp3") + " -f null - 2>&1").output,
              "");
    EXPECT_NEAR(std::stod(Probe(dir / "t.wav", "format=duration")), 13.0, 0.002);
    // The one-after-the-other way gives the same MP3.
    o = Velmora(dir, "soundtrack " + Quote(dir / "p.aps") + " -o " + Quote(dir / "s.mp3") +
                         " --sequential");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(test::ReadBytes(dir / "s.mp3"), test::ReadBytes(dir / "t.mp3"));

    // A song that cannot be decoded, a MIDI song, no songs.
    p.songs = {dir / "Song.mp3", dir / "gone.wma"};
    store = SettingsStore();
    WriteProjectSettings(p, store, false);
    test::WriteBytes(dir / "bad.aps", store.FileBytes());
    o = Velmora(dir, "soundtrack " + Quote(dir / "bad.aps") + " -o " + Quote(dir / "bad.mp3"));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("无法解码文件 " + dir / "gone.wma"), std::string::npos) << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.mp3"));
    p.songs = {dir / "x.mid"};
    store = SettingsStore();
    WriteProjectSettings(p, store, false);
    test::WriteBytes(dir / "midi.aps", store.FileBytes());
    o = Velmora(dir, "soundtrack " + Quote(dir / "midi.aps") + " -o " + Quote(dir / "m.mp3"));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("MIDI"), std::string::npos) << o.err;
    EXPECT_EQ(Velmora(dir, "soundtrack " + Quote(dir / "midi.aps")).status, 2);
}
