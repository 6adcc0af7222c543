#include "builder/PackageFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "base/Crc32.h"
#include "base/FileUtil.h"
#include "package/PackageKeystream.h"

namespace velmora {

namespace {

// Piece size of the streamed copy: large enough that the system calls cost
// nothing next to the disk, small enough to keep the window responsive
// between pieces.
constexpr size_t kPiece = 2u << 20;

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Reads up to n bytes; the count read (short only at the end of the file),
// or -1 on an error.
ssize_t ReadFull(int fd, uint8_t* p, size_t n) {
    size_t got = 0;
    while (got < n) {
        ssize_t r = ::read(fd, p + got, n - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        got += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

}  // namespace

std::string CrcHexNoLeadingZeros(uint32_t crc) {
    static const char* kDigits = "0123456789ABCDEF";
    std::string s;
    do {
        s.insert(s.begin(), kDigits[crc & 0xF]);
        crc >>= 4;
    } while (crc != 0);
    return s;
}

std::string FileCrc32Hex(const std::string& path) {
    auto size = FileSize(path);
    if (!size || *size == 0)
        return {};
    auto crc = FileCrc32(path);
    if (!crc)
        return {};
    return CrcHexNoLeadingZeros(*crc);
}

bool ScrambleFileHead(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    uint8_t head[kStubScrambleBytes];
    ssize_t n = ReadFull(fd.get(), head, sizeof head);
    if (n < 0)
        return false;
    ScrambleHead(std::span<uint8_t>(head, static_cast<size_t>(n)), kStubScrambleBytes);
    if (::lseek(fd.get(), 0, SEEK_SET) != 0)
        return false;
    if (!WriteAll(fd.get(), head, static_cast<size_t>(n)))
        return false;
    return fd.Close();
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return false;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.get() < 0)
        return false;
    auto buf = std::make_unique<uint8_t[]>(kPiece);
    for (;;) {
        ssize_t n = ReadFull(in.get(), buf.get(), kPiece);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!WriteAll(out.get(), buf.get(), static_cast<size_t>(n)))
            return false;
    }
    return out.Close();
}

bool AppendMediaArea(const std::string& packagePath, const std::vector<EmbeddedFile>& media,
                     const std::function<bool(size_t done, size_t count)>& afterEach,
                     AppendError* error) {
    auto fail = [&](int code, std::string text) {
        if (error)
            *error = {code, std::move(text)};
        return false;
    };
    // The package must exist: the media area goes after its last byte.
    Fd out(::open(packagePath.c_str(), O_WRONLY | O_CLOEXEC));
    if (out.get() < 0)
        return fail(75, "路径/文件访问错误：" + packagePath);
    if (::lseek(out.get(), 0, SEEK_END) < 0)
        return fail(57, "设备 I/O 错误：" + packagePath);
    auto buf = std::make_unique<uint8_t[]>(kPiece);
    const size_t count = media.size();
    for (size_t j = 0; j < count; ++j) {
        const EmbeddedFile& m = media[j];
        Fd in(::open(m.path.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0)
            return fail(53, "文件未找到：" + m.path);
#ifdef POSIX_FADV_SEQUENTIAL
        ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
        // The scrambled head goes through memory; the rest is copied by the
        // kernel (copy_file_range) where the file systems allow it, else
        // read and written in pieces.
        uint64_t done = 0;
        bool kernelCopy = true;
        while (done < m.size) {
            ssize_t n;
            if (done >= kMediaScrambleBytes && kernelCopy) {
                size_t want = static_cast<size_t>(std::min<uint64_t>(kPiece, m.size - done));
                n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, want, 0);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                              errno == EOPNOTSUPP || errno == EBADF)) {
                    kernelCopy = false;
                    continue;
                }
                if (n < 0)
                    return fail(61, "磁盘已满或无法写入：" + packagePath);
            } else {
                uint64_t limit = done < kMediaScrambleBytes ? kMediaScrambleBytes - done : kPiece;
                size_t want = static_cast<size_t>(std::min<uint64_t>(limit, m.size - done));
                n = ReadFull(in.get(), buf.get(), want);
                if (n < 0)
                    return fail(57, "设备 I/O 错误：" + m.path);
                std::span<uint8_t> piece(buf.get(), static_cast<size_t>(n));
                ScrambleAt(piece, done, kMediaScrambleBytes);
                if (!WriteAll(out.get(), piece.data(), piece.size()))
                    return fail(61, "磁盘已满或无法写入：" + packagePath);
            }
            if (n == 0)
                break;  // shorter than when it was listed
            done += static_cast<uint64_t>(n);
            if (done < m.size && afterEach && !afterEach(j, count))
                return fail(0, "");
        }
        if (done != m.size)
            return fail(75, "文件在创建图片幻灯的过程中被修改：" + m.path);
        if (afterEach && !afterEach(j + 1, count))
            return fail(0, "");
    }
    if (!out.Close())
        return fail(57, "设备 I/O 错误：" + packagePath);
    return true;
}

}  // namespace velmora
