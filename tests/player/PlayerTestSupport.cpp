#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include "RunVelmora.h"
#include "TempDir.h"
#include "base/Crc32.h"
#include "base/FileUtil.h"
#include "base/ByteSource.h"
#include "package/PackageKeystream.h"
#include "package/PackageReader.h"
#include "package/PeResources.h"

namespace velmora::test {

namespace {

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    return out + "'";
}

}  // namespace

std::string ShippedStubPath() {
    return std::string(VELMORA_PROGRAM_DIR) + "/Mirb.bfq";
}
std::string ShippedLibraryPath() {
    return std::string(VELMORA_PROGRAM_DIR) + "/d3dx9_42.dll";
}

std::vector<uint8_t> RunnableStub() {
    auto bytes = ReadWholeFile(ShippedStubPath());
    if (!bytes) {
        ADD_FAILURE() << "cannot read " << ShippedStubPath();
        return {};
    }
    ScrambleHead(*bytes, kStubScrambleBytes);
    return *bytes;
}

std::vector<uint8_t> AssemblePackage(const SettingsStore& store) {
    std::vector<uint8_t> stub = RunnableStub();
    PeImage pe;
    SpanSource src(stub);
    PeError err = pe.Parse(src);
    if (err != PeError::None) {
        ADD_FAILURE() << "stub does not parse: " << PeErrorText(err);
        return {};
    }
    pe.SetResource(ResourceId::Named(kSettingsResourceType),
                   ResourceId::Named(kSettingsResourceName), 0, store.Contents());
    auto image = pe.Write(stub, &err);
    if (!image) {
        ADD_FAILURE() << "resource update failed: " << PeErrorText(err);
        return {};
    }
    std::vector<uint8_t> pkg = std::move(*image);
    for (const EmbeddedFile& f : store.embeddedFiles()) {
        auto bytes = ReadWholeFile(f.path);
        if (!bytes) {
            ADD_FAILURE() << "cannot read " << f.path;
            return {};
        }
        ScrambleBufferHead(*bytes);
        pkg.insert(pkg.end(), bytes->begin(), bytes->end());
    }
    return pkg;
}

std::string ExpectedReport(const SettingsStore& store, uint64_t packageLength) {
    std::vector<player::ReportedFile> files;
    // Names in the order of their _OffSet settings, which is media order.
    size_t k = 0;
    for (const auto& [name, value] : store.bag().entries()) {
        const std::string suffix = "_OffSet";
        if (name.size() <= suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const EmbeddedFile& f = store.embeddedFiles().at(k++);
        auto bytes = ReadWholeFile(f.path);
        files.push_back(
            {name.substr(0, name.size() - suffix.size()), f.size, bytes ? Crc32Of(*bytes) : 0});
    }
    uint64_t media = store.mediaOffset();
    return player::SelftestReport(store.bag(), packageLength, packageLength - media, files);
}

std::string WinePath(const std::string& unixPath) {
    return "Z:" + unixPath;
}

WineRun RunUnderWine(const std::string& exe, const std::vector<std::string>& args, bool x11,
                     const std::string& x11Input) {
    std::string cmd = (x11Input.empty() ? "" : "VELMORA_WINE_X11_INPUT=" + Quote(x11Input) + " ") +
                      Quote(std::string(VELMORA_SOURCE_DIR) + "/tests/support/wine/run-wine.sh") +
                      " " + Quote(VELMORA_WINE_PREFIX) + " " + Quote(VELMORA_WINE_SHIM);
    if (x11)
        cmd += " --x11";
    cmd += " " + Quote(exe);
    for (const auto& a : args)
        cmd += " " + Quote(a);
    RunResult r = RunShell(cmd);
    return {r.status, r.out};
}

}  // namespace velmora::test
