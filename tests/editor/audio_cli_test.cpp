// The mp3info, duration and timing commands through the program.
#include <gtest/gtest.h>

#include "../audio/AudioFixtures.h"
#include "TempDir.h"
#include "project/Project.h"
#include "project/SettingsStore.h"

using namespace velmora;
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

void WriteProject(const Project& p, const std::string& path) {
    SettingsStore store;
    WriteProjectSettings(p, store, false);
    test::WriteBytes(path, store.FileBytes());
}

}  // namespace

TEST(AudioCommands, Mp3InfoLinesAndFailures) {
    test::TempDir dir;
    ASSERT_EQ(
        test::Run("ffmpeg -v error -y -f lavfi -i sine=d=4 -ac 1 -ar 22050 " + Quote(dir / "a.wav"))
            .status,
        0);
    ASSERT_EQ(test::Run("lame --quiet -b 64 " + Quote(dir / "a.wav") + " " + Quote(dir / "cbr.mp3"))
                  .status,
              0);
    ASSERT_EQ(test::Run("lame --quiet -V 2 " + Quote(dir / "a.wav") + " " + Quote(dir / "vbr.mp3"))
                  .status,
              0);
    test::WriteBytes(dir / "empty.mp3", {});
    Output o = Velmora(dir, "mp3info " + Quote(dir / "cbr.mp3") + " " + Quote(dir / "empty.mp3") +
                                " " + Quote(dir / "vbr.mp3"));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("cbr.mp3: MPEG-2, Layer III, 64 kbit/s, 22050 Hz, mono, "),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find(" s, Info header\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("vbr.mp3: MPEG-2, Layer III, VBR, 22050 Hz, mono, "), std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find(" s, Xing header\n"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("empty.mp3"), std::string::npos);
    EXPECT_NE(o.err.find("empty.mp3：文件中没有找到MPEG音频帧"), std::string::npos) << o.err;
    EXPECT_EQ(Velmora(dir, "mp3info " + Quote(dir / "cbr.mp3")).status, 0);
    EXPECT_EQ(Velmora(dir, "mp3info").status, 2);

    o = Velmora(dir, "duration " + Quote(dir / "a.wav") + " " + Quote(dir / "nope.wma"));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("a.wav: 4.000\n"), std::string::npos) << o.out;
    EXPECT_NE(o.err.find("无法读取歌曲长度："), std::string::npos) << o.err;
}

TEST(AudioCommands, TimingOfAProject) {
    test::TempDir dir;
    ASSERT_EQ(
        test::Run("ffmpeg -v error -y -f lavfi -i sine=d=50 -ac 1 -ar 8000 " + Quote(dir / "s.wav"))
            .status,
        0);
    Project p = MakeDefaultProject(ProjectEnvironment());
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        p.photos.push_back(NewPhotoEntry(dir / name, p, ProjectEnvironment()));
    p.photos[1].SlideDuration = "7.5";
    p.songs = {dir / "s.wav"};
    p.TimeInterval = 12;
    p.EnableOpening = true;
    p.TitleText[0] = "开场";
    p.OpeningDurationTime = 8;
    p.EnableEnding = false;

    // Music sync: 50 s over 4 photos, one pass of 12.5 s slides.
    p.EnableSync = true;
    WriteProject(p, dir / "sync.aps");
    Output o = Velmora(dir, "timing " + Quote(dir / "sync.aps"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("song 1: 50.000 s"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("mode: music sync\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("songs total: 50.000 s (SongDurationTotal 51)"), std::string::npos);
    EXPECT_NE(o.out.find("slide time: 12.500 s, passes: 1, slides shown: 4"), std::string::npos);
    EXPECT_NE(o.out.find("opening: 8 s\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("slide 2: 12.500 s  photo 2 b.jpg\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("slides total: 50.000 s\ntotal: 58.000 s"), std::string::npos) << o.out;

    // Fixed interval with one own duration.
    p.EnableSync = false;
    WriteProject(p, dir / "fixed.aps");
    o = Velmora(dir, "timing " + Quote(dir / "fixed.aps"));
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.out.find("mode: fixed interval 12 s\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("slide 2: 7.500 s  photo 2 b.jpg  (own duration)\n"), std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("slide 4: 12.000 s  photo 4 d.jpg\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("total: 51.500 s"), std::string::npos) << o.out;

    // Sync with a song that cannot be measured: the fixed rule, and a message.
    p.EnableSync = true;
    p.songs.push_back(dir / "missing.mp3");
    WriteProject(p, dir / "broken.aps");
    o = Velmora(dir, "timing " + Quote(dir / "broken.aps"));
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.out.find("mode: music sync unavailable"), std::string::npos) << o.out;
    EXPECT_NE(o.err.find("无法读取歌曲长度："), std::string::npos);

    test::WriteBytes(dir / "junk.aps", std::vector<uint8_t>(100, 7));
    o = Velmora(dir, "timing " + Quote(dir / "junk.aps"));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("无法读取图片幻灯配置文件 'junk.aps'"), std::string::npos) << o.err;
}
