#include "editor/ui/EffectPreview.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

namespace velmora::editor {

using namespace velmora::render;
using namespace velmora::render::effects;

EffectPreview::EffectPreview(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void EffectPreview::ShowPicture(const Surface& picture) {
    shown_ = picture;
    update();
}

void EffectPreview::Present(const Surface& picture) {
    if (&picture != &shown_)
        shown_ = picture;
    repaint();
}

void EffectPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (shown_.empty()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const QImage image(reinterpret_cast<const uchar*>(shown_.data()), shown_.width(),
                       shown_.height(), static_cast<qsizetype>(shown_.bytesPerLine()),
                       QImage::Format_RGB32);
    if (image.size() == size()) {
        p.drawImage(0, 0, image);
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), image);
    }
}

void EffectPreview::mousePressEvent(QMouseEvent* event) {
    if (running_)
        Stop();
    QWidget::mousePressEvent(event);
}

void EffectPreview::keyPressEvent(QKeyEvent* event) {
    if (running_ && event->key() == Qt::Key_Escape) {
        Stop();
        return;
    }
    QWidget::keyPressEvent(event);
}

int32_t EffectPreview::NextTransitionVariant(int32_t code) {
    if (code < 0 || code >= static_cast<int32_t>(kTransitions.size()))
        return 0;
    const int32_t n = kTransitions[static_cast<size_t>(code)].entry.variants;
    int32_t& counter = n == 4 ? fourCounter_ : twoCounter_;
    if (n == 1)
        return 0;
    const int32_t v = counter % n;
    counter = (counter + 1) % n;
    return v;
}

int32_t EffectPreview::NextTextVariant(int32_t code) {
    if (code < 0 || code >= static_cast<int32_t>(kTextEffects.size()))
        return 0;
    const int32_t n = kTextEffects[static_cast<size_t>(code)].entry.variants;
    if (n == 1)
        return 0;
    const int32_t v = slideCounter_ % n;
    slideCounter_ = (slideCounter_ + 1) % n;
    return v;
}

bool EffectPreview::Run(const std::function<EffectResult(StepSink&)>& play) {
    if (running_) {
        // A new preview while one runs stops the running one.
        Stop();
        return false;
    }
    running_ = true;
    stopRequested_ = false;
    ScreenPacer pacer({[this](const Surface& s) { Present(s); },
                       [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 1); },
                       [this] { return stopRequested_; }});
    EffectResult r = play(pacer);
    running_ = false;
    update();
    const bool completed = r == EffectResult::Finished;
    emit previewFinished(completed);
    return completed;
}

bool EffectPreview::PlayTransition(int32_t code, const Surface& next) {
    if (shown_.empty() || next.width() != shown_.width() || next.height() != shown_.height())
        return false;
    const int32_t variant = NextTransitionVariant(code);
    // The destination is a copy of what is shown, so that the shown picture
    // is replaced step by step through Present.
    Surface dst = shown_;
    const bool ok = Run([&](StepSink& sink) {
        return render::effects::PlayTransition(code, variant, dst, next, scratch_, sink, random_,
                                               TransitionTileSize(dst.width()));
    });
    // The caller's new slide is shown at the end (as the slide presents
    // itself after its transition).
    if (ok)
        ShowPicture(next);
    return ok;
}

bool EffectPreview::PlayTextEffect(int32_t code, TextRenderer& text,
                                   const TextDrawRequest& headline) {
    if (shown_.empty())
        return false;
    const int32_t variant = NextTextVariant(code);
    Surface dst = shown_;
    const Surface slide = shown_;
    const bool ok = Run([&](StepSink& sink) {
        return render::effects::PlayTextEffect(code, variant, dst, textScratch_, sink, random_,
                                               text, headline);
    });
    if (!ok)
        ShowPicture(slide);
    return ok;
}

}  // namespace velmora::editor
