// File-level steps of a package build: the CRC of a file as the library
// check compares it, the head scrambling of the stub copy, and the streamed
// append of the media area.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "project/SettingsStore.h"

namespace velmora {

// CRC-32 of the whole file as upper-case hexadecimal without leading zeros
// ("23D1C115"); empty when the file is missing, empty or unreadable.
std::string FileCrc32Hex(const std::string& path);
// The same formatting for a CRC value.
std::string CrcHexNoLeadingZeros(uint32_t crc);

// XORs the first min(length, 5000) bytes of the file with a fresh package
// keystream, in place. False when the file cannot be read or written.
bool ScrambleFileHead(const std::string& path);

// Copies a file (replacing the destination). False on any failure.
bool CopyWholeFile(const std::string& from, const std::string& to);

struct AppendError {
    int code = 0;  // 53 file not found, 57 device I/O error, 75 path/file access
    std::string description;
};

// Appends every media entry at the end of the package file in order, each
// file's first min(size, 256) bytes scrambled with a fresh keystream, the
// rest copied as is, streamed in pieces (no whole-file copy in memory). A
// source shorter than its recorded size is an error; bytes a source gained
// since it was listed are not copied (the media area keeps its recorded
// layout).
// afterEach(j, count) is called after entry j (1-based) and between pieces
// with j - 1 done; it returns false to stop (cancel): the result is then
// false with code 0.
bool AppendMediaArea(const std::string& packagePath, const std::vector<EmbeddedFile>& media,
                     const std::function<bool(size_t done, size_t count)>& afterEach,
                     AppendError* error);

}  // namespace velmora
