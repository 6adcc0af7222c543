// The editor's main window, started offscreen in a scratch program folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <filesystem>

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "../editor_lists/ListFixtures.h"
#include "TempDir.h"
#include "app/ui/MainWindow.h"
#include "base/FileUtil.h"
#include "editor/ui/EffectPreview.h"
#include "editor/ui/ThumbnailCache.h"
#include "editor/ui/ThumbnailLoader.h"
#include "editor/ui/pages/HeadlinePage.h"
#include "editor/ui/pages/TransitionPage.h"
#include "project/ProjectFile.h"
#include "project/SettingsStore.h"

using namespace velmora;
using velmora::test::TempDir;
using velmora::test::WriteText;
namespace fs = std::filesystem;

namespace {

QApplication* App() {
    static int argc = 1;
    static char name[] = "test_main_window";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

struct Editor {
    explicit Editor(const std::string& folder) : paths(PathsForProgramFolder(folder)) {
        App();
        fs::copy_file(std::string(VELMORA_PROGRAM_DIR) + "/gmi.src", paths.ResourcePack(),
                      fs::copy_options::skip_existing);
        w = std::make_unique<MainWindow>(paths);
        w->setAsk([this](const QString&, const QString& text, QMessageBox::StandardButtons,
                         QMessageBox::Icon) {
            asked.push_back(text);
            return answer;
        });
        w->setOpenUrl([this](const QUrl& u) { opened.push_back(u); });
        w->setSavePathChooser([this](const QString&, const QString&) { return savePath; });
        w->setOpenPathsChooser([this](const QString& title, const QString&, const QString&) {
            dialogTitles.push_back(title);
            return openPaths;
        });
        w->setOpenProjectChooser([this](const QString&) { return openProject; });
        w->setFolderChooser([this](const QString&, const QString&) { return folderChoice; });
        w->Load();
    }
    void AddPhotos(int n) {
        for (int i = 0; i < n; ++i)
            w->project().photos.push_back(NewPhotoEntry("/photos/" + std::to_string(i) + ".jpg",
                                                        w->project(), w->environment()));
    }
    bool Close() { return w->close(); }

    AppPaths paths;
    std::unique_ptr<MainWindow> w;
    std::vector<QString> asked;
    std::vector<QUrl> opened;
    // Waits until every requested thumbnail has arrived.
    bool WaitForThumbnails() {
        QElapsedTimer t;
        t.start();
        while (w->thumbnailLoader().pending() > 0 && t.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        return w->thumbnailLoader().pending() == 0;
    }
    std::vector<std::string> Photos() const {
        std::vector<std::string> v;
        for (const auto& p : w->project().photos)
            v.push_back(p.ImgName);
        return v;
    }
    std::vector<std::string> ListTexts(QListWidget* l) const {
        std::vector<std::string> v;
        for (int i = 0; i < l->count(); ++i)
            v.push_back(l->item(i)->text().toStdString());
        return v;
    }

    QMessageBox::StandardButton answer = QMessageBox::No;
    QString savePath;
    QStringList openPaths;
    QString openProject;
    QString folderChoice;
    std::vector<QString> dialogTitles;
};

QStringList Paths(std::initializer_list<std::string> paths) {
    QStringList l;
    for (const auto& p : paths)
        l << QString::fromStdString(p);
    return l;
}

}  // namespace

TEST(MainWindow, StartsWithItsPagesAndClosesInOrder) {
    TempDir dir;
    fs::create_directories(dir / "Temp/keep");
    WriteText(dir / "Temp/old.wav", "x");
    Editor e(dir.path());
    e.w->show();
    QApplication::processEvents();
    QApplication::processEvents();

    EXPECT_EQ(e.w->windowTitle(), QString::fromUtf8("Velmora图片幻灯4.00"));
    const char* captions[] = {"编辑图片", "编辑音乐", "设置背景", "静态文字", "动态文字",
                              "切换特效", "设置歌词", "片头片尾", "幻灯信息", "其他设定"};
    for (int i = 1; i <= MainWindow::kPageCount; ++i) {
        ASSERT_NE(e.w->pageButton(i), nullptr);
        EXPECT_EQ(e.w->pageButton(i)->text(), QString::fromUtf8(captions[i - 1]));
        e.w->pageButton(i)->click();
        EXPECT_EQ(e.w->currentPage(), i);
    }
    EXPECT_EQ(e.w->transitionList()->count(), 23);
    EXPECT_EQ(e.w->transitionList()->selectedItems().size(), 23);
    EXPECT_FALSE(e.w->rainbowTexture().isEmpty());

    // Start-up emptied Temp/ (the subfolder stays), created Project/, wrote
    // the first-run marker and opened the help file once.
    EXPECT_FALSE(FileExists(dir / "Temp/old.wav"));
    EXPECT_TRUE(IsDirectory(dir / "Temp/keep"));
    EXPECT_TRUE(IsDirectory(dir / "Project"));
    EXPECT_TRUE(FileExists(dir / "plehwohs.ini"));
    ASSERT_EQ(e.opened.size(), 1u);
    EXPECT_TRUE(e.opened[0].toLocalFile().endsWith("help.chm"));

    // While busy, page commands and closing are refused.
    e.w->setBusy(true);
    e.w->pageButton(3)->click();
    EXPECT_EQ(e.w->currentPage(), MainWindow::kPageCount);
    EXPECT_FALSE(e.Close());
    e.w->setBusy(false);

    e.AddPhotos(2);
    e.w->project().MuteSound = true;
    e.w->project().TitleText[0] = "ignored: the box wins";
    WriteText(dir / "Temp/scratch.jpg", "x");
    e.answer = QMessageBox::No;
    EXPECT_TRUE(e.Close());
    EXPECT_EQ(e.asked.size(), 1u) << "unsaved project of two photos: the pending-save question";
    EXPECT_FALSE(FileExists(dir / "Temp/scratch.jpg"));
    ASSERT_TRUE(FileExists(dir / "Mirb.ini"));

    // The next start reads the preferences back, with empty lists, and does
    // not open the help file again.
    Editor again(dir.path());
    EXPECT_TRUE(again.w->project().MuteSound);
    EXPECT_TRUE(again.w->project().photos.empty());
    EXPECT_TRUE(again.w->project().TitleText[0].empty());
    again.w->show();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(again.opened.empty());
    SettingsStore prefs;
    ASSERT_TRUE(prefs.LoadSettingsFile(dir / "Mirb.ini"));
    EXPECT_FALSE(prefs.Has("NowI"));
    EXPECT_FALSE(prefs.Has("ProjectName"));
    again.Close();
}

TEST(MainWindow, ClosingRules) {
    {
        // One photo, unsaved: nothing asked, nothing written.
        TempDir dir;
        Editor e(dir.path());
        e.AddPhotos(1);
        EXPECT_TRUE(e.Close());
        EXPECT_TRUE(e.asked.empty());
        EXPECT_FALSE(FileExists(dir / "Mirb.ini"));
    }
    {
        // Yes to the question: save as runs and the window stays open.
        TempDir dir;
        Editor e(dir.path());
        e.AddPhotos(2);
        e.answer = QMessageBox::Yes;
        e.savePath = QString::fromStdString(dir / "Project/我的 幻灯.aps");
        EXPECT_FALSE(e.Close());
        EXPECT_TRUE(FileExists(dir / "Project/我的 幻灯.aps"));
        EXPECT_EQ(e.w->project().ProjectName, dir / "Project/我的 幻灯.aps");
        // Now bound: closing saves silently.
        e.asked.clear();
        fs::remove(dir / "Project/我的 幻灯.aps");
        EXPECT_TRUE(e.Close());
        EXPECT_TRUE(e.asked.empty());
        EXPECT_FALSE(FileExists(dir / "Project/我的 幻灯.aps"))
            << "a deleted project file is not written again";
        EXPECT_TRUE(FileExists(dir / "Mirb.ini"));
    }
    {
        // Cancel keeps the window open and writes nothing.
        TempDir dir;
        Editor e(dir.path());
        e.AddPhotos(3);
        e.answer = QMessageBox::Cancel;
        EXPECT_FALSE(e.Close());
        EXPECT_FALSE(FileExists(dir / "Mirb.ini"));
        e.answer = QMessageBox::No;
        EXPECT_TRUE(e.Close());
    }
}

TEST(MainWindow, SaveAsRefusesTheAutosaveFileAndNeedsTwoPhotos) {
    TempDir dir;
    Editor e(dir.path());
    e.AddPhotos(1);
    e.w->ShowPage(5);
    EXPECT_FALSE(e.w->SaveProject());
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_EQ(e.asked[0], QString::fromUtf8("请首先添加至少两张图片到图片幻灯中"));
    EXPECT_EQ(e.w->currentPage(), 1);
    e.AddPhotos(1);
    e.asked.clear();
    e.savePath = QString::fromStdString(dir / "project/AUTOSAVE.APS");
    fs::create_directories(dir / "project");
    EXPECT_FALSE(e.w->SaveProject());
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_EQ(e.asked[0], QString::fromUtf8("请选择另一个文件名来保存设置。"));
    // The same name in another folder is accepted.
    fs::create_directories(dir / "other");
    e.savePath = QString::fromStdString(dir / "other/AutoSave.aps");
    EXPECT_TRUE(e.w->SaveProject());
    // An existing file the user does not want replaced.
    e.asked.clear();
    e.answer = QMessageBox::No;
    EXPECT_FALSE(e.w->SaveProject());
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_TRUE(e.asked[0].contains("已经存在"));
    e.w->project().photos.clear();
    e.Close();
}

TEST(MainWindow, TimerAutosavesEveryThirtySecondsWithTwoPhotos) {
    TempDir dir;
    Editor e(dir.path());
    e.AddPhotos(1);
    for (int i = 0; i < 70; ++i)
        e.w->OnTimerTick();
    EXPECT_FALSE(FileExists(dir / "Project/AutoSave.aps"));
    EXPECT_EQ(e.w->tickCount(), 70) << "the counter keeps running";
    e.AddPhotos(1);
    e.w->OnTimerTick();
    ASSERT_TRUE(FileExists(dir / "Project/AutoSave.aps")) << "first tick after the second photo";
    EXPECT_EQ(e.w->tickCount(), 0);
    SettingsStore s;
    ASSERT_TRUE(s.LoadSettingsFile(dir / "Project/AutoSave.aps"));
    EXPECT_EQ(s.ReadSetting("NowI").long_(), 2);
    e.w->setBusy(true);
    e.w->OnTimerTick();
    EXPECT_EQ(e.w->tickCount(), 0) << "the timer does nothing while busy";
    e.w->setBusy(false);
    e.answer = QMessageBox::No;
    e.Close();
}

TEST(MainWindow, ControlsEditTheProject) {
    TempDir dir;
    Editor e(dir.path());
    e.w->transitionList()->clearSelection();
    for (bool c : e.w->project().TransitionChosen)
        EXPECT_FALSE(c);
    e.w->transitionList()->item(15)->setSelected(true);
    EXPECT_TRUE(e.w->project().TransitionChosen[15]);
    e.w->project().ImgDrawScale = 0;
    e.w->project().BackGroundSet = "3";
    e.w->RefreshControls();
    EXPECT_EQ(e.w->project().ImgDrawScale, 0) << "refreshing does not write back";
    e.Close();
}

TEST(MainWindow, SecondInstanceEndsAtOnce) {
    TempDir dir;
    fs::copy_file(std::string(VELMORA_PROGRAM_DIR) + "/velmora", dir / "velmora");
    fs::copy_file(std::string(VELMORA_PROGRAM_DIR) + "/gmi.src", dir / "gmi.src");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QString::fromStdString(dir / "velmora"), {});
    ASSERT_TRUE(first.waitForStarted());
    for (int i = 0; i < 100 && !FileExists(dir / "plehwohs.ini"); ++i)
        QThread::msleep(50);
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QString::fromStdString(dir / "velmora"), {});
    EXPECT_TRUE(second.waitForFinished(10000)) << "the second instance must end by itself";
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    first.waitForFinished(5000);
}

