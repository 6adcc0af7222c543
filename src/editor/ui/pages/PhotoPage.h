// Page 1, "编辑图片": the photo list with its commands (add files, add a
// folder, move, delete, clear, drop), the thumbnails (decoded on worker
// threads) and the thumbnail strip, the caption-from-name box and the
// per-photo duration dialog. The list rules are the editor's list core;
// this page mirrors them in its widgets (entry k is photo k + 1).
#pragma once

#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "editor/ui/pages/EditorPage.h"

class QListWidget;

namespace velmora {
class ThumbnailCache;
class ThumbnailLoader;
}  // namespace velmora

namespace velmora::editor {

class ThumbnailStrip;

class PhotoPage : public EditorPage {
    Q_OBJECT

  public:
    explicit PhotoPage(PageHost& host, QWidget* parent = nullptr);
    ~PhotoPage() override;

    QListWidget* list() const { return list_; }
    QPushButton* addButton() const { return btnAdd_; }
    QPushButton* upButton() const { return btnUp_; }
    ThumbnailStrip& strip() const { return *strip_; }
    ThumbnailCache& thumbnails() { return *thumbs_; }
    ThumbnailLoader& loader() { return *loader_; }

    // Each command is refused while the session is busy. The Paths form is
    // what the dialog, the folder add and dropping feed.
    void AddPhotosCommand();
    void AddFolderCommand();
    void AddPhotoPaths(const std::vector<std::string>& paths);
    void DeleteSelected();
    void MoveSelected(bool up);
    // Asks first unless silent; clearing unbinds the project.
    void Clear(bool silent);

    // Refills the list from the project.
    void ReloadList();
    // Selects exactly the given rows (the check after an open shows the
    // missing photos this way).
    void SelectRows(const std::vector<size_t>& rows);
    // Requests the missing thumbnails; photo 1 becomes current.
    void RebuildThumbnails();
    // Stops the thumbnail workers (closing).
    void StopThumbnails();

  signals:
    // The current photo changed: the caption and headline pages follow.
    void currentPhotoChanged();
    // Photos were added, removed or the list was emptied.
    void listChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnThumbnailReady(const QString& path, const QImage& image);
    void OnSelectionChanged();
    void SelectRow(int row);
    void ShowCurrent();

    QListWidget* list_ = nullptr;
    QPushButton *btnAdd_ = nullptr, *btnFolder_ = nullptr, *btnUp_ = nullptr, *btnDown_ = nullptr,
                *btnRemove_ = nullptr, *btnClear_ = nullptr, *btnSlideTime_ = nullptr;
    QCheckBox* chkNameAsCaption_ = nullptr;
    ThumbnailStrip* strip_ = nullptr;
    std::unique_ptr<ThumbnailCache> thumbs_;
    ThumbnailLoader* loader_ = nullptr;
    QString folderToBrowse_, addFolder_;
};

}  // namespace velmora::editor
