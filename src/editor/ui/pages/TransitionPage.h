// Page 6, "切换特效": the transitions chosen for the slideshow (all, none or
// any of the catalogue's 23). Without the live preview device the frame
// says why in red.
#pragma once

#include "editor/ui/pages/EditorPage.h"

class QGroupBox;
class QListWidget;

namespace velmora::editor {
class EffectPreview;
}

namespace velmora::editor {

class TransitionPage : public EditorPage {
    Q_OBJECT

  public:
    explicit TransitionPage(PageHost& host, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    QGroupBox* frame() const { return fraTransition_; }
    void Refresh() override;
    EffectPreview* preview() const { return preview_; }
    // Plays transition code from the current photo's slide to the next one's
    // in the preview picture (the 预览 button: the list's current entry).
    void PreviewTransition(int code);

  private:
    EffectPreview* preview_ = nullptr;
    QPushButton* btnPreview_ = nullptr;
    QGroupBox* fraTransition_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton *btnSelectAll_ = nullptr, *btnSelectNone_ = nullptr;
};

}  // namespace velmora::editor
