// The thumbnail strip under the photo list: seven cells showing the photos
// v-6..v of the scroll bar's value v, each with its number, the current
// photo framed in red. A click on a cell makes its photo current.
#pragma once

#include <QObject>
#include <QSize>
#include <array>
#include <functional>

class QBoxLayout;
class QImage;
class QLabel;
class QScrollBar;
class QWidget;

namespace velmora::editor {

class ThumbnailStrip : public QObject {
    Q_OBJECT

  public:
    static constexpr int kCells = 7;
    static constexpr QSize kCellSize{96, 72};

    // The photo count, the current photo and the thumbnail of photo k
    // (null when it has none) come from the page.
    struct Source {
        std::function<int()> count;
        std::function<int()> current;
        std::function<QImage(int)> image;
    };

    ThumbnailStrip(QWidget* parent, QBoxLayout* into, Source source);

    QScrollBar* scrollBar() const { return bar_; }
    // Photo shown in cell j (1..7); 0 for none.
    int shown(int j) const { return shows_.at(static_cast<size_t>(j - 1)); }
    // The scroll range follows the photo count.
    void FitRange();
    // Scrolls so that photo k is in view.
    void Reveal(int k);
    void Reset();
    void Update();
    // True when photo k sits in one of the visible cells.
    bool InView(int k) const;

  signals:
    void clicked(int photo);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Source source_;
    std::array<QLabel*, kCells> cells_{};
    std::array<QLabel*, kCells> numbers_{};
    std::array<int, kCells> shows_{};
    QScrollBar* bar_ = nullptr;
};

}  // namespace velmora::editor
