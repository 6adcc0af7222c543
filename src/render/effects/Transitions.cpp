#include "render/effects/Transitions.h"

#include "base/Rounding.h"

namespace velmora::render::effects {

namespace {

constexpr TransitionKind Kind(int32_t code, TransitionFn fn) {
    return {code, kTransitionCatalogue[static_cast<size_t>(code)], fn};
}

}  // namespace

constexpr std::array<TransitionKind, kTransitionCatalogue.size()> kTransitionTable = {{
    Kind(0, RandomLines),      Kind(1, SoftWipe),      Kind(2, SoftWipeCentre),
    Kind(3, RectangleOutline), Kind(4, TileGrow),      Kind(5, GatherScatter),
    Kind(6, Blinds),           Kind(7, RolledEdge),    Kind(8, RotatingScatter),
    Kind(9, CombStrips),       Kind(10, NestedStrips), Kind(11, SlideIn),
    Kind(12, DiagonalSlide),   Kind(13, Push),         Kind(14, Alternate),
    Kind(15, CrossFade),       Kind(16, ScalePicture), Kind(17, Zoom),
    Kind(18, PagePeel),        Kind(19, Negative),     Kind(20, FallingCurtain),
    Kind(21, RotatingSquares), Kind(22, Louvres),
}};

// Every code of the catalogue, in order.
constexpr bool TableInOrder() {
    for (size_t i = 0; i < kTransitionTable.size(); ++i) {
        if (kTransitionTable[i].code != static_cast<int32_t>(i))
            return false;
    }
    return true;
}
static_assert(TableInOrder(), "the transition table lists every catalogue code in order");

const std::array<TransitionKind, kTransitionCatalogue.size()> kTransitions = kTransitionTable;

int32_t TransitionTileSize(int32_t frameWidth) {
    return nearest(frameWidth / 20.0);
}

EffectResult PlayTransition(int32_t code, int32_t variant, Surface& dst, const Surface& next,
                            TransitionScratch& scratch, StepSink& sink, EffectRandom& random,
                            int32_t tileSize) {
    if (code < 0 || code >= static_cast<int32_t>(kTransitions.size()))
        return EffectResult::BadInput;
    const TransitionKind& kind = kTransitions[static_cast<size_t>(code)];
    if (variant < 0 || variant >= kind.entry.variants)
        return EffectResult::BadInput;
    if (next.width() != dst.width() || next.height() != dst.height())
        return EffectResult::BadInput;
    sink.Begin();
    // A surface without pixels has no steps.
    if (dst.empty())
        return EffectResult::Finished;
    TransitionRun run{dst, next, scratch, sink, random, variant, tileSize};
    return kind.run(run) ? EffectResult::Finished : EffectResult::Cancelled;
}

}  // namespace velmora::render::effects
