// velmora transition --list
// velmora transition CODE [--variant V] --from A --to B --size WxH --frames DIR [--seed S]
// velmora text-effect --list
// velmora text-effect CODE [--variant V] --background A --text TEXT [--project P.aps]
//                     --size WxH --frames DIR [--seed S]
//
// Runs an effect in video mode and writes every frame it hands to the frame
// sink as DIR/000001.png, DIR/000002.png, ...; prints the frame count.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/cli/Cli.h"
#include "project/Project.h"
#include "project/SettingsStore.h"
#include "render/ImageLoader.h"
#include "render/effects/Headline.h"
#include "render/effects/TextEffects.h"
#include "render/effects/Transitions.h"
#include "render/qt/QtImageCodec.h"
#include "render/qt/QtTextRenderer.h"

namespace velmora::cli {

namespace {

using namespace velmora::render;
using namespace velmora::render::effects;

template <class Table>
int List(const Table& table) {
    for (const auto& kind : table) {
        std::cout << kind.code << '\t' << kind.entry.text << '\t' << kind.entry.variants << '\t'
                  << (kind.entry.needsDirect3D ? "#" : "") << '\n';
    }
    return 0;
}

std::optional<int64_t> Number(const std::string& s) {
    try {
        size_t n = 0;
        long long v = std::stoll(s, &n);
        if (n != s.size())
            return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

// WxH, both even and at least 2 (the sizes of video frames).
bool ParseFrameSize(const std::string& s, int32_t& w, int32_t& h, std::string& problem) {
    size_t x = s.find_first_of("xX");
    auto a = x == std::string::npos ? std::nullopt : Number(s.substr(0, x));
    auto b = x == std::string::npos ? std::nullopt : Number(s.substr(x + 1));
    if (!a || !b || *a < 1 || *b < 1 || *a > 16384 || *b > 16384) {
        problem = "帧尺寸无效：" + s + "（应为 宽x高，例如 640x480）";
        return false;
    }
    if (*a % 2 != 0 || *b % 2 != 0) {
        problem = "帧尺寸 " + s + " 无效：视频帧的宽度和高度必须是不小于 2 的偶数";
        return false;
    }
    w = static_cast<int32_t>(*a);
    h = static_cast<int32_t>(*b);
    return true;
}

// A picture of exactly the frame's size.
bool LoadFramePicture(const std::string& path, int32_t w, int32_t h, Surface& out) {
    LoadedImage img = LoadImageFile(path);
    if (!img.ok()) {
        Error("无法载入图片：" + path + (img.message.empty() ? "" : "（" + img.message + "）"));
        return false;
    }
    if (img.picture.width() != w || img.picture.height() != h) {
        Error("图片 " + path + " 的尺寸是 " + std::to_string(img.picture.width()) + "x" +
              std::to_string(img.picture.height()) + "，与帧尺寸 " + std::to_string(w) + "x" +
              std::to_string(h) + " 不同");
        return false;
    }
    // Frames are opaque: a picture with transparency is shown over black.
    out.Resize(w, h, 0xFF000000u);
    if (img.picture.hasAlpha)
        DrawPremultiplied(out, 0, 0, img.picture.pixels, img.picture.pixels.bounds());
    else
        out = img.picture.pixels;
    return true;
}

// The frame writer of the command line: numbered PNG files in a folder.
class PngFrames {
  public:
    explicit PngFrames(std::string dir) : dir_(std::move(dir)) {}
    bool Write(const Surface& frame) {
        char name[32];
        std::snprintf(name, sizeof name, "/%06lld.png", static_cast<long long>(++count_));
        picture_.pixels = frame;
        if (!SavePictureAsPng(picture_, dir_ + name)) {
            Error("无法写入帧文件：" + dir_ + name);
            failed_ = true;
            return false;
        }
        return true;
    }
    int64_t count() const { return count_; }
    bool failed() const { return failed_; }

  private:
    std::string dir_;
    Picture picture_;
    int64_t count_ = 0;
    bool failed_ = false;
};

bool MakeFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) {
        Error("无法创建输出文件夹：" + dir);
        return false;
    }
    return true;
}

struct EffectArgs {
    std::optional<int64_t> code, variant, seed;
    std::string from, to, text, project, frames;
    bool textGiven = false;
    int32_t w = 0, h = 0;
    bool sized = false;
};

// Parses the options shared by both commands; returns 0 or an exit status.
int ParseEffectArgs(const char* group, Args args, EffectArgs& e) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (!hasValue && a.starts_with("--"))
            return UsageError(group);
        if (a == "--variant" || a == "--seed") {
            auto v = Number(args[++i]);
            if (!v) {
                Error(std::string(a == "--variant" ? "变化方式" : "随机种子") + "不是整数：" +
                      args[i]);
                return 2;
            }
            (a == "--variant" ? e.variant : e.seed) = v;
        } else if (a == "--from" || a == "--background") {
            e.from = args[++i];
        } else if (a == "--to") {
            e.to = args[++i];
        } else if (a == "--text") {
            e.text = args[++i];
            e.textGiven = true;
        } else if (a == "--project") {
            e.project = args[++i];
        } else if (a == "--frames") {
            e.frames = args[++i];
        } else if (a == "--size") {
            std::string problem;
            if (!ParseFrameSize(args[++i], e.w, e.h, problem)) {
                Error(problem);
                return 2;
            }
            e.sized = true;
        } else if (!e.code && !a.starts_with("-")) {
            e.code = Number(a);
            if (!e.code) {
                Error("效果编号不是整数：" + a);
                return 2;
            }
        } else {
            return UsageError(group);
        }
    }
    return 0;
}

