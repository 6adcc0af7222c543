// Every transition (each variant) and every headline effect at 1024 × 768
// in video mode on one thread: milliseconds of processor time per frame
// (the time from one frame handed to the sink to the next, the median over
// the whole effect), the frame count, and the allocations made after the
// first frame (there should be none: scratch surfaces are sized per run).
//
//   bench_effects [WxH]
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "BenchUtil.h"
#include "render/Raster.h"
#include "render/effects/TextEffects.h"
#include "render/effects/Transitions.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace velmora;
using namespace velmora::render;
using namespace velmora::render::effects;

namespace {

// Timestamps every frame; counts the allocations after the first.
class TimingSink : public StepSink {
  public:
    bool Wants(const StepInfo& info) const override { return info.frames > 0; }
    TimingSink() { times.reserve(4096); }
    void Begin() override { last_ = bench::ThreadCpuMs(); }
    bool Step(const Surface&, const StepInfo& info) override {
        if (info.frames == 0)
            return true;
        double now = bench::ThreadCpuMs();
        if (times.empty())
            allocationsAtFirst = gAllocations.load();
        times.push_back(now - last_);
        for (int32_t i = 1; i < info.frames; ++i)
            times.push_back(0);
        last_ = bench::ThreadCpuMs();
        return true;
    }
    double Median() {
        if (times.empty())
            return 0;
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }
    std::vector<double> times;
    long allocationsAtFirst = 0;

  private:
    double last_ = 0;
};

class BoxText : public TextRenderer {
  public:
    void DrawText(Surface& s, const TextDrawRequest& r) override {
        Fill(s,
             {static_cast<int32_t>(r.x), static_cast<int32_t>(r.y), static_cast<int32_t>(r.width),
              static_cast<int32_t>(r.height)},
             0xFFE03020u);
        Fill(s,
             {static_cast<int32_t>(r.x) + 8, static_cast<int32_t>(r.y) + 8,
              static_cast<int32_t>(r.width) - 16, static_cast<int32_t>(r.height) - 16},
             0xFFF0D040u);
    }
};

}  // namespace

int main(int argc, char** argv) {
    int32_t W = 1024, H = 768;
    if (argc > 1 && std::sscanf(argv[1], "%dx%d", &W, &H) != 2)
        return 2;
    const Surface oldPic = bench::PhotoLike(W, H);
    Surface newPic = bench::PhotoLike(W, H);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            newPic.setPixel(x, y, newPic.pixel(W - 1 - x, y) ^ 0x00FFFFFFu);
    Surface dst;
    TransitionScratch scratch;
    TextEffectScratch textScratch;
    EffectRandom random(1);
    std::printf("%dx%d, one thread, processor time\n", W, H);
    std::printf("%-24s %7s %10s %8s %12s\n", "effect", "frames", "ms/frame", "max", "allocs/run");
    double worst = 0;
    for (const auto& kind : kTransitions) {
        for (int32_t v = 0; v < kind.entry.variants; ++v) {
            dst = oldPic;
            TimingSink sink;
            PlayTransition(kind.code, v, dst, newPic, scratch, sink, random, TransitionTileSize(W));
            long after = gAllocations.load() - sink.allocationsAtFirst;
            double med = sink.Median();
            worst = std::max(worst, med);
            std::string name = "transition " + std::to_string(kind.code) + "/" + std::to_string(v);
            std::printf("%-24s %7zu %10.3f %8.3f %12ld\n", name.c_str(), sink.times.size(), med,
                        sink.times.empty() ? 0.0 : sink.times.back(), after);
        }
    }
    BoxText text;
    TextDrawRequest req;
    req.text = "headline";
    req.x = W * 0.2 - 1, req.y = H * 0.4 - 1, req.width = W * 0.6 + 2, req.height = H * 0.15 + 2;
    for (const auto& kind : kTextEffects) {
        for (int32_t v = 0; v < kind.entry.variants; ++v) {
            dst = oldPic;
            TimingSink sink;
            PlayTextEffect(kind.code, v, dst, textScratch, sink, random, text, req);
            long after = gAllocations.load() - sink.allocationsAtFirst;
            double med = sink.Median();
            worst = std::max(worst, med);
            std::string name = "text " + std::to_string(kind.code) + "/" + std::to_string(v);
            std::printf("%-24s %7zu %10.3f %8.3f %12ld\n", name.c_str(), sink.times.size(), med,
                        sink.times.empty() ? 0.0 : sink.times.back(), after);
        }
    }
    std::printf("worst median: %.3f ms per frame (goal: under 4)\n", worst);
    return 0;
}
