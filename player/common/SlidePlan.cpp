#include "player/common/SlidePlan.h"

#include <algorithm>

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

}  // namespace velmora::player
