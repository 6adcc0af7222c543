// The older record layout: fixtures written here by a small record writer,
// read back through the same open as settings files.
#include <gtest/gtest.h>

#include <map>

#include "ListFixtures.h"
#include "base/FileUtil.h"
#include "editor/lists/ProjectOpen.h"
#include "project/LegacyProject.h"
#include "project/ProjectFile.h"

using namespace velmora;
using velmora::test::TempDir;

namespace {

// Records by number; each is written as a 16-bit length and its bytes into
// a 128-byte slot. The file ends after the last record's text.
struct LegacyWriter {
    std::map<uint64_t, std::string> records;
    std::map<uint64_t, uint16_t> lengthOverride;
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> b;
        for (const auto& [n, text] : records) {
            size_t at = (n - 1) * kLegacyRecordLength;
            if (b.size() < at + 2 + text.size())
                b.resize(at + 2 + text.size(), 0);
            uint16_t len = static_cast<uint16_t>(text.size());
            if (auto it = lengthOverride.find(n); it != lengthOverride.end())
                len = it->second;
            b[at] = static_cast<uint8_t>(len);
            b[at + 1] = static_cast<uint8_t>(len >> 8);
            std::copy(text.begin(), text.end(), b.begin() + static_cast<long>(at) + 2);
        }
        return b;
    }
    void Write(const std::string& path) const { test::WriteBytes(path, Bytes()); }
};

// A file of two photos and one song with list base K = 3.
LegacyWriter Sample(const TempDir& dir) {
    LegacyWriter w;
    w.records[1] = "Velmora 3";
    w.records[4] = "10110011000000001011";
    w.records[5] = "7.5";
    w.records[6] = "255";
    w.records[7] = "-1";
    w.records[8] = "16711680";
    w.records[9] = " ";
    w.records[11] = "2";
    w.records[12] = "1";
    w.records[21] = "3";
    w.records[30] = "2";
    w.records[32] = "旧的幻灯";
    w.records[33] = "作者";
    w.records[36] = "备注";
    w.records[44] = dir / "logo.bmp";
    w.records[48] = "密码";
    const uint64_t K = 3, S = 1, P = 2, first = 50 + K + S;
    w.records[50 + K + 1] = dir / "歌.wav";
    w.records[first + 1] = dir / "一.bmp";
    w.records[first + 2] = dir / "二 \"2\".bmp";
    w.records[first + P + 1] = "15";
    w.records[first + 2 * P + 2] = "-7";
    w.records[first + 3 * P + 1] = "旧的说明";
    w.records[first + 4 * P + 1] = "30";
    w.records[first + 5 * P + 1] = "40";
    w.records[first + 5 * P + 2] = "";
    return w;
}

}  // namespace

TEST(LegacyProject, ReadsEveryRecordItUses) {
    TempDir dir;
    ProjectEnvironment env;
    Sample(dir).Write(dir / "old.aps");
    Project p = MakeDefaultProject(env);
    p.IsPackage = true;
    std::string why;
    ASSERT_TRUE(ReadLegacyProject(dir / "old.aps", p, env, &why)) << why;
    EXPECT_TRUE(p.PlayPhotoInRamdomOrder);
    EXPECT_FALSE(p.IgnoreMouseMove);
    EXPECT_TRUE(p.ShowCursor);
    EXPECT_TRUE(p.MuteSound);
    EXPECT_TRUE(p.EnableTransition);
    EXPECT_TRUE(p.EnableHeadlineEffect);
    EXPECT_EQ(p.TimeInterval, 7.5f);
    EXPECT_EQ(p.SolidColor, 255);
    EXPECT_EQ(p.BeginColor, -1);
    EXPECT_EQ(p.EndColor, 16711680);
    EXPECT_TRUE(p.BackGroundPicture.empty()) << "a single blank means none";
    EXPECT_EQ(p.BackGroundSet, "2");
    EXPECT_EQ(p.TxtSetting[0], "旧的幻灯");
    EXPECT_EQ(p.TxtSetting[1], "作者");
    EXPECT_EQ(p.TxtSetting[5], "备注");
    EXPECT_EQ(p.LogoImage, dir / "logo.bmp");
    EXPECT_EQ(p.ExportPassword, "密码");
    EXPECT_TRUE(p.FilenameAsCaption);
    EXPECT_FALSE(p.IsPackage);
    EXPECT_TRUE(p.EnableCaption);
    EXPECT_TRUE(p.EnableExport);
    EXPECT_EQ(p.songs, (std::vector<std::string>{dir / "歌.wav"}));
    ASSERT_EQ(p.NowI(), 2);
    PhotoEntry e0 = NewPhotoEntry(dir / "一.bmp", p, env);
    e0.ImgPosX = 15;
    e0.Caption = "旧的说明";
    e0.CapPos.X = 30;
    e0.CapPos.Y = 40;
    EXPECT_EQ(p.photos[0], e0);
    EXPECT_EQ(p.photos[1].ImgName, dir / "二 \"2\".bmp");
    EXPECT_EQ(p.photos[1].ImgPosY, -7);
    EXPECT_EQ(p.photos[1].ImgPosX, 0);
}

