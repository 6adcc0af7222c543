// The finish dialog "完成": the build's report, a picture, and the option to
// open the folder of the saved file when the dialog is confirmed.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <functional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace velmora {

class FinishDialog : public QDialog {
    Q_OBJECT

  public:
    // Shows the folder of a file with the desktop's file manager.
    using OpenFolderFn = std::function<void(const QString& path)>;
    static void OpenFolderOf(const QString& path);

    // openFolderOption: the project's "EnableOpenFolder", kept in step with
    // the check box. picture: the bytes of "coffie.gif" (may be empty).
    FinishDialog(const QString& report, const QString& packagePath, bool& openFolderOption,
                 const QByteArray& picture, OpenFolderFn openFolder = OpenFolderOf,
                 QWidget* parent = nullptr);

    QPlainTextEdit* txtInfo() const { return txtInfo_; }
    QCheckBox* chkOpenFolder() const { return chkOpenFolder_; }
    QPushButton* confirmButton() const { return confirm_; }

  private:
    QString path_;
    bool& openFolder_;
    OpenFolderFn open_;
    QPlainTextEdit* txtInfo_;
    QCheckBox* chkOpenFolder_;
    QPushButton* confirm_;
};

}  // namespace velmora
