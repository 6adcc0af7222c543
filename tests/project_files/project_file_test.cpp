// Project files: save, open and save again give the same bytes; files that
// are neither layout, truncated files and counts the file cannot hold are
// refused with the project left as it was; the check after an open.
#include <gtest/gtest.h>

#include <filesystem>

#include "ListFixtures.h"
#include "base/FileUtil.h"
#include "editor/lists/MediaLists.h"
#include "editor/lists/ProjectOpen.h"
#include "project/ProjectFile.h"

using namespace velmora;
using velmora::test::ReadBytes;
using velmora::test::TempDir;
using velmora::test::WriteBytes;
namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& p) {
    return FileExists(p);
}

// A project of three photos with awkward names, a song with its lyric file
// and a few edited fields, built through the list code.
Project SampleProject(const TempDir& dir, const ProjectEnvironment& env) {
    fs::create_directories(dir / "照片 \"一\"");
    std::vector<std::string> photos = {dir / "照片 \"一\"/海边 1.bmp", dir / "照片 \"一\"/b'2.bmp",
                                       dir / "照片 \"一\"/c.bmp"};
    for (const auto& ph : photos)
        test::WriteBmp(ph, 3, 2);
    test::WriteWav(dir / "歌 曲.wav", 1.0);
    test::WriteText(dir / "歌 曲.lrc", "[00:00.50]歌词");
    Project p = MakeDefaultProject(env);
    editor::AddPhotos(p, env, photos);
    editor::AddSongs(
        p, {dir / "歌 曲.wav"}, nullptr, [](const std::string&) { return true; },
        [](const std::string& s) { return s.substr(0, s.size() - 3) + "lrc"; });
    p.photos[0].Caption = "第一张\r\n两行";
    p.photos[0].SlideDuration = "4.5";
    p.photos[1].Headline = "动态";
    p.photos[1].ImgPosX = -20;
    p.TitleText[0] = "片头";
    p.EnableOpening = true;
    p.TimeInterval = 3.3f;
    p.TransitionChosen[4] = false;
    p.ProjectName = dir / "项目.aps";
    return p;
}

// The photos as a read gives them back: a photo without caption has the
// read-time caption rectangle (the rectangle is not stored).
std::vector<PhotoEntry> AsRead(std::vector<PhotoEntry> photos, const ProjectEnvironment& env) {
    for (PhotoEntry& e : photos)
        if (e.Caption.empty())
            e.CapPos = ReadCaptionDefaultRect(env);
    return photos;
}

Project Fresh(const ProjectEnvironment& env) {
    Project p = MakeDefaultProject(env);
    for (auto& t : p.TxtSetting)
        t.clear();
    return p;
}

}  // namespace

TEST(ProjectFile, SavedOpenedAndSavedAgainIsByteIdentical) {
    TempDir dir;
    ProjectEnvironment env;
    Project p = SampleProject(dir, env);
    SettingsStore store;
    ASSERT_TRUE(SaveProjectFile(p, store, dir / "项目.aps"));
    EXPECT_EQ(store.bag().size(), 0u) << "the store is emptied by the save";

    Project q = Fresh(env);
    auto o = editor::OpenProjectFile(dir / "项目.aps", q, store, env, Exists);
    ASSERT_TRUE(o.ok()) << o.read.detail;
    EXPECT_EQ(o.read.layout, ProjectLayout::Settings);
    EXPECT_EQ(q.photos, AsRead(p.photos, env));
    EXPECT_EQ(q.songs, p.songs);
    EXPECT_EQ(q.lyricFiles, p.lyricFiles);
    EXPECT_EQ(q.ProjectName, dir / "项目.aps");
    ASSERT_TRUE(SaveProjectFile(q, store, dir / "again.aps"));
    EXPECT_EQ(ReadBytes(dir / "项目.aps"), ReadBytes(dir / "again.aps"));
}

TEST(ProjectFile, APhotoWithoutCaptionReadsBackWithTheReadDefaultRectangle) {
    TempDir dir;
    ProjectEnvironment env;
    env.screenW = 1000;
    env.screenH = 500;
    Project p = SampleProject(dir, env);
    SettingsStore store;
    ASSERT_TRUE(SaveProjectFile(p, store, dir / "p.aps"));
    Project q = Fresh(env);
    ASSERT_TRUE(ReadProjectFile(dir / "p.aps", q, store, env).ok());
    EXPECT_EQ(q.photos[2].CapPos, (PlacementRect{20, 10, 960, 480}));
    EXPECT_EQ(q.photos[0].CapPos, p.photos[0].CapPos);
}