TEST(LegacyProject, ShortFlagRecordsKeepTheLaterOptions) {
    TempDir dir;
    ProjectEnvironment env;
    LegacyWriter w = Sample(dir);
    w.records[4] = "01001100";
    w.Write(dir / "old.aps");
    Project p = MakeDefaultProject(env);
    p.IsPackage = true;
    p.EnableExport = false;
    ASSERT_TRUE(ReadLegacyProject(dir / "old.aps", p, env));
    EXPECT_TRUE(p.IgnoreMouseMove);
    EXPECT_TRUE(p.MuteSound == false && p.EnableTransition == false);
    EXPECT_TRUE(p.IsPackage);
    EXPECT_FALSE(p.EnableExport);
}

TEST(LegacyProject, BadFilesEndTheReadAndChangeNothing) {
    TempDir dir;
    struct Case {
        const char* what;
        std::function<void(LegacyWriter&)> spoil;
    } cases[] = {
        {"colour not a number", [](LegacyWriter& w) { w.records[6] = "red"; }},
        {"colour out of range", [](LegacyWriter& w) { w.records[7] = "99999999999"; }},
        {"photo count missing", [](LegacyWriter& w) { w.records.erase(11); }},
        {"huge photo count", [](LegacyWriter& w) { w.records[11] = "2000000000"; }},
        {"huge list base", [](LegacyWriter& w) { w.records[21] = "2147483647"; }},
        {"negative song count", [](LegacyWriter& w) { w.records[12] = "-1"; }},
        {"record length too long", [](LegacyWriter& w) { w.lengthOverride[5] = 127; }},
        {"position not a number", [](LegacyWriter& w) { w.records[50 + 3 + 1 + 2 + 1] = "x"; }},
    };
    ProjectEnvironment env;
    for (const Case& c : cases) {
        LegacyWriter w = Sample(dir);
        c.spoil(w);
        w.Write(dir / "bad.aps");
        Project p = MakeDefaultProject(env);
        p.SolidColor = 77;
        std::string why;
        EXPECT_FALSE(ReadLegacyProject(dir / "bad.aps", p, env, &why)) << c.what;
        EXPECT_EQ(p.SolidColor, 77) << c.what;
        EXPECT_TRUE(p.photos.empty()) << c.what;
    }
    // A record whose text runs past the end of the file.
    auto bytes = Sample(dir).Bytes();
    bytes.resize(bytes.size() - 3);
    Project p = MakeDefaultProject(env);
    EXPECT_FALSE(ReadLegacyProjectBytes(bytes, p, env));
    EXPECT_FALSE(ReadLegacyProjectBytes({}, p, env));
}

TEST(LegacyProject, OpenedAndSavedAsASettingsFile) {
    TempDir dir;
    ProjectEnvironment env;
    LegacyWriter w = Sample(dir);
    w.Write(dir / "old.aps");
    test::WriteBmp(dir / "一.bmp", 2, 2);
    test::WriteBmp(dir / "logo.bmp", 2, 2);
    Project p = MakeDefaultProject(env);
    SettingsStore store;
    auto o = editor::OpenProjectFile(dir / "old.aps", p, store, env, FileExists);
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.read.layout, ProjectLayout::Legacy);
    EXPECT_EQ(o.missing.photos, (std::vector<size_t>{1}));
    EXPECT_EQ(o.missing.songs, (std::vector<size_t>{0}));
    EXPECT_EQ(p.NowI(), 1);
    EXPECT_TRUE(p.ProjectName.empty()) << "an older file binds to nothing";
    p.photos.push_back(NewPhotoEntry(dir / "logo.bmp", p, env));
    ASSERT_TRUE(SaveProjectFile(p, store, dir / "new.aps"));
    Project q = MakeDefaultProject(env);
    auto again = editor::OpenProjectFile(dir / "new.aps", q, store, env, FileExists);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.read.layout, ProjectLayout::Settings);
    ASSERT_EQ(q.NowI(), 2);
    EXPECT_EQ(q.photos[0].Caption, "旧的说明");
    EXPECT_EQ(q.photos[0].CapPos, p.photos[0].CapPos);
    EXPECT_EQ(q.photos[0].ImgPosX, 15);
    EXPECT_EQ(q.TxtSetting[0], "旧的幻灯");
}
