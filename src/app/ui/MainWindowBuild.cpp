// The build commands of the main window: the "创建幻灯" button and the
// "创建并保存幻灯(&B)" menu entry show the build dialog; its package choice
// runs the package build with the progress overlay and the finish dialog.
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/ui/MainWindow.h"
#include "builder/RenderImageConverter.h"
#include "builder/ShippedLibrary.h"
#include "builder/SongDurations.h"
#include "builder/ui/BuildDialog.h"
#include "builder/ui/EditorBuild.h"

namespace velmora {

void MainWindow::BuildCommand(bool fromButton) {
    if (refused())
        return;
    // The button asks for two photos first; the menu entry leaves that to
    // the build's own checks.
    if (fromButton && !RequireTwoPhotos())
        return;
    SyncFromControls();
    BuildDialog dialog(project(), environment().screenW, environment().screenH, this);
    // The local playback package and the video come with their own parts
    // of the editor; until then only the package choice is offered.
    dialog.optPackage()->setChecked(true);
    dialog.optPreview()->setEnabled(false);
    dialog.optExportAvi()->setEnabled(false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.choice() != BuildDialog::Choice::Package) {
        Inform("本版本尚不能生成本地播放包和视频，请选择“创建图片幻灯”。",
               QMessageBox::Information);
        return;
    }
    BuildOptions options;
    options.programFolder = paths().programFolder;
    options.dataFolder = paths().dataFolder;
    options.screenWidth = environment().screenW;
    options.screenHeight = environment().screenH;
    options.expectedLibraryCrc = ShippedLibraryCrc();

    EditorBuildHooks hooks;
    hooks.mainWindow = this;
    hooks.inform = [this](MessageIcon icon, const QString& text) {
        Inform(text, MessageBoxIcon(icon));
    };
    hooks.guide = [this](int page, GuideTarget target) {
        ShowPage(page);
        WaitWithEvents(100);
        GuideCursorTo(target == GuideTarget::AddPhotoButton ? addPhotosButton()
                                                            : backgroundPictureButton());
    };
    hooks.confirmOverwrite = [this](const QString& path) { return ConfirmOverwrite(path); };
    hooks.setBusy = [this](bool b) { setBusy(b); };
    if (auto gif = resources().Read("coffie.gif"))
        hooks.finishPicture = QByteArray(reinterpret_cast<const char*>(gif->data()),
                                         static_cast<qsizetype>(gif->size()));
    RenderImageConverter converter;
    MediaSongTimer songs;
    RunEditorPackageBuild(project(), options, hooks, converter, songs);
    RefreshControls();
}

}  // namespace velmora
