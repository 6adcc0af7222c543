// Plain-file helpers shared by the core subsystems (no Qt).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// Reads a whole file. nullopt when it cannot be opened or read, or when it is
// larger than maxBytes (so a caller never allocates more than it allows).
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path,
                                                  uint64_t maxBytes = UINT64_MAX);

// Writes bytes to path crash-safely: the bytes go to a new file beside the
// target, are flushed to the disk, and that file is then renamed over the
// target. A failure at any point leaves the old file untouched and removes the
// temporary one. Returns false on failure.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// Deletes the plain files of a folder; subfolders, hidden files and failures
// are left alone. A trailing slash is allowed.
void EmptyFolder(const std::string& folder);

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);

// Size in bytes, or nullopt when it is not a readable regular file.
std::optional<uint64_t> FileSize(const std::string& path);

// Folder path with exactly one trailing '/'.
std::string WithTrailingSlash(std::string folder);

// Last path component (after the last '/').
std::string FileNameOf(const std::string& path);

}  // namespace velmora
