// The song check: playable files of at least 0.3 s and under 100 minutes.
#include <gtest/gtest.h>

#include "ListFixtures.h"
#include "editor/lists/MediaLists.h"
#include "editor/lists/SongCheck.h"

using namespace velmora;
using namespace velmora::editor;
using velmora::test::TempDir;

TEST(SongCheck, MinuteSecondTextAndLengthLimits) {
    struct Case {
        double d;
        const char* text;
        bool passes;
    } cases[] = {
        {0.2, "00:00", false},     {0.3, "00:00", true},    {59.99, "00:59", true},
        {61, "01:01", true},       {5999.9, "99:59", true}, {6000, "100:00", false},
        {6000.5, "100:00", false}, {-1, "00:00", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MinuteSecondText(c.d), c.text) << c.d;
        EXPECT_EQ(SongLengthPasses(c.d), c.passes) << c.d;
    }
}

TEST(SongCheck, PlayableFilesPassAndOthersFail) {
    TempDir dir;
    test::WriteWav(dir / "一秒 钟.wav", 1.0);
    test::WriteWav(dir / "short.wav", 0.2);
    test::WriteMidi(dir / "tune.mid", 4);
    test::WriteText(dir / "text.mp3", "this is not audio at all, only text");
    test::WriteBytes(dir / "broken.mid", {'M', 'T', 'h', 'd', 0, 0});

    auto d = PlayableSongLength(dir / "一秒 钟.wav");
    ASSERT_TRUE(d.has_value());
    EXPECT_NEAR(*d, 1.0, 0.01);
    EXPECT_TRUE(CheckSong(dir / "一秒 钟.wav"));
    EXPECT_FALSE(CheckSong(dir / "short.wav")) << "0.2 s is too short";
    auto m = PlayableSongLength(dir / "tune.mid");
    ASSERT_TRUE(m.has_value());
    EXPECT_NEAR(*m, 2.0, 0.01);
    EXPECT_TRUE(CheckSong(dir / "tune.mid"));
    EXPECT_FALSE(CheckSong(dir / "text.mp3"));
    EXPECT_FALSE(CheckSong(dir / "broken.mid"));
    EXPECT_FALSE(CheckSong(dir / "missing.wav"));
    EXPECT_FALSE(CheckSong(dir.path()));
}

TEST(SongCheck, AddingSongsRunsTheCheckAndFindsLyricFiles) {
    TempDir dir;
    const std::string good = dir / "好歌.wav", other = dir / "other.wav";
    test::WriteWav(good, 1.0);
    test::WriteWav(other, 1.0);
    test::WriteText(dir / "好歌.lrc", "[00:01.00]一");
    std::filesystem::create_directories(dir / "lyrics");
    test::WriteText(dir / "lyrics/other.lrc", "[00:01.00]二");
    test::WriteText(dir / "bad.mp3", "text");
    EXPECT_EQ(LyricFileForSong(good, ""), dir / "好歌.lrc");
    EXPECT_EQ(LyricFileForSong(other, ""), "");
    EXPECT_EQ(LyricFileForSong(other, dir / "lyrics"), dir / "lyrics/other.lrc");
    EXPECT_EQ(LyricFileForSong(other, "lyrics/"), "") << "only an absolute folder is searched";

    Project p;
    auto finder = [&](const std::string& s) { return LyricFileForSong(s, p.LyricFolder); };
    AddResult r =
        AddSongs(p, {good, dir / "bad.mp3", good, "/a.mp3", other}, nullptr, CheckSong, finder);
    EXPECT_EQ(r.added, 2u);
    EXPECT_EQ(p.songs, (std::vector<std::string>{good, other}));
    EXPECT_EQ(p.lyricFiles, (std::vector<std::string>{dir / "好歌.lrc"}));
}
