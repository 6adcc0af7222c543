#include "base/ui/ProgressOverlay.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

#include "base/Rounding.h"

namespace velmora {

ProgressOverlay::ProgressOverlay(QWidget* mainWindow)
    : QWidget(mainWindow), mainWindow_(mainWindow), bar_(kWidth, kHeight, QImage::Format_RGB32) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    label_ = new QLabel(this);
    label_->setAlignment(Qt::AlignCenter);
    label_->setAttribute(Qt::WA_TransparentForMouseEvents);
    label_->setGeometry(0, 0, kWidth, kHeight);
    cancel_ = new QToolButton(this);
    cancel_->setText(QStringLiteral("×"));
    cancel_->setToolTip(QStringLiteral("取消"));
    cancel_->setAutoRaise(true);
    cancel_->setGeometry(kWidth - 20, 2, 18, kHeight - 4);
    connect(cancel_, &QToolButton::clicked, this, [this] {
        cancelled_ = true;
        label_->setText(QStringLiteral("正在取消..."));
    });
    hide();
}

void ProgressOverlay::InitProgress(const std::string& title) {
    lastPercent_ = 0;
    setWindowTitle(QString::fromStdString(title));
    resize(kWidth, kHeight);
    if (mainWindow_) {
        int x = (mainWindow_->width() - kWidth) / 2;
        int y = nearest(1.1 * (mainWindow_->height() - kHeight) / 2.0);
        move(x, y);
    }
    highlight_ = palette().color(QPalette::Highlight);
    bar_.fill(palette().color(QPalette::Button));
    QPainter p(&bar_);
    // One-pixel raised frame: white top and left, grey right and bottom.
    p.setPen(Qt::white);
    p.drawLine(0, 0, kWidth - 1, 0);
    p.drawLine(0, 0, 0, kHeight - 1);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(kWidth - 1, 0, kWidth - 1, kHeight - 1);
    p.drawLine(0, kHeight - 1, kWidth - 1, kHeight - 1);
    p.end();
    label_->clear();
    raise();
    show();
    update();
}

void ProgressOverlay::ShowProgress(int percent, const std::string& text) {
    percent = std::clamp(percent, 0, 100);
    const bool dots = text.size() >= 3 && text.compare(text.size() - 3, 3, "...") == 0;
    const int margin = !text.empty() && !dots ? 60 : 0;
    const int region = kWidth - margin;
    const int from = nearest(region * lastPercent_ / 100.0);
    const int to = nearest(region * percent / 100.0);
    QPainter p(&bar_);
    p.setPen(highlight_);
    for (int x = from; x <= to; ++x) {
        if (x > 2 && x < region - 2)
            p.drawLine(margin + x, 2, margin + x, kHeight - 3);
    }
    p.end();
    label_->setText(QString::fromStdString(text) + " " + QString::number(percent) + "%");
    update();
    QCoreApplication::processEvents();
    lastPercent_ = percent;
}

void ProgressOverlay::Finish() {
    hide();
}

QString ProgressOverlay::labelText() const {
    return label_->text();
}

void ProgressOverlay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, bar_);
}

}  // namespace velmora
