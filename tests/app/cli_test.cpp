// The command line as a user runs it: build/velmora with real files.
#include <gtest/gtest.h>

#include <string>

#include "RunVelmora.h"
#include "TempDir.h"

using velmora::test::ReadBytes;
using velmora::test::TempDir;
using velmora::test::WriteBytes;
using velmora::test::WriteText;

using velmora::test::RunResult;
using velmora::test::Velmora;

TEST(CommandLine, VersionAndHelp) {
    RunResult v = Velmora("--version");
    EXPECT_EQ(v.status, 0);
    EXPECT_NE(v.out.find("4.00"), std::string::npos);
    RunResult h = Velmora("--help");
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("settings dump"), std::string::npos);
    EXPECT_NE(Velmora("no-such-command").status, 0);
}

TEST(CommandLine, SettingsMakeThenDumpGivesTheInputBack) {
    TempDir dir;
    const std::string lines =
        "TitleText(1)\tString\t开场\\t白\\n第二行\\\\end\n"
        "Empty\tString\t\n"
        "NowI\tLong\t-2147483648\n"
        "Max\tLong\t2147483647\n"
        "CurrentMask\tInteger\t-32768\n"
        "TimeInterval\tSingle\t12\n"
        "Pi\tSingle\t3.14159274\n"
        "Tiny\tSingle\t1.40129846e-45\n"
        "EnableSync\tBoolean\tTrue\n"
        "MuteSound\tBoolean\tFalse\n";
    WriteText(dir / "in.txt", lines);
    RunResult m = Velmora("settings make '" + dir / "s.aps" + "'", dir / "in.txt");
    ASSERT_EQ(m.status, 0) << m.out;
    RunResult d = Velmora("settings dump '" + dir / "s.aps" + "'");
    ASSERT_EQ(d.status, 0) << d.out;
    EXPECT_EQ(d.out, lines);
}

TEST(CommandLine, SettingsErrors) {
    TempDir dir;
    WriteBytes(dir / "bad.aps", {0x11, 0x20, 1, 0, 5, 0, 0, 0, 0, 0, 0, 0, 1});
    RunResult d = Velmora("settings dump '" + dir / "bad.aps" + "'");
    EXPECT_EQ(d.status, 1);
    EXPECT_NE(d.out.find("无法读取设置文件"), std::string::npos) << d.out;
    EXPECT_EQ(Velmora("settings dump '" + dir / "none.aps" + "'").status, 1);
    WriteText(dir / "in.txt", "Name\tLong\tnot-a-number\n");
    RunResult m = Velmora("settings make '" + dir / "x.aps" + "'", dir / "in.txt");
    EXPECT_EQ(m.status, 1);
    EXPECT_NE(m.out.find("格式错误"), std::string::npos) << m.out;
    WriteText(dir / "in2.txt", "Name\tInteger\t40000\n");
    EXPECT_EQ(Velmora("settings make '" + dir / "x.aps" + "'", dir / "in2.txt").status, 1);
}

TEST(CommandLine, ShippedResourcePackListsAndExtracts) {
    TempDir dir;
    std::string pack = std::string(VELMORA_PROGRAM_DIR) + "/gmi.src";
    RunResult l = Velmora("pack list '" + pack + "'");
    ASSERT_EQ(l.status, 0) << l.out;
    for (const char* name : {"rainbow.jpg", "btn_close.png", "btn_scale.png", "coffie.gif"})
        EXPECT_NE(l.out.find(name), std::string::npos) << name;
    RunResult x = Velmora("pack extract '" + pack + "' RAINBOW.JPG '" + dir / "r.jpg" + "'");
    ASSERT_EQ(x.status, 0) << x.out;
    EXPECT_EQ(ReadBytes(dir / "r.jpg"),
              ReadBytes(std::string(VELMORA_SOURCE_DIR) + "/assets/gmi/rainbow.jpg"));
    EXPECT_EQ(Velmora("pack extract '" + pack + "' nothing.png '" + dir / "n" + "'").status, 1);
    EXPECT_EQ(Velmora("pack list '" + dir / "r.jpg" + "'").status, 1);
}
