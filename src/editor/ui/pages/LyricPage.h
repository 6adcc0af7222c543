// Page 7, "设置歌词": lyrics on or off, the lyric style, the lyric file list
// (filled with the songs) and the lyric folder.
#pragma once

#include "editor/ui/pages/EditorPage.h"

class QComboBox;
class QLabel;
class QListWidget;

namespace velmora::editor {

class LyricPage : public EditorPage {
    Q_OBJECT

  public:
    explicit LyricPage(PageHost& host, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    QPushButton* addButton() const { return btnAddLyrics_; }
    // Refills the lyric file list from the project and selects entry 1.
    void ReloadList();
    void Refresh() override;

  private:
    QComboBox* cboStyle_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* lblFolder_ = nullptr;
    QPushButton *btnStyle_ = nullptr, *btnFolder_ = nullptr, *btnAddLyrics_ = nullptr;
};

}  // namespace velmora::editor
