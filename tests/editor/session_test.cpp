// The editor session, headless: the closing table, autosave timing, the
// decisions before a new or opened project, and that no save replaces a
// readable project file by one that cannot be read back.
#include <gtest/gtest.h>

#include <filesystem>

#include "../editor_lists/ListFixtures.h"
#include "TempDir.h"
#include "base/FileUtil.h"
#include "editor/session/EditorSession.h"
#include "project/ProjectFile.h"

using namespace velmora;
using namespace velmora::editor;
using velmora::test::TempDir;
using velmora::test::WriteText;
namespace fs = std::filesystem;

namespace {

SessionFiles FilesIn(const TempDir& dir) {
    fs::create_directories(dir / "Temp");
    return {dir / "Project/", dir / "Project/AutoSave.aps", dir / "Mirb.ini", dir / "Temp/"};
}

void AddPhotos(EditorSession& s, const TempDir& dir, int n) {
    for (int i = 0; i < n; ++i) {
        std::string p = dir / ("photo" + std::to_string(s.project().NowI() + 1) + ".bmp");
        test::WriteBmp(p, 8, 8);
        s.project().photos.push_back(NewPhotoEntry(p, s.project(), s.environment()));
    }
}

bool ReadsBack(const std::string& path, int photos) {
    Project p;
    SettingsStore store;
    ProjectReadResult r = ReadProjectFile(path, p, store, ProjectEnvironment{});
    return r.ok() && p.NowI() == photos;
}

// Root may write anywhere whatever the permissions say: try it.
bool FolderIsWritableForTest(const std::string& folder) {
    const std::string probe = folder + "/.probe";
    WriteText(probe, "x");
    bool ok = FileExists(probe);
    std::error_code ec;
    fs::remove(probe, ec);
    return ok;
}

}  // namespace

