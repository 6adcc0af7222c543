// The photo and song list rules: which files are taken, order, duplicates,
// moving, deleting, and what follows a deletion.
#include <gtest/gtest.h>

#include <filesystem>

#include "ListFixtures.h"
#include "editor/lists/MediaLists.h"

using namespace velmora;
using namespace velmora::editor;
using velmora::test::TempDir;
namespace fs = std::filesystem;

TEST(MediaLists, FileTypesByTheirLastThreeCharacters) {
    struct Case {
        const char* path;
        bool photo, droppedPhoto, song, droppedSong;
    } cases[] = {
        {"/a/x.jpg", true, true, false, false},    {"/a/X.JPG", true, true, false, false},
        {"/a/x.jpeg", false, false, false, false}, {"/a/x.Tif", true, true, false, false},
        {"/a/x.tiff", false, false, false, false}, {"/a/x.pcx", true, true, false, false},
        {"/a/xjpg", true, false, false, false},    {"/a/照片.Png", true, true, false, false},
        {"/a/x.Mp3", false, false, true, true},    {"/a/x.mid", false, false, true, true},
        {"/a/x.midi", false, false, false, false}, {"/a/xwma", false, false, true, false},
        {"/a/x.wav ", false, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasPhotoType(c.path), c.photo) << c.path;
        EXPECT_EQ(IsDroppedPhoto(c.path), c.droppedPhoto) << c.path;
        EXPECT_EQ(HasSongType(c.path), c.song) << c.path;
        EXPECT_EQ(IsDroppedSong(c.path), c.droppedSong) << c.path;
    }
}

TEST(MediaLists, DialogResultsSplitAtNul) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitDialogResult(std::string("/p/one.jpg")), V{"/p/one.jpg"});
    EXPECT_EQ(SplitDialogResult(std::string("/p\0a.jpg\0b c.jpg\0\0", 19)),
              (V{"/p/a.jpg", "/p/b c.jpg"}));
    EXPECT_EQ(SplitDialogResult(std::string("/p/\0a.jpg", 9)), V{"/p/a.jpg"});
    EXPECT_TRUE(SplitDialogResult("").empty());
}

TEST(MediaLists, AddingPhotosKeepsOrderAndSkipsDuplicatesAndUnsupportedFiles) {
    TempDir dir;
    fs::create_directories(dir / "我的 照片/sub");
    const std::string a = dir / "我的 照片/a \"引号\".bmp", b = dir / "我的 照片/b.BMP",
                      fake = dir / "我的 照片/fake.jpg", jpeg = dir / "我的 照片/c.jpeg";
    test::WriteBmp(a, 4, 3);
    test::WriteBmp(b, 2, 2);
    test::WriteBmp(jpeg, 2, 2);
    test::WriteBmp(dir / "我的 照片/sub/deep.bmp", 2, 2);
    test::WriteText(fake, "not a picture");
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    p.selectedHeadlineEffect = 5;
    AddResult r = AddPhotos(p, env, {b, a, fake, jpeg, b, dir / "gone.bmp"});
    EXPECT_EQ(r.offered, 6u);
    EXPECT_EQ(r.added, 2u);
    EXPECT_EQ(r.lastOffered, dir / "gone.bmp");
    ASSERT_EQ(p.NowI(), 2);
    EXPECT_EQ(p.photos[0].ImgName, b);
    EXPECT_EQ(p.photos[1].ImgName, a);
    EXPECT_EQ(p.photos[1], NewPhotoEntry(a, p, env)) << "new-entry defaults";
    EXPECT_EQ(p.photos[1].HeadDynamicStyle, 5);
    // Adding the same photo again leaves one entry.
    EXPECT_EQ(AddPhotos(p, env, {a}).added, 0u);
    EXPECT_EQ(p.NowI(), 2);

    // A folder: its plain photo files only, not those of subfolders.
    auto folder = FolderPhotos(dir / "我的 照片/");
    std::sort(folder.begin(), folder.end());
    EXPECT_EQ(folder, (std::vector<std::string>{a, b, fake}));
    EXPECT_TRUE(FolderPhotos(dir / "missing/").empty());
    EXPECT_EQ(FolderOf(a), dir / "我的 照片/");
}

namespace {
struct CancelAfter : Progress {
    explicit CancelAfter(int n) : left(n) {}
    void InitProgress(const std::string&) override {}
    void ShowProgress(int percent, const std::string&) override {
        percents.push_back(percent);
        --left;
    }
    bool Cancelled() const override { return left <= 0; }
    int left;
    std::vector<int> percents;
};
}  // namespace

