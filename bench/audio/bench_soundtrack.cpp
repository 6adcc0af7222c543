// bench_soundtrack [FOLDER] [--sequential-too]
//
// The video export's sound track for a project of 10 songs, 40 minutes in
// all: 4 MP3 (44.1 kHz, LAME -V 2), 3 WMA (wmav2, 44.1 kHz) and 3 WAV
// (48 kHz 16-bit stereo), each a tone under pink noise so that the encoder
// has real work. The songs are generated once into FOLDER (default
// /tmp/velmora-bench-soundtrack) with ffmpeg and lame and reused.
//
// Measures the whole job (decode, convert to 22050 Hz stereo, join, LAME
// encode) as the export runs it, LAME on a second thread beside the
// decoding; with --sequential-too also one step after the other. Prints
// wall time, processor time and the multiple of real time.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Progress.h"
#include "video/SoundTrack.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

bool Run(const std::string& cmd) {
    return std::system(cmd.c_str()) == 0;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Song {
    std::string name;
    int seconds;
};

}  // namespace

int main(int argc, char** argv) {
    std::string folder = "/tmp/velmora-bench-soundtrack";
    bool sequentialToo = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--sequential-too")
            sequentialToo = true;
        else
            folder = a;
    }
    fs::create_directories(folder);
    // 10 songs, 2400 s in all.
    const std::vector<Song> songs = {
        {"s01.mp3", 250}, {"s02.wma", 230}, {"s03.wav", 260}, {"s04.mp3", 220}, {"s05.wma", 245},
        {"s06.wav", 235}, {"s07.mp3", 255}, {"s08.wma", 225}, {"s09.wav", 240}, {"s10.mp3", 240}};
    double total = 0;
    std::vector<std::string> paths;
    for (size_t i = 0; i < songs.size(); ++i) {
        const Song& s = songs[i];
        total += s.seconds;
        std::string path = folder + "/" + s.name;
        paths.push_back(path);
        if (fs::exists(path))
            continue;
        std::fprintf(stderr, "generating %s (%d s)\n", path.c_str(), s.seconds);
        std::string d = std::to_string(s.seconds);
        std::string src = "-f lavfi -i sine=f=" + std::to_string(220 + 40 * i) + ":d=" + d +
                          " -f lavfi -i anoisesrc=d=" + d +
                          ":a=0.08:c=pink -filter_complex amix=inputs=2:normalize=0 ";
        std::string ext = s.name.substr(s.name.size() - 3);
        bool ok;
        if (ext == "mp3") {
            std::string wav = folder + "/tmp.wav";
            ok = Run("ffmpeg -v error -y " + src + "-ac 2 -ar 44100 '" + wav + "'") &&
                 Run("lame --quiet -V 2 '" + wav + "' '" + path + "'");
            fs::remove(wav);
        } else if (ext == "wma") {
            ok = Run("ffmpeg -v error -y " + src + "-ac 2 -ar 44100 -c:a wmav2 -b:a 128k '" + path +
                     "'");
        } else {
            ok = Run("ffmpeg -v error -y " + src + "-ac 2 -ar 48000 -c:a pcm_s16le '" + path + "'");
        }
        if (!ok) {
            std::fprintf(stderr, "cannot generate %s (needs ffmpeg and lame)\n", path.c_str());
            return 1;
        }
    }

    auto runOnce = [&](bool pipelined) {
        std::string work = folder + "/work/";
        fs::remove_all(work);
        fs::create_directories(work + "temp");
        velmora::video::SoundTrackInput in;
        in.songs = paths;
        in.programFolder = std::string(VELMORA_PROGRAM_DIR) + "/";
        in.tempFolder = work + "temp/";
        velmora::video::SoundTrack track(in);
        velmora::NullProgress progress;
        double cpu0 = CpuSeconds();
        auto t0 = Clock::now();
        bool ok;
        if (pipelined) {
            ok = track.Build(work, progress).decodedCount == 10;
        } else {
            ok = track.DecodeAudio(progress).decodedCount == 10 && track.EncodeMP3(work, progress);
        }
        double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        double cpu = CpuSeconds() - cpu0;
        if (!ok) {
            std::fprintf(stderr, "sound track failed: %s\n", track.Result().message.c_str());
            return false;
        }
        auto mp3Size = fs::file_size(work + "Mirb_Audio_Part.mp3");
        std::printf(
            "%-34s %7.2f s wall  %7.2f s processor  %6.1fx real time  (%.0f s of sound, "
            "MP3 %.1f MB, sum of durations %.3f s)\n",
            pipelined ? "sound track, LAME beside decoding:"
                      : "sound track, one step after the other:",
            wall, cpu, total / wall, total, mp3Size / 1048576.0, track.Result().totalDuration);
        fs::remove_all(work);
        return true;
    };
    if (!runOnce(true))
        return 1;
    if (sequentialToo && !runOnce(false))
        return 1;
    return 0;
}