TEST(MainWindowLists, PhotoPageCommands) {
    TempDir dir;
    fs::create_directories(dir / "相册 A");
    std::vector<std::string> names;
    for (int i = 1; i <= 9; ++i) {
        names.push_back(dir / ("相册 A/照片 " + std::to_string(i) + ".bmp"));
        test::WriteBmp(names.back(), 40 + i, 30, 0x102030u * static_cast<uint32_t>(i));
    }
    test::WriteBmp(dir / "相册 A/x.jpeg", 4, 4);
    Editor e(dir.path());
    e.w->show();

    // Dialog add: names listed at once, duplicates and .jpeg skipped.
    e.openPaths = Paths({names[0], names[1], names[0], dir / "相册 A/x.jpeg"});
    e.w->addPhotosButton()->click();
    EXPECT_EQ(e.dialogTitles.back(), QString::fromUtf8("添加图片文件"));
    EXPECT_EQ(e.Photos(), (std::vector<std::string>{names[0], names[1]}));
    EXPECT_EQ(e.ListTexts(e.w->photoList()), e.Photos());
    // Folder add: the rest of the folder's photos (the two listed are skipped).
    e.folderChoice = QString::fromStdString(dir / "相册 A");
    e.w->AddFolderCommand();
    ASSERT_EQ(e.w->project().NowI(), 9);
    EXPECT_EQ(e.ListTexts(e.w->photoList()), e.Photos());
    ASSERT_TRUE(e.WaitForThumbnails());
    for (int k = 1; k <= 9; ++k)
        EXPECT_TRUE(e.w->thumbnails().Has(k)) << k;
    EXPECT_EQ(e.w->stripScrollBar()->maximum(), 9);
    EXPECT_EQ(e.w->currentPhoto(), 1);
    EXPECT_EQ(e.w->stripPhoto(1), 1);

    // Busy: every list command is refused.
    e.w->setBusy(true);
    e.w->AddPhotoPaths({dir / "相册 A/x.bmp"});
    e.w->DeleteSelectedPhotos();
    e.w->setBusy(false);
    EXPECT_EQ(e.w->project().NowI(), 9);

    // Move: entries 2 and 3 up; the per-photo data and thumbnails move too.
    e.w->project().photos[2].Caption = "第三张";
    QImage third = e.w->thumbnails().Image(3);
    e.w->photoList()->clearSelection();
    e.w->photoList()->item(1)->setSelected(true);
    e.w->photoList()->item(2)->setSelected(true);
    e.w->MoveSelectedPhotos(true);
    EXPECT_EQ(e.w->project().photos[1].Caption, "第三张");
    EXPECT_EQ(e.w->thumbnails().Image(2), third);
    EXPECT_TRUE(e.w->photoList()->item(0)->isSelected());
    EXPECT_EQ(e.ListTexts(e.w->photoList()), e.Photos());
    // With the first entry selected nothing moves.
    auto before = e.Photos();
    e.w->MoveSelectedPhotos(true);
    EXPECT_EQ(e.Photos(), before);

    // Delete the selected photos.
    e.w->DeleteSelectedPhotos();
    EXPECT_EQ(e.w->project().NowI(), 7);
    EXPECT_EQ(e.ListTexts(e.w->photoList()), e.Photos());
    EXPECT_EQ(e.w->thumbnails().Image(1).isNull(), false);

    // A click on one entry makes it current and shows its caption.
    e.w->project().photos[4].Caption = "五";
    e.w->photoList()->clearSelection();
    e.w->photoList()->item(4)->setSelected(true);
    EXPECT_EQ(e.w->currentPhoto(), 5);

    // Captions from file names.
    e.w->project().FilenameAsCaption = false;
    e.w->RefreshControls();
    for (auto* c : e.w->page(1)->findChildren<QCheckBox*>())
        if (c->text() == QString::fromUtf8("取图片文件名作为静态文字"))
            c->setChecked(true);
    EXPECT_EQ(e.w->project().photos[0].Caption, fs::path(e.Photos()[0]).stem().string());

    // Clearing asks; Cancel keeps the list.
    e.asked.clear();
    e.answer = QMessageBox::Cancel;
    e.w->ClearPhotoList(false);
    EXPECT_EQ(e.w->project().NowI(), 7);
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_EQ(e.asked[0], QString::fromUtf8("你确定要从列表中清空所有图片吗？"));
    e.answer = QMessageBox::Ok;
    e.w->project().ProjectName = dir / "bound.aps";
    e.w->ClearPhotoList(false);
    EXPECT_EQ(e.w->project().NowI(), 0);
    EXPECT_EQ(e.w->photoList()->count(), 0);
    EXPECT_TRUE(e.w->project().ProjectName.empty());
    EXPECT_FALSE(e.w->thumbnails().Has(1));
    EXPECT_EQ(e.w->currentPhoto(), 0);
    e.answer = QMessageBox::No;
    e.Close();
}

