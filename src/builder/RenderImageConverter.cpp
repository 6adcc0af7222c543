#include "builder/RenderImageConverter.h"

#include "base/FileUtil.h"
#include "base/TextCodec.h"
#include "render/ImageLoader.h"
#include "render/ImageProbe.h"

namespace velmora {

int RenderImageConverter::ProbeBitDepth(const std::string& path) {
    return render::ProbeImageFile(path, true).BitDepth;
}

bool RenderImageConverter::Convert(const std::string& source, const std::string& destination,
                                   const std::string& sourceType, const std::string& targetType,
                                   int quality) {
    const std::string src = AsciiUpper(sourceType), dst = AsciiUpper(targetType);
    render::ImageRoute route;
    if (src == "BMP")
        route = render::ImageRoute::Codec;
    else if (src == "PCX")
        route = render::ImageRoute::Pcx;
    else if (src == "TGA")
        route = render::ImageRoute::Tga;
    else
        return false;
    if (dst != "JPG" && dst != "PNG")
        return false;
    auto bytes = ReadWholeFile(source, render::kMaxImageFileBytes);
    if (!bytes)
        return false;
    render::LoadedImage img = render::LoadImageBytes(*bytes, route);
    bytes.reset();
    if (!img.ok())
        return false;
    if (dst == "JPG")
        return render::SaveSurfaceAsJpeg(img.picture.pixels, destination, quality);
    // PNG keeps a 32-bit TGA's transparency.
    render::Picture picture = img.tgaAlpha.empty()
                                  ? std::move(img.picture)
                                  : render::PremultiplyTga(img.picture, img.tgaAlpha);
    return render::SavePictureAsPng(picture, destination);
}

}  // namespace velmora
