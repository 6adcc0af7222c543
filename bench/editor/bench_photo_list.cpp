// Adding a folder of 1,000 photos of 12 megapixels to the editor's photo
// list: how long until every name is listed, how many thumbnails per second
// arrive, and the longest stall of the window's event loop meanwhile (a 10 ms
// timer records how late it fires).
//
// The machine may be shared: the figures come with the load average, the
// processor time one thumbnail costs (so the rate an idle machine reaches,
// cores / cost, can be told from the rate measured), and for the longest
// stall the processor time the window's own thread spent in it (a long stall
// with little of our own work in it is the scheduler's, not the window's).
//
//   bench_photo_list [--no-exif] [FOLDER] [COUNT]
// The photos are generated once into FOLDER (default
// /tmp/velmora-bench-photos, or /tmp/velmora-bench-photos-noexif) and kept
// for later runs. Camera files carry a 160 x 120 EXIF thumbnail, which the
// list uses; --no-exif makes photos without one, so every thumbnail is a
// scaled decode of the whole JPEG.
#include <sys/resource.h>
#include <time.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "app/AppPaths.h"
#include "app/ui/MainWindow.h"
#include "base/FileUtil.h"
#include "editor/lists/MediaLists.h"
#include "editor/ui/ThumbnailCache.h"
#include "editor/ui/ThumbnailLoader.h"
#include "render/Jpeg.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

// Inserts an EXIF block with a 160 x 120 JPEG thumbnail after the start
// marker, as cameras write it.
std::vector<uint8_t> WithExifThumbnail(const std::vector<uint8_t>& jpeg,
                                       const std::vector<uint8_t>& thumb) {
    std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto u16 = [&](uint32_t v) {
        tiff.push_back(static_cast<uint8_t>(v));
        tiff.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            tiff.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    u16(0);   // IFD0: no entries
    u32(14);  // IFD1 follows
    u16(2);
    u16(0x0201), u16(4), u32(1), u32(14 + 2 + 24 + 4);
    u16(0x0202), u16(4), u32(1), u32(static_cast<uint32_t>(thumb.size()));
    u32(0);
    tiff.insert(tiff.end(), thumb.begin(), thumb.end());
    const size_t len = 2 + 6 + tiff.size();
    std::vector<uint8_t> out;
    out.reserve(jpeg.size() + tiff.size() + 16);
    out.push_back(jpeg.at(0));
    out.push_back(jpeg.at(1));
    const uint8_t head[] = {0xFF,
                            0xE1,
                            static_cast<uint8_t>(len >> 8),
                            static_cast<uint8_t>(len & 0xFF),
                            'E',
                            'x',
                            'i',
                            'f',
                            0,
                            0};
    out.insert(out.end(), std::begin(head), std::end(head));
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// A camera-like 4000 x 3000 picture: gradients with fine noise, so the JPEG
// has a realistic size (a few megabytes) and decoding cost; with exif, it
// carries a 160 x 120 thumbnail as camera files do.
std::vector<uint8_t> MakePhoto(int seed, bool exif) {
    render::Surface s(4000, 3000);
    std::mt19937 rng(static_cast<unsigned>(seed));
    for (int y = 0; y < s.height(); ++y) {
        uint32_t* row = s.row(y);
        for (int x = 0; x < s.width(); ++x) {
            uint32_t n = rng() & 0x1F;
            uint32_t r = ((x * 255 / 4000) + seed * 37 + n) & 0xFF;
            uint32_t g = ((y * 255 / 3000) + n) & 0xFF;
            uint32_t b = (((x + y) / 30 + seed) * 13 + n) & 0xFF;
            row[x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    }
    std::vector<uint8_t> bytes;
    render::EncodeJpeg(s, 88, bytes);
    if (!exif)
        return bytes;
    QImage full(reinterpret_cast<const uchar*>(s.data()), s.width(), s.height(),
                static_cast<qsizetype>(s.stride()) * 4, QImage::Format_RGB32);
    QImage small = full.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    render::Surface t(160, 120);
    for (int y = 0; y < 120; ++y)
        std::memcpy(t.row(y), small.constScanLine(y), 160 * 4);
    std::vector<uint8_t> thumb;
    render::EncodeJpeg(t, 85, thumb);
    return WithExifThumbnail(bytes, thumb);
}

void Generate(const std::string& folder, int count, bool exif) {
    fs::create_directories(folder);
    int have = 0;
    for (const auto& e : fs::directory_iterator(folder))
        have += e.path().extension() == ".jpg";
    if (have >= count)
        return;
    std::printf("generating %d photos of 12 MP in %s%s ...\n", count, folder.c_str(),
                exif ? " (with EXIF thumbnails)" : "");
    std::fflush(stdout);
    constexpr int kDistinct = 8;
    std::vector<std::vector<uint8_t>> bases(kDistinct);
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int i = t; i < kDistinct; i += 2)
                bases[static_cast<size_t>(i)] = MakePhoto(i, exif);
        });
    for (auto& t : threads)
        t.join();
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "photo %04d.jpg", i + 1);
        WriteFileAtomically(folder + "/" + name, bases[static_cast<size_t>(i % kDistinct)]);
    }
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double ProcessCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& v) {
        return static_cast<double>(v.tv_sec) * 1e3 + static_cast<double>(v.tv_usec) / 1e3;
    };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

