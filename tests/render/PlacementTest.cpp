// The one placement switch: what each of the five modes does with a picture,
// for the composer, the players and the decode-size choice alike.
#include <gtest/gtest.h>

#include "render/Placement.h"

namespace velmora::render {
namespace {

TEST(PlaceInMode, FiveModesAndTheirEdges) {
    using K = PlacementKind;
    struct Case {
        const char* what;
        int mode, W, H, w, h, x, y;
        K kind;
        PlacedRect want;
        bool actualSize;
    };
    const Case cases[] = {
        {"centred, fits", 0, 100, 80, 40, 20, 0, 0, K::Rect, {30, 30, 40, 20}, true},
        {"centred, exactly the screen", 0, 100, 80, 100, 80, 0, 0, K::Rect, {0, 0, 100, 80}, true},
        // One pixel too wide: fitted as in mode 3, and so scaled.
        {"centred, too wide",
         0,
         100,
         80,
         101,
         80,
         0,
         0,
         K::Rect,
         {0, (80 - 79) / 2.0, 100, 80 * 100 / 101.0},
         false},
        {"stored position", 1, 200, 100, 20, 10, 7, 9, K::Rect, {7, 9, 20, 10}, true},
        {"stored position, only y", 1, 200, 100, 20, 10, 0, 5, K::Rect, {0, 5, 20, 10}, true},
        {"stored position, negative", 1, 200, 100, 20, 10, -4, 0, K::Rect, {-4, 0, 20, 10}, true},
        {"no stored position", 1, 200, 100, 20, 10, 0, 0, K::RandomSpot, {0, 0, 20, 10}, true},
        {"tiled, larger than the screen",
         2,
         200,
         100,
         300,
         300,
         0,
         0,
         K::Tiled,
         {0, 0, 300, 300},
         true},
        {"fit, tall on wide", 3, 200, 100, 50, 100, 0, 0, K::Rect, {75, 0, 50, 100}, false},
        {"fit, wide on wide", 3, 200, 100, 400, 100, 0, 0, K::Rect, {0, 25, 200, 50}, false},
        {"fit, already the screen size",
         3,
         200,
         100,
         200,
         100,
         0,
         0,
         K::Rect,
         {0, 0, 200, 100},
         false},
        {"stretched", 4, 200, 100, 20, 10, 0, 0, K::Rect, {0, 0, 200, 100}, false},
        {"unknown mode", 5, 200, 100, 20, 10, 0, 0, K::None, {}, false},
        {"negative mode", -1, 200, 100, 20, 10, 0, 0, K::None, {}, false},
        {"empty picture", 3, 200, 100, 0, 10, 0, 0, K::None, {}, false},
        {"empty screen", 4, 0, 100, 20, 10, 0, 0, K::None, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ModePlacement p = PlaceInMode(c.mode, c.W, c.H, c.w, c.h, c.x, c.y);
        EXPECT_EQ(p.kind, c.kind);
        EXPECT_EQ(p.actualSize, c.actualSize);
        EXPECT_DOUBLE_EQ(p.rect.x, c.want.x);
        EXPECT_DOUBLE_EQ(p.rect.y, c.want.y);
        EXPECT_DOUBLE_EQ(p.rect.w, c.want.w);
        EXPECT_DOUBLE_EQ(p.rect.h, c.want.h);
    }
}

TEST(PlaceInMode, RandomSpotRoundsHalvesToEven) {
    struct Case {
        double r1, r2;
        PlacedRect want;
    } cases[] = {
        {0, 0, {0, 0, 20, 10}},
        {0.5, 0.25, {90, 22, 20, 10}},  // 22.5 -> 22
        {0.0125, 0.0, {2, 0, 20, 10}},  // 2.25 -> 2
        {0.9999, 0.9999, {180, 90, 20, 10}},
    };
    for (const Case& c : cases) {
        PlacedRect r = RandomSpot(200, 100, 20, 10, c.r1, c.r2);
        EXPECT_DOUBLE_EQ(r.x, c.want.x) << c.r1;
        EXPECT_DOUBLE_EQ(r.y, c.want.y) << c.r2;
        EXPECT_DOUBLE_EQ(r.w, 20);
        EXPECT_DOUBLE_EQ(r.h, 10);
    }
    // A picture larger than the screen goes to a negative spot.
    EXPECT_DOUBLE_EQ(RandomSpot(100, 100, 300, 10, 0.5, 0).x, -100);
}

}  // namespace
}  // namespace velmora::render
