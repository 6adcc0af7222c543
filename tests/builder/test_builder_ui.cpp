#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <filesystem>

#include "BuilderTestSupport.h"
#include "package/PackageReader.h"
#include "builder/RenderImageConverter.h"
#include "builder/ui/BuildDialog.h"
#include "builder/ui/EditorBuild.h"
#include "builder/ui/FinishDialog.h"
#include "base/ui/ProgressOverlay.h"
#include "render/qt/QtImageCodec.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

QApplication& App() {
    static int argc = 1;
    static char name[] = "test_builder_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class BuilderUi : public ::testing::Test {
  protected:
    void SetUp() override { App(); }
};

TEST_F(BuilderUi, BuildDialogPreselectsTheRememberedChoice) {
    Project p = MakeDefaultProject(ProjectEnvironment{});
    struct Case {
        bool avi, package;
        BuildDialog::Choice want;
    };
    for (Case c : {Case{true, false, BuildDialog::Choice::ExportAvi},
                   Case{false, true, BuildDialog::Choice::Package},
                   Case{false, false, BuildDialog::Choice::LocalPlayback}}) {
        p.IsExportAvi = c.avi;
        p.IsPackage = c.package;
        BuildDialog d(p, 1024, 768);
        EXPECT_EQ(d.choice(), c.want);
        EXPECT_EQ(d.optExportAvi()->isChecked(), c.want == BuildDialog::Choice::ExportAvi);
        EXPECT_EQ(d.optPackage()->isChecked(), c.want == BuildDialog::Choice::Package);
        EXPECT_EQ(d.optPreview()->isChecked(), c.want == BuildDialog::Choice::LocalPlayback);
        EXPECT_FALSE(d.includeFonts());
        EXPECT_FALSE(d.chooseCodec());
        EXPECT_TRUE(d.optPackage()->font().bold());
    }
    EXPECT_EQ(BuildDialog::VideoSizes().size(), 8);
    EXPECT_EQ(BuildDialog::VideoSizes()[0], "720*480");
    EXPECT_EQ(BuildDialog::VideoSizes()[7], "1024*640 (16:10)");
}

TEST_F(BuilderUi, FrameSizeFollowsTheScreenShapeAndParses) {
    struct Shape {
        int w, h;
        const char* want;
    };
    for (Shape s : {Shape{1280, 1024, "768*576 (4:3)"}, Shape{1920, 1080, "768*432 (16:9)"},
                    Shape{1440, 960, "768*432 (16:9)"}, Shape{1024, 768, "768*576 (4:3)"}}) {
        Project p = MakeDefaultProject(ProjectEnvironment{});
        BuildDialog d(p, s.w, s.h);
        EXPECT_EQ(d.comboVideoSize()->currentText(), s.want) << s.w << "x" << s.h;
    }
    struct Parse {
        const char* text;
        int w, h;
    };
    for (Parse c : {Parse{"1024*768 (4:3)", 1024, 768}, Parse{"720*480", 720, 480},
                    Parse{"768*432 (16:9)", 768, 432}, Parse{"1024*640 (16:10)", 1024, 640}}) {
        int w = 0, h = 0;
        ASSERT_TRUE(BuildDialog::ParseVideoSize(c.text, w, h)) << c.text;
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
    }
    int w, h;
    EXPECT_FALSE(BuildDialog::ParseVideoSize("abc", w, h));
}

TEST_F(BuilderUi, OptionClicksAndConfirm) {
    Project p = MakeDefaultProject(ProjectEnvironment{});
    p.IsPackage = true;
    p.IsExportAvi = false;
    p.TxtSetting[0].clear();
    {
        BuildDialog d(p, 1920, 1080);
        d.optExportAvi()->click();
        EXPECT_TRUE(p.IsExportAvi);
        EXPECT_FALSE(p.IsPackage);
        d.comboVideoSize()->setCurrentIndex(3);
        d.chkIncludeFont()->click();
        EXPECT_TRUE(d.includeFonts());
        d.confirmButton()->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.choice(), BuildDialog::Choice::ExportAvi);
        EXPECT_EQ(d.videoWidth(), 1024);
        EXPECT_EQ(d.videoHeight(), 768);
        EXPECT_TRUE(p.TxtSetting[0].empty());
    }
    {
        BuildDialog d(p, 1920, 1080);
        EXPECT_TRUE(d.optExportAvi()->isChecked());
        EXPECT_FALSE(d.includeFonts());  // cleared on opening
        d.optPreview()->click();
        EXPECT_FALSE(p.IsPackage);
        EXPECT_FALSE(p.IsExportAvi);
        EXPECT_FALSE(d.previewMode());
        d.confirmButton()->click();
        EXPECT_EQ(d.choice(), BuildDialog::Choice::LocalPlayback);
        EXPECT_EQ(p.TxtSetting[0], "未命名图片幻灯");
    }
    {
        BuildDialog d(p, 1920, 1080);
        EXPECT_TRUE(d.optPreview()->isChecked());
        d.optPackage()->click();
        EXPECT_TRUE(p.IsPackage);
        EXPECT_TRUE(d.previewMode());
        EXPECT_EQ(d.choice(), BuildDialog::Choice::Package);
    }
}

