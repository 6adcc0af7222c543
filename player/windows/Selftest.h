// `--selftest OUT.txt`: reads the player's own package exactly as playback
// does and writes what it found (see player/common/SelftestReport.h), then
// the program exits. Used by the tests that run the player under Wine.
#pragma once

#include <string>

namespace velmora::player {

// Exit code: 0 report written, 1 the package could not be read (the report
// file then holds one line "ERROR <TAB> message"), 2 the report could not be
// written.
int RunSelftest(const std::wstring& packagePath, const std::wstring& outPath);

}  // namespace velmora::player
