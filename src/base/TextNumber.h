// Trimming and number reading for texts that hold a number: settings values,
// records of old project files, resource pack indexes, the time boxes.
// Every reader of such texts goes through these, so that "  12 ", "+3" and
// "1e2" mean the same everywhere.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace velmora {

// The white space Trim removes at both ends: space, tab, carriage return and
// line feed.
inline constexpr std::string_view kTrimmedSpace = " \t\r\n";

// The text without white space at either end.
std::string_view Trim(std::string_view text);

// The text of a number without its surrounding white space and without a
// leading "+" (which std::from_chars does not take); "" when nothing is left
// or the "+" stands before a sign.
std::string_view NumberText(std::string_view text);

// The text, trimmed, as a finite decimal number: an optional "+" or "-", digits
// with an optional fraction and exponent ("12", "-0.5", "+3", "1e2"). The whole
// trimmed text must be the number; nullopt for empty text, anything else
// ("12a", "0x10", "inf", "nan", "+-1") and results that overflow a double.
std::optional<double> ParseNumber(std::string_view text);

// The text, trimmed, as a whole number of type Int: an optional "+" (and "-"
// for signed types), then decimal digits only. nullopt for empty text,
// anything else, and values outside Int's range.
template <class Int>
std::optional<Int> ParseInteger(std::string_view text) {
    static_assert(std::is_integral_v<Int> && !std::is_same_v<Int, bool>);
    std::string_view t = NumberText(text);
    if (t.empty())
        return std::nullopt;
    Int v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size())
        return std::nullopt;
    return v;
}

}  // namespace velmora
