// The menu bar of the main window: 文件 (new, open, save as, build, preview,
// quit), 编辑 (the ten pages) and 帮助 (tips, the guided tours, the help
// file, the web site, mail and about). Every entry is refused while the
// session is busy.
#include <QAction>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>
#include <filesystem>

#include "app/ui/MainWindow.h"
#include "editor/ui/pages/BackgroundPage.h"
#include "editor/ui/pages/CaptionPage.h"
#include "editor/ui/pages/HeadlinePage.h"
#include "editor/ui/pages/LyricPage.h"
#include "editor/ui/pages/PhotoPage.h"

namespace velmora {

using editor::Q;

namespace {

const char* const kPageMenuTexts[MainWindow::kPageCount] = {
    "编辑图片(&P)", "编辑音乐(&M)", "屏幕设置(&S)", "静态文字(&C)", "动态文字(&H)",
    "切换特效(&T)", "歌词设置",     "片头和片尾",   "幻灯信息(&I)", "其他幻灯设置"};

const char* const kWebSite = "https://www.velmora.cn/";
const char* const kMailAddress = "mailto:support@velmora.cn";

}  // namespace

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("文件(&F)");
    auto add = [this](QMenu* m, const QString& text, std::function<void()> fn,
                      bool enabled = true) {
        QAction* a = m->addAction(text);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, [this, fn] {
            if (CanRun())
                fn();
        });
        return a;
    };
    add(file, "新建图片幻灯(&N)", [this] { NewProject(); });
    mnuOpen_ = add(file, "打开配置文件(&O)", [this] { OpenProject(); });
    add(file, "保存配置文件为...(&S)", [this] {
        std::error_code ec;
        std::filesystem::create_directories(paths_.ProjectFolder(), ec);
        SaveProject();
    });
    file->addSeparator();
    add(file, "创建并保存幻灯(&B)", [this] { BuildCommand(false); });
    add(
        file, "预览当前幻灯", [] {}, false);
    file->addSeparator();
    QAction* quit = file->addAction("退出(&E)");
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu("编辑(&E)");
    for (int i = 0; i < kPageCount; ++i)
        add(edit, QString::fromUtf8(kPageMenuTexts[i]), [this, i] { ShowPage(i + 1); });

    QMenu* help = menuBar()->addMenu("帮助(&H)");
    mnuShowTip_ = help->addAction("显示提示信息(&T)");
    mnuShowTip_->setCheckable(true);
    mnuShowTip_->setChecked(project().IsShowTip);
    connect(mnuShowTip_, &QAction::toggled, this, [this](bool on) {
        if (!libraryLoading())
            project().IsShowTip = on;
        if (!on)
            QToolTip::hideText();
    });
    help->addSeparator();
    struct Tour {
        const char* text;
        int page;
        QWidget* target;
    };
    const Tour tours[] = {
        {"如何添加图片", 1, addPhotosButton()},
        {"如何添加背景音乐", 2, addSongsButton()},
        {"如何添加歌词文件", 7, lyricPage_->addButton()},
        {"如何设置幻灯背景", 3, backgroundPage_->pictureOption()},
        {"如何为图片添加静态文字", 4, captionPage_->captionBox()},
        {"如何为图片添加动态文字", 5, headlinePage_->headlineBox()},
        {"如何改变图片的位置", 1, photoPage_->upButton()},
        {"如何创建图片幻灯", 1, btnBuild_},
    };
    for (const Tour& t : tours) {
        int page = t.page;
        QWidget* target = t.target;
        add(help, QString::fromUtf8(t.text), [this, page, target] { GuidedTour(page, target); });
    }
    help->addSeparator();
    add(help, "帮助文件(&H)", [this] { openUrl_(QUrl::fromLocalFile(Q(paths_.HelpFile()))); });
    add(help, "我们的网站(&W)", [this] { openUrl_(QUrl(kWebSite)); });
    add(help, "写email给作者(&E)", [this] { openUrl_(QUrl(kMailAddress)); });
    add(help, "关于(&A)", [this] { ShowAbout(); });
}

}  // namespace velmora
