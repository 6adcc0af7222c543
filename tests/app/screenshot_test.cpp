// The window as a user sees it, set up as the editor sets itself up (Qt's
// Chinese translations, the Chinese interface font): every page of the main
// window and the program's file dialog draw their Chinese texts with real
// glyphs, never the empty boxes of a font without them.
//
// With VELMORA_SCREENSHOTS=FOLDER the pictures are also written there as PNG
// files (page-01.png ... page-10.png, file-dialog.png) for a person to look at.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGlyphRun>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTextLayout>
#include <QThread>
#include <filesystem>

#include "TempDir.h"
#include "app/ui/ChineseInterface.h"
#include "app/ui/MainWindow.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

QApplication* App() {
    static int argc = 1;
    static char name[] = "test_screenshots";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        InstallQtChineseTranslations(*a);
        ApplyInterfaceFont();
        return a;
    }();
    return app;
}

bool HasChinese(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x3000)
            return true;
    return false;
}

// The characters of text that font (with Qt's fallback fonts) draws as the
// missing-glyph box: glyph 0 of the face that was picked for them.
QString BoxedCharacters(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    while (layout.createLine().isValid()) {
    }
    layout.endLayout();
    int boxes = 0;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 g : run.glyphIndexes())
            boxes += g == 0;
    if (boxes == 0)
        return {};
    QString missing;
    for (QChar c : text)
        if (!QFontMetrics(font).inFont(c) && !c.isSpace())
            missing += c;
    return missing.isEmpty() ? QStringLiteral("?") : missing;
}

// Every Chinese text the visible widgets under root show, with its font.
void CheckTexts(QWidget* root, const std::string& where, int* checked) {
    auto check = [&](const QString& text, const QFont& font, const QString& what) {
        if (!HasChinese(text))
            return;
        ++*checked;
        const QString boxed = BoxedCharacters(text, font);
        EXPECT_TRUE(boxed.isEmpty())
            << where << ": " << what.toStdString() << " \"" << text.toStdString()
            << "\" draws boxes for \"" << boxed.toStdString() << "\" in "
            << font.family().toStdString();
    };
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root))
            continue;
        if (auto* l = qobject_cast<QLabel*>(w))
            check(l->text(), l->font(), "label");
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            check(b->text(), b->font(), "button");
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            check(g->title(), g->font(), "group");
        else if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                check(c->itemText(i), c->font(), "list entry");
        else if (auto* list = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < list->count(); ++i)
                check(list->item(i)->text(), list->font(), "list entry");
    }
}

void Save(const QImage& shot, const QString& name) {
    const QByteArray dir = qgetenv("VELMORA_SCREENSHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(dir) + "/" + name, "PNG")) << name.toStdString();
}

}  // namespace

TEST(Screenshots, EveryPageDrawsItsChineseTexts) {
    App();
    test::TempDir dir;
    AppPaths paths = PathsForProgramFolder(dir.path());
    fs::copy_file(std::string(VELMORA_PROGRAM_DIR) + "/gmi.src", paths.ResourcePack());
    MainWindow w(paths);
    w.setAsk([](const QString&, const QString&, QMessageBox::StandardButtons, QMessageBox::Icon) {
        return QMessageBox::Ok;
    });
    w.setOpenUrl([](const QUrl&) {});
    w.Load();
    w.show();
    QApplication::processEvents();
    int checked = 0;
    if (QMenuBar* bar = w.menuBar())
        for (QAction* a : bar->actions())
            if (HasChinese(a->text())) {
                ++checked;
                EXPECT_TRUE(BoxedCharacters(a->text(), bar->font()).isEmpty())
                    << "menu " << a->text().toStdString();
            }
    for (int n = 1; n <= MainWindow::kPageCount; ++n) {
        w.ShowPage(n);
        QApplication::processEvents();
        CheckTexts(&w, "page " + std::to_string(n), &checked);
        const QImage shot = w.grab().toImage();
        ASSERT_FALSE(shot.isNull());
        Save(shot, QString("page-%1.png").arg(n, 2, 10, QChar('0')));
    }
    EXPECT_GT(checked, 50) << "the pages show their Chinese captions";
    w.project().photos.clear();
}

TEST(Screenshots, TheFileDialogIsChinese) {
    App();
    test::TempDir dir;
    for (const char* name : {"春天 花园.jpg", "海边.png", "旅行"}) {
        if (std::string(name).find('.') == std::string::npos)
            fs::create_directories(dir / name);
        else
            test::WriteText(dir / name, "x");
    }
    // As the editor makes its photo dialog: Qt's own, not the desktop's.
    QFileDialog dlg(nullptr, QStringLiteral("添加图片"), QString::fromStdString(dir.path()),
                    QStringLiteral("图片文件(*.jpg *.png *.bmp)"));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setFileMode(QFileDialog::ExistingFiles);
    dlg.resize(720, 460);
    dlg.show();
    // The folder is listed by a worker of the dialog's model.
    for (int i = 0; i < 50; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    int checked = 0;
    CheckTexts(&dlg, "file dialog", &checked);
    EXPECT_GT(checked, 5);
    QStringList labels;
    for (QLabel* l : dlg.findChildren<QLabel*>())
        labels << l->text();
    for (const char* english : {"Look in:", "File &name:", "Files of type:"})
        EXPECT_FALSE(labels.contains(QString::fromLatin1(english))) << english;
    auto* buttons = dlg.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    Save(dlg.grab().toImage(), "file-dialog.png");
}
