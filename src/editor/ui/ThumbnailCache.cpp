#include "editor/ui/ThumbnailCache.h"

#include <QFile>

namespace velmora {

ThumbnailCache::ThumbnailCache(QString tempFolder) : temp_(std::move(tempFolder)) {}

bool ThumbnailCache::Has(int k) const {
    if (k < 1)
        return false;
    if (k <= kMemoryCells)
        return !cells_[static_cast<size_t>(k - 1)].isNull();
    return QFile::exists(FileFor(k));
}

QImage ThumbnailCache::Image(int k) const {
    if (k < 1)
        return {};
    if (k <= kMemoryCells)
        return cells_[static_cast<size_t>(k - 1)];
    QImage img;
    img.load(FileFor(k), "JPG");
    return img;
}

void ThumbnailCache::Store(int k, const QImage& image) {
    if (k < 1)
        return;
    if (k <= kMemoryCells) {
        cells_[static_cast<size_t>(k - 1)] = image;
        return;
    }
    image.convertToFormat(QImage::Format_RGB32).save(FileFor(k), "JPG", kJpegQuality);
}

void ThumbnailCache::OnDeleted(int k, int count) {
    if (k < 1 || k > count)
        return;
    if (k > kMemoryCells)
        QFile::remove(FileFor(k));
    for (int n = k; n < std::min(count, kMemoryCells); ++n)
        cells_[static_cast<size_t>(n - 1)] = cells_[static_cast<size_t>(n)];
    if (k <= kMemoryCells) {
        cells_[kMemoryCells - 1] = QImage();
        if (count > kMemoryCells) {
            // Photo 101 becomes photo 100: its file moves into the last cell.
            cells_[kMemoryCells - 1] = Image(kMemoryCells + 1);
            QFile::remove(FileFor(kMemoryCells + 1));
        }
    }
    for (int n = std::max(k + 1, kMemoryCells + 2); n <= count; ++n) {
        if (QFile::exists(FileFor(n)) && !QFile::exists(FileFor(n - 1)))
            QFile::rename(FileFor(n), FileFor(n - 1));
    }
}

void ThumbnailCache::OnSwapped(int k) {
    if (k < 1)
        return;
    if (k + 1 <= kMemoryCells) {
        std::swap(cells_[static_cast<size_t>(k - 1)], cells_[static_cast<size_t>(k)]);
    } else if (k == kMemoryCells) {
        QImage fromFile = Image(k + 1);
        QImage cell = cells_[kMemoryCells - 1];
        cells_[kMemoryCells - 1] = fromFile;
        QFile::remove(FileFor(k + 1));
        if (!cell.isNull())
            Store(k + 1, cell);
    } else {
        const QString a = FileFor(k), b = FileFor(k + 1), tmp = temp_ + "tmp";
        QFile::remove(tmp);
        bool hasA = QFile::exists(a), hasB = QFile::exists(b);
        if (hasA)
            QFile::rename(a, tmp);
        if (hasB)
            QFile::rename(b, a);
        if (hasA)
            QFile::rename(tmp, b);
    }
}

void ThumbnailCache::Clear(int count) {
    for (QImage& c : cells_)
        c = QImage();
    for (int n = kMemoryCells + 1; n <= count; ++n)
        QFile::remove(FileFor(n));
}

}  // namespace velmora