TEST(MediaLists, ALongAddReportsProgressAndStopsWhenCancelled) {
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i)
        paths.push_back("/photos/" + std::to_string(i) + ".jpg");
    CancelAfter progress(3);
    AddResult r = AddPhotos(p, env, paths, &progress, [](const std::string&) { return true; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(p.NowI(), 2) << "the third step saw the cancel before adding";
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 10, 20}));
}

TEST(MediaLists, MovingSelectedEntries) {
    struct Case {
        std::vector<bool> sel;
        bool up;
        std::string order;
        std::vector<bool> after;
    } cases[] = {
        {{false, true, false, true}, true, "BADC", {true, false, true, false}},
        {{true, false, true, false}, true, "ABCD", {true, false, true, false}},  // top selected
        {{false, true, true, false}, true, "BCAD", {true, true, false, false}},
        {{true, false, true, false}, false, "BADC", {false, true, false, true}},
        {{false, true, false, true}, false, "ABCD", {false, true, false, true}},  // last selected
        {{false, true, true, false}, false, "ADBC", {false, false, true, true}},
    };
    for (const Case& c : cases) {
        std::vector<char> items = {'A', 'B', 'C', 'D'};
        std::vector<bool> sel = c.sel;
        auto swaps = c.up ? MoveSelectedUp(items, sel) : MoveSelectedDown(items, sel);
        EXPECT_EQ(std::string(items.begin(), items.end()), c.order);
        EXPECT_EQ(sel, c.after);
        EXPECT_EQ(swaps.empty(), c.order == "ABCD");
    }
    std::vector<char> one = {'A'};
    std::vector<bool> sel = {false};
    EXPECT_TRUE(MoveSelectedDown(one, sel).empty());
    // The exchanges come in the order made (what the thumbnail cache replays).
    std::vector<int> items = {1, 2, 3, 4, 5};
    std::vector<bool> s = {false, true, false, true, true};
    auto swaps = MoveSelectedUp(items, s);
    ASSERT_EQ(swaps.size(), 3u);
    EXPECT_EQ(swaps[0].a, 0u);
    EXPECT_EQ(swaps[1].a, 2u);
    EXPECT_EQ(swaps[2].a, 3u);
    EXPECT_EQ(items, (std::vector<int>{2, 1, 4, 5, 3}));
}

TEST(MediaLists, DeletingPhotosAndSongs) {
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    for (const char* n : {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg"})
        p.photos.push_back(NewPhotoEntry(n, p, env));
    p.photos[2].Caption = "keep with c";
    auto removed = DeletePhotos(p, {1, 3, 1, 9});
    EXPECT_EQ(removed, (std::vector<size_t>{3, 1}));
    ASSERT_EQ(p.NowI(), 2);
    EXPECT_EQ(p.photos[1].ImgName, "/p/c.jpg");
    EXPECT_EQ(p.photos[1].Caption, "keep with c") << "per-photo fields move with the photo";

    p.songs = {"/m/Song.mp3", "/m/other.wav", "/n/song.wma"};
    p.lyricFiles = {"/m/song.lrc", "/l/other.lrc", "/l/SONG.lrc"};
    DeleteSongs(p, {0});
    EXPECT_EQ(p.songs, (std::vector<std::string>{"/m/other.wav", "/n/song.wma"}));
    EXPECT_EQ(p.lyricFiles, (std::vector<std::string>{"/m/song.lrc", "/l/other.lrc"}))
        << "the last lyric file with the song's base name goes (case ignored)";
    DeleteSongs(p, {0, 1});
    EXPECT_TRUE(p.songs.empty());
    EXPECT_EQ(p.lyricFiles, (std::vector<std::string>{}));

    p.OpeningImage = "/p/opening.jpg";
    p.ProjectName = "/p/x.aps";
    p.songs = {"/m/a.mp3"};
    p.lyricFiles = {"/m/a.lrc"};
    ClearPhotos(p);
    EXPECT_TRUE(p.photos.empty() && p.OpeningImage.empty() && p.ProjectName.empty());
    EXPECT_EQ(p.NowM(), 1) << "clearing photos leaves the songs";
    ClearSongs(p);
    EXPECT_TRUE(p.songs.empty() && p.lyricFiles.empty());
}

TEST(MediaLists, CaptionsFromFileNames) {
    EXPECT_EQ(CaptionFromFileName("/a/b.c/我的 照片.final.jpg"), "我的 照片.final");
    EXPECT_EQ(CaptionFromFileName("/a/noext"), "noext");
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    p.photos.push_back(NewPhotoEntry("/x/海边.JPG", p, env));
    p.photos[0].Caption = "old";
    CaptionsFromFileNames(p);
    EXPECT_EQ(p.photos[0].Caption, "海边");
}
