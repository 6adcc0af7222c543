#include "editor/ui/pages/PhotoPage.h"

#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "base/FileUtil.h"
#include "editor/lists/MediaLists.h"
#include "editor/ui/FrmSetSlideTime.h"
#include "editor/ui/ListProgress.h"
#include "editor/ui/ThumbnailCache.h"
#include "editor/ui/ThumbnailLoader.h"
#include "editor/ui/pages/ListRows.h"
#include "editor/ui/pages/ThumbnailStrip.h"

namespace velmora::editor {

namespace {

const char* const kPhotoFilter =
    "所有支持的图片格式 (*.BMP *.Jpg *.Gif *.Png *.Tga *.Pcx *.Tif);;"
    "Windows位图文件(*.Bmp) (*.BMP);;JPEG图片格式(*.Jpg) (*.Jpg);;Gif图片格式(*.Gif) (*.Gif);;"
    "PNG图片格式(*.Png) (*.Png);;PCX图片格式(*.Pcx) (*.Pcx);;TGA图片格式(*.Tga) (*.Tga);;"
    "TIFF图片格式(*.Tif) (*.Tif)";

}  // namespace

PhotoPage::PhotoPage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    thumbs_ = std::make_unique<ThumbnailCache>(Q(session().files().temp));
    loader_ = new ThumbnailLoader(this);
    connect(loader_, &ThumbnailLoader::ready, this, &PhotoPage::OnThumbnailReady);
    folderToBrowse_ = QDir::homePath();

    auto* outer = new QVBoxLayout(this);
    auto* l = new QHBoxLayout;
    outer->addLayout(l, 1);
    strip_ = new ThumbnailStrip(
        this, outer,
        {[this] { return project().NowI(); }, [this] { return session().currentPhoto(); },
         [this](int k) { return thumbs_->Image(k); }});
    connect(strip_, &ThumbnailStrip::clicked, this, [this](int k) {
        if (!CanRun())
            return;
        session().SetCurrentPhoto(k);
        ShowCurrent();
        strip_->Update();
    });

    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setIconSize(QSize(48, 36));
    list_->setUniformItemSizes(true);
    list_->setAcceptDrops(true);
    list_->viewport()->setAcceptDrops(true);
    list_->viewport()->installEventFilter(this);
    connect(list_, &QListWidget::itemSelectionChanged, this, &PhotoPage::OnSelectionChanged);
    l->addWidget(list_, 1);

    auto* col = new QVBoxLayout;
    auto command = [this, col](const QString& text, const QString& tip, auto fn) {
        auto* b = new QPushButton(text);
        SetTip(b, tip);
        connect(b, &QPushButton::clicked, this, [this, fn] {
            if (CanRun())
                fn();
        });
        col->addWidget(b);
        return b;
    };
    btnAdd_ = command("添加图片", "添加图片到图片幻灯中", [this] { AddPhotosCommand(); });
    btnFolder_ = command("添加文件夹", "添加一个文件夹里面的图片到图片幻灯中",
                         [this] { AddFolderCommand(); });
    btnUp_ =
        command("上移", "将当前选中的图片在列表顺序中上移一位", [this] { MoveSelected(true); });
    btnDown_ =
        command("下移", "将当前选中的图片在列表顺序中下移一位", [this] { MoveSelected(false); });
    btnRemove_ = command("删除", "从列表中删除当前选中的图片", [this] { DeleteSelected(); });
    btnClear_ = command("清空", "从列表中清除所有图片", [this] { Clear(false); });
    btnSlideTime_ = new QPushButton("为每张图片设置不同的持续/间隔时间");
    connect(btnSlideTime_, &QPushButton::clicked, this, [this] {
        if (!CanRun())
            return;
        host_.SyncFromControls();
        if (EditSlideDurations(host_.dialogParent(), project(), S(host_.IntervalText())))
            ReloadList();
    });
    col->addWidget(btnSlideTime_);

