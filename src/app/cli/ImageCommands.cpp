// velmora image probe FILE        format, size and bit depth of a picture
// velmora image convert IN OUT    decode IN, write OUT as PNG or JPEG (by OUT's extension)
// velmora compose PROJECT --slide N|opening|ending --size WxH [--screen WxH]
//                 [--time SECONDS] -o OUT
//                                 one slide composed as the video export does:
//                                 photo, caption, the headline standing, the
//                                 lyric line of that time; or a title
// velmora text PROJECT --slot N --text TEXT --size WxH -o OUT.png
//                                 TEXT in the slot's style in a WxH rectangle
#include <filesystem>
#include <iostream>
#include <string>

#include "app/AppPaths.h"
#include "app/cli/Cli.h"
#include "audio/SongLength.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "base/Rounding.h"
#include "editor/SlideTiming.h"
#include "package/ResourcePack.h"
#include "project/Lyrics.h"
#include "project/Project.h"
#include "project/SettingsStore.h"
#include "render/Composer.h"
#include "render/ImageLoader.h"
#include "render/ImageProbe.h"
#include "render/qt/QtImageCodec.h"
#include "render/qt/QtTextRenderer.h"

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

namespace {

// The rainbow texture: the resource pack's entry, else Mask/rainbow.jpg
// beside the program.
std::vector<uint8_t> RainbowTexture() {
    const AppPaths paths = ResolveAppPaths();
    ResourcePack pack;
    if (pack.Open(paths.ResourcePack()))
        if (auto bytes = pack.Read("rainbow.jpg"))
            return *bytes;
    return ReadWholeFile(paths.Mask() + "rainbow.jpg", 16u << 20).value_or(std::vector<uint8_t>{});
}

bool LoadProject(const std::string& path, Project& project, const ProjectEnvironment& env) {
    SettingsStore store;
    project = MakeDefaultProject(env);
    if (!store.LoadSettingsFile(path) || !ReadProjectSettings(project, store, env, false)) {
        Error("无法读取工程文件：" + path);
        return false;
    }
    return true;
}

bool OpeningShown(const Project& p) {
    return p.EnableOpening && (!p.TitleText[0].empty() || p.OpeningImage.size() >= 8);
}

// Seconds from the start of the show to the start of photo slide n (the
// first pass over the photos).
double SlideStartSeconds(const Project& project, const std::vector<double>& songSeconds,
                         int32_t n) {
    editor::TimingInput in;
    in.enableSync = project.EnableSync;
    in.timeInterval = project.TimeInterval;
    for (const auto& p : project.photos)
        in.slideDurations.push_back(p.SlideDuration);
    in.openingShown = OpeningShown(project);
    in.openingSeconds = project.OpeningDurationTime;
    in.endingShown = false;
    in.songSeconds = songSeconds;
    const editor::TimingPlan plan = editor::PlanSlideTiming(in);
    double t = plan.openingSeconds;
    for (size_t k = 0; k < plan.slides.size() && k + 1 < static_cast<size_t>(n); ++k)
        t += plan.slides[k].seconds;
    return t;
}

// The lyric line sung at `seconds` from the start of the show: the songs
// follow each other from the end of the opening; the song playing then
// shows its paired lyric file's line.
void DrawLyricAt(Composer& composer, const Project& project, const std::vector<double>& songSeconds,
                 double seconds, Surface& frame, const FrameScale& scale) {
    if (!project.EnableLyric || project.lyricFiles.empty() || songSeconds.empty())
        return;
    const std::vector<std::string> paired = PairLyricFiles(project.songs, project.lyricFiles);
    double start = OpeningShown(project) ? nearest(project.OpeningDurationTime) : 0;
    for (size_t i = 0; i < songSeconds.size() && i < paired.size(); ++i) {
        const double end = start + songSeconds[i];
        if (seconds >= start && seconds <= end) {
            ParsedLyrics lyrics;
            if (paired[i].empty() || !ParseLyricFile(paired[i], lyrics))
                return;
            composer.DrawLyricLines(project, lyrics, nearest((seconds - start) * 100),
                                    nearest(songSeconds[i] * 100), frame, scale);
            return;
        }
        start = end;
    }
}

bool ImageOutput(const std::string& outPath) {
    const std::string ext = FileTypeOf(outPath);
    if (ext != "PNG" && ext != "JPG" && ext != "PEG") {
        Error("输出文件必须是 .png 或 .jpg：" + outPath);
        return false;
    }
    return true;
}

}  // namespace