TEST(MainWindowLists, DroppingFilesOnTheLists) {
    TempDir dir;
    test::WriteBmp(dir / "a.bmp", 8, 8);
    test::WriteBmp(dir / "b.BMP", 8, 8);
    test::WriteBmp(dir / "c.jpeg", 8, 8);
    test::WriteWav(dir / "song.wav", 1.0);
    Editor e(dir.path());
    e.w->show();
    auto drop = [&](QListWidget* list, std::initializer_list<std::string> files) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& f : files)
            urls << QUrl::fromLocalFile(QString::fromStdString(f));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent ev(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &ev);
    };
    drop(e.w->photoList(), {dir / "a.bmp", dir / "b.BMP", dir / "c.jpeg", dir / "song.wav"});
    EXPECT_EQ(e.Photos(), (std::vector<std::string>{dir / "a.bmp", dir / "b.BMP"}));
    drop(e.w->songList(), {dir / "a.bmp", dir / "song.wav"});
    EXPECT_EQ(e.w->project().songs, (std::vector<std::string>{dir / "song.wav"}));
    EXPECT_EQ(e.ListTexts(e.w->songList()), e.w->project().songs);
    e.WaitForThumbnails();
    e.answer = QMessageBox::No;
    e.Close();
}

TEST(MainWindowLists, SongPageCommands) {
    TempDir dir;
    const std::string a = dir / "歌 一.wav", b = dir / "b.wav", bad = dir / "bad.mp3",
                      tiny = dir / "tiny.wav";
    test::WriteWav(a, 1.0);
    test::WriteWav(b, 0.5);
    test::WriteWav(tiny, 0.2);
    test::WriteText(bad, "no audio");
    test::WriteText(dir / "歌 一.lrc", "[00:00.20]一");
    Editor e(dir.path());
    e.openPaths = Paths({a, bad, tiny, b, a});
    e.w->addSongsButton()->click();
    EXPECT_EQ(e.dialogTitles.back(), QString::fromUtf8("添加音乐文件"));
    EXPECT_EQ(e.w->project().songs, (std::vector<std::string>{a, b}));
    EXPECT_EQ(e.w->project().lyricFiles, (std::vector<std::string>{dir / "歌 一.lrc"}));
    e.w->songList()->item(1)->setSelected(true);
    e.w->MoveSelectedSongs(true);
    EXPECT_EQ(e.w->project().songs, (std::vector<std::string>{b, a}));
    EXPECT_EQ(e.ListTexts(e.w->songList()), e.w->project().songs);
    e.w->songList()->clearSelection();
    e.w->songList()->item(1)->setSelected(true);
    e.w->DeleteSelectedSongs();
    EXPECT_EQ(e.w->project().songs, (std::vector<std::string>{b}));
    EXPECT_TRUE(e.w->project().lyricFiles.empty()) << "the song's lyric file goes with it";
    e.asked.clear();
    e.answer = QMessageBox::Ok;
    e.w->ClearSongList(false);
    EXPECT_EQ(e.asked.size(), 1u);
    EXPECT_TRUE(e.w->project().songs.empty());
    e.Close();
}

