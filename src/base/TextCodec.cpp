#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace velmora {

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not valid.
size_t Utf8SeqLen(std::span<const uint8_t> s, size_t i) {
    uint8_t c = s[i];
    if (c < 0x80)
        return 1;
    size_t n;
    uint32_t cp;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((s[i + k] & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (s[i + k] & 0x3F);
    }
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

std::string DecodeUtf16(std::span<const uint8_t> b, bool bigEndian) {
    std::string out;
    out.reserve(b.size());
    size_t i = 0;
    auto unit = [&](size_t k) -> uint32_t {
        return bigEndian ? static_cast<uint32_t>(b[k] << 8 | b[k + 1])
                         : static_cast<uint32_t>(b[k] | b[k + 1] << 8);
    };
    while (i + 1 < b.size()) {
        uint32_t u = unit(i);
        i += 2;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < b.size()) {
            uint32_t l = unit(i);
            if (l >= 0xDC00 && l <= 0xDFFF) {
                i += 2;
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (l - 0xDC00));
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            u = 0xFFFD;
        AppendUtf8(out, u);
    }
    return out;
}

std::string DecodeGb18030(std::span<const uint8_t> b) {
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::string out;
        for (uint8_t c : b) {
            if (c < 0x80)
                out.push_back(static_cast<char>(c));
            else
                AppendUtf8(out, 0xFFFD);
        }
        return out;
    }
    std::string out;
    std::vector<char> in(b.begin(), b.end());
    char* inp = in.data();
    size_t inLeft = in.size();
    std::vector<char> buf(4096);
    while (inLeft > 0) {
        char* outp = buf.data();
        size_t outLeft = buf.size();
        size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf.data(), buf.size() - outLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // Invalid or incomplete sequence: replace one byte and go on.
            AppendUtf8(out, 0xFFFD);
            ++inp;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | cp >> 18));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsValidUtf8(std::span<const uint8_t> s) {
    size_t i = 0;
    while (i < s.size()) {
        size_t n = Utf8SeqLen(s, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string DecodeSystemText(std::span<const uint8_t> b) {
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        auto rest = b.subspan(3);
        if (IsValidUtf8(rest))
            return std::string(rest.begin(), rest.end());
        std::string out;
        for (size_t i = 0; i < rest.size();) {
            size_t n = Utf8SeqLen(rest, i);
            if (n == 0) {
                AppendUtf8(out, 0xFFFD);
                ++i;
            } else {
                out.append(reinterpret_cast<const char*>(rest.data() + i), n);
                i += n;
            }
        }
        return out;
    }
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return DecodeUtf16(b.subspan(2), false);
    if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        return DecodeUtf16(b.subspan(2), true);
    if (IsValidUtf8(b))
        return std::string(b.begin(), b.end());
    return DecodeGb18030(b);
}

size_t CodePointCount(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string LastCodePoints(const std::string& utf8, size_t n) {
    size_t count = 0;
    size_t i = utf8.size();
    while (i > 0 && count < n) {
        --i;
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80)
            ++count;
    }
    return utf8.substr(i);
}

std::string AsciiUpper(std::string s) {
    for (auto& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string AsciiLower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

}  // namespace velmora
