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

}  // namespace velmora::render
