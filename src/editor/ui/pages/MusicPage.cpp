#include "editor/ui/pages/MusicPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

#include "editor/lists/MediaLists.h"
#include "editor/lists/SongCheck.h"
#include "editor/ui/ListProgress.h"
#include "editor/ui/pages/Durations.h"
#include "editor/ui/pages/ListRows.h"
#include "project/Catalogues.h"

namespace velmora::editor {

namespace {

const char* const kSongFilter =
    "所有可支持格式 (*.Mid *.Wav *.Mp3 *.Wma);;Mpeg音频文件(*.Mp3) (*.Mp3);;"
    "Windows Media 音频文件(*.Wma) (*.Wma);;波形文件(*.Wav) (*.Wav);;MIDI文件(*.Mid) (*.Mid)";

}  // namespace

MusicPage::MusicPage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* l = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setUniformItemSizes(true);
    list_->setAcceptDrops(true);
    list_->viewport()->setAcceptDrops(true);
    list_->viewport()->installEventFilter(this);
    top->addWidget(list_, 1);
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
    btnAdd_ = command("添加音乐", "添加背景音乐(.mp3, .wma, .wav, .mid)到图片幻灯中",
                      [this] { AddSongsCommand(); });
    btnUp_ =
        command("上移", "将当前选中的音乐文件在列表顺序中上移一位", [this] { MoveSelected(true); });
    btnDown_ = command("下移", "将当前选中的音乐文件在列表顺序中下移一位",
                       [this] { MoveSelected(false); });
    btnRemove_ = command("删除", "从列表中删除当前选中的音乐文件", [this] { DeleteSelected(); });
    btnClear_ = command("清空", "从列表中清除所有音乐文件", [this] { Clear(false); });
    col->addStretch(1);
    top->addLayout(col);
    l->addLayout(top, 1);

    auto* order = new QGroupBox("播放顺序");
    auto* ol = new QVBoxLayout(order);
    auto* orderGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(Q(kPlayMusicOrders[static_cast<size_t>(i)]));
        optPlayOrder_[static_cast<size_t>(i)] = r;
        orderGroup->addButton(r, i);
        ol->addWidget(r);
    }
    connect(orderGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !loading())
            project().PlayMusicOrder = id;
    });
    l->addWidget(order);
    l->addWidget(BindCheck("静音(禁止播放音乐)", &Project::MuteSound));

    auto* timing = new QGroupBox("播放时间");
    auto* tl = new QGridLayout(timing);
    optSync_ = new QRadioButton("根据音乐的总长度自动计算每张图片的显示时间");
    optFixed_ = new QRadioButton("每张图片显示的时间（秒）：");
    auto* syncGroup = new QButtonGroup(this);
    syncGroup->addButton(optSync_);
    syncGroup->addButton(optFixed_);
    txtInterval_ = new QLineEdit("12");
    txtOpeningTime_ = new QLineEdit("8");
    txtEndingTime_ = new QLineEdit("8");
    connect(optSync_, &QRadioButton::toggled, this, [this](bool on) {
        txtInterval_->setEnabled(!on);
        if (!loading())
            project().EnableSync = on;
    });
    auto bindTime = [this](QLineEdit* e, float Project::*field) {
        connect(e, &QLineEdit::editingFinished, this, [this, e, field] {
            if (!loading())
                project().*field = ParseDuration(e->text(), project().*field);
        });
    };
    bindTime(txtInterval_, &Project::TimeInterval);
    bindTime(txtOpeningTime_, &Project::OpeningDurationTime);
    bindTime(txtEndingTime_, &Project::EndingDurationTime);
    tl->addWidget(optSync_, 0, 0, 1, 2);
    tl->addWidget(optFixed_, 1, 0);
    tl->addWidget(txtInterval_, 1, 1);
    tl->addWidget(new QLabel("片头显示时间（秒）："), 2, 0);
    tl->addWidget(txtOpeningTime_, 2, 1);
    tl->addWidget(new QLabel("片尾显示时间（秒）："), 3, 0);
    tl->addWidget(txtEndingTime_, 3, 1);
    l->addWidget(timing);
}

QString MusicPage::intervalText() const {
    return txtInterval_->text();
}