    // Ticking the caption-from-name box (not while a project is read)
    // replaces every caption by the photo's file name.
    chkNameAsCaption_ = BindCheck("取图片文件名作为静态文字", &Project::FilenameAsCaption);
    connect(chkNameAsCaption_, &QCheckBox::toggled, this, [this](bool on) {
        if (!on || loading() || project().photos.empty())
            return;
        CaptionsFromFileNames(project());
        ShowCurrent();
    });
    col->addWidget(chkNameAsCaption_);
    col->addStretch(1);
    l->addLayout(col);
}

PhotoPage::~PhotoPage() = default;

// ---------------------------------------------------------------- commands

void PhotoPage::AddPhotosCommand() {
    if (!CanRun())
        return;
    QStringList chosen = host_.ChooseOpenPaths("添加图片文件", kPhotoFilter, addFolder_);
    if (chosen.isEmpty())
        return;
    std::vector<std::string> paths;
    for (const QString& c : chosen)
        paths.push_back(S(c));
    AddPhotoPaths(paths);
}

void PhotoPage::AddFolderCommand() {
    if (!CanRun())
        return;
    QString folder = host_.ChooseFolder("请选择图片目录", folderToBrowse_);
    if (folder.isEmpty())
        return;
    std::string f = WithTrailingSlash(S(folder));
    folderToBrowse_ = Q(f);
    AddPhotoPaths(FolderPhotos(f));
}

void PhotoPage::AddPhotoPaths(const std::vector<std::string>& paths) {
    if (!CanRun() || paths.empty())
        return;
    BusyScope busy(session());
    const size_t before = project().photos.size();
    std::unique_ptr<Progress> progress;
    if (paths.size() > 1) {
        progress = MakeListProgress(host_.dialogParent());
        progress->InitProgress("添加图片");
    }
    AddResult r = AddPhotos(project(), session().environment(), paths, progress.get());
    if (progress)
        progress->Finish();
    progress.reset();
    for (size_t i = before; i < project().photos.size(); ++i)
        list_->addItem(Q(project().photos[i].ImgName));
    if (!r.lastOffered.empty())
        addFolder_ = Q(FolderOf(r.lastOffered));
    RebuildThumbnails();
    emit listChanged();
}

void PhotoPage::DeleteSelected() {
    if (!CanRun())
        return;
    BusyScope busy(session());
    int count = project().NowI();
    std::vector<size_t> removed = DeletePhotos(project(), SelectedRows(list_));
    if (removed.empty())
        return;
    {
        LoadingScope loading(session());
        for (size_t k : removed) {
            thumbs_->OnDeleted(static_cast<int>(k) + 1, count--);
            delete list_->takeItem(static_cast<int>(k));
        }
    }
    session().ClampCurrentPhoto();
    strip_->FitRange();
    strip_->Update();
    ShowCurrent();
    emit listChanged();
}

void PhotoPage::MoveSelected(bool up) {
    if (!CanRun() || list_->count() < 2)
        return;
    BusyScope busy(session());
    std::vector<bool> marks = SelectionMarks(list_);
    std::vector<Swap> swaps =
        up ? MoveSelectedUp(project().photos, marks) : MoveSelectedDown(project().photos, marks);
    if (swaps.empty())
        return;
    {
        LoadingScope loading(session());
        for (const Swap& s : swaps) {
            thumbs_->OnSwapped(static_cast<int>(s.a) + 1);
            QListWidgetItem* a = list_->item(static_cast<int>(s.a));
            QListWidgetItem* b = list_->item(static_cast<int>(s.a) + 1);
            QIcon ia = a->icon();
            a->setIcon(b->icon());
            b->setIcon(ia);
        }
        for (int i = 0; i < list_->count(); ++i) {
            list_->item(i)->setText(Q(project().photos[static_cast<size_t>(i)].ImgName));
            list_->item(i)->setSelected(marks[static_cast<size_t>(i)]);
        }
    }
    const int current = session().currentPhoto();
    session().SetCurrentPhoto(up ? std::max(1, current - 1)
                                 : std::min(project().NowI(), current + 1));
    strip_->Update();
    ShowCurrent();
}

