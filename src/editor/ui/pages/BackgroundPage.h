// Page 3, "设置背景": the background (a solid colour, a gradient of two
// colours in one of four directions, or a picture with its placement) and
// the photo placement mode.
#pragma once

#include "editor/ui/pages/EditorPage.h"

class QComboBox;
class QLabel;
class QRadioButton;

namespace velmora::editor {

class BackgroundPage : public EditorPage {
    Q_OBJECT

  public:
    explicit BackgroundPage(PageHost& host, QWidget* parent = nullptr);

    QPushButton* pictureButton() const { return btnPicture_; }
    QRadioButton* pictureOption() const { return optPicture_; }

    void Refresh() override;

  private:
    QRadioButton *optSolid_ = nullptr, *optGradient_ = nullptr, *optPicture_ = nullptr;
    QComboBox *cboGradient_ = nullptr, *cboPicturePlacement_ = nullptr, *cboPlacement_ = nullptr;
    QPushButton* btnPicture_ = nullptr;
    QLabel* lblPicture_ = nullptr;
};

}  // namespace velmora::editor
