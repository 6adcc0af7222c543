// velmora image probe FILE        format, size and bit depth of a picture
// velmora image convert IN OUT    decode IN, write OUT as PNG or JPEG (by OUT's extension)
// velmora compose PROJECT --slide N --size WxH [--screen WxH] -o OUT
//                                 one slide composed as the video export does
#include <filesystem>
#include <iostream>
#include <string>

#include "app/cli/Cli.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "project/Project.h"
#include "project/SettingsStore.h"
#include "render/Composer.h"
#include "render/ImageLoader.h"
#include "render/ImageProbe.h"
#include "render/qt/QtImageCodec.h"

namespace velmora::cli {

namespace {

using namespace velmora::render;

std::string Absolute(const std::string& path) {
    std::error_code ec;
    auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.string();
}

bool ParseSize(const std::string& s, int32_t& w, int32_t& h) {
    size_t x = s.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 >= s.size())
        return false;
    try {
        size_t n1 = 0, n2 = 0;
        long a = std::stol(s.substr(0, x), &n1), b = std::stol(s.substr(x + 1), &n2);
        if (n1 != x || n2 != s.size() - x - 1 || a < 1 || b < 1 || a > 16384 || b > 16384)
            return false;
        w = static_cast<int32_t>(a);
        h = static_cast<int32_t>(b);
        return true;
    } catch (...) {
        return false;
    }
}

// Writes the picture by the target's extension: PNG lossless, JPG at the
// package quality.
bool WriteByExtension(const Picture& picture, const std::string& path) {
    const std::string ext = FileTypeOf(path);
    if (ext == "PNG")
        return SavePictureAsPng(picture, path);
    if (ext == "JPG" || ext == "PEG")
        return SaveSurfaceAsJpeg(picture.pixels, path, kPackageJpegQuality);
    return false;
}

int Probe(const std::string& file) {
    ImageProbeResult r = ProbeImageFile(Absolute(file), true);
    if (!r.known()) {
        Error("不是支持的图片文件：" + file);
        return 1;
    }
    std::cout << r.FormatName << " " << r.Width << "x" << r.Height << " " << r.BitDepth
              << std::endl;
    return 0;
}

int Convert(const std::string& in, const std::string& out) {
    const std::string ext = FileTypeOf(out);
    if (ext != "PNG" && ext != "JPG" && ext != "PEG") {
        Error("输出文件必须是 .png 或 .jpg：" + out);
        return 2;
    }
    LoadedImage img = LoadImageFile(in);
    if (!img.ok()) {
        Error(img.message.empty() ? "无法载入图片：" + in : img.message);
        return 1;
    }
    // A 32-bit TGA keeps its alpha in a PNG; a JPEG takes its colours.
    Picture pic = img.tgaAlpha.empty() || ext != "PNG" ? std::move(img.picture)
                                                       : PremultiplyTga(img.picture, img.tgaAlpha);
    if (!WriteByExtension(pic, out)) {
        Error("无法写入图片文件：" + out);
        return 1;
    }
    return 0;
}

}  // namespace

int RunImageCommand(Args args) {
    InstallQtImageCodec();
    if (args.size() == 2 && args[0] == "probe")
        return Probe(args[1]);
    if (args.size() == 3 && args[0] == "convert")
        return Convert(args[1], args[2]);
    return UsageError("image");
}

int RunComposeCommand(Args args) {
    InstallQtImageCodec();
    std::string projectPath, outPath;
    int32_t slide = 0, width = 0, height = 0;
    ProjectEnvironment env;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--slide" && hasValue) {
            try {
                slide = std::stoi(args[++i]);
            } catch (...) {
                return UsageError("compose");
            }
        } else if (a == "--size" && hasValue) {
            if (!ParseSize(args[++i], width, height))
                return UsageError("compose");
        } else if (a == "--screen" && hasValue) {
            if (!ParseSize(args[++i], env.screenW, env.screenH))
                return UsageError("compose");
        } else if (a == "-o" && hasValue) {
            outPath = args[++i];
        } else if (projectPath.empty() && !a.starts_with("-")) {
            projectPath = a;
        } else {
            return UsageError("compose");
        }
    }
    if (projectPath.empty() || outPath.empty() || width == 0 || slide == 0)
        return UsageError("compose");
    const std::string ext = FileTypeOf(outPath);
    if (ext != "PNG" && ext != "JPG" && ext != "PEG") {
        Error("输出文件必须是 .png 或 .jpg：" + outPath);
        return 2;
    }
    SettingsStore store;
    Project project = MakeDefaultProject(env);
    if (!store.LoadSettingsFile(projectPath) || !ReadProjectSettings(project, store, env, false)) {
        Error("无法读取工程文件：" + projectPath);
        return 1;
    }
    if (slide < 1 || slide > project.NowI()) {
        Error("工程中没有第 " + std::to_string(slide) + " 张图片（共 " +
              std::to_string(project.NowI()) + " 张）");
        return 1;
    }
    // Design-to-frame scales as the video timeline computes them.
    FrameScale scale;
    scale.sx = static_cast<double>(width) / env.screenW;
    scale.sy = static_cast<double>(height) / env.screenH;
    if (scale.sx > 0.9 && scale.sx < 1.1 && scale.sy > 0.9 && scale.sy < 1.1)
        scale.sx = scale.sy = scale.uniform = 1.0;
    else
        scale.uniform = std::min(scale.sx, scale.sy);

    Picture frame;
    frame.pixels.Resize(width, height);
    Composer composer;  // no text renderer yet: captions are not drawn
    composer.ComposePhotoSlide(project, slide, frame.pixels, scale);
    if (!WriteByExtension(frame, outPath)) {
        Error("无法写入图片文件：" + outPath);
        return 1;
    }
    return 0;
}

}  // namespace velmora::cli
