// The 23 picture transitions between two slides: one table that maps each
// code of the transition catalogue (project/Catalogues.h: list text, variant
// count, Direct3D mark) to the function that draws it.
//
// A transition replaces the old picture on the destination by the new
// picture step by step. At every step it hands the destination to the step
// sink (render/effects/EffectSteps.h), marking the steps that are video
// frames and the pacing of the on-screen run. When it returns Finished the
// destination shows the new picture or a state that the caller overwrites
// with it (the caller presents the new slide itself).
//
// Surfaces: the destination and the new picture belong to the caller and
// must be of the same size; the scratch surfaces (TransitionScratch) too,
// kept by the caller from run to run so that a run allocates at most once,
// at its start, and never per frame.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/RandomPermutation.h"
#include "project/Catalogues.h"
#include "render/Surface.h"
#include "render/effects/EffectSteps.h"

namespace velmora::render::effects {

enum class EffectResult {
    Finished,
    Cancelled,  // the sink asked to stop; the destination shows the last step
    BadInput,   // unknown code or variant, or surfaces of different sizes
};

struct TransitionScratch {
    Surface a, b, c;
    std::vector<int32_t> order;   // permutations
    std::vector<int32_t> values;  // per-tile or per-strip numbers
};

// One run's inputs, as the effect functions see them.
struct TransitionRun {
    Surface& dst;
    const Surface& next;
    TransitionScratch& scratch;
    StepSink& sink;
    EffectRandom& random;
    int32_t variant = 0;
    int32_t tileSize = 0;  // code 4 only
};

// Draws one transition; false when the sink cancelled.
using TransitionFn = bool (*)(TransitionRun& run);

struct TransitionKind {
    int32_t code;
    EffectEntry entry;  // from the catalogue: list text, variants, Direct3D mark
    TransitionFn run;
};

extern const std::array<TransitionKind, kTransitionCatalogue.size()> kTransitions;

// Runs transition `code` (0..22) with `variant` (0 .. variants − 1). The
// tile size is used by code 4 (callers pass round(frame width ÷ 20)).
EffectResult PlayTransition(int32_t code, int32_t variant, Surface& dst, const Surface& next,
                            TransitionScratch& scratch, StepSink& sink, EffectRandom& random,
                            int32_t tileSize);

// The tile size the video timeline passes for code 4: round(width ÷ 20).
int32_t TransitionTileSize(int32_t frameWidth);

// Each transition's function (one per family file).
bool RandomLines(TransitionRun& run);       // 0
bool SoftWipe(TransitionRun& run);          // 1
bool SoftWipeCentre(TransitionRun& run);    // 2
bool RectangleOutline(TransitionRun& run);  // 3
bool TileGrow(TransitionRun& run);          // 4
bool GatherScatter(TransitionRun& run);     // 5
bool Blinds(TransitionRun& run);            // 6
bool RolledEdge(TransitionRun& run);        // 7
bool RotatingScatter(TransitionRun& run);   // 8
bool CombStrips(TransitionRun& run);        // 9
bool NestedStrips(TransitionRun& run);      // 10
bool SlideIn(TransitionRun& run);           // 11
bool DiagonalSlide(TransitionRun& run);     // 12
bool Push(TransitionRun& run);              // 13
bool Alternate(TransitionRun& run);         // 14
bool CrossFade(TransitionRun& run);         // 15
bool ScalePicture(TransitionRun& run);      // 16
bool Zoom(TransitionRun& run);              // 17
bool PagePeel(TransitionRun& run);          // 18
bool Negative(TransitionRun& run);          // 19
bool FallingCurtain(TransitionRun& run);    // 20
bool RotatingSquares(TransitionRun& run);   // 21
bool Louvres(TransitionRun& run);           // 22

}  // namespace velmora::render::effects
