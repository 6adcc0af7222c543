// The main window's photo and song pages (adding, deleting, moving,
// clearing, dropping, the thumbnail strip) and its project-file commands
// (open, new, the check for missing files). The list rules themselves are
// the editor's list core; this file mirrors them in the widgets.
#include <QCheckBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <filesystem>

#include "app/ui/MainWindow.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "base/TextCodec.h"
#include "editor/lists/MediaLists.h"
#include "editor/lists/SongCheck.h"
#include "editor/ui/ListProgress.h"
#include "editor/ui/ThumbnailCache.h"
#include "editor/ui/ThumbnailLoader.h"
#include "project/ProjectFile.h"

namespace velmora {

namespace {

constexpr int kStripCells = 7;
constexpr QSize kCellSize(96, 72);

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

const char* const kPhotoFilter =
    "所有支持的图片格式 (*.BMP *.Jpg *.Gif *.Png *.Tga *.Pcx *.Tif);;"
    "Windows位图文件(*.Bmp) (*.BMP);;JPEG图片格式(*.Jpg) (*.Jpg);;Gif图片格式(*.Gif) (*.Gif);;"
    "PNG图片格式(*.Png) (*.Png);;PCX图片格式(*.Pcx) (*.Pcx);;TGA图片格式(*.Tga) (*.Tga);;"
    "TIFF图片格式(*.Tif) (*.Tif)";
const char* const kSongFilter =
    "所有可支持格式 (*.Mid *.Wav *.Mp3 *.Wma);;Mpeg音频文件(*.Mp3) (*.Mp3);;"
    "Windows Media 音频文件(*.Wma) (*.Wma);;波形文件(*.Wav) (*.Wav);;MIDI文件(*.Mid) (*.Mid)";

// Sets the busy flag for the length of a list command.
class BusyScope {
  public:
    explicit BusyScope(MainWindow* w) : w_(w) { w_->setBusy(true); }
    ~BusyScope() { w_->setBusy(false); }

