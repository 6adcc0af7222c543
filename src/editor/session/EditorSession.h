// The editor session: the one project the editor works on, from start-up to
// closing. It owns the project, its path, the settings store, the busy and
// preview flags, the library-loading flag, the current photo and the timer
// count, and it decides what the project's life needs: when the
// pending-save question is asked, what a close does, when the autosave
// runs, and every save. The main window asks it and shows its answers.
//
// Every save of the editor (close, autosave, save, save as, the silent save
// before a new or opened project) goes through SaveProjectTo, which never
// replaces a project file by one that cannot be read back: a project whose
// photo list is empty is not written (the writer writes nothing then), and a
// failed write leaves the old file as it was. A failed save is reported in
// Chinese in the result.
//
// An unsaved project is one whose path is empty; the pending-save question
// is asked for such a project when it holds at least two photos.
//
// Core code, no Qt. Used from the user-interface thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/SettingsStore.h"

namespace velmora::editor {

// The files of the session beside the program (or in the user's data
// folder when the program folder cannot be written).
struct SessionFiles {
    std::string projectFolder;  // Project/, made before every save
    std::string autoSave;       // Project/AutoSave.aps
    std::string preferences;    // Mirb.ini
    std::string temp;           // Temp/, emptied at close
};

// The pending-save question (title "Info", Yes/No/Cancel, information icon).
extern const char* const kPendingSaveQuestion;

enum class SaveStatus {
    Saved,
    Skipped,  // nothing was due (no project path, or its file was deleted meanwhile)
    Empty,    // the photo list is empty: nothing written, the old file kept
    Failed,   // the file could not be written: the old file kept
};

struct SaveResult {
    SaveStatus status = SaveStatus::Skipped;
    std::string path;
    std::string message;  // Chinese, for Empty and Failed
    bool ok() const { return status == SaveStatus::Saved || status == SaveStatus::Skipped; }
    // A failed write loses the session's changes if the command goes on:
    // the user is asked first. An empty list has nothing to keep.
    bool AskBeforeGoingOn() const { return status == SaveStatus::Failed; }
};

// What a new project or an open must settle about the current one first.
enum class BeforeReplacing {
    AskPendingSave,  // unsaved project of two photos or more
    SaveBound,       // the bound project is saved silently
    Nothing,
};

// The first step of a close request.
enum class CloseStart {
    Refuse,          // a job or a demonstration runs
    AskPendingSave,  // Yes: save as and stay open; No: close; Cancel: stay open
    Close,
};

struct CloseResult {
    bool closed = false;     // false: the user chose to stay after a failed save
    SaveResult project;      // the silent save of the bound project
    SaveResult preferences;  // Mirb.ini (written with two photos or more)
};

// Shown a save that did not succeed; returns whether the close goes on.
using GoOnFn = std::function<bool(const SaveResult&)>;

// One tick of the 500 ms timer.
struct TickResult {
    bool ran = false;          // false while busy or previewing
    bool screenWatch = false;  // every fourth tick (2 s): screen and theme
    bool autosaved = false;
    // A failed autosave, reported once until an autosave succeeds again.
    std::string failureMessage;
};

enum class MediaKind { Photos, Songs };

class EditorSession {
  public:
    // Ticks of the 500 ms timer between autosaves (30 s).
    static constexpr int kAutoSaveTicks = 60;

    explicit EditorSession(SessionFiles files);

    const SessionFiles& files() const { return files_; }
    Project& project() { return project_; }
    const Project& project() const { return project_; }
    ProjectEnvironment& environment() { return env_; }
    const ProjectEnvironment& environment() const { return env_; }
    SettingsStore& store() { return store_; }

    // The project's path ("ProjectName"); empty when unsaved.
    const std::string& path() const { return project_.ProjectName; }
    // The name the window title shows: the bound file's name without its
    // folder and ".aps"; empty when unsaved.
    std::string DisplayName() const;
    // Unsaved with two photos or more: the pending-save question is due.
    bool HasUnsavedChanges() const;
    bool HasTwoPhotos() const { return project_.NowI() >= 2; }

    // Called before every write so that the window's boxes (titles,
    // durations, password) reach the project first.
    void SetBeforeWrite(std::function<void()> f) { beforeWrite_ = std::move(f); }

