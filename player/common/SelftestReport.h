// The self-test report of the Windows player (`--selftest OUT.txt`): what the
// player read from its own package, as UTF-8 text with one record per line.
// Plain C++: the player and the native tests that check it share this file.
//
//   PACKAGE <TAB> file length <TAB> media area start <TAB> media area length
//   SETTING <TAB> name <TAB> type <TAB> value      every setting, stored order
//   FILE <TAB> name <TAB> size <TAB> CRC-32        every embedded file, media order
//
// Types are String, Long, Integer, Single and Boolean. Text values escape
// \t, \n, \r and \\; Single values are written in the shortest form that reads
// back to the same float; Boolean values are True or False. The CRC-32 is of
// the descrambled bytes, eight upper-case hex digits. Lines end with LF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "project/PropertyBag.h"

namespace velmora::player {

struct ReportedFile {
    std::string name;
    uint32_t size = 0;
    uint32_t crc32 = 0;
};

std::string FormatValue(const Value& v);

std::string SelftestReport(const PropertyBag& settings, uint64_t fileLength, uint64_t mediaStart,
                           const std::vector<ReportedFile>& files);

}  // namespace velmora::player
