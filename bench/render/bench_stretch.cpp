// Box-filter (halftone) stretch of a 4000 × 3000 picture to 1024 × 768 on
// one core. Goal: 25 ms or less.
#include <cstdio>

#include "BenchUtil.h"
#include "render/Raster.h"

using namespace velmora::render;

int main() {
    Surface src = bench::PhotoLike(4000, 3000);
    Surface dst(1024, 768);
    Stretch(dst, dst.bounds(), src, src.bounds(), StretchFilter::Box);  // warm-up
    bench::Timing box = bench::Measure(
        15, [&] { Stretch(dst, dst.bounds(), src, src.bounds(), StretchFilter::Box); });
    bench::Timing smooth = bench::Measure(
        15, [&] { Stretch(dst, dst.bounds(), src, src.bounds(), StretchFilter::Smooth); });
    std::printf(
        "stretch 4000x3000 -> 1024x768 box:    %.2f ms cpu, %.2f ms elapsed (goal <= 25 ms)\n",
        box.cpuMs, box.wallMs);
    std::printf("stretch 4000x3000 -> 1024x768 smooth: %.2f ms cpu, %.2f ms elapsed\n",
                smooth.cpuMs, smooth.wallMs);
    return box.cpuMs <= 25.0 ? 0 : 1;
}
