#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "base/AppInfo.h"
#include "base/FileUtil.h"
#include "base/Rounding.h"
#include "editor/ui/pages/BackgroundPage.h"
#include "editor/ui/pages/CaptionPage.h"
#include "editor/ui/pages/HeadlinePage.h"
#include "editor/ui/pages/InfoPage.h"
#include "editor/ui/pages/LyricPage.h"
#include "editor/ui/pages/MusicPage.h"
#include "editor/ui/pages/OptionsPage.h"
#include "editor/ui/pages/PhotoPage.h"
#include "editor/ui/pages/ThumbnailStrip.h"
#include "editor/ui/pages/TitlePage.h"
#include "editor/ui/pages/TransitionPage.h"
#include "render/qt/QtImageCodec.h"

namespace velmora {

using editor::Q;
using editor::S;

namespace {

const char* const kPageCaptions[MainWindow::kPageCount] = {
    "编辑图片", "编辑音乐", "设置背景", "静态文字", "动态文字",
    "切换特效", "设置歌词", "片头片尾", "幻灯信息", "其他设定"};

editor::SessionFiles FilesOf(const AppPaths& p) {
    return {p.ProjectFolder(), p.AutoSave(), p.MirbIni(), p.Temp()};
}

}  // namespace

MainWindow::MainWindow(const AppPaths& paths, QWidget* parent)
    : QMainWindow(parent), paths_(paths), session_(FilesOf(paths)) {
    session_.SetBeforeWrite([this] { SyncFromControls(); });
    ask_ = [this](const QString& title, const QString& text, QMessageBox::StandardButtons buttons,
                  QMessageBox::Icon icon) {
        QMessageBox box(icon, title, text, buttons, this);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    chooseSavePath_ = [this](const QString& title, const QString& suggested) {
        QFileDialog dlg(this, title, Q(paths_.ProjectFolder()), "图片幻灯配置文件(*.aps)");
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix("aps");
        dlg.selectFile(suggested.trimmed());
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return QString();
        return dlg.selectedFiles().first();
    };
    chooseOpenPaths_ = [this](const QString& title, const QString& filter, const QString& folder) {
        QFileDialog dlg(this, title, folder, filter);
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setFileMode(QFileDialog::ExistingFiles);
        if (dlg.exec() != QDialog::Accepted)
            return QStringList();
        return dlg.selectedFiles();
    };
    chooseOpenProject_ = [this](const QString& title) {
        QFileDialog dlg(this, title, Q(paths_.ProjectFolder()), "图片幻灯配置文件(*.aps)");
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setFileMode(QFileDialog::ExistingFile);
        dlg.setDefaultSuffix("aps");
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return QString();
        return dlg.selectedFiles().first();
    };
    chooseFolder_ = [this](const QString& prompt, const QString& start) {
        return QFileDialog::getExistingDirectory(
            this, prompt, start, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    };
}

MainWindow::~MainWindow() = default;

QMessageBox::StandardButton MainWindow::Ask(const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon, const QString& title) {
    return ask_(title, text, buttons, icon);
}

void MainWindow::Inform(const QString& text, QMessageBox::Icon icon) {
    ask_(Q(std::string_view(kProductName)), text, QMessageBox::Ok, icon);
}

QStringList MainWindow::ChooseOpenPaths(const QString& title, const QString& filter,
                                        const QString& folder) {
    return chooseOpenPaths_(title, filter, folder);
}

QString MainWindow::ChooseFolder(const QString& prompt, const QString& start) {
    return chooseFolder_(prompt, start);
}

void MainWindow::Load() {
    // Program folder and product identity.
    UpdateWindowTitle();

    // Display measurement, the default face, the project's start-up defaults.
    MeasureScreen();
    ProjectEnvironment& env = session_.environment();
    QString uiFace = QApplication::font().family();
    env.defaultFace = "Arial";
    for (const QString& f : QFontDatabase::families()) {
        if (f.compare(uiFace, Qt::CaseInsensitive) == 0) {
            env.defaultFace = S(uiFace);
            break;
        }
    }
    project() = MakeDefaultProject(env);

    lastHighlight_ = palette().color(QPalette::Highlight);
    ReadResourcePack();
    // Thumbnails are decoded on worker threads by the photo page.
    render::InstallQtImageCodec();
    BuildUi();
    BuildMenus();

    // The lyric line height: "A幻灯j" in the lyric face and size, plus one.
    const TextStyle& lyric = project().style(kLyricSlot);
    QFont lf(Q(lyric.fFontName));
    lf.setPixelSize(std::max(1, lyric.fFontSize));
    lf.setBold(lyric.fFontStyle & 1);
    env.lyricLineHeight = QFontMetrics(lf).boundingRect(QStringLiteral("A幻灯j")).height();
    SetDefaultPlacements(project(), env);

    // Preferences of the last run.
    if (FileExists(paths_.MirbIni())) {
        session_.LoadPreferences();
        RefreshControls();
    }

    PrepareWorkingFolders(paths_);

    // The window icon from the program's own image.
    if (auto icon = pack_.Read("app.png")) {
        QPixmap pm;
        if (pm.loadFromData(icon->data(), static_cast<uint>(icon->size())))
            setWindowIcon(QIcon(pm));
    }

    // The live preview device of the effect pages is created by the preview
    // layer; without it, the effect pages carry no error caption and the
    // software effects stay available.

    timer_ = new QTimer(this);
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, &MainWindow::OnTimerTick);
    timer_->start();
}

void MainWindow::ReadResourcePack() {
    // A pack being replaced may be briefly unreadable: read again after
    // 100 ms pauses while the file exists, up to two seconds.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (pack_.Open(paths_.ResourcePack()))
            break;
        if (!FileExists(paths_.ResourcePack()))
            break;
        QThread::msleep(100);
    }
    if (pack_.entries().empty()) {
        qWarning("gmi.src could not be read: %s", paths_.ResourcePack().c_str());
        return;
    }
    if (auto r = pack_.Read("rainbow.jpg"))
        rainbow_ =
            QByteArray(reinterpret_cast<const char*>(r->data()), static_cast<qsizetype>(r->size()));
}

void MainWindow::MeasureScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QSize s = screen->size() * screen->devicePixelRatio();
    session_.environment().screenW = s.width();
    session_.environment().screenH = s.height();
}

