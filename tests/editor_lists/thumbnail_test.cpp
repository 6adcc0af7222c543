// The thumbnail cache follows the photo numbers through deletions and moves;
// the loader decodes on worker threads and drops cancelled work.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "ListFixtures.h"
#include "base/FileUtil.h"
#include "editor/ui/ThumbnailCache.h"
#include "editor/ui/ThumbnailLoader.h"
#include "render/Jpeg.h"
#include "render/qt/QtImageCodec.h"

using namespace velmora;
using velmora::test::TempDir;

namespace {

QGuiApplication* App() {
    static int argc = 1;
    static char name[] = "test_editor_lists_ui";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return app;
}

// A cell whose colour encodes n (red = n), so it survives JPEG files.
QImage Tagged(int n) {
    QImage img(16, 12, QImage::Format_RGB32);
    img.fill(QColor(n, 255 - n, 0));
    return img;
}

int Tag(const QImage& img) {
    return img.isNull() ? -1 : qRed(img.pixel(8, 6));
}

}  // namespace

TEST(ThumbnailCache, FollowsDeletionsAndMovesAcrossTheMemoryCells) {
    App();
    TempDir dir;
    ThumbnailCache cache(QString::fromStdString(dir / ""));
    for (int k = 1; k <= 120; ++k)
        cache.Store(k, Tagged(k));
    EXPECT_TRUE(FileExists(dir / "101.jpg"));
    EXPECT_TRUE(FileExists(dir / "120.jpg"));
    EXPECT_FALSE(FileExists(dir / "100.jpg")) << "photos up to 100 stay in memory";

    // Deleting photo 50 of 120.
    cache.OnDeleted(50, 120);
    EXPECT_EQ(Tag(cache.Image(49)), 49);
    EXPECT_EQ(Tag(cache.Image(50)), 51);
    EXPECT_EQ(Tag(cache.Image(99)), 100);
    EXPECT_NEAR(Tag(cache.Image(100)), 101, 3) << "the former photo 101 moved into cell 100";
    for (int k = 101; k <= 119; ++k)
        EXPECT_NEAR(Tag(cache.Image(k)), k + 1, 3) << k;
    EXPECT_FALSE(FileExists(dir / "120.jpg"));

    // Deleting a photo above 100 (now 119 photos): its file goes, later ones move down.
    cache.OnDeleted(110, 119);
    EXPECT_NEAR(Tag(cache.Image(109)), 110, 3);
    EXPECT_NEAR(Tag(cache.Image(110)), 112, 3);
    EXPECT_FALSE(FileExists(dir / "119.jpg"));

    // Moves: inside memory, across cell 100 and file 101, and between files.
    cache.OnSwapped(1);
    EXPECT_EQ(Tag(cache.Image(1)), 2);
    EXPECT_EQ(Tag(cache.Image(2)), 1);
    int at100 = Tag(cache.Image(100)), at101 = Tag(cache.Image(101));
    cache.OnSwapped(100);
    EXPECT_NEAR(Tag(cache.Image(100)), at101, 3);
    EXPECT_NEAR(Tag(cache.Image(101)), at100, 3);
    int at105 = Tag(cache.Image(105)), at106 = Tag(cache.Image(106));
    cache.OnSwapped(105);
    EXPECT_EQ(Tag(cache.Image(105)), at106);
    EXPECT_EQ(Tag(cache.Image(106)), at105);
    EXPECT_FALSE(FileExists(dir / "tmp"));

    cache.Clear(118);
    EXPECT_FALSE(cache.Has(1));
    EXPECT_FALSE(FileExists(dir / "101.jpg"));
    EXPECT_FALSE(FileExists(dir / "118.jpg"));
}

