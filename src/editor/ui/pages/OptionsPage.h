// Page 10, "其他设定": the playback options, the export permission and the
// export password.
#pragma once

#include "editor/ui/pages/EditorPage.h"

class QLineEdit;

namespace velmora::editor {

class OptionsPage : public EditorPage {
    Q_OBJECT

  public:
    explicit OptionsPage(PageHost& host, QWidget* parent = nullptr);

    void Refresh() override;
    // The password box reaches the project when it is written.
    void Sync() override;

  private:
    QLineEdit* txtExportPassword_ = nullptr;
};

}  // namespace velmora::editor
