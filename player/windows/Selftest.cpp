#include "player/windows/Selftest.h"

#include "base/Crc32.h"
#include "player/common/SelftestReport.h"
#include "player/windows/PlayerPackage.h"
#include "player/windows/Win32Files.h"

namespace velmora::player {

namespace {

int WriteText(const std::wstring& outPath, const std::string& text, int code) {
    std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return WriteWholeFileW(outPath, bytes) ? code : 2;
}

}  // namespace

int RunSelftest(const std::wstring& packagePath, const std::wstring& outPath) {
    PlayerPackage pkg;
    if (!pkg.Open(packagePath))
        return WriteText(outPath, "ERROR\t" + pkg.error() + "\n", 1);
    PackageReader& reader = pkg.reader();
    std::vector<ReportedFile> files;
    files.reserve(reader.entries().size());
    for (const EmbeddedEntry& e : reader.entries()) {
        Crc32 crc;
        bool ok = reader.ReadEntry(e, 1u << 20, [&](std::span<const uint8_t> piece) {
            crc.Update(piece);
            return true;
        });
        if (!ok) {
            std::string why = pkg.error().empty() ? package_text::kMediaShort : pkg.error();
            return WriteText(outPath, "ERROR\t" + why + "\n", 1);
        }
        files.push_back({e.name, e.size, crc.Value()});
    }
    std::string report =
        SelftestReport(reader.settings(), reader.fileLength(), reader.mediaStart(), files);
    return WriteText(outPath, report, 0);
}

}  // namespace velmora::player
