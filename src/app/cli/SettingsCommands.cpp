// velmora settings dump FILE / settings make OUT
//
// Line format, one stored value per line in stored order:
//   NAME <TAB> TYPE <TAB> VALUE
// TYPE is String, Long, Integer, Single or Boolean. Text is UTF-8 with the
// escapes \t, \n, \r and \\; Single has 9 significant digits (enough to give
// the same float back); Boolean is True or False.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

#include "app/cli/Cli.h"
#include "project/SettingsStore.h"
#include "project/SettingsText.h"

namespace velmora::cli {

namespace {

bool ParseInt(const std::string& s, long long lo, long long hi, long long& out) {
    if (s.empty())
        return false;
    size_t i = 0;
    bool neg = false;
    if (s[0] == '-' || s[0] == '+') {
        neg = s[0] == '-';
        i = 1;
    }
    if (i >= s.size())
        return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
        if (v > 1LL << 40)
            return false;
    }
    if (neg)
        v = -v;
    if (v < lo || v > hi)
        return false;
    out = v;
    return true;
}

std::optional<Value> ParseValue(ValueType type, const std::string& text) {
    long long n;
    switch (type) {
        case ValueType::String: {
            std::string s;
            if (!UnescapeSettingText(text, s))
                return std::nullopt;
            return Value::Text(s);
        }
        case ValueType::Long:
            if (!ParseInt(text, INT32_MIN, INT32_MAX, n))
                return std::nullopt;
            return Value::Long(static_cast<int32_t>(n));
        case ValueType::Integer:
            if (!ParseInt(text, INT16_MIN, INT16_MAX, n))
                return std::nullopt;
            return Value::Integer(static_cast<int16_t>(n));
        case ValueType::Single: {
            if (text.empty())
                return std::nullopt;
            char* end = nullptr;
            float f = std::strtof(text.c_str(), &end);
            if (end != text.c_str() + text.size())
                return std::nullopt;
            return Value::Single(f);
        }
        case ValueType::Boolean:
            if (text == "True")
                return Value::Boolean(true);
            if (text == "False")
                return Value::Boolean(false);
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

void PrintSettings(const PropertyBag& bag, std::ostream& out) {
    for (const auto& [name, v] : bag.entries())
        out << EscapeSettingText(name) << '\t' << ValueTypeName(v.type()) << '\t'
            << FormatSettingValue(v) << '\n';
}

namespace {

int Dump(const std::string& path) {
    SettingsStore store;
    if (!store.LoadSettingsFile(path)) {
        Error("无法读取设置文件：" + path + "（文件不存在，或不是有效的设置文件）");
        return 1;
    }
    PrintSettings(store.bag(), std::cout);
    std::cout.flush();
    return std::cout ? 0 : 1;
}

int Make(const std::string& out) {
    SettingsStore store;
    std::string line;
    int lineNo = 0;
    while (std::getline(std::cin, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        size_t t1 = line.find('\t');
        size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        std::string name;
        auto type = t2 == std::string::npos ? std::nullopt
                                            : ValueTypeFromName(line.substr(t1 + 1, t2 - t1 - 1));
        std::optional<Value> v;
        if (type && UnescapeSettingText(line.substr(0, t1), name) && !name.empty())
            v = ParseValue(*type, line.substr(t2 + 1));
        if (!v) {
            Error("第 " + std::to_string(lineNo) + " 行格式错误：应为 名称<TAB>类型<TAB>值");
            return 1;
        }
        store.WriteSetting(name, *v);
    }
    if (!store.SaveSettingsFile(out)) {
        Error("无法写入设置文件：" + out);
        return 1;
    }
    return 0;
}

}  // namespace

int RunSettingsCommand(Args args) {
    if (args.size() == 2 && args[0] == "dump")
        return Dump(args[1]);
    if (args.size() == 2 && args[0] == "make")
        return Make(args[1]);
    return UsageError("settings");
}

}  // namespace velmora::cli
