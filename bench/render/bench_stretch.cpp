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
    double ms = bench::MedianMs(
        15, [&] { Stretch(dst, dst.bounds(), src, src.bounds(), StretchFilter::Box); });
    double smooth = bench::MedianMs(
        15, [&] { Stretch(dst, dst.bounds(), src, src.bounds(), StretchFilter::Smooth); });
    std::printf("stretch 4000x3000 -> 1024x768 box: %.2f ms (goal <= 25 ms)\n", ms);
    std::printf("stretch 4000x3000 -> 1024x768 smooth: %.2f ms\n", smooth);
    return ms <= 25.0 ? 0 : 1;
}
