// The sound track of the video export: opening silence, songs decoded and
// joined, durations, lyric pairing, play orders, failures and cancel; the
// MP3 checked with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <filesystem>

#include "../audio/AudioFixtures.h"
#include "../audio/PcmCompare.h"
#include "TempDir.h"
#include "video/SoundTrack.h"

using namespace velmora;
using namespace velmora::video;
using velmora::test::Probe;
using velmora::test::Quote;

namespace {

const std::string kProgramFolder = std::string(VELMORA_PROGRAM_DIR) + "/";

bool Ffmpeg(const std::string& args) {
    return test::Run("ffmpeg -v error -y " + args + " </dev/null").status == 0;
}

// Songs of the three kinds with known lengths.
struct Songs {
    explicit Songs(const test::TempDir& dir) {
        auto tone = [](double f, double d) {
            return "-f lavfi -i sine=f=" + std::to_string(f) + ":d=" + std::to_string(d) + " ";
        };
        ok = Ffmpeg(tone(440, 3) + "-ac 2 -ar 44100 " + Quote(dir / "a.wav")) &&
             test::Run("lame --quiet -V 2 " + Quote(dir / "a.wav") + " " + Quote(dir / "one.mp3"))
                     .status == 0 &&
             Ffmpeg(tone(660, 2) + "-ac 1 -ar 48000 " + Quote(dir / "two.wav")) &&
             Ffmpeg(tone(550, 2.5) + "-ac 2 -ar 44100 -c:a wmav2 -b:a 128k " +
                    Quote(dir / "three.wma")) &&
             Ffmpeg(tone(300, 1) + "-ac 1 -ar 22050 -c:a pcm_u8 " + Quote(dir / "four.wav"));
        one = dir / "one.mp3";
        two = dir / "two.wav";
        three = dir / "three.wma";
        four = dir / "four.wav";
    }
    bool ok = false;
    std::string one, two, three, four;
};

SoundTrackInput Input(const test::TempDir& dir, std::vector<std::string> songs) {
    std::filesystem::create_directories(dir / "temp");
    SoundTrackInput in;
    in.songs = std::move(songs);
    in.programFolder = kProgramFolder;
    in.tempFolder = dir / "temp/";
    return in;
}

class Recorder final : public Progress {
  public:
    explicit Recorder(int cancelAfter = 1 << 30) : left_(cancelAfter) {}
    void InitProgress(const std::string&) override {}
    void ShowProgress(int percent, const std::string& text) override {
        --left_;
        texts.push_back(text);
        percents.push_back(percent);
    }
    bool Cancelled() const override { return left_ <= 0; }
    std::vector<std::string> texts;
    std::vector<int> percents;

  private:
    int left_;
};

double ProbedSeconds(const std::string& mp3) {
    return test::ProbedMp3Seconds(mp3);
}

bool TempIsEmpty(const test::TempDir& dir) {
    return std::filesystem::is_empty(dir / "temp");
}

}  // namespace

TEST(SoundTrack, ShippedSilencePieces) {
    for (auto [name, seconds] :
         {std::pair{"Sec5.wav", 5.0}, {"sec1.wav", 1.0}, {"sec2.wav", 2.0}, {"Sec2.wav", 2.0}}) {
        SCOPED_TRACE(name);
        std::string path = kProgramFolder + name;
        EXPECT_EQ(Probe(path, "stream=sample_rate,channels,codec_name"), "pcm_s16le\n22050\n2");
        EXPECT_NEAR(std::stod(Probe(path, "format=duration")), seconds, 1e-6);
        auto bytes = test::ReadBytes(path);
        size_t loud = 0;
        for (size_t k = 46; k < bytes.size(); ++k)
            loud += bytes[k] != 0;
        EXPECT_EQ(loud, 0u);
    }
}

