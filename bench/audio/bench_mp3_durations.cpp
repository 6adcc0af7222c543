// bench_mp3_durations [FOLDER] [COUNT]
//
// Durations of COUNT (default 1000) MP3 files of 3 to 6 minutes, mixed
// constant and variable bit rate, with ID3v2 tags of varied size (some with
// a picture-sized body) and some ID3v1 tags: our header parser against
// ffprobe (one process per file, as a script would measure them) and
// against libavformat in this process, in one run. The files are generated
// once into FOLDER (default /tmp/velmora-bench-mp3) and reused.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audio/MP3Info.h"
#include "audio/MediaDuration.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

int Run(const std::string& cmd) {
    return std::system(cmd.c_str());
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

std::vector<uint8_t> Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
}

std::vector<uint8_t> Id3v2(uint32_t bodySize, std::mt19937& rng) {
    std::vector<uint8_t> t(10 + bodySize);
    t[0] = 'I', t[1] = 'D', t[2] = '3', t[3] = 3;
    t[6] = static_cast<uint8_t>((bodySize >> 21) & 0x7F);
    t[7] = static_cast<uint8_t>((bodySize >> 14) & 0x7F);
    t[8] = static_cast<uint8_t>((bodySize >> 7) & 0x7F);
    t[9] = static_cast<uint8_t>(bodySize & 0x7F);
    for (size_t i = 10; i < t.size(); ++i)
        t[i] = static_cast<uint8_t>(rng());  // like a JPEG
    return t;
}

// Base encodes: lengths 3..6 minutes, CBR and VBR.
struct Base {
    const char* name;
    int seconds;
    const char* lame;
};
const Base kBases[] = {
    {"cbr128_180", 180, "-b 128"}, {"cbr192_230", 230, "-b 192"},
    {"cbr160_300", 300, "-b 160"}, {"cbr128_355", 355, "-t -b 128"},  // no Info tag
    {"vbr2_200", 200, "-V 2"},     {"vbr4_260", 260, "-V 4"},
    {"vbr2_330", 330, "-V 2"},     {"vbr5_190", 190, "-V 5 -m m"},
};

