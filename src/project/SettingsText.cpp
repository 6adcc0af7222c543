#include "project/SettingsText.h"

#include <charconv>
#include <cstdio>

namespace velmora {

std::string EscapeSettingText(const std::string& s) {
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

bool UnescapeSettingText(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out.push_back(s[i]);
            continue;
        }
        if (++i >= s.size())
            return false;
        switch (s[i]) {
            case 't':
                out.push_back('\t');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                return false;
        }
    }
    return true;
}

std::string FormatSettingValue(const Value& v, SingleFormat single) {
    switch (v.type()) {
        case ValueType::String:
            return EscapeSettingText(v.text());
        case ValueType::Long:
            return std::to_string(v.long_());
        case ValueType::Integer:
            return std::to_string(v.integer());
        case ValueType::Single: {
            char buf[64];
            if (single == SingleFormat::Shortest) {
                auto r = std::to_chars(buf, buf + sizeof buf, v.single());
                return std::string(buf, r.ptr);
            }
            std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v.single()));
            return buf;
        }
        case ValueType::Boolean:
            return v.boolean() ? "True" : "False";
    }
    return {};
}

}  // namespace velmora
