// The pages of the editor's main window: one widget class per page, each in
// its own file in this folder, all on this base.
//
// A page shows part of the session's project and writes the user's edits
// back into it, except while the session's library-loading flag is set
// (then the controls are being filled from the project). Refresh() fills
// the page's controls from the project; Sync() copies the boxes whose text
// reaches the project only when it is written (titles, durations,
// password). The services a page needs from the window (message boxes,
// dialogs, waits) come through PageHost, which the main window implements.
//
// Threading: the user-interface thread only.
#pragma once

#include <QByteArray>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/session/EditorSession.h"
#include "render/Composer.h"
#include "render/Surface.h"

class QCheckBox;
class QPushButton;

namespace velmora::editor {

inline QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
inline std::string S(const QString& s) {
    return s.toStdString();
}

// A tip shown when the pointer rests on w (the main window's timer shows it).
void SetTip(QWidget* w, const QString& tip);

// What the pages ask of the main window.
class PageHost {
  public:
    virtual ~PageHost() = default;
    virtual EditorSession& session() = 0;
    // Modal question or message (the tests answer them).
    virtual QMessageBox::StandardButton Ask(const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon,
                                            const QString& title = "Info") = 0;
    virtual void Inform(const QString& text, QMessageBox::Icon icon = QMessageBox::Information) = 0;
    // Waits with window events running.
    virtual void WaitWithEvents(int ms) = 0;
    // The multi-selection open dialog (empty when cancelled).
    virtual QStringList ChooseOpenPaths(const QString& title, const QString& filter,
                                        const QString& folder) = 0;
    // The folder browser (empty when cancelled).
    virtual QString ChooseFolder(const QString& prompt, const QString& start) = 0;
    // Copies every page's boxes into the project.
    virtual void SyncFromControls() = 0;
    // The interval box of the music page, as typed.
    virtual QString IntervalText() const = 0;
    // The window that dialogs and the progress overlay sit on.
    virtual QWidget* dialogParent() = 0;
    // Empty when the live preview device is ready, else why not.
    virtual QString Direct3DError() const = 0;
    // The rainbow texture of the texture fill (the bytes of Mask/rainbow.jpg).
    virtual const QByteArray& rainbowTexture() const = 0;
};

class EditorPage : public QWidget {
    Q_OBJECT

  public:
    explicit EditorPage(PageHost& host, QWidget* parent = nullptr);

    virtual void Refresh();
    virtual void Sync() {}

  protected:
    EditorSession& session() { return host_.session(); }
    Project& project() { return host_.session().project(); }
    bool loading() const { return host_.session().loading(); }
    bool CanRun() const { return !host_.session().Refused(); }

    // A check box bound to a Boolean field of the project; refreshed by
    // Refresh().
    QCheckBox* BindCheck(const QString& text, bool Project::*field);
    // A colour button bound to a colour field of the project.
    QPushButton* ColourSwatch(Colour Project::*field);
    // Photo photoNumber's slide (background, photo, caption) composed on a
    // surface of the given size, as the video frames show it.
    void ComposePreviewSlide(int32_t photoNumber, int32_t width, int32_t height,
                             render::Surface& surface);
    // A button that opens the text style dialog for a target (1..4 the
    // style slots, 5 the dynamic lyric highlight).
    void BindTextStyle(QPushButton* button, int target);

    PageHost& host_;

  private:
    static void UpdateSwatch(QPushButton* b, Colour c);

    std::vector<std::pair<QCheckBox*, bool Project::*>> checks_;
    std::vector<std::pair<QPushButton*, Colour Project::*>> swatches_;
};

}  // namespace velmora::editor