int RunComposeCommand(Args args) {
    InstallQtImageCodec();
    std::string projectPath, outPath, slideText;
    int32_t width = 0, height = 0;
    double time = -1;
    ProjectEnvironment env;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--slide" && hasValue) {
            slideText = args[++i];
        } else if (a == "--time" && hasValue) {
            try {
                size_t used = 0;
                time = std::stod(args[++i], &used);
                if (used != args[i].size() || !(time >= 0) || time > 1e7)
                    return UsageError("compose");
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
    if (projectPath.empty() || outPath.empty() || width == 0 || slideText.empty())
        return UsageError("compose");
    if (!ImageOutput(outPath))
        return 2;
    Project project;
    if (!LoadProject(projectPath, project, env))
        return 1;
    // --slide: a photo number, "opening" (or 0) for the opening title,
    // "ending" (or "last") for the ending title.
    int32_t slide = 0, title = 0;
    if (slideText == "opening" || slideText == "0") {
        title = 1;
    } else if (slideText == "ending" || slideText == "last") {
        title = 2;
    } else {
        try {
            size_t used = 0;
            slide = std::stoi(slideText, &used);
            if (used != slideText.size())
                return UsageError("compose");
        } catch (...) {
            return UsageError("compose");
        }
        if (slide < 1 || slide > project.NowI()) {
            Error("工程中没有第 " + std::to_string(slide) + " 张图片（共 " +
                  std::to_string(project.NowI()) + " 张）");
            return 1;
        }
    }
    const FrameScale scale = ScaleToFrame(width, height, env.screenW, env.screenH);

    EnsureGuiApplication();
    QtTextRenderer text(RainbowTexture());
    Picture frame;
    frame.pixels.Resize(width, height);
    Composer composer(&text);
    std::vector<double> songSeconds;
    if (project.EnableLyric && !project.lyricFiles.empty()) {
        for (const std::string& song : project.songs) {
            auto d = audio::SongLength(song);
            if (!d) {
                songSeconds.clear();
                break;
            }
            songSeconds.push_back(*d);
        }
    }
    if (title != 0) {
        composer.ComposeTitle(project, title, frame.pixels, scale);
        if (time >= 0)
            DrawLyricAt(composer, project, songSeconds, time, frame.pixels, scale);
    } else {
        composer.ComposePhotoSlide(project, slide, frame.pixels, scale);
        composer.DrawHeadline(project, slide, frame.pixels, scale);
        DrawLyricAt(composer, project, songSeconds,
                    time >= 0 ? time : SlideStartSeconds(project, songSeconds, slide), frame.pixels,
                    scale);
    }
    if (!WriteByExtension(frame, outPath)) {
        Error("无法写入图片文件：" + outPath);
        return 1;
    }
    return 0;
}

int RunTextCommand(Args args) {
    InstallQtImageCodec();
    std::string projectPath, outPath, textArg;
    bool haveText = false;
    int32_t slot = 0, width = 0, height = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--slot" && hasValue) {
            const std::string& v = args[++i];
            if (v.size() != 1 || v[0] < '1' || v[0] > '4')
                return UsageError("text");
            slot = v[0] - '0';
        } else if (a == "--text" && hasValue) {
            textArg = args[++i];
            haveText = true;
        } else if (a == "--size" && hasValue) {
            if (!ParseSize(args[++i], width, height))
                return UsageError("text");
        } else if (a == "-o" && hasValue) {
            outPath = args[++i];
        } else if (projectPath.empty() && !a.starts_with("-")) {
            projectPath = a;
        } else {
            return UsageError("text");
        }
    }
    if (projectPath.empty() || outPath.empty() || width == 0 || slot == 0 || !haveText)
        return UsageError("text");
    if (!ImageOutput(outPath))
        return 2;
    ProjectEnvironment env;
    Project project;
    if (!LoadProject(projectPath, project, env))
        return 1;
    const TextStyle& st = project.style(slot);
    TextDrawRequest r;
    r.text = textArg;
    r.alignment = st.fFontAlign;
    r.fontName = st.fFontName;
    r.emSize = st.fFontSize;
    r.fontStyle = st.fFontStyle;
    r.width = width;
    r.height = height;
    r.borderWidth = st.fBorderWidth;
    r.fillPattern = st.fFontPattern;
    r.firstColour = ToArgb(st.FontStartColor, 255);
    r.secondColour = ToArgb(st.FontEndColor, 255);
    r.borderColour = ToArgb(st.BorderColor, 170);
    EnsureGuiApplication();
    QtTextRenderer text(RainbowTexture());
    Picture frame;
    frame.pixels.Resize(width, height);
    text.DrawText(frame.pixels, r);
    if (!WriteByExtension(frame, outPath)) {
        Error("无法写入图片文件：" + outPath);
        return 1;
    }
    return 0;
}

}  // namespace velmora::cli
