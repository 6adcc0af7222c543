// The editor's main window: the shell around the ten pages. It holds the
// page buttons and the pages (src/editor/ui/pages, one widget per page),
// the command buttons, the menus, the 500 ms timer (hover tips, screen and
// theme watch, and the session's tick that autosaves) and the shared
// helpers of long jobs (WaitWithEvents, GuideCursorTo). What a command
// does to the project's life (the save questions, every save, open, new,
// autosave, closing) is the editor session's decision; the window asks it
// and shows its answers.
//
// Threading: everything here runs on the user-interface thread. Long jobs
// set the session's busy flag and pump events with WaitWithEvents; every
// command, the timer's work and closing test the flag first.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>

#include "app/AppPaths.h"
#include "editor/session/EditorSession.h"
#include "editor/ui/pages/EditorPage.h"
#include "package/ResourcePack.h"
#include "project/Project.h"
#include "project/SettingsStore.h"

class QAction;
class QListWidget;
class QPushButton;
class QScrollBar;
class QStackedWidget;
class QTimer;

namespace velmora {

class ThumbnailCache;
class ThumbnailLoader;

namespace editor {
class PhotoPage;
class MusicPage;
class BackgroundPage;
class CaptionPage;
class HeadlinePage;
class TransitionPage;
class LyricPage;
class TitlePage;
class InfoPage;
class OptionsPage;
}  // namespace editor

class MainWindow : public QMainWindow, public editor::PageHost {
    Q_OBJECT

  public:
    static constexpr int kPageCount = 10;

