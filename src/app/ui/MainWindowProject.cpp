// The project-file commands of the main window: save, save as, new and open
// (from the open dialog or a file named on the command line), and the check
// for missing files after an open. The editor session decides and saves;
// this file asks the user and shows the answers.
#include <QFileInfo>
#include <QListWidget>
#include <filesystem>

#include "app/ui/MainWindow.h"
#include "base/FileUtil.h"
#include "editor/ui/pages/LyricPage.h"
#include "editor/ui/pages/MusicPage.h"
#include "editor/ui/pages/PhotoPage.h"
#include "project/ProjectFile.h"

namespace velmora {

using editor::Q;
using editor::S;

bool MainWindow::ReportSave(const editor::SaveResult& r, const QString& goOnQuestion) {
    if (r.ok())
        return true;
    if (r.AskBeforeGoingOn())
        return Ask(Q(r.message) + goOnQuestion, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Warning) == QMessageBox::Yes;
    Inform(Q(r.message), QMessageBox::Warning);
    return true;
}

bool MainWindow::SettleBeforeReplacing() {
    switch (session_.BeforeNewOrOpen()) {
        case editor::BeforeReplacing::AskPendingSave: {
            auto a = Ask(Q(std::string_view(editor::kPendingSaveQuestion)),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                         QMessageBox::Information);
            if (a == QMessageBox::Yes) {
                // Save as; the command ends here and the project stays.
                SaveProject();
                return false;
            }
            return a == QMessageBox::No;
        }
        case editor::BeforeReplacing::SaveBound:
            return ReportSave(session_.SaveBoundSilently(), "\r仍要继续吗？");
        case editor::BeforeReplacing::Nothing:
            break;
    }
    return true;
}

bool MainWindow::SaveProject() {
    if (!RequireTwoPhotos())
        return false;
    QString path = chooseSavePath_("保存图片幻灯设置为……", Q(project().TxtSetting[0]));
    if (path.isEmpty())
        return false;
    if (session_.IsAutoSavePath(S(path))) {
        Inform("请选择另一个文件名来保存设置。");
        return false;
    }
    // The user is asked before an existing file is replaced; the file is
    // replaced only once the new one is written, so a failed save keeps it.
    if (QFileInfo::exists(path) &&
        Ask("文件 '" + QFileInfo(path).fileName() + "' 已经存在，要替换为新的文件吗？",
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning) != QMessageBox::Yes)
        return false;
    editor::SaveResult r = session_.SaveAs(S(path));
    UpdateWindowTitle();
    if (!r.ok()) {
        Inform(Q(r.message), QMessageBox::Warning);
        return false;
    }
    return true;
}

void MainWindow::SaveCommand() {
    std::error_code ec;
    std::filesystem::create_directories(paths_.ProjectFolder(), ec);
    if (session_.path().empty()) {
        SaveProject();
        return;
    }
    editor::SaveResult r = session_.SaveBound();
    if (!r.ok())
        Inform(Q(r.message), QMessageBox::Warning);
}

void MainWindow::NewProject() {
    if (busy())
        return;
    if (!SettleBeforeReplacing())
        return;
    photoPage_->Clear(true);
    musicPage_->Clear(true);
    session_.NewProject();
    UpdateWindowTitle();
}

void MainWindow::OpenProject() {
    if (refused())
        return;
    if (!SettleBeforeReplacing())
        return;
    QString path = chooseOpenProject_("打开图片幻灯配置文件");
    if (path.isEmpty())
        return;
    OpenProjectFile(path);
}

void MainWindow::OpenProject(const QString& path) {
    if (refused())
        return;
    if (!SettleBeforeReplacing())
        return;
    OpenProjectFile(path);
}

void MainWindow::OpenProjectFile(const QString& path) {
    ProjectReadResult r;
    {
        editor::LoadingScope loading(session_);
        photoPage_->Clear(true);
        musicPage_->Clear(true);
        r = session_.Open(S(QFileInfo(path).absoluteFilePath()));
        RefreshLists();
        if (r.ok()) {
            ValidateProjectFiles();
            RefreshControls();
            RefreshLists();
            RebuildThumbnails();
        }
    }
    UpdateWindowTitle();
    if (!r.ok()) {
        // The lists stay empty, the other fields as they were.
        Inform(Q(r.message), QMessageBox::Warning);
        return;
    }
    ShowCurrentPhoto();
}

void MainWindow::ValidateProjectFiles() {
    session_.ValidateProjectFiles(
        [this](editor::MediaKind kind, const std::vector<size_t>& rows) {
            if (kind == editor::MediaKind::Photos)
                photoPage_->SelectRows(rows);
            else
                musicPage_->SelectRows(rows);
            Inform(Q(std::string_view(kMissingFilesMessage)));
        },
        [](const std::string& p) { return FileExists(p); });
    RefreshLists();
}

}  // namespace velmora
