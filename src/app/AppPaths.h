// The program folder and the working folders beside it.
//
// Shipped files (gmi.src, Mirb.bfq, d3dx9_42.dll, help.chm, Mask/, the
// silence pieces) lie in the program folder, the folder of the running
// program file. The writable parts (Temp/, Project/, Output/, Mirb.ini and
// the first-run marker) live there too when it can be written, else in the
// per-user data folder ($XDG_DATA_HOME/velmora, ~/.local/share/velmora).
// Qt-free; all folders carry a trailing '/'.
#pragma once

#include <string>

namespace velmora {

struct AppPaths {
    std::string exePath;
    std::string programFolder;
    std::string dataFolder;

    std::string Temp() const { return dataFolder + "Temp/"; }
    std::string ProjectFolder() const { return dataFolder + "Project/"; }
    std::string Output() const { return dataFolder + "Output/"; }
    std::string AutoSave() const { return ProjectFolder() + "AutoSave.aps"; }
    std::string MirbIni() const { return dataFolder + "Mirb.ini"; }
    std::string FirstRunMarker() const { return dataFolder + "plehwohs.ini"; }
    std::string ResourcePack() const { return programFolder + "gmi.src"; }
    std::string HelpFile() const { return programFolder + "help.chm"; }
    std::string SupportLibrary() const { return programFolder + "d3dx9_42.dll"; }
    std::string PlayerStub() const { return programFolder + "Mirb.bfq"; }
    std::string Mask() const { return programFolder + "Mask/"; }
    std::string Lock() const { return dataFolder + "velmora.lock"; }
};

// Paths for a program file at exePath (the running program when empty).
AppPaths ResolveAppPaths(const std::string& exePath = "");

// Paths with an explicit program folder whose writable parts are used when
// it can be written (tests and the command line use this).
AppPaths PathsForProgramFolder(const std::string& programFolder, const std::string& exePath = "");

// Path of the running program file (/proc/self/exe), at most 250 characters.
std::string RunningProgramPath();

bool FolderIsWritable(const std::string& folder);

// Creates Project/ when missing and Temp/ when missing, else empties Temp/.
void PrepareWorkingFolders(const AppPaths& paths);

// The first-run marker: a record file of 128-byte records holding the one
// record "plehwohs". False when it cannot be written.
bool WriteFirstRunMarker(const std::string& path);

}  // namespace velmora
