// The main window's style buttons open the text style dialog on their slot
// and the choice reaches the project.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "TempDir.h"
#include "app/ui/MainWindow.h"
#include "render/ui/TextStyleDialog.h"

using namespace velmora;
using velmora::test::TempDir;
namespace fs = std::filesystem;

namespace {

QApplication* App() {
    static int argc = 1;
    static char name[] = "test_main_window_style";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

QPushButton* Button(QWidget& w, const QString& text) {
    for (QPushButton* b : w.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Picks a pattern in the dialog that opens next and confirms it.
void AnswerNextDialog(int patternPosition, int* target) {
    QTimer::singleShot(0, [=] {
        auto* d = qobject_cast<render::TextStyleDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        *target = d->target();
        auto* list = d->findChild<QComboBox*>("ListPattern");
        list->setCurrentIndex(patternPosition);
        emit list->activated(patternPosition);
        d->accept();
    });
}

}  // namespace

TEST(MainWindowStyles, ButtonsEditTheirSlots) {
    App();
    TempDir dir;
    AppPaths paths = PathsForProgramFolder(dir.path() + "/");
    fs::copy_file(std::string(VELMORA_PROGRAM_DIR) + "/gmi.src", paths.ResourcePack());
    MainWindow w(paths);
    w.setAsk([](const QString&, const QString&, QMessageBox::StandardButtons, QMessageBox::Icon) {
        return QMessageBox::No;
    });
    w.Load();
    struct Case {
        QString button;
        int target;
    };
    const Case cases[] = {{"静态文字样式...", 1},
                          {"动态文字样式...", 2},
                          {"歌词文字样式...", 3},
                          {"标题文字样式...", 4},
                          {"设置动态歌词字体", 5}};
    for (const Case& c : cases) {
        QPushButton* b = Button(w, c.button);
        ASSERT_NE(b, nullptr) << c.button.toStdString();
        int opened = 0;
        AnswerNextDialog(3, &opened);
        b->click();
        EXPECT_EQ(opened, c.target) << c.button.toStdString();
    }
    // Position 3: "上下渐变" (6) for every target but 2, where it is
    // "左上右下渐变" (8).
    EXPECT_EQ(w.project().style(1).fFontPattern, 6);
    EXPECT_EQ(w.project().style(2).fFontPattern, 8);
    EXPECT_EQ(w.project().style(3).fFontPattern, 6);
    EXPECT_EQ(w.project().style(4).fFontPattern, 6);
    EXPECT_EQ(w.project().LyricDynamicFontPattern, 6);
    EXPECT_GT(w.project().LyricPos.H, 10) << "the lyric line height measured again";
    w.close();
}
