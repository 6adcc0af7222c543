#include "package/ResourcePack.h"

#include <cstdio>
#include <fstream>

#include "base/FileUtil.h"
#include "base/TextCodec.h"
#include "base/TextNumber.h"

namespace velmora {

namespace {

constexpr size_t kMaxText = ResourcePack::kRecordSize - 2;

class RecordReader {
  public:
    RecordReader(std::ifstream& f, uint64_t fileSize) : f_(f), size_(fileSize) {}
    // Record k (1-based) as text.
    std::optional<std::string> Get(uint64_t k) {
        uint64_t at = (k - 1) * ResourcePack::kRecordSize;
        if (k == 0 || at + 2 > size_)
            return std::nullopt;
        f_.seekg(static_cast<std::streamoff>(at));
        unsigned char len[2];
        if (!f_.read(reinterpret_cast<char*>(len), 2))
            return std::nullopt;
        size_t n = static_cast<size_t>(len[0] | len[1] << 8);
        if (n > kMaxText || at + 2 + n > size_)
            return std::nullopt;
        std::string s(n, '\0');
        if (n && !f_.read(s.data(), static_cast<std::streamsize>(n)))
            return std::nullopt;
        return s;
    }

  private:
    std::ifstream& f_;
    uint64_t size_;
};

void PutRecord(std::vector<uint8_t>& out, const std::string& text) {
    size_t start = out.size();
    out.resize(start + ResourcePack::kRecordSize, 0);
    out[start] = static_cast<uint8_t>(text.size() & 0xFF);
    out[start + 1] = static_cast<uint8_t>(text.size() >> 8);
    for (size_t i = 0; i < text.size(); ++i)
        out[start + 2 + i] = static_cast<uint8_t>(text[i]);
}

}  // namespace

bool ResourcePack::Open(const std::string& path) {
    entries_.clear();
    base_ = 0;
    path_ = path;
    auto fileSize = FileSize(path);
    if (!fileSize)
        return false;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return false;
    RecordReader rr(f, *fileSize);
    auto baseText = rr.Get(1);
    auto countText = rr.Get(2);
    if (!baseText || !countText)
        return false;
    auto base = ParseInteger<uint64_t>(*baseText);
    auto count = ParseInteger<uint64_t>(*countText);
    // Every entry needs three records of index: the count can never exceed
    // what the file holds.
    if (!base || !count || *base > *fileSize || *count > *fileSize / (3 * kRecordSize))
        return false;
    std::vector<PackEntry> entries(static_cast<size_t>(*count));
    for (uint64_t k = 0; k < *count; ++k) {
        auto name = rr.Get(3 + k);
        auto off = rr.Get(3 + *count + k);
        auto size = rr.Get(3 + 2 * *count + k);
        if (!name || !off || !size)
            return false;
        auto o = ParseInteger<uint64_t>(*off);
        auto s = ParseInteger<uint64_t>(*size);
        if (!o || !s || *o > *fileSize || *s > *fileSize)
            return false;
        if (*base + *o < *base || *base + *o + *s > *fileSize)
            return false;
        entries[k] = {*name, *o, *s};
    }
    base_ = *base;
    entries_ = std::move(entries);
    return true;
}

const PackEntry* ResourcePack::Find(const std::string& name) const {
    for (const auto& e : entries_)
        if (EqualsNoCase(e.name, name))
            return &e;
    return nullptr;
}

std::optional<std::vector<uint8_t>> ResourcePack::Read(const std::string& name) const {
    const PackEntry* e = Find(name);
    if (!e)
        return std::nullopt;
    std::ifstream f(path_, std::ios::binary);
    if (!f)
        return std::nullopt;
    f.seekg(static_cast<std::streamoff>(base_ + e->offset));
    std::vector<uint8_t> data(static_cast<size_t>(e->size));
    if (!data.empty() &&
        !f.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size())))
        return std::nullopt;
    return data;
}

bool ResourcePack::ExtractPackedFile(const std::string& name, const std::string& destPath) const {
    auto data = Read(name);
    if (!data)
        return false;
    std::remove(destPath.c_str());
    std::ofstream out(destPath, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(data->data()),
              static_cast<std::streamsize>(data->size()));
    out.close();
    return static_cast<bool>(out);
}

bool WriteResourcePack(const std::string& outPath, const std::vector<PackSource>& sources,
                       std::string* error) {
    auto fail = [&](const std::string& m) {
        if (error)
            *error = m;
        return false;
    };
    const size_t n = sources.size();
    std::vector<uint64_t> sizes;
    for (const auto& s : sources) {
        if (s.name.empty() || s.name.size() > kMaxText)
            return fail("entry name does not fit: " + s.name);
        auto sz = FileSize(s.path);
        if (!sz)
            return fail("cannot read " + s.path);
        sizes.push_back(*sz);
    }
    uint64_t base = (3 * n + 2) * ResourcePack::kRecordSize;
    std::vector<uint8_t> index;
    PutRecord(index, std::to_string(base));
    PutRecord(index, std::to_string(n));
    for (const auto& s : sources)
        PutRecord(index, s.name);
    uint64_t off = 0;
    for (size_t k = 0; k < n; ++k) {
        PutRecord(index, std::to_string(off));
        off += sizes[k];
    }
    for (size_t k = 0; k < n; ++k)
        PutRecord(index, std::to_string(sizes[k]));

    std::string tmp = outPath + ".part";
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out)
        return fail("cannot write " + tmp);
    out.write(reinterpret_cast<const char*>(index.data()),
              static_cast<std::streamsize>(index.size()));
    for (size_t k = 0; k < n; ++k) {
        auto data = ReadWholeFile(sources[k].path);
        if (!data || data->size() != sizes[k])
            return fail("cannot read " + sources[k].path);
        out.write(reinterpret_cast<const char*>(data->data()),
                  static_cast<std::streamsize>(data->size()));
    }
    out.close();
    if (!out) {
        std::remove(tmp.c_str());
        return fail("cannot write " + tmp);
    }
    if (std::rename(tmp.c_str(), outPath.c_str()) != 0) {
        std::remove(tmp.c_str());
        return fail("cannot write " + outPath);
    }
    return true;
}

}  // namespace velmora
