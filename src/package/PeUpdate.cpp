// File-level resource update (uses the POSIX file helpers; not part of the
// reader that the Windows player compiles).
#include <fstream>

#include "base/FileUtil.h"
#include "package/PeResources.h"

namespace velmora {

PeError UpdateFileResource(const std::string& path, const ResourceId& type, const ResourceId& name,
                           uint16_t language, std::span<const uint8_t> bytes) {
    auto file = ReadWholeFile(path, 256ull << 20);
    if (!file)
        return FileExists(path) ? PeError::TooLarge : PeError::CannotOpen;
    SpanSource src(*file);
    PeImage pe;
    if (PeError e = pe.Parse(src); e != PeError::None)
        return e;
    pe.SetResource(type, name, language, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    PeError err = PeError::None;
    auto out = pe.Write(*file, &err);
    if (!out)
        return err;
    // Rewritten in place: the file is a package being built, which the build
    // deletes on any failure, so the flush-and-rename of a crash-safe save
    // would only cost time.
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(out->data()), static_cast<std::streamsize>(out->size()));
    f.close();
    if (!f)
        return PeError::CannotOpen;
    return PeError::None;
}

}  // namespace velmora