TEST(SoundTrack, JoinsSongsAfterTheOpeningAndEncodes) {
    test::TempDir dir;
    Songs s(dir);
    ASSERT_TRUE(s.ok);
    SoundTrackInput in = Input(dir, {s.one, s.two, s.three, s.four});
    in.openingShown = true;
    in.openingSeconds = 12;  // two five-second pieces and a two-second piece
    in.lyricFiles = {dir / "x/ONE.LRC", dir / "y/Three.lrc", dir / "y/one.lrc"};
    SoundTrack track(in);
    Recorder progress;
    const SoundTrackResult& r = track.Build(dir.path() + "/", progress, dir / "joined.wav");
    ASSERT_EQ(r.decodedCount, 4) << r.message;
    EXPECT_TRUE(r.message.empty());
    ASSERT_EQ(r.songs.size(), 4u);
    EXPECT_NEAR(r.songs[0].duration, 3.0, 0.002);  // (song + 12 s) − 12 s
    EXPECT_NEAR(r.songs[1].duration, 2.0, 0.001);
    EXPECT_NEAR(r.songs[2].duration, 2.5, 0.06);
    EXPECT_NEAR(r.songs[3].duration, 1.0, 0.001);
    EXPECT_EQ(r.songs[0].lyricFile, dir / "x/ONE.LRC");  // the first match, any case
    EXPECT_EQ(r.songs[1].lyricFile, "");
    EXPECT_EQ(r.songs[2].lyricFile, dir / "y/Three.lrc");
    double sum = 0;
    for (const auto& song : r.songs)
        sum += song.duration;
    EXPECT_DOUBLE_EQ(r.totalDuration, sum);
    EXPECT_FALSE(progress.texts.empty());
    EXPECT_EQ(progress.texts.front(), "步骤1/4：解码音频");
    EXPECT_EQ(progress.texts.back(), "步骤 2/4：编码音频");

    const std::string mp3 = dir / "Mirb_Audio_Part.mp3";
    EXPECT_EQ(Probe(mp3, "stream=codec_name,sample_rate,channels"), "mp3\n22050\n2");
    EXPECT_NEAR(ProbedSeconds(mp3), 12 + r.totalDuration, 0.05);
    EXPECT_EQ(test::Run("ffmpeg -v error -i " + Quote(mp3) + " -f null - 2>&1").output, "");
    auto bytes = test::ReadBytes(mp3);
    EXPECT_NE(std::string(bytes.begin(), bytes.begin() + 200).find("Xing"), std::string::npos);

    // The joined WAV: 12 s of silence, then the songs, 22050 Hz stereo.
    EXPECT_EQ(Probe(dir / "joined.wav", "stream=sample_rate,channels"), "22050\n2");
    EXPECT_NEAR(std::stod(Probe(dir / "joined.wav", "format=duration")), 12 + r.totalDuration,
                0.002);
    test::Pcm pcm = test::OurPcm(dir / "joined.wav");
    ASSERT_GT(pcm.samples.size(), 2u * 22050 * 13);
    int silentPeak = 0, songPeak = 0;
    for (size_t k = 0; k < 2u * 22050 * 12; ++k)
        silentPeak = std::max(silentPeak, std::abs(static_cast<int>(pcm.samples[k])));
    for (size_t k = 2u * 22050 * 12; k < 2u * 22050 * 13; ++k)
        songPeak = std::max(songPeak, std::abs(static_cast<int>(pcm.samples[k])));
    EXPECT_EQ(silentPeak, 0);
    EXPECT_GT(songPeak, 1000);
    EXPECT_TRUE(TempIsEmpty(dir));

    // One after the other (the joined WAV growing song by song): the same
    // MP3 byte for byte.
    SoundTrack again(in);
    Recorder p2;
    ASSERT_EQ(again.DecodeAudio(p2).decodedCount, 4);
    EXPECT_TRUE(std::filesystem::exists(again.JoinedWav()));
    std::filesystem::create_directories(dir / "seq");
    ASSERT_TRUE(again.EncodeMP3(dir / "seq/", p2));
    EXPECT_FALSE(std::filesystem::exists(again.JoinedWav()));
    EXPECT_EQ(test::ReadBytes(dir / "seq/Mirb_Audio_Part.mp3"), bytes);
    EXPECT_TRUE(TempIsEmpty(dir));
}

TEST(SoundTrack, ShortOpeningIsFiveSeconds) {
    test::TempDir dir;
    Songs s(dir);
    ASSERT_TRUE(s.ok);
    for (double t : {3.0, 9.0, 14.0}) {
        SCOPED_TRACE(t);
        SoundTrackInput in = Input(dir, {s.two, s.four});
        in.openingShown = true;
        in.openingSeconds = t;
        SoundTrack track(in);
        Recorder progress;
        const SoundTrackResult& r = track.Build(dir.path() + "/", progress);
        ASSERT_EQ(r.decodedCount, 2) << r.message;
        double silence = t < 6 ? 5 : t;
        // Opening 3 s: five seconds of silence, the first song 2 s longer.
        EXPECT_NEAR(r.songs[0].duration, 2.0 + silence - t, 0.002);
        EXPECT_NEAR(ProbedSeconds(dir / "Mirb_Audio_Part.mp3"), silence + 3.0, 0.05);
        EXPECT_NEAR(r.totalDuration + t, silence + 3.0, 0.003);
        EXPECT_TRUE(TempIsEmpty(dir));
    }
}

