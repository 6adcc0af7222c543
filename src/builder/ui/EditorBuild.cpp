#include "builder/ui/EditorBuild.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "base/ui/ProgressOverlay.h"

namespace velmora {

namespace {

class EditorHost final : public BuildHost {
  public:
    EditorHost(Project& project, const EditorBuildHooks& hooks)
        : project_(project), hooks_(hooks) {}

    void ShowMessage(MessageIcon icon, const std::string& text) override {
        QString t = QString::fromStdString(text);
        if (hooks_.inform) {
            hooks_.inform(icon, t);
            return;
        }
        QMessageBox box(MessageBoxIcon(icon), QStringLiteral("Info"), t, QMessageBox::Ok,
                        hooks_.mainWindow);
        box.exec();
    }
    void GuideTo(int page, GuideTarget target) override {
        if (hooks_.guide)
            hooks_.guide(page, target);
    }
    std::optional<std::string> AskTargetPath(const std::string& folder,
                                             const std::string& name) override {
        QString f = QString::fromStdString(folder), n = QString::fromStdString(name);
        QString chosen = hooks_.chooseTarget ? hooks_.chooseTarget(f, n)
                                             : SaveTargetDialog(hooks_.mainWindow, f, n);
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen.toStdString();
    }
    bool ConfirmOverwrite(const std::string& path) override {
        QString p = QString::fromStdString(path);
        if (hooks_.confirmOverwrite)
            return hooks_.confirmOverwrite(p);
        if (!QFileInfo::exists(p))
            return true;
        return QMessageBox::question(hooks_.mainWindow, QStringLiteral("Info"),
                                     p + QStringLiteral(" 已经存在，要替换它吗？")) ==
               QMessageBox::Yes;
    }
    void PumpEvents() override { QCoreApplication::processEvents(); }
    void SetBusy(bool busy) override {
        if (hooks_.setBusy)
            hooks_.setBusy(busy);
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else if (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    void ShowFinish(const std::string& report, const std::string& path) override {
        FinishDialog dialog(QString::fromStdString(report), QString::fromStdString(path),
                            project_.EnableOpenFolder, hooks_.finishPicture, hooks_.openFolder,
                            hooks_.mainWindow);
        if (hooks_.runFinish)
            hooks_.runFinish(dialog);
        else
            dialog.exec();
    }

  private:
    Project& project_;
    const EditorBuildHooks& hooks_;
};

}  // namespace

QMessageBox::Icon MessageBoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Plain:
            return QMessageBox::NoIcon;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QString SaveTargetDialog(QWidget* parent, const QString& folder, const QString& name) {
    QFileDialog dialog(parent, QStringLiteral("选择保存图片幻灯的路径"), folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The overwrite question is the build's own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QStringLiteral("图片幻灯文件(*.exe,*.scr) (*.exe *.scr)"));
    dialog.setDefaultSuffix(QStringLiteral("exe"));
    dialog.selectFile(name.left(255));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

BuildResult RunEditorPackageBuild(Project& project, const BuildOptions& options,
                                  const EditorBuildHooks& hooks, ImageConverter& converter,
                                  SongTimer& songs) {
    EditorHost host(project, hooks);
    ProgressOverlay overlay(hooks.mainWindow);
    return BuildScreenSaver(project, options, host, overlay, converter, songs);
}

}  // namespace velmora
