// File access of the Windows player through the Win32 API, with UTF-16 paths
// so that folders with Chinese names work whatever the system code page is.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/ByteSource.h"

namespace velmora::player {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// Full path of the running program file.
std::wstring ModulePath();

// A file opened for shared reading.
class Win32FileSource final : public ByteSource {
  public:
    Win32FileSource() = default;
    ~Win32FileSource() override;
    Win32FileSource(const Win32FileSource&) = delete;
    Win32FileSource& operator=(const Win32FileSource&) = delete;

    bool Open(const std::wstring& path);
    uint64_t Size() const override { return size_; }
    int64_t ReadAt(uint64_t offset, std::span<uint8_t> out) override;

  private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
    uint64_t size_ = 0;
};

// Reads a whole file of at most maxBytes; nullopt when it cannot be read.
std::optional<std::vector<uint8_t>> ReadWholeFileW(const std::wstring& path, uint64_t maxBytes);

// Creates or truncates path and writes bytes. False on any failure.
bool WriteWholeFileW(const std::wstring& path, std::span<const uint8_t> bytes);

}  // namespace velmora::player
