// The part of iconv that the shared text decoding uses (GB18030 to UTF-8),
// for the Windows player, whose C library has no iconv. Conversion goes
// through the system's GB18030 code page (54936), one character at a time so
// that a bad sequence is reported at its first byte, as iconv does.
#pragma once

#include <windows.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

using iconv_t = void*;

namespace velmora_iconv_detail {
// The only conversion offered; its address serves as the handle.
inline int gb18030_to_utf8 = 0;

// Length of the GB18030 sequence at p (n bytes available): 1, 2 or 4; 0 when
// the bytes cannot start one, -1 when more bytes are needed.
inline int SequenceLength(const unsigned char* p, size_t n) {
    if (p[0] < 0x80)
        return 1;
    if (p[0] == 0x80 || p[0] == 0xFF)
        return 0;
    if (n < 2)
        return -1;
    if (p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F)
        return 2;
    if (p[1] < 0x30 || p[1] > 0x39)
        return 0;
    if (n < 4)
        return -1;
    if (p[2] < 0x81 || p[2] > 0xFE || p[3] < 0x30 || p[3] > 0x39)
        return 0;
    return 4;
}
}  // namespace velmora_iconv_detail

inline iconv_t iconv_open(const char* to, const char* from) {
    if (std::strcmp(to, "UTF-8") != 0 || std::strcmp(from, "GB18030") != 0) {
        errno = EINVAL;
        return reinterpret_cast<iconv_t>(-1);
    }
    return &velmora_iconv_detail::gb18030_to_utf8;
}

inline int iconv_close(iconv_t) {
    return 0;
}

inline size_t iconv(iconv_t, char** in, size_t* inLeft, char** out, size_t* outLeft) {
    if (!in || !*in)
        return 0;  // reset: the conversion keeps no state
    while (*inLeft > 0) {
        auto* p = reinterpret_cast<const unsigned char*>(*in);
        int len = velmora_iconv_detail::SequenceLength(p, *inLeft);
        if (len == 0) {
            errno = EILSEQ;
            return static_cast<size_t>(-1);
        }
        if (len < 0) {
            errno = EINVAL;
            return static_cast<size_t>(-1);
        }
        wchar_t wide[2];
        int nw = MultiByteToWideChar(54936, MB_ERR_INVALID_CHARS, *in, len, wide, 2);
        if (nw <= 0) {
            errno = EILSEQ;
            return static_cast<size_t>(-1);
        }
        char utf8[8];
        int nu = WideCharToMultiByte(CP_UTF8, 0, wide, nw, utf8, sizeof utf8, nullptr, nullptr);
        if (nu <= 0) {
            errno = EILSEQ;
            return static_cast<size_t>(-1);
        }
        if (static_cast<size_t>(nu) > *outLeft) {
            errno = E2BIG;
            return static_cast<size_t>(-1);
        }
        std::memcpy(*out, utf8, static_cast<size_t>(nu));
        *out += nu;
        *outLeft -= static_cast<size_t>(nu);
        *in += len;
        *inLeft -= static_cast<size_t>(len);
    }
    return 0;
}
