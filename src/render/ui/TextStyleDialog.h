// The text style dialog "选择字体风格" (FrmFont): edits one text style slot
// (targets 1 captions, 2 headlines, 3 lyrics, 4 titles) or the dynamic lyric
// highlight (target 5) on a working copy, with a live sample drawn by the
// styled text renderer. The copy goes back to the project only on " 确定 ".
#pragma once

#include <QColor>
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "project/Project.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace velmora::render {

class QtTextRenderer;

class TextStyleDialog : public QDialog {
    Q_OBJECT
  public:
    // rainbowJpeg: the rainbow texture for the sample of pattern 2.
    TextStyleDialog(const Project& project, int target, std::vector<uint8_t> rainbowJpeg = {},
                    QWidget* parent = nullptr);
    ~TextStyleDialog() override;

    int target() const { return target_; }
    const TextStyle& workingCopy() const { return copy_; }
    // Stores the working copy into the target (for slot 2 also into the
    // headline of currentPhoto, 1-based).
    void StoreInto(Project& project, int currentPhoto) const;

    // The colour chooser; by default the system's (QColorDialog). Returns
    // nothing when the user cancels.
    std::function<std::optional<QColor>(const QColor& initial, const QString& title)> chooseColour;

    // The sample as last drawn (tests, screenshots).
    QImage sampleImage() const;

  private:
    void Select();
    void ChooseColour(int which);
    void UpdateSwatches();
    void UpdateSample();

    int target_;
    TextStyle copy_;
    std::unique_ptr<QtTextRenderer> text_;
    QListWidget* listName_ = nullptr;
    QComboBox *listSize_ = nullptr, *listAlign_ = nullptr, *listPattern_ = nullptr,
              *listBorderSize_ = nullptr, *listStyle_ = nullptr;
    QPushButton *lblStartColor_ = nullptr, *lblEndColor_ = nullptr, *lblBorderColor_ = nullptr;
    QLabel* sample_ = nullptr;
    QImage sampleImage_;
};

// Opens the dialog modally; on " 确定 " stores the copy into the project and
// returns true.
bool EditTextStyle(QWidget* parent, Project& project, int target, int currentPhoto,
                   std::vector<uint8_t> rainbowJpeg = {});

// 0x00BBGGRR <-> QColor.
QColor ColourToQColor(Colour c);
Colour QColorToColour(const QColor& c);

}  // namespace velmora::render
