// Settings values as one line of text: the form `settings dump` prints and
// `settings make` reads, which `package inspect` and the player's self-test
// report share. Text escapes \t, \n, \r and \\; Boolean is True or False.
// Plain C++ (the Windows player compiles it too).
#pragma once

#include <string>

#include "project/PropertyBag.h"

namespace velmora {

std::string EscapeSettingText(const std::string& text);
// False when a backslash starts no known escape.
bool UnescapeSettingText(const std::string& escaped, std::string& out);

enum class SingleFormat {
    NineDigits,  // %.9g: nine significant digits
    Shortest,    // the shortest text that reads back to the same float
};

// The value as text (String values escaped, without quotes).
std::string FormatSettingValue(const Value& v, SingleFormat single = SingleFormat::NineDigits);

}  // namespace velmora