void MainWindow::UpdateWindowTitle() {
    const QString program = QString::fromUtf8(kProductName) + QString::fromUtf8(kVersionText);
    const std::string name = session_.DisplayName();
    setWindowTitle(name.empty() ? program : Q(name) + " - " + program);
}

// ---------------------------------------------------------------- layout

void MainWindow::BuildUi() {
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    auto* pageRow = new QHBoxLayout;
    for (int i = 0; i < kPageCount; ++i) {
        auto* b = new QPushButton(QString::fromUtf8(kPageCaptions[i]), central);
        b->setCheckable(true);
        b->setObjectName(QString("PageButton%1").arg(i + 1));
        connect(b, &QPushButton::clicked, this, [this, i] {
            if (CanRun())
                ShowPage(i + 1);
            pageButtons_[static_cast<size_t>(currentPage_ - 1)]->setChecked(true);
        });
        pageButtons_[static_cast<size_t>(i)] = b;
        pageRow->addWidget(b);
    }
    outer->addLayout(pageRow);

    pages_ = new QStackedWidget(central);
    photoPage_ = new editor::PhotoPage(*this);
    musicPage_ = new editor::MusicPage(*this);
    backgroundPage_ = new editor::BackgroundPage(*this);
    captionPage_ = new editor::CaptionPage(*this);
    headlinePage_ = new editor::HeadlinePage(*this);
    transitionPage_ = new editor::TransitionPage(*this);
    lyricPage_ = new editor::LyricPage(*this);
    titlePage_ = new editor::TitlePage(*this);
    infoPage_ = new editor::InfoPage(*this);
    optionsPage_ = new editor::OptionsPage(*this);
    pageWidgets_ = {photoPage_,      musicPage_, backgroundPage_, captionPage_, headlinePage_,
                    transitionPage_, lyricPage_, titlePage_,      infoPage_,    optionsPage_};
    for (editor::EditorPage* p : pageWidgets_)
        pages_->addWidget(p);
    outer->addWidget(pages_, 1);

    connect(photoPage_, &editor::PhotoPage::currentPhotoChanged, this,
            &MainWindow::ShowCurrentPhoto);
    connect(photoPage_, &editor::PhotoPage::listChanged, this, &MainWindow::UpdateWindowTitle);
    connect(musicPage_, &editor::MusicPage::lyricFilesChanged, lyricPage_,
            &editor::LyricPage::ReloadList);

    auto* commandRow = new QHBoxLayout;
    btnBuild_ = new QPushButton("创建幻灯", central);
    btnPreview_ = new QPushButton("预览幻灯", central);
    btnOpen_ = new QPushButton("打开配置", central);
    btnSave_ = new QPushButton("保存配置", central);
    editor::SetTip(btnBuild_, "创建图片幻灯可执行文件、屏幕保护程序或视频");
    editor::SetTip(btnPreview_, "预览当前的图片幻灯");
    editor::SetTip(btnSave_, "保存当前的幻灯设置");
    editor::SetTip(btnOpen_, "打开图片幻灯配置文件");
    // The preview package comes with its own part of the editor.
    btnPreview_->setEnabled(false);
    connect(btnBuild_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            BuildCommand(true);
    });
    connect(btnOpen_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            OpenProject();
    });
    connect(btnSave_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            SaveCommand();
    });
    for (auto* b : {btnBuild_, btnPreview_, btnOpen_, btnSave_})
        commandRow->addWidget(b);
    commandRow->addStretch(1);
    outer->addLayout(commandRow);

    setCentralWidget(central);
    ShowPage(1);
    RefreshControls();
}

