// Text in the core is UTF-8. Text read "in the system code page" (LRC files,
// old record files) is decoded here: UTF-8 when it is valid UTF-8 or has a
// UTF-8 BOM, UTF-16 (LE or BE) when it has that BOM, else GB18030.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velmora {

bool IsValidUtf8(std::span<const uint8_t> bytes);
inline bool IsValidUtf8(const std::string& s) {
    return IsValidUtf8(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
}

// Decodes system-code-page text to UTF-8 (BOM removed). Undecodable bytes
// become U+FFFD.
std::string DecodeSystemText(std::span<const uint8_t> bytes);

// Appends code point cp to out in UTF-8.
void AppendUtf8(std::string& out, uint32_t cp);

// Number of Unicode code points of a UTF-8 text (invalid bytes count one each).
size_t CodePointCount(const std::string& utf8);

// The last n code points of a UTF-8 text (the whole text when shorter).
std::string LastCodePoints(const std::string& utf8, size_t n);

// ASCII upper case (other characters unchanged).
std::string AsciiUpper(std::string s);
std::string AsciiLower(std::string s);
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace velmora
