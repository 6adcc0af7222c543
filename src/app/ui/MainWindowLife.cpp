// The main window's life after start-up: the 500 ms timer (hover tips, the
// screen and theme watch every 2 s, and the session's tick that autosaves),
// the first activation (window position, first-run check) and closing,
// whose sequence the editor session decides.
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QScreen>
#include <QTimer>
#include <QToolTip>

#include "app/ui/MainWindow.h"
#include "base/FileUtil.h"
#include "editor/ui/pages/PhotoPage.h"

namespace velmora {

using editor::Q;

// ---------------------------------------------------------------- timer

void MainWindow::UpdateTips() {
    if (!project().IsShowTip)
        return;
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    while (under && !under->property("velmoraTip").isValid())
        under = under->parentWidget();
    if (under != tipWidget_) {
        tipWidget_ = under;
        tipCount_ = 0;
        QToolTip::hideText();
        return;
    }
    if (!tipWidget_)
        return;
    if (tipCount_ == 2)
        QToolTip::showText(QCursor::pos(), tipWidget_->property("velmoraTip").toString(),
                           tipWidget_);
    if (tipCount_ > 11) {
        tipCount_ = 0;
        QToolTip::hideText();
    }
}

void MainWindow::ApplyTheme() {
    setWindowState(windowState() | Qt::WindowMinimized);
    for (QWidget* w : QApplication::topLevelWidgets())
        w->update();
    setWindowState(windowState() & ~Qt::WindowMinimized);
}

void MainWindow::OnTimerTick() {
    editor::TickResult t = session_.Tick();
    if (!t.ran)
        return;
    ++tipCount_;
    UpdateTips();
    if (t.screenWatch) {
        MeasureScreen();
        QColor h = palette().color(QPalette::Highlight);
        if (h != lastHighlight_) {
            lastHighlight_ = h;
            ApplyTheme();
        }
    }
    if (!t.failureMessage.empty())
        Inform(Q(t.failureMessage), QMessageBox::Warning);
}

// ---------------------------------------------------------------- life

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, &MainWindow::FirstActivation);
    }
}

void MainWindow::FirstActivation() {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect avail = s->availableGeometry();
        QPoint p = pos();
        if (frameGeometry().width() >= avail.width())
            p.setX(avail.left());
        if (frameGeometry().height() >= avail.height())
            p.setY(avail.top());
        if (p != pos())
            move(p);
    }
    if (!FileExists(paths_.FirstRunMarker()) && !FileExists(paths_.MirbIni())) {
        if (WriteFirstRunMarker(paths_.FirstRunMarker())) {
            openUrl_(QUrl::fromLocalFile(Q(paths_.HelpFile())));
        } else {
            Inform("程序似乎不能在这个目录创建文件：\r" + Q(paths_.dataFolder) +
                       "\r请重新安装程序到其他目录，否则可能会引起错误。",
                   QMessageBox::Warning);
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    switch (session_.BeginClose()) {
        case editor::CloseStart::Refuse:
            event->ignore();
            return;
        case editor::CloseStart::AskPendingSave: {
            auto a = Ask(Q(std::string_view(editor::kPendingSaveQuestion)),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                         QMessageBox::Information);
            if (a == QMessageBox::Yes) {
                // Save as; the user closes again afterwards.
                event->ignore();
                SaveProject();
                return;
            }
            if (a != QMessageBox::No) {
                event->ignore();
                return;
            }
            break;
        }
        case editor::CloseStart::Close:
            break;
    }
    editor::CloseResult r = session_.FinishClose(
        [this](const editor::SaveResult& s) { return ReportSave(s, "\r仍要退出吗？"); });
    if (!r.closed) {
        event->ignore();
        return;
    }
    if (!r.preferences.ok())
        Inform(Q(r.preferences.message), QMessageBox::Warning);
    if (timer_)
        timer_->stop();
    photoPage_->StopThumbnails();
    rainbow_.clear();
    event->accept();
}

}  // namespace velmora