TEST(ThumbnailLoader, DecodesOnWorkersAndDropsCancelledWork) {
    App();
    render::InstallQtImageCodec();
    TempDir dir;
    test::WriteBmp(dir / "wide.bmp", 400, 100, 0x00FF00);
    QImage tall(300, 600, QImage::Format_RGB32);
    tall.fill(QColor(255, 0, 0));
    ASSERT_TRUE(tall.save(QString::fromStdString(dir / "高 图.jpg"), "JPG", 90));
    test::WriteText(dir / "bad.jpg", "not a picture");

    ThumbnailLoader loader;
    loader.setCellSize(QSize(96, 72));
    std::map<QString, QImage> got;
    QObject::connect(&loader, &ThumbnailLoader::ready,
                     [&](const QString& p, const QImage& img) { got[p] = img; });
    bool idle = false;
    QObject::connect(&loader, &ThumbnailLoader::idle, [&] { idle = true; });
    for (const char* n : {"wide.bmp", "高 图.jpg", "bad.jpg"})
        loader.Request(QString::fromStdString(dir / n));
    QElapsedTimer t;
    t.start();
    while (!idle && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(idle);
    ASSERT_EQ(got.size(), 3u);
    QImage wide = got[QString::fromStdString(dir / "wide.bmp")];
    ASSERT_EQ(wide.size(), QSize(96, 72));
    EXPECT_EQ(qGreen(wide.pixel(48, 36)), 255) << "photo fitted in the middle";
    EXPECT_EQ(wide.pixel(48, 2), QColor(Qt::black).rgb()) << "black above a wide photo";
    QImage high = got[QString::fromStdString(dir / "高 图.jpg")];
    EXPECT_GT(qRed(high.pixel(48, 36)), 240);
    EXPECT_EQ(high.pixel(2, 36), QColor(Qt::black).rgb()) << "black beside a tall photo";
    EXPECT_TRUE(got[QString::fromStdString(dir / "bad.jpg")].isNull());

    // Cancelled requests are never delivered.
    got.clear();
    for (int i = 0; i < 20; ++i)
        loader.Request(QString::fromStdString(dir / "wide.bmp"));
    loader.Cancel();
    loader.WaitForDone();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(loader.pending(), 0);
}

TEST(ThumbnailLoader, UsesALargeEnoughExifThumbnail) {
    App();
    TempDir dir;
    // A JPEG whose EXIF thumbnail (blue) differs from the main picture (red).
    QImage thumb(160, 120, QImage::Format_RGB32);
    thumb.fill(QColor(0, 0, 255));
    QByteArray tj;
    {
        QBuffer b(&tj);
        b.open(QIODevice::WriteOnly);
        thumb.save(&b, "JPG", 90);
    }
    QImage main(640, 480, QImage::Format_RGB32);
    main.fill(QColor(255, 0, 0));
    QByteArray mj;
    {
        QBuffer b(&mj);
        b.open(QIODevice::WriteOnly);
        main.save(&b, "JPG", 90);
    }
    // TIFF header (little-endian), IFD0 with no entries, IFD1 with the
    // thumbnail's offset and length.
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto u16 = [&](uint16_t v) { tiff.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            tiff.append(char((v >> (8 * i)) & 0xFF));
    };
    u16(0);
    u32(14);  // IFD1 right after IFD0
    u16(2);
    const uint32_t thumbOffset = 14 + 2 + 24 + 4;
    u16(0x0201), u16(4), u32(1), u32(thumbOffset);
    u16(0x0202), u16(4), u32(1), u32(static_cast<uint32_t>(tj.size()));
    u32(0);
    tiff.append(tj);
    QByteArray app1("\xFF\xE1", 2);
    const int len = 2 + 6 + static_cast<int>(tiff.size());
    app1.append(char(len >> 8)).append(char(len & 0xFF)).append("Exif\0\0", 6).append(tiff);
    QByteArray file = mj.left(2) + app1 + mj.mid(2);
    QFile f(QString::fromStdString(dir / "exif.jpg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();
    QImage t =
        ThumbnailLoader::MakeThumbnail(QString::fromStdString(dir / "exif.jpg"), QSize(96, 72));
    ASSERT_FALSE(t.isNull());
    EXPECT_GT(qBlue(t.pixel(48, 36)), 200) << "the embedded thumbnail was used";
    // Too small for the cell: the picture itself is decoded.
    QImage big =
        ThumbnailLoader::MakeThumbnail(QString::fromStdString(dir / "exif.jpg"), QSize(320, 240));
    EXPECT_GT(qRed(big.pixel(160, 120)), 200);
}

namespace {

// A picture made by ImageMagick in dir; empty when convert fails.
std::string Magick(const std::string& dir, const std::string& name, const std::string& args) {
    const std::string path = dir + "/" + name;
    const std::string cmd = "convert " + args + " '" + path + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 ? path : std::string();
}

// The reference thumbnail: the JPEG decoded at full size, scaled down by
// Qt's area-averaging filter into the fitted rectangle, centred on black.
QImage ReferenceThumbnail(const std::string& path, QSize cell, QRect* placed) {
    auto bytes = ReadWholeFile(path);
    render::Picture full;
    std::string message;
    if (!bytes || render::DecodeJpeg(*bytes, full, message) != render::DecodeStatus::Ok)
        return {};
    const render::Surface& s = full.pixels;
    QImage img(reinterpret_cast<const uchar*>(s.data()), s.width(), s.height(),
               static_cast<qsizetype>(s.stride()) * 4, QImage::Format_RGB32);
    QSize fitted = img.size();
    if (fitted.width() > cell.width() || fitted.height() > cell.height()) {
        const double f = std::min(double(cell.width()) / fitted.width(),
                                  double(cell.height()) / fitted.height());
        fitted = QSize(std::max(1, int(std::lround(fitted.width() * f))),
                       std::max(1, int(std::lround(fitted.height() * f))));
    }
    *placed = QRect((cell.width() - fitted.width()) / 2, (cell.height() - fitted.height()) / 2,
                    fitted.width(), fitted.height());
    QImage out(cell, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    p.drawImage(*placed, img.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return out;
}

}  // namespace

// The worker path decodes JPEGs at 1/2, 1/4 or 1/8 of their size; its
// thumbnail must look like the full picture scaled down, for every kind of
// JPEG the decoder reads, and the pool must deliver the same pictures.
TEST(ThumbnailLoader, ScaledDecodeMatchesTheFullDecodeScaledDown) {
    App();
    render::InstallQtImageCodec();
    TempDir dir;
    const QSize cell(96, 72);
    struct Case {
        const char* name;
        const char* args;
    } cases[] = {
        {"4x3 at an eighth.jpg", "-size 1600x1200 -seed 3 plasma: -quality 90"},
        {"odd wide.jpg", "-size 1001x333 -seed 4 plasma: -quality 90"},
        {"odd tall.jpg", "-size 333x1001 -seed 5 plasma: -quality 90"},
        {"odd at a quarter.jpg", "-size 397x301 -seed 6 plasma: -quality 90"},
        {"progressive.jpg", "-size 1280x960 -seed 7 plasma: -interlace Plane -quality 85"},
        {"grey.jpg", "-size 1200x900 -seed 8 plasma: -colorspace Gray -quality 90"},
        {"cmyk.jpg", "-size 1200x900 -seed 9 plasma: -colorspace CMYK -quality 90"},
        {"444.jpg", "-size 1203x899 -seed 10 plasma: -sampling-factor 1x1 -quality 90"},
        {"422.jpg", "-size 1199x901 -seed 11 plasma: -sampling-factor 2x1 -quality 90"},
        {"smaller than the cell.jpg", "-size 61x47 -seed 12 plasma: -quality 95"},
    };
    std::map<QString, QImage> direct;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Magick(dir.path(), c.name, c.args);
        ASSERT_FALSE(path.empty()) << "ImageMagick could not make the photo";
        QRect placed;
        const QImage want = ReferenceThumbnail(path, cell, &placed);
        ASSERT_FALSE(want.isNull());
        const QImage got = ThumbnailLoader::MakeThumbnail(QString::fromStdString(path), cell);
        ASSERT_EQ(got.size(), cell);
        direct[QString::fromStdString(path)] = got;
        // Outside the fitted rectangle (one pixel of rounding aside): black.
        const QRect grown = placed.adjusted(-1, -1, 1, 1);
        int notBlack = 0;
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                if (!grown.contains(x, y) && (got.pixel(x, y) & 0xFFFFFF) != 0)
                    ++notBlack;
        EXPECT_EQ(notBlack, 0) << "picture outside " << placed.width() << "x" << placed.height();
        // Inside it: the full picture scaled down, within the difference of
        // two filters.
        const QRect inner = placed.adjusted(1, 1, -1, -1);
        int64_t sum = 0;
        int worst = 0, n = 0;
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
                for (int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)}) {
                    sum += std::abs(d);
                    worst = std::max(worst, std::abs(d));
                }
                ++n;
            }
        ASSERT_GT(n, 0);
        const double mean = double(sum) / (3.0 * n);
        EXPECT_LT(mean, 4.0) << "worst " << worst;
        EXPECT_LT(worst, 48);
    }

    // The same pictures through the worker pool, all at once.
    ThumbnailLoader loader;
    loader.setCellSize(cell);
    std::map<QString, QImage> pooled;
    QObject::connect(&loader, &ThumbnailLoader::ready,
                     [&](const QString& p, const QImage& img) { pooled[p] = img; });
    bool idle = false;
    QObject::connect(&loader, &ThumbnailLoader::idle, [&] { idle = true; });
    for (const auto& [path, img] : direct)
        loader.Request(path);
    QElapsedTimer t;
    t.start();
    while (!idle && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(idle);
    ASSERT_EQ(pooled.size(), direct.size());
    for (const auto& [path, img] : direct)
        EXPECT_EQ(pooled[path], img) << path.toStdString();
}
