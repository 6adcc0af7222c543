#include "editor/ui/FrmSetSlideTime.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "audio/SongLength.h"
#include "base/FileUtil.h"
#include "editor/SlideTiming.h"
#include "project/Project.h"

namespace velmora::editor {

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string S(const QString& s) {
    return s.toUtf8().toStdString();
}

}  // namespace

FrmSetSlideTime::FrmSetSlideTime(Inputs in, QWidget* parent, MeasureFn measure)
    : QDialog(parent), in_(std::move(in)), measure_(std::move(measure)) {
    if (!measure_)
        measure_ = [](const std::string& p, std::string* e) { return audio::SongLength(p, e); };
    working_ = in_.slideDurations;
    working_.resize(in_.photoPaths.size());
    setWindowTitle(QStringLiteral("设置图片的持续/间隔时间"));
    setModal(true);

    ListPhotos = new QListWidget(this);
    ListPhotos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (size_t i = 0; i < in_.photoPaths.size(); ++i)
        ListPhotos->addItem(Q(SlideEntryText(in_.photoPaths[i], working_[i], in_.intervalText)));

    ListSongs = new QListWidget(this);
    ListSongs->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const auto& s : in_.songPaths)
        ListSongs->addItem(Q(FileNameOf(s)));
    if (in_.songPaths.empty())
        ListSongs->addItem(QStringLiteral("无音乐"));

    OptSetTime = new QRadioButton(QStringLiteral("为选定的图片设置持续/间隔时间"), this);
    OptAverage =
        new QRadioButton(QStringLiteral("根据选定的歌曲为选定的图片计算一个平均时间"), this);
    OptAverage->setEnabled(!in_.songPaths.empty());
    TxtTime = new QLineEdit(this);
    TxtTime->installEventFilter(this);
    LblAverage = new QLabel(this);
    CmdSave = new QPushButton(QStringLiteral(" 保存 "), this);
    CmdSet = new QPushButton(QStringLiteral(" 设置 "), this);
    CmdCancel = new QPushButton(QStringLiteral(" 取消 "), this);

    auto* notes = new QVBoxLayout;
    for (const char* t : {"注意：最少5秒", "一些较慢的切换效果需", "占用很多时间(> 5秒)，",
                          "尤其是在较慢的机器里", "按住Shift或Ctrl键可多选"})
        notes->addWidget(new QLabel(QString::fromUtf8(t), this));
    notes->addStretch();

    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(TxtTime);
    timeRow->addWidget(new QLabel(QStringLiteral("秒"), this));
    timeRow->addWidget(CmdSave);

    auto* grid = new QGridLayout;
    grid->addWidget(ListPhotos, 0, 0, 4, 1);
    grid->addWidget(OptSetTime, 0, 1);
    grid->addLayout(timeRow, 1, 1);
    grid->addWidget(OptAverage, 2, 1);
    grid->addWidget(ListSongs, 3, 1);
    grid->addWidget(LblAverage, 4, 0, 1, 2);
    grid->addLayout(notes, 0, 2, 4, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdSet);
    buttons->addWidget(CmdCancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    connect(OptSetTime, &QRadioButton::toggled, this, [this] { OnOptionChanged(); });
    connect(OptAverage, &QRadioButton::toggled, this, [this] { OnOptionChanged(); });
    connect(ListPhotos, &QListWidget::itemSelectionChanged, this,
            [this] { OnPhotoSelectionChanged(); });
    connect(ListSongs, &QListWidget::itemSelectionChanged, this, [this] {
        if (OptAverage->isChecked())
            RecomputeAverage();
    });
    connect(CmdSave, &QPushButton::clicked, this, [this] { Save(); });
    connect(CmdSet, &QPushButton::clicked, this, &QDialog::accept);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    OptSetTime->setChecked(true);
    OnOptionChanged();
    if (ListPhotos->count() > 0)
        ListPhotos->setCurrentRow(0);  // selects entry 1
    ShowSinglePhotoValue();
}

std::vector<int> FrmSetSlideTime::SelectedPhotos() const {
    std::vector<int> rows;
    for (int i = 0; i < ListPhotos->count(); ++i)
        if (ListPhotos->item(i)->isSelected())
            rows.push_back(i);
    return rows;
}