bool Generate(const fs::path& dir, int count) {
    fs::create_directories(dir / "base");
    std::printf("generating %d files in %s (once)...\n", count, dir.c_str());
    std::vector<std::vector<uint8_t>> bases;
    for (const auto& b : kBases) {
        fs::path wav = dir / "base" / (std::string(b.name) + ".wav");
        fs::path mp3 = dir / "base" / (std::string(b.name) + ".mp3");
        if (!fs::exists(mp3)) {
            std::string src =
                "ffmpeg -v error -y -f lavfi -i \"aevalsrc=0.2*sin(2*PI*(220+200*sin(t/7))*t)"
                "+0.05*random(0)|0.2*sin(2*PI*330*t)+0.05*random(1):s=44100:d=" +
                std::to_string(b.seconds) + "\" " + Quote(wav.string());
            if (Run(src) != 0)
                return false;
            if (Run("lame --quiet " + std::string(b.lame) + " " + Quote(wav.string()) + " " +
                    Quote(mp3.string())) != 0)
                return false;
            fs::remove(wav);
        }
        bases.push_back(Read(mp3.string()));
    }
    std::mt19937 rng(12345);
    for (int i = 0; i < count; ++i) {
        const auto& base = bases[static_cast<size_t>(i) % bases.size()];
        std::vector<uint8_t> out;
        uint32_t tag = (i % 3 == 0) ? 30000 + rng() % 90000 : 200 + rng() % 4000;
        if (i % 7 != 0) {
            auto t = Id3v2(tag, rng);
            out.insert(out.end(), t.begin(), t.end());
        }
        out.insert(out.end(), base.begin(), base.end());
        if (i % 4 == 0) {
            std::vector<uint8_t> v1(128, ' ');
            v1[0] = 'T', v1[1] = 'A', v1[2] = 'G';
            out.insert(out.end(), v1.begin(), v1.end());
        }
        char name[32];
        std::snprintf(name, sizeof name, "song%04d.mp3", i);
        std::ofstream f(dir / name, std::ios::binary);
        f.write(reinterpret_cast<const char*>(out.data()),
                static_cast<std::streamsize>(out.size()));
    }
    std::ofstream(dir / "complete") << count << "\n";
    return true;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// User + system CPU seconds of this process or of its waited-for children.
double CpuSeconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = argc > 1 ? argv[1] : "/tmp/velmora-bench-mp3";
    int count = argc > 2 ? std::atoi(argv[2]) : 1000;
    {
        std::ifstream done(dir / "complete");
        int made = 0;
        if (!(done >> made) || made != count) {
            if (!Generate(dir, count)) {
                std::fprintf(stderr, "generation failed (lame and ffmpeg needed)\n");
                return 1;
            }
        }
    }
    std::vector<std::string> files;
    uint64_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "song%04d.mp3", i);
        files.push_back((dir / name).string());
        bytes += fs::file_size(files.back());
    }
    std::printf("%d files, %.1f MB\n", count, static_cast<double>(bytes) / 1048576);

    // Warm the page cache for all three alike.
    for (const auto& f : files)
        (void)Read(f);

    std::vector<double> ours(files.size()), probe(files.size()), lavf(files.size());
    double c0 = CpuSeconds(RUSAGE_SELF);
    auto t0 = Clock::now();
    for (size_t i = 0; i < files.size(); ++i) {
        velmora::audio::MP3Info info;
        ours[i] = info.ReadMP3Info(files[i]) ? info.Duration() / 1000 : -1;
    }
    auto t1 = Clock::now();
    double c1 = CpuSeconds(RUSAGE_SELF), k1 = CpuSeconds(RUSAGE_CHILDREN);
    for (size_t i = 0; i < files.size(); ++i) {
        std::string cmd =
            "ffprobe -v error -show_entries format=duration -of csv=p=0 " + Quote(files[i]);
        FILE* p = ::popen(cmd.c_str(), "r");
        char buf[64] = {0};
        if (p) {
            if (!std::fgets(buf, sizeof buf, p))
                buf[0] = 0;
            ::pclose(p);
        }
        probe[i] = std::atof(buf);
    }
    auto t2 = Clock::now();
    double k2 = CpuSeconds(RUSAGE_CHILDREN), c2 = CpuSeconds(RUSAGE_SELF);
    for (size_t i = 0; i < files.size(); ++i)
        lavf[i] = velmora::audio::AvFormatDuration(files[i]).value_or(-1);
    auto t3 = Clock::now();
    double c3 = CpuSeconds(RUSAGE_SELF);

    int agree = 0, failed = 0;
    double worst = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (ours[i] < 0)
            ++failed;
        double d = std::fabs(ours[i] - probe[i]);
        if (d <= 0.030)
            ++agree;
        worst = std::max(worst, d);
    }
    double tOurs = Seconds(t1 - t0), tProbe = Seconds(t2 - t1), tLavf = Seconds(t3 - t2);
    double cOurs = c1 - c0, cProbe = k2 - k1, cLavf = c3 - c2;
    std::printf("                wall time              CPU time (user + system)\n");
    std::printf("header parser   %9.3f s %8.3f ms  %9.3f s %8.3f ms per file\n", tOurs,
                tOurs * 1000 / count, cOurs, cOurs * 1000 / count);
    std::printf("ffprobe         %9.3f s %8.3f ms  %9.3f s %8.3f ms per file\n", tProbe,
                tProbe * 1000 / count, cProbe, cProbe * 1000 / count);
    std::printf("libavformat     %9.3f s %8.3f ms  %9.3f s %8.3f ms per file (in process)\n", tLavf,
                tLavf * 1000 / count, cLavf, cLavf * 1000 / count);
    std::printf(
        "parser / ffprobe: %.3f %% of the wall time, %.3f %% of the CPU time (goal <= 5 %%)\n",
        100 * tOurs / tProbe, 100 * cOurs / cProbe);
    std::printf(
        "agreement with ffprobe within 30 ms: %d of %d (largest difference %.3f s), "
        "parser failures: %d\n",
        agree, count, worst, failed);
    return 0;
}
