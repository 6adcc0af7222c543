// Page 4, "静态文字": the caption of the current photo and its style.
#pragma once

#include "editor/ui/pages/EditorPage.h"

class QPlainTextEdit;

namespace velmora::editor {

class CaptionPage : public EditorPage {
    Q_OBJECT

  public:
    explicit CaptionPage(PageHost& host, QWidget* parent = nullptr);

    QPlainTextEdit* captionBox() const { return txtCaption_; }
    // Shows the current photo's caption (empty without one).
    void ShowPhoto();

  private:
    QPlainTextEdit* txtCaption_ = nullptr;
    QPushButton *btnStyle_ = nullptr, *btnApplyToAll_ = nullptr;
};

}  // namespace velmora::editor
