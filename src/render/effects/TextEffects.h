// The nine animated headline effects: one table that maps each code of the
// headline effect catalogue (project/Catalogues.h) to its function.
//
// An effect draws the headline once through the text renderer (into a copy
// of the slide, and for the moving and scaling effects onto black, keyed so
// that black is transparent: the text sprite), then animates it inside its
// layout rectangle over the slide, handing every step to the step sink
// (render/effects/EffectSteps.h). It ends with the destination showing the
// slide with the headline exactly as a plain text drawing puts it there,
// handed on as one more frame.
//
// Surfaces: the destination is the caller's; the scratch surfaces
// (TextEffectScratch) are kept by the caller from run to run, so that a run
// allocates at most at its start and never per frame.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/RandomPermutation.h"
#include "project/Catalogues.h"
#include "render/Surface.h"
#include "render/TextRenderer.h"
#include "render/effects/EffectSteps.h"
#include "render/effects/Transitions.h"

namespace velmora::render::effects {

struct TextEffectScratch {
    Surface slide;     // the slide without the headline
    Surface withText;  // the slide with the headline
    Surface sprite;    // the headline on transparent: the layout rectangle and any text beyond it
    Surface scaled;    // a scaled sprite, at the frame's coordinates
    std::vector<int32_t> order;
};

struct TextEffectRun {
    Surface& dst;
    TextEffectScratch& scratch;
    StepSink& sink;
    EffectRandom& random;
    int32_t variant = 0;
    Rect box;         // the layout rectangle in whole pixels
    double w = 0;     // the layout rectangle's real width
    Rect textArea;    // where the drawn headline differs from the slide
    Rect spriteArea;  // the box and any text drawn beyond it: what the sprite holds
};

using TextEffectFn = bool (*)(TextEffectRun& run);

struct TextEffectKind {
    int32_t code;
    EffectEntry entry;
    TextEffectFn run;
    int32_t preparationLimitMs;  // a longer preparation counts as 0
};

extern const std::array<TextEffectKind, kHeadlineEffectCatalogue.size()> kTextEffects;

// Runs headline effect `code` (0..8, variant 0..3 for code 2, else 0) on
// the slide that the destination shows. headline: the text, style and
// layout rectangle (frame pixels) as the text renderer takes them; zoom
// scales its font size and border width.
EffectResult PlayTextEffect(int32_t code, int32_t variant, Surface& dst, TextEffectScratch& scratch,
                            StepSink& sink, EffectRandom& random, TextRenderer& text,
                            const TextDrawRequest& headline, double zoom = 1.0);

bool TextFade(TextEffectRun& run);     // 0
bool TextWipe(TextEffectRun& run);     // 1
bool TextSlideIn(TextEffectRun& run);  // 2
bool TextShake(TextEffectRun& run);    // 3
bool TextStretch(TextEffectRun& run);  // 4
bool TextZoomIn(TextEffectRun& run);   // 5
bool TextZoomOut(TextEffectRun& run);  // 6
bool TextPopOut(TextEffectRun& run);   // 7
bool TextGather(TextEffectRun& run);   // 8

}  // namespace velmora::render::effects
