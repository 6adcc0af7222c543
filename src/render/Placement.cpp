#include "render/Placement.h"

#include "base/Rounding.h"

namespace velmora::render {

PlacedRect FitPlacement(double W, double H, int32_t w, int32_t h) {
    if (w <= 0 || h <= 0)
        return {};
    double ratio;
    double fw, fh;
    if (static_cast<double>(h) / H > static_cast<double>(w) / W) {
        ratio = H / h;
        fh = nearest(H);
        fw = nearest(w * ratio);
    } else {
        ratio = W / w;
        fw = nearest(W);
        fh = nearest(ratio * h);
    }
    if (fw > W)
        fw = nearest(W);
    if (fh > H)
        fh = nearest(H);
    if (ratio == 0)
        ratio = 1;
    return {(W - fw) / 2, (H - fh) / 2, w * ratio, h * ratio};
}

PlacedRect CentredPlacement(double W, double H, int32_t w, int32_t h) {
    if (W >= w && H >= h)
        return {static_cast<double>(nearest((W - w) / 2)),
                static_cast<double>(nearest((H - h) / 2)), static_cast<double>(w),
                static_cast<double>(h)};
    return FitPlacement(W, H, w, h);
}

Rect RoundedRect(const PlacedRect& p) {
    return {nearest(p.x), nearest(p.y), nearest(p.w), nearest(p.h)};
}

ModePlacement PlaceInMode(int32_t mode, double W, double H, int32_t w, int32_t h, int32_t x,
                          int32_t y) {
    if (!(W > 0) || !(H > 0) || w <= 0 || h <= 0)
        return {};
    const PlacedRect own{0, 0, static_cast<double>(w), static_cast<double>(h)};
    switch (mode) {
        case kPlaceCentred:
            return {PlacementKind::Rect, CentredPlacement(W, H, w, h), W >= w && H >= h};
        case kPlaceRandom:
            if (x == 0 && y == 0)
                return {PlacementKind::RandomSpot, own, true};
            return {PlacementKind::Rect, {double(x), double(y), own.w, own.h}, true};
        case kPlaceTiled:
            return {PlacementKind::Tiled, own, true};
        case kPlaceFit:
            return {PlacementKind::Rect, FitPlacement(W, H, w, h), false};
        case kPlaceStretch:
            return {PlacementKind::Rect, {0, 0, W, H}, false};
        default:
            return {};
    }
}

PlacedRect RandomSpot(double W, double H, int32_t w, int32_t h, double r1, double r2) {
    return {static_cast<double>(nearest((W - w) * r1)), static_cast<double>(nearest((H - h) * r2)),
            static_cast<double>(w), static_cast<double>(h)};
}

}  // namespace velmora::render
