// The photo thumbnails of the editor: photos 1..100 keep theirs in memory
// (one cell each), photos 101 and up in JPEG files Temp/<k>.jpg (quality
// 92). The cache follows the photo numbers: deleting photo k moves the
// thumbnails of the following photos down one place (the thumbnail of photo
// 101 moves from its file into cell 100, the files above are renamed to
// k - 1), and a move exchanges two neighbours.
//
// Threading: user-interface thread only. A file that cannot be renamed or
// deleted is left as it is.
#pragma once

#include <QImage>
#include <QString>
#include <array>

namespace velmora {

class ThumbnailCache {
  public:
    static constexpr int kMemoryCells = 100;
    static constexpr int kJpegQuality = 92;

    // tempFolder ends with '/'.
    explicit ThumbnailCache(QString tempFolder = QString());
    void setTempFolder(QString folder) { temp_ = std::move(folder); }

    // Photo numbers are 1-based.
    bool Has(int k) const;
    QImage Image(int k) const;  // null when there is none
    void Store(int k, const QImage& image);
    QString FileFor(int k) const { return temp_ + QString::number(k) + ".jpg"; }

    // Photo k was deleted; count is the photo count before the deletion.
    void OnDeleted(int k, int count);
    // Photos k and k + 1 exchanged places.
    void OnSwapped(int k);
    // Forgets every thumbnail and deletes the thumbnail files 101..count.
    void Clear(int count);

  private:
    QString temp_;
    std::array<QImage, kMemoryCells> cells_;
};

}  // namespace velmora
