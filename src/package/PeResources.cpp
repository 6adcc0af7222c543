#include "package/PeResources.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "base/ByteReader.h"

namespace velmora {

namespace {

constexpr uint16_t kMz = 0x5A4D;
constexpr uint32_t kPeSignature = 0x00004550;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kSecurityDirectoryIndex = 4;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kDataDirectoriesOffset = 96;  // in the PE32 optional header
constexpr uint32_t kCheckSumOffset = 64;
constexpr uint32_t kSizeOfImageOffset = 56;
constexpr uint32_t kSizeOfInitializedDataOffset = 8;
constexpr uint32_t kMaxSections = 96;
// The largest image the writer takes in memory (stubs are a few hundred KB).
constexpr uint64_t kMaxWriteImage = 256ull << 20;
constexpr uint32_t kRsrcCharacteristics = 0x40000040;  // initialized data, readable

uint64_t AlignUp(uint64_t v, uint32_t a) {
    if (a == 0)
        return v;
    return (v + a - 1) / a * a;
}

void SetU16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void SetU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}
uint32_t GetU32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The standard PE image checksum: 16-bit one's-complement-style sum of the
// file with the checksum field taken as zero, plus the file length.
uint32_t PeChecksum(std::span<const uint8_t> file, size_t checksumAt) {
    uint64_t sum = 0;
    size_t n = file.size();
    for (size_t i = 0; i < n; i += 2) {
        if (i >= checksumAt && i < checksumAt + 4)
            continue;
        uint32_t w = file[i];
        if (i + 1 < n)
            w |= static_cast<uint32_t>(file[i + 1]) << 8;
        sum += w;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + n);
}

std::u16string Utf8ToUtf16Upper(const std::string& s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<uint8_t>(s[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 6 && i + 1 < s.size()) {
            cp = (c & 0x1Fu) << 6 | (static_cast<uint8_t>(s[i + 1]) & 0x3Fu);
            len = 2;
        } else if ((c >> 4) == 14 && i + 2 < s.size()) {
            cp = (c & 0x0Fu) << 12 | (static_cast<uint8_t>(s[i + 1]) & 0x3Fu) << 6 |
                 (static_cast<uint8_t>(s[i + 2]) & 0x3Fu);
            len = 3;
        } else if ((c >> 3) == 30 && i + 3 < s.size()) {
            cp = (c & 0x07u) << 18 | (static_cast<uint8_t>(s[i + 1]) & 0x3Fu) << 12 |
                 (static_cast<uint8_t>(s[i + 2]) & 0x3Fu) << 6 |
                 (static_cast<uint8_t>(s[i + 3]) & 0x3Fu);
            len = 4;
        }
        i += len;
        if (cp >= 'a' && cp <= 'z')
            cp -= 32;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// Reads a structure of the resource tree at offset off inside the resource
// directory block [base, base + size) through the file.
class TreeReader {
  public:
    TreeReader(ByteSource& src, uint64_t base, uint64_t size)
        : src_(src), base_(base), size_(size) {}
    bool Read(uint32_t off, std::span<uint8_t> out) {
        if (off > size_ || out.size() > size_ - off)
            return false;
        return src_.Read(base_ + off, out);
    }

  private:
    ByteSource& src_;
    uint64_t base_, size_;
};

}  // namespace

const char* PeErrorText(PeError e) {
    switch (e) {
        case PeError::None:
            return "";
        case PeError::CannotOpen:
            return "无法打开文件";
        case PeError::NotPe:
            return "不是有效的Windows程序文件";
        case PeError::Truncated:
            return "Windows程序文件不完整（已被截断）";
        case PeError::NotPe32:
            return "不是32位的Windows程序文件";
        case PeError::BadSections:
            return "Windows程序文件的节表已损坏";
        case PeError::BadResources:
            return "Windows程序文件的资源数据已损坏";
        case PeError::TooManyResources:
            return "Windows程序文件的资源太多";
        case PeError::NoRoomForSection:
            return "Windows程序文件的文件头中没有空间添加资源节";
        case PeError::TooLarge:
            return "Windows程序文件太大";
        case PeError::NotFound:
            return "找不到所需的资源";
    }
    return "";
}

ResourceId ResourceId::Ordinal(uint16_t v) {
    ResourceId r;
    r.id = v;
    return r;
}

ResourceId ResourceId::Named(const std::string& utf8) {
    ResourceId r;
    r.isName = true;
    r.name = Utf8ToUtf16Upper(utf8);
    return r;
}

std::string ResourceId::ToString() const {
    if (!isName)
        return "#" + std::to_string(id);
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        uint32_t cp = name[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
            name[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (name[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

bool ResourceIdLess(const ResourceId& a, const ResourceId& b) {
    if (a.isName != b.isName)
        return a.isName;  // names first
    if (a.isName)
        return a.name < b.name;
    return a.id < b.id;
}

PeError PeImage::Parse(ByteSource& src) {
    *this = PeImage();
    fileSize_ = src.Size();
    uint8_t dos[64];
    if (fileSize_ < sizeof dos || !src.Read(0, dos))
        return PeError::NotPe;
    ByteReader dr(dos);
    if (dr.U16() != kMz)
        return PeError::NotPe;
    dr.Seek(0x3C);
    peOffset_ = dr.U32();
    // Signature, file header (20 bytes), and the fixed part of the optional
    // header up to its data directories.
    uint8_t head[4 + 20 + kDataDirectoriesOffset];
    if (peOffset_ > fileSize_ || fileSize_ - peOffset_ < 4)
        return PeError::NotPe;
    uint8_t sig[4];
    if (!src.Read(peOffset_, sig) || GetU32(sig, 0) != kPeSignature)
        return PeError::NotPe;
    if (fileSize_ - peOffset_ < sizeof head || !src.Read(peOffset_, head))
        return PeError::Truncated;
    ByteReader r(head);
    r.Skip(4);
    r.Skip(2);  // machine
    uint16_t numberOfSections = r.U16();
    r.Skip(12);
    sizeOfOptionalHeader_ = r.U16();
    r.Skip(2);  // characteristics
    optionalHeaderOffset_ = peOffset_ + 24;
    uint16_t magic = r.U16();
    if (magic != kPe32Magic)
        return PeError::NotPe32;
    if (sizeOfOptionalHeader_ < kDataDirectoriesOffset)
        return PeError::NotPe32;
    r.Seek(24 + 32);
    sectionAlignment_ = r.U32();
    fileAlignment_ = r.U32();
    r.Seek(24 + 60);
    sizeOfHeaders_ = r.U32();
    r.Seek(24 + 92);
    numberOfRvaAndSizes_ = r.U32();
    if (!r.ok())
        return PeError::Truncated;
    if (numberOfRvaAndSizes_ > (sizeOfOptionalHeader_ - kDataDirectoriesOffset) / 8u)
        return PeError::BadSections;
    if (fileAlignment_ == 0 || sectionAlignment_ == 0 || (fileAlignment_ & (fileAlignment_ - 1)) ||
        (sectionAlignment_ & (sectionAlignment_ - 1)))
        return PeError::BadSections;

    if (numberOfRvaAndSizes_ > kResourceDirectoryIndex) {
        uint8_t dd[8];
        if (!src.Read(optionalHeaderOffset_ + kDataDirectoriesOffset + 8 * kResourceDirectoryIndex,
                      dd))
            return PeError::Truncated;
        resourceRva_ = GetU32(dd, 0);
        resourceSize_ = GetU32(dd, 4);
    }

    if (numberOfSections > kMaxSections)
        return PeError::BadSections;
    sectionTableOffset_ = optionalHeaderOffset_ + sizeOfOptionalHeader_;
    std::vector<uint8_t> table(size_t{numberOfSections} * kSectionHeaderSize);
    if (sectionTableOffset_ > fileSize_ || table.size() > fileSize_ - sectionTableOffset_ ||
        !src.Read(sectionTableOffset_, table))
        return PeError::Truncated;
    imageEnd_ = std::min<uint64_t>(sizeOfHeaders_, fileSize_);
    ByteReader tr(table);
    for (uint16_t i = 0; i < numberOfSections; ++i) {
        PeSection s;
        std::string raw = tr.String(8);
        s.name = raw.substr(0, raw.find('\0'));
        s.virtualSize = tr.U32();
        s.virtualAddress = tr.U32();
        s.sizeOfRawData = tr.U32();
        s.pointerToRawData = tr.U32();
        tr.Skip(12);
        s.characteristics = tr.U32();
        if (uint64_t{s.virtualAddress} + std::max(s.virtualSize, s.sizeOfRawData) > UINT32_MAX)
            return PeError::BadSections;
        if (s.sizeOfRawData > 0) {
            uint64_t end = uint64_t{s.pointerToRawData} + s.sizeOfRawData;
            if (end > fileSize_)
                return PeError::Truncated;
            imageEnd_ = std::max(imageEnd_, end);
        }
        sections_.push_back(std::move(s));
    }
    if (!tr.ok())
        return PeError::Truncated;

    if (resourceRva_ != 0 && resourceSize_ != 0) {
        PeError e = ParseResources(src, resourceRva_, resourceSize_);
        if (e != PeError::None)
            return e;
    }
    return PeError::None;
}

std::optional<uint64_t> PeImage::RvaToOffset(uint32_t rva, uint32_t length) const {
    for (const auto& s : sections_) {
        uint32_t span = std::max(s.virtualSize, s.sizeOfRawData);
        if (rva < s.virtualAddress || rva - s.virtualAddress >= span)
            continue;
        uint64_t within = rva - s.virtualAddress;
        if (within + length > s.sizeOfRawData)
            return std::nullopt;
        uint64_t off = s.pointerToRawData + within;
        if (off + length > fileSize_)
            return std::nullopt;
        return off;
    }
    return std::nullopt;
}

PeError PeImage::ParseResources(ByteSource& src, uint32_t rva, uint32_t size) {
    // The resource directory must lie in one section; the tree's offsets are
    // relative to its start.
    auto base = RvaToOffset(rva, 16);
    if (!base)
        return PeError::BadResources;
    uint64_t blockSize = size;
    for (const auto& s : sections_) {
        if (rva >= s.virtualAddress &&
            rva - s.virtualAddress < std::max(s.virtualSize, s.sizeOfRawData))
            blockSize = std::min<uint64_t>(blockSize, s.sizeOfRawData - (rva - s.virtualAddress));
    }
    blockSize = std::min<uint64_t>(blockSize, fileSize_ - *base);
    TreeReader tree(src, *base, blockSize);

    struct Dir {
        uint32_t offset;
        std::vector<std::pair<ResourceId, uint32_t>> entries;  // id, raw OffsetToData
    };
    size_t visited = 0;  // directory entries read, shared subdirectories counted again
    auto readDir = [&](uint32_t off, Dir& d) -> PeError {
        uint8_t h[16];
        if (!tree.Read(off, h))
            return PeError::BadResources;
        uint32_t named = static_cast<uint32_t>(h[12] | h[13] << 8);
        uint32_t ids = static_cast<uint32_t>(h[14] | h[15] << 8);
        uint32_t n = named + ids;
        visited += n;
        if (visited > 4 * kMaxResources)
            return PeError::TooManyResources;
        if (uint64_t{off} + 16 + uint64_t{n} * 8 > blockSize)
            return PeError::BadResources;
        std::vector<uint8_t> raw(size_t{n} * 8);
        if (!tree.Read(off + 16, raw))
            return PeError::BadResources;
        d.offset = off;
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t nameField = GetU32(raw, i * 8);
            uint32_t dataField = GetU32(raw, i * 8 + 4);
            ResourceId id;
            if (nameField & 0x80000000u) {
                uint32_t so = nameField & 0x7FFFFFFFu;
                uint8_t lenb[2];
                if (!tree.Read(so, lenb))
                    return PeError::BadResources;
                uint32_t len = static_cast<uint32_t>(lenb[0] | lenb[1] << 8);
                std::vector<uint8_t> chars(size_t{len} * 2);
                if (uint64_t{so} + 2 > UINT32_MAX || !tree.Read(so + 2, chars))
                    return PeError::BadResources;
                id.isName = true;
                for (uint32_t k = 0; k < len; ++k)
                    id.name.push_back(static_cast<char16_t>(chars[2 * k] | chars[2 * k + 1] << 8));
            } else {
                if (nameField > 0xFFFF)
                    return PeError::BadResources;
                id.id = static_cast<uint16_t>(nameField);
            }
            d.entries.emplace_back(std::move(id), dataField);
        }
        return PeError::None;
    };

    // Three fixed levels: a loop would need a directory to appear again on
    // its own path, which the level structure already rules out (a level-3
    // entry must be data). The leaf limit bounds trees that share
    // subdirectories.
    Dir root;
    if (PeError e = readDir(0, root); e != PeError::None)
        return e;
    for (const auto& [typeId, typeField] : root.entries) {
        if (!(typeField & 0x80000000u))
            return PeError::BadResources;
        uint32_t typeOff = typeField & 0x7FFFFFFFu;
        if (typeOff == 0)
            return PeError::BadResources;
        Dir names;
        if (PeError e = readDir(typeOff, names); e != PeError::None)
            return e;
        for (const auto& [nameId, nameField] : names.entries) {
            if (!(nameField & 0x80000000u))
                return PeError::BadResources;
            uint32_t nameOff = nameField & 0x7FFFFFFFu;
            if (nameOff == 0 || nameOff == typeOff)
                return PeError::BadResources;
            Dir langs;
            if (PeError e = readDir(nameOff, langs); e != PeError::None)
                return e;
            for (const auto& [langId, langField] : langs.entries) {
                if (langField & 0x80000000u)
                    return PeError::BadResources;  // too deep
                if (langId.isName)
                    return PeError::BadResources;
                uint8_t de[16];
                if (!tree.Read(langField, de))
                    return PeError::BadResources;
                uint32_t dataRva = GetU32(de, 0);
                uint32_t dataSize = GetU32(de, 4);
                ResourceEntry entry;
                entry.type = typeId;
                entry.name = nameId;
                entry.language = langId.id;
                entry.codePage = GetU32(de, 8);
                entry.size = dataSize;
                if (dataSize > 0) {
                    auto off = RvaToOffset(dataRva, dataSize);
                    if (!off)
                        return PeError::BadResources;
                    entry.fileOffset = *off;
                }
                if (resources_.size() >= kMaxResources)
                    return PeError::TooManyResources;
                resources_.push_back(std::move(entry));
            }
        }
    }
    return PeError::None;
}

const ResourceEntry* PeImage::Find(const ResourceId& type, const ResourceId& name,
                                   std::optional<uint16_t> language) const {
    for (const auto& e : resources_) {
        if (e.type == type && e.name == name && (!language || e.language == *language))
            return &e;
    }
    return nullptr;
}

size_t PeImage::CountOfType(const ResourceId& type) const {
    return static_cast<size_t>(std::count_if(resources_.begin(), resources_.end(),
                                             [&](const auto& e) { return e.type == type; }));
}

std::optional<std::vector<uint8_t>> PeImage::ReadData(const ResourceEntry& e,
                                                      ByteSource& src) const {
    if (e.data)
        return e.data;
    std::vector<uint8_t> out(e.size);
    if (!src.Read(e.fileOffset, out))
        return std::nullopt;
    return out;
}

void PeImage::SetResource(const ResourceId& type, const ResourceId& name, uint16_t language,
                          std::vector<uint8_t> bytes) {
    for (auto& e : resources_) {
        if (e.type == type && e.name == name && e.language == language) {
            e.size = static_cast<uint32_t>(bytes.size());
            e.fileOffset = 0;
            e.data = std::move(bytes);
            return;
        }
    }
    ResourceEntry e;
    e.type = type;
    e.name = name;
    e.language = language;
    e.size = static_cast<uint32_t>(bytes.size());
    e.data = std::move(bytes);
    resources_.push_back(std::move(e));
}

namespace {

// Lays out a resource section for the given entries at section RVA baseRva.
// Order inside: all directories (root, types, names), the data entries, the
// name strings, then the data, each blob 8-byte aligned.
std::vector<uint8_t> BuildResourceSection(const std::vector<const ResourceEntry*>& sorted,
                                          const std::vector<std::vector<uint8_t>>& blobs,
                                          uint32_t baseRva) {
    struct LangNode {
        uint16_t lang;
        size_t leaf;
    };
    struct NameNode {
        ResourceId id;
        std::vector<LangNode> langs;
    };
    struct TypeNode {
        ResourceId id;
        std::vector<NameNode> names;
    };
    std::vector<TypeNode> types;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const auto& e = *sorted[i];
        if (types.empty() || !(types.back().id == e.type))
            types.push_back({e.type, {}});
        auto& names = types.back().names;
        if (names.empty() || !(names.back().id == e.name))
            names.push_back({e.name, {}});
        names.back().langs.push_back({e.language, i});
    }
    auto dirSize = [](size_t n) { return 16 + 8 * n; };
    // Offsets of every directory.
    uint32_t off = static_cast<uint32_t>(dirSize(types.size()));
    std::vector<uint32_t> typeDirOff, nameDirOff;
    for (const auto& t : types) {
        typeDirOff.push_back(off);
        off += static_cast<uint32_t>(dirSize(t.names.size()));
    }
    for (const auto& t : types) {
        for (const auto& n : t.names) {
            nameDirOff.push_back(off);
            off += static_cast<uint32_t>(dirSize(n.langs.size()));
        }
    }
    uint32_t dataEntriesOff = off;
    off += static_cast<uint32_t>(16 * sorted.size());
    // Strings: one per distinct named id, in tree order.
    std::map<std::u16string, uint32_t> stringOff;
    std::vector<std::u16string> stringOrder;
    auto addString = [&](const ResourceId& id) {
        if (!id.isName || stringOff.count(id.name))
            return;
        stringOff[id.name] = off;
        stringOrder.push_back(id.name);
        off += static_cast<uint32_t>(2 + 2 * id.name.size());
    };
    for (const auto& t : types) {
        addString(t.id);
        for (const auto& n : t.names)
            addString(n.id);
    }
    off = static_cast<uint32_t>(AlignUp(off, 8));
    std::vector<uint32_t> blobOff(sorted.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
        blobOff[i] = off;
        off = static_cast<uint32_t>(AlignUp(uint64_t{off} + blobs[i].size(), 8));
    }
    std::vector<uint8_t> out(off, 0);

    auto writeDir = [&](uint32_t at, size_t named, size_t ids) {
        SetU16(out, at + 12, static_cast<uint16_t>(named));
        SetU16(out, at + 14, static_cast<uint16_t>(ids));
    };
    auto idField = [&](const ResourceId& id) -> uint32_t {
        return id.isName ? (0x80000000u | stringOff[id.name]) : id.id;
    };
    auto countNamed = [](const auto& v, auto getId) {
        size_t c = 0;
        for (const auto& x : v)
            c += getId(x).isName ? 1 : 0;
        return c;
    };
    writeDir(0, countNamed(types, [](const TypeNode& t) -> const ResourceId& { return t.id; }),
             types.size() -
                 countNamed(types, [](const TypeNode& t) -> const ResourceId& { return t.id; }));
    size_t nameIndex = 0;
    for (size_t ti = 0; ti < types.size(); ++ti) {
        const auto& t = types[ti];
        SetU32(out, 16 + 8 * ti, idField(t.id));
        SetU32(out, 16 + 8 * ti + 4, 0x80000000u | typeDirOff[ti]);
        size_t named =
            countNamed(t.names, [](const NameNode& n) -> const ResourceId& { return n.id; });
        writeDir(typeDirOff[ti], named, t.names.size() - named);
        for (size_t ni = 0; ni < t.names.size(); ++ni, ++nameIndex) {
            const auto& n = t.names[ni];
            uint32_t at = typeDirOff[ti] + 16 + static_cast<uint32_t>(8 * ni);
            SetU32(out, at, idField(n.id));
            SetU32(out, at + 4, 0x80000000u | nameDirOff[nameIndex]);
            writeDir(nameDirOff[nameIndex], 0, n.langs.size());
            for (size_t li = 0; li < n.langs.size(); ++li) {
                uint32_t lat = nameDirOff[nameIndex] + 16 + static_cast<uint32_t>(8 * li);
                size_t leaf = n.langs[li].leaf;
                SetU32(out, lat, n.langs[li].lang);
                SetU32(out, lat + 4, dataEntriesOff + static_cast<uint32_t>(16 * leaf));
            }
        }
    }
    for (size_t i = 0; i < sorted.size(); ++i) {
        uint32_t at = dataEntriesOff + static_cast<uint32_t>(16 * i);
        SetU32(out, at, baseRva + blobOff[i]);
        SetU32(out, at + 4, static_cast<uint32_t>(blobs[i].size()));
        SetU32(out, at + 8, sorted[i]->codePage);
        if (!blobs[i].empty())
            std::memcpy(out.data() + blobOff[i], blobs[i].data(), blobs[i].size());
    }
    for (const auto& s : stringOrder) {
        uint32_t at = stringOff[s];
        SetU16(out, at, static_cast<uint16_t>(s.size()));
        for (size_t k = 0; k < s.size(); ++k)
            SetU16(out, at + 2 + 2 * k, static_cast<uint16_t>(s[k]));
    }
    return out;
}

}  // namespace

std::optional<std::vector<uint8_t>> PeImage::Write(std::span<const uint8_t> original,
                                                   PeError* err) const {
    auto fail = [&](PeError e) -> std::optional<std::vector<uint8_t>> {
        if (err)
            *err = e;
        return std::nullopt;
    };
    if (original.size() != fileSize_)
        return fail(PeError::BadSections);
    if (original.size() > kMaxWriteImage)
        return fail(PeError::TooLarge);
    if (numberOfRvaAndSizes_ <= kResourceDirectoryIndex)
        return fail(PeError::BadSections);

    // Entries sorted as the loader searches them; ties keep their order.
    std::vector<const ResourceEntry*> sorted;
    for (const auto& e : resources_)
        sorted.push_back(&e);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ResourceEntry* a, const ResourceEntry* b) {
                         if (!(a->type == b->type))
                             return ResourceIdLess(a->type, b->type);
                         if (!(a->name == b->name))
                             return ResourceIdLess(a->name, b->name);
                         return a->language < b->language;
                     });
    std::vector<std::vector<uint8_t>> blobs;
    SpanSource src(original);
    // Entries of a crafted tree may all name the same bytes; the copy of
    // them stays within the writer's size limit.
    uint64_t totalData = 0;
    for (const auto* e : sorted)
        totalData += e->size;
    if (totalData > kMaxWriteImage)
        return fail(PeError::TooLarge);
    for (const auto* e : sorted) {
        auto d = ReadData(*e, src);
        if (!d)
            return fail(PeError::BadResources);
        blobs.push_back(std::move(*d));
    }

    // Which section receives the tree: the resource section itself when it
    // is the last one of the image (by address and by file position) and the
    // tree starts at its beginning; otherwise a new last section.
    int last = -1;
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (last < 0 ||
            sections_[i].virtualAddress > sections_[static_cast<size_t>(last)].virtualAddress)
            last = static_cast<int>(i);
    }
    bool inPlace = false;
    if (last >= 0 && resourceRva_ != 0) {
        const auto& s = sections_[static_cast<size_t>(last)];
        bool lastInFile = true;
        for (const auto& o : sections_) {
            if (&o != &s && o.sizeOfRawData > 0 && o.pointerToRawData >= s.pointerToRawData)
                lastInFile = false;
        }
        inPlace = lastInFile && s.virtualAddress == resourceRva_ && s.pointerToRawData > 0;
    }

    std::vector<uint8_t> out;
    uint32_t sectionRva, sectionFileOff;
    size_t headerAt;  // section header position
    uint32_t oldRawSize = 0;
    if (inPlace) {
        const auto& s = sections_[static_cast<size_t>(last)];
        sectionRva = s.virtualAddress;
        sectionFileOff = s.pointerToRawData;
        headerAt = sectionTableOffset_ + static_cast<size_t>(last) * kSectionHeaderSize;
        oldRawSize = s.sizeOfRawData;
    } else {
        size_t n = sections_.size();
        headerAt = sectionTableOffset_ + n * kSectionHeaderSize;
        uint64_t firstRaw = sizeOfHeaders_;
        for (const auto& s : sections_) {
            if (s.sizeOfRawData > 0)
                firstRaw = std::min<uint64_t>(firstRaw, s.pointerToRawData);
        }
        if (headerAt + kSectionHeaderSize > firstRaw || n + 1 > kMaxSections)
            return fail(PeError::NoRoomForSection);
        uint64_t vend = AlignUp(sizeOfHeaders_, sectionAlignment_);
        for (const auto& s : sections_) {
            vend = std::max<uint64_t>(
                vend, AlignUp(uint64_t{s.virtualAddress} + std::max(s.virtualSize, s.sizeOfRawData),
                              sectionAlignment_));
        }
        if (vend > 0x7FFF0000u)
            return fail(PeError::TooLarge);
        sectionRva = static_cast<uint32_t>(vend);
        sectionFileOff = static_cast<uint32_t>(AlignUp(imageEnd_, fileAlignment_));
    }
    std::vector<uint8_t> rsrc = BuildResourceSection(sorted, blobs, sectionRva);
    uint32_t virtualSize = static_cast<uint32_t>(rsrc.size());
    uint32_t rawSize = static_cast<uint32_t>(AlignUp(rsrc.size(), fileAlignment_));
    if (uint64_t{sectionFileOff} + rawSize > kMaxWriteImage)
        return fail(PeError::TooLarge);

    size_t keep = inPlace ? sectionFileOff : std::min<uint64_t>(imageEnd_, original.size());
    out.assign(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(keep));
    out.resize(sectionFileOff, 0);
    out.insert(out.end(), rsrc.begin(), rsrc.end());
    out.resize(uint64_t{sectionFileOff} + rawSize, 0);

    // Section header.
    if (!inPlace) {
        std::memset(out.data() + headerAt, 0, kSectionHeaderSize);
        std::memcpy(out.data() + headerAt, ".rsrc", 5);
        SetU32(out, headerAt + 12, sectionRva);
        SetU32(out, headerAt + 20, sectionFileOff);
        SetU32(out, headerAt + 36, kRsrcCharacteristics);
        SetU16(out, peOffset_ + 6, static_cast<uint16_t>(sections_.size() + 1));
    }
    SetU32(out, headerAt + 8, virtualSize);
    SetU32(out, headerAt + 16, rawSize);

    // Optional header: initialized data, image size, directories, checksum.
    size_t oh = optionalHeaderOffset_;
    uint32_t initData = GetU32(out, oh + kSizeOfInitializedDataOffset);
    SetU32(out, oh + kSizeOfInitializedDataOffset, initData - oldRawSize + rawSize);
    uint64_t imageSize = AlignUp(uint64_t{sectionRva} + virtualSize, sectionAlignment_);
    for (const auto& s : sections_) {
        imageSize = std::max<uint64_t>(
            imageSize,
            AlignUp(uint64_t{s.virtualAddress} + std::max(s.virtualSize, s.sizeOfRawData),
                    sectionAlignment_));
    }
    if (imageSize > 0x7FFF0000u)
        return fail(PeError::TooLarge);
    SetU32(out, oh + kSizeOfImageOffset, static_cast<uint32_t>(imageSize));
    size_t dd = oh + kDataDirectoriesOffset;
    SetU32(out, dd + 8 * kResourceDirectoryIndex, sectionRva);
    SetU32(out, dd + 8 * kResourceDirectoryIndex + 4, virtualSize);
    // A signature covers the old bytes and lies in the dropped overlay.
    if (numberOfRvaAndSizes_ > kSecurityDirectoryIndex) {
        SetU32(out, dd + 8 * kSecurityDirectoryIndex, 0);
        SetU32(out, dd + 8 * kSecurityDirectoryIndex + 4, 0);
    }
    if (GetU32(out, oh + kCheckSumOffset) != 0) {
        SetU32(out, oh + kCheckSumOffset, 0);
        SetU32(out, oh + kCheckSumOffset, PeChecksum(out, oh + kCheckSumOffset));
    }
    if (err)
        *err = PeError::None;
    return out;
}

}  // namespace velmora
