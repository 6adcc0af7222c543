// Shared pieces of the render benchmarks: a photo-like test picture and a
// timer that reports the median of several runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <vector>

#include "render/Surface.h"

namespace velmora::render::bench {

// Smooth colour fields with fine noise, so that a JPEG of it is about as
// large as a camera photo of the same size.
inline Surface PhotoLike(int32_t w, int32_t h) {
    Surface s(w, h);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* row = s.row(y);
        for (int32_t x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int n = static_cast<int>((seed >> 24) & 15) - 8;
            double fx = static_cast<double>(x) / w, fy = static_cast<double>(y) / h;
            int r = static_cast<int>(128 + 100 * std::sin(fx * 9 + fy * 3)) + n;
            int g = static_cast<int>(128 + 100 * std::cos(fy * 7 - fx * 2)) + n;
            int b = static_cast<int>(128 + 90 * std::sin((fx + fy) * 11)) + n;
            row[x] = Rgb(static_cast<uint32_t>(std::clamp(r, 0, 255)),
                         static_cast<uint32_t>(std::clamp(g, 0, 255)),
                         static_cast<uint32_t>(std::clamp(b, 0, 255)));
        }
    }
    return s;
}

inline double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Timing {
    double wallMs = 0;  // median elapsed time
    double cpuMs = 0;   // median processor time of this thread (one core)
};

// Runs fn `runs` times; the medians of the elapsed and of the thread's
// processor time. On a loaded machine the processor time is the figure for
// "one core": it leaves out the time other processes held the core.
template <class Fn>
Timing Measure(int runs, Fn&& fn) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        auto a = std::chrono::steady_clock::now();
        double c0 = ThreadCpuMs();
        fn();
        double c1 = ThreadCpuMs();
        auto b = std::chrono::steady_clock::now();
        wall.push_back(std::chrono::duration<double, std::milli>(b - a).count());
        cpu.push_back(c1 - c0);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

}  // namespace velmora::render::bench
