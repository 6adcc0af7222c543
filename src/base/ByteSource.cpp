#include "base/ByteSource.h"

#include <cstring>
#include <filesystem>

namespace velmora {

int64_t SpanSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    if (offset >= bytes_.size())
        return 0;
    size_t n = out.size();
    if (n > bytes_.size() - offset)
        n = static_cast<size_t>(bytes_.size() - offset);
    if (n > 0)
        std::memcpy(out.data(), bytes_.data() + offset, n);
    return static_cast<int64_t>(n);
}

bool FileSource::Open(const std::string& utf8Path) {
    Close();
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

void FileSource::Close() {
    if (in_.is_open())
        in_.close();
    in_.clear();
    size_ = 0;
}

int64_t FileSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    if (!in_.is_open())
        return -1;
    if (offset >= size_)
        return 0;
    size_t n = out.size();
    if (n > size_ - offset)
        n = static_cast<size_t>(size_ - offset);
    if (n == 0)
        return 0;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
    if (in_.bad())
        return -1;
    return static_cast<int64_t>(in_.gcount());
}

}  // namespace velmora
