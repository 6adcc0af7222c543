#include "audio/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmora::audio {

int64_t MemorySource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    if (offset >= bytes_.size())
        return 0;
    size_t n = out.size();
    if (n > bytes_.size() - offset)
        n = static_cast<size_t>(bytes_.size() - offset);
    if (n > 0)
        std::memcpy(out.data(), bytes_.data() + offset, n);
    return static_cast<int64_t>(n);
}

FileSource::~FileSource() {
    Close();
}

bool FileSource::Open(const std::string& path) {
    Close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = static_cast<uint64_t>(st.st_size);
    return true;
}

void FileSource::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

int64_t FileSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    if (fd_ < 0)
        return -1;
    if (offset >= size_)
        return 0;
    size_t done = 0;
    while (done < out.size()) {
        ssize_t r =
            ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
}

}  // namespace velmora::audio
