// The command line's build and package commands, run as the program, on the
// real shipped stub Mirb.bfq and support library of this build.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "BuilderTestSupport.h"
#include "base/Crc32.h"
#include "builder/PackageBuild.h"
#include "package/PackageReader.h"
#include "project/Project.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int status;
    std::string out, err;
};

ProgramRun RunProgram(const std::string& args, const std::string& dir) {
    std::string errFile = dir + "stderr.txt";
    std::string cmd = std::string(VELMORA_PROGRAM_DIR) + "/velmora " + args + " 2>" + errFile;
    ProgramRun r{};
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    auto e = test::ReadBytes(errFile);
    r.err.assign(e.begin(), e.end());
    return r;
}

class BuildCli : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string shipped = std::string(VELMORA_PROGRAM_DIR) + "/";
        if (!fs::exists(shipped + "Mirb.bfq") || !fs::exists(shipped + "d3dx9_42.dll"))
            GTEST_SKIP() << "this build made no Windows player";
        prog = dir / "prog/";
        // Button images and texture as MakeProgramFolder writes them, then
        // the real stub and library over its stand-ins.
        test::MakeProgramFolder(prog, test::FixtureStubReloc());
        fs::copy_file(shipped + "Mirb.bfq", prog + "Mirb.bfq",
                      fs::copy_options::overwrite_existing);
        fs::copy_file(shipped + "d3dx9_42.dll", prog + "d3dx9_42.dll",
                      fs::copy_options::overwrite_existing);
        Project p = MakeDefaultProject(ProjectEnvironment{});
        for (int i = 0; i < 3; ++i) {
            std::string path = dir / ("photo" + std::to_string(i) + ".jpg");
            test::WriteBytes(path, test::SomeBytes(20000 + 1000 * i, 70 + i));
            photos.push_back(path);
            PhotoEntry e;
            e.ImgName = path;
            p.photos.push_back(e);
        }
        SettingsStore store;
        WriteProjectSettings(p, store, false);
        ASSERT_TRUE(store.SaveSettingsFile(dir / "p.aps"));
    }
    std::string Args(const std::string& out) {
        return "build '" + dir / "p.aps" + "' -o '" + out + "' --program-folder '" + prog + "'";
    }
    test::ScratchDir dir;
    std::string prog;
    std::vector<std::string> photos;
};

TEST_F(BuildCli, BuildsInspectsAndExtractsAPackage) {
    std::string pkg = dir / "show.scr";
    ProgramRun b = RunProgram(Args(pkg), dir.path());
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_NE(b.out.find("图片总数： 3"), std::string::npos) << b.out;
    EXPECT_NE(b.err.find("100% 正在写入..."), std::string::npos);

    PackageReader reader;
    ASSERT_TRUE(reader.Open(pkg)) << reader.error();
    EXPECT_EQ(test::PefileProblems(pkg, &reader.settingsBlock()), "");
    EXPECT_TRUE(test::WrestoolListsIcons(pkg));

    ProgramRun i = RunProgram("package inspect '" + pkg + "'", dir.path());
    ASSERT_EQ(i.status, 0) << i.err;
    EXPECT_NE(i.out.find("NowI\tLong\t3\n"), std::string::npos);
    char line[128];
    std::snprintf(line, sizeof line, "ImgNames(2)\t%llu\t21000\tJPG\t%08X\n",
                  static_cast<unsigned long long>(reader.Find("ImgNames(2)")->offset),
                  Crc32Of(test::ReadBytes(photos[1])));
    EXPECT_NE(i.out.find(line), std::string::npos) << i.out;

    ProgramRun x = RunProgram("package extract '" + pkg + "' '" + dir / "x" + "'", dir.path());
    ASSERT_EQ(x.status, 0) << x.err;
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(test::ReadBytes(dir / ("x/ImgNames(" + std::to_string(k + 1) + ")")),
                  test::ReadBytes(photos[static_cast<size_t>(k)]));
    EXPECT_EQ(test::ReadBytes(dir / "x/d3DFile"), test::ReadBytes(prog + "d3dx9_42.dll"));
}

TEST_F(BuildCli, FailuresPrintTheMessageAndLeaveNoFile) {
    struct Case {
        const char* label;
        std::function<void()> damage;
        std::string args;
        std::string text;
        int status;
    };
    std::string out = dir / "bad.exe";
    const Case cases[] = {
        {"photo missing", [&] { fs::remove(photos[2]); }, Args(out), "错误代码 53 文件未找到：", 1},
        {"wrong extension", [] {}, Args(dir / "bad.zip"), "输出文件必须是 .exe 或 .scr", 2},
        {"project missing", [] {}, "build '" + dir / "none.aps" + "' -o '" + out + "'",
         "无法读取项目文件", 1},
        {"library damaged", [&] { test::WriteBytes(prog + "d3dx9_42.dll", {1}); }, Args(out),
         prog + "d3dx9_42.dll 丢失或损坏，请重新安装程序", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        c.damage();
        ProgramRun r = RunProgram(c.args, dir.path());
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.text), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
    // Not a package, and a package cut short.
    ProgramRun n = RunProgram("package inspect '" + prog + "d3dx9_42.dll'", dir.path());
    EXPECT_EQ(n.status, 1);
    EXPECT_NE(n.err.find("无法读取图片幻灯文件"), std::string::npos) << n.err;
}

}  // namespace
}  // namespace velmora
