// Page 5, "动态文字": the headline of the current photo, its effect and its
// style. Without the live preview device the effect frame says why in red.
#pragma once

#include "editor/ui/pages/EditorPage.h"

class QComboBox;
class QGroupBox;
class QPlainTextEdit;

namespace velmora::editor {

class EffectPreview;

class HeadlinePage : public EditorPage {
    Q_OBJECT

  public:
    explicit HeadlinePage(PageHost& host, QWidget* parent = nullptr);

    QPlainTextEdit* headlineBox() const { return txtHeadline_; }
    QGroupBox* effectFrame() const { return fraEffect_; }
    // Shows the current photo's headline (empty without one).
    void ShowPhoto();
    void Refresh() override;
    EffectPreview* preview() const { return preview_; }
    // Plays the chosen headline effect with the current photo's headline
    // (or a sample text) over its slide in the preview picture.
    void PreviewEffect();

  private:
    EffectPreview* preview_ = nullptr;
    QPushButton* btnPreview_ = nullptr;
    QPlainTextEdit* txtHeadline_ = nullptr;
    QGroupBox* fraEffect_ = nullptr;
    QComboBox* cboEffect_ = nullptr;
    QPushButton* btnStyle_ = nullptr;
};

}  // namespace velmora::editor
