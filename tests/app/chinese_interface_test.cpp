// The interface speaks Chinese: the font choice never takes a face that draws
// boxes, the face chosen on this machine really draws Chinese, and Qt's own
// dialogs and buttons come out in Chinese.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRawFont>

#include "app/InterfaceFont.h"
#include "app/ui/ChineseInterface.h"

using namespace velmora;

namespace {

QApplication* App() {
    static int argc = 1;
    static char name[] = "test_chinese_interface";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

FontFace Face(std::string family, bool covers, bool zhCn = true, std::string style = "Regular",
              int weight = 80, bool mono = false, bool upright = true) {
    FontFace f;
    f.family = std::move(family);
    f.style = std::move(style);
    f.coversSample = covers;
    f.simplifiedChinese = zhCn;
    f.weight = weight;
    f.monospace = mono;
    f.upright = upright;
    return f;
}

}  // namespace

TEST(InterfaceFont, ChoosesOnlyAFaceThatDrawsTheSample) {
    struct Case {
        const char* what;
        std::vector<FontFace> faces;
        const char* family;  // nullptr: none
        const char* style;
    };
    const std::vector<Case> cases = {
        {"nothing installed", {}, nullptr, nullptr},
        {"Latin faces only",
         {Face("DejaVu Sans", false, false), Face("Liberation Sans", false, false)},
         nullptr,
         nullptr},
        {"a preferred name that lacks the glyphs loses to an unknown face that has them",
         {Face("Noto Sans CJK SC", false), Face("Some Hei", true, false)},
         "Some Hei",
         "Regular"},
        {"the Simplified Chinese sans face among the Noto CJK variants",
         {Face("DejaVu Sans", false, false), Face("Noto Serif CJK SC", true),
          Face("Noto Sans CJK JP", true, true),
          Face("Noto Sans Mono CJK SC", true, true, "Regular", 80, true),
          Face("Noto Sans CJK SC", true, true, "Bold", 200), Face("Noto Sans CJK SC", true)},
         "Noto Sans CJK SC",
         "Regular"},
        {"a preferred family before an unlisted one",
         {Face("AAA Chinese", true), Face("WenQuanYi Zen Hei", true)},
         "WenQuanYi Zen Hei",
         "Regular"},
        {"unlisted faces: zh-cn, proportional, upright, regular weight",
         {Face("A Mono", true, true, "Regular", 80, true), Face("B Japanese", true, false),
          Face("C Italic", true, true, "Italic", 80, false, false),
          Face("D Heavy", true, true, "Black", 210), Face("E Song", true, true, "Light", 50),
          Face("F Song", true, true, "Book", 80)},
         "F Song",
         "Book"},
    };
    for (const Case& c : cases) {
        auto got = ChooseInterfaceFace(c.faces);
        if (!c.family) {
            EXPECT_FALSE(got.has_value()) << c.what << ": " << (got ? got->family : "");
            continue;
        }
        ASSERT_TRUE(got.has_value()) << c.what;
        EXPECT_EQ(got->family, c.family) << c.what;
        EXPECT_EQ(got->style, c.style) << c.what;
    }
}

TEST(InterfaceFont, TheFaceChosenHereDrawsChinese) {
    App();
    std::vector<FontFace> faces = InstalledFaces();
    ASSERT_FALSE(faces.empty()) << "fontconfig lists no fonts";
    for (const FontFace& f : faces) {
        if (f.family == "DejaVu Sans") {
            EXPECT_FALSE(f.coversSample) << "a Latin face does not draw the sample";
        }
    }
    ASSERT_TRUE(ChooseInterfaceFace(faces).has_value())
        << "no Chinese font installed (the setup installs fonts-noto-cjk)";
    const QString family = ApplyInterfaceFont();
    ASSERT_FALSE(family.isEmpty());
    EXPECT_EQ(QApplication::font().family(), family);
    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::NoFontMerging);
    QRawFont raw = QRawFont::fromFont(font);
    ASSERT_TRUE(raw.isValid());
    for (char32_t c : kInterfaceSample)
        EXPECT_TRUE(raw.supportsCharacter(static_cast<uint>(c)))
            << std::hex << static_cast<uint32_t>(c);
}

TEST(QtTranslations, StandardButtonsAndTheFileDialogSpeakChinese) {
    QApplication* app = App();
    ASSERT_TRUE(InstallQtChineseTranslations(*app))
        << "qtbase_zh_CN.qm missing (the setup installs qt6-translations-l10n)";
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));

    // The program's own (non-native) file dialog.
    QFileDialog dialog(nullptr, QStringLiteral("打开"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QStringList texts;
    for (QAbstractButton* b : buttons->buttons())
        texts << b->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("取消"))) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("打开(&O)")) ||
                texts.contains(QStringLiteral("打开")))
        << texts.join('|').toStdString();
    QStringList labels;
    for (QLabel* l : dialog.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_FALSE(labels.contains(QStringLiteral("Look in:"))) << labels.join('|').toStdString();
    EXPECT_FALSE(labels.contains(QStringLiteral("File &name:"))) << labels.join('|').toStdString();
}
