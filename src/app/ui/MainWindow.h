// The editor's main window: its life from start-up to closing, the ten
// pages with the controls that edit the project, the menus, the 500 ms
// timer (hover tips, screen and theme watch, autosave) and the shared
// helpers of long jobs (busy flag, WaitWithEvents, GuideCursorTo).
//
// Threading: everything here runs on the user-interface thread. Long jobs
// set the busy flag and pump events with WaitWithEvents; every command, the
// timer's work and closing test the flag first.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>

#include "app/AppPaths.h"
#include "package/ResourcePack.h"
#include "project/Project.h"
#include "project/SettingsStore.h"

class QImage;

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTimer;
class QGroupBox;
class QScrollBar;
class QBoxLayout;

namespace velmora {

class ThumbnailCache;
class ThumbnailLoader;

class MainWindow : public QMainWindow {
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
                                    QMessageBox::Icon icon, const QString& title = "Info");
    void Inform(const QString& text, QMessageBox::Icon icon = QMessageBox::Information);

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

    Project& project() { return project_; }
    const ProjectEnvironment& environment() const { return env_; }
    SettingsStore& store() { return store_; }
    const AppPaths& paths() const { return paths_; }
    const ResourcePack& resources() const { return pack_; }
    const QByteArray& rainbowTexture() const { return rainbow_; }

    bool busy() const { return busy_; }
    void setBusy(bool b) { busy_ = b; }
    bool previewing() const { return effectPreview_ || transitionPreview_; }
    bool refused() const { return busy_ || previewing(); }
    bool libraryLoading() const { return libraryLoading_; }

    int currentPage() const { return currentPage_; }
    void ShowPage(int page);  // 1..10
    QWidget* page(int n) const;
    QPushButton* pageButton(int n) const;

    // Copies the project into every control, and the boxes back into it.
    void RefreshControls();
    void SyncFromControls();
    void RefreshLists();

    // Waits ms milliseconds with window events running.
    void WaitWithEvents(int ms);
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

    // Photo and song list commands (each refused while busy). The Paths
    // forms are what the dialogs, the folder add and dropping feed.
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
    // Project files: open, new, and the check after an open.
    void OpenProject();
    void NewProject();
    // The build dialog and, for its package choice, the package build. The
    // button first requires two photos; the menu entry leaves that to the
    // build's own checks.
    void BuildCommand(bool fromButton);
    QPushButton* backgroundPictureButton() const { return btnBackgroundPicture_; }
    void ValidateProjectFiles();
    // Requests the thumbnails that are missing (decoded on worker threads).
    void RebuildThumbnails();
    ThumbnailCache& thumbnails() { return *thumbs_; }
    ThumbnailLoader& thumbnailLoader() { return *thumbLoader_; }
    int currentPhoto() const { return currentPhoto_; }
    // Photo shown in strip cell j (1..7); 0 for none.
    int stripPhoto(int j) const { return stripShows_.at(static_cast<size_t>(j - 1)); }
    QScrollBar* stripScrollBar() const { return stripBar_; }
    QPushButton* openButton() const { return btnOpen_; }

    // Re-measures the screen; the environment's defaults follow it.
    void MeasureScreen();

    // Buttons other parts of the editor hook into.
    QPushButton* addPhotosButton() const { return btnAddPhotos_; }
    QPushButton* addSongsButton() const { return btnAddSongs_; }
    QPushButton* buildButton() const { return btnBuild_; }
    QListWidget* photoList() const { return photoList_; }
    QListWidget* songList() const { return songList_; }
    QListWidget* transitionList() const { return transitionList_; }

    // Timer ticks since the last autosave.
    int tickCount() const { return tickCount_; }
    // One tick of the 500 ms timer (public so tests can drive it).
    void OnTimerTick();

