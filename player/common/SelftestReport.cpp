#include "player/common/SelftestReport.h"

#include <charconv>
#include <cstdio>

namespace velmora::player {

namespace {

std::string Escape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

}  // namespace

std::string FormatValue(const Value& v) {
    switch (v.type()) {
        case ValueType::String:
            return Escape(v.text());
        case ValueType::Long:
            return std::to_string(v.long_());
        case ValueType::Integer:
            return std::to_string(v.integer());
        case ValueType::Single: {
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, v.single());
            return std::string(buf, r.ptr);
        }
        case ValueType::Boolean:
            return v.boolean() ? "True" : "False";
    }
    return {};
}

std::string SelftestReport(const PropertyBag& settings, uint64_t fileLength, uint64_t mediaStart,
                           const std::vector<ReportedFile>& files) {
    std::string out = "PACKAGE\t" + std::to_string(fileLength) + "\t" + std::to_string(mediaStart) +
                      "\t" + std::to_string(fileLength - mediaStart) + "\n";
    for (const auto& [name, value] : settings.entries()) {
        out += "SETTING\t" + Escape(name) + "\t" + ValueTypeName(value.type()) + "\t" +
               FormatValue(value) + "\n";
    }
    for (const auto& f : files) {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(f.crc32));
        out += "FILE\t" + Escape(f.name) + "\t" + std::to_string(f.size) + "\t" + crc + "\n";
    }
    return out;
}

}  // namespace velmora::player