TEST(EditorSession, ClosingTable) {
    enum Bound { Unsaved, BoundFile, BoundDeleted };
    struct Case {
        const char* what;
        int photos;
        Bound bound;
        bool busy;
        CloseStart start;
        bool projectWritten;
        bool preferencesWritten;
    };
    const Case cases[] = {
        {"one photo, unsaved", 1, Unsaved, false, CloseStart::Close, false, false},
        {"two photos, unsaved", 2, Unsaved, false, CloseStart::AskPendingSave, false, true},
        {"one photo, bound", 1, BoundFile, false, CloseStart::Close, true, false},
        {"two photos, bound", 2, BoundFile, false, CloseStart::Close, true, true},
        {"bound file deleted meanwhile", 2, BoundDeleted, false, CloseStart::Close, false, true},
        {"busy", 2, BoundFile, true, CloseStart::Refuse, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteText(dir / "Temp/scratch.jpg", "x");
        EditorSession s(FilesIn(dir));
        AddPhotos(s, dir, c.photos);
        const std::string aps = dir / "bound.aps";
        if (c.bound != Unsaved) {
            s.project().ProjectName = aps;
            WriteText(aps, "old");
            if (c.bound == BoundDeleted)
                fs::remove(aps);
        }
        s.SetBusy(c.busy);
        ASSERT_EQ(s.BeginClose(), c.start);
        if (c.start == CloseStart::Refuse)
            continue;
        int shown = 0;
        CloseResult r = s.FinishClose([&](const SaveResult&) { return ++shown, true; });
        EXPECT_TRUE(r.closed);
        EXPECT_EQ(shown, 0);
        EXPECT_EQ(c.projectWritten,
                  c.bound != Unsaved && FileExists(aps) && ReadsBack(aps, c.photos));
        if (c.bound == BoundDeleted) {
            EXPECT_FALSE(FileExists(aps)) << "a deleted project file is not written again";
        }
        EXPECT_EQ(FileExists(dir / "Mirb.ini"), c.preferencesWritten);
        EXPECT_FALSE(FileExists(dir / "Temp/scratch.jpg")) << "Temp/ is emptied";
    }
}

TEST(EditorSession, PreferencesCarryOptionsButNoLists) {
    TempDir dir;
    {
        EditorSession s(FilesIn(dir));
        AddPhotos(s, dir, 2);
        s.project().MuteSound = true;
        s.project().ProjectName = dir / "x.aps";
        s.FinishClose({});
    }
    EditorSession next(FilesIn(dir));
    ASSERT_TRUE(next.LoadPreferences());
    EXPECT_TRUE(next.project().MuteSound);
    EXPECT_TRUE(next.project().photos.empty());
    EXPECT_TRUE(next.path().empty());
}

TEST(EditorSession, AutosaveEveryThirtySecondsWithTwoPhotos) {
    TempDir dir;
    EditorSession s(FilesIn(dir));
    const std::string autosave = dir / "Project/AutoSave.aps";
    AddPhotos(s, dir, 1);
    int watches = 0;
    for (int i = 0; i < 75; ++i) {
        TickResult t = s.Tick();
        EXPECT_TRUE(t.ran);
        EXPECT_FALSE(t.autosaved);
        watches += t.screenWatch;
    }
    EXPECT_EQ(watches, 18) << "the screen is watched every fourth tick";
    EXPECT_FALSE(FileExists(autosave)) << "one photo: no autosave, the count keeps running";
    EXPECT_EQ(s.tickCount(), 75);
    AddPhotos(s, dir, 1);
    EXPECT_TRUE(s.Tick().autosaved) << "the first tick after the second photo";
    EXPECT_EQ(s.tickCount(), 0);
    EXPECT_TRUE(ReadsBack(autosave, 2));

    s.SetBusy(true);
    EXPECT_FALSE(s.Tick().ran);
    s.SetBusy(false);
    s.SetTransitionPreview(true);
    EXPECT_FALSE(s.Tick().ran);
    s.SetTransitionPreview(false);
    EXPECT_EQ(s.tickCount(), 0) << "nothing counts while busy or previewing";
    for (int i = 1; i < EditorSession::kAutoSaveTicks; ++i)
        EXPECT_FALSE(s.Tick().autosaved) << i;
    EXPECT_TRUE(s.Tick().autosaved) << "60 ticks of 500 ms";

    // All photos removed: the earlier autosave file stays as it was.
    const auto before = test::ReadBytes(autosave);
    s.project().photos.clear();
    for (int i = 0; i < 130; ++i)
        EXPECT_FALSE(s.Tick().autosaved);
    EXPECT_EQ(test::ReadBytes(autosave), before);
}

TEST(EditorSession, AFailingAutosaveIsReportedOnceUntilItWorksAgain) {
    TempDir dir;
    SessionFiles files = FilesIn(dir);
    WriteText(dir / "blocker", "a file where the folder should be");
    files.autoSave = dir / "blocker/AutoSave.aps";
    EditorSession s(files);
    AddPhotos(s, dir, 2);
    std::vector<std::string> reports;
    for (int i = 0; i < 3 * EditorSession::kAutoSaveTicks; ++i) {
        TickResult t = s.Tick();
        if (!t.failureMessage.empty())
            reports.push_back(t.failureMessage);
    }
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("自动保存失败"), std::string::npos) << reports[0];

    // It works again, then fails again: reported again.
    fs::remove(dir / "blocker");
    fs::create_directories(dir / "blocker");
    bool saved = false;
    for (int i = 0; i < EditorSession::kAutoSaveTicks; ++i)
        saved = s.Tick().autosaved || saved;
    EXPECT_TRUE(saved);
    fs::remove_all(dir / "blocker");
    WriteText(dir / "blocker", "again");
    for (int i = 0; i < 2 * EditorSession::kAutoSaveTicks; ++i) {
        TickResult t = s.Tick();
        if (!t.failureMessage.empty())
            reports.push_back(t.failureMessage);
    }
    EXPECT_EQ(reports.size(), 2u);
}

