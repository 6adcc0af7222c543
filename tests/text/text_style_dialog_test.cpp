// The text style dialog: what it shows for a stored style, what a choice
// stores, what each target may change, and that OK alone writes back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "project/Project.h"
#include "render/TextStyleChoices.h"
#include "render/ui/TextStyleDialog.h"

using namespace velmora;
using namespace velmora::render;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

Project Sample() {
    ProjectEnvironment env;
    env.defaultFace = "Noto Sans CJK SC";
    return MakeDefaultProject(env);
}

template <class W>
W* Child(QWidget& d, const char* name) {
    W* w = d.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void Pick(QComboBox* c, int index) {
    c->setCurrentIndex(index);
    emit c->activated(index);
}

}  // namespace

TEST(TextStyleChoices, ListsAndCodes) {
    EXPECT_EQ(FontSizeChoices(1).front(), 16);
    EXPECT_EQ(FontSizeChoices(1).back(), 112);
    EXPECT_EQ(FontSizeChoices(4).back(), 200);
    EXPECT_EQ(FillPatternNames(1).size(), 10u);
    EXPECT_EQ(FillPatternNames(2).size(), 9u);
    // Target 2 has no rainbow entry: its positions skip code 2.
    EXPECT_EQ(FillPatternPosition(2, 6), 2);
    EXPECT_EQ(FillPatternPosition(2, 2), 0);
    EXPECT_EQ(FillPatternCode(2, 1), 4);
    EXPECT_EQ(FillPatternCode(2, 0), 0);
    for (int target : {1, 3, 4, 5})
        for (int pos = 0; pos < 10; ++pos)
            EXPECT_EQ(FillPatternPosition(target, FillPatternCode(target, pos)), pos);
    for (int pos = 0; pos < 9; ++pos)
        EXPECT_EQ(FillPatternPosition(2, FillPatternCode(2, pos)), pos);
    EXPECT_EQ(FillPatternPosition(1, 7), -1);
    EXPECT_EQ(FillPatternPosition(1, 20), -1);
}

TEST(TextStyleDialog, ShowsTheStoredStyle) {
    App();
    Project p = Sample();
    p.style(2).fFontPattern = 6;
    p.style(2).fFontSize = 64;
    TextStyleDialog d(p, 2);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("选择字体风格"));
    EXPECT_EQ(Child<QComboBox>(d, "ListPattern")->currentText(), QStringLiteral("上下渐变"));
    EXPECT_EQ(Child<QComboBox>(d, "ListSize")->currentText(), QStringLiteral("64"));
    EXPECT_EQ(Child<QComboBox>(d, "ListStyle")->currentText(), QStringLiteral("粗体"));
    EXPECT_EQ(Child<QListWidget>(d, "ListName")->currentItem()->text(),
              QStringLiteral("Noto Sans CJK SC"));
    EXPECT_FALSE(Child<QComboBox>(d, "ListAlign")->isEnabled()) << "alignment: captions only";
    EXPECT_EQ(Child<QComboBox>(d, "ListSize")->count(), 13);
}

TEST(TextStyleDialog, ChoicesStoreOnlyOnOk) {
    App();
    Project p = Sample();
    const Project before = p;
    {
        TextStyleDialog d(p, 2);
        Pick(Child<QComboBox>(d, "ListPattern"), 1);  // "左右渐变"
        d.reject();
        // Not stored: the project is untouched.
    }
    EXPECT_EQ(p.style(2), before.style(2));
    TextStyleDialog d(p, 2);
    Pick(Child<QComboBox>(d, "ListPattern"), 1);
    Pick(Child<QComboBox>(d, "ListBorderSize"), 5);
    Pick(Child<QComboBox>(d, "ListStyle"), 3);
    Child<QComboBox>(d, "ListSize")->setCurrentText("88");
    d.chooseColour = [](const QColor&, const QString&) { return QColor(0x11, 0x22, 0x33); };
    Child<QPushButton>(d, "LblEndColor")->click();
    d.StoreInto(p, 0);
    const TextStyle& s = p.style(2);
    EXPECT_EQ(s.fFontPattern, 4);
    EXPECT_EQ(s.fBorderWidth, 5);
    EXPECT_EQ(s.fFontStyle, 3);
    EXPECT_EQ(s.fFontSize, 88);
    EXPECT_EQ(s.FontEndColor, 0x332211);  // 0x00BBGGRR
}

TEST(TextStyleDialog, UnknownFontSelectsNothingAndStaysUnchanged) {
    App();
    Project p = Sample();
    p.style(1).fFontName = "No Such Font";
    TextStyleDialog d(p, 1);
    EXPECT_EQ(Child<QListWidget>(d, "ListName")->currentItem(), nullptr);
    Pick(Child<QComboBox>(d, "ListAlign"), 8);
    d.StoreInto(p, 0);
    EXPECT_EQ(p.style(1).fFontName, "No Such Font");
    EXPECT_EQ(p.style(1).fFontAlign, 8);
}

TEST(TextStyleDialog, DynamicLyricTargetChangesPatternAndColoursOnly) {
    App();
    Project p = Sample();
    TextStyleDialog d(p, 5);
    EXPECT_FALSE(Child<QListWidget>(d, "ListName")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(d, "ListSize")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(d, "ListBorderSize")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(d, "LblBorderColor")->isEnabled());
    EXPECT_TRUE(Child<QComboBox>(d, "ListPattern")->isEnabled());
    EXPECT_EQ(Child<QComboBox>(d, "ListPattern")->currentText(), QStringLiteral("上下渐变"));
    Pick(Child<QComboBox>(d, "ListPattern"), 0);
    d.chooseColour = [](const QColor&, const QString&) { return QColor(255, 0, 0); };
    Child<QPushButton>(d, "LblStartColor")->click();
    const TextStyle lyricSlot = p.style(3);
    d.StoreInto(p, 0);
    EXPECT_EQ(p.LyricDynamicFontPattern, 0);
    EXPECT_EQ(p.LyricDynamicFontStartColor, 0x0000FF);
    EXPECT_EQ(p.style(3), lyricSlot);
}

TEST(TextStyleDialog, SampleFollowsTheWorkingCopy) {
    App();
    Project p = Sample();
    TextStyleDialog d(p, 3);
    const QImage first = d.sampleImage();
    ASSERT_FALSE(first.isNull());
    Pick(Child<QComboBox>(d, "ListPattern"), 3);
    EXPECT_NE(d.sampleImage(), first);
    if (const char* out = std::getenv("VELMORA_SCREENSHOT_DIR")) {
        d.show();
        QApplication::processEvents();
        d.grab().save(QString::fromUtf8(out) + "/text_style_dialog.png");
    }
}
