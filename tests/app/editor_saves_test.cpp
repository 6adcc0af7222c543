// The editor's saves through the window (offscreen): a project whose photos
// were all deleted is never replaced by a file that cannot be read back, on
// close, on the autosave tick or on the save button, and the user is told.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "../editor_lists/ListFixtures.h"
#include "RunVelmora.h"
#include "TempDir.h"
#include "app/cli/Cli.h"
#include "app/ui/MainWindow.h"
#include "base/FileUtil.h"
#include "project/SettingsStore.h"

using namespace velmora;
using velmora::test::TempDir;
namespace fs = std::filesystem;

namespace {

QApplication* App() {
    static int argc = 1;
    static char name[] = "test_editor_saves";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

struct Window {
    explicit Window(const std::string& folder) : paths(PathsForProgramFolder(folder)) {
        App();
        fs::copy_file(std::string(VELMORA_PROGRAM_DIR) + "/gmi.src", paths.ResourcePack(),
                      fs::copy_options::skip_existing);
        w = std::make_unique<MainWindow>(paths);
        w->setAsk([this](const QString&, const QString& text, QMessageBox::StandardButtons,
                         QMessageBox::Icon) {
            asked.push_back(text);
            return answer;
        });
        w->setOpenUrl([](const QUrl&) {});
        w->setOpenProjectChooser([this](const QString&) { return openProject; });
        w->setSavePathChooser([this](const QString&, const QString&) { return savePath; });
        w->Load();
        w->show();
        QApplication::processEvents();
    }
    QAction* Menu(const QString& text) {
        for (QAction* a : w->menuBar()->findChildren<QAction*>())
            if (a->text() == text)
                return a;
        return nullptr;
    }
    bool AskedContains(const QString& part) const {
        for (const QString& a : asked)
            if (a.contains(part))
                return true;
        return false;
    }

    AppPaths paths;
    std::unique_ptr<MainWindow> w;
    std::vector<QString> asked;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    QString openProject;
    QString savePath;
};

// A project of three photos made with `velmora project new`, whose photos
// are then deleted. Returns the project file's bytes.
std::vector<uint8_t> ProjectWithDeletedPhotos(const TempDir& dir, const std::string& aps) {
    std::string photos;
    for (int i = 1; i <= 3; ++i) {
        std::string n = dir / ("照片" + std::to_string(i) + ".bmp");
        test::WriteBmp(n, 16, 12);
        photos += " '" + n + "'";
    }
    auto made = test::Velmora("project new '" + aps + "' --photos" + photos);
    EXPECT_EQ(made.status, 0) << made.out;
    for (int i = 1; i <= 3; ++i)
        fs::remove(dir / ("照片" + std::to_string(i) + ".bmp"));
    return test::ReadBytes(aps);
}

void ExpectReadable(const std::string& aps, const std::vector<uint8_t>& bytes) {
    EXPECT_EQ(test::ReadBytes(aps), bytes) << "the project file is kept as it was";
    auto shown = test::Velmora("project show '" + aps + "'");
    EXPECT_EQ(shown.status, 0) << shown.out;
    EXPECT_NE(shown.out.find("NowI"), std::string::npos) << shown.out;
}

}  // namespace

TEST(EditorSaves, QuitAfterAllPhotosWereRemovedKeepsTheProjectFile) {
    TempDir dir;
    const std::string aps = dir / "三张照片.aps";
    const auto bytes = ProjectWithDeletedPhotos(dir, aps);
    ASSERT_GT(bytes.size(), 100u);

    Window e(dir.path());
    e.openProject = QString::fromStdString(aps);
    e.w->openButton()->click();
    ASSERT_EQ(e.w->project().NowI(), 0);
    ASSERT_TRUE(e.AskedContains(QString::fromUtf8("找不到图片幻灯配置中的某些文件")));
    EXPECT_EQ(e.w->project().ProjectName, aps) << "still bound to the file";

    e.asked.clear();
    QAction* quit = e.Menu(QString::fromUtf8("退出(&E)"));
    ASSERT_NE(quit, nullptr);
    quit->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(e.w->isVisible()) << "the window closed";
    ExpectReadable(aps, bytes);
    EXPECT_TRUE(e.AskedContains(QString::fromUtf8("没有保存")))
        << "the user hears that the project was not saved";
}

TEST(EditorSaves, SaveButtonAndAutosaveAfterAllPhotosWereRemoved) {
    TempDir dir;
    const std::string aps = dir / "album.aps";
    const auto bytes = ProjectWithDeletedPhotos(dir, aps);

    Window e(dir.path());
    e.openProject = QString::fromStdString(aps);
    e.w->openButton()->click();
    ASSERT_EQ(e.w->project().NowI(), 0);

    // The save button: the bound file stays, a message says why.
    e.asked.clear();
    QPushButton* save = nullptr;
    for (auto* b : e.w->findChildren<QPushButton*>())
        if (b->text() == QString::fromUtf8("保存配置"))
            save = b;
    ASSERT_NE(save, nullptr);
    save->click();
    ExpectReadable(aps, bytes);
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_TRUE(e.asked[0].contains(QString::fromUtf8("没有保存")));
    EXPECT_TRUE(e.asked[0].contains(QString::fromUtf8("原来的文件保持不变")));

    // The autosave tick: an earlier autosave file is not replaced.
    SettingsStore s;
    fs::copy_file(aps, e.paths.AutoSave(), fs::copy_options::overwrite_existing);
    for (int i = 0; i < 130; ++i)
        e.w->OnTimerTick();
    ExpectReadable(e.paths.AutoSave(), bytes);

    // The question before a new project: the bound file stays.
    e.asked.clear();
    e.w->NewProject();
    ExpectReadable(aps, bytes);
    e.w->close();
}

TEST(EditorSaves, AutosaveTickWritesAReadableFileAndAFailedSaveIsReported) {
    TempDir dir;
    for (int i = 1; i <= 2; ++i)
        test::WriteBmp(dir / ("p" + std::to_string(i) + ".bmp"), 8, 8);
    Window e(dir.path());
    e.w->AddPhotoPaths({dir / "p1.bmp", dir / "p2.bmp"});
    for (int i = 0; i < 60; ++i)
        e.w->OnTimerTick();
    auto shown = test::Velmora("project show '" + e.paths.AutoSave() + "'");
    EXPECT_EQ(shown.status, 0) << shown.out;

    // Save as into a folder that cannot hold the file: a Chinese message,
    // and the project stays unsaved.
    e.asked.clear();
    e.savePath = QString::fromStdString(dir / "no such folder/x.aps");
    EXPECT_FALSE(e.w->SaveProject());
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_TRUE(e.asked[0].startsWith(QString::fromUtf8("无法保存配置文件")));
    EXPECT_TRUE(e.w->project().ProjectName.empty());
    e.answer = QMessageBox::No;
    e.w->close();
}

// Every page drawn offscreen: nothing blank. With VELMORA_SCREENSHOT_DIR set,
// the pictures are kept there (page1.png .. page10.png) to be looked at.
TEST(EditorWindow, EveryPageDraws) {
    TempDir dir;
    Window e(dir.path());
    e.w->resize(900, 640);
    const char* keep = std::getenv("VELMORA_SCREENSHOT_DIR");
    for (int i = 1; i <= MainWindow::kPageCount; ++i) {
        e.w->pageButton(i)->click();
        QApplication::processEvents();
        QImage shot = e.w->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(shot.size(), QSize(900, 640));
        std::set<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 3)
            for (int x = 0; x < shot.width(); x += 3)
                colours.insert(shot.pixel(x, y));
        EXPECT_GT(colours.size(), 8u) << "page " << i << " shows its controls";
        if (keep)
            shot.save(QString::fromUtf8(keep) + QString("/page%1.png").arg(i));
    }
    e.w->close();
}

