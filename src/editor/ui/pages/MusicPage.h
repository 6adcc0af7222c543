// Page 2, "编辑音乐": the song list with its commands (add, move, delete,
// clear, drop), the play order, mute, and the timing group (songs' total
// length or a fixed interval, opening and ending durations).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "editor/ui/pages/EditorPage.h"

class QLineEdit;
class QListWidget;
class QRadioButton;

namespace velmora::editor {

class MusicPage : public EditorPage {
    Q_OBJECT

  public:
    explicit MusicPage(PageHost& host, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    QPushButton* addButton() const { return btnAdd_; }
    QString intervalText() const;

    void AddSongsCommand();
    void AddSongPaths(const std::vector<std::string>& paths);
    void DeleteSelected();
    void MoveSelected(bool up);
    // Asks first unless silent.
    void Clear(bool silent);

    // Refills the list from the project; selectFirst selects entry 1.
    void ReloadList(bool selectFirst);
    void SelectRows(const std::vector<size_t>& rows);

    void Refresh() override;
    void Sync() override;

  signals:
    // The lyric file list changed with the songs.
    void lyricFilesChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SongsChanged();

    QListWidget* list_ = nullptr;
    QPushButton *btnAdd_ = nullptr, *btnUp_ = nullptr, *btnDown_ = nullptr, *btnRemove_ = nullptr,
                *btnClear_ = nullptr;
    std::array<QRadioButton*, 3> optPlayOrder_{};
    QRadioButton *optSync_ = nullptr, *optFixed_ = nullptr;
    QLineEdit *txtInterval_ = nullptr, *txtOpeningTime_ = nullptr, *txtEndingTime_ = nullptr;
    QString addFolder_;
};

}  // namespace velmora::editor