TEST(MainWindowLists, OpeningProjects) {
    TempDir dir;
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    for (int i = 1; i <= 3; ++i) {
        std::string n = dir / ("p" + std::to_string(i) + ".bmp");
        test::WriteBmp(n, 10, 10);
        p.photos.push_back(NewPhotoEntry(n, p, env));
    }
    p.songs = {dir / "gone1.wav", dir / "gone2.wav"};
    p.photos[2].Caption = "三";
    p.ProjectName = dir / "stored/elsewhere.aps";
    p.MuteSound = true;
    p.TxtSetting[1] = "作者";
    SettingsStore store;
    ASSERT_TRUE(SaveProjectFile(p, store, dir / "copy.aps"));
    fs::remove(dir / "p2.bmp");
    test::WriteText(dir / "junk.aps", "junk");

    Editor e(dir.path());
    e.openProject = QString::fromStdString(dir / "copy.aps");
    e.w->openButton()->click();
    ASSERT_EQ(e.w->project().NowI(), 2);
    EXPECT_EQ(e.w->project().photos[1].Caption, "三");
    EXPECT_TRUE(e.w->project().songs.empty());
    ASSERT_EQ(e.asked.size(), 2u) << "the message once for photos, once for songs";
    EXPECT_TRUE(e.asked[0].startsWith(QString::fromUtf8("找不到图片幻灯配置中的某些文件")));
    EXPECT_EQ(e.w->project().ProjectName, dir / "stored/elsewhere.aps")
        << "bound to the path stored in the file";
    EXPECT_TRUE(e.w->project().MuteSound);
    EXPECT_EQ(e.ListTexts(e.w->photoList()), e.Photos());
    EXPECT_EQ(e.w->currentPhoto(), 1);
    ASSERT_TRUE(e.WaitForThumbnails());
    EXPECT_TRUE(e.w->thumbnails().Has(2));

    // A file that is neither layout: a message, and the emptied project.
    // (The bound project is saved first; its folder does not exist, so that
    // silent save fails harmlessly.)
    e.asked.clear();
    e.openProject = QString::fromStdString(dir / "junk.aps");
    e.w->OpenProject();
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_TRUE(e.asked[0].contains(QString::fromUtf8("无法读取图片幻灯配置文件")));
    EXPECT_EQ(e.w->project().NowI(), 0);
    EXPECT_EQ(e.w->photoList()->count(), 0);
    EXPECT_TRUE(e.w->project().MuteSound) << "other fields stay";

    // New project: the lists empty, the options stay.
    e.w->project().photos.push_back(NewPhotoEntry(dir / "p1.bmp", p, env));
    e.w->RefreshLists();
    e.w->NewProject();
    EXPECT_EQ(e.w->project().NowI(), 0);
    EXPECT_EQ(e.w->photoList()->count(), 0);
    e.Close();
}

