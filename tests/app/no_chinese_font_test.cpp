// A machine without any Chinese font: fontconfig is given a configuration
// holding only Latin fonts before anything loads it (its own process, as
// fontconfig keeps one configuration per process). The editor keeps Qt's
// font and says in Chinese on standard error what to install.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QFont>
#include <filesystem>

#include "TempDir.h"
#include "app/InterfaceFont.h"
#include "app/ui/ChineseInterface.h"

using namespace velmora;
namespace fs = std::filesystem;

TEST(InterfaceFont, WithoutAChineseFontTheEditorSaysSoInChinese) {
    const fs::path latin = "/usr/share/fonts/truetype/dejavu";
    if (!fs::is_directory(latin))
        GTEST_SKIP() << "no DejaVu fonts here";
    test::TempDir dir;
    const std::string conf = dir / "fonts.conf";
    test::WriteText(conf,
                    "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                    "<fontconfig><dir>" +
                        latin.string() + "</dir><cachedir>" + (dir / "cache") +
                        "</cachedir></fontconfig>\n");
    ASSERT_EQ(setenv("FONTCONFIG_FILE", conf.c_str(), 1), 0);

    std::vector<FontFace> faces = InstalledFaces();
    ASSERT_FALSE(faces.empty()) << "the DejaVu faces are listed";
    EXPECT_FALSE(ChooseInterfaceFace(faces).has_value());

    int argc = 1;
    char name[] = "test_no_chinese_font";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const QString before = QApplication::font().family();
    testing::internal::CaptureStderr();
    const QString chosen = ApplyInterfaceFont();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_EQ(QApplication::font().family(), before);
    EXPECT_NE(err.find(NoChineseFontMessage()), std::string::npos) << err;
    EXPECT_NE(err.find("fonts-noto-cjk"), std::string::npos);
}
