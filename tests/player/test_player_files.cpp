// The shipped player files of this build, as the builder and Windows need
// them: Mirb.bfq (the player with its head scrambled) and d3dx9_42.dll.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "PlayerTestSupport.h"
#include "RunVelmora.h"
#include "TempDir.h"
#include "base/Crc32.h"
#include "base/FileUtil.h"
#include "base/ByteSource.h"
#include "package/PackageKeystream.h"
#include "package/PeResources.h"
#include "player/SupportLibrary.h"

namespace velmora::test {
namespace {

// The DLLs every Windows installation has.
const std::set<std::string> kSystemDlls = {"KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",
                                           "GDIPLUS.DLL",  "OLE32.DLL",    "SHELL32.DLL",
                                           "MSVCRT.DLL",   "ADVAPI32.DLL", "D3D9.DLL"};

struct PeFacts {
    int warnings = -1;
    std::string machine;
    long overlay = -1;
    std::vector<std::string> imports, exports;
};

PeFacts Inspect(const std::string& path) {
    RunResult r =
        RunShell(std::string(PLAYER_PYTHON) + " " + PLAYER_PE_CHECKER + " '" + path + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    PeFacts f;
    std::istringstream in(r.out);
    std::string key, value;
    while (in >> key >> value) {
        if (key == "warnings")
            f.warnings = std::stoi(value);
        if (key == "machine")
            f.machine = value;
        if (key == "overlay")
            f.overlay = std::stol(value);
        if (key == "import")
            f.imports.push_back(value);
        if (key == "export")
            f.exports.push_back(value);
    }
    return f;
}

TEST(PlayerStub, ShippedScrambledAndRestoredByTheBuildersStep) {
    auto shipped = ReadWholeFile(ShippedStubPath());
    ASSERT_TRUE(shipped) << ShippedStubPath();
    ASSERT_GT(shipped->size(), kStubScrambleBytes);
    // Shipped scrambled: not recognisable as a program.
    EXPECT_FALSE((*shipped)[0] == 'M' && (*shipped)[1] == 'Z');
    std::vector<uint8_t> stub = RunnableStub();
    ASSERT_EQ(stub.size(), shipped->size());
    EXPECT_EQ(stub[0], 'M');
    EXPECT_EQ(stub[1], 'Z');
    // Only the first 5000 bytes differ.
    EXPECT_TRUE(std::equal(stub.begin() + kStubScrambleBytes, stub.end(),
                           shipped->begin() + kStubScrambleBytes));
    auto exe = ReadWholeFile(PLAYER_EXE);
    ASSERT_TRUE(exe) << PLAYER_EXE;
    EXPECT_TRUE(*exe == stub) << "descrambled Mirb.bfq differs from the player program";
}

TEST(PlayerStub, MeetsWhatTheBuilderRequires) {
    std::vector<uint8_t> stub = RunnableStub();
    PeImage pe;
    SpanSource src(stub);
    ASSERT_EQ(pe.Parse(src), PeError::None);
    // Nothing follows the image: the media area is appended right after it.
    EXPECT_EQ(pe.imageEnd(), stub.size());

    // Icons and an icon group; the first icon holds a 48 x 48, 32-bit image
    // of 9,640 bytes.
    EXPECT_GE(pe.CountOfType(ResourceId::Ordinal(kRtIcon)), 1u);
    EXPECT_GE(pe.CountOfType(ResourceId::Ordinal(kRtGroupIcon)), 1u);
    const ResourceEntry* first = nullptr;
    for (const auto& r : pe.resources())
        if (!r.type.isName && r.type.id == kRtIcon && !r.name.isName &&
            (!first || r.name.id < first->name.id))
            first = &r;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->size, 9640u);
    auto icon = pe.ReadData(*first, src);
    ASSERT_TRUE(icon);
    ASSERT_GE(icon->size(), 16u);
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>((*icon)[at] | (*icon)[at + 1] << 8 | (*icon)[at + 2] << 16 |
                                     (*icon)[at + 3] << 24);
    };
    EXPECT_EQ(u32(0), 40u);       // BITMAPINFOHEADER
    EXPECT_EQ(u32(4), 48u);       // width
    EXPECT_EQ(u32(8), 96u);       // height: colour and mask rows
    EXPECT_EQ((*icon)[14], 32u);  // bits per pixel

    // The resource directory lies at file offset 309 or more.
    uint32_t rsrcOffset = 0;
    for (const auto& s : pe.sections())
        if (s.name == ".rsrc")
            rsrcOffset = s.pointerToRawData;
    EXPECT_GE(rsrcOffset, 309u);

    // Windows' own view: a 32-bit x86 program needing only system DLLs.
    TempDir dir;
    WriteBytes(dir / "player.exe", stub);
    PeFacts f = Inspect(dir / "player.exe");
    EXPECT_EQ(f.warnings, 0);
    EXPECT_EQ(f.machine, "0x14c");
    EXPECT_EQ(f.overlay, 0);
    EXPECT_FALSE(f.imports.empty());
    for (const auto& dll : f.imports)
        EXPECT_TRUE(kSystemDlls.count(dll)) << dll;
    RunResult wrestool = RunShell("wrestool -l '" + (dir / "player.exe") + "'");
    EXPECT_EQ(wrestool.status, 0);
    EXPECT_NE(wrestool.out.find("--type=3"), std::string::npos) << wrestool.out;
    EXPECT_NE(wrestool.out.find("--type=14"), std::string::npos) << wrestool.out;
}

TEST(SupportLibrary, ExportsTheD3dxHelpersAndMatchesItsRecordedCrc) {
    PeFacts f = Inspect(ShippedLibraryPath());
    EXPECT_EQ(f.warnings, 0);
    EXPECT_EQ(f.machine, "0x14c");
    for (const char* name :
         {"D3DXCreateTextureFromFileInMemoryEx", "D3DXCreateTextureFromFileInMemory",
          "D3DXGetImageInfoFromFileInMemory", "D3DXCreateSprite"})
        EXPECT_NE(std::find(f.exports.begin(), f.exports.end(), name), f.exports.end()) << name;
    for (const auto& dll : f.imports)
        EXPECT_TRUE(kSystemDlls.count(dll)) << dll;

    // The build's library check compares with this value.
    ASSERT_TRUE(kSupportLibraryBuilt);
    auto crc = FileCrc32(ShippedLibraryPath());
    ASSERT_TRUE(crc);
    EXPECT_EQ(*crc, kSupportLibraryCrc32);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(*crc));
    EXPECT_STREQ(kSupportLibraryCrc32Hex, hex);
}

}  // namespace
}  // namespace velmora::test
