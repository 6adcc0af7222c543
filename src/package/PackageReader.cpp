#include "package/PackageReader.h"

#include <algorithm>

#include "package/PackageKeystream.h"
#include "package/PeResources.h"
#include "project/SettingsKeys.h"

namespace velmora {

namespace {

constexpr std::string_view kOffsetSuffix = kEmbeddedOffsetSuffix;
constexpr size_t kOffsetSuffixLen = kOffsetSuffix.size();
// A settings block larger than this is not one this system wrote.
constexpr uint32_t kMaxSettingsBlock = 64u << 20;

}  // namespace

bool PackageReader::Fail(std::string text) {
    error_ = std::move(text);
    settings_ = PropertyBag();
    block_.clear();
    entries_.clear();
    fileLength_ = mediaStart_ = 0;
    return false;
}

bool PackageReader::Open(const std::string& path) {
    auto fs = std::make_unique<FileSource>();
    if (!fs->Open(path))
        return Fail(std::string("无法打开文件：") + path);
    return Open(std::move(fs));
}

bool PackageReader::Open(std::unique_ptr<ByteSource> src) {
    src_ = std::move(src);
    PeImage pe;
    if (PeError e = pe.Parse(*src_); e != PeError::None)
        return Fail(PeErrorText(e));
    const ResourceEntry* res =
        pe.Find(ResourceId::Named(kSettingsResourceType), ResourceId::Named(kSettingsResourceName));
    if (!res)
        return Fail(package_text::kNoSettings);
    if (res->size > kMaxSettingsBlock)
        return Fail(package_text::kBadSettings);
    auto block = pe.ReadData(*res, *src_);
    if (!block)
        return Fail(package_text::kBadSettings);
    PropertyBag bag;
    if (!bag.SetContents(*block))
        return Fail(package_text::kBadSettings);

    const uint64_t length = src_->Size();
    int64_t total = 0;
    if (auto v = bag.ReadProperty(KeyName(keys::TotalMediaSize))) {
        auto t = v->ToLong();
        if (!t || *t < 0)
            return Fail(package_text::kBadEntry);
        total = *t;
    }
    // The media area follows the executable image; a total that reaches into
    // the image is a package cut short.
    if (static_cast<uint64_t>(total) > length ||
        length - static_cast<uint64_t>(total) < pe.imageEnd())
        return Fail(package_text::kMediaShort);
    const uint64_t start = length - static_cast<uint64_t>(total);

    std::vector<EmbeddedEntry> entries;
    for (const auto& [key, value] : bag.entries()) {
        if (key.size() <= kOffsetSuffixLen ||
            key.compare(key.size() - kOffsetSuffixLen, kOffsetSuffixLen, kOffsetSuffix) != 0)
            continue;
        EmbeddedEntry e;
        e.name = key.substr(0, key.size() - kOffsetSuffixLen);
        auto off = value.ToLong();
        auto sizeValue = bag.ReadProperty(e.name + std::string(kEmbeddedSizeSuffix));
        auto size = sizeValue ? sizeValue->ToLong() : std::nullopt;
        if (!off || !size || *off < 0 || *size < 0)
            return Fail(package_text::kBadEntry);
        e.offset = static_cast<uint64_t>(*off);
        e.size = static_cast<uint32_t>(*size);
        if (e.offset + e.size > static_cast<uint64_t>(total))
            return Fail(package_text::kMediaShort);
        if (auto t = bag.ReadProperty(e.name + std::string(kEmbeddedTypeSuffix)))
            e.type = t->ToText().value_or("");
        entries.push_back(std::move(e));
    }
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const EmbeddedEntry& a, const EmbeddedEntry& b) { return a.offset < b.offset; });

    error_.clear();
    settings_ = std::move(bag);
    block_ = std::move(*block);
    entries_ = std::move(entries);
    fileLength_ = length;
    mediaStart_ = start;
    return true;
}

const EmbeddedEntry* PackageReader::Find(const std::string& name) const {
    for (const auto& e : entries_) {
        if (e.name == name)
            return &e;
    }
    return nullptr;
}

bool PackageReader::ReadEntry(const EmbeddedEntry& e, size_t chunkBytes,
                              const std::function<bool(std::span<const uint8_t>)>& sink) {
    if (!src_ || chunkBytes == 0)
        return false;
    std::vector<uint8_t> buf(std::min<size_t>(chunkBytes, std::max<uint32_t>(e.size, 1)));
    uint64_t done = 0;
    while (done < e.size) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), e.size - done));
        std::span<uint8_t> piece(buf.data(), n);
        if (!src_->Read(mediaStart_ + e.offset + done, piece)) {
            error_ = package_text::kMediaShort;
            return false;
        }
        ScrambleAt(piece, done, kMediaScrambleBytes);
        if (!sink(piece))
            return false;
        done += n;
    }
    return true;
}

std::optional<std::vector<uint8_t>> PackageReader::ReadEntry(const EmbeddedEntry& e) {
    if (!src_)
        return std::nullopt;
    std::vector<uint8_t> out(e.size);
    if (!src_->Read(mediaStart_ + e.offset, out)) {
        error_ = package_text::kMediaShort;
        return std::nullopt;
    }
    ScrambleBufferHead(out);
    return out;
}

}  // namespace velmora
