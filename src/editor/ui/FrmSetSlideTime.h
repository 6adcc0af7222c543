// FrmSetSlideTime: the per-photo duration dialog ("设置图片的持续/间隔时间").
// It works on its own copy of the photos' SlideDuration values; " 保存 "
// writes the duration box into the selected photos of that copy, " 设置 "
// closes the dialog accepted (the caller then takes workingList()), " 取消 "
// closes it without changes. Opened modal by EditSlideDurations.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace velmora {
struct Project;
}

namespace velmora::editor {

class FrmSetSlideTime : public QDialog {
  public:
    struct Inputs {
        std::vector<std::string> photoPaths;
        std::vector<std::string> slideDurations;  // one per photo
        std::vector<std::string> songPaths;
        std::string intervalText;  // the main window's interval box
    };
    // Measures a song in seconds (nullopt with a reason when it cannot).
    using MeasureFn = std::function<std::optional<double>(const std::string&, std::string*)>;

    explicit FrmSetSlideTime(Inputs in, QWidget* parent = nullptr, MeasureFn measure = {});

    // Called with the 0-based photo index whenever the single selected photo
    // changes, so that the main window's list (and the preview) follows.
    void SetPhotoFollower(std::function<void(int)> follow) { follow_ = std::move(follow); }

    const std::vector<std::string>& workingList() const { return working_; }

    // The controls, named as in the editor's forms (tests drive them).
    QListWidget* ListPhotos = nullptr;
    QListWidget* ListSongs = nullptr;
    QRadioButton* OptSetTime = nullptr;
    QRadioButton* OptAverage = nullptr;
    QLineEdit* TxtTime = nullptr;
    QLabel* LblAverage = nullptr;
    QPushButton* CmdSave = nullptr;
    QPushButton* CmdSet = nullptr;
    QPushButton* CmdCancel = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<int> SelectedPhotos() const;
    void OnOptionChanged();
    void OnPhotoSelectionChanged();
    void ShowSinglePhotoValue();
    void RecomputeAverage();
    void Save();
    void NormaliseBox(const std::string& fallback);

    Inputs in_;
    std::vector<std::string> working_;
    MeasureFn measure_;
    std::function<void(int)> follow_;
    std::map<int, std::optional<double>> songCache_;  // measured once per dialog
    int lastSingle_ = -1;
};

// Opens the dialog modal over parent for the project's photos and songs;
// when it is accepted, copies the working list into the photos'
// SlideDuration values and returns true. Refused (false, nothing shown)
// while sync is on or when there are no photos.
bool EditSlideDurations(QWidget* parent, Project& project, const std::string& intervalText,
                        std::function<void(int)> followPhoto = {});

}  // namespace velmora::editor
