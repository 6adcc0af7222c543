#include "editor/ui/ListProgress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

#include "base/FileUtil.h"

#ifdef VELMORA_HAVE_PROGRESS_OVERLAY
#include "builder/ui/ProgressOverlay.h"
#endif

namespace velmora {

namespace {

#ifdef VELMORA_HAVE_PROGRESS_OVERLAY
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
#endif

class DialogProgress final : public Progress {
  public:
    explicit DialogProgress(QWidget* window) : dialog_(window) {
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setRange(0, 100);
        dialog_.setCancelButtonText("取消");
        dialog_.setMinimumDuration(300);
        dialog_.setAutoReset(false);
        dialog_.setAutoClose(false);
        clock_.start();
    }
    void InitProgress(const std::string& title) override {
        dialog_.setWindowTitle(QString::fromStdString(title));
        dialog_.setValue(0);
    }
    void ShowProgress(int percent, const std::string& text) override {
        if (percent != dialog_.value() || clock_.elapsed() > 20) {
            clock_.restart();
            dialog_.setLabelText(QString::fromStdString(FileNameOf(text)));
            dialog_.setValue(percent);
            QCoreApplication::processEvents();
        }
    }
    bool Cancelled() const override { return dialog_.wasCanceled(); }
    void Finish() override { dialog_.close(); }

  private:
    QProgressDialog dialog_;
    QElapsedTimer clock_;
};

}  // namespace

std::unique_ptr<Progress> MakeListProgress(QWidget* window) {
#ifdef VELMORA_HAVE_PROGRESS_OVERLAY
    return std::make_unique<OverlayProgress>(window);
#else
    return std::make_unique<DialogProgress>(window);
#endif
}

}  // namespace velmora
