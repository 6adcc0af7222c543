// What the Windows player shows, worked out from a package's settings: the
// photo sequence with the time each photo stays (where a photo goes is
// render/Placement.h's PlaceInMode). Plain C++: the player and the native tests
// share this file.
#pragma once

#include <string>
#include <vector>

#include "project/PropertyBag.h"
#include "project/SettingsKeys.h"

namespace velmora::player {

struct Slide {
    int index = 0;       // 1-based photo number
    std::string key;     // the setting that names the photo: "ImgNames(i)"
    double seconds = 0;  // time on screen
    int posX = 0;        // stored position (placement mode 1), 0 when unset
    int posY = 0;
};

// Interval used when the settings hold no usable one (the editor's initial
// interval text).
inline constexpr double kDefaultIntervalSeconds = keys::TimeInterval.def.number;
// Upper bound on the photo count taken from "NowI", so that a damaged value
// cannot make the player allocate without limit.
inline constexpr int kMaxPhotos = 100000;

// Photos 1..NowI in order. Each stays "SlideDuration(i)" seconds when that
// text is a positive number, else "TimeInterval" when that is positive, else
// kDefaultIntervalSeconds.
std::vector<Slide> PlanSlides(const PropertyBag& settings);

}  // namespace velmora::player