// Checks code and variant against a catalogue entry count.
template <class Table>
bool CheckCode(const Table& table, const EffectArgs& e, const char* what) {
    const int64_t n = static_cast<int64_t>(table.size());
    if (*e.code < 0 || *e.code >= n) {
        Error(std::string(what) + "编号 " + std::to_string(*e.code) + " 超出范围（0 到 " +
              std::to_string(n - 1) + "）");
        return false;
    }
    const int32_t variants = table[static_cast<size_t>(*e.code)].entry.variants;
    const int64_t v = e.variant.value_or(0);
    if (v < 0 || v >= variants) {
        Error(std::string(what) + " " + std::to_string(*e.code) + " 的变化方式 " +
              std::to_string(v) + " 超出范围（0 到 " + std::to_string(variants - 1) + "）");
        return false;
    }
    return true;
}

int Report(EffectResult result, const PngFrames& frames) {
    if (frames.failed())
        return 1;
    if (result != EffectResult::Finished) {
        Error("效果没有完成");
        return 1;
    }
    std::cout << frames.count() << std::endl;
    return 0;
}

}  // namespace

int RunTransitionCommand(Args args) {
    if (args.size() == 1 && args[0] == "--list")
        return List(kTransitions);
    InstallQtImageCodec();
    EffectArgs e;
    if (int st = ParseEffectArgs("transition", args, e))
        return st;
    if (!e.code || e.from.empty() || e.to.empty() || !e.sized || e.frames.empty() || e.textGiven ||
        !e.project.empty())
        return UsageError("transition");
    if (!CheckCode(kTransitions, e, "切换效果"))
        return 2;
    Surface dst, next;
    if (!LoadFramePicture(e.from, e.w, e.h, dst) || !LoadFramePicture(e.to, e.w, e.h, next))
        return 1;
    if (!MakeFolder(e.frames))
        return 1;
    PngFrames frames(e.frames);
    FrameSink sink([&](const Surface& s) { return frames.Write(s); });
    EffectRandom random;
    if (e.seed)
        random.Seed(static_cast<uint64_t>(*e.seed));
    TransitionScratch scratch;
    EffectResult r =
        PlayTransition(static_cast<int32_t>(*e.code), static_cast<int32_t>(e.variant.value_or(0)),
                       dst, next, scratch, sink, random, TransitionTileSize(e.w));
    return Report(r, frames);
}

int RunTextEffectCommand(Args args) {
    if (args.size() == 1 && args[0] == "--list")
        return List(kTextEffects);
    InstallQtImageCodec();
    EffectArgs e;
    if (int st = ParseEffectArgs("text-effect", args, e))
        return st;
    if (!e.code || e.from.empty() || !e.textGiven || !e.sized || e.frames.empty() || !e.to.empty())
        return UsageError("text-effect");
    if (!CheckCode(kTextEffects, e, "动态文字效果"))
        return 2;
    EnsureGuiApplication();
    // The headline's style and place: the project's first photo, or a new
    // project's defaults.
    ProjectEnvironment env;
    Project project = MakeDefaultProject(env);
    if (!e.project.empty()) {
        SettingsStore store;
        if (!store.LoadSettingsFile(e.project) ||
            !ReadProjectSettings(project, store, env, false)) {
            Error("无法读取工程文件：" + e.project);
            return 1;
        }
    }
    PhotoEntry photo = project.photos.empty() ? PhotoEntry{} : project.photos.front();
    if (project.photos.empty())
        ApplyHeadlineDefaults(photo, project, env);
    photo.Headline = e.text;
    const FrameScale scale = ScaleToFrame(e.w, e.h, env.screenW, env.screenH);

    Surface dst;
    if (!LoadFramePicture(e.from, e.w, e.h, dst))
        return 1;
    if (!MakeFolder(e.frames))
        return 1;
    PngFrames frames(e.frames);
    FrameSink sink([&](const Surface& s) { return frames.Write(s); });
    EffectRandom random;
    if (e.seed)
        random.Seed(static_cast<uint64_t>(*e.seed));
    TextEffectScratch scratch;
    QtTextRenderer text;
    EffectResult r =
        PlayTextEffect(static_cast<int32_t>(*e.code), static_cast<int32_t>(e.variant.value_or(0)),
                       dst, scratch, sink, random, text, HeadlineRequest(project, photo, scale));
    return Report(r, frames);
}

}  // namespace velmora::cli
