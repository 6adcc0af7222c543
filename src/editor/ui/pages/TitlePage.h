// Page 8, "片头片尾": the opening and ending titles with their images, the
// title animation and the title style.
#pragma once

#include "editor/ui/pages/EditorPage.h"

class QComboBox;
class QLineEdit;

namespace velmora::editor {

class TitlePage : public EditorPage {
    Q_OBJECT

  public:
    explicit TitlePage(PageHost& host, QWidget* parent = nullptr);

    void Refresh() override;
    // The two title boxes reach the project when it is written.
    void Sync() override;

  private:
    QLineEdit *txtOpening_ = nullptr, *txtEnding_ = nullptr;
    QPushButton *btnOpeningImage_ = nullptr, *btnEndingImage_ = nullptr, *btnTitleStyle_ = nullptr;
    QComboBox* cboTitleStyle_ = nullptr;
};

}  // namespace velmora::editor