// `velmora FILE.aps` opens the project as the open command does, with its
// checks and messages; the title carries the project's name.
TEST(EditorWindow, OpensTheProjectNamedOnTheCommandLine) {
    TempDir dir;
    std::string photos;
    for (int i = 1; i <= 3; ++i) {
        test::WriteBmp(dir / ("p" + std::to_string(i) + ".bmp"), 16, 12);
        photos += " '" + (dir / ("p" + std::to_string(i) + ".bmp")) + "'";
    }
    const std::string aps = dir / "我的 相册.aps";
    ASSERT_EQ(test::Velmora("project new '" + aps + "' --photos" + photos).status, 0);
    fs::remove(dir / "p3.bmp");
    test::WriteText(dir / "junk.aps", "junk");

    Window e(dir.path());
    const QString program = QString::fromUtf8("Velmora图片幻灯4.00");
    EXPECT_EQ(e.w->windowTitle(), program);
    e.w->OpenProject(QString::fromStdString(aps));
    EXPECT_EQ(e.w->project().NowI(), 2);
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_TRUE(e.asked[0].startsWith(QString::fromUtf8("找不到图片幻灯配置中的某些文件")));
    EXPECT_EQ(e.w->windowTitle(), QString::fromUtf8("我的 相册 - ") + program);

    // An unsaved project of two photos: the pending-save question first;
    // Cancel opens nothing.
    e.w->project().ProjectName.clear();
    e.w->UpdateWindowTitle();
    e.asked.clear();
    e.answer = QMessageBox::Cancel;
    e.w->OpenProject(QString::fromStdString(dir / "junk.aps"));
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_TRUE(e.asked[0].startsWith(QString::fromUtf8("图片幻灯设置已被修改")));
    EXPECT_EQ(e.w->project().NowI(), 2);

    // Save as names the window after the new file.
    e.savePath = QString::fromStdString(dir / "另存.aps");
    EXPECT_TRUE(e.w->SaveProject());
    EXPECT_EQ(e.w->windowTitle(), QString::fromUtf8("另存 - ") + program);

    // A file that is no project: the message, and the lists emptied.
    e.asked.clear();
    e.answer = QMessageBox::Ok;
    e.w->OpenProject(QString::fromStdString(dir / "junk.aps"));
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_TRUE(e.asked[0].contains(QString::fromUtf8("无法读取图片幻灯配置文件")));
    EXPECT_EQ(e.w->project().NowI(), 0);
    EXPECT_EQ(e.w->windowTitle(), program);
    e.w->close();
}