    // ---------------------------------------------------------- flags
    // A long job (adding photos or songs, a build, a preview, an export)
    // sets the busy flag; a demonstration sets a preview flag. While either
    // is set every command, the timer's work and closing do nothing.
    bool busy() const { return busy_; }
    void SetBusy(bool b) { busy_ = b; }
    void SetEffectPreview(bool b) { effectPreview_ = b; }
    void SetTransitionPreview(bool b) { transitionPreview_ = b; }
    bool previewing() const { return effectPreview_ || transitionPreview_; }
    bool Refused() const { return busy_ || previewing(); }

    // Set while a project is read or the lists are refilled, so that the
    // controls' change events do not write back into the project.
    bool loading() const { return loading_; }
    void SetLoading(bool b) { loading_ = b; }

    // The photo shown on the caption and headline pages (1-based; 0: none).
    int currentPhoto() const { return currentPhoto_; }
    void SetCurrentPhoto(int k);
    // Keeps the current photo inside the list after a change of the list.
    void ClampCurrentPhoto();

    // ---------------------------------------------------------- saving
    // The one save path: the project (both parts) to path, crash-safely,
    // after checking that the bytes read back as a project.
    SaveResult SaveProjectTo(const std::string& path);
    // The bound project to its path (the save command, the silent saves).
    // Skipped without a path.
    SaveResult SaveBound();
    // The silent save of the bound project (before a new or opened project
    // and at close): only to a file that still exists; a project whose file
    // was deleted or moved meanwhile is not written again (Skipped).
    SaveResult SaveBoundSilently();
    // Save as: binds the project to path and saves it there; on failure the
    // project keeps its previous path.
    SaveResult SaveAs(const std::string& path);
    // Save as refuses the autosave file ("请选择另一个文件名来保存设置。").
    bool IsAutoSavePath(const std::string& path) const;

    // ---------------------------------------------------------- new and open
    BeforeReplacing BeforeNewOrOpen() const;
    // Empties the photo and song lists (which unbinds the project); styles,
    // background, titles, options and the lyric settings stay.
    void NewProject();
    // Empties the lists and reads path (a settings file, else the older
    // layout); the project path comes from the file. On failure the lists
    // stay empty.
    ProjectReadResult Open(const std::string& path);
    // The check after an open: the photos and then the songs whose files are
    // gone are handed to show (which selects them and says so) and deleted;
    // the background, opening, ending and logo pictures are repaired.
    void ValidateProjectFiles(
        const std::function<void(MediaKind, const std::vector<size_t>&)>& show,
        const FileExistsFn& exists);

    // ---------------------------------------------------------- start and close
    // Reads Mirb.ini in preferences mode (empty lists, no path); a missing or
    // unreadable file leaves the defaults. True when it was read.
    bool LoadPreferences();
    CloseStart BeginClose() const;
    // The rest of the close: the bound project is saved silently when its
    // file still exists (a save that does not succeed is handed to goOn,
    // which may stop the close), Mirb.ini is written with two photos or
    // more, Temp/ is emptied and the store released.
    CloseResult FinishClose(const GoOnFn& goOn);

    // ---------------------------------------------------------- timer
    TickResult Tick();
    int tickCount() const { return tickCount_; }

  private:
    void BeforeWrite();

    SessionFiles files_;
    ProjectEnvironment env_;
    Project project_;
    SettingsStore store_;
    std::function<void()> beforeWrite_;
    bool busy_ = false;
    bool effectPreview_ = false;
    bool transitionPreview_ = false;
    bool loading_ = false;
    int currentPhoto_ = 0;
    int tickCount_ = 0;
    bool autosaveFailing_ = false;
};

// Sets a session flag for the length of a scope and restores it after.
class BusyScope {
  public:
    explicit BusyScope(EditorSession& s) : s_(s), was_(s.busy()) { s_.SetBusy(true); }
    ~BusyScope() { s_.SetBusy(was_); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    EditorSession& s_;
    bool was_;
};

class LoadingScope {
  public:
    explicit LoadingScope(EditorSession& s) : s_(s), was_(s.loading()) { s_.SetLoading(true); }
    ~LoadingScope() { s_.SetLoading(was_); }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

  private:
    EditorSession& s_;
    bool was_;
};

}  // namespace velmora::editor
