// velmora project new|show|check|save, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "ListFixtures.h"
#include "RunVelmora.h"
#include "base/FileUtil.h"
#include "project/SettingsStore.h"

using namespace velmora;
using velmora::test::ReadBytes;
using velmora::test::TempDir;
using velmora::test::Velmora;
namespace fs = std::filesystem;

namespace {
std::string Q(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
}  // namespace

TEST(ProjectCommand, NewShowCheckAndSave) {
    TempDir dir;
    fs::create_directories(dir / "相册 one/sub");
    for (const char* n : {"b.bmp", "a 'q'.bmp", "c.BMP"})
        test::WriteBmp(dir / (std::string("相册 one/") + n), 3, 3);
    test::WriteBmp(dir / "相册 one/sub/deep.bmp", 3, 3);
    test::WriteText(dir / "相册 one/notes.txt", "x");
    test::WriteBmp(dir / "single.bmp", 2, 2);
    test::WriteWav(dir / "歌.wav", 1.0);
    test::WriteText(dir / "歌.lrc", "[00:00.10]一");
    test::WriteText(dir / "bad.mp3", "not audio");
    const std::string aps = dir / "新 项目.aps";

    auto r =
        Velmora("project new " + Q(aps) + " --photos " + Q(dir / "相册 one") + " " +
                Q(dir / "single.bmp") + " --songs " + Q(dir / "歌.wav") + " " + Q(dir / "bad.mp3"));
    ASSERT_EQ(r.status, 0) << r.out;
    SettingsStore s;
    ASSERT_TRUE(s.LoadSettingsFile(aps));
    EXPECT_EQ(s.ReadSetting("NowI").long_(), 4) << "the folder's three photos and one file";
    EXPECT_EQ(s.ReadSetting("NowM").long_(), 1);
    EXPECT_EQ(s.ReadSetting("LyricFilesCount").long_(), 1) << "the song's lyric file was found";
    EXPECT_EQ(s.ReadSetting("ProjectName").text(), aps);
    EXPECT_EQ(s.ReadSetting("ImgNames(4)").text(), dir / "single.bmp");
    EXPECT_NE(r.out.find("跳过了 1 个无法播放或重复的音乐文件"), std::string::npos) << r.out;

    r = Velmora("project show " + Q(aps));
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* k : {"PlayPhotoInRamdomOrder = False", "TimeInterval = 12", "NowI = 4",
                          "StyleSelect = \"11111", "ImgNames(4) = \"", "CapPosW(1) = 983",
                          "MusicNames(1) = \"", "LyricFiles(1) = \""})
        EXPECT_NE(r.out.find(k), std::string::npos) << k << "\n" << r.out;

    r = Velmora("project check " + Q(aps));
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string copy = dir / "copy.aps";
    r = Velmora("project save " + Q(aps) + " " + Q(copy));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ReadBytes(aps), ReadBytes(copy)) << "saved, opened and saved again: same bytes";

    fs::remove(dir / "single.bmp");
    fs::remove(dir / "歌.lrc");
    r = Velmora("project check " + Q(aps));
    EXPECT_EQ(r.status, 3) << r.out;
    EXPECT_NE(r.out.find("缺少图片：" + dir / "single.bmp"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("缺少歌词：" + dir / "歌.lrc"), std::string::npos) << r.out;

    // Saving drops the photo that vanished and says so.
    r = Velmora("project save " + Q(aps) + " " + Q(copy));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("找不到图片幻灯配置中的某些文件"), std::string::npos) << r.out;
    ASSERT_TRUE(s.LoadSettingsFile(copy));
    EXPECT_EQ(s.ReadSetting("NowI").long_(), 3);
}

TEST(ProjectCommand, Refusals) {
    TempDir dir;
    test::WriteBmp(dir / "one.bmp", 2, 2);
    test::WriteText(dir / "junk.aps", "neither layout");
    struct Case {
        std::string args;
        int status;
        const char* text;
    } cases[] = {
        {"project new " + Q(dir / "x.aps") + " --photos " + Q(dir / "one.bmp"), 1,
         "请首先添加至少两张图片到图片幻灯中"},
        {"project show " + Q(dir / "junk.aps"), 1, "无法读取图片幻灯配置文件 'junk.aps'"},
        {"project check " + Q(dir / "none.aps"), 1, "找不到文件"},
        {"project save " + Q(dir / "junk.aps") + " " + Q(dir / "out.aps"), 1,
         "无法读取图片幻灯配置文件"},
        {"project show", 2, "用法"},
        {"project frobnicate", 2, "用法"},
        {"project new " + Q(dir / "x.aps") + " stray", 2, "用法"},
    };
    for (const Case& c : cases) {
        auto r = Velmora(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.text), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_FALSE(FileExists(dir / "x.aps"));
    EXPECT_FALSE(FileExists(dir / "out.aps"));
}
