// The build options dialog "创建图片幻灯": the choice between the complete
// package, the local playback package and the AVI video, the font and codec
// check boxes and the video frame size. It changes only the project's
// remembered choice ("IsPackage", "IsExportAvi") and, for the local choice,
// names an unnamed slideshow; the caller runs the chosen job after exec().
#pragma once

#include <QDialog>
#include <QStringList>

#include "project/Project.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace velmora {

class BuildDialog : public QDialog {
    Q_OBJECT

  public:
    enum class Choice { Package, LocalPlayback, ExportAvi };

    // screenWidth/Height: the screen in pixels (for the frame size).
    BuildDialog(Project& project, int screenWidth, int screenHeight, QWidget* parent = nullptr);

    Choice choice() const;
    bool previewMode() const { return previewMode_; }
    bool includeFonts() const { return includeFonts_; }
    bool chooseCodec() const { return chooseCodec_; }
    int videoWidth() const { return videoWidth_; }
    int videoHeight() const { return videoHeight_; }

    // The frame sizes in list order.
    static const QStringList& VideoSizes();
    // Index preselected for a screen: r = nearest(w / h * 100) below 150
    // gives "768*576 (4:3)", otherwise "768*432 (16:9)".
    static int PreselectedVideoSize(int screenWidth, int screenHeight);
    // Width before "*", height in the four characters after it (blanks
    // ignored). False when they are not numbers.
    static bool ParseVideoSize(const QString& text, int& width, int& height);

    QRadioButton* optPackage() const { return optPackage_; }
    QRadioButton* optPreview() const { return optPreview_; }
    QRadioButton* optExportAvi() const { return optExportAvi_; }
    QCheckBox* chkIncludeFont() const { return chkIncludeFont_; }
    QCheckBox* chkChooseCodec() const { return chkChooseCodec_; }
    QComboBox* comboVideoSize() const { return comboVideoSize_; }
    QPushButton* confirmButton() const { return confirm_; }

  private:
    void Confirm();

    Project& project_;
    bool previewMode_ = false;
    bool includeFonts_ = false;
    bool chooseCodec_ = false;
    int videoWidth_ = 0;
    int videoHeight_ = 0;
    bool confirming_ = false;
    QRadioButton* optPackage_;
    QRadioButton* optPreview_;
    QRadioButton* optExportAvi_;
    QCheckBox* chkIncludeFont_;
    QCheckBox* chkChooseCodec_;
    QComboBox* comboVideoSize_;
    QPushButton* confirm_;
};

}  // namespace velmora
