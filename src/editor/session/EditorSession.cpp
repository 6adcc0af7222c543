#include "editor/session/EditorSession.h"

#include <algorithm>
#include <filesystem>

#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "editor/lists/MediaLists.h"

namespace velmora::editor {

const char* const kPendingSaveQuestion =
    "图片幻灯设置已被修改，要将当前设置保存为配置文件吗？\r"
    "当需要修改这个幻灯时，通过点击“打开配置”按钮，可方便地再次加载所有的幻灯设置。";

namespace {

// Lower-cased ASCII letters; other bytes stay (the comparison of save-as
// names against the autosave file ignores case the way the file dialog's
// names are typed).
std::string FoldCase(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string NormalPath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

const char* const kOldFileKept = "\r原来的文件保持不变。";

}  // namespace

EditorSession::EditorSession(SessionFiles files) : files_(std::move(files)) {
    store_.SetProjectFolder(files_.projectFolder);
    project_ = MakeDefaultProject(env_);
}

std::string EditorSession::DisplayName() const {
    if (project_.ProjectName.empty())
        return {};
    std::filesystem::path p(project_.ProjectName);
    std::string name = p.filename().string();
    if (name.size() > 4 && FoldCase(name.substr(name.size() - 4)) == ".aps")
        name.resize(name.size() - 4);
    return name;
}

bool EditorSession::HasUnsavedChanges() const {
    return project_.ProjectName.empty() && HasTwoPhotos();
}

void EditorSession::SetCurrentPhoto(int k) {
    currentPhoto_ = k;
    ClampCurrentPhoto();
}

void EditorSession::ClampCurrentPhoto() {
    currentPhoto_ = project_.photos.empty() ? 0 : std::clamp(currentPhoto_, 1, project_.NowI());
}

void EditorSession::BeforeWrite() {
    if (beforeWrite_)
        beforeWrite_();
}

// ---------------------------------------------------------------- saving

SaveResult EditorSession::SaveProjectTo(const std::string& path) {
    SaveResult r;
    r.path = path;
    const bool existed = FileExists(path);
    BeforeWrite();
    if (project_.photos.empty()) {
        // The writer writes nothing for an empty list: such a file could not
        // be read back, so the old one stays.
        store_.Clear();
        r.status = SaveStatus::Empty;
        r.message = "图片列表中没有图片，配置文件 '" + FileNameOf(path) + "' 没有保存。";
        if (existed)
            r.message += kOldFileKept;
        return r;
    }
    std::string why;
    if (SaveProjectFile(project_, store_, path, &why)) {
        r.status = SaveStatus::Saved;
        return r;
    }
    r.status = SaveStatus::Failed;
    r.message = why;
    if (existed)
        r.message += kOldFileKept;
    return r;
}

SaveResult EditorSession::SaveBound() {
    if (project_.ProjectName.empty())
        return {};
    return SaveProjectTo(project_.ProjectName);
}

SaveResult EditorSession::SaveBoundSilently() {
    if (project_.ProjectName.empty() || !FileExists(project_.ProjectName))
        return {};
    return SaveBound();
}

SaveResult EditorSession::SaveAs(const std::string& path) {
    std::string previous = project_.ProjectName;
    project_.ProjectName = path;
    SaveResult r = SaveProjectTo(path);
    if (!r.ok())
        project_.ProjectName = std::move(previous);
    return r;
}

bool EditorSession::IsAutoSavePath(const std::string& path) const {
    return FoldCase(NormalPath(path)) == FoldCase(NormalPath(files_.autoSave));
}

// ---------------------------------------------------------------- new and open

BeforeReplacing EditorSession::BeforeNewOrOpen() const {
    if (HasUnsavedChanges())
        return BeforeReplacing::AskPendingSave;
    if (NamesFile(project_.ProjectName))
        return BeforeReplacing::SaveBound;
    return BeforeReplacing::Nothing;
}

void EditorSession::NewProject() {
    ClearPhotos(project_);
    ClearSongs(project_);
    project_.ProjectName.clear();
    currentPhoto_ = 0;
}

ProjectReadResult EditorSession::Open(const std::string& path) {
    LoadingScope loading(*this);
    ClearPhotos(project_);
    ClearSongs(project_);
    currentPhoto_ = 0;
    return ReadProjectFile(path, project_, store_, env_);
}

void EditorSession::ValidateProjectFiles(
    const std::function<void(MediaKind, const std::vector<size_t>&)>& show,
    const FileExistsFn& exists) {
    LoadingScope loading(*this);
    MissingMedia m = FindMissingMedia(project_, exists);
    if (!m.photos.empty()) {
        if (show)
            show(MediaKind::Photos, m.photos);
        DeletePhotos(project_, m.photos);
    }
    if (!m.songs.empty()) {
        if (show)
            show(MediaKind::Songs, m.songs);
        DeleteSongs(project_, m.songs);
    }
    RepairProjectImages(project_, exists);
    ClampCurrentPhoto();
}

// ---------------------------------------------------------------- start and close

bool EditorSession::LoadPreferences() {
    if (!FileExists(files_.preferences))
        return false;
    bool ok = store_.LoadSettingsFile(files_.preferences) &&
              ReadProjectSettings(project_, store_, env_, true);
    store_.Clear();
    return ok;
}

CloseStart EditorSession::BeginClose() const {
    if (Refused())
        return CloseStart::Refuse;
    if (HasUnsavedChanges())
        return CloseStart::AskPendingSave;
    return CloseStart::Close;
}

CloseResult EditorSession::FinishClose(const GoOnFn& goOn) {
    CloseResult r;
    BeforeWrite();
    r.project = SaveBoundSilently();
    if (!r.project.ok() && goOn && !goOn(r.project))
        return r;
    r.closed = true;
    if (HasTwoPhotos()) {
        r.preferences.path = files_.preferences;
        WriteProjectSettings(project_, store_, true);
        if (store_.SaveSettingsFile(files_.preferences)) {
            r.preferences.status = SaveStatus::Saved;
        } else {
            r.preferences.status = SaveStatus::Failed;
            r.preferences.message = "无法保存程序设置文件：" + files_.preferences;
        }
    }
    EmptyFolder(files_.temp);
    store_.Clear();
    return r;
}

// ---------------------------------------------------------------- timer

TickResult EditorSession::Tick() {
    TickResult t;
    if (Refused())
        return t;
    t.ran = true;
    ++tickCount_;
    t.screenWatch = tickCount_ % 4 == 0;
    // With fewer than two photos the count keeps running, so the autosave
    // comes on the first tick after the second photo arrives.
    if (tickCount_ >= kAutoSaveTicks && HasTwoPhotos()) {
        tickCount_ = 0;
        SaveResult s = SaveProjectTo(files_.autoSave);
        t.autosaved = s.status == SaveStatus::Saved;
        if (t.autosaved) {
            autosaveFailing_ = false;
        } else if (!autosaveFailing_) {
            autosaveFailing_ = true;
            t.failureMessage = "自动保存失败。" + s.message;
        }
    }
    return t;
}

}  // namespace velmora::editor