    // The text shown on the effect pages when the preview device is not
    // ready (empty when it is).
    const QString& direct3DError() const { return direct3DError_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildUi();
    void BuildMenus();
    QWidget* BuildPhotoPage();
    QWidget* BuildMusicPage();
    QWidget* BuildBackgroundPage();
    QWidget* BuildCaptionPage();
    QWidget* BuildHeadlinePage();
    QWidget* BuildTransitionPage();
    QWidget* BuildLyricPage();
    QWidget* BuildTitlePage();
    QWidget* BuildInfoPage();
    QWidget* BuildOptionsPage();
    QCheckBox* BindCheck(const QString& text, bool Project::*field);
    QPushButton* ColourSwatch(Colour Project::*field);
    void UpdateSwatch(QPushButton* b, Colour c);
    void ReadResourcePack();
    void FirstActivation();
    void GuidedTour(int page, QWidget* target);
    void ShowAbout();
    void BuildStrip(QWidget* parent, QBoxLayout* into);
    void UpdateStrip();
    void OnThumbnailReady(const QString& path, const QImage& image);
    void OnPhotoSelectionChanged();
    void ShowCurrentPhoto();
    void SelectPhotoRow(int row);
    void RefreshSongAndLyricLists();
    void WireListPages();
    void ApplyTheme();
    void UpdateTips();
    bool CanRun() const { return !refused(); }

    AppPaths paths_;
    ProjectEnvironment env_;
    Project project_;
    SettingsStore store_;
    ResourcePack pack_;
    QByteArray rainbow_;

    bool busy_ = false;
    bool effectPreview_ = false;
    bool transitionPreview_ = false;
    bool libraryLoading_ = false;
    bool activated_ = false;
    int tickCount_ = 0;
    int tipCount_ = 0;
    int currentPage_ = 1;
    int currentPhoto_ = 0;
    QWidget* tipWidget_ = nullptr;
    QColor lastHighlight_;
    QString direct3DError_;
    QString browseFolder_;
    QString addPhotosFolder_, addSongsFolder_;

    AskFn ask_;
    OpenUrlFn openUrl_;
    SavePathFn chooseSavePath_;
    OpenPathsFn chooseOpenPaths_;
    OpenPathFn chooseOpenProject_;
    FolderFn chooseFolder_;
    std::unique_ptr<ThumbnailCache> thumbs_;
    ThumbnailLoader* thumbLoader_ = nullptr;
    std::array<QLabel*, 7> stripCells_{};
    std::array<QLabel*, 7> stripNumbers_{};
    std::array<int, 7> stripShows_{};
    QScrollBar* stripBar_ = nullptr;
    QPushButton* btnSongClear_ = nullptr;
    QAction* mnuOpen_ = nullptr;

    QTimer* timer_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::array<QPushButton*, kPageCount> pageButtons_{};
    QPushButton *btnBuild_ = nullptr, *btnPreview_ = nullptr, *btnOpen_ = nullptr,
                *btnSave_ = nullptr;
    QPushButton *btnAddPhotos_ = nullptr, *btnAddFolder_ = nullptr, *btnPhotoUp_ = nullptr,
                *btnPhotoDown_ = nullptr, *btnPhotoRemove_ = nullptr, *btnPhotoClear_ = nullptr,
                *btnSlideTime_ = nullptr;
    QPushButton *btnAddSongs_ = nullptr, *btnSongUp_ = nullptr, *btnSongDown_ = nullptr,
                *btnSongRemove_ = nullptr;
    QPushButton *btnBackgroundPicture_ = nullptr, *btnCaptionStyle_ = nullptr,
                *btnCaptionAll_ = nullptr, *btnHeadlineStyle_ = nullptr, *btnSelectAll_ = nullptr,
                *btnSelectNone_ = nullptr, *btnAddLyrics_ = nullptr, *btnLyricFolder_ = nullptr,
                *btnLyricStyle_ = nullptr, *btnTitleStyleFont_ = nullptr,
                *btnOpeningImage_ = nullptr, *btnEndingImage_ = nullptr, *btnLogo_ = nullptr,
                *btnIcon_ = nullptr;
    QListWidget *photoList_ = nullptr, *songList_ = nullptr, *transitionList_ = nullptr,
                *lyricList_ = nullptr;
    QComboBox *cboPlacement_ = nullptr, *cboGradient_ = nullptr, *cboPicturePlacement_ = nullptr,
              *cboLyricStyle_ = nullptr, *cboTitleStyle_ = nullptr, *cboHeadlineEffect_ = nullptr;
    QRadioButton *optSolid_ = nullptr, *optGradient_ = nullptr, *optPicture_ = nullptr;
    QRadioButton *optSync_ = nullptr, *optFixed_ = nullptr;
    std::array<QRadioButton*, 3> optPlayOrder_{};
    QLineEdit *txtInterval_ = nullptr, *txtOpeningTime_ = nullptr, *txtEndingTime_ = nullptr;
    QLineEdit *txtTitle1_ = nullptr, *txtTitle2_ = nullptr, *txtExportPassword_ = nullptr;
    QPlainTextEdit *txtCaption_ = nullptr, *txtHeadline_ = nullptr;
    std::array<QWidget*, kInfoTextCount> txtInfo_{};
    QLabel *lblLyricFolder_ = nullptr, *lblBackgroundPicture_ = nullptr;
    QGroupBox *fraHeadline_ = nullptr, *fraTransition_ = nullptr;
    QAction* mnuShowTip_ = nullptr;
    std::vector<std::pair<QCheckBox*, bool Project::*>> checks_;
    std::vector<std::pair<QPushButton*, Colour Project::*>> swatches_;
};

}  // namespace velmora
