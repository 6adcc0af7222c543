#include "player/common/SlidePlan.h"

#include <algorithm>

#include "base/Rounding.h"
#include "render/Placement.h"

namespace velmora::player {

namespace {

double PositiveSeconds(const PropertyBag& bag, const std::string& name) {
    auto v = bag.ReadProperty(name);
    if (!v)
        return 0;
    auto s = v->ToSingle();
    if (!s || !(*s > 0))
        return 0;
    return *s;
}

int LongOr0(const PropertyBag& bag, const std::string& name) {
    auto v = bag.ReadProperty(name);
    if (!v)
        return 0;
    return v->ToLong().value_or(0);
}

PlacedRect FromRender(const render::PlacedRect& r) {
    return PlacedRect{r.x, r.y, r.w, r.h};
}

}  // namespace

std::vector<Slide> PlanSlides(const PropertyBag& settings) {
    std::vector<Slide> out;
    int n = std::clamp(LongOr0(settings, KeyName(keys::NowI)), 0, kMaxPhotos);
    double interval = PositiveSeconds(settings, KeyName(keys::TimeInterval));
    if (interval <= 0)
        interval = kDefaultIntervalSeconds;
    out.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) {
        Slide s;
        s.index = i;
        s.key = KeyName(keys::ImgNames, i);
        double own = PositiveSeconds(settings, KeyName(keys::SlideDuration, i));
        s.seconds = own > 0 ? own : interval;
        s.posX = LongOr0(settings, KeyName(keys::ImgPosX, i));
        s.posY = LongOr0(settings, KeyName(keys::ImgPosY, i));
        out.push_back(std::move(s));
    }
    return out;
}

std::optional<PlacedRect> PlacePicture(int mode, int W, int H, int w, int h, int x, int y,
                                       double r1, double r2) {
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return {};
    const double dW = W, dH = H, dw = w, dh = h;
    switch (mode) {
        case 0:
            return FromRender(render::CentredPlacement(dW, dH, w, h));
        case 1:
            if (x != 0 || y != 0)
                return PlacedRect{double(x), double(y), dw, dh};
            return PlacedRect{double(nearest((dW - dw) * r1)), double(nearest((dH - dh) * r2)), dw,
                              dh};
        case 2:
            return PlacedRect{0, 0, dw, dh, true};
        case 3:
            return FromRender(render::FitPlacement(dW, dH, w, h));
        case 4:
            return PlacedRect{0, 0, dW, dH};
        default:
            return std::nullopt;
    }
}

}  // namespace velmora::player
