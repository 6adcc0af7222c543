#include "editor/ui/ListProgress.h"

#include <QElapsedTimer>

#include "base/FileUtil.h"
#include "base/ui/ProgressOverlay.h"

namespace velmora {

namespace {

// The overlay is a child of the window; it is deleted with the job.
class OverlayProgress final : public Progress {
  public:
    explicit OverlayProgress(QWidget* window) : overlay_(new ProgressOverlay(window)) {}
    ~OverlayProgress() override { delete overlay_; }
    void InitProgress(const std::string& title) override { overlay_->InitProgress(title); }
    void ShowProgress(int percent, const std::string& text) override {
        // Drawing the bar for every file of a long list would cost more than
        // the adding: the bar moves when the percentage does, and window
        // events run at least every 20 ms.
        if (percent != last_ || clock_.elapsed() > 20) {
            last_ = percent;
            clock_.restart();
            // The bar is narrow: the file name stands for the path.
            overlay_->ShowProgress(percent, FileNameOf(text));
        }
    }
    bool Cancelled() const override { return overlay_->Cancelled(); }
    void Finish() override { overlay_->Finish(); }

  private:
    ProgressOverlay* overlay_;
    QElapsedTimer clock_;
    int last_ = -1;
};

}  // namespace

std::unique_ptr<Progress> MakeListProgress(QWidget* window) {
    return std::make_unique<OverlayProgress>(window);
}

}  // namespace velmora