TEST_F(BuilderUi, ProgressOverlayDrawsAGrowingBarAndCancels) {
    QWidget main;
    main.resize(1000, 700);
    ProgressOverlay o(&main);
    o.InitProgress("x");
    EXPECT_EQ(o.size(), QSize(400, 24));
    EXPECT_EQ(o.pos(), QPoint(300, 372));  // nearest(1.1 * 676 / 2) = 372
    const QRgb hl = o.highlight().rgb();
    auto filled = [&](int x) { return o.barImage().pixel(x, 12) == hl; };
    EXPECT_EQ(o.barImage().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(o.barImage().pixel(399, 23), qRgb(0x80, 0x80, 0x80));

    o.ShowProgress(45, "正在写入...");
    EXPECT_EQ(o.labelText(), "正在写入... 45%");
    EXPECT_TRUE(filled(3));
    EXPECT_TRUE(filled(180));  // nearest(400 * 0.45)
    EXPECT_FALSE(filled(181));
    EXPECT_TRUE(o.barImage().pixel(100, 2) == hl);
    EXPECT_FALSE(o.barImage().pixel(100, 1) == hl);
    EXPECT_FALSE(o.barImage().pixel(100, 22) == hl);
    o.ShowProgress(100, "正在写入...");
    for (int x = 3; x <= 397; ++x)
        ASSERT_TRUE(filled(x)) << x;
    EXPECT_FALSE(filled(2));
    EXPECT_FALSE(filled(398));
    EXPECT_FALSE(o.Cancelled());

    // A text without "..." keeps a 60-pixel margin for the label.
    ProgressOverlay m(&main);
    m.InitProgress("y");
    m.ShowProgress(50, "转换");
    EXPECT_EQ(m.labelText(), "转换 50%");
    auto mf = [&](int x) { return m.barImage().pixel(x, 12) == hl; };
    EXPECT_FALSE(mf(62));
    EXPECT_TRUE(mf(63));
    EXPECT_TRUE(mf(60 + 170));
    EXPECT_FALSE(mf(60 + 171));

    m.cancelButton()->click();
    EXPECT_TRUE(m.Cancelled());
    m.Finish();
    EXPECT_FALSE(m.isVisible());
}

TEST_F(BuilderUi, FinishDialogOpensTheFolderOnlyWhenAskedAndTheFileExists) {
    test::ScratchDir dir;
    test::WriteBytes(dir / "pkg.exe", {1});
    struct Case {
        bool option;
        std::string path;
        bool opens;
    };
    for (Case c : {Case{true, dir / "pkg.exe", true}, Case{false, dir / "pkg.exe", false},
                   Case{true, dir / "gone.exe", false}, Case{true, "", false}}) {
        bool option = c.option;
        QString opened;
        FinishDialog d("幻灯名称： x", QString::fromStdString(c.path), option, QByteArray(),
                       [&](const QString& p) { opened = p; });
        EXPECT_EQ(d.windowTitle(), "完成");
        EXPECT_EQ(d.txtInfo()->toPlainText(), "幻灯名称： x");
        EXPECT_EQ(d.chkOpenFolder()->isChecked(), c.option);
        d.confirmButton()->click();
        EXPECT_EQ(!opened.isEmpty(), c.opens) << c.path;
    }
    bool option = true;
    FinishDialog d("r", "", option, QByteArray(), nullptr);
    d.chkOpenFolder()->click();
    EXPECT_FALSE(option);
}

TEST_F(BuilderUi, RenderConverterMakesJpegAndKeepsTgaAlphaInPng) {
    render::InstallQtImageCodec();
    test::ScratchDir dir;
    QImage img(64, 40, QImage::Format_RGB32);
    img.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(img.save(QString::fromStdString(dir / "p.bmp"), "BMP"));
    RenderImageConverter c;
    ASSERT_TRUE(c.Convert(dir / "p.bmp", dir / "p.jpg", "BMP", "JPG", 92));
    QImage back(QString::fromStdString(dir / "p.jpg"), "JPG");
    EXPECT_EQ(back.size(), QSize(64, 40));
    EXPECT_EQ(test::ReadBytes(dir / "p.jpg")[0], 0xFF);

    // A 32-bit uncompressed TGA, 16 x 16, bottom-up: the left half opaque,
    // the right half clear.
    std::vector<uint8_t> tga(18, 0);
    tga[2] = 2;
    tga[12] = 16;
    tga[14] = 16;
    tga[16] = 32;
    tga[17] = 8;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            for (uint8_t b : {uint8_t(0), uint8_t(0), uint8_t(255), uint8_t(x < 8 ? 255 : 0)})
                tga.push_back(b);
    test::WriteBytes(dir / "t.tga", tga);
    EXPECT_EQ(c.ProbeBitDepth(dir / "t.tga"), 32);
    ASSERT_TRUE(c.Convert(dir / "t.tga", dir / "t.png", "TGA", "PNG", 92));
    QImage png(QString::fromStdString(dir / "t.png"), "PNG");
    ASSERT_EQ(png.size(), QSize(16, 16));
    EXPECT_TRUE(png.hasAlphaChannel());
    EXPECT_EQ(qAlpha(png.pixel(0, 5)), 255);
    EXPECT_EQ(qAlpha(png.pixel(12, 5)), 0);
    EXPECT_FALSE(c.Convert(dir / "missing.bmp", dir / "x.jpg", "BMP", "JPG", 92));
}

TEST_F(BuilderUi, EditorBuildRunsWithOverlayAndFinishDialog) {
    render::InstallQtImageCodec();
    test::ScratchDir dir;
    std::string folder = dir / "prog/";
    BuildOptions options;
    options.programFolder = folder;
    options.expectedLibraryCrc = test::MakeProgramFolder(folder, test::FixtureStubReloc());
    Project p = MakeDefaultProject(ProjectEnvironment{});
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(qRgb(200, 0, 0));
    fs::create_directories(dir / "m");
    ASSERT_TRUE(img.save(QString::fromStdString(dir / "m/one.jpg"), "JPG"));
    ASSERT_TRUE(img.save(QString::fromStdString(dir / "m/two.bmp"), "BMP"));
    for (const char* n : {"m/one.jpg", "m/two.bmp"}) {
        PhotoEntry e;
        e.ImgName = dir / n;
        p.photos.push_back(e);
    }
    QWidget main;
    main.resize(800, 600);
    EditorBuildHooks hooks;
    hooks.mainWindow = &main;
    std::vector<QString> messages;
    hooks.inform = [&](MessageIcon, const QString& t) { messages.push_back(t); };
    hooks.chooseTarget = [&](const QString& folderArg, const QString& name) {
        EXPECT_EQ(folderArg.toStdString(), folder + "Output/");
        EXPECT_EQ(name.toStdString(), p.TxtSetting[0]);
        return QString::fromStdString(dir / "out.scr");
    };
    QString report;
    hooks.runFinish = [&](FinishDialog& d) { report = d.txtInfo()->toPlainText(); };
    RenderImageConverter converter;
    MediaSongTimer timer;
    BuildResult r = RunEditorPackageBuild(p, options, hooks, converter, timer);
    ASSERT_EQ(r.outcome, BuildOutcome::Built) << r.message;
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(report.startsWith("幻灯名称： "));
    EXPECT_TRUE(report.endsWith(QString::fromStdString("保存路径： " + dir / "out.scr")));

    PackageReader reader;
    ASSERT_TRUE(reader.Open(dir / "out.scr")) << reader.error();
    const EmbeddedEntry* two = reader.Find("ImgNames(2)");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->type, "JPG");
    auto bytes = reader.ReadEntry(*two);
    ASSERT_TRUE(bytes);
    QImage decoded = QImage::fromData(bytes->data(), static_cast<int>(bytes->size()), "JPG");
    EXPECT_EQ(decoded.size(), QSize(32, 32));
    EXPECT_EQ(test::PefileProblems(dir / "out.scr", &reader.settingsBlock()), "");
}

}  // namespace
}  // namespace velmora
