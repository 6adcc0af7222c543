// The full package build: turns the project into a self-running slideshow
// program (.exe or .scr) from the player stub, with every photo, song, lyric
// file, picture, button image and the Direct3D support library embedded.
//
// Core code, no Qt. Everything the user sees goes through BuildHost (message
// boxes, the save dialog, pointing at a button, the finish dialog) and
// Progress (the overlay or the command line's bar), so the same procedure
// serves the editor, the command line and the tests.
//
// Files used, relative to the program folder: Mirb.bfq (the stub, shipped
// with its head scrambled), d3dx9_42.dll (checked by CRC, embedded as
// "d3DFile"), gmi.src (restores missing button images), Mask/ (button images
// and rainbow.jpg); relative to the data folder (the program folder when it
// can be written): Temp/ (working copy of the stub, converted pictures),
// Output/ (default folder of the save dialog).
//
// Failure: any failure after the target is chosen closes what is open,
// deletes the target (a failed or cancelled build leaves no package) and is
// reported as "错误代码 " + number + " " + description + advice.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Progress.h"
#include "builder/ImageConverter.h"
#include "builder/SongDurations.h"
#include "project/Project.h"
#include "project/SettingsStore.h"

namespace velmora {

enum class MessageIcon { Plain, Information, Warning, Critical };

// Where the refusals of the first checks send the user.
enum class GuideTarget { AddPhotoButton, ChooseBackgroundButton };

class BuildHost {
  public:
    virtual ~BuildHost() = default;
    virtual void ShowMessage(MessageIcon icon, const std::string& text) = 0;
    // Switches to the page (1 photos, 3 screen and background), waits 100 ms
    // and moves the pointer to the button.
    virtual void GuideTo(int page, GuideTarget target) {
        (void)page;
        (void)target;
    }
    // The save dialog: returns the chosen path, nullopt when cancelled.
    virtual std::optional<std::string> AskTargetPath(const std::string& initialFolder,
                                                     const std::string& initialName) = 0;
    // Asks before replacing an existing file; true to go on.
    virtual bool ConfirmOverwrite(const std::string& path) = 0;
    // Lets pending window events run.
    virtual void PumpEvents() {}
    // The busy flag and the hourglass pointer.
    virtual void SetBusy(bool busy) { (void)busy; }
    // The finish dialog (modal) with the report text.
    virtual void ShowFinish(const std::string& report, const std::string& packagePath) = 0;
};

struct BuildOptions {
    // The program folder (shipped files, Mask/) with a trailing '/'.
    std::string programFolder;
    // The folder of the writable parts (Temp/, Output/); empty: the program
    // folder.
    std::string dataFolder;
    // Screen size the text placements refer to.
    int32_t screenWidth = 1024;
    int32_t screenHeight = 768;
    // The CRC-32 (FileCrc32Hex form) d3dx9_42.dll must have: the one of the
    // library built with this program (builder/ShippedLibrary.h).
    std::string expectedLibraryCrc;
    // The custom icon flag; the icon file is Temp/icofinal.ico.
    bool customIcon = false;
    // Replaces the stub's icon (icon file, stub path); empty: no icon
    // replacement, the stub keeps its own icon.
    std::function<bool(const std::string& iconPath, const std::string& stubPath)> patchStubIcon;
    // Font embedding ("打包字体"); with no collector it counts as off.
    bool includeFonts = false;
    struct Fonts {
        std::vector<std::string> files;         // ToInstallFont(k)
        std::vector<std::string> facesToCheck;  // fFontNameForCheck(1..4)
    };
    std::function<Fonts(const Project&)> collectFonts;
    // Worker threads for picture conversions (0: one per core).
    unsigned conversionThreads = 0;
};

enum class BuildOutcome { Built, Refused, Cancelled, Failed };

struct BuildResult {
    BuildOutcome outcome = BuildOutcome::Refused;
    std::string target;   // the package path when one was chosen
    uint64_t size = 0;    // final package length when built
    int errorCode = 0;    // failure number
    std::string message;  // the text reported to the user (empty when silent)
};

// The report text of the finish dialog.
std::string FinishReport(const std::string& name, int photos, int songs, uint64_t length,
                         const std::string& path);
// floor(length / 1048576 * 100) / 100 formatted "###0.00".
std::string MegabytesCut(uint64_t length);

// Runs the whole build. The project's "EnableTransition" is switched off
// when no transition is chosen (the only change made to it).
BuildResult BuildScreenSaver(Project& project, const BuildOptions& options, BuildHost& host,
                             Progress& progress, ImageConverter& converter, SongTimer& songs);

// The photo's upper-cased last four characters decide whether it needs a
// JPEG copy: ".BMP", ".PCX", and ".TGA" unless it is 32-bit.
bool PhotoNeedsConversion(const std::string& path, ImageConverter& converter);

// The button images of the player, in embedding order.
extern const char* const kButtonImageNames[11];

}  // namespace velmora