// ---------------------------------------------------------------- pages

QWidget* MainWindow::page(int n) const {
    return pages_ ? pages_->widget(n - 1) : nullptr;
}

QPushButton* MainWindow::pageButton(int n) const {
    return n >= 1 && n <= kPageCount ? pageButtons_[static_cast<size_t>(n - 1)] : nullptr;
}

void MainWindow::ShowPage(int n) {
    if (n < 1 || n > kPageCount)
        return;
    currentPage_ = n;
    pages_->setCurrentIndex(n - 1);
    for (int i = 0; i < kPageCount; ++i)
        pageButtons_[static_cast<size_t>(i)]->setChecked(i == n - 1);
}

void MainWindow::RefreshLists() {
    photoPage_->ReloadList();
    musicPage_->ReloadList(true);
    lyricPage_->ReloadList();
    UpdateWindowTitle();
}

void MainWindow::RefreshControls() {
    editor::LoadingScope loading(session_);
    for (editor::EditorPage* p : pageWidgets_)
        p->Refresh();
    if (mnuShowTip_)
        mnuShowTip_->setChecked(project().IsShowTip);
}

void MainWindow::SyncFromControls() {
    for (editor::EditorPage* p : pageWidgets_)
        p->Sync();
}

QString MainWindow::IntervalText() const {
    return musicPage_->intervalText();
}

void MainWindow::ShowCurrentPhoto() {
    captionPage_->ShowPhoto();
    headlinePage_->ShowPhoto();
}

