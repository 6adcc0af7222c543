// Transitions and headline effects: golden frame checksums per code and
// variant (as FFmpeg's FATE keeps a CRC per output frame), frame counts
// derived from the frame rules, end states, pixel provenance, cancel and
// bad input, and the pacer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <unordered_set>

#include "TestTextRenderer.h"
#include "base/Crc32.h"
#include "render/effects/EffectSteps.h"
#include "render/effects/TextEffects.h"
#include "render/effects/Transitions.h"

using namespace velmora;
using namespace velmora::render;
using namespace velmora::render::effects;

namespace {

// Old picture: blue channel 0x20; new picture: blue channel 0xC0, so every
// pixel value tells which picture it came from.
Surface OldPicture(int32_t w, int32_t h) {
    Surface s(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            s.setPixel(x, y,
                       Rgb(static_cast<uint32_t>(x * 5 + y), static_cast<uint32_t>(y * 7), 0x20));
    return s;
}
Surface NewPicture(int32_t w, int32_t h) {
    Surface s(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            s.setPixel(x, y,
                       Rgb(static_cast<uint32_t>(255 - y * 3),
                           static_cast<uint32_t>(x * 11 + y * 2), 0xC0));
    return s;
}

uint32_t FrameCrc(const Surface& s) {
    return Crc32Of({reinterpret_cast<const uint8_t*>(s.data()),
                    static_cast<size_t>(s.width()) * static_cast<size_t>(s.height()) * 4});
}

// Records every step: the pictures (when asked), their infos, and the
// frames as the video sink would write them.
class Recorder : public StepSink {
  public:
    bool keepAll = false;  // look at every step (as on screen), not only frames
    int cancelAfter = -1;  // return false at this step (1-based)
    std::vector<StepInfo> steps;
    std::vector<Surface> frames;
    std::vector<Surface> pictures;  // every step's picture when keepAll
    std::vector<uint32_t> crcs;

    bool Wants(const StepInfo& info) const override { return keepAll || info.frames > 0; }
    bool Step(const Surface& picture, const StepInfo& info) override {
        steps.push_back(info);
        if (keepAll)
            pictures.push_back(picture);
        for (int i = 0; i < info.frames; ++i) {
            frames.push_back(picture);
            crcs.push_back(FrameCrc(picture));
        }
        return cancelAfter < 0 || static_cast<int>(steps.size()) < cancelAfter;
    }
};

struct TransitionOutcome {
    EffectResult result;
    Surface dst;
    Recorder rec;
};

TransitionOutcome RunTransition(int code, int variant, int w, int h, bool keepAll = false,
                                int cancelAfter = -1) {
    TransitionOutcome o{EffectResult::BadInput, OldPicture(w, h), {}};
    o.rec.keepAll = keepAll;
    o.rec.cancelAfter = cancelAfter;
    Surface next = NewPicture(w, h);
    TransitionScratch scratch;
    EffectRandom random(7);
    o.result =
        PlayTransition(code, variant, o.dst, next, scratch, o.rec, random, TransitionTileSize(w));
    return o;
}

TextDrawRequest Headline(double x, double y, double w, double h, std::string text = "标题") {
    TextDrawRequest r;
    r.text = std::move(text);
    r.x = x, r.y = y, r.width = w, r.height = h;
    r.firstColour = 0xFF3060A0u;
    return r;
}

struct TextOutcome {
    EffectResult result;
    Surface dst, expected;
    Recorder rec;
};

TextOutcome RunText(int code, int variant, int w, int h, const TextDrawRequest& req,
                    bool keepAll = false, int32_t overflow = 0) {
    TextOutcome o{EffectResult::BadInput, OldPicture(w, h), OldPicture(w, h), {}};
    o.rec.keepAll = keepAll;
    test::BoxTextRenderer text;
    text.overflowX = overflow / 2;
    text.overflowY = overflow;
    text.DrawText(o.expected, req);
    TextEffectScratch scratch;
    EffectRandom random(11);
    o.result = PlayTextEffect(code, variant, o.dst, scratch, o.rec, random, text, req);
    return o;
}

std::string GoldenPath() {
    return std::string(VELMORA_SOURCE_DIR) + "/tests/render/effects_golden.txt";
}

// The golden table: one line per effect and variant, "kind code variant
// frames crc ...".
std::map<std::string, std::string> ReadGolden() {
    std::map<std::string, std::string> m;
    std::ifstream in(GoldenPath());
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream ls(line);
        std::string kind, code, variant;
        ls >> kind >> code >> variant;
        m[kind + " " + code + " " + variant] = line;
    }
    return m;
}

std::string GoldenLine(const std::string& key, const Recorder& rec) {
    std::ostringstream s;
    s << key << " " << rec.crcs.size();
    for (uint32_t c : rec.crcs)
        s << " " << Crc32Hex(c);
    return s.str();
}

}  // namespace

// Every code and variant at 160 × 120 with a fixed seed: the frame count and
// every frame's CRC-32 as stored. VELMORA_UPDATE_GOLDEN=1 rewrites the table
// (after a change that is meant to alter pictures).
TEST(EffectsGolden, EveryCodeAndVariant) {
    std::vector<std::string> lines;
    for (const auto& kind : kTransitions) {
        for (int v = 0; v < kind.entry.variants; ++v) {
            auto o = RunTransition(kind.code, v, 160, 120);
            ASSERT_EQ(o.result, EffectResult::Finished);
            lines.push_back(GoldenLine(
                "transition " + std::to_string(kind.code) + " " + std::to_string(v), o.rec));
        }
    }
    for (const auto& kind : kTextEffects) {
        for (int v = 0; v < kind.entry.variants; ++v) {
            auto o = RunText(kind.code, v, 160, 120, Headline(36.4, 50.6, 80.2, 22.5));
            ASSERT_EQ(o.result, EffectResult::Finished);
            lines.push_back(
                GoldenLine("text " + std::to_string(kind.code) + " " + std::to_string(v), o.rec));
        }
    }
    if (std::getenv("VELMORA_UPDATE_GOLDEN")) {
        std::ofstream out(GoldenPath());
        out << "# Effect frames at 160x120, seed 7 (transitions) / 11 (text): kind code variant "
               "frames crc...\n";
        for (const auto& l : lines)
            out << l << "\n";
        GTEST_SKIP() << "golden table rewritten";
    }
    auto golden = ReadGolden();
    ASSERT_EQ(golden.size(), lines.size()) << "the golden table lacks entries";
    for (const auto& l : lines) {
        std::istringstream ls(l);
        std::string kind, code, variant;
        ls >> kind >> code >> variant;
        EXPECT_EQ(golden[kind + " " + code + " " + variant], l);
    }
}

// Video mode leaves out the drawing of steps that are no frame where an
// effect can; the frames are the same as when every step is drawn (on
// screen).
TEST(Transitions, SkippedStepsChangeNoFrame) {
    for (const auto& kind : kTransitions) {
        for (int v = 0; v < kind.entry.variants; ++v) {
            auto all = RunTransition(kind.code, v, 90, 70, true);
            auto frames = RunTransition(kind.code, v, 90, 70, false);
            EXPECT_EQ(all.rec.crcs, frames.rec.crcs) << "code " << kind.code << " variant " << v;
            EXPECT_TRUE(all.dst == frames.dst) << "code " << kind.code << " variant " << v;
        }
    }
}

TEST(Transitions, FrameCountsFollowTheFrameRules) {
    struct Case {
        int code, variant, w, h, frames;
    };
    const Case cases[] = {
        {15, 0, 64, 48, 63},                        // alpha 4 .. 252
        {5, 0, 64, 48, 49},                         // even steps 2..98
        {5, 1, 64, 48, 49},   {6, 1, 800, 4, 32},   // periods 32 and 24 from 800 pixels on
        {6, 0, 800, 4, 24},   {6, 1, 799, 4, 16},   // 16 and 12 below
        {6, 0, 799, 4, 12},   {19, 0, 40, 30, 62},  // 26 + 18 + 18
        {22, 0, 64, 48, 33},                        // even steps 8..72
        {21, 1, 64, 48, 18},                        // every step but the last
        {20, 0, 64, 480, 44},                       // positions 16..704 by 16
        {11, 0, 640, 4, 46},                        // 6, then 14..630 by 14
        {11, 1, 4, 480, 36},                        // 6, 14..476 by 14, and 474
        {7, 0, 640, 4, 40},                         // 16..640 by 16
        {7, 3, 4, 480, 33},                         // 0..480 by 15
        {16, 1, 640, 48, 27},                       // 8, 24..600 by 24, 632
        {17, 1, 64, 480, 28},                       // 13 per half and two between
        {8, 0, 64, 48, 50},                         // every step of both phases
    };
    for (const Case& c : cases) {
        auto o = RunTransition(c.code, c.variant, c.w, c.h);
        EXPECT_EQ(o.result, EffectResult::Finished);
        EXPECT_EQ(static_cast<int>(o.rec.frames.size()), c.frames)
            << "code " << c.code << " variant " << c.variant << " at " << c.w << "x" << c.h;
    }
}

// Where an effect runs to its end the destination shows the new picture; on
// odd and tiny sizes too.
TEST(Transitions, EndOnTheNewPicture) {
    const std::pair<int, int> sizes[] = {{64, 48}, {37, 23}, {1, 1}, {2, 2}, {30, 50}};
    for (auto [w, h] : sizes) {
        for (const auto& kind : kTransitions) {
            // The cross-fade leaves the last picture to the caller; the
            // curtain's top strips are still falling on small frames; the
            // row wipes of code 1 run over the width.
            if (kind.code == 15 || kind.code == 20)
                continue;
            for (int v = 0; v < kind.entry.variants; ++v) {
                if (kind.code == 1 && v % 2 == 1 && h > w)
                    continue;
                auto o = RunTransition(kind.code, v, w, h);
                ASSERT_EQ(o.result, EffectResult::Finished);
                EXPECT_TRUE(o.dst == NewPicture(w, h))
                    << "code " << kind.code << " variant " << v << " at " << w << "x" << h;
            }
        }
    }
}

// Wipes take every pixel from one of the two pictures: in place for the
// line and strip wipes, moved for the slides and tiles.
TEST(Transitions, PixelsComeFromThePictures) {
    const int w = 64, h = 48;
    const Surface A = OldPicture(w, h), B = NewPicture(w, h);
    std::unordered_set<uint32_t> values(A.data(), A.data() + w * h);
    values.insert(B.data(), B.data() + w * h);
    for (const auto& kind : kTransitions) {
        const bool inPlace = std::set<int>{0, 3, 4, 6, 9, 10}.count(kind.code) > 0;
        const bool moved = std::set<int>{5, 7, 11, 12, 13, 14, 20}.count(kind.code) > 0;
        if (!inPlace && !moved)
            continue;
        for (int v = 0; v < kind.entry.variants; ++v) {
            auto o = RunTransition(kind.code, v, w, h, true);
            for (const Surface& p : o.rec.pictures) {
                for (int32_t y = 0; y < h; ++y) {
                    for (int32_t x = 0; x < w; ++x) {
                        const uint32_t px = p.pixel(x, y);
                        const bool ok = inPlace ? px == A.pixel(x, y) || px == B.pixel(x, y)
                                                : values.count(px) > 0;
                        ASSERT_TRUE(ok)
                            << "code " << kind.code << " variant " << v << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(Transitions, RunsAndSteps) {
    // Code 0 copies every line once: each of its n steps changes one line
    // (two columns, one for the odd last column), 37 columns in all.
    auto o = RunTransition(0, 1, 37, 9, true);
    ASSERT_EQ(o.rec.pictures.size(), 19u);
    Surface before = OldPicture(37, 9);
    int total = 0;
    for (const Surface& p : o.rec.pictures) {
        int changed = 0;
        for (int32_t x = 0; x < 37; ++x)
            changed += p.pixel(x, 0) != before.pixel(x, 0) ? 1 : 0;
        EXPECT_TRUE(changed == 2 || changed == 1);
        total += changed;
        before = p;
    }
    EXPECT_EQ(total, 37);
    EXPECT_TRUE(before == NewPicture(37, 9));
    // A row variant of code 1 runs as many steps as a column variant.
    EXPECT_EQ(RunTransition(1, 1, 64, 48, true).rec.steps.size(),
              RunTransition(1, 0, 64, 48, true).rec.steps.size());
    // Runs that start from the untouched old picture.
    for (auto [code, variant] : {std::pair{5, 0}, {16, 1}, {22, 0}}) {
        auto r = RunTransition(code, variant, 64, 48, true);
        EXPECT_TRUE(r.rec.pictures.front() == OldPicture(64, 48)) << "code " << code;
    }
    // The negative transition shows no new pixel before its third fade.
    auto neg = RunTransition(19, 0, 16, 12, true);
    const Surface N = NewPicture(16, 12);
    for (size_t i = 0; i < neg.rec.steps.size(); ++i) {
        if (neg.rec.steps[i].phase < 2) {
            EXPECT_FALSE(neg.rec.pictures[i] == N);
        }
    }
    // Pacing: progress never falls within a phase and ends at most at 1.
    for (const auto& kind : kTransitions) {
        auto r = RunTransition(kind.code, 0, 40, 30, true);
        for (size_t i = 1; i < r.rec.steps.size(); ++i) {
            if (r.rec.steps[i].phase == r.rec.steps[i - 1].phase) {
                EXPECT_GE(r.rec.steps[i].progress, r.rec.steps[i - 1].progress) << kind.code;
            }
            EXPECT_LE(r.rec.steps[i].progress, 1.0 + 1e-9) << kind.code;
        }
    }
}

TEST(Transitions, CancelStopsAtTheNextStep) {
    for (const auto& kind : kTransitions) {
        const size_t steps = RunTransition(kind.code, 0, 200, 150, true).rec.steps.size();
        ASSERT_GT(steps, 3u) << kind.code;
        auto o = RunTransition(kind.code, 0, 200, 150, false, 3);
        EXPECT_EQ(o.result, EffectResult::Cancelled) << kind.code;
        EXPECT_EQ(o.rec.steps.size(), 3u) << kind.code;
    }
}

TEST(Transitions, BadInputDrawsNothing) {
    Surface dst = OldPicture(20, 10), next = NewPicture(20, 10), wrong = NewPicture(20, 11);
    TransitionScratch scratch;
    EffectRandom random(1);
    Recorder rec;
    EXPECT_EQ(PlayTransition(23, 0, dst, next, scratch, rec, random, 1), EffectResult::BadInput);
    EXPECT_EQ(PlayTransition(-1, 0, dst, next, scratch, rec, random, 1), EffectResult::BadInput);
    EXPECT_EQ(PlayTransition(0, 2, dst, next, scratch, rec, random, 1), EffectResult::BadInput);
    EXPECT_EQ(PlayTransition(1, 4, dst, next, scratch, rec, random, 1), EffectResult::BadInput);
    EXPECT_EQ(PlayTransition(15, 1, dst, next, scratch, rec, random, 1), EffectResult::BadInput);
    EXPECT_EQ(PlayTransition(3, 0, dst, wrong, scratch, rec, random, 1), EffectResult::BadInput);
    EXPECT_TRUE(rec.steps.empty());
    EXPECT_TRUE(dst == OldPicture(20, 10));
    // A surface without pixels runs no steps.
    Surface none, none2;
    EXPECT_EQ(PlayTransition(7, 0, none, none2, scratch, rec, random, 1), EffectResult::Finished);
    EXPECT_TRUE(rec.steps.empty());
}

TEST(TextEffects, EndWithThePlainHeadlineAndCountFrames) {
    struct Case {
        int code, frames;
    };
    // Frames before the last picture, plus that one.
    const Case cases[] = {{0, 13 + 1}, {3, 4 + 11 + 1},      {4, 11 + 10 + 1}, {5, 21 + 1},
                          {6, 21 + 1}, {7, 12 + 5 + 12 + 1}, {8, 20 + 1}};
    for (const Case& c : cases) {
        auto o = RunText(c.code, 0, 80, 60, Headline(20.3, 20.7, 40.2, 16.4));
        EXPECT_EQ(o.result, EffectResult::Finished);
        EXPECT_EQ(static_cast<int>(o.rec.frames.size()), c.frames) << "code " << c.code;
        EXPECT_TRUE(o.dst == o.expected) << "code " << c.code;
        EXPECT_TRUE(o.rec.frames.back() == o.expected) << "code " << c.code;
    }
    for (const auto& kind : kTextEffects) {
        for (int v = 0; v < kind.entry.variants; ++v) {
            for (auto [w, h] : {std::pair{80, 60}, {33, 17}, {1, 1}}) {
                auto o = RunText(kind.code, v, w, h, Headline(w * 0.25, h * 0.3, w * 0.5, h * 0.3));
                EXPECT_TRUE(o.dst == o.expected) << kind.code << " " << v << " " << w;
                // An empty headline still ends with its frame.
                auto e = RunText(kind.code, v, w, h, Headline(2, 2, 10, 5, ""));
                EXPECT_TRUE(e.dst == OldPicture(w, h));
                EXPECT_GE(e.rec.frames.size(), 1u);
            }
        }
    }
    // The shake shows the full headline first, four frames held.
    auto shake = RunText(3, 0, 80, 60, Headline(20, 20, 40, 16));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(shake.rec.frames[static_cast<size_t>(i)] == shake.expected);
}

// Text the renderer draws beyond the layout rectangle moves with the rest:
// the zoom's step at scale 1.00 shows the whole headline in place.
TEST(TextEffects, TextBeyondTheBoxTakesPart) {
    auto o = RunText(5, 0, 80, 60, Headline(20, 20, 30, 10), false, 12);
    ASSERT_EQ(o.rec.frames.size(), 22u);
    EXPECT_TRUE(o.rec.frames[9] == o.expected);
    EXPECT_TRUE(o.dst == o.expected);
}

TEST(TextEffects, WipeAndSlideSteps) {
    // A 40-pixel wipe emits a frame at every step (K = 1): 21 steps + 1.
    auto wipe = RunText(1, 0, 80, 60, Headline(10, 10, 40, 20));
    EXPECT_EQ(wipe.rec.frames.size(), 22u);
    // The slide moves 6 pixels a step below 700 pixels of width, 12 from
    // 700 on: from x = −60 to x = 100.
    auto narrow = RunText(2, 0, 699, 40, Headline(100, 10, 60, 20), true);
    auto wide = RunText(2, 0, 700, 40, Headline(100, 10, 60, 20), true);
    EXPECT_EQ(narrow.rec.steps.size(), 160u / 6 + 1 + 1);
    EXPECT_EQ(wide.rec.steps.size(), 160u / 12 + 1 + 1);
    // Every direction ends in place.
    for (int v = 0; v < 4; ++v) {
        auto o = RunText(2, v, 120, 90, Headline(30, 40, 50, 20));
        EXPECT_TRUE(o.dst == o.expected) << v;
    }
}

TEST(TextEffects, BadInputAndCancel) {
    Surface dst = OldPicture(20, 10);
    TextEffectScratch scratch;
    EffectRandom random(1);
    test::BoxTextRenderer text;
    Recorder rec;
    EXPECT_EQ(PlayTextEffect(9, 0, dst, scratch, rec, random, text, Headline(1, 1, 5, 5)),
              EffectResult::BadInput);
    EXPECT_EQ(PlayTextEffect(2, 4, dst, scratch, rec, random, text, Headline(1, 1, 5, 5)),
              EffectResult::BadInput);
    EXPECT_EQ(PlayTextEffect(0, 1, dst, scratch, rec, random, text, Headline(1, 1, 5, 5)),
              EffectResult::BadInput);
    EXPECT_TRUE(rec.steps.empty());
    EXPECT_EQ(text.calls, 0);
    rec.cancelAfter = 2;
    EXPECT_EQ(PlayTextEffect(5, 0, dst, scratch, rec, random, text, Headline(1, 1, 5, 5)),
              EffectResult::Cancelled);
    EXPECT_EQ(rec.steps.size(), 2u);
}

TEST(RandomPermutation, SeededAndComplete) {
    EffectRandom a(42), b(42);
    std::vector<int32_t> p, q;
    a.Permutation(3, 40, p);
    b.Permutation(3, 40, q);
    EXPECT_EQ(p, q);
    std::vector<int32_t> sorted = p;
    std::sort(sorted.begin(), sorted.end());
    for (int32_t i = 0; i < 38; ++i)
        EXPECT_EQ(sorted[static_cast<size_t>(i)], i + 3);
    EXPECT_NE(p, sorted);
    a.Permutation(5, 4, p);
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(RandomPermutation(0, 9).size(), 10u);
}

// The on-screen pacer: a paced effect takes its duration, every step is
// presented, a stop ends the run, and a long preparation counts as 0.
TEST(ScreenPacer, PacesPresentsAndStops) {
    int presented = 0;
    ScreenPacer pacer({[&](const Surface&) { ++presented; }, [] {}, [] { return false; }});
    Surface dst = OldPicture(16, 16), next = NewPicture(16, 16);
    TransitionScratch scratch;
    EffectRandom random(3);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(PlayTransition(6, 0, dst, next, scratch, pacer, random, 1), EffectResult::Finished);
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(presented, 12);
    EXPECT_GE(ms, 1450);
    EXPECT_LT(ms, 3000);

    bool stop = false;
    int steps = 0;
    ScreenPacer stopping(
        {[&](const Surface&) { stop = ++steps == 2; }, [] {}, [&] { return stop; }});
    EXPECT_EQ(PlayTransition(15, 0, dst, next, scratch, stopping, random, 1),
              EffectResult::Cancelled);
    EXPECT_EQ(steps, 2);

    ScreenPacer prep({{}, {}, {}});
    prep.Begin();
    std::this_thread::sleep_for(std::chrono::milliseconds(750));
    prep.Prepared(699);
    EXPECT_EQ(prep.preparationMs(), 0);
    prep.Prepared(899);
    EXPECT_GE(prep.preparationMs(), 750);
}
