#include "app/AppPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/FileUtil.h"

namespace velmora {

namespace fs = std::filesystem;

std::string RunningProgramPath() {
    std::error_code ec;
    auto p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

bool FolderIsWritable(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

namespace {

std::string UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    return WithTrailingSlash(base) + "velmora/";
}

}  // namespace

AppPaths PathsForProgramFolder(const std::string& programFolder, const std::string& exePath) {
    AppPaths p;
    p.exePath = exePath;
    p.programFolder = WithTrailingSlash(programFolder);
    if (FolderIsWritable(p.programFolder)) {
        p.dataFolder = p.programFolder;
    } else {
        p.dataFolder = UserDataFolder();
        std::error_code ec;
        fs::create_directories(p.dataFolder, ec);
    }
    return p;
}

AppPaths ResolveAppPaths(const std::string& exePath) {
    std::string exe = exePath.empty() ? RunningProgramPath() : exePath;
    if (exe.size() > 250)
        exe.resize(250);
    std::string folder = fs::path(exe).parent_path().string();
    if (folder.empty())
        folder = ".";
    return PathsForProgramFolder(folder, exe);
}

void PrepareWorkingFolders(const AppPaths& paths) {
    std::error_code ec;
    fs::create_directories(paths.ProjectFolder(), ec);
    if (IsDirectory(paths.Temp()))
        EmptyFolder(paths.Temp());
    else
        fs::create_directories(paths.Temp(), ec);
}

bool WriteFirstRunMarker(const std::string& path) {
    const std::string text = "plehwohs";
    std::string record(128, '\0');
    record[0] = static_cast<char>(text.size());
    record.replace(2, text.size(), text);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f)
        return false;
    f.write(record.data(), static_cast<std::streamsize>(record.size()));
    f.close();
    return static_cast<bool>(f);
}

}  // namespace velmora
