// Package build benchmark: 200 JPEG photos of about 3 MB, 20 BMP photos
// that must be converted, and 5 songs, built into one package, against `cat`
// of the same media bytes into one file, in one run.
//
// The media are generated once into /tmp/velmora-bench-builder/ (kept for
// later runs). Every timing is taken with the files in the page cache (one
// warm-up read first), the best of three runs.
//
// Figures printed:
//   cat            cat of the 200 JPEGs + 5 songs + the fixed files
//   build (JPEG)   the build of a project of the 200 JPEGs and 5 songs
//   ratio          build (JPEG) / cat; the goal is at most 1.5
//   BMP conversion the 20 BMPs converted with 1 thread and with every core
//   build (all)    the build of the whole project (JPEGs, BMPs, songs)
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/FileUtil.h"
#include "builder/PackageBuild.h"
#include "builder/PackageFiles.h"
#include "builder/RenderImageConverter.h"
#include "render/qt/QtImageCodec.h"

namespace fs = std::filesystem;
using namespace velmora;

namespace {

const std::string kDir = "/tmp/velmora-bench-builder/";
constexpr int kJpegs = 200, kBmps = 20, kSongs = 5;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int Shell(const std::string& cmd) {
    return std::system(cmd.c_str());
}

// A real JPEG of about 3 MB: a large noisy picture at high quality.
void MakeJpegs() {
    std::vector<std::string> seeds;
    for (int k = 0; k < 8; ++k) {
        std::string seed = kDir + "seed" + std::to_string(k) + ".jpg";
        if (!fs::exists(seed)) {
            QImage img(2592, 1944, QImage::Format_RGB32);
            uint32_t x = 12345u + static_cast<uint32_t>(k) * 7919u;
            for (int yy = 0; yy < img.height(); ++yy) {
                auto* row = reinterpret_cast<QRgb*>(img.scanLine(yy));
                for (int xx = 0; xx < img.width(); ++xx) {
                    x = x * 1664525u + 1013904223u;
                    int base = (xx / 7 + yy / 5 + k * 40) & 0xFF;
                    row[xx] = qRgb((base + (x >> 27)) & 0xFF, (base * 3 + (x >> 26)) & 0xFF,
                                   (255 - base + (x >> 28)) & 0xFF);
                }
            }
            img.save(QString::fromStdString(seed), "JPG", 93);
        }
        seeds.push_back(seed);
    }
    for (int i = 0; i < kJpegs; ++i) {
        std::string p = kDir + "photo" + std::to_string(i) + ".jpg";
        if (!fs::exists(p))
            fs::copy_file(seeds[static_cast<size_t>(i) % seeds.size()], p);
    }
}

void MakeBmps() {
    for (int i = 0; i < kBmps; ++i) {
        std::string p = kDir + "scan" + std::to_string(i) + ".bmp";
        if (fs::exists(p))
            continue;
        QImage img(1600, 1200, QImage::Format_RGB888);
        for (int y = 0; y < img.height(); ++y) {
            uchar* row = img.scanLine(y);
            for (int x = 0; x < img.width(); ++x) {
                row[3 * x] = static_cast<uchar>((x + i * 13) & 0xFF);
                row[3 * x + 1] = static_cast<uchar>((y * 2) & 0xFF);
                row[3 * x + 2] = static_cast<uchar>(((x ^ y) + i) & 0xFF);
            }
        }
        img.save(QString::fromStdString(p), "BMP");
    }
}

void MakeSongs() {
    for (int i = 0; i < kSongs; ++i) {
        std::string p = kDir + "song" + std::to_string(i) + ".mp3";
        if (fs::exists(p))
            continue;
        Shell("ffmpeg -loglevel error -y -f lavfi -i 'sine=frequency=" +
              std::to_string(300 + 50 * i) + ":duration=240' -b:a 160k '" + p + "'");
    }
}

class QuietHost : public BuildHost {
  public:
    std::string target;
    void ShowMessage(MessageIcon, const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::optional<std::string> AskTargetPath(const std::string&, const std::string&) override {
        return target;
    }
    bool ConfirmOverwrite(const std::string&) override { return true; }
    void ShowFinish(const std::string&, const std::string&) override {}
};

// Times the build's two phases through the progress texts.
class PhaseProgress : public Progress {
  public:
    double prepareStart = 0, prepareEnd = 0, writeStart = 0, writeEnd = 0;
    void InitProgress(const std::string&) override {}
    void ShowProgress(int, const std::string& text) override {
        double t = Now();
        if (text == "准备中...") {
            if (prepareStart == 0)
                prepareStart = t;
            prepareEnd = t;
        } else {
            if (writeStart == 0)
                writeStart = t;
            writeEnd = t;
        }
    }
    bool Cancelled() const override { return false; }
};

struct BuildTiming {
    double total = 0, prepare = 0, write = 0;
    uint64_t size = 0;
};

BuildTiming TimeBuild(const std::string& program, const std::string& crc, bool withBmps,
                      unsigned threads) {
    Project p = MakeDefaultProject(ProjectEnvironment{});
    for (int i = 0; i < kJpegs; ++i) {
        PhotoEntry e;
        e.ImgName = kDir + "photo" + std::to_string(i) + ".jpg";
        p.photos.push_back(e);
    }
    if (withBmps) {
        for (int i = 0; i < kBmps; ++i) {
            PhotoEntry e;
            e.ImgName = kDir + "scan" + std::to_string(i) + ".bmp";
            p.photos.push_back(e);
        }
    }
    for (int i = 0; i < kSongs; ++i)
        p.songs.push_back(kDir + "song" + std::to_string(i) + ".mp3");
    BuildOptions o;
    o.programFolder = program;
    o.expectedLibraryCrc = crc;
    o.conversionThreads = threads;
    QuietHost host;
    host.target = kDir + "out/package.exe";
    PhaseProgress progress;
    RenderImageConverter converter;
    MediaSongTimer timer;
    double t0 = Now();
    BuildResult r = BuildScreenSaver(p, o, host, progress, converter, timer);
    BuildTiming t;
    t.total = Now() - t0;
    t.prepare = progress.prepareEnd - t0;
    t.write = progress.writeEnd - progress.writeStart;
    t.size = r.size;
    if (r.outcome != BuildOutcome::Built) {
        std::fprintf(stderr, "build failed: %s\n", r.message.c_str());
        std::exit(1);
    }
    return t;
}

}  // namespace

int main() {
    render::InstallQtImageCodec();
    fs::create_directories(kDir + "out");
    std::fprintf(stderr, "generating media in %s (once)...\n", kDir.c_str());
    MakeJpegs();
    MakeBmps();
    MakeSongs();

    // Program folder: the shipped stub, library and resource pack.
    std::string shipped = std::string(VELMORA_PROGRAM_DIR) + "/";
    std::string program = kDir + "program/";
    fs::create_directories(program);
    for (const char* f : {"Mirb.bfq", "d3dx9_42.dll", "gmi.src"}) {
        if (!fs::exists(shipped + f)) {
            std::fprintf(stderr, "missing %s%s: build the velmora_player and velmora_gmi targets\n",
                         shipped.c_str(), f);
            return 1;
        }
        fs::copy_file(shipped + f, program + f, fs::copy_options::overwrite_existing);
    }
    std::string crc = FileCrc32Hex(program + "d3dx9_42.dll");

    // One warm-up build restores the button images and fills the cache.
    TimeBuild(program, crc, false, 0);

    // The same media bytes for cat: what the JPEG build embeds.
    std::string list;
    uint64_t jpegBytes = 0;
    auto add = [&](const std::string& p) {
        list += " '" + p + "'";
        jpegBytes += fs::file_size(p);
    };
    for (const char* b : kButtonImageNames)
        add(program + "Mask/" + b + ".png");
    add(program + "Mask/rainbow.jpg");
    for (int i = 0; i < kSongs; ++i)
        add(kDir + "song" + std::to_string(i) + ".mp3");
    for (int i = 0; i < kJpegs; ++i)
        add(kDir + "photo" + std::to_string(i) + ".jpg");
    add(program + "d3dx9_42.dll");
    Shell("cat" + list + " > /dev/null");

    double bestCat = 1e9, bestJpeg = 1e9, bestWrite = 1e9;
    for (int run = 0; run < 3; ++run) {
        double t0 = Now();
        Shell("cat" + list + " > '" + kDir + "out/cat.bin'");
        bestCat = std::min(bestCat, Now() - t0);
        BuildTiming t = TimeBuild(program, crc, false, 0);
        bestJpeg = std::min(bestJpeg, t.total);
        bestWrite = std::min(bestWrite, t.write);
    }
    std::printf("media bytes (JPEG build)   %.1f MB in %d files\n", jpegBytes / 1048576.0,
                kJpegs + kSongs + 13);
    std::printf("cat                        %.3f s\n", bestCat);
    std::printf("build (JPEGs + songs)      %.3f s\n", bestJpeg);
    std::printf("  of which media writing   %.3f s\n", bestWrite);
    std::printf("ratio build / cat          %.2f (goal <= 1.5)\n", bestJpeg / bestCat);

    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    BuildTiming one = TimeBuild(program, crc, true, 1);
    BuildTiming all = TimeBuild(program, crc, true, 0);
    std::printf("BMP conversion, 1 thread   %.3f s (%d BMPs)\n", one.prepare, kBmps);
    std::printf("BMP conversion, %u threads  %.3f s (speed-up %.2f)\n", cores, all.prepare,
                one.prepare / all.prepare);
    std::printf("build (all, %u threads)     %.3f s, package %.1f MB\n", cores, all.total,
                all.size / 1048576.0);
    fs::remove(kDir + "out/cat.bin");
    fs::remove(kDir + "out/package.exe");
    return 0;
}
