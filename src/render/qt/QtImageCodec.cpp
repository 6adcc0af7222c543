#include "render/qt/QtImageCodec.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <cstring>

#include "base/FileUtil.h"
#include "render/ImageCodec.h"

namespace velmora::render {

namespace {

class QtImageCodec final : public ImageCodec {
  protected:
    DecodeStatus DecodePicture(std::span<const uint8_t> bytes, Picture& out,
                               std::string& message) override {
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(false);
        const QByteArray format = reader.format();
        if (format != "bmp" && format != "gif" && format != "png" && format != "tiff" &&
            format != "jpeg") {
            message = "无法识别的图片文件";
            return DecodeStatus::Corrupt;
        }
        const QSize size = reader.size();
        if (size.isValid() && !DecodedSizeAllowed(size.width(), size.height())) {
            message = TooLargeMessage(size.width(), size.height());
            return DecodeStatus::TooLarge;
        }
        QImage image;
        if (!reader.read(&image) || image.isNull()) {
            message = "图片无法解码：" + reader.errorString().toStdString();
            return DecodeStatus::Corrupt;
        }
        if (!DecodedSizeAllowed(image.width(), image.height())) {
            message = TooLargeMessage(image.width(), image.height());
            return DecodeStatus::TooLarge;
        }
        out.hasAlpha = image.hasAlphaChannel();
        image = image.convertToFormat(out.hasAlpha ? QImage::Format_ARGB32_Premultiplied
                                                   : QImage::Format_RGB32);
        out.pixels.Resize(image.width(), image.height());
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(out.pixels.row(y), image.constScanLine(y),
                        static_cast<size_t>(image.width()) * 4);
        if (out.hasAlpha) {
            // A picture whose alpha is 255 everywhere is opaque after all.
            bool opaque = true;
            for (int y = 0; y < image.height() && opaque; ++y) {
                const uint32_t* r = out.pixels.row(y);
                for (int x = 0; x < image.width(); ++x)
                    if ((r[x] >> 24) != 255) {
                        opaque = false;
                        break;
                    }
            }
            out.hasAlpha = !opaque;
        }
        return DecodeStatus::Ok;
    }

    bool WritePng(const Picture& picture, const std::string& path) override {
        const Surface& s = picture.pixels;
        if (s.empty())
            return false;
        QImage image(reinterpret_cast<const uchar*>(s.data()), s.width(), s.height(),
                     static_cast<qsizetype>(s.bytesPerLine()),
                     picture.hasAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(picture.hasAlpha ? image.convertToFormat(QImage::Format_ARGB32) : image))
            return false;
        return WriteFileAtomically(
            path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(encoded.constData()),
                                           static_cast<size_t>(encoded.size())));
    }
};

}  // namespace

void InstallQtImageCodec() {
    static QtImageCodec codec;
    // Qt's own guard (128 MiB by default) would refuse ordinary large
    // photos; the engine's limit of 1 GiB decoded is checked before reading.
    QImageReader::setAllocationLimit(1100);
    SetImageCodec(&codec);
}

}  // namespace velmora::render
