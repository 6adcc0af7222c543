// The command line of lyrics and text: velmora lrc, velmora text, velmora
// compose with captions, headlines, titles and lyrics, and a lyric file
// named beside its song listed once.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "RunVelmora.h"
#include "TempDir.h"
#include "editor/lists/MediaLists.h"
#include "editor/lists/SongCheck.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/SettingsStore.h"

using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kDemo = std::string(VELMORA_SOURCE_DIR) + "/assets/demo/";

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Pixels that differ between two pictures of the same size, and their box.
struct Diff {
    int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Diff Compare(const QImage& a, const QImage& b) {
    Diff d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++d.count;
                d.left = std::min(d.left, x);
                d.right = std::max(d.right, x);
                d.top = std::min(d.top, y);
                d.bottom = std::max(d.bottom, y);
            }
    return d;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// A project of two demo photos with the demo song and its lyrics.
Project DemoProject(const TempDir& dir) {
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    for (const char* photo : {"01 夜空.jpg", "02 日落.jpg"})
        p.photos.push_back(NewPhotoEntry(kDemo + photo, p, env));
    std::filesystem::copy_file(kDemo + "demo song.mp3", dir / "demo song.mp3");
    std::filesystem::copy_file(kDemo + "demo song.lrc", dir / "demo song.lrc");
    p.songs.push_back(dir / "demo song.mp3");
    p.lyricFiles.push_back(dir / "demo song.lrc");
    p.EnableSync = false;
    p.EnableCaption = false;
    p.EnableHeadlineEffect = false;
    p.EnableLyric = false;
    p.EnableOpening = false;
    return p;
}

std::string Save(const Project& p, const std::string& path) {
    SettingsStore store;
    EXPECT_TRUE(SaveProjectFile(p, store, path));
    return path;
}

QImage Compose(const std::string& project, const std::string& slide, const std::string& out,
               const std::string& extra = "") {
    RunResult r = Velmora("compose " + Quote(project) + " --slide " + slide + " --size 800x600 " +
                          extra + " -o " + Quote(out));
    EXPECT_EQ(r.status, 0) << r.out;
    // VELMORA_SCREENSHOT_DIR keeps the frames for a person to look at.
    if (const char* keep = std::getenv("VELMORA_SCREENSHOT_DIR")) {
        std::error_code ec;
        std::filesystem::copy_file(
            out, std::string(keep) + "/compose-" + std::filesystem::path(out).filename().string(),
            std::filesystem::copy_options::overwrite_existing, ec);
    }
    return QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST(LrcCommand, PrintsMillisecondsTabText) {
    TempDir dir;
    const std::string gbk = dir / "gbk.lrc";
    // [00:01.50]你好 in GB18030, then a stacked line.
    Write(gbk, "[ti:x]\r\n[00:01.50]\xC4\xE3\xBA\xC3\r\n[00:03.00][00:02.25]ab\r\n");
    RunResult r = Velmora("lrc " + Quote(gbk));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1500\t你好\n2250\tab\n3000\tab\n");
    const std::string none = dir / "none.lrc";
    Write(none, "no tags here\n");
    r = Velmora("lrc " + Quote(none));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("歌词文件"), std::string::npos);
    EXPECT_EQ(Velmora("lrc").status, 2);
}

TEST(ProjectNewCommand, LyricBesideItsSongAndNamedIsListedOnce) {
    TempDir dir;
    Project p = DemoProject(dir);
    const std::string out = dir / "new.aps";
    RunResult r =
        Velmora("project new " + Quote(out) + " --photos " + Quote(kDemo + "01 夜空.jpg") + " " +
                Quote(kDemo + "02 日落.jpg") + " --songs " + Quote(dir / "demo song.mp3") +
                " --lyrics " + Quote(dir.path() + "/./demo song.lrc"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("1 个歌词文件"), std::string::npos) << r.out;
    r = Velmora("project show " + Quote(out));
    EXPECT_NE(r.out.find("LyricFilesCount = 1"), std::string::npos) << r.out;
}

TEST(TextCommand, DrawsTheSlotStyleInTheRectangle) {
    TempDir dir;
    Project p = DemoProject(dir);
    p.style(4).fFontName = "Noto Sans CJK SC";
    p.style(4).fFontSize = 60;
    p.style(4).fFontAlign = 4;
    const std::string project = Save(p, dir / "p.aps");
    const std::string png = dir / "t.png";
    RunResult r = Velmora("text " + Quote(project) +
                          " --slot 4 --text '片头 Title' --size 400x150 -o " + Quote(png));
    ASSERT_EQ(r.status, 0) << r.out;
    QImage img(QString::fromStdString(png));
    ASSERT_EQ(img.size(), QSize(400, 150));
    // Ink: pixels that are not the black background, centred.
    int left = 400, right = -1;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 400; ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, 200, 6);
    EXPECT_EQ(Velmora("text " + Quote(project) + " --slot 7 --text x --size 10x10 -o " + Quote(png))
                  .status,
              2);
}

TEST(ComposeCommand, DrawsCaptionHeadlineTitleAndLyric) {
    TempDir dir;
    Project p = DemoProject(dir);
    for (int s = 1; s <= 4; ++s)
        p.style(s).fFontName = "Noto Sans CJK SC";
    p.photos[0].Caption = "第一张图片的字幕";
    p.style(1).fFontPattern = 2;  // the rainbow texture
    p.style(1).fFontPattern = 2;  // the rainbow texture
    p.photos[0].Headline = "标题";
    p.TitleText[0] = "片头标题";
    const std::string plain = Save(p, dir / "plain.aps");
    QImage base = Compose(plain, "1", dir / "base.png");

    // The caption: drawn at the bottom right of its rectangle (slot 1,
    // alignment 8), inside the caption rectangle scaled to the frame.
    p.EnableCaption = true;
    QImage caption = Compose(Save(p, dir / "caption.aps"), "1", dir / "caption.png");
    Diff c = Compare(base, caption);
    ASSERT_GT(c.count, 0);
    const double sx = 800.0 / 1024, sy = 600.0 / 768;
    const PlacementRect& cap = p.photos[0].CapPos;
    EXPECT_GE(c.left, cap.X * sx - 2);
    EXPECT_LE(c.right, (cap.X + cap.W) * sx + 2);
    EXPECT_GT(c.top, (cap.Y + cap.H / 2) * sy) << "bottom aligned";

    // The headline standing in its rectangle.
    p.EnableCaption = false;
    p.EnableHeadlineEffect = true;
    Diff h = Compare(base, Compose(Save(p, dir / "head.aps"), "1", dir / "head.png"));
    ASSERT_GT(h.count, 0);
    const double hx = (p.photos[0].HeadPos.X + p.photos[0].HeadPos.W / 2.0) * sx;
    EXPECT_NEAR((h.left + h.right) / 2.0, hx, 8);

    // The lyric line of the time: the demo lyric's second line at 5 s.
    p.EnableHeadlineEffect = false;
    p.EnableLyric = true;
    p.LyricStyle = 0;
    p.LyricPos.H = 60;  // the editor measures the line height
    const std::string lyric = Save(p, dir / "lyric.aps");
    Diff l = Compare(base, Compose(lyric, "1", dir / "lyric.png", "--time 5"));
    ASSERT_GT(l.count, 0);
    EXPECT_GE(l.top, p.LyricPos.Y * sy - 2);
    // At the slide's own time (0 s, the first line) it differs from 5 s.
    Diff l0 = Compare(Compose(lyric, "1", dir / "lyric0.png"),
                      Compose(lyric, "1", dir / "lyric5.png", "--time 5"));
    EXPECT_GT(l0.count, 0);

    // The opening title over the background.
    QImage opening = Compose(plain, "opening", dir / "opening.png");
    p.TitleText[0].clear();
    QImage empty = Compose(Save(p, dir / "notitle.aps"), "0", dir / "notitle.png");
    EXPECT_GT(Compare(opening, empty).count, 0);
    EXPECT_EQ(
        Velmora("compose " + Quote(plain) + " --slide 9 --size 80x60 -o " + Quote(dir / "x.png"))
            .status,
        1);
}

TEST(LyricFileList, ListedOnceAndRescanByBaseName) {
    TempDir dir;
    std::filesystem::create_directories(dir / "sub");
    for (const char* f : {"a.lrc", "b.lrc", "sub/c.lrc"})
        Write(dir / f, "[00:01.00]x\n");
    Project p = MakeDefaultProject(ProjectEnvironment());
    EXPECT_TRUE(editor::AddLyricFile(p, dir / "a.lrc"));
    EXPECT_FALSE(editor::AddLyricFile(p, dir / "a.lrc"));
    EXPECT_FALSE(editor::AddLyricFile(p, dir.path() + "/sub/../a.lrc")) << "same file";
    std::filesystem::create_symlink(dir / "a.lrc", dir / "link.lrc");
    EXPECT_FALSE(editor::AddLyricFile(p, dir / "link.lrc")) << "a link to a listed file";
    EXPECT_EQ(p.LyricFilesCount(), 1);
    // Rescan: a song whose lyric's base name is listed already adds nothing;
    // the others add their lyric files in song order.
    p.songs = {dir / "A.mp3", dir / "b.mp3", dir / "c.mp3"};
    auto finder = [&](const std::string& song) {
        return editor::LyricFileForSong(song, dir / "sub/");
    };
    Write(dir / "A.lrc", "[00:01.00]x\n");
    EXPECT_EQ(editor::RescanLyricFiles(p, finder), 2u);
    ASSERT_EQ(p.LyricFilesCount(), 3);
    EXPECT_EQ(p.lyricFiles[1], dir / "b.lrc");
    EXPECT_EQ(p.lyricFiles[2], dir / "sub/c.lrc");
    EXPECT_EQ(editor::RescanLyricFiles(p, finder), 0u);
}