void PhotoPage::Clear(bool silent) {
    if (list_->count() == 0 && project().photos.empty())
        return;
    if (!silent &&
        host_.Ask("你确定要从列表中清空所有图片吗？", QMessageBox::Ok | QMessageBox::Cancel,
                  QMessageBox::Information) != QMessageBox::Ok)
        return;
    loader_->Cancel();
    thumbs_->Clear(project().NowI());
    {
        LoadingScope loading(session());
        list_->clear();
    }
    ClearPhotos(project());
    addFolder_.clear();
    std::error_code ec;
    std::filesystem::remove(session().files().temp + "icofinal.ico", ec);
    strip_->Reset();
    session().SetCurrentPhoto(0);
    strip_->Update();
    emit listChanged();
}

// ---------------------------------------------------------------- list and thumbnails

void PhotoPage::ReloadList() {
    LoadingScope loading(session());
    list_->clear();
    for (const auto& p : project().photos)
        list_->addItem(Q(p.ImgName));
    session().ClampCurrentPhoto();
}

void PhotoPage::SelectRows(const std::vector<size_t>& rows) {
    LoadingScope loading(session());
    list_->clearSelection();
    for (size_t k : rows)
        if (QListWidgetItem* item = list_->item(static_cast<int>(k)))
            item->setSelected(true);
}

void PhotoPage::RebuildThumbnails() {
    loader_->setCellSize(ThumbnailStrip::kCellSize);
    loader_->Cancel();
    for (int k = 1; k <= project().NowI(); ++k)
        if (!thumbs_->Has(k))
            loader_->Request(Q(project().photos[static_cast<size_t>(k - 1)].ImgName));
    strip_->FitRange();
    if (project().NowI() > 0) {
        session().SetCurrentPhoto(1);
        SelectRow(0);
    }
    strip_->Update();
    ShowCurrent();
}

void PhotoPage::StopThumbnails() {
    loader_->Cancel();
}

void PhotoPage::OnThumbnailReady(const QString& path, const QImage& image) {
    const std::string p = S(path);
    int k = 0;
    for (size_t i = 0; i < project().photos.size(); ++i) {
        if (project().photos[i].ImgName == p) {
            k = static_cast<int>(i) + 1;
            break;
        }
    }
    if (k == 0 || image.isNull())
        return;
    thumbs_->Store(k, image);
    if (QListWidgetItem* item = list_->item(k - 1))
        item->setIcon(QIcon(QPixmap::fromImage(
            image.scaled(list_->iconSize(), Qt::KeepAspectRatio, Qt::FastTransformation))));
    if (strip_->InView(k))
        strip_->Update();
}

// ---------------------------------------------------------------- selection

void PhotoPage::SelectRow(int row) {
    LoadingScope loading(session());
    list_->clearSelection();
    if (QListWidgetItem* item = list_->item(row)) {
        item->setSelected(true);
        list_->setCurrentItem(item, QItemSelectionModel::NoUpdate);
    }
}

void PhotoPage::OnSelectionChanged() {
    if (loading())
        return;
    auto rows = SelectedRows(list_);
    if (rows.size() != 1)
        return;
    session().SetCurrentPhoto(static_cast<int>(rows[0]) + 1);
    ShowCurrent();
    strip_->Reveal(session().currentPhoto());
    strip_->Update();
}

void PhotoPage::ShowCurrent() {
    emit currentPhotoChanged();
}

bool PhotoPage::eventFilter(QObject* watched, QEvent* event) {
    if (HandleFileDrop(
            list_, watched, event, IsDroppedPhoto, [this] { return CanRun(); },
            [this](const std::vector<std::string>& paths) { AddPhotoPaths(paths); }))
        return true;
    return EditorPage::eventFilter(watched, event);
}

}  // namespace velmora::editor