  private:
    MainWindow* w_;
};

std::vector<size_t> SelectedRows(QListWidget* list) {
    std::vector<size_t> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            rows.push_back(static_cast<size_t>(i));
    return rows;
}

std::vector<bool> SelectionMarks(QListWidget* list) {
    std::vector<bool> marks(static_cast<size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        marks[static_cast<size_t>(i)] = list->item(i)->isSelected();
    return marks;
}

}  // namespace

// ---------------------------------------------------------------- set-up

void MainWindow::BuildStrip(QWidget* parent, QBoxLayout* into) {
    auto* row = new QHBoxLayout;
    for (int j = 0; j < kStripCells; ++j) {
        auto* col = new QVBoxLayout;
        auto* cell = new QLabel(parent);
        cell->setFixedSize(kCellSize + QSize(4, 4));
        cell->setAlignment(Qt::AlignCenter);
        cell->setStyleSheet("border: 2px solid transparent; background: black;");
        cell->installEventFilter(this);
        auto* number = new QLabel(parent);
        number->setAlignment(Qt::AlignCenter);
        stripCells_[static_cast<size_t>(j)] = cell;
        stripNumbers_[static_cast<size_t>(j)] = number;
        col->addWidget(cell);
        col->addWidget(number);
        row->addLayout(col);
    }
    row->addStretch(1);
    into->addLayout(row);
    stripBar_ = new QScrollBar(Qt::Horizontal, parent);
    stripBar_->setRange(kStripCells, kStripCells);
    stripBar_->setValue(kStripCells);
    connect(stripBar_, &QScrollBar::valueChanged, this, [this] { UpdateStrip(); });
    into->addWidget(stripBar_);
}

void MainWindow::WireListPages() {
    auto command = [this](QPushButton* b, const QString& tip, std::function<void()> fn) {
        b->setProperty("velmoraTip", tip);
        b->setEnabled(true);
        connect(b, &QPushButton::clicked, this, [this, fn] {
            if (CanRun())
                fn();
        });
    };
    command(btnAddPhotos_, "添加图片到图片幻灯中", [this] { AddPhotosCommand(); });
    command(btnAddFolder_, "添加一个文件夹里面的图片到图片幻灯中", [this] { AddFolderCommand(); });
    command(btnPhotoRemove_, "从列表中删除当前选中的图片", [this] { DeleteSelectedPhotos(); });
    command(btnPhotoUp_, "将当前选中的图片在列表顺序中上移一位",
            [this] { MoveSelectedPhotos(true); });
    command(btnPhotoDown_, "将当前选中的图片在列表顺序中下移一位",
            [this] { MoveSelectedPhotos(false); });
    command(btnPhotoClear_, "从列表中清除所有图片", [this] { ClearPhotoList(false); });
    command(btnAddSongs_, "添加背景音乐(.mp3, .wma, .wav, .mid)到图片幻灯中",
            [this] { AddSongsCommand(); });
    command(btnSongRemove_, "从列表中删除当前选中的音乐文件", [this] { DeleteSelectedSongs(); });
    command(btnSongUp_, "将当前选中的音乐文件在列表顺序中上移一位",
            [this] { MoveSelectedSongs(true); });
    command(btnSongDown_, "将当前选中的音乐文件在列表顺序中下移一位",
            [this] { MoveSelectedSongs(false); });
    command(btnSongClear_, "从列表中清除所有音乐文件", [this] { ClearSongList(false); });

    songList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    photoList_->setIconSize(QSize(48, 36));
    photoList_->setUniformItemSizes(true);
    songList_->setUniformItemSizes(true);
    for (QListWidget* l : {photoList_, songList_}) {
        l->setAcceptDrops(true);
        l->viewport()->setAcceptDrops(true);
        l->viewport()->installEventFilter(this);
    }
    connect(photoList_, &QListWidget::itemSelectionChanged, this,
            &MainWindow::OnPhotoSelectionChanged);

    // The caption-from-name box: ticking it (not while a project is read)
    // replaces every caption by the photo's file name.
    for (auto& [box, field] : checks_) {
        if (field != &Project::FilenameAsCaption)
            continue;
        connect(box, &QCheckBox::toggled, this, [this](bool on) {
            if (!on || libraryLoading_ || project_.photos.empty())
                return;
            editor::CaptionsFromFileNames(project_);
            ShowCurrentPhoto();
        });
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool photos = photoList_ && watched == photoList_->viewport();
    const bool songs = songList_ && watched == songList_->viewport();
    if (photos || songs) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* e = static_cast<QDropEvent*>(event);
            if (e->mimeData()->hasUrls() && CanRun()) {
                e->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* e = static_cast<QDropEvent*>(event);
            std::vector<std::string> paths;
            for (const QUrl& u : e->mimeData()->urls()) {
                if (!u.isLocalFile())
                    continue;
                std::string p = S(u.toLocalFile());
                if (photos ? editor::IsDroppedPhoto(p) : editor::IsDroppedSong(p))
                    paths.push_back(std::move(p));
            }
            e->acceptProposedAction();
            if (CanRun() && !paths.empty()) {
                if (photos)
                    AddPhotoPaths(paths);
                else
                    AddSongPaths(paths);
            }
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        for (int j = 0; j < kStripCells; ++j) {
            if (watched != stripCells_[static_cast<size_t>(j)])
                continue;
            int k = stripShows_[static_cast<size_t>(j)];
            if (k >= 1 && k <= project_.NowI() && CanRun()) {
                currentPhoto_ = k;
                ShowCurrentPhoto();
                UpdateStrip();
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- photos

void MainWindow::AddPhotosCommand() {
    if (refused())
        return;
    QStringList chosen = chooseOpenPaths_("添加图片文件", kPhotoFilter, addPhotosFolder_);
    if (chosen.isEmpty())
        return;
    std::vector<std::string> paths;
    for (const QString& c : chosen)
        paths.push_back(S(c));
    AddPhotoPaths(paths);
}

void MainWindow::AddFolderCommand() {
    if (refused())
        return;
    QString folder = chooseFolder_("请选择图片目录", browseFolder_);
    if (folder.isEmpty())
        return;
    std::string f = WithTrailingSlash(S(folder));
    browseFolder_ = Q(f);
    AddPhotoPaths(editor::FolderPhotos(f));
}

void MainWindow::AddPhotoPaths(const std::vector<std::string>& paths) {
    if (refused() || paths.empty())
        return;
    BusyScope busy(this);
    const size_t before = project_.photos.size();
    std::unique_ptr<Progress> progress;
    if (paths.size() > 1) {
        progress = MakeListProgress(this);
        progress->InitProgress("添加图片");
    }
    editor::AddResult r = editor::AddPhotos(project_, env_, paths, progress.get());
    if (progress)
        progress->Finish();
    progress.reset();
    for (size_t i = before; i < project_.photos.size(); ++i)
        photoList_->addItem(Q(project_.photos[i].ImgName));
    if (!r.lastOffered.empty())
        addPhotosFolder_ = Q(editor::FolderOf(r.lastOffered));
    RebuildThumbnails();
}

void MainWindow::DeleteSelectedPhotos() {
    if (refused())
        return;
    BusyScope busy(this);
    int count = project_.NowI();
    std::vector<size_t> removed = editor::DeletePhotos(project_, SelectedRows(photoList_));
    if (removed.empty())
        return;
    bool was = libraryLoading_;
    libraryLoading_ = true;
    for (size_t k : removed) {
        thumbs_->OnDeleted(static_cast<int>(k) + 1, count--);
        delete photoList_->takeItem(static_cast<int>(k));
    }
    libraryLoading_ = was;
    if (project_.photos.empty())
        currentPhoto_ = 0;
    else
        currentPhoto_ = std::clamp(currentPhoto_, 1, project_.NowI());
    stripBar_->setMaximum(std::max(kStripCells, project_.NowI()));
    UpdateStrip();
    ShowCurrentPhoto();
}

void MainWindow::MoveSelectedPhotos(bool up) {
    if (refused() || photoList_->count() < 2)
        return;
    BusyScope busy(this);
    std::vector<bool> marks = SelectionMarks(photoList_);
    std::vector<editor::Swap> swaps = up ? editor::MoveSelectedUp(project_.photos, marks)
                                         : editor::MoveSelectedDown(project_.photos, marks);
    if (swaps.empty())
        return;
    bool was = libraryLoading_;
    libraryLoading_ = true;
    for (const editor::Swap& s : swaps) {
        thumbs_->OnSwapped(static_cast<int>(s.a) + 1);
        QListWidgetItem* a = photoList_->item(static_cast<int>(s.a));
        QListWidgetItem* b = photoList_->item(static_cast<int>(s.a) + 1);
        QIcon ia = a->icon();
        a->setIcon(b->icon());
        b->setIcon(ia);
    }
    for (int i = 0; i < photoList_->count(); ++i) {
        photoList_->item(i)->setText(Q(project_.photos[static_cast<size_t>(i)].ImgName));
        photoList_->item(i)->setSelected(marks[static_cast<size_t>(i)]);
    }
    libraryLoading_ = was;
    currentPhoto_ =
        up ? std::max(1, currentPhoto_ - 1) : std::min(project_.NowI(), currentPhoto_ + 1);
    UpdateStrip();
    ShowCurrentPhoto();
}

void MainWindow::ClearPhotoList(bool silent) {
    if (photoList_->count() == 0 && project_.photos.empty())
        return;
    if (!silent && Ask("你确定要从列表中清空所有图片吗？", QMessageBox::Ok | QMessageBox::Cancel,
                       QMessageBox::Information) != QMessageBox::Ok)
        return;
    thumbLoader_->Cancel();
    thumbs_->Clear(project_.NowI());
    bool was = libraryLoading_;
    libraryLoading_ = true;
    photoList_->clear();
    libraryLoading_ = was;
    editor::ClearPhotos(project_);
    addPhotosFolder_.clear();
    std::error_code ec;
    std::filesystem::remove(paths_.Temp() + "icofinal.ico", ec);
    stripBar_->setRange(kStripCells, kStripCells);
    stripBar_->setValue(kStripCells);
    currentPhoto_ = 0;
    UpdateStrip();
}

// ---------------------------------------------------------------- thumbnails

void MainWindow::RebuildThumbnails() {
    thumbLoader_->setCellSize(kCellSize);
    thumbLoader_->Cancel();
    for (int k = 1; k <= project_.NowI(); ++k)
        if (!thumbs_->Has(k))
            thumbLoader_->Request(Q(project_.photos[static_cast<size_t>(k - 1)].ImgName));
    stripBar_->setMaximum(std::max(kStripCells, project_.NowI()));
    if (project_.NowI() > 0) {
        currentPhoto_ = 1;
        SelectPhotoRow(0);
    }
    UpdateStrip();
    ShowCurrentPhoto();
}

void MainWindow::OnThumbnailReady(const QString& path, const QImage& image) {
    const std::string p = S(path);
    int k = 0;
    for (size_t i = 0; i < project_.photos.size(); ++i) {
        if (project_.photos[i].ImgName == p) {
            k = static_cast<int>(i) + 1;
            break;
        }
    }
    if (k == 0 || image.isNull())
        return;
    thumbs_->Store(k, image);
    if (QListWidgetItem* item = photoList_->item(k - 1))
        item->setIcon(QIcon(QPixmap::fromImage(
            image.scaled(photoList_->iconSize(), Qt::KeepAspectRatio, Qt::FastTransformation))));
    const int v = stripBar_->value();
    if (k > v - kStripCells && k <= v)
        UpdateStrip();
}

void MainWindow::UpdateStrip() {
    if (!stripBar_)
        return;
    const int v = stripBar_->value();
    for (int j = 1; j <= kStripCells; ++j) {
        const int p = v - kStripCells + j;
        const size_t c = static_cast<size_t>(j - 1);
        const bool shown = p >= 1 && p <= project_.NowI();
        stripShows_[c] = shown ? p : 0;
        QImage img = shown ? thumbs_->Image(p) : QImage();
        stripCells_[c]->setPixmap(img.isNull() ? QPixmap() : QPixmap::fromImage(img));
        stripNumbers_[c]->setText(shown ? QString::number(p) : QString());
        stripCells_[c]->setStyleSheet(
            QString("border: 2px solid %1; background: black;")
                .arg(shown && p == currentPhoto_ ? "red" : "transparent"));
    }
}

// ---------------------------------------------------------------- selection

void MainWindow::SelectPhotoRow(int row) {
    bool was = libraryLoading_;
    libraryLoading_ = true;
    photoList_->clearSelection();
    if (QListWidgetItem* item = photoList_->item(row)) {
        item->setSelected(true);
        photoList_->setCurrentItem(item, QItemSelectionModel::NoUpdate);
    }
    libraryLoading_ = was;
}

void MainWindow::OnPhotoSelectionChanged() {
    if (libraryLoading_)
        return;
    auto rows = SelectedRows(photoList_);
    if (rows.size() != 1)
        return;
    currentPhoto_ = static_cast<int>(rows[0]) + 1;
    ShowCurrentPhoto();
    // Bring the photo into the strip.
    const int v = stripBar_->value();
    if ((currentPhoto_ <= v - kStripCells || currentPhoto_ > v) && currentPhoto_ > kStripCells)
        stripBar_->setValue(currentPhoto_);
    else if (currentPhoto_ <= kStripCells && currentPhoto_ <= v - kStripCells)
        stripBar_->setValue(kStripCells);
    UpdateStrip();
}

void MainWindow::ShowCurrentPhoto() {
    bool was = libraryLoading_;
    libraryLoading_ = true;
    if (currentPhoto_ >= 1 && currentPhoto_ <= project_.NowI()) {
        const PhotoEntry& e = project_.photos[static_cast<size_t>(currentPhoto_ - 1)];
        txtCaption_->setPlainText(Q(e.Caption));
        txtHeadline_->setPlainText(Q(e.Headline));
    } else {
        txtCaption_->clear();
        txtHeadline_->clear();
    }
    libraryLoading_ = was;
}

// ---------------------------------------------------------------- songs

void MainWindow::RefreshSongAndLyricLists() {
    bool was = libraryLoading_;
    libraryLoading_ = true;
    songList_->clear();
    for (const auto& s : project_.songs)
        songList_->addItem(Q(s));
    lyricList_->clear();
    for (const auto& s : project_.lyricFiles)
        lyricList_->addItem(Q(s));
    if (lyricList_->count() > 0)
        lyricList_->setCurrentRow(0);
    libraryLoading_ = was;
}

void MainWindow::AddSongsCommand() {
    if (refused())
        return;
    QStringList chosen = chooseOpenPaths_("添加音乐文件", kSongFilter, addSongsFolder_);
    if (chosen.isEmpty())
        return;
    std::vector<std::string> paths;
    for (const QString& c : chosen)
        paths.push_back(S(c));
    AddSongPaths(paths);
}

void MainWindow::AddSongPaths(const std::vector<std::string>& paths) {
    if (refused() || paths.empty())
        return;
    BusyScope busy(this);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<Progress> progress;
    if (paths.size() > 1) {
        progress = MakeListProgress(this);
        progress->InitProgress("添加音乐");
    }
    editor::AddResult r = editor::AddSongs(
        project_, paths, progress.get(), editor::CheckSong, [this](const std::string& song) {
            return editor::LyricFileForSong(song, project_.LyricFolder);
        });
    if (progress)
        progress->Finish();
    progress.reset();
    QGuiApplication::restoreOverrideCursor();
    if (!r.lastOffered.empty())
        addSongsFolder_ = Q(editor::FolderOf(r.lastOffered));
    RefreshSongAndLyricLists();
}

void MainWindow::DeleteSelectedSongs() {
    if (refused())
        return;
    BusyScope busy(this);
    if (editor::DeleteSongs(project_, SelectedRows(songList_)).empty())
        return;
    RefreshSongAndLyricLists();
    if (songList_->count() > 0)
        songList_->setCurrentRow(0);
}

void MainWindow::MoveSelectedSongs(bool up) {
    if (refused() || songList_->count() < 2)
        return;
    BusyScope busy(this);
    std::vector<bool> marks = SelectionMarks(songList_);
    auto swaps = up ? editor::MoveSelectedUp(project_.songs, marks)
                    : editor::MoveSelectedDown(project_.songs, marks);
    if (swaps.empty())
        return;
    for (int i = 0; i < songList_->count(); ++i) {
        songList_->item(i)->setText(Q(project_.songs[static_cast<size_t>(i)]));
        songList_->item(i)->setSelected(marks[static_cast<size_t>(i)]);
    }
}

void MainWindow::ClearSongList(bool silent) {
    if (songList_->count() == 0 && project_.songs.empty())
        return;
    if (!silent &&
        Ask("你确定要从列表中清空所有音乐文件吗？", QMessageBox::Ok | QMessageBox::Cancel,
            QMessageBox::Information) != QMessageBox::Ok)
        return;
    editor::ClearSongs(project_);
    RefreshSongAndLyricLists();
}

// ---------------------------------------------------------------- project files

void MainWindow::OpenProject() {
    if (refused())
        return;
    if (project_.ProjectName.empty() && project_.NowI() >= 2) {
        auto a =
            Ask("图片幻灯设置已被修改，要将当前设置保存为配置文件吗？\r"
                "当需要修改这个幻灯时，通过点击“打开配置”按钮，可方便地再次加载所有的幻灯设置。",
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Information);
        if (a == QMessageBox::Yes) {
            SaveProject();
            return;
        }
        if (a != QMessageBox::No)
            return;
    }
    if (NamesFile(project_.ProjectName)) {
        SyncFromControls();
        WriteProjectSettings(project_, store_, false);
        store_.SaveSettingsFile(project_.ProjectName);
    }
    QString path = chooseOpenProject_("打开图片幻灯配置文件");
    if (path.isEmpty())
        return;
    libraryLoading_ = true;
    ClearPhotoList(true);
    ClearSongList(true);
    ProjectReadResult r = ReadProjectFile(S(path), project_, store_, env_);
    if (!r.ok()) {
        RefreshLists();
        libraryLoading_ = false;
        Inform(Q(r.message), QMessageBox::Warning);
        return;
    }
    RefreshLists();
    ValidateProjectFiles();
    RefreshControls();
    RefreshLists();
    RebuildThumbnails();
    libraryLoading_ = false;
    ShowCurrentPhoto();
}

void MainWindow::ValidateProjectFiles() {
    auto exists = [](const std::string& p) { return FileExists(p); };
    MissingMedia m = FindMissingMedia(project_, exists);
    bool was = libraryLoading_;
    libraryLoading_ = true;
    if (!m.photos.empty()) {
        photoList_->clearSelection();
        for (size_t k : m.photos)
            photoList_->item(static_cast<int>(k))->setSelected(true);
        Inform(Q(kMissingFilesMessage));
        editor::DeletePhotos(project_, m.photos);
    }
    if (!m.songs.empty()) {
        songList_->clearSelection();
        for (size_t k : m.songs)
            songList_->item(static_cast<int>(k))->setSelected(true);
        Inform(Q(kMissingFilesMessage));
        editor::DeleteSongs(project_, m.songs);
    }
    RepairProjectImages(project_, exists);
    libraryLoading_ = was;
    RefreshLists();
}

}  // namespace velmora