void MusicPage::Refresh() {
    EditorPage::Refresh();
    optPlayOrder_[static_cast<size_t>(std::clamp(project().PlayMusicOrder, 0, 2))]->setChecked(
        true);
    txtInterval_->setText(DurationText(project().TimeInterval));
    txtOpeningTime_->setText(DurationText(project().OpeningDurationTime));
    txtEndingTime_->setText(DurationText(project().EndingDurationTime));
    optSync_->setChecked(project().EnableSync);
    optFixed_->setChecked(!project().EnableSync);
    txtInterval_->setEnabled(!project().EnableSync);
}

void MusicPage::Sync() {
    Project& p = project();
    p.TimeInterval = ParseDuration(txtInterval_->text(), p.TimeInterval);
    p.OpeningDurationTime = ParseDuration(txtOpeningTime_->text(), p.OpeningDurationTime);
    p.EndingDurationTime = ParseDuration(txtEndingTime_->text(), p.EndingDurationTime);
}

// ---------------------------------------------------------------- commands

void MusicPage::AddSongsCommand() {
    if (!CanRun())
        return;
    QStringList chosen = host_.ChooseOpenPaths("添加音乐文件", kSongFilter, addFolder_);
    if (chosen.isEmpty())
        return;
    std::vector<std::string> paths;
    for (const QString& c : chosen)
        paths.push_back(S(c));
    AddSongPaths(paths);
}

void MusicPage::AddSongPaths(const std::vector<std::string>& paths) {
    if (!CanRun() || paths.empty())
        return;
    BusyScope busy(session());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<Progress> progress;
    if (paths.size() > 1) {
        progress = MakeListProgress(host_.dialogParent());
        progress->InitProgress("添加音乐");
    }
    AddResult r = AddSongs(
        project(), paths, progress.get(), CheckSong,
        [this](const std::string& song) { return LyricFileForSong(song, project().LyricFolder); });
    if (progress)
        progress->Finish();
    progress.reset();
    QGuiApplication::restoreOverrideCursor();
    if (!r.lastOffered.empty())
        addFolder_ = Q(FolderOf(r.lastOffered));
    SongsChanged();
}

void MusicPage::DeleteSelected() {
    if (!CanRun())
        return;
    BusyScope busy(session());
    if (DeleteSongs(project(), SelectedRows(list_)).empty())
        return;
    SongsChanged();
    if (list_->count() > 0)
        list_->setCurrentRow(0);
}

void MusicPage::MoveSelected(bool up) {
    if (!CanRun() || list_->count() < 2)
        return;
    BusyScope busy(session());
    std::vector<bool> marks = SelectionMarks(list_);
    auto swaps =
        up ? MoveSelectedUp(project().songs, marks) : MoveSelectedDown(project().songs, marks);
    if (swaps.empty())
        return;
    for (int i = 0; i < list_->count(); ++i) {
        list_->item(i)->setText(Q(project().songs[static_cast<size_t>(i)]));
        list_->item(i)->setSelected(marks[static_cast<size_t>(i)]);
    }
}

void MusicPage::Clear(bool silent) {
    if (list_->count() == 0 && project().songs.empty())
        return;
    if (!silent &&
        host_.Ask("你确定要从列表中清空所有音乐文件吗？", QMessageBox::Ok | QMessageBox::Cancel,
                  QMessageBox::Information) != QMessageBox::Ok)
        return;
    ClearSongs(project());
    SongsChanged();
}

void MusicPage::SongsChanged() {
    ReloadList(false);
    emit lyricFilesChanged();
}

void MusicPage::ReloadList(bool selectFirst) {
    LoadingScope loading(session());
    list_->clear();
    for (const auto& s : project().songs)
        list_->addItem(Q(s));
    if (selectFirst && list_->count() > 0)
        list_->setCurrentRow(0);
}

void MusicPage::SelectRows(const std::vector<size_t>& rows) {
    LoadingScope loading(session());
    list_->clearSelection();
    for (size_t k : rows)
        if (QListWidgetItem* item = list_->item(static_cast<int>(k)))
            item->setSelected(true);
}

bool MusicPage::eventFilter(QObject* watched, QEvent* event) {
    if (HandleFileDrop(
            list_, watched, event, IsDroppedSong, [this] { return CanRun(); },
            [this](const std::vector<std::string>& paths) { AddSongPaths(paths); }))
        return true;
    return EditorPage::eventFilter(watched, event);
}

}  // namespace velmora::editor
