// The per-photo duration dialog driven through its controls (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "editor/ui/FrmSetSlideTime.h"
#include "project/Project.h"

using namespace velmora;
using namespace velmora::editor;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "test_editor_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

FrmSetSlideTime::Inputs FourPhotos(std::vector<std::string> songs) {
    FrmSetSlideTime::Inputs in;
    in.photoPaths = {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg"};
    in.slideDurations = {"", "7.5", "", ""};
    in.songPaths = std::move(songs);
    in.intervalText = "12";
    return in;
}

// Song lengths by name; "bad" cannot be measured.
std::optional<double> FakeMeasure(const std::string& path, std::string*) {
    if (path.find("fifty") != std::string::npos)
        return 50.0;
    if (path.find("thirty") != std::string::npos)
        return 30.0;
    return std::nullopt;
}

std::string Text(const QString& s) {
    return s.toStdString();
}

// Replaces the selection in one step, as a Shift or Ctrl click does.
void SelectRows(QListWidget* list, std::initializer_list<int> rows) {
    QItemSelection sel;
    for (int r : rows) {
        QModelIndex i = list->model()->index(r, 0);
        sel.select(i, i);
    }
    list->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

}  // namespace

TEST(FrmSetSlideTime, OpensWithTheWorkingValues) {
    EnsureApp();
    FrmSetSlideTime dlg(FourPhotos({"/m/fifty.mp3"}), nullptr, FakeMeasure);
    EXPECT_EQ(Text(dlg.windowTitle()), "设置图片的持续/间隔时间");
    ASSERT_EQ(dlg.ListPhotos->count(), 4);
    EXPECT_EQ(Text(dlg.ListPhotos->item(0)->text()), "a.jpg: 12 秒");
    EXPECT_EQ(Text(dlg.ListPhotos->item(1)->text()), "b.jpg: 7.5 秒");
    EXPECT_TRUE(dlg.ListPhotos->item(0)->isSelected());
    EXPECT_EQ(Text(dlg.TxtTime->text()), "12");
    EXPECT_TRUE(dlg.OptSetTime->isChecked());
    EXPECT_TRUE(dlg.LblAverage->isHidden());
    EXPECT_FALSE(dlg.ListSongs->isEnabled());
    EXPECT_EQ(Text(dlg.ListSongs->item(0)->text()), "fifty.mp3");
    EXPECT_TRUE(dlg.OptAverage->isEnabled());
    SelectRows(dlg.ListPhotos, {1});
    EXPECT_EQ(Text(dlg.TxtTime->text()), "7.5");

    FrmSetSlideTime none(FourPhotos({}), nullptr, FakeMeasure);
    ASSERT_EQ(none.ListSongs->count(), 1);
    EXPECT_EQ(Text(none.ListSongs->item(0)->text()), "无音乐");
    EXPECT_FALSE(none.OptAverage->isEnabled());
}

TEST(FrmSetSlideTime, AverageOverTheSelectedPhotos) {
    EnsureApp();
    FrmSetSlideTime dlg(FourPhotos({"/m/fifty.mp3", "/m/thirty.mp3", "/m/bad.mp3"}), nullptr,
                        FakeMeasure);
    SelectRows(dlg.ListPhotos, {0, 1, 2, 3});
    dlg.OptAverage->click();
    EXPECT_FALSE(dlg.LblAverage->isHidden());
    EXPECT_TRUE(dlg.ListSongs->isEnabled());
    EXPECT_TRUE(dlg.ListSongs->item(0)->isSelected());
    EXPECT_EQ(Text(dlg.TxtTime->text()), "12.5");
    EXPECT_EQ(Text(dlg.LblAverage->text()), "图片 4 张 * 平均时间: 12.5秒 = 歌曲长度: 50秒");
    // Recomputed when the photo or song selection changes.
    SelectRows(dlg.ListPhotos, {0, 2, 3});
    EXPECT_EQ(Text(dlg.TxtTime->text()), "16.667");
    SelectRows(dlg.ListSongs, {1});
    EXPECT_EQ(Text(dlg.TxtTime->text()), "10");
    EXPECT_EQ(Text(dlg.LblAverage->text()), "图片 3 张 * 平均时间: 10秒 = 歌曲长度: 30秒");
    // A song that cannot be measured: said in the line, the box stays.
    SelectRows(dlg.ListSongs, {2});
    EXPECT_EQ(Text(dlg.LblAverage->text()), "无法读取歌曲长度：bad.mp3");
    EXPECT_EQ(Text(dlg.TxtTime->text()), "10");
    // Still usable: save the average into the selected photos.
    dlg.CmdSave->click();
    EXPECT_EQ(dlg.workingList(), (std::vector<std::string>{"10", "7.5", "10", "10"}));
    EXPECT_EQ(Text(dlg.ListPhotos->item(2)->text()), "c.jpg: 10 秒");
    // Back to the first option: the average line hides, songs disabled.
    dlg.OptSetTime->click();
    EXPECT_TRUE(dlg.LblAverage->isHidden());
    EXPECT_FALSE(dlg.ListSongs->isEnabled());
}

TEST(FrmSetSlideTime, DurationBoxInputRules) {
    EnsureApp();
    FrmSetSlideTime dlg(FourPhotos({}), nullptr, FakeMeasure);
    dlg.TxtTime->clear();
    QTest::keyClicks(dlg.TxtTime, "a1b.5-x");
    EXPECT_EQ(Text(dlg.TxtTime->text()), "1.5");
    QTest::keyClick(dlg.TxtTime, Qt::Key_Backspace);
    EXPECT_EQ(Text(dlg.TxtTime->text()), "1.");
    QKeyEvent han(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("中"));
    QApplication::sendEvent(dlg.TxtTime, &han);
    EXPECT_EQ(Text(dlg.TxtTime->text()), "1.");
    // Leaving the box normalises it (fallback "10", at least 5).
    struct Case {
        const char* typed;
        const char* left;
    };
    for (const Case& c :
         {Case{"3", "5"}, Case{"07", "10"}, Case{"12.34567", "12.346"}, Case{"", "10"}}) {
        dlg.TxtTime->setText(QString::fromUtf8(c.typed));
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(dlg.TxtTime, &out);
        EXPECT_EQ(Text(dlg.TxtTime->text()), c.left) << c.typed;
    }
    // Save normalises with the interval text as fallback.
    SelectRows(dlg.ListPhotos, {0, 3});
    dlg.TxtTime->setText("abc");
    dlg.CmdSave->click();
    EXPECT_EQ(dlg.workingList(), (std::vector<std::string>{"12", "7.5", "", "12"}));
    dlg.TxtTime->setText("4");
    dlg.CmdSave->click();
    EXPECT_EQ(dlg.workingList()[0], "5");
}

TEST(FrmSetSlideTime, MainListFollowsTheSingleSelection) {
    EnsureApp();
    FrmSetSlideTime dlg(FourPhotos({}), nullptr, FakeMeasure);
    std::vector<int> followed;
    dlg.SetPhotoFollower([&](int i) { followed.push_back(i); });
    SelectRows(dlg.ListPhotos, {2});
    SelectRows(dlg.ListPhotos, {1, 2});  // several: no follow
    SelectRows(dlg.ListPhotos, {3});
    EXPECT_EQ(followed, (std::vector<int>{2, 3}));
}

namespace {

// Runs EditSlideDurations and acts on the dialog once it shows.
bool RunDialog(Project& p, const std::function<void(FrmSetSlideTime&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dlg = dynamic_cast<FrmSetSlideTime*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        act(*dlg);
    });
    return EditSlideDurations(nullptr, p, "12");
}

Project FourPhotoProject() {
    Project p = MakeDefaultProject(ProjectEnvironment());
    for (const char* n : {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg"})
        p.photos.push_back(NewPhotoEntry(n, p, ProjectEnvironment()));
    p.photos[1].SlideDuration = "7.5";
    p.EnableSync = false;
    return p;
}

}  // namespace

TEST(FrmSetSlideTime, SaveThenCancelChangesNothingSaveThenSetApplies) {
    EnsureApp();
    Project p = FourPhotoProject();
    bool accepted = RunDialog(p, [](FrmSetSlideTime& d) {
        SelectRows(d.ListPhotos, {0, 1});
        d.TxtTime->setText("20");
        d.CmdSave->click();
        d.CmdCancel->click();
    });
    EXPECT_FALSE(accepted);
    EXPECT_EQ(p.photos[0].SlideDuration, "");
    EXPECT_EQ(p.photos[1].SlideDuration, "7.5");

    accepted = RunDialog(p, [](FrmSetSlideTime& d) {
        SelectRows(d.ListPhotos, {0, 1});
        d.TxtTime->setText("20");
        d.CmdSave->click();
        d.CmdSet->click();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(p.photos[0].SlideDuration, "20");
    EXPECT_EQ(p.photos[1].SlideDuration, "20");
    EXPECT_EQ(p.photos[2].SlideDuration, "");

    // Refused while sync is on, and without photos.
    p.EnableSync = true;
    EXPECT_FALSE(EditSlideDurations(nullptr, p, "12"));
    Project empty = MakeDefaultProject(ProjectEnvironment());
    empty.EnableSync = false;
    EXPECT_FALSE(EditSlideDurations(nullptr, empty, "12"));
}