void FrmSetSlideTime::OnOptionChanged() {
    bool average = OptAverage->isChecked();
    LblAverage->setVisible(average);
    ListSongs->setEnabled(average);
    if (!average) {
        ShowSinglePhotoValue();
        return;
    }
    if (ListSongs->selectedItems().isEmpty() && ListSongs->count() > 0) {
        ListSongs->setCurrentRow(0);  // fires the song selection handler
        if (ListSongs->selectedItems().isEmpty())
            ListSongs->item(0)->setSelected(true);
    }
    RecomputeAverage();
}

void FrmSetSlideTime::ShowSinglePhotoValue() {
    auto rows = SelectedPhotos();
    if (rows.size() != 1 || !OptSetTime->isChecked())
        return;
    const std::string& v = working_[static_cast<size_t>(rows[0])];
    TxtTime->setText(Q(v.empty() ? in_.intervalText : v));
}

void FrmSetSlideTime::OnPhotoSelectionChanged() {
    auto rows = SelectedPhotos();
    if (OptAverage->isChecked())
        RecomputeAverage();
    else
        ShowSinglePhotoValue();
    if (rows.size() == 1 && rows[0] != lastSingle_) {
        lastSingle_ = rows[0];
        if (follow_)
            follow_(rows[0]);
    }
}

void FrmSetSlideTime::RecomputeAverage() {
    if (in_.songPaths.empty())
        return;
    int song = -1;
    for (int i = 0; i < ListSongs->count(); ++i) {
        if (ListSongs->item(i)->isSelected()) {
            song = i;
            break;
        }
    }
    if (song < 0 || song >= static_cast<int>(in_.songPaths.size()))
        return;
    const std::string& path = in_.songPaths[static_cast<size_t>(song)];
    auto cached = songCache_.find(song);
    if (cached == songCache_.end())
        cached = songCache_.emplace(song, measure_(path, nullptr)).first;
    if (!cached->second) {
        // The song cannot be measured: say so and leave the box as it is.
        LblAverage->setText(QStringLiteral("无法读取歌曲长度：") + Q(FileNameOf(path)));
        return;
    }
    auto rows = SelectedPhotos();
    if (rows.empty()) {
        LblAverage->setText(QStringLiteral("请选择图片"));
        return;
    }
    SlideAverage a = ComputeSlideAverage(*cached->second, static_cast<int>(rows.size()));
    TxtTime->setText(Q(a.boxText));
    LblAverage->setText(Q(a.line));
}

void FrmSetSlideTime::NormaliseBox(const std::string& fallback) {
    TxtTime->setText(Q(NormaliseDurationText(S(TxtTime->text()), fallback)));
}

void FrmSetSlideTime::Save() {
    NormaliseBox(in_.intervalText);
    std::string text = S(TxtTime->text());
    for (int row : SelectedPhotos()) {
        working_[static_cast<size_t>(row)] = text;
        ListPhotos->item(row)->setText(
            Q(SlideEntryText(in_.photoPaths[static_cast<size_t>(row)], text, in_.intervalText)));
    }
}

bool FrmSetSlideTime::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TxtTime) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Backspace)
                return false;
            QString t = key->text();
            // Keys that type a character are filtered; navigation keys
            // (arrows, Delete, Tab) type none and pass.
            if (!t.isEmpty() && !(t.size() == 1 && IsDurationKey(t[0].unicode())))
                return true;
        } else if (event->type() == QEvent::FocusOut) {
            NormaliseBox(kIntervalFallback);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool EditSlideDurations(QWidget* parent, Project& project, const std::string& intervalText,
                        std::function<void(int)> followPhoto) {
    if (!CanOpenSlideTimeDialog(project.EnableSync, project.NowI()))
        return false;
    FrmSetSlideTime::Inputs in;
    for (const auto& p : project.photos) {
        in.photoPaths.push_back(p.ImgName);
        in.slideDurations.push_back(p.SlideDuration);
    }
    in.songPaths = project.songs;
    in.intervalText = intervalText;
    FrmSetSlideTime dlg(std::move(in), parent);
    dlg.SetPhotoFollower(std::move(followPhoto));
    if (dlg.exec() != QDialog::Accepted)
        return false;
    const auto& w = dlg.workingList();
    for (size_t i = 0; i < project.photos.size() && i < w.size(); ++i)
        project.photos[i].SlideDuration = w[i];
    return true;
}

}  // namespace velmora::editor
