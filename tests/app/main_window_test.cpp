// The editor's main window, started offscreen in a scratch program folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <filesystem>

#include "TempDir.h"
#include "app/base/FileUtil.h"
#include "app/ui/MainWindow.h"
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
    QMessageBox::StandardButton answer = QMessageBox::No;
    QString savePath;
};

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
