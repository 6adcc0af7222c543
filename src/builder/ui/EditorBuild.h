// The package build as the editor runs it: message boxes, the save dialog,
// the progress overlay over the main window and the finish dialog around
// the core build procedure. The main window fills the hooks it owns (the
// pointer guide, the overwrite question, the busy flag); the defaults work
// without them.
#pragma once

#include <QByteArray>
#include <QMessageBox>
#include <QString>
#include <functional>

#include "builder/PackageBuild.h"
#include "builder/ui/FinishDialog.h"

class QWidget;

namespace velmora {

struct EditorBuildHooks {
    QWidget* mainWindow = nullptr;
    // Shows a message; default: a QMessageBox with the icon.
    std::function<void(MessageIcon icon, const QString& text)> inform;
    // Switches to a page and guides the pointer (default: nothing).
    std::function<void(int page, GuideTarget target)> guide;
    // The save dialog; empty result = cancelled. Default: SaveTargetDialog.
    std::function<QString(const QString& folder, const QString& name)> chooseTarget;
    // Asks before replacing a file; default: a yes/no question.
    std::function<bool(const QString& path)> confirmOverwrite;
    std::function<void(bool busy)> setBusy;
    // The finish dialog's folder opener, and its picture ("coffie.gif").
    FinishDialog::OpenFolderFn openFolder = FinishDialog::OpenFolderOf;
    QByteArray finishPicture;
    // Shows the finish dialog modally (tests replace it); default: exec().
    std::function<void(FinishDialog& dialog)> runFinish;
};

// The message box icon of a build message.
QMessageBox::Icon MessageBoxIcon(MessageIcon icon);

// The save dialog of the build: title "选择保存图片幻灯的路径", filter
// "图片幻灯文件(*.exe,*.scr)", default suffix exe, non-native.
QString SaveTargetDialog(QWidget* parent, const QString& folder, const QString& name);

// Runs BuildScreenSaver with the overlay and dialogs. openFolderOption is
// the project's "EnableOpenFolder".
BuildResult RunEditorPackageBuild(Project& project, const BuildOptions& options,
                                  const EditorBuildHooks& hooks, ImageConverter& converter,
                                  SongTimer& songs);

}  // namespace velmora