TEST(ProjectFile, UnreadableFilesLeaveTheProjectAsItWas) {
    TempDir dir;
    ProjectEnvironment env;
    Project p = SampleProject(dir, env);
    SettingsStore store;
    ASSERT_TRUE(SaveProjectFile(p, store, dir / "good.aps"));
    const auto good = ReadBytes(dir / "good.aps");

    // A count the file cannot hold.
    SettingsStore big;
    WriteProjectSettings(p, big, false);
    big.WriteSetting("NowI", Value::Long(2000000000));
    ASSERT_TRUE(big.SaveSettingsFile(dir / "count.aps"));
    SettingsStore neg;
    WriteProjectSettings(p, neg, false);
    neg.WriteSetting("NowM", Value::Long(-1));
    ASSERT_TRUE(neg.SaveSettingsFile(dir / "negative.aps"));
    // A settings file lacking a key every project has.
    SettingsStore lacking;
    lacking.WriteSetting("NowI", Value::Long(0));
    ASSERT_TRUE(lacking.SaveSettingsFile(dir / "lacking.aps"));
    WriteBytes(dir / "text.aps", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', '\n'});
    WriteBytes(dir / "empty.aps", {});
    std::vector<std::string> files = {dir / "count.aps", dir / "negative.aps", dir / "lacking.aps",
                                      dir / "text.aps",  dir / "empty.aps",    dir / "missing.aps",
                                      dir.path()};
    // Truncations at many points of a good file.
    for (size_t cut :
         {size_t{1}, size_t{11}, size_t{12}, size_t{40}, good.size() / 2, good.size() - 1}) {
        std::string f = dir / ("cut" + std::to_string(cut) + ".aps");
        WriteBytes(f, std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)));
        files.push_back(f);
    }
    for (const std::string& f : files) {
        Project q = p;
        auto r = ReadProjectFile(f, q, store, env);
        EXPECT_FALSE(r.ok()) << f;
        EXPECT_NE(r.message.find("无法读取图片幻灯配置文件"), std::string::npos) << f;
        EXPECT_EQ(q.photos.size(), p.photos.size()) << f;
        EXPECT_EQ(q.photos[0].Caption, p.photos[0].Caption) << f;
        EXPECT_EQ(q.TimeInterval, p.TimeInterval) << f;
        EXPECT_EQ(store.bag().size(), 0u);
    }
    // The editor's open empties the lists first: an unreadable file leaves
    // an empty project.
    Project q = p;
    EXPECT_FALSE(editor::OpenProjectFile(dir / "text.aps", q, store, env, Exists).ok());
    EXPECT_TRUE(q.photos.empty() && q.songs.empty() && q.ProjectName.empty());
    EXPECT_EQ(q.TitleText[0], "片头") << "the other fields stay";
}

TEST(ProjectFile, NothingIsWrittenForAProjectWithoutPhotos) {
    TempDir dir;
    Project p;
    SettingsStore store;
    std::string message;
    EXPECT_FALSE(SaveProjectFile(p, store, dir / "none.aps", &message));
    EXPECT_FALSE(FileExists(dir / "none.aps"));
    EXPECT_FALSE(message.empty());
}

TEST(ProjectFile, OpeningRemovesMissingMediaAndRepairsPictures) {
    TempDir dir;
    ProjectEnvironment env;
    Project p = SampleProject(dir, env);
    p.BackGroundSet = "3";
    p.BackGroundPicture = dir / "背景.bmp";
    p.LogoImage = dir / "logo.bmp";
    p.EnableEnding = true;  // neither ending image nor title
    p.OpeningImage = dir / "opening.bmp";
    test::WriteBmp(dir / "logo.bmp", 2, 2);
    SettingsStore store;
    ASSERT_TRUE(SaveProjectFile(p, store, dir / "p.aps"));
    fs::remove(p.photos[1].ImgName);
    fs::remove(dir / "歌 曲.wav");

    Project q = Fresh(env);
    auto o = editor::OpenProjectFile(dir / "p.aps", q, store, env, Exists);
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.missing.photos, (std::vector<size_t>{1}));
    EXPECT_EQ(o.missing.songs, (std::vector<size_t>{0}));
    ASSERT_EQ(q.NowI(), 2);
    EXPECT_EQ(q.photos[1].ImgName, p.photos[2].ImgName);
    EXPECT_TRUE(q.songs.empty());
    EXPECT_TRUE(q.lyricFiles.empty()) << "the song's lyric file goes with it";
    EXPECT_EQ(q.BackGroundSet, "1");
    EXPECT_TRUE(q.BackGroundPicture.empty());
    EXPECT_EQ(q.LogoImage, dir / "logo.bmp");
    EXPECT_TRUE(q.EnableOpening) << "the title text keeps the opening";
    EXPECT_TRUE(q.OpeningImage.empty());
    EXPECT_FALSE(q.EnableEnding);

    // A gradient background keeps its choice whatever the picture field holds.
    Project r = Fresh(env);
    r.BackGroundSet = "2";
    r.BackGroundPicture = "";
    RepairProjectImages(r, Exists);
    EXPECT_EQ(r.BackGroundSet, "2");
    r.BackGroundSet = "3";
    RepairProjectImages(r, Exists);
    EXPECT_EQ(r.BackGroundSet, "1");

    auto missing = ListMissingFiles(p, Exists);
    ASSERT_EQ(missing.size(), 4u);
    EXPECT_EQ(missing[0].role, "图片");
    EXPECT_EQ(missing[1].role, "音乐");
    EXPECT_EQ(missing[2].path, dir / "背景.bmp");
    EXPECT_EQ(missing[3].role, "片头图片");
}

TEST(ProjectFile, AnOlderFileWithoutEnableFloatingKeepsTheCurrentValue) {
    TempDir dir;
    ProjectEnvironment env;
    Project p = SampleProject(dir, env);
    SettingsStore store;
    WriteProjectSettings(p, store, false);
    // Rebuild the store without the key, as an older version wrote it.
    SettingsStore older;
    for (const auto& [k, v] : store.bag().entries())
        if (k != "EnableFloating")
            older.WriteSetting(k, v);
    store.Clear();
    ASSERT_TRUE(older.SaveSettingsFile(dir / "old.aps"));
    for (bool current : {true, false}) {
        Project q = Fresh(env);
        q.EnableFloating = current;
        ASSERT_TRUE(ReadProjectFile(dir / "old.aps", q, store, env).ok());
        EXPECT_EQ(q.EnableFloating, current);
    }
}