    explicit MainWindow(const AppPaths& paths, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence after the single-instance check.
    void Load();

    // Modal questions and messages go through this hook so that tests can
    // answer them; the default shows a QMessageBox.
    using AskFn = std::function<QMessageBox::StandardButton(
        const QString& title, const QString& text, QMessageBox::StandardButtons buttons,
        QMessageBox::Icon icon)>;
    void setAsk(AskFn ask) { ask_ = std::move(ask); }
    QMessageBox::StandardButton Ask(const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon icon, const QString& title = "Info") override;
    void Inform(const QString& text, QMessageBox::Icon icon = QMessageBox::Information) override;

    // Opening URLs and files with the desktop (help file, web site, mail).
    using OpenUrlFn = std::function<void(const QUrl&)>;
    void setOpenUrl(OpenUrlFn f) { openUrl_ = std::move(f); }

    // The save dialog of save-as; tests replace it. Returns the chosen path
    // or an empty string when cancelled.
    using SavePathFn = std::function<QString(const QString& title, const QString& suggested)>;
    void setSavePathChooser(SavePathFn f) { chooseSavePath_ = std::move(f); }

    // The multi-selection open dialog of the photo and song adders; tests
    // replace it. Returns the chosen paths (empty when cancelled).
    using OpenPathsFn = std::function<QStringList(const QString& title, const QString& filter,
                                                  const QString& folder)>;
    void setOpenPathsChooser(OpenPathsFn f) { chooseOpenPaths_ = std::move(f); }
    // The open dialog of a project file (empty when cancelled).
    using OpenPathFn = std::function<QString(const QString& title)>;
    void setOpenProjectChooser(OpenPathFn f) { chooseOpenProject_ = std::move(f); }
    // The folder browser (empty when cancelled).
    using FolderFn = std::function<QString(const QString& prompt, const QString& start)>;
    void setFolderChooser(FolderFn f) { chooseFolder_ = std::move(f); }

    editor::EditorSession& session() override { return session_; }
    Project& project() { return session_.project(); }
    const ProjectEnvironment& environment() const { return session_.environment(); }
    SettingsStore& store() { return session_.store(); }
    const AppPaths& paths() const { return paths_; }
    const ResourcePack& resources() const { return pack_; }
    const QByteArray& rainbowTexture() const override { return rainbow_; }

    bool busy() const { return session_.busy(); }
    void setBusy(bool b) { session_.SetBusy(b); }
    bool previewing() const { return session_.previewing(); }
    bool refused() const { return session_.Refused(); }
    bool libraryLoading() const { return session_.loading(); }

    int currentPage() const { return currentPage_; }
    void ShowPage(int page);  // 1..10
    QWidget* page(int n) const;
    QPushButton* pageButton(int n) const;

    // Copies the project into every control, and the boxes back into it.
    void RefreshControls();
    void SyncFromControls() override;
    void RefreshLists();

    // Waits ms milliseconds with window events running.
    void WaitWithEvents(int ms) override;
    // Moves the pointer in 100 steps of 4 ms to the centre of a control.
    void GuideCursorTo(QWidget* control);

    // True with two photos or more; else says so, opens page 1 and guides
    // the pointer to the add-photos button.
    bool RequireTwoPhotos();
    // True when path is free or the user agreed to replace (and it could be
    // deleted).
    bool ConfirmOverwrite(const QString& path);
    // Save as; false when nothing was saved.
    bool SaveProject();
    // The save button: silently to the bound path, else save as.
    void SaveCommand();

    // Photo and song list commands (each refused while busy), carried out by
    // the photo and music pages.
    void AddPhotosCommand();
    void AddFolderCommand();
    void AddPhotoPaths(const std::vector<std::string>& paths);
    void DeleteSelectedPhotos();
    void MoveSelectedPhotos(bool up);
    void ClearPhotoList(bool silent);
    void AddSongsCommand();
    void AddSongPaths(const std::vector<std::string>& paths);
    void DeleteSelectedSongs();
    void MoveSelectedSongs(bool up);
    void ClearSongList(bool silent);
    // Project files: open (with the open dialog, or the given file as the
    // command line names it), new, and the check after an open.
    void OpenProject();
    void OpenProject(const QString& path);
    void NewProject();
    // The build dialog and, for its package choice, the package build. The
    // button first requires two photos; the menu entry leaves that to the
    // build's own checks.
    void BuildCommand(bool fromButton);
    QPushButton* backgroundPictureButton() const;
    void ValidateProjectFiles();
    // Requests the thumbnails that are missing (decoded on worker threads).
    void RebuildThumbnails();
    ThumbnailCache& thumbnails();
    ThumbnailLoader& thumbnailLoader();
    int currentPhoto() const { return session_.currentPhoto(); }
    // Photo shown in strip cell j (1..7); 0 for none.
    int stripPhoto(int j) const;
    QScrollBar* stripScrollBar() const;
    QPushButton* openButton() const { return btnOpen_; }

    // Re-measures the screen; the environment's defaults follow it.
    void MeasureScreen();

    // Buttons other parts of the editor hook into.
    QPushButton* addPhotosButton() const;
    QPushButton* addSongsButton() const;
    QPushButton* buildButton() const { return btnBuild_; }
    QListWidget* photoList() const;
    QListWidget* songList() const;
    QListWidget* transitionList() const;

    // The pages themselves.
    editor::PhotoPage* photoPage() const { return photoPage_; }
    editor::MusicPage* musicPage() const { return musicPage_; }
    editor::BackgroundPage* backgroundPage() const { return backgroundPage_; }
    editor::CaptionPage* captionPage() const { return captionPage_; }
    editor::HeadlinePage* headlinePage() const { return headlinePage_; }
    editor::TransitionPage* transitionPage() const { return transitionPage_; }
    editor::LyricPage* lyricPage() const { return lyricPage_; }
    editor::TitlePage* titlePage() const { return titlePage_; }
    editor::InfoPage* infoPage() const { return infoPage_; }
    editor::OptionsPage* optionsPage() const { return optionsPage_; }

    // Timer ticks since the last autosave.
    int tickCount() const { return session_.tickCount(); }
    // One tick of the 500 ms timer (public so tests can drive it).
    void OnTimerTick();

    // The text shown on the effect pages when the preview device is not
    // ready (empty when it is).
    const QString& direct3DError() const { return direct3DError_; }

    // The window title: the bound project's name before the program's.
    void UpdateWindowTitle();

    // PageHost
    QStringList ChooseOpenPaths(const QString& title, const QString& filter,
                                const QString& folder) override;
    QString ChooseFolder(const QString& prompt, const QString& start) override;
    QString IntervalText() const override;
    QWidget* dialogParent() override { return this; }
    QString Direct3DError() const override { return direct3DError_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildUi();
    void BuildMenus();
    void ReadResourcePack();
    void FirstActivation();
    void GuidedTour(int page, QWidget* target);
    void ShowAbout();
    void ShowCurrentPhoto();
    void ApplyTheme();
    void UpdateTips();
    bool CanRun() const { return !refused(); }
    // Settles the current project before a new or opened one replaces it:
    // the pending-save question, or the silent save of the bound project.
    // False when the command ends here.
    bool SettleBeforeReplacing();
    // Empties the lists, reads the file and checks its media.
    void OpenProjectFile(const QString& path);
    // Shows a save that did not succeed; true when the command may go on
    // (after a failed write the user is asked goOnQuestion).
    bool ReportSave(const editor::SaveResult& r, const QString& goOnQuestion);

    AppPaths paths_;
    editor::EditorSession session_;
    ResourcePack pack_;
    QByteArray rainbow_;

    bool activated_ = false;
    int tipCount_ = 0;
    int currentPage_ = 1;
    QWidget* tipWidget_ = nullptr;
    QColor lastHighlight_;
    QString direct3DError_;

    AskFn ask_;
    OpenUrlFn openUrl_;
    SavePathFn chooseSavePath_;
    OpenPathsFn chooseOpenPaths_;
    OpenPathFn chooseOpenProject_;
    FolderFn chooseFolder_;

    QTimer* timer_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::array<QPushButton*, kPageCount> pageButtons_{};
    std::array<editor::EditorPage*, kPageCount> pageWidgets_{};
    editor::PhotoPage* photoPage_ = nullptr;
    editor::MusicPage* musicPage_ = nullptr;
    editor::BackgroundPage* backgroundPage_ = nullptr;
    editor::CaptionPage* captionPage_ = nullptr;
    editor::HeadlinePage* headlinePage_ = nullptr;
    editor::TransitionPage* transitionPage_ = nullptr;
    editor::LyricPage* lyricPage_ = nullptr;
    editor::TitlePage* titlePage_ = nullptr;
    editor::InfoPage* infoPage_ = nullptr;
    editor::OptionsPage* optionsPage_ = nullptr;
    QPushButton *btnBuild_ = nullptr, *btnPreview_ = nullptr, *btnOpen_ = nullptr,
                *btnSave_ = nullptr;
    QAction* mnuOpen_ = nullptr;
    QAction* mnuShowTip_ = nullptr;
};

}  // namespace velmora
