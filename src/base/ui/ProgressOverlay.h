// The progress overlay of long jobs: a thin 400 x 24 bar shown over the main
// window while files are prepared and written, with a cancel button. It is
// the GUI form of the Progress interface, shared by the package build and the
// editor's long list jobs.
//
// The bar is drawn into a picture of its own, line by line, and only grows:
// every ShowProgress draws the vertical lines from the previous percentage's
// position to the new one, inside a region that leaves a 60-pixel margin on
// the left for a text that does not end in "..." (the label's place).
#pragma once

#include <QImage>
#include <QWidget>

#include "base/Progress.h"

class QLabel;
class QToolButton;

namespace velmora {

class ProgressOverlay : public QWidget, public Progress {
    Q_OBJECT

  public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 24;

    // mainWindow: the window the overlay sits on (it becomes its child).
    explicit ProgressOverlay(QWidget* mainWindow);

    void InitProgress(const std::string& title) override;
    void ShowProgress(int percent, const std::string& text) override;
    bool Cancelled() const override { return cancelled_; }
    void Finish() override;

    // For tests and the paint event.
    const QImage& barImage() const { return bar_; }
    QString labelText() const;
    QToolButton* cancelButton() const { return cancel_; }
    QColor highlight() const { return highlight_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QWidget* mainWindow_;
    QImage bar_;
    QLabel* label_;
    QToolButton* cancel_;
    QColor highlight_;
    int lastPercent_ = 0;
    bool cancelled_ = false;
};

}  // namespace velmora
