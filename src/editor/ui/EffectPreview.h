// The editor's effect preview: plays a transition or a headline effect once
// in a picture widget, through the on-screen pacer (every step shown, paced
// against the clock, events kept running), and stops at once when asked
// (Stop, a click on the picture, Esc, or a new preview).
//
// Repeated previews of one effect show its variants in turn: one counter
// for the four-variant transitions, one for the two-variant ones, and one
// for the four directions of the sliding headline.
//
// Threading: the user-interface thread; a preview runs inside the call that
// starts it, letting pending events run between steps.
#pragma once

#include <QWidget>
#include <functional>

#include "base/RandomPermutation.h"
#include "render/Surface.h"
#include "render/TextRenderer.h"
#include "render/effects/TextEffects.h"
#include "render/effects/Transitions.h"

namespace velmora::editor {

class EffectPreview : public QWidget {
    Q_OBJECT

  public:
    explicit EffectPreview(QWidget* parent = nullptr);

    // Shows a still picture (scaled to the widget when it differs).
    void ShowPicture(const render::Surface& picture);

    // Plays transition `code` from the picture shown to `next` (the same
    // size as the shown picture, else nothing plays). Returns false when the
    // preview was stopped or could not run.
    bool PlayTransition(int32_t code, const render::Surface& next);

    // Plays headline effect `code` over the picture shown.
    bool PlayTextEffect(int32_t code, render::TextRenderer& text,
                        const render::TextDrawRequest& headline);

    bool running() const { return running_; }
    // Stops a running preview at its next step.
    void Stop() { stopRequested_ = true; }

    // The variant the next preview of a code takes (advancing the counter).
    int32_t NextTransitionVariant(int32_t code);
    int32_t NextTextVariant(int32_t code);

    const render::Surface& picture() const { return shown_; }

  signals:
    void previewFinished(bool completed);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool Run(const std::function<render::effects::EffectResult(render::effects::StepSink&)>& play);
    void Present(const render::Surface& picture);

    render::Surface shown_;
    render::effects::TransitionScratch scratch_;
    render::effects::TextEffectScratch textScratch_;
    EffectRandom random_;
    int32_t fourCounter_ = 0, twoCounter_ = 0, slideCounter_ = 0;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace velmora::editor
