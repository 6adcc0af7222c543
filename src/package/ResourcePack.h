// The resource pack gmi.src: named built-in files in one file.
//
// Layout: fixed 128-byte records, numbered from 1, each holding one text as a
// 16-bit little-endian length followed by that many bytes (at most 126).
// Record 1: the base offset; record 2: the entry count N; records 3..N+2 the
// entry names; N+3..2N+2 the entry offsets; 2N+3..3N+2 the entry sizes, all
// as decimal text (surrounding blanks ignored). Entry k's bytes start at byte
// base + offset(k) of the file and run for size(k) bytes. Names are compared
// without regard to case.
//
// Qt-free: the build-time pack writer in tools/ uses the same code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct PackEntry {
    std::string name;
    uint64_t offset = 0;  // from the base
    uint64_t size = 0;
};

class ResourcePack {
  public:
    static constexpr size_t kRecordSize = 128;

    // Reads the index of a pack file. False (and an empty index) when the
    // file is missing or its index is not valid: a record longer than its
    // slot, a count the file cannot hold, an entry past the end of the file.
    bool Open(const std::string& path);

    const std::vector<PackEntry>& entries() const { return entries_; }
    const PackEntry* Find(const std::string& name) const;

    // The bytes of one entry, read from the pack file.
    std::optional<std::vector<uint8_t>> Read(const std::string& name) const;

    // Copies one entry to destPath (an existing file there is replaced).
    bool ExtractPackedFile(const std::string& name, const std::string& destPath) const;

    const std::string& path() const { return path_; }
    uint64_t base() const { return base_; }

  private:
    std::string path_;
    uint64_t base_ = 0;
    std::vector<PackEntry> entries_;
};

struct PackSource {
    std::string name;  // entry name (at most 126 bytes)
    std::string path;  // file whose bytes become the entry
};

// Writes a pack of the given files to outPath. False with a message in
// *error when a file cannot be read or a name does not fit its record.
bool WriteResourcePack(const std::string& outPath, const std::vector<PackSource>& sources,
                       std::string* error);

}  // namespace velmora
