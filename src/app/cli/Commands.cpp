#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/cli/Cli.h"
#include "base/AppInfo.h"

namespace velmora::cli {

namespace {

const Command kCommands[] = {
    {"settings", "settings dump FILE\nsettings make OUT      (lines on standard input)",
     RunSettingsCommand},
    {"pack", "pack list FILE\npack extract FILE NAME OUT", RunPackCommand},
    {"demo", "demo [OUTDIR]          (the built-in demo; default OUTDIR: Output/demo/)",
     RunDemoCommand},
    {"mp3info", "mp3info FILE...", RunMp3InfoCommand},
    {"duration", "duration FILE...", RunDurationCommand},
    {"timing", "timing PROJECT.aps", RunTimingCommand},
    {"decode", "decode SONG -o OUT.wav [--rate R] [--channels C] [--bits B]", RunDecodeCommand},
    {"soundtrack",
     "soundtrack PROJECT.aps -o OUT.mp3 [--wav OUT.wav] [--program-folder DIR] [--sequential]",
     RunSoundtrackCommand},
    {"project",
     "project new OUT.aps [--photos PATH...] [--songs PATH...] [--lyrics PATH...]\n"
     "project show FILE.aps\nproject check FILE.aps   (exit 3: files missing)\n"
     "project save IN.aps OUT.aps",
     RunProjectCommand},
    {"image", "image probe FILE\nimage convert IN OUT   (OUT: .png or .jpg)", RunImageCommand},
    {"compose",
     "compose PROJECT --slide N --size WxH [--screen WxH] [--time SECONDS] -o OUT.png\n"
     "compose   (--slide: photo N, or 0/opening and last/ending for the titles;\n"
     "compose    --time: the lyric line SECONDS into the show, default the slide's start)",
     RunComposeCommand},
    {"text", "text PROJECT.aps --slot 1..4 --text TEXT --size WxH -o OUT.png", RunTextCommand},
    {"lrc", "lrc FILE.lrc           (time in ms, TAB, text; one line each)", RunLrcCommand},
    {"build", "build PROJECT.aps -o OUT.exe|OUT.scr [--screen WxH] [--program-folder DIR]",
     RunBuildCommand},
    {"package", "package inspect PKG\npackage extract PKG DIR", RunPackageCommand},
    {"transition",
     "transition --list\n"
     "transition CODE [--variant V] --from A --to B --size WxH --frames DIR [--seed S]",
     RunTransitionCommand},
    {"text-effect",
     "text-effect --list\n"
     "text-effect CODE [--variant V] --background A --text TEXT [--project P.aps] --size WxH "
     "--frames DIR [--seed S]",
     RunTextEffectCommand},
};

void PrintHelp() {
    std::cout
        << kProductName << " " << kVersionText << "\n\n"
        << "用法 / usage:\n"
        << "  velmora                 打开编辑器 (opens the editor)\n"
        << "  velmora FILE.aps        用编辑器打开配置文件 (opens the project in the editor)\n"
        << "  velmora --version\n"
        << "  velmora --help\n";
    for (const auto& c : kCommands) {
        std::string u = c.usage;
        size_t start = 0;
        while (start <= u.size()) {
            size_t nl = u.find('\n', start);
            std::cout << "  velmora " << u.substr(start, nl - start) << "\n";
            if (nl == std::string::npos)
                break;
            start = nl + 1;
        }
    }
}

}  // namespace

std::span<const Command> Commands() {
    return kCommands;
}

void Error(const std::string& message) {
    std::cerr << message << std::endl;
}

int UsageError(const char* group) {
    for (const auto& c : kCommands) {
        if (std::string(c.name) == group) {
            std::cerr << "用法错误。usage:\n";
            std::string u = c.usage;
            size_t start = 0;
            while (start <= u.size()) {
                size_t nl = u.find('\n', start);
                std::cerr << "  velmora " << u.substr(start, nl - start) << "\n";
                if (nl == std::string::npos)
                    break;
                start = nl + 1;
            }
        }
    }
    return 2;
}

bool IsProjectFileToOpen(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-' || args[0] == "help")
        return false;
    const std::string& a = args[0];
    for (const auto& c : kCommands)
        if (a == c.name)
            return false;
    // A name ending in ".aps" (in any case) is a project even when it is
    // missing, so that the editor says so; any other existing file is
    // offered to the editor too, as a file manager hands it over.
    if (a.size() > 4) {
        std::string ext = a.substr(a.size() - 4);
        for (char& ch : ext)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (ext == ".aps")
            return true;
    }
    std::error_code ec;
    return std::filesystem::is_regular_file(a, ec);
}

int RunCommandLine(const std::vector<std::string>& args) {
    if (args.empty())
        return 0;
    const std::string& first = args[0];
    if (first == "--version" || first == "-v") {
        std::cout << kProductName << " " << kVersionText << std::endl;
        return 0;
    }
    if (first == "--help" || first == "-h" || first == "help") {
        PrintHelp();
        return 0;
    }
    for (const auto& c : kCommands) {
        if (first == c.name)
            return c.run(Args(args).subspan(1));
    }
    Error("未知的命令：" + first + "（velmora --help 列出所有命令）");
    return 2;
}

}  // namespace velmora::cli
