// A 12 MP JPEG fitted into a 1024 × 768 frame: decoded with the JPEG
// library's DCT scaling at the smallest power-of-two size still covering the
// fitted size, then box-filtered; against a full decode then the box filter.
// Goal: 60 ms or less for the scaled path (against 200 ms or more for the full one).
#include <cstdio>

#include "BenchUtil.h"
#include "render/Jpeg.h"
#include "render/Placement.h"
#include "render/Raster.h"

using namespace velmora::render;

int main() {
    std::vector<uint8_t> jpeg;
    if (!EncodeJpeg(bench::PhotoLike(4000, 3000), 92, jpeg))
        return 2;
    const Rect fit = RoundedRect(FitPlacement(1024, 768, 4000, 3000));
    Surface frame(1024, 768);
    auto fitInto = [&](int32_t minW, int32_t minH) {
        Picture p;
        std::string msg;
        if (DecodeJpeg(jpeg, p, msg, minW, minH) != DecodeStatus::Ok)
            return;
        Stretch(frame, fit, p.pixels, p.pixels.bounds(), StretchFilter::Box);
    };
    fitInto(fit.w, fit.h);  // warm-up
    bench::Timing scaled = bench::Measure(9, [&] { fitInto(fit.w, fit.h); });
    bench::Timing full = bench::Measure(5, [&] { fitInto(0, 0); });
    std::printf("12 MP JPEG (%zu bytes) fitted into 1024x768\n", jpeg.size());
    std::printf("  DCT-scaled decode + box filter: %.2f ms cpu, %.2f ms elapsed (goal <= 60 ms)\n",
                scaled.cpuMs, scaled.wallMs);
    std::printf("  full decode + box filter:       %.2f ms cpu, %.2f ms elapsed\n", full.cpuMs,
                full.wallMs);
    return scaled.cpuMs <= 60.0 ? 0 : 1;
}
