// The placement arithmetic of the five placement modes, apart from any
// drawing (the composer uses it; the editor's placement page and the
// thumbnails reuse it).
#pragma once

#include <cstdint>

#include "render/Surface.h"

namespace velmora::render {

// PlacementMode values (the project's ImgDrawScale and BackgroundDrawScale).
enum PlacementMode : int32_t {
    kPlaceCentred = 0,  // "正常居中": actual size centred; larger pictures fitted
    kPlaceRandom = 1,   // "原始大小位置随机": actual size at a given or random spot
    kPlaceTiled = 2,    // "原始大小平铺": actual size, tiled from the top-left
    kPlaceFit = 3,      // "全屏保持宽高比例": fitted, aspect kept, centred
    kPlaceStretch = 4,  // "全屏拉伸": stretched to the whole surface
};

// A placement in real coordinates.
struct PlacedRect {
    double x = 0, y = 0, w = 0, h = 0;
};

// Mode 3 on a W × H surface for a w × h picture: the ratio is H / h when
// h / H > w / W, else W / w; the fitted width and height are round(w × ratio)
// and round(h × ratio) (the side that fills the surface is round(W) or
// round(H), and neither passes it); the picture is drawn at
// ((W − fitted width) / 2, (H − fitted height) / 2) with size
// (w × ratio, h × ratio). A ratio of 0 counts as 1.
PlacedRect FitPlacement(double W, double H, int32_t w, int32_t h);

// Mode 0: actual size centred at (round((W − w) / 2), round((H − h) / 2))
// when the picture fits (W ≥ w and H ≥ h); otherwise the fit of mode 3.
PlacedRect CentredPlacement(double W, double H, int32_t w, int32_t h);

// Each of the four values rounded (halves to even), as bitmaps are placed.
Rect RoundedRect(const PlacedRect& p);

// What a placement mode does with a picture. Every drawer of placed pictures
// (the composer, the players, the decoders choosing a decode size) takes the
// mode through PlaceInMode, so that the five modes mean one thing everywhere.
enum class PlacementKind {
    None,        // nothing is drawn: an unknown mode or an empty size
    Rect,        // drawn at rect
    RandomSpot,  // mode 1 without a stored position: actual size at RandomSpot
    Tiled,       // mode 2: actual size from the top-left, repeated right and down
};

struct ModePlacement {
    PlacementKind kind = PlacementKind::None;
    // Rect: where the picture goes; RandomSpot and Tiled: (0, 0, w, h).
    PlacedRect rect;
    // The picture keeps its own size (mode 0 when it fits, mode 1): it is
    // copied, never scaled.
    bool actualSize = false;
};

// A w x h picture on a W x H surface in placement mode `mode` (0 centred,
// fitted when too large; 1 actual size at (x, y), at a random spot when both
// are 0; 2 tiled; 3 fitted; 4 stretched over the whole surface).
ModePlacement PlaceInMode(int32_t mode, double W, double H, int32_t w, int32_t h, int32_t x,
                          int32_t y);

// The random spot of mode 1 for r1, r2 in [0, 1):
// (round((W − w) × r1), round((H − h) × r2)) at the picture's own size.
PlacedRect RandomSpot(double W, double H, int32_t w, int32_t h, double r1, double r2);

}  // namespace velmora::render
