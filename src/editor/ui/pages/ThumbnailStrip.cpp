#include "editor/ui/pages/ThumbnailStrip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace velmora::editor {

ThumbnailStrip::ThumbnailStrip(QWidget* parent, QBoxLayout* into, Source source)
    : QObject(parent), source_(std::move(source)) {
    auto* row = new QHBoxLayout;
    for (int j = 0; j < kCells; ++j) {
        auto* col = new QVBoxLayout;
        auto* cell = new QLabel(parent);
        cell->setFixedSize(kCellSize + QSize(4, 4));
        cell->setAlignment(Qt::AlignCenter);
        cell->setStyleSheet("border: 2px solid transparent; background: black;");
        cell->installEventFilter(this);
        auto* number = new QLabel(parent);
        number->setAlignment(Qt::AlignCenter);
        cells_[static_cast<size_t>(j)] = cell;
        numbers_[static_cast<size_t>(j)] = number;
        col->addWidget(cell);
        col->addWidget(number);
        row->addLayout(col);
    }
    row->addStretch(1);
    into->addLayout(row);
    bar_ = new QScrollBar(Qt::Horizontal, parent);
    bar_->setRange(kCells, kCells);
    bar_->setValue(kCells);
    connect(bar_, &QScrollBar::valueChanged, this, [this] { Update(); });
    into->addWidget(bar_);
}

void ThumbnailStrip::FitRange() {
    bar_->setMaximum(std::max(kCells, source_.count()));
}

void ThumbnailStrip::Reset() {
    bar_->setRange(kCells, kCells);
    bar_->setValue(kCells);
}

bool ThumbnailStrip::InView(int k) const {
    const int v = bar_->value();
    return k > v - kCells && k <= v;
}

void ThumbnailStrip::Reveal(int k) {
    const int v = bar_->value();
    if ((k <= v - kCells || k > v) && k > kCells)
        bar_->setValue(k);
    else if (k <= kCells && k <= v - kCells)
        bar_->setValue(kCells);
}

void ThumbnailStrip::Update() {
    const int v = bar_->value();
    const int count = source_.count();
    const int current = source_.current();
    for (int j = 1; j <= kCells; ++j) {
        const int p = v - kCells + j;
        const size_t c = static_cast<size_t>(j - 1);
        const bool show = p >= 1 && p <= count;
        shows_[c] = show ? p : 0;
        QImage img = show ? source_.image(p) : QImage();
        cells_[c]->setPixmap(img.isNull() ? QPixmap() : QPixmap::fromImage(img));
        numbers_[c]->setText(show ? QString::number(p) : QString());
        cells_[c]->setStyleSheet(QString("border: 2px solid %1; background: black;")
                                     .arg(show && p == current ? "red" : "transparent"));
    }
}

bool ThumbnailStrip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int j = 0; j < kCells; ++j) {
            if (watched != cells_[static_cast<size_t>(j)])
                continue;
            int k = shows_[static_cast<size_t>(j)];
            if (k >= 1 && k <= source_.count())
                emit clicked(k);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velmora::editor
