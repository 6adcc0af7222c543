#include "player/windows/Win32Files.h"

#include <algorithm>
#include <limits>

namespace velmora::player {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty())
        return {};
    if (utf8.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    if (wide.size() > static_cast<size_t>(std::numeric_limits<int>::max() / 4))
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::wstring ModulePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        if (buf.size() >= 32768)
            return {};
        buf.resize(buf.size() * 2);
    }
}

Win32FileSource::~Win32FileSource() {
    if (h_ != INVALID_HANDLE_VALUE)
        CloseHandle(h_);
}

bool Win32FileSource::Open(const std::wstring& path) {
    if (h_ != INVALID_HANDLE_VALUE) {
        CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }
    h_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h_ == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h_, &size) || size.QuadPart < 0) {
        CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return false;
    }
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

int64_t Win32FileSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    if (h_ == INVALID_HANDLE_VALUE)
        return -1;
    if (offset >= size_)
        return 0;
    size_t n = out.size();
    if (n > size_ - offset)
        n = static_cast<size_t>(size_ - offset);
    size_t done = 0;
    while (done < n) {
        OVERLAPPED ov{};
        uint64_t at = offset + done;
        ov.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        ov.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(h_, out.data() + done, want, &got, &ov))
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<int64_t>(done);
}

std::optional<std::vector<uint8_t>> ReadWholeFileW(const std::wstring& path, uint64_t maxBytes) {
    Win32FileSource src;
    if (!src.Open(path) || src.Size() > maxBytes)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(src.Size()));
    if (!bytes.empty() && !src.Read(0, bytes))
        return std::nullopt;
    return bytes;
}

bool WriteWholeFileW(const std::wstring& path, std::span<const uint8_t> bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
        DWORD put = 0;
        ok = WriteFile(h, bytes.data() + done, want, &put, nullptr) && put == want;
        done += put;
    }
    ok = CloseHandle(h) && ok;
    return ok;
}

}  // namespace velmora::player