TEST(SoundTrack, PlayOrders) {
    test::TempDir dir;
    Songs s(dir);
    ASSERT_TRUE(s.ok);
    std::vector<std::string> all = {s.one, s.two, s.three, s.four, s.two};
    SoundTrackInput in = Input(dir, all);
    in.playMusicOrder = 2;  // the first song only
    Recorder progress;
    SoundTrack first(in);
    const SoundTrackResult& r = first.Build(dir.path() + "/", progress);
    ASSERT_EQ(r.decodedCount, 1) << r.message;
    ASSERT_EQ(r.songs.size(), 1u);
    EXPECT_EQ(r.songs[0].path, s.one);
    EXPECT_NEAR(ProbedSeconds(dir / "Mirb_Audio_Part.mp3"), 3.0, 0.05);

    in.playMusicOrder = 1;  // shuffled, each song once
    SoundTrack shuffled(in);
    const SoundTrackResult& q = shuffled.DecodeAudio(progress);
    ASSERT_EQ(q.decodedCount, 5);
    std::vector<std::string> got;
    for (const auto& song : q.songs)
        got.push_back(song.path);
    std::sort(got.begin(), got.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(got, all);
}

TEST(SoundTrack, FailuresEndWithoutSoundTrack) {
    test::TempDir dir;
    Songs s(dir);
    ASSERT_TRUE(s.ok);
    test::WriteText(dir / "broken.mp3", std::string(5000, 'z'));
    test::WriteText(dir / "broken.wma", "not windows media");
    struct Case {
        std::vector<std::string> songs;
        std::string message;
    } cases[] = {
        {{s.one, dir / "missing.wav"}, "无法解码文件 " + dir / "missing.wav"},
        {{s.two, dir / "broken.mp3", s.four}, "无法解码文件 " + dir / "broken.mp3"},
        {{dir / "broken.wma"}, "无法解码文件 " + dir / "broken.wma"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        for (bool pipelined : {true, false}) {
            SoundTrack track(Input(dir, c.songs));
            Recorder progress;
            if (pipelined) {
                track.Build(dir.path() + "/", progress);
            } else {
                track.DecodeAudio(progress);
                EXPECT_FALSE(track.EncodeMP3(dir.path() + "/", progress));
            }
            // One warning, and no sound track at all (not just the first song).
            EXPECT_EQ(track.Result().decodedCount, 0);
            EXPECT_EQ(track.Result().message, c.message);
            EXPECT_EQ(track.Result().totalDuration, 0);
            EXPECT_FALSE(std::filesystem::exists(dir / "Mirb_Audio_Part.mp3"));
            EXPECT_TRUE(TempIsEmpty(dir));
        }
    }
    // Without the silence pieces the opening cannot be made.
    SoundTrackInput in = Input(dir, {s.two});
    in.openingShown = true;
    in.openingSeconds = 7;
    in.programFolder = dir / "nowhere/";
    SoundTrack track(in);
    Recorder progress;
    EXPECT_EQ(track.Build(dir.path() + "/", progress).decodedCount, 0);
    EXPECT_EQ(track.Result().message, "无法合并音频");
    EXPECT_TRUE(TempIsEmpty(dir));
}

TEST(SoundTrack, CancelLeavesNothing) {
    test::TempDir dir;
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=d=60 -ac 2 -ar 44100 " + Quote(dir / "long.wav")));
    for (bool pipelined : {true, false}) {
        SoundTrack track(Input(dir, {dir / "long.wav", dir / "long.wav"}));
        Recorder progress(3);
        if (pipelined) {
            track.Build(dir.path() + "/", progress);
        } else {
            track.DecodeAudio(progress);
            track.EncodeMP3(dir.path() + "/", progress);
        }
        EXPECT_TRUE(track.Result().cancelled);
        EXPECT_EQ(track.Result().decodedCount, 0);
        EXPECT_FALSE(std::filesystem::exists(dir / "Mirb_Audio_Part.mp3"));
        EXPECT_TRUE(TempIsEmpty(dir));
    }
}

TEST(SoundTrack, LyricPairing) {
    std::vector<std::string> lyrics = {"/l/other.lrc", "/l/Song.LRC", "/m/song.lrc",
                                       "/l/song.mp3.lrc"};
    EXPECT_EQ(PairLyricFile("/music/song.mp3", lyrics), "/l/Song.LRC");
    EXPECT_EQ(PairLyricFile("/music/song.mp3.wav", lyrics), "/l/song.mp3.lrc");
    EXPECT_EQ(PairLyricFile("/music/none.wma", lyrics), "");
    EXPECT_EQ(PairLyricFile("/music/歌曲.mp3", {"/l/歌曲.lrc"}), "/l/歌曲.lrc");
}
