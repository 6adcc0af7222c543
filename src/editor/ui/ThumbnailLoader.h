// Decodes photo thumbnails on worker threads so that the window never waits
// for a picture: JPEG photos are decoded at a reduced size by the JPEG
// library's DCT scaling (or from the file's embedded EXIF thumbnail when that
// is at least as large as a cell), other pictures by the image codec. Each
// finished thumbnail (a cell-sized picture, the photo fitted and centred on
// black) is handed to the user-interface thread through the ready signal.
//
// Threading: Request, Cancel and the signal belong to the thread that owns
// the loader (the user-interface thread); the decoding runs in a thread pool
// of its own with one thread per core. Finished thumbnails wait in a queue
// that a 15 ms timer of the owning thread drains, a few milliseconds of
// delivery per tick, so a flood of results never starves the window's other
// events. Results are tagged with a generation; Cancel raises it, so results
// of earlier requests still under way are dropped instead of delivered.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

namespace velmora {

class ThumbnailLoader : public QObject {
    Q_OBJECT

  public:
    explicit ThumbnailLoader(QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    void setCellSize(QSize s) { cell_ = s; }
    QSize cellSize() const { return cell_; }

    // Queues a thumbnail of path.
    void Request(const QString& path);
    // Drops every queued and running request.
    void Cancel();
    // Requests not yet delivered.
    int pending() const { return pending_; }
    // Waits until the pool is idle (tests and shutdown).
    void WaitForDone();

    // The thumbnail of one photo, made on the calling thread.
    static QImage MakeThumbnail(const QString& path, QSize cell);

  signals:
    // A finished thumbnail (null image when the photo cannot be decoded).
    void ready(const QString& path, const QImage& image);
    // Every request made so far has been delivered.
    void idle();

  private:
    struct Result {
        QString path;
        QImage image;
        quint64 generation;
    };
    void Drain();

    QThreadPool pool_;
    QTimer drain_;
    std::mutex mutex_;
    std::deque<Result> results_;
    QSize cell_{96, 72};
    std::shared_ptr<std::atomic<quint64>> generation_;
    int pending_ = 0;
};

}  // namespace velmora
