#include "player/common/SelftestReport.h"

#include <cstdio>

#include "project/SettingsText.h"

namespace velmora::player {

std::string FormatValue(const Value& v) {
    return FormatSettingValue(v, SingleFormat::Shortest);
}

std::string SelftestReport(const PropertyBag& settings, uint64_t fileLength, uint64_t mediaStart,
                           const std::vector<ReportedFile>& files) {
    std::string out = "PACKAGE\t" + std::to_string(fileLength) + "\t" + std::to_string(mediaStart) +
                      "\t" + std::to_string(fileLength - mediaStart) + "\n";
    for (const auto& [name, value] : settings.entries()) {
        out += "SETTING\t" + EscapeSettingText(name) + "\t" + ValueTypeName(value.type()) + "\t" +
               FormatValue(value) + "\n";
    }
    for (const auto& f : files) {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(f.crc32));
        out += "FILE\t" + EscapeSettingText(f.name) + "\t" + std::to_string(f.size) + "\t" + crc +
               "\n";
    }
    return out;
}

}  // namespace velmora::player
