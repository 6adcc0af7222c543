#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"
#include "app/AppPaths.h"
#include "base/FileUtil.h"

using namespace velmora;
using velmora::test::TempDir;
using velmora::test::WriteText;
namespace fs = std::filesystem;

TEST(AppPaths, WorkingFoldersBesideAWritableProgram) {
    TempDir dir;
    AppPaths p = PathsForProgramFolder(dir.path());
    EXPECT_EQ(p.programFolder, dir.path() + "/");
    EXPECT_EQ(p.dataFolder, p.programFolder);
    EXPECT_EQ(p.AutoSave(), dir.path() + "/Project/AutoSave.aps");
    EXPECT_EQ(p.ResourcePack(), dir.path() + "/gmi.src");

    // Temp/ with files, a hidden file and a subfolder: only the subfolder
    // and the hidden file stay; Project/ is created.
    fs::create_directories(p.Temp() + "sub");
    WriteText(p.Temp() + "a.jpg", "x");
    WriteText(p.Temp() + "b", "y");
    WriteText(p.Temp() + "sub/inner", "z");
    PrepareWorkingFolders(p);
    EXPECT_TRUE(IsDirectory(p.ProjectFolder()));
    EXPECT_FALSE(FileExists(p.Temp() + "a.jpg"));
    EXPECT_FALSE(FileExists(p.Temp() + "b"));
    EXPECT_TRUE(IsDirectory(p.Temp() + "sub"));
    EXPECT_TRUE(FileExists(p.Temp() + "sub/inner"));
}

TEST(AppPaths, ReadOnlyProgramFolderUsesTheUserDataFolder) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root can write every folder";
    TempDir dir, home;
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    AppPaths p = PathsForProgramFolder(dir.path());
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(p.programFolder, dir.path() + "/");
    EXPECT_EQ(p.dataFolder, home.path() + "/velmora/");
}

TEST(AppPaths, FirstRunMarkerIsOneRecord) {
    TempDir dir;
    ASSERT_TRUE(WriteFirstRunMarker(dir / "plehwohs.ini"));
    auto b = velmora::test::ReadBytes(dir / "plehwohs.ini");
    ASSERT_EQ(b.size(), 128u);
    EXPECT_EQ(b[0], 8);
    EXPECT_EQ(std::string(b.begin() + 2, b.begin() + 10), "plehwohs");
    EXPECT_FALSE(WriteFirstRunMarker(dir / "no/such/folder/plehwohs.ini"));
}
