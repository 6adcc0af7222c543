#include "editor/ui/ThumbnailLoader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QThread>
#include <cstring>
#include <mutex>
#include <span>

#include "base/FileNames.h"
#include "render/ImageLoader.h"
#include "render/Jpeg.h"
#include "render/Placement.h"

namespace velmora {

namespace {

QImage FromPicture(const render::Picture& pic) {
    const render::Surface& s = pic.pixels;
    QImage img(reinterpret_cast<const uchar*>(s.data()), s.width(), s.height(),
               static_cast<qsizetype>(s.stride()) * 4,
               pic.hasAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return img.copy();
}

// The largest EXIF thumbnail a camera embeds lies in the APP1 segment at the
// start of the file; 64 KiB of head are enough to find it.
constexpr qint64 kExifHead = 64 * 1024;

uint32_t Get(const uint8_t* p, int n, bool le) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= static_cast<uint32_t>(p[le ? i : n - 1 - i]) << (8 * i);
    return v;
}

// The embedded JPEG thumbnail of an EXIF APP1 segment, or empty.
std::span<const uint8_t> ExifThumbnail(std::span<const uint8_t> b) {
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return {};
    size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xFF) {
        uint8_t marker = b[at + 1];
        size_t len = static_cast<size_t>(b[at + 2] << 8 | b[at + 3]);
        if (marker == 0xDA || len < 2)
            return {};
        if (marker == 0xE1 && at + 2 + len <= b.size() && len >= 16 &&
            std::memcmp(&b[at + 4], "Exif\0\0", 6) == 0) {
            std::span<const uint8_t> t = b.subspan(at + 10, len - 8);
            if (t.size() < 8)
                return {};
            bool le = t[0] == 'I';
            if (!le && t[0] != 'M')
                return {};
            auto u16 = [&](size_t o) { return o + 2 <= t.size() ? Get(&t[o], 2, le) : 0u; };
            auto u32 = [&](size_t o) { return o + 4 <= t.size() ? Get(&t[o], 4, le) : 0u; };
            size_t ifd0 = u32(4);
            size_t n0 = u16(ifd0);
            size_t ifd1 = u32(ifd0 + 2 + 12 * n0);
            if (ifd1 == 0 || ifd1 >= t.size())
                return {};
            size_t n1 = u16(ifd1);
            uint32_t off = 0, size = 0;
            for (size_t e = 0; e < n1; ++e) {
                size_t o = ifd1 + 2 + 12 * e;
                uint32_t tag = u16(o);
                if (tag == 0x0201)
                    off = u32(o + 8);
                else if (tag == 0x0202)
                    size = u32(o + 8);
            }
            if (off == 0 || size == 0 || off + static_cast<size_t>(size) > t.size())
                return {};
            return t.subspan(off, size);
        }
        at += 2 + len;
    }
    return {};
}

// The EXIF thumbnail when it covers the cell; null otherwise.
QImage ExifThumbnailImage(const QString& path, QSize cell) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray head = f.read(kExifHead);
    auto thumb = ExifThumbnail(std::span<const uint8_t>(
        reinterpret_cast<const uint8_t*>(head.constData()), static_cast<size_t>(head.size())));
    if (thumb.empty())
        return {};
    render::Picture pic;
    std::string message;
    if (render::DecodeJpeg(thumb, pic, message) != render::DecodeStatus::Ok)
        return {};
    if (pic.pixels.width() < cell.width() && pic.pixels.height() < cell.height())
        return {};
    return FromPicture(pic);
}

}  // namespace

ThumbnailLoader::ThumbnailLoader(QObject* parent)
    : QObject(parent), generation_(std::make_shared<std::atomic<quint64>>(0)) {
    pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    drain_.setInterval(15);
    connect(&drain_, &QTimer::timeout, this, &ThumbnailLoader::Drain);
}

ThumbnailLoader::~ThumbnailLoader() {
    Cancel();
    pool_.clear();
    pool_.waitForDone();
}

QImage ThumbnailLoader::MakeThumbnail(const QString& path, QSize cell) {
    const std::string p = path.toStdString();
    QImage source;
    if (FileTypeOf(p) == "JPG")
        source = ExifThumbnailImage(path, cell);
    if (source.isNull()) {
        // JPEG, TGA and PCX decode in parallel on every worker; the image
        // codec (BMP, GIF, PNG, TIF) serialises its own calls.
        render::Picture pic;
        std::string message;
        if (!render::LoadThumbnail(p, cell.width(), cell.height(), pic, message))
            return {};
        source = FromPicture(pic);
    }
    QImage out(cell, QImage::Format_RGB32);
    out.fill(Qt::black);
    QSize fitted = source.size().scaled(cell, Qt::KeepAspectRatio);
    if (source.width() <= cell.width() && source.height() <= cell.height())
        fitted = source.size();
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRect target((cell.width() - fitted.width()) / 2, (cell.height() - fitted.height()) / 2,
                 fitted.width(), fitted.height());
    painter.drawImage(target, source);
    return out;
}

void ThumbnailLoader::Request(const QString& path) {
    ++pending_;
    const quint64 gen = generation_->load();
    auto generation = generation_;
    const QSize cell = cell_;
    // The pool is drained before the loader goes away, so a task may use it.
    pool_.start([this, path, cell, gen, generation] {
        if (generation->load() != gen)
            return;
        QImage img = MakeThumbnail(path, cell);
        if (generation->load() != gen)
            return;
        std::lock_guard lock(mutex_);
        results_.push_back({path, std::move(img), gen});
    });
    if (!drain_.isActive())
        drain_.start();
}

void ThumbnailLoader::Drain() {
    QElapsedTimer clock;
    clock.start();
    // A few milliseconds of delivery per tick; the rest waits for the next.
    while (clock.elapsed() < 8) {
        Result r;
        {
            std::lock_guard lock(mutex_);
            if (results_.empty())
                break;
            r = std::move(results_.front());
            results_.pop_front();
        }
        if (r.generation != generation_->load())
            continue;
        --pending_;
        emit ready(r.path, r.image);
    }
    if (pending_ <= 0) {
        pending_ = 0;
        drain_.stop();
        emit idle();
    }
}

void ThumbnailLoader::Cancel() {
    generation_->fetch_add(1);
    pool_.clear();
    {
        std::lock_guard lock(mutex_);
        results_.clear();
    }
    pending_ = 0;
    drain_.stop();
}

void ThumbnailLoader::WaitForDone() {
    pool_.waitForDone();
}

}  // namespace velmora
