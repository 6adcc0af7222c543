// The effect preview widget: a transition plays through the on-screen pacer
// to the new picture, the variants come in turn, a click stops it, and a
// headline effect ends on the headline (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <chrono>

#include "editor/ui/EffectPreview.h"
#include "render/Raster.h"

using namespace velmora;
using namespace velmora::editor;
using namespace velmora::render;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "test_effect_preview";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

Surface Flat(uint32_t colour) {
    return Surface(48, 36, colour);
}

class FillText : public TextRenderer {
  public:
    void DrawText(Surface& s, const TextDrawRequest& r) override {
        Fill(s,
             {static_cast<int32_t>(r.x), static_cast<int32_t>(r.y), static_cast<int32_t>(r.width),
              static_cast<int32_t>(r.height)},
             0xFFFF0000u);
    }
};

}  // namespace

TEST(EffectPreview, PlaysPacedToTheNewPicture) {
    EnsureApp();
    EffectPreview view;
    view.resize(48, 36);
    view.show();
    view.ShowPicture(Flat(0xFF102030u));
    bool finished = false;
    QObject::connect(&view, &EffectPreview::previewFinished, [&](bool ok) { finished = ok; });
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(view.PlayTransition(6, Flat(0xFFA0B0C0u)));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_TRUE(finished);
    EXPECT_GE(ms, 1400);
    EXPECT_TRUE(view.picture() == Flat(0xFFA0B0C0u));
    EXPECT_FALSE(view.running());
    // A picture of another size plays nothing.
    EXPECT_FALSE(view.PlayTransition(6, Surface(10, 10)));
}

TEST(EffectPreview, VariantsInTurn) {
    EnsureApp();
    EffectPreview view;
    EXPECT_EQ(view.NextTransitionVariant(0), 0);  // two variants
    EXPECT_EQ(view.NextTransitionVariant(0), 1);
    EXPECT_EQ(view.NextTransitionVariant(0), 0);
    EXPECT_EQ(view.NextTransitionVariant(15), 0);  // one variant
    for (int v = 0; v < 4; ++v)
        EXPECT_EQ(view.NextTextVariant(2), v);  // left, top, right, bottom
    EXPECT_EQ(view.NextTextVariant(2), 0);
}

TEST(EffectPreview, ClickStops) {
    EnsureApp();
    EffectPreview view;
    view.resize(48, 36);
    view.show();
    const Surface before = Flat(0xFF102030u);
    view.ShowPicture(before);
    QTimer::singleShot(200, &view, [&] {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &press);
    });
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(view.PlayTransition(15, Flat(0xFFA0B0C0u)));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 1000);
    EXPECT_FALSE(view.running());
}

TEST(EffectPreview, HeadlineEndsInPlace) {
    EnsureApp();
    EffectPreview view;
    view.resize(48, 36);
    view.show();
    view.ShowPicture(Flat(0xFF102030u));
    FillText text;
    TextDrawRequest r;
    r.text = "标题";
    r.x = 8, r.y = 10, r.width = 30, r.height = 10;
    EXPECT_TRUE(view.PlayTextEffect(5, text, r));
    Surface expected = Flat(0xFF102030u);
    text.DrawText(expected, r);
    EXPECT_TRUE(view.picture() == expected);
}
