#include "builder/ByteSource.h"

#include <cstring>
#include <filesystem>

namespace velmora {

bool SpanSource::Read(uint64_t offset, std::span<uint8_t> out) {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
        return false;
    if (!out.empty())
        std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
}

bool FileSource::Open(const std::string& utf8Path) {
    std::u8string u8(utf8Path.begin(), utf8Path.end());
    std::filesystem::path p(u8);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec))
        return false;
    in_.open(p, std::ios::binary);
    if (!in_)
        return false;
    in_.seekg(0, std::ios::end);
    auto end = in_.tellg();
    if (end < 0) {
        in_.close();
        return false;
    }
    size_ = static_cast<uint64_t>(end);
    return true;
}

bool FileSource::Read(uint64_t offset, std::span<uint8_t> out) {
    if (!in_.is_open() || offset > size_ || out.size() > size_ - offset)
        return false;
    if (out.empty())
        return true;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<size_t>(in_.gcount()) == out.size();
}

}  // namespace velmora
