// Helpers of the player tests: the shipped player files of this build, a
// package assembled with the builder's writer code, and running the Windows
// player under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/common/SelftestReport.h"
#include "project/SettingsStore.h"

namespace velmora::test {

// build/Mirb.bfq and build/d3dx9_42.dll of this build.
std::string ShippedStubPath();
std::string ShippedLibraryPath();
// The player program: the shipped stub with its head descrambled, as the
// builder restores it.
std::vector<uint8_t> RunnableStub();

// A package made from the runnable stub: the store's contents added as the
// resource DATA/ALLDATASETTINGS, then the store's embedded files appended,
// each with its head scrambled. The store must already hold TotalMediaSize.
std::vector<uint8_t> AssemblePackage(const SettingsStore& store);

// The report the player must write for a package made by AssemblePackage:
// every setting, and for every embedded file its size and the CRC-32 of the
// source file.
std::string ExpectedReport(const SettingsStore& store, uint64_t packageLength);

struct WineRun {
    int status = -1;
    std::string out;
};

// Runs a Windows program under Wine (tests/support/wine/run-wine.sh) in the
// test prefix of this build. Paths among the arguments are written as
// Windows paths with WinePath. x11Input: shell commands run on the virtual
// display once the program has started (x11 only).
WineRun RunUnderWine(const std::string& exe, const std::vector<std::string>& args, bool x11 = false,
                     const std::string& x11Input = "");
// "Z:" + path: the Unix path as Wine's Windows programs see it.
std::string WinePath(const std::string& unixPath);

}  // namespace velmora::test
