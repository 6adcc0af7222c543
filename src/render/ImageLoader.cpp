#include "render/ImageLoader.h"

#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "base/TextCodec.h"
#include "render/ImageCodec.h"
#include "render/ImageProbe.h"
#include "render/Jpeg.h"
#include "render/Placement.h"
#include "render/Raster.h"

namespace velmora::render {

namespace {

LoadedImage Failed(DecodeStatus s, std::string message) {
    LoadedImage r;
    r.status = s;
    r.message = std::move(message);
    return r;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

ImageRoute RouteForPath(const std::string& path) {
    const std::string ext = FileTypeOf(path);
    if (ext == "BMP" || ext == "JPG" || ext == "GIF" || ext == "PNG" || ext == "TIF")
        return ImageRoute::Codec;
    if (ext == "TGA")
        return ImageRoute::Tga;
    if (ext == "PCX")
        return ImageRoute::Pcx;
    return ImageRoute::None;
}

LoadedImage LoadImageBytes(std::span<const uint8_t> bytes, ImageRoute route, int32_t minWidth,
                           int32_t minHeight) {
    LoadedImage out;
    out.route = route;
    if (route == ImageRoute::Tga || route == ImageRoute::Pcx) {
        DecodedBitmap d = route == ImageRoute::Tga ? DecodeTga(bytes) : DecodePcx(bytes);
        out.status = d.status;
        out.message = std::move(d.message);
        out.picture = std::move(d.picture);
        out.tgaAlpha = std::move(d.alpha);
        out.bitCount = d.bitCount;
        return out;
    }
    if (route != ImageRoute::Codec)
        return Failed(DecodeStatus::Unsupported, "不支持的图片格式");
    // The codec opens what its signature says, whatever the extension.
    ImageProbeResult probe = ProbeImageBytes(bytes, bytes.size(), true);
    const std::string& f = probe.FormatName;
    if (f != "BMP" && f != "JPG" && f != "GIF" && f != "PNG" && f != "TIF")
        return Failed(DecodeStatus::Corrupt, "无法识别的图片文件");
    if (f == "JPG") {
        out.status = DecodeJpeg(bytes, out.picture, out.message, minWidth, minHeight);
        if (out.status == DecodeStatus::Corrupt && CurrentImageCodec()) {
            // Variants libjpeg does not read (for example arithmetic coding
            // in an old build) may still be read by the platform codec.
            std::string again;
            if (CurrentImageCodec()->Decode(bytes, out.picture, again) == DecodeStatus::Ok) {
                out.status = DecodeStatus::Ok;
                out.message.clear();
            }
        }
        return out;
    }
    if (probe.Width > 0 && probe.Height > 0 && !DecodedSizeAllowed(probe.Width, probe.Height))
        return Failed(DecodeStatus::TooLarge, TooLargeMessage(probe.Width, probe.Height));
    ImageCodec* codec = CurrentImageCodec();
    if (!codec)
        return Failed(DecodeStatus::Unsupported, "没有可用的图片解码器");
    out.status = codec->Decode(bytes, out.picture, out.message);
    return out;
}

LoadedImage LoadImageFile(const std::string& path, int32_t minWidth, int32_t minHeight) {
    ImageRoute route = RouteForPath(path);
    if (route == ImageRoute::None)
        return Failed(DecodeStatus::Unsupported, "不支持的图片格式：" + path);
    auto size = FileSize(path);
    if (!size)
        return Failed(DecodeStatus::Corrupt, "找不到图片文件或无法读取：" + path);
    if (*size > kMaxImageFileBytes)
        return Failed(DecodeStatus::TooLarge, "图片文件太大，无法载入：" + path);
    auto bytes = ReadWholeFile(path, kMaxImageFileBytes);
    if (!bytes)
        return Failed(DecodeStatus::Corrupt, "找不到图片文件或无法读取：" + path);
    return LoadImageBytes(*bytes, route, minWidth, minHeight);
}

Picture PremultiplyTga(const Picture& colours, std::span<const uint8_t> alpha) {
    Picture p;
    p.hasAlpha = true;
    p.pixels.Resize(colours.width(), colours.height());
    for (int32_t y = 0; y < p.height(); ++y) {
        const uint32_t* s = colours.pixels.row(y);
        const uint8_t* a = alpha.data() + static_cast<size_t>(y) * p.width();
        uint32_t* d = p.pixels.row(y);
        for (int32_t x = 0; x < p.width(); ++x) {
            uint32_t al = a[x], c = s[x];
            auto mul = [al](uint32_t v) { return (v * al + 127) / 255; };
            d[x] =
                al << 24 | mul((c >> 16) & 0xFF) << 16 | mul((c >> 8) & 0xFF) << 8 | mul(c & 0xFF);
        }
    }
    return p;
}

bool LoadThumbnail(const std::string& path, int32_t maxWidth, int32_t maxHeight, Picture& out,
                   std::string& message) {
    if (maxWidth <= 0 || maxHeight <= 0) {
        message = "缩略图尺寸无效";
        return false;
    }
    // The fitted size, known from the header, lets a JPEG decode at a
    // fraction of its size.
    int32_t minW = 0, minH = 0;
    ImageProbeResult probe = ProbeImageFile(path, true);
    if (probe.Width > 0 && probe.Height > 0) {
        Rect fit = (probe.Width <= maxWidth && probe.Height <= maxHeight)
                       ? Rect{0, 0, probe.Width, probe.Height}
                       : RoundedRect(FitPlacement(maxWidth, maxHeight, probe.Width, probe.Height));
        minW = std::max(fit.w, 1);
        minH = std::max(fit.h, 1);
    }
    LoadedImage img = LoadImageFile(path, minW, minH);
    if (!img.ok()) {
        message = img.message;
        return false;
    }
    Picture pic =
        img.tgaAlpha.empty() ? std::move(img.picture) : PremultiplyTga(img.picture, img.tgaAlpha);
    if (pic.width() <= maxWidth && pic.height() <= maxHeight) {
        out = std::move(pic);
        return true;
    }
    Rect fit = RoundedRect(FitPlacement(maxWidth, maxHeight, pic.width(), pic.height()));
    fit.w = std::clamp(fit.w, 1, maxWidth);
    fit.h = std::clamp(fit.h, 1, maxHeight);
    out.hasAlpha = pic.hasAlpha;
    out.pixels.Resize(fit.w, fit.h);
    Stretch(out.pixels, {0, 0, fit.w, fit.h}, pic.pixels, pic.pixels.bounds(), StretchFilter::Box);
    return true;
}

bool SaveSurfaceAsJpeg(const Surface& surface, const std::string& path, int quality) {
    std::vector<uint8_t> bytes;
    if (!EncodeJpeg(surface, quality, bytes))
        return false;
    return WriteFileAtomically(path, bytes);
}

bool SavePictureAsPng(const Picture& picture, const std::string& path) {
    ImageCodec* codec = CurrentImageCodec();
    return codec && codec->EncodePng(picture, path);
}

bool ConvertImageFile(const std::string& sourcePath, const std::string& targetPath,
                      const std::string& sourceExt, const std::string& targetExt, int quality,
                      std::string& message) {
    const std::string src = Upper(sourceExt), dst = Upper(targetExt);
    ImageRoute route;
    if (src == "BMP")
        route = ImageRoute::Codec;
    else if (src == "PCX")
        route = ImageRoute::Pcx;
    else if (src == "TGA")
        route = ImageRoute::Tga;
    else {
        message = "只转换 BMP、PCX 和 TGA 图片：" + sourcePath;
        return false;
    }
    if (dst != "JPG" && dst != "PNG") {
        message = "只能转换为 JPG 或 PNG：" + targetPath;
        return false;
    }
    auto size = FileSize(sourcePath);
    auto bytes = size && *size <= kMaxImageFileBytes ? ReadWholeFile(sourcePath, kMaxImageFileBytes)
                                                     : std::nullopt;
    if (!bytes) {
        message = "找不到图片文件或无法读取：" + sourcePath;
        return false;
    }
    LoadedImage img = LoadImageBytes(*bytes, route);
    if (!img.ok()) {
        message = img.message;
        return false;
    }
    if (!img.tgaAlpha.empty()) {
        message = "32 位 TGA 图片不转换：" + sourcePath;
        return false;
    }
    bool written = dst == "JPG" ? SaveSurfaceAsJpeg(img.picture.pixels, targetPath, quality)
                                : SavePictureAsPng(img.picture, targetPath);
    if (!written)
        message = "无法写入图片文件：" + targetPath;
    return written;
}

}  // namespace velmora::render