// The list commands are the pages'.
void MainWindow::AddPhotosCommand() {
    photoPage_->AddPhotosCommand();
}
void MainWindow::AddFolderCommand() {
    photoPage_->AddFolderCommand();
}
void MainWindow::AddPhotoPaths(const std::vector<std::string>& p) {
    photoPage_->AddPhotoPaths(p);
}
void MainWindow::DeleteSelectedPhotos() {
    photoPage_->DeleteSelected();
}
void MainWindow::MoveSelectedPhotos(bool up) {
    photoPage_->MoveSelected(up);
}
void MainWindow::ClearPhotoList(bool silent) {
    photoPage_->Clear(silent);
}
void MainWindow::AddSongsCommand() {
    musicPage_->AddSongsCommand();
}
void MainWindow::AddSongPaths(const std::vector<std::string>& p) {
    musicPage_->AddSongPaths(p);
}
void MainWindow::DeleteSelectedSongs() {
    musicPage_->DeleteSelected();
}
void MainWindow::MoveSelectedSongs(bool up) {
    musicPage_->MoveSelected(up);
}
void MainWindow::ClearSongList(bool silent) {
    musicPage_->Clear(silent);
}
void MainWindow::RebuildThumbnails() {
    photoPage_->RebuildThumbnails();
}
ThumbnailCache& MainWindow::thumbnails() {
    return photoPage_->thumbnails();
}
ThumbnailLoader& MainWindow::thumbnailLoader() {
    return photoPage_->loader();
}
int MainWindow::stripPhoto(int j) const {
    return photoPage_->strip().shown(j);
}
QScrollBar* MainWindow::stripScrollBar() const {
    return photoPage_->strip().scrollBar();
}
QPushButton* MainWindow::addPhotosButton() const {
    return photoPage_->addButton();
}
QPushButton* MainWindow::addSongsButton() const {
    return musicPage_->addButton();
}
QPushButton* MainWindow::backgroundPictureButton() const {
    return backgroundPage_->pictureButton();
}
QListWidget* MainWindow::photoList() const {
    return photoPage_->list();
}
QListWidget* MainWindow::songList() const {
    return musicPage_->list();
}
QListWidget* MainWindow::transitionList() const {
    return transitionPage_->list();
}

// ---------------------------------------------------------------- helpers

void MainWindow::WaitWithEvents(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        qint64 left = ms - t.elapsed();
        if (left > 0)
            QThread::usleep(static_cast<unsigned long>(std::min<qint64>(left, 1) * 1000));
    }
}

void MainWindow::GuideCursorTo(QWidget* control) {
    if (!control)
        return;
    QPoint start = QCursor::pos();
    QPoint target = control->mapToGlobal(QPoint(control->width() / 2, control->height() / 2));
    for (int k = 1; k <= 100; ++k) {
        QPoint p(nearest(start.x() + (target.x() - start.x()) * k / 100.0),
                 nearest(start.y() + (target.y() - start.y()) * k / 100.0));
        QCursor::setPos(p);
        WaitWithEvents(4);
    }
}

void MainWindow::GuidedTour(int page, QWidget* target) {
    GuideCursorTo(pageButton(page));
    WaitWithEvents(500);
    ShowPage(page);
    WaitWithEvents(500);
    GuideCursorTo(target);
}

bool MainWindow::RequireTwoPhotos() {
    if (session_.HasTwoPhotos())
        return true;
    Inform("请首先添加至少两张图片到图片幻灯中");
    ShowPage(1);
    WaitWithEvents(100);
    GuideCursorTo(addPhotosButton());
    return false;
}

bool MainWindow::ConfirmOverwrite(const QString& path) {
    if (!QFileInfo::exists(path))
        return true;
    QString name = QFileInfo(path).fileName();
    if (Ask("文件 '" + name + "' 已经存在，要替换为新的文件吗？",
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning) != QMessageBox::Yes)
        return false;
    QFile::remove(path);
    QCoreApplication::processEvents();
    if (QFileInfo::exists(path)) {
        Inform("无法替换 '" + name + "'，文件可能正在使用中");
        return false;
    }
    return true;
}

void MainWindow::ShowAbout() {
    QMessageBox::about(this, "关于",
                       QString::fromUtf8(kProductName) + " " + QString::fromUtf8(kVersionText) +
                           "\n照片幻灯片制作软件");
}

}  // namespace velmora
