// What the Windows player shows, worked out from a package's settings: the
// photo sequence with the time each photo stays, and where a photo of a given
// size is drawn on the screen. Plain C++: the player and the native tests
// share this file.
#pragma once

#include <optional>
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

struct PlacedRect {
    double x = 0, y = 0, w = 0, h = 0;
    // Mode 2: the picture repeats from this rectangle to the right and down
    // until the screen is covered.
    bool tiled = false;
};

// Where a picture of w x h pixels is drawn on a W x H screen in placement
// mode 0..4 (0 centred at actual size or fitted when too large, 1 actual size
// at (x, y) or at a random place when both are 0, 2 tiled, 3 fitted keeping
// its proportions, 4 stretched). r1 and r2 in [0, 1) choose the random place
// of mode 1. nullopt (nothing drawn) for an unknown mode or an empty size.
std::optional<PlacedRect> PlacePicture(int mode, int W, int H, int w, int h, int x, int y,
                                       double r1, double r2);

}  // namespace velmora::player