std::string LoadAverage() {
    std::string s;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        char buf[128] = {};
        if (std::fgets(buf, sizeof buf, f))
            s = buf;
        std::fclose(f);
    }
    while (!s.empty() && s.back() == '\n')
        s.pop_back();
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool exif = !(args.size() > 0 && args[0] == "--no-exif");
    if (!exif)
        args.erase(args.begin());
    const std::string folder = args.size() > 0 ? args[0]
                               : exif          ? "/tmp/velmora-bench-photos"
                                               : "/tmp/velmora-bench-photos-noexif";
    const int count = args.size() > 1 ? std::atoi(args[1].c_str()) : 1000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    QApplication app(qargc, argv);
    Generate(folder, count, exif);

    const std::string program = fs::temp_directory_path() / "velmora-bench-editor/";
    fs::remove_all(program);
    fs::create_directories(program);
    MainWindow w(PathsForProgramFolder(program));
    w.setAsk([](const QString&, const QString&, QMessageBox::StandardButtons, QMessageBox::Icon) {
        return QMessageBox::No;
    });
    w.setOpenUrl([](const QUrl&) {});
    w.Load();
    w.show();
    QApplication::processEvents();

    // The stall probe: a 10 ms timer; the longest gap past its period.
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.elapsed(), worst = 0, worstAt = 0;
    double lastCpu = ThreadCpuMs(), worstCpu = 0, busiest = 0;
    QTimer probe;
    probe.setInterval(10);
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const double cpu = ThreadCpuMs();
        if (now - last - 10 > worst) {
            worst = now - last - 10;
            worstAt = now;
            worstCpu = cpu - lastCpu;
        }
        busiest = std::max(busiest, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
    });
    probe.start();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    worst = 0;
    worstCpu = busiest = 0;
    last = clock.elapsed();
    lastCpu = ThreadCpuMs();
    const std::string loadBefore = LoadAverage();
    const double cpuBefore = ProcessCpuMs();

    QElapsedTimer t;
    t.start();
    const qint64 start = clock.elapsed();
    w.AddPhotoPaths(editor::FolderPhotos(WithTrailingSlash(folder)));
    const double namesMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const int listed = w.photoList()->count();
    // The window's own event loop runs until the last thumbnail is in (a
    // polling loop here would take a core from the decoders).
    if (w.thumbnailLoader().pending() > 0) {
        QEventLoop loop;
        QObject::connect(&w.thumbnailLoader(), &ThumbnailLoader::idle, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double allMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const double cpuMs = ProcessCpuMs() - cpuBefore;
    int shown = 0;
    for (int k = 1; k <= w.project().NowI(); ++k)
        shown += w.thumbnails().Has(k);
    probe.stop();

    const int cores = std::max(1, QThread::idealThreadCount());
    const double perThumb = cpuMs / std::max(shown, 1);
    std::printf("load average:             %s before, %s after; %d cores\n", loadBefore.c_str(),
                LoadAverage().c_str(), cores);
    std::printf("photos listed:            %d in %.0f ms (goal <= 1000 ms)\n", listed, namesMs);
    std::printf("thumbnails shown:         %d in %.0f ms = %.1f per second (goal >= 60)\n", shown,
                allMs, shown / (allMs / 1000.0));
    std::printf(
        "processor time:           %.1f ms per thumbnail, all threads; %d cores to "
        "themselves make %.1f per second\n",
        perThumb, cores, cores * 1000.0 / perThumb);
    std::printf(
        "longest event-loop stall: %lld ms, ending %lld ms after the start, the window's "
        "thread busy %.1f ms of it (goal <= 50 ms)\n",
        static_cast<long long>(worst), static_cast<long long>(worstAt - start), worstCpu);
    std::printf("longest work of the window's thread between two ticks: %.1f ms\n", busiest);
    w.project().photos.clear();
    w.close();
    fs::remove_all(program);
    return 0;
}