TEST(EditorSession, NoSaveReplacesAReadableProjectByAnUnreadableOne) {
    TempDir dir;
    EditorSession s(FilesIn(dir));
    AddPhotos(s, dir, 3);
    const std::string aps = dir / "三张.aps";
    ASSERT_EQ(s.SaveAs(aps).status, SaveStatus::Saved);
    EXPECT_EQ(s.path(), aps);
    const auto bytes = test::ReadBytes(aps);
    ASSERT_TRUE(ReadsBack(aps, 3));

    // Every photo gone (as after opening a project whose photos were
    // deleted): no save writes the empty list over the file.
    s.project().photos.clear();
    for (SaveResult r : {s.SaveBound(), s.SaveBoundSilently(), s.SaveProjectTo(aps)}) {
        EXPECT_EQ(r.status, SaveStatus::Empty);
        EXPECT_FALSE(r.AskBeforeGoingOn());
        EXPECT_NE(r.message.find("没有保存"), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("原来的文件保持不变"), std::string::npos) << r.message;
    }
    EXPECT_EQ(s.BeforeNewOrOpen(), BeforeReplacing::SaveBound);
    int shown = 0;
    CloseResult c = s.FinishClose([&](const SaveResult& r) {
        ++shown;
        EXPECT_EQ(r.status, SaveStatus::Empty);
        return true;
    });
    EXPECT_TRUE(c.closed);
    EXPECT_EQ(shown, 1) << "the user hears that the project was not saved";
    EXPECT_EQ(test::ReadBytes(aps), bytes);

    // A write that fails keeps the old file and the old binding; the user
    // may stay.
    AddPhotos(s, dir, 2);
    SaveResult failed = s.SaveAs(dir / "no folder/x.aps");
    EXPECT_EQ(failed.status, SaveStatus::Failed);
    EXPECT_TRUE(failed.AskBeforeGoingOn());
    EXPECT_EQ(s.path(), aps);
    fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::remove);
    if (!FolderIsWritableForTest(dir.path())) {
        CloseResult stay = s.FinishClose([](const SaveResult& r) {
            EXPECT_EQ(r.status, SaveStatus::Failed);
            return false;
        });
        EXPECT_FALSE(stay.closed);
        EXPECT_EQ(test::ReadBytes(aps), bytes);
    }
    fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::add);
}

TEST(EditorSession, DecisionsBeforeANewOrOpenedProject) {
    TempDir dir;
    EditorSession s(FilesIn(dir));
    EXPECT_EQ(s.BeforeNewOrOpen(), BeforeReplacing::Nothing);
    AddPhotos(s, dir, 1);
    EXPECT_EQ(s.BeforeNewOrOpen(), BeforeReplacing::Nothing) << "one photo: nothing asked";
    AddPhotos(s, dir, 1);
    EXPECT_TRUE(s.HasUnsavedChanges());
    EXPECT_EQ(s.BeforeNewOrOpen(), BeforeReplacing::AskPendingSave);
    s.project().ProjectName = "/a.aps";  // 6 characters: names no file
    EXPECT_EQ(s.BeforeNewOrOpen(), BeforeReplacing::Nothing);
    s.project().ProjectName = dir / "b.aps";
    EXPECT_EQ(s.BeforeNewOrOpen(), BeforeReplacing::SaveBound);
    EXPECT_EQ(s.DisplayName(), "b");
    EXPECT_EQ(s.SaveBoundSilently().status, SaveStatus::Skipped) << "no file at the path";

    s.NewProject();
    EXPECT_TRUE(s.path().empty());
    EXPECT_TRUE(s.project().photos.empty());
    EXPECT_EQ(s.currentPhoto(), 0);

    EXPECT_TRUE(s.IsAutoSavePath(dir / "project/../Project/AUTOSAVE.APS"));
    EXPECT_FALSE(s.IsAutoSavePath(dir / "other/AutoSave.aps"));
}

TEST(EditorSession, OpenShowsAndRemovesMissingMediaOnce) {
    TempDir dir;
    EditorSession s(FilesIn(dir));
    AddPhotos(s, dir, 3);
    s.project().songs = {dir / "gone1.wav", dir / "gone2.wav"};
    ASSERT_EQ(s.SaveAs(dir / "p.aps").status, SaveStatus::Saved);
    fs::remove(dir / "photo2.bmp");

    EditorSession t(FilesIn(dir));
    ProjectReadResult r = t.Open(dir / "p.aps");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(t.path(), dir / "p.aps");
    std::vector<std::pair<MediaKind, std::vector<size_t>>> shown;
    t.ValidateProjectFiles(
        [&](MediaKind k, const std::vector<size_t>& rows) {
            EXPECT_TRUE(t.loading()) << "the controls do not write back meanwhile";
            shown.emplace_back(k, rows);
        },
        [](const std::string& p) { return FileExists(p); });
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].first, MediaKind::Photos);
    EXPECT_EQ(shown[0].second, std::vector<size_t>{1});
    EXPECT_EQ(shown[1].second, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(t.project().NowI(), 2);
    EXPECT_TRUE(t.project().songs.empty());
    EXPECT_FALSE(t.loading());

    // A file that is no project: the lists stay empty, with a message.
    WriteText(dir / "junk.aps", "junk");
    EXPECT_FALSE(t.Open(dir / "junk.aps").ok());
    EXPECT_TRUE(t.project().photos.empty());
}
