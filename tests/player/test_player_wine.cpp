// The Windows player run under Wine on packages assembled with the builder's
// writer code: what it reads (its self-test report), how it refuses damaged
// packages, the frames it composes and a whole show in a window.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <random>

#include "PlayerTestSupport.h"
#include "RunVelmora.h"
#include "TempDir.h"
#include "base/Crc32.h"
#include "base/FileUtil.h"
#include "package/PackageReader.h"
#include "project/Project.h"

namespace velmora::test {
namespace {

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> out(n);
    for (auto& b : out)
        b = static_cast<uint8_t>(gen());
    return out;
}

std::string ReadText(const std::string& path) {
    auto bytes = ReadWholeFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<no file>");
}

std::string SavePicture(const TempDir& dir, const std::string& name, int w, int h, QColor color,
                        const char* format) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    std::string path = dir / name;
    EXPECT_TRUE(img.save(QString::fromStdString(path), format, 95)) << path;
    return path;
}

// The colour at (x, y) of a 24-bit bottom-up BMP file.
QColor BmpPixel(const std::vector<uint8_t>& bmp, int x, int y) {
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 |
                                     bmp[at + 3] << 24);
    };
    if (bmp.size() < 54)
        return {};
    int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    size_t at = u32(10) + static_cast<size_t>(h - 1 - y) * stride + static_cast<size_t>(x) * 3;
    if (at + 3 > bmp.size())
        return {};
    return QColor(bmp[at + 2], bmp[at + 1], bmp[at]);
}

bool Near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(WinePlayer, SelftestReportsEverySettingAndEveryEmbeddedFile) {
    TempDir dir;
    SettingsStore store;
    store.ResetEmbeddedFiles();
    store.WriteSetting("StyleSelect", std::string(5, ' ') + "1" + std::string(122, ' '));
    store.WriteSetting("TitleText(1)", "我们的旅行");
    store.WriteSetting("IsPackage", Value::Boolean(true));
    store.WriteSetting("MuteSound", Value::Boolean(false));
    store.WriteSetting("ImgDrawScale", Value::Long(3));
    store.WriteSetting("SolidColor", Value::Long(0x00336699));
    store.WriteSetting("CurrentMask", Value::Integer(0));
    store.WriteSetting("TimeInterval", Value::Single(12.5f));
    store.WriteSetting("ExportPassword", "tab\there\\back\nline");
    // Embedded files around the 256-byte scrambled head, and an empty one.
    const struct {
        const char* name;
        const char* file;
        size_t size;
    } files[] = {
        {"btn_close", "btn_close.png", 1},
        {"TextureImage", "rainbow.jpg", 255},
        {"LogoImage", "logo.png", 0},
        {"MusicNames(1)", "song.mp3", 256},
        {"MusicLyricFiles(1)", "song.lrc", 257},
        {"ImgNames(1)", "photo.jpeg", 6000},
        {"d3DFile", "d3dx9_42.dll", 70000},
    };
    uint32_t seed = 1;
    for (const auto& f : files) {
        WriteBytes(dir / f.file, RandomBytes(f.size, seed++));
        ASSERT_TRUE(store.WriteEmbeddedFile(f.name, dir / f.file)) << f.name;
    }
    store.WriteSetting("NowI", Value::Long(1));
    store.WriteSetting("TotalMediaSize", Value::Long(static_cast<int32_t>(store.mediaOffset())));

    std::vector<uint8_t> pkg = AssemblePackage(store);
    ASSERT_FALSE(pkg.empty());
    WriteBytes(dir / "show.exe", pkg);
    WineRun run = RunUnderWine(dir / "show.exe", {"--selftest", WinePath(dir / "report.txt")});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ReadText(dir / "report.txt"), ExpectedReport(store, pkg.size()));
}

TEST(WinePlayer, DamagedPackagesAreRefusedWithTheReadersMessage) {
    TempDir dir;
    SettingsStore store;
    store.ResetEmbeddedFiles();
    WriteBytes(dir / "a.jpg", RandomBytes(3000, 7));
    ASSERT_TRUE(store.WriteEmbeddedFile("ImgNames(1)", dir / "a.jpg"));
    store.WriteSetting("TotalMediaSize", Value::Long(static_cast<int32_t>(store.mediaOffset())));
    std::vector<uint8_t> pkg = AssemblePackage(store);
    ASSERT_GT(pkg.size(), 10u);
    // A media area shorter than the settings say.
    pkg.resize(pkg.size() - 1000);
    WriteBytes(dir / "short.exe", pkg);
    WineRun run = RunUnderWine(dir / "short.exe", {"--selftest", WinePath(dir / "short.txt")});
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(ReadText(dir / "short.txt"),
              std::string("ERROR\t") + package_text::kMediaShort + "\n");

    // The bare stub holds no settings block at all.
    WriteBytes(dir / "bare.exe", RunnableStub());
    run = RunUnderWine(dir / "bare.exe", {"--selftest", WinePath(dir / "bare.txt")});
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(ReadText(dir / "bare.txt"),
              std::string("ERROR\t") + package_text::kNoSettings + "\n");
}