TEST(MainWindow, BuildButtonFirstRequiresTwoPhotos) {
    TempDir dir;
    Editor e(dir.path());
    e.AddPhotos(1);
    e.w->ShowPage(6);
    ASSERT_TRUE(e.w->buildButton()->isEnabled());
    e.w->buildButton()->click();
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_EQ(e.asked[0], QString::fromUtf8("请首先添加至少两张图片到图片幻灯中"));
    EXPECT_EQ(e.w->currentPage(), 1);
    e.Close();
}

// Pages 5 and 6 preview the chosen effect on the real photos: a transition
// ends on the next photo's slide, a headline effect on the current one's
// slide with the headline standing on it; a click stops a running preview.
TEST(MainWindow, EffectPagesPreviewOnTheRealPhotos) {
    TempDir dir;
    Editor e(dir.path());
    const std::string demo = std::string(VELMORA_PROGRAM_DIR) + "/demo/";
    for (const char* name : {"01 夜空.jpg", "02 日落.jpg"})
        e.w->project().photos.push_back(
            NewPhotoEntry(demo + name, e.w->project(), e.w->environment()));
    e.w->RefreshControls();

    auto lit = [](const velmora::render::Surface& s) {
        int64_t sum = 0;
        for (int32_t y = 0; y < s.height(); ++y)
            for (int32_t x = 0; x < s.width(); ++x)
                sum += s.row(y)[x] & 0xFF;
        return sum;
    };
    auto* tp = e.w->transitionPage();
    e.w->session().SetCurrentPhoto(1);
    tp->PreviewTransition(0);
    const velmora::render::Surface after = tp->preview()->picture();
    ASSERT_EQ(after.width(), 320);
    ASSERT_EQ(after.height(), 240);
    EXPECT_GT(lit(after), 0) << "the preview shows a photo, not a black picture";
    // The reverse direction ends on the other photo: the two end pictures differ.
    e.w->session().SetCurrentPhoto(2);
    tp->PreviewTransition(0);
    const velmora::render::Surface back = tp->preview()->picture();
    bool differ = false;
    for (int32_t y = 0; y < back.height() && !differ; ++y)
        for (int32_t x = 0; x < back.width() && !differ; ++x)
            differ = back.row(y)[x] != after.row(y)[x];
    EXPECT_TRUE(differ) << "photo 1 → 2 and photo 2 → 1 end on different slides";
    EXPECT_FALSE(tp->preview()->running());

    // The 预览 button plays the list's current entry and leaves the choice
    // of transitions as it was.
    e.w->transitionList()->setCurrentRow(15, QItemSelectionModel::NoUpdate);
    const auto chosen = e.w->project().TransitionChosen;
    int buttons = 0;
    for (auto* b : tp->findChildren<QPushButton*>()) {
        if (b->text() == "预览") {
            b->click();
            ++buttons;
        }
    }
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(e.w->project().TransitionChosen, chosen);

    // Out-of-range codes play nothing.
    tp->PreviewTransition(23);
    tp->PreviewTransition(-1);

    auto* hp = e.w->headlinePage();
    hp->PreviewEffect();
    EXPECT_EQ(hp->preview()->picture().width(), 320);
    EXPECT_FALSE(hp->preview()->running());
    e.Close();
}