TEST(EditorWindow, WhichArgumentsOpenTheEditor) {
    TempDir dir;
    test::WriteText(dir / "existing.txt", "x");
    struct Case {
        std::vector<std::string> args;
        bool editor;
    };
    const Case cases[] = {
        {{dir / "missing.aps"}, true},  // the editor says it cannot be read
        {{dir / "Album.APS"}, true},
        {{dir / "existing.txt"}, true},
        {{"project"}, false},
        {{"settings"}, false},
        {{"--help"}, false},
        {{"-v"}, false},
        {{"help"}, false},
        {{"nosuchcommand"}, false},
        {{dir / "a.aps", dir / "b.aps"}, false},
        {{"project", "show", dir / "a.aps"}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::IsProjectFileToOpen(c.args), c.editor) << c.args[0];

    // The program itself: with a project file it stays up as the editor;
    // with an unknown word it is the command line and ends with status 2.
    fs::copy_file(std::string(VELMORA_PROGRAM_DIR) + "/velmora", dir / "velmora");
    fs::copy_file(std::string(VELMORA_PROGRAM_DIR) + "/gmi.src", dir / "gmi.src");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess editor;
    editor.setProcessEnvironment(env);
    editor.start(QString::fromStdString(dir / "velmora"),
                 {QString::fromStdString(dir / "missing.aps")});
    ASSERT_TRUE(editor.waitForStarted());
    for (int i = 0; i < 100 && !FileExists(dir / "plehwohs.ini"); ++i)
        QThread::msleep(50);
    EXPECT_TRUE(FileExists(dir / "plehwohs.ini")) << "the editor started";
    EXPECT_EQ(editor.state(), QProcess::Running);
    editor.terminate();
    editor.waitForFinished(5000);
    auto word = test::RunShell("'" + (dir / "velmora") + "' nosuchcommand");
    EXPECT_EQ(word.status, 2) << word.out;
}
