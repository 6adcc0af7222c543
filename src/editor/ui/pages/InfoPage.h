// Page 9, "幻灯信息": the six slideshow information texts, the logo image
// and the custom icon.
#pragma once

#include <array>

#include "editor/ui/pages/EditorPage.h"

namespace velmora::editor {

class InfoPage : public EditorPage {
    Q_OBJECT

  public:
    explicit InfoPage(PageHost& host, QWidget* parent = nullptr);

    void Refresh() override;

  private:
    std::array<QWidget*, kInfoTextCount> boxes_{};
    QPushButton *btnLogo_ = nullptr, *btnIcon_ = nullptr;
};

}  // namespace velmora::editor
