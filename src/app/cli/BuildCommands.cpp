// velmora build PROJECT.aps -o OUT.exe|OUT.scr [--screen WxH] [--program-folder DIR]
//   --screen: the editing screen the text placements refer to (default
//   1024x768); --program-folder: where Mirb.bfq, d3dx9_42.dll, gmi.src and
//   Mask/ are found (default: the folder of this program).
// velmora package inspect PKG / package extract PKG DIR
//
// The build runs the editor's full-package build headless: messages go to
// standard error, a progress bar is drawn on standard error, Ctrl+C cancels
// (the half-written package is deleted), and the finish report goes to
// standard output.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "app/AppPaths.h"
#include "app/cli/Cli.h"
#include "app/cli/CliProgress.h"
#include "base/Crc32.h"
#include "base/FileNames.h"
#include "base/TextCodec.h"
#include "builder/PackageBuild.h"
#include "builder/RenderImageConverter.h"
#include "builder/ShippedLibrary.h"
#include "package/PackageReader.h"
#include "project/Project.h"
#include "render/qt/QtImageCodec.h"

namespace velmora::cli {

namespace {

namespace fs = std::filesystem;

class CliHost final : public BuildHost {
  public:
    explicit CliHost(std::string target) : target_(std::move(target)) {}
    void ShowMessage(MessageIcon, const std::string& text) override { Error(text); }
    std::optional<std::string> AskTargetPath(const std::string&, const std::string&) override {
        return target_;
    }
    // The target named on the command line is replaced.
    bool ConfirmOverwrite(const std::string&) override { return true; }
    void ShowFinish(const std::string& report, const std::string&) override {
        std::cout << report << std::endl;
    }

  private:
    std::string target_;
};

bool ParseSize(const std::string& s, int32_t& w, int32_t& h) {
    size_t x = s.find_first_of("xX*");
    if (x == std::string::npos)
        return false;
    try {
        w = std::stoi(s.substr(0, x));
        h = std::stoi(s.substr(x + 1));
    } catch (...) {
        return false;
    }
    return w > 0 && h > 0;
}

int Build(Args args) {
    if (args.empty())
        return UsageError("build");
    std::string projectPath = args[0], out, programFolder;
    int32_t screenW = 1024, screenH = 768;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "-o" && hasValue) {
            out = args[++i];
        } else if (a == "--screen" && hasValue) {
            if (!ParseSize(args[++i], screenW, screenH))
                return UsageError("build");
        } else if (a == "--program-folder" && hasValue) {
            programFolder = args[++i];
        } else {
            return UsageError("build");
        }
    }
    std::string ext = FileTypeOf(out, 4);
    if (out.empty() || (ext != ".EXE" && ext != ".SCR")) {
        Error("输出文件必须是 .exe 或 .scr：" + out);
        return 2;
    }

    AppPaths paths =
        programFolder.empty() ? ResolveAppPaths() : PathsForProgramFolder(programFolder);
    ProjectEnvironment env;
    env.screenW = screenW;
    env.screenH = screenH;
    Project project = MakeDefaultProject(env);
    SettingsStore store;
    if (!store.LoadSettingsFile(projectPath) || !ReadProjectSettings(project, store, env, false)) {
        Error("无法读取项目文件：" + projectPath + "（文件不存在，或不是有效的项目文件）");
        return 1;
    }

    BuildOptions options;
    options.programFolder = paths.programFolder;
    options.dataFolder = paths.dataFolder;
    options.screenWidth = screenW;
    options.screenHeight = screenH;
    options.expectedLibraryCrc = ShippedLibraryCrc();

    render::InstallQtImageCodec();
    RenderImageConverter converter;
    MediaSongTimer timer;
    CliProgress progress;
    CliHost host(out);
    gInterrupted = false;
    auto previous = std::signal(SIGINT, OnInterrupt);
    BuildResult r = BuildScreenSaver(project, options, host, progress, converter, timer);
    std::signal(SIGINT, previous);
    switch (r.outcome) {
        case BuildOutcome::Built:
            return 0;
        case BuildOutcome::Cancelled:
            Error(r.message);
            return 130;
        case BuildOutcome::Failed:  // already reported through the host
        case BuildOutcome::Refused:
            return 1;
    }
    return 1;
}

bool OpenPackage(const std::string& path, PackageReader& reader) {
    if (reader.Open(path))
        return true;
    Error("无法读取图片幻灯文件：" + path + "（" + reader.error() + "）");
    return false;
}

std::optional<uint32_t> EntryCrc(PackageReader& reader, const EmbeddedEntry& e) {
    Crc32 crc;
    bool ok = reader.ReadEntry(e, 1u << 20, [&](std::span<const uint8_t> piece) {
        crc.Update(piece);
        return true;
    });
    if (!ok)
        return std::nullopt;
    return crc.Value();
}

int Inspect(const std::string& path) {
    PackageReader reader;
    if (!OpenPackage(path, reader))
        return 1;
    PrintSettings(reader.settings(), std::cout);
    std::cout << "\n# 媒体区：起点 " << reader.mediaStart() << "，长度 " << reader.totalMediaSize()
              << "，文件 " << reader.entries().size() << " 个\n"
              << "# 名称\t偏移\t大小\t类型\tCRC-32\n";
    for (const auto& e : reader.entries()) {
        auto crc = EntryCrc(reader, e);
        if (!crc) {
            Error(reader.error());
            return 1;
        }
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", *crc);
        std::cout << e.name << '\t' << e.offset << '\t' << e.size << '\t' << e.type << '\t' << hex
                  << '\n';
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

// A setting name as a file name: path separators and a leading dot are
// replaced, so a crafted package cannot write outside the folder.
std::string SafeFileName(const std::string& name) {
    std::string s = name;
    for (char& c : s) {
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    }
    if (s.empty() || s[0] == '.')
        s.insert(s.begin(), '_');
    return s;
}

int Extract(const std::string& path, const std::string& folder) {
    PackageReader reader;
    if (!OpenPackage(path, reader))
        return 1;
    std::error_code ec;
    fs::create_directories(fs::path(folder), ec);
    if (!fs::is_directory(fs::path(folder))) {
        Error("无法创建文件夹：" + folder);
        return 1;
    }
    for (const auto& e : reader.entries()) {
        std::string target = (fs::path(folder) / fs::path(SafeFileName(e.name))).string();
        std::ofstream outFile(target, std::ios::binary | std::ios::trunc);
        if (!outFile) {
            Error("无法写入文件：" + target);
            return 1;
        }
        bool ok = reader.ReadEntry(e, 1u << 20, [&](std::span<const uint8_t> piece) {
            outFile.write(reinterpret_cast<const char*>(piece.data()),
                          static_cast<std::streamsize>(piece.size()));
            return static_cast<bool>(outFile);
        });
        outFile.close();
        if (!ok || !outFile) {
            Error(reader.error().empty() ? "无法写入文件：" + target : reader.error());
            return 1;
        }
    }
    return 0;
}

}  // namespace

int RunBuildCommand(Args args) {
    return Build(args);
}

int RunPackageCommand(Args args) {
    if (args.size() == 2 && args[0] == "inspect")
        return Inspect(args[1]);
    if (args.size() == 3 && args[0] == "extract")
        return Extract(args[1], args[2]);
    return UsageError("package");
}

}  // namespace velmora::cli