// A package of two photos on a green background, fitted to the screen. With
// secondByPath the second photo is not embedded: its setting is its path, as
// in a local playback package.
std::vector<uint8_t> TwoPhotoPackage(const TempDir& dir, const std::string& duration,
                                     bool secondByPath = false) {
    SettingsStore store;
    store.ResetEmbeddedFiles();
    store.WriteSetting("BackGroundSet", "1");
    store.WriteSetting("SolidColor", Value::Long(0x0000FF00));  // 0x00BBGGRR: green
    store.WriteSetting("ImgDrawScale", Value::Long(3));
    store.WriteSetting("TimeInterval", Value::Single(12));
    store.WriteSetting("NowI", Value::Long(2));
    std::string red = SavePicture(dir, "red.png", 40, 20, QColor(255, 0, 0), "PNG");
    std::string blue = SavePicture(dir, "blue.jpg", 10, 10, QColor(0, 0, 255), "JPG");
    EXPECT_TRUE(store.WriteEmbeddedFile("ImgNames(1)", red));
    store.WriteSetting("SlideDuration(1)", duration);
    if (secondByPath)
        store.WriteSetting("ImgNames(2)", WinePath(blue));
    else
        EXPECT_TRUE(store.WriteEmbeddedFile("ImgNames(2)", blue));
    store.WriteSetting("SlideDuration(2)", duration);
    store.WriteSetting("TotalMediaSize", Value::Long(static_cast<int32_t>(store.mediaOffset())));
    return AssemblePackage(store);
}

TEST(WinePlayer, ComposesEachSlideOnTheBackgroundInItsPlacementMode) {
    TempDir dir;
    WriteBytes(dir / "show.exe", TwoPhotoPackage(dir, "5", /*secondByPath=*/true));
    const QColor green(0, 255, 0), red(255, 0, 0), blue(0, 0, 255);

    // 40 x 20 fitted to 80 x 60: 80 x 40 at (0, 10).
    WineRun run = RunUnderWine(dir / "show.exe",
                               {"--render-slide", "1", "80", "60", WinePath(dir / "slide1.bmp")});
    ASSERT_EQ(run.status, 0) << run.out;
    auto bmp = ReadBytes(dir / "slide1.bmp");
    EXPECT_TRUE(Near(BmpPixel(bmp, 40, 30), red));
    EXPECT_TRUE(Near(BmpPixel(bmp, 2, 12), red));
    EXPECT_TRUE(Near(BmpPixel(bmp, 40, 4), green));
    EXPECT_TRUE(Near(BmpPixel(bmp, 40, 56), green));

    // 10 x 10 (JPEG, read from its path) fitted to 80 x 60: 60 x 60 at (10, 0).
    run = RunUnderWine(dir / "show.exe",
                       {"--render-slide", "2", "80", "60", WinePath(dir / "slide2.bmp")});
    ASSERT_EQ(run.status, 0) << run.out;
    bmp = ReadBytes(dir / "slide2.bmp");
    EXPECT_TRUE(Near(BmpPixel(bmp, 40, 30), blue, 40));
    EXPECT_TRUE(Near(BmpPixel(bmp, 4, 30), green));
    EXPECT_TRUE(Near(BmpPixel(bmp, 76, 30), green));
}

TEST(WinePlayer, ShowsEveryPhotoForItsDurationAndEndsAfterTheLast) {
    TempDir dir;
    WriteBytes(dir / "show.exe", TwoPhotoPackage(dir, "1.5"));
    auto start = std::chrono::steady_clock::now();
    WineRun run = RunUnderWine(dir / "show.exe", {}, /*x11=*/true);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.status, 0) << run.out;
    // Two photos of 1.5 s each were on screen before the show ended.
    EXPECT_GE(seconds, 3.0);
}

