// Our own PE32 resource reader and writer.
//
// Reading parses the headers, the section table and the three-level resource
// tree (type, name, language) of a 32-bit Windows program from a ByteSource.
// Every offset is checked against the file: a tree with loops, an entry past
// the file or a section table that does not fit yields an error, never a
// crash. Resource bytes are not loaded until asked for, so the player can
// find its settings block in a package of hundreds of megabytes.
//
// Writing takes the whole image in memory (a stub of a few hundred KB), sets
// one entry (add or replace by type, name and language), keeps every other
// resource and writes the tree back: in place when the resource section is
// the last section of the image, otherwise as a new last section. The section
// table, SizeOfImage, SizeOfInitializedData, the resource data directory and,
// when it was set, the header checksum are fixed. Bytes after the image (an
// overlay) are not kept: a package's media area is appended afterwards.
//
// Plain C++ with no Qt and no operating-system calls: the Windows player
// compiles the reading part.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/ByteSource.h"

namespace velmora {

enum class PeError {
    None = 0,
    CannotOpen,
    NotPe,         // no MZ/PE signature
    Truncated,     // headers or sections past the end of the file
    NotPe32,       // a PE file, but not a 32-bit image
    BadSections,   // section table inconsistent
    BadResources,  // resource tree malformed (loops, offsets out of range)
    TooManyResources,
    NoRoomForSection,  // header area too small for one more section header
    TooLarge,
    NotFound,
};

// The user-facing Chinese text of an error.
const char* PeErrorText(PeError e);

// An ordinal (id) or a name. Windows keeps resource names in upper case.
struct ResourceId {
    bool isName = false;
    uint16_t id = 0;
    std::u16string name;

    static ResourceId Ordinal(uint16_t v);
    // ASCII or UTF-8 name; stored upper-cased as Windows' updater does.
    static ResourceId Named(const std::string& utf8);
    bool operator==(const ResourceId& o) const {
        return isName == o.isName && (isName ? name == o.name : id == o.id);
    }
    // "DATA" for a name, "#3" for an ordinal.
    std::string ToString() const;
};

// Ordering of directory entries as Windows' loader searches them: names
// first, by UTF-16 code unit, then ordinals ascending.
bool ResourceIdLess(const ResourceId& a, const ResourceId& b);

inline constexpr uint16_t kRtIcon = 3;
inline constexpr uint16_t kRtGroupIcon = 14;

struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    uint32_t size = 0;
    // Where the bytes live in the file read (0 for an entry set in memory).
    uint64_t fileOffset = 0;
    // Bytes of an entry set in memory (or loaded with LoadData).
    std::optional<std::vector<uint8_t>> data;
};

struct PeSection {
    std::string name;
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t sizeOfRawData = 0;
    uint32_t pointerToRawData = 0;
    uint32_t characteristics = 0;
};

class PeImage {
  public:
    // Parses headers and the resource tree. Limits: at most kMaxResources
    // leaves, each wholly inside the file.
    PeError Parse(ByteSource& src);

    static constexpr size_t kMaxResources = 16384;

    const std::vector<PeSection>& sections() const { return sections_; }
    const std::vector<ResourceEntry>& resources() const { return resources_; }
    // End of the executable image in the file: the end of the last section's
    // raw data (or of the headers when there is none).
    uint64_t imageEnd() const { return imageEnd_; }
    uint32_t fileAlignment() const { return fileAlignment_; }
    uint32_t sectionAlignment() const { return sectionAlignment_; }

    // The first entry with this type and name (any language when language is
    // nullopt).
    const ResourceEntry* Find(const ResourceId& type, const ResourceId& name,
                              std::optional<uint16_t> language = std::nullopt) const;
    // How many entries have this type.
    size_t CountOfType(const ResourceId& type) const;

    // The bytes of an entry, read from src (the source that was parsed) or
    // taken from memory.
    std::optional<std::vector<uint8_t>> ReadData(const ResourceEntry& e, ByteSource& src) const;

    // Adds an entry, or replaces the bytes of the one with the same type,
    // name and language.
    void SetResource(const ResourceId& type, const ResourceId& name, uint16_t language,
                     std::vector<uint8_t> bytes);

    // Writes the image with the current resources. original is the file that
    // was parsed. On failure returns nullopt and sets *err.
    std::optional<std::vector<uint8_t>> Write(std::span<const uint8_t> original,
                                              PeError* err) const;

  private:
    PeError ParseResources(ByteSource& src, uint32_t rva, uint32_t size);
    std::optional<uint64_t> RvaToOffset(uint32_t rva, uint32_t length) const;

    std::vector<PeSection> sections_;
    std::vector<ResourceEntry> resources_;
    uint64_t fileSize_ = 0;
    uint64_t imageEnd_ = 0;
    uint32_t peOffset_ = 0;
    uint32_t optionalHeaderOffset_ = 0;
    uint16_t sizeOfOptionalHeader_ = 0;
    uint32_t sectionTableOffset_ = 0;
    uint32_t numberOfRvaAndSizes_ = 0;
    uint32_t sizeOfHeaders_ = 0;
    uint32_t fileAlignment_ = 0;
    uint32_t sectionAlignment_ = 0;
    uint32_t resourceRva_ = 0;
    uint32_t resourceSize_ = 0;
};

// Adds or replaces one resource of the PE file at path, keeping the others,
// and writes the file back in place. PeError::None on success.
PeError UpdateFileResource(const std::string& path, const ResourceId& type, const ResourceId& name,
                           uint16_t language, std::span<const uint8_t> bytes);

}  // namespace velmora