TEST(WineSupportLibrary, ReadsPicturesCreatesTexturesAndDrawsSprites) {
    TempDir dir;
    QImage png(40, 20, QImage::Format_ARGB32);
    png.fill(QColor(255, 0, 0));
    ASSERT_TRUE(png.save(QString::fromStdString(dir / "red.png"), "PNG"));
    SavePicture(dir, "blue.jpg", 30, 10, QColor(0, 0, 255), "JPG");
    WineRun run = RunUnderWine(D3DX_CHECK_EXE,
                               {WinePath(ShippedLibraryPath()), WinePath(dir / "red.png"),
                                WinePath(dir / "blue.jpg"), WinePath(dir / "out.txt")},
                               /*x11=*/true);
    ASSERT_EQ(run.status, 0) << run.out;
    std::string out = ReadText(dir / "out.txt");
    // Sizes, formats (A8R8G8B8 21, R8G8B8 20) and file formats (PNG 3, JPG 1).
    EXPECT_NE(out.find("info png 40 20 21 3\n"), std::string::npos) << out;
    EXPECT_NE(out.find("info jpg 30 10 20 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("baddata FAILED\n"), std::string::npos) << out;
    ASSERT_NE(out.find("device OK"), std::string::npos) << out;
    // Texture sizes: actual with D3DX_DEFAULT_NONPOW2, powers of two with
    // D3DX_DEFAULT.
    EXPECT_NE(out.find("texture exact 40 20\n"), std::string::npos) << out;
    EXPECT_NE(out.find("texture pow2 64 32\n"), std::string::npos) << out;
    // The sprite at (8, 8) at half alpha over black, outside it black; the
    // left half drawn twice as wide at (0, 40) at full alpha.
    auto pixel = [&](int x, int y) {
        std::string key = "pixel " + std::to_string(x) + " " + std::to_string(y) + " ";
        size_t at = out.find(key);
        if (at == std::string::npos)
            return QColor();
        int r = 0, g = 0, b = 0;
        std::sscanf(out.c_str() + at + key.size(), "%d %d %d", &r, &g, &b);
        return QColor(r, g, b);
    };
    EXPECT_TRUE(Near(pixel(10, 10), QColor(128, 0, 0), 8)) << out;
    EXPECT_TRUE(Near(pixel(4, 4), QColor(0, 0, 0), 8)) << out;
    EXPECT_TRUE(Near(pixel(2, 45), QColor(255, 0, 0), 8)) << out;
    EXPECT_TRUE(Near(pixel(30, 45), QColor(255, 0, 0), 8)) << out;
    EXPECT_TRUE(Near(pixel(50, 45), QColor(0, 0, 0), 8)) << out;
}

TEST(WinePlayer, EscapeOrAClickEndsTheShow) {
    TempDir dir;
    WriteBytes(dir / "show.exe", TwoPhotoPackage(dir, "60"));
    // Wait for the show's window, let it paint, then press Esc or click.
    const std::string find =
        "xdotool search --sync --onlyvisible --name Velmora >/dev/null; sleep 2; ";
    const struct {
        const char* label;
        std::string input;
    } cases[] = {
        {"Esc", find + "xdotool key Escape"},
        {"click", find + "xdotool mousemove 100 100 click 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto start = std::chrono::steady_clock::now();
        WineRun run = RunUnderWine(dir / "show.exe", {}, /*x11=*/true, c.input);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(run.status, 0) << run.out;
        // Well before the two photos' 120 s were over.
        EXPECT_LT(seconds, 100.0);
    }
}

// The whole road: a project built into a package by the program's own build
// command, then read and shown by the Windows player.
TEST(WinePlayer, PlaysAPackageBuiltByTheProgram) {
    TempDir dir;
    std::string red = SavePicture(dir, "red.jpg", 64, 48, QColor(255, 0, 0), "JPG");
    std::string blue = SavePicture(dir, "blue.bmp", 32, 32, QColor(0, 0, 255), "BMP");
    Project p = MakeDefaultProject(ProjectEnvironment{});
    for (const std::string& path : {red, blue}) {
        PhotoEntry e;
        e.ImgName = path;
        e.SlideDuration = "6";
        p.photos.push_back(e);
    }
    SettingsStore store;
    WriteProjectSettings(p, store, false);
    ASSERT_TRUE(store.SaveSettingsFile(dir / "trip.aps"));
    const std::string pkg = dir / "trip.exe";
    RunResult b = RunShell(std::string(VELMORA_PROGRAM_DIR) + "/velmora build '" +
                           (dir / "trip.aps") + "' -o '" + pkg + "'");
    ASSERT_EQ(b.status, 0) << b.out;

    // What the player read is what the package holds, as the builder's own
    // reader sees it.
    WineRun run = RunUnderWine(pkg, {"--selftest", WinePath(dir / "report.txt")});
    ASSERT_EQ(run.status, 0) << run.out;
    PackageReader reader;
    ASSERT_TRUE(reader.Open(pkg)) << reader.error();
    std::vector<player::ReportedFile> files;
    for (const auto& e : reader.entries()) {
        auto bytes = reader.ReadEntry(e);
        ASSERT_TRUE(bytes) << e.name;
        files.push_back({e.name, e.size, Crc32Of(*bytes)});
    }
    std::string report = ReadText(dir / "report.txt");
    EXPECT_EQ(report, player::SelftestReport(reader.settings(), reader.fileLength(),
                                             reader.mediaStart(), files));
    // The bytes the user gave, and the shipped support library.
    auto fileLine = [](const std::string& name, const std::vector<uint8_t>& bytes) {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08X", Crc32Of(bytes));
        return "FILE\t" + name + "\t" + std::to_string(bytes.size()) + "\t" + crc + "\n";
    };
    EXPECT_NE(report.find(fileLine("ImgNames(1)", ReadBytes(red))), std::string::npos) << report;
    EXPECT_NE(report.find(fileLine("d3DFile", ReadBytes(ShippedLibraryPath()))), std::string::npos);
    EXPECT_NE(report.find("SETTING\tImgNames(2)_Type\tString\tJPG\n"), std::string::npos);

    // The BMP photo, converted to JPEG by the build, is shown.
    run = RunUnderWine(pkg, {"--render-slide", "2", "80", "60", WinePath(dir / "slide2.bmp")});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Near(BmpPixel(ReadBytes(dir / "slide2.bmp"), 40, 30), QColor(0, 0, 255), 40));
}

}  // namespace
}  // namespace velmora::test
