#include "builder/PackageBuild.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "base/AppInfo.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"
#include "builder/PackageFiles.h"
#include "package/PackageReader.h"
#include "package/PeResources.h"
#include "package/ResourcePack.h"

namespace velmora {

const char* const kButtonImageNames[11] = {
    "btn_close", "btn_min",  "btn_music_next", "btn_mute_off", "btn_mute_on", "btn_next",
    "btn_pause", "btn_play", "btn_prev",       "btn_size",     "btn_scale"};

namespace {

namespace fs = std::filesystem;

constexpr const char* kLibraryName = "d3dx9_42.dll";
constexpr const char* kStubName = "Mirb.bfq";
constexpr const char* kAdvice = "建议你先退出程序，再重新创建文件";
constexpr const char* kCancelledText = "已取消创建图片幻灯，未保存任何文件";
constexpr int kJpegQuality = 92;

// A failure of the build: the number and description shown to the user.
struct BuildFailure {
    int code;
    std::string description;
};

struct Cancelled {};

// File name without folder and extension, upper-cased (lyric matching).
std::string StemUpper(const std::string& path) {
    std::string name = path;
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name = name.substr(0, dot);
    return AsciiUpper(name);
}

void RemoveFile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

class Builder {
  public:
    Builder(Project& p, const BuildOptions& o, BuildHost& h, Progress& pr, ImageConverter& c,
            SongTimer& s)
        : project_(p), opt_(o), host_(h), progress_(pr), converter_(c), songs_(s) {
        folder_ = WithTrailingSlash(o.programFolder);
        data_ = o.dataFolder.empty() ? folder_ : WithTrailingSlash(o.dataFolder);
        temp_ = data_ + "Temp/";
    }

    BuildResult Run();

  private:
    void CheckCancel() {
        if (progress_.Cancelled())
            throw Cancelled{};
    }
    void Embed(const std::string& name, const std::string& path) {
        if (!store_.WriteEmbeddedFile(name, path))
            throw BuildFailure{53, "文件未找到：" + path};
        // Offsets and sizes are Long settings: the media area stays below 2 GiB.
        if (store_.mediaOffset() > static_cast<uint32_t>(INT32_MAX))
            throw BuildFailure{6, "溢出：嵌入文件的总大小超过 2 GB"};
    }
    void EmbedImageSetting(const std::string& name, const std::string& path);
    std::vector<std::string> PreparePhotos();
    void WriteSettings();
    void WriteMediaSettings(const std::vector<std::string>& workPhotos);

    Project& project_;
    const BuildOptions& opt_;
    BuildHost& host_;
    Progress& progress_;
    ImageConverter& converter_;
    SongTimer& songs_;
    std::string folder_, data_, temp_;
    SettingsStore store_;
};

void Builder::EmbedImageSetting(const std::string& name, const std::string& path) {
    if (!NamesFile(path))
        return;
    std::string t = FileTypeOf(path);
    std::string file = path;
    std::string target;
    if (t == "BMP" || t == "PCX") {
        target = "JPG";
    } else if (t == "TGA") {
        target = converter_.ProbeBitDepth(path) == 32 ? "PNG" : "JPG";
    }
    if (!target.empty()) {
        file = temp_ + name + (target == "PNG" ? ".png" : ".jpg");
        if (!FileExists(path))
            throw BuildFailure{53, "文件未找到：" + path};
        if (!converter_.Convert(path, file, t, target, kJpegQuality))
            throw BuildFailure{481, "图片无效，无法转换：" + path};
    }
    Embed(name, file);
    host_.PumpEvents();
}

std::vector<std::string> Builder::PreparePhotos() {
    const size_t n = project_.photos.size();
    std::vector<std::string> work(n);
    struct Task {
        size_t index;
        std::string source, dest, type;
    };
    std::vector<Task> tasks;
    for (size_t i = 0; i < n; ++i) {
        const std::string& path = project_.photos[i].ImgName;
        work[i] = path;
        if (PhotoNeedsConversion(path, converter_)) {
            std::string dest = temp_ + "Img" + std::to_string(i + 1) + ".jpg";
            tasks.push_back({i, path, dest, FileTypeOf(path)});
            work[i] = dest;
        }
    }
    // The conversions run on every core; this thread keeps the progress
    // overlay and the window alive and watches the cancel button.
    std::vector<char> done(n, 1);
    for (const auto& t : tasks)
        done[t.index] = 0;
    std::mutex mu;
    std::condition_variable cv;
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::optional<BuildFailure> failure;
    auto worker = [&] {
        for (;;) {
            size_t k = next.fetch_add(1);
            if (k >= tasks.size() || stop.load())
                return;
            const Task& t = tasks[k];
            bool ok = FileExists(t.source) &&
                      converter_.Convert(t.source, t.dest, t.type, "JPG", kJpegQuality);
            std::lock_guard<std::mutex> lock(mu);
            if (!ok && !failure) {
                failure = FileExists(t.source)
                              ? BuildFailure{481, "图片无效，无法转换：" + t.source}
                              : BuildFailure{53, "文件未找到：" + t.source};
                stop = true;
            }
            done[t.index] = 1;
            cv.notify_all();
        }
    };
    unsigned threads = opt_.conversionThreads ? opt_.conversionThreads
                                              : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<size_t>(threads, tasks.size()));
    std::vector<std::thread> pool;
    for (unsigned k = 0; k < threads; ++k)
        pool.emplace_back(worker);
    auto joinAll = [&] {
        stop = true;
        for (auto& th : pool)
            th.join();
        pool.clear();
    };
    try {
        // Progress follows the photo order: photo i counts once it and every
        // photo before it are ready.
        size_t shown = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mu);
                // Wait only while the next photo in order is not ready.
                if (shown < n && !done[shown] && !failure)
                    cv.wait_for(lock, std::chrono::milliseconds(30));
                if (failure)
                    break;
                while (shown < n && done[shown])
                    ++shown;
            }
            progress_.ShowProgress(
                nearest(static_cast<double>(shown) / static_cast<double>(n) * 100), "准备中...");
            host_.PumpEvents();
            CheckCancel();
            if (shown == n)
                break;
        }
    } catch (...) {
        joinAll();
        throw;
    }
    joinAll();
    if (failure)
        throw *failure;
    return work;
}

void Builder::WriteSettings() {
    const Project& p = project_;
    auto B = [&](const char* k, bool v) { store_.WriteSetting(k, Value::Boolean(v)); };
    auto L = [&](const std::string& k, int32_t v) { store_.WriteSetting(k, Value::Long(v)); };
    auto T = [&](const std::string& k, const std::string& v) {
        store_.WriteSetting(k, Value::Text(v));
    };

    T("StyleSelect", p.StyleSelectText());
    if (!p.TitleText[0].empty())
        T("TitleText(1)", p.TitleText[0]);
    if (!p.TitleText[1].empty())
        T("TitleText(2)", p.TitleText[1]);
    B("PlayPhotoInRamdomOrder", p.PlayPhotoInRamdomOrder);
    B("IgnoreMouseMove", p.IgnoreMouseMove);
    B("ShowCursor", p.ShowCursor);
    B("EnableFloating", p.EnableFloating);
    B("MuteSound", p.MuteSound);
    B("EnableTransition", p.EnableTransition);
    B("EnableHeadlineEffect", p.EnableHeadlineEffect);
    B("EnableOpening", p.EnableOpening);
    B("EnableEnding", p.EnableEnding);
    B("IsPackage", p.IsPackage);
    B("EnableCaption", p.EnableCaption);
    B("EnableExport", p.EnableExport);
    T("AppVersion", kVersionText);
    L("ImgDrawScale", p.ImgDrawScale);
    L("BackgroundDrawScale", p.BackgroundDrawScale);
    L("BackgroundGradientMode", p.BackgroundGradientMode);
    B("EnableLyric", p.EnableLyric);
    L("TitleStyle", p.TitleStyle);
    B("EnableSync", p.EnableSync);
    L("SolidColor", p.SolidColor);
    L("BeginColor", p.BeginColor);
    L("EndColor", p.EndColor);
    store_.WriteSetting("CurrentMask", Value::Integer(0));
    L("PlayMusicOrder", p.PlayMusicOrder);
    T("BackGroundSet", p.BackGroundSet);
    T("ExportPassword", p.ExportPassword);
    L("LyricPosX", p.LyricPos.X);
    L("LyricPosY", p.LyricPos.Y);
    L("LyricPosW", p.LyricPos.W);
    L("LyricPosH", p.LyricPos.H);
    L("TitlePosX", p.TitlePos.X);
    L("TitlePosY", p.TitlePos.Y);
    L("TitlePosW", p.TitlePos.W);
    L("TitlePosH", p.TitlePos.H);
    L("LyricDynamicFontPattern", p.LyricDynamicFontPattern);
    L("LyricDynamicFontStartColor", p.LyricDynamicFontStartColor);
    L("LyricDynamicFontEndColor", p.LyricDynamicFontEndColor);
    L("LyricStyle", p.LyricStyle);
    L("OrigScreenWidth", opt_.screenWidth);
    L("OrigScreenHeight", opt_.screenHeight);
    for (int i = 0; i < kInfoTextCount; ++i) {
        const std::string& t = p.TxtSetting[static_cast<size_t>(i)];
        if (!t.empty())
            T(ItemKey("TxtSetting(", i), t);
    }
    store_.WriteSetting("TimeInterval", Value::Single(p.TimeInterval));
    store_.WriteSetting("OpeningDurationTime", Value::Single(p.OpeningDurationTime));
    store_.WriteSetting("EndingDurationTime", Value::Single(p.EndingDurationTime));
    for (int s = 1; s <= 4; ++s) {
        const TextStyle& t = p.style(s);
        L(ItemKey("FontStartColor(", s), t.FontStartColor);
        L(ItemKey("FontEndColor(", s), t.FontEndColor);
        L(ItemKey("BorderColor(", s), t.BorderColor);
        T(ItemKey("fFontName(", s), t.fFontName);
        L(ItemKey("fFontSize(", s), t.fFontSize);
        L(ItemKey("fFontAlign(", s), t.fFontAlign);
        L(ItemKey("fFontPattern(", s), t.fFontPattern);
        L(ItemKey("fBorderWidth(", s), t.fBorderWidth);
        L(ItemKey("fFontStyle(", s), t.fFontStyle);
    }
}

void Builder::WriteMediaSettings(const std::vector<std::string>& workPhotos) {
    const Project& p = project_;
    auto L = [&](const std::string& k, int32_t v) { store_.WriteSetting(k, Value::Long(v)); };
    auto T = [&](const std::string& k, const std::string& v) {
        store_.WriteSetting(k, Value::Text(v));
    };

    // Button images and the rainbow texture, restored from the resource
    // pack when missing.
    std::string mask = folder_ + "Mask/";
    std::error_code ec;
    fs::create_directories(mask, ec);
    ResourcePack pack;
    bool packOpen = false;
    auto restore = [&](const std::string& entry, const std::string& path) {
        if (FileExists(path))
            return;
        if (!packOpen)
            packOpen = pack.Open(folder_ + "gmi.src");
        if (packOpen)
            pack.ExtractPackedFile(entry, path);
    };
    for (const char* name : kButtonImageNames) {
        std::string path = mask + name + ".png";
        restore(std::string(name) + ".png", path);
        Embed(name, path);
    }
    restore("rainbow.jpg", mask + "rainbow.jpg");
    Embed("TextureImage", mask + "rainbow.jpg");

    if (p.BackGroundSet == "3")
        EmbedImageSetting("BackGroundPicture", p.BackGroundPicture);
    if (p.EnableOpening)
        EmbedImageSetting("OpeningImage", p.OpeningImage);
    if (p.EnableEnding)
        EmbedImageSetting("EndingImage", p.EndingImage);
    EmbedImageSetting("LogoImage", p.LogoImage);

    // Fonts.
    if (opt_.includeFonts && opt_.collectFonts) {
        BuildOptions::Fonts fonts = opt_.collectFonts(p);
        L("ToInstallFontCount", static_cast<int32_t>(fonts.files.size()));
        for (size_t k = 0; k < fonts.files.size(); ++k)
            Embed(ItemKey("ToInstallFont(", static_cast<int>(k + 1)), fonts.files[k]);
        if (!fonts.files.empty()) {
            for (int s = 1; s <= 4; ++s) {
                size_t idx = static_cast<size_t>(s - 1);
                T(ItemKey("fFontNameForCheck(", s),
                  idx < fonts.facesToCheck.size() ? fonts.facesToCheck[idx] : p.style(s).fFontName);
            }
        }
    } else {
        store_.WriteSetting("ToInstallFontCount", Value::Integer(0));
    }

    L("NowI", p.NowI());
    L("NowM", p.NowM());
    L("LyricFilesCount", p.LyricFilesCount());
    for (int m = 1; m <= p.NowM(); ++m)
        Embed(ItemKey("MusicNames(", m), p.songs[static_cast<size_t>(m - 1)]);
    for (const std::string& lyric : p.lyricFiles) {
        std::string stem = StemUpper(lyric);
        for (int m = 1; m <= p.NowM(); ++m) {
            if (StemUpper(p.songs[static_cast<size_t>(m - 1)]) == stem) {
                Embed(ItemKey("MusicLyricFiles(", m), lyric);
                break;
            }
        }
    }
    if (p.EnableSync && p.NowM() >= 1 && p.NowM() <= 20) {
        L("SongDurationTotal", TotalSongSeconds(p.songs, songs_));
    } else {
        store_.WriteSetting("SongDurationTotal", Value::Integer(0));
    }
    host_.PumpEvents();
    CheckCancel();

    for (int i = 1; i <= p.NowI(); ++i) {
        const PhotoEntry& e = p.photos[static_cast<size_t>(i - 1)];
        Embed(ItemKey("ImgNames(", i), workPhotos[static_cast<size_t>(i - 1)]);
        if (!e.SlideDuration.empty())
            T(ItemKey("SlideDuration(", i), e.SlideDuration);
        if (e.ImgPosX != 0)
            L(ItemKey("ImgPosX(", i), e.ImgPosX);
        if (e.ImgPosY != 0)
            L(ItemKey("ImgPosY(", i), e.ImgPosY);
        if (!e.Caption.empty()) {
            T(ItemKey("ImgCaption(", i), e.Caption);
            L(ItemKey("CapPosX(", i), e.CapPos.X);
            L(ItemKey("CapPosY(", i), e.CapPos.Y);
            L(ItemKey("CapPosW(", i), e.CapPos.W);
            L(ItemKey("CapPosH(", i), e.CapPos.H);
        }
        if (!e.Headline.empty()) {
            T(ItemKey("ImgHeadline(", i), e.Headline);
            L(ItemKey("HeadPosX(", i), e.HeadPos.X);
            L(ItemKey("HeadPosY(", i), e.HeadPos.Y);
            L(ItemKey("HeadPosW(", i), e.HeadPos.W);
            L(ItemKey("HeadPosH(", i), e.HeadPos.H);
            L(ItemKey("HeadDynamicStyle(", i), e.HeadDynamicStyle);
            L(ItemKey("HeadSize(", i), e.HeadSize);
            L(ItemKey("HeadPattern(", i), e.HeadPattern);
            L(ItemKey("HeadBorder(", i), e.HeadBorder);
            L(ItemKey("HeadStyle(", i), e.HeadStyle);
            L(ItemKey("HeadStartColor(", i), e.HeadStartColor);
            L(ItemKey("HeadEndColor(", i), e.HeadEndColor);
            L(ItemKey("HeadBorderColor(", i), e.HeadBorderColor);
        }
    }
    Embed("d3DFile", folder_ + kLibraryName);
    L("TotalMediaSize", static_cast<int32_t>(store_.mediaOffset()));
}

BuildResult Builder::Run() {
    BuildResult result;
    Project& p = project_;

    // 1. At least two photos.
    if (p.NowI() < 2) {
        result.message = "请首先添加至少两张图片到图片幻灯中";
        host_.ShowMessage(MessageIcon::Information, result.message);
        host_.GuideTo(1, GuideTarget::AddPhotoButton);
        return result;
    }
    // 2. A picture background needs its picture.
    if (p.BackGroundSet == "3" && !NamesFile(p.BackGroundPicture)) {
        result.message = "请先选择作为图片幻灯背景的图片";
        host_.ShowMessage(MessageIcon::Information, result.message);
        host_.GuideTo(3, GuideTarget::ChooseBackgroundButton);
        return result;
    }
    // 3. The support library must be the one shipped.
    std::string library = folder_ + kLibraryName;
    // An empty expectation (no library was built) never matches.
    const std::string& expected = opt_.expectedLibraryCrc;
    if (expected.empty() || FileCrc32Hex(library) != expected) {
        result.message = library + " 丢失或损坏，请重新安装程序";
        host_.ShowMessage(MessageIcon::Plain, result.message);
        return result;
    }
    // 4. Folders and the target.
    std::error_code ec;
    fs::create_directories(data_ + "Output/", ec);
    fs::create_directories(temp_, ec);
    auto chosen = host_.AskTargetPath(data_ + "Output/", p.TxtSetting[0]);
    if (!chosen || chosen->empty())
        return result;
    std::string target = chosen->substr(0, chosen->find('\0'));
    if (!host_.ConfirmOverwrite(target))
        return result;
    result.target = target;

    // 5. Busy from here on.
    host_.SetBusy(true);
    store_.Clear();
    store_.ResetEmbeddedFiles();
    bool progressShown = false;
    try {
        // 6. Working copy of the stub, made runnable.
        std::string work = temp_ + "Mirb.bfq.Tmp";
        RemoveFile(work);
        std::string stub = folder_ + kStubName;
        if (!FileExists(stub))
            throw BuildFailure{53, "文件未找到：" + stub};
        if (!CopyWholeFile(stub, work) || !ScrambleFileHead(work))
            throw BuildFailure{75, "路径/文件访问错误：" + work};
        host_.PumpEvents();
        // 7. Custom icon.
        std::string backup = temp_ + "Mirb.bfq.Tmp2";
        RemoveFile(backup);
        std::string icon = temp_ + "icofinal.ico";
        if (opt_.customIcon && opt_.patchStubIcon && FileExists(icon)) {
            if (!CopyWholeFile(work, backup))
                throw BuildFailure{75, "路径/文件访问错误：" + backup};
            if (!opt_.patchStubIcon(icon, work)) {
                RemoveFile(work);
                fs::rename(backup, work, ec);
                if (ec)
                    throw BuildFailure{75, "路径/文件访问错误：" + work};
                host_.ShowMessage(MessageIcon::Critical, "替换图标失败");
            } else {
                RemoveFile(backup);
            }
        }
        // 8. The target starts as the stub.
        if (!CopyWholeFile(work, target))
            throw BuildFailure{75, "路径/文件访问错误：" + target};
        RemoveFile(work);

        // 9. Photos that need a JPEG copy.
        progress_.InitProgress("创建图片幻灯");
        progressShown = true;
        std::vector<std::string> workPhotos = PreparePhotos();
        progress_.Finish();
        progressShown = false;

        // 10. Transition choice.
        if (std::none_of(p.TransitionChosen.begin(), p.TransitionChosen.end(),
                         [](bool b) { return b; }))
            p.EnableTransition = false;
        // 11.-16. Settings and the media list.
        WriteSettings();
        WriteMediaSettings(workPhotos);
        CheckCancel();

        // 17. The settings block as the resource DATA/ALLDATASETTINGS.
        std::vector<uint8_t> block = store_.Contents();
        std::vector<EmbeddedFile> media = store_.embeddedFiles();
        uint32_t total = store_.mediaOffset();
        store_.Clear();
        PeError pe = UpdateFileResource(target, ResourceId::Named(kSettingsResourceType),
                                        ResourceId::Named(kSettingsResourceName), 0, block);
        if (pe != PeError::None)
            throw BuildFailure{75, std::string(PeErrorText(pe)) + "：" + target};
        host_.PumpEvents();

        // 18.-19. The media area.
        progress_.InitProgress("创建图片幻灯");
        progressShown = true;
        auto start = FileSize(target);
        if (!start)
            throw BuildFailure{75, "路径/文件访问错误：" + target};
        AppendError append;
        bool cancelled = false;
        bool ok = AppendMediaArea(
            target, media,
            [&](size_t j, size_t count) {
                progress_.ShowProgress(
                    nearest(static_cast<double>(j) / static_cast<double>(count) * 100),
                    "正在写入...");
                host_.PumpEvents();
                cancelled = progress_.Cancelled();
                return !cancelled;
            },
            &append);
        if (!ok && cancelled)
            throw Cancelled{};
        if (!ok)
            throw BuildFailure{append.code, append.description};
        auto length = FileSize(target);
        if (!length || *length != *start + total)
            throw BuildFailure{57, "设备 I/O 错误：" + target};
        host_.PumpEvents();

        // 20. Report.
        progress_.Finish();
        progressShown = false;
        host_.SetBusy(false);
        result.outcome = BuildOutcome::Built;
        result.size = *length;
        std::string report = FinishReport(p.TxtSetting[0], p.NowI(), p.NowM(), *length, target);
        host_.ShowFinish(report, target);
        return result;
    } catch (const BuildFailure& f) {
        result.outcome = BuildOutcome::Failed;
        result.errorCode = f.code;
        result.message =
            "错误代码 " + std::to_string(f.code) + " " + f.description + "\n" + kAdvice;
    } catch (const Cancelled&) {
        result.outcome = BuildOutcome::Cancelled;
        result.message = kCancelledText;
    } catch (const std::exception& e) {
        result.outcome = BuildOutcome::Failed;
        result.errorCode = 7;
        result.message = std::string("错误代码 7 ") + e.what() + "\n" + kAdvice;
    }
    // The one failure handler: no package stays behind.
    store_.Clear();
    store_.ResetEmbeddedFiles();
    if (FileExists(target))
        RemoveFile(target);
    if (progressShown)
        progress_.Finish();
    host_.SetBusy(false);
    if (result.outcome == BuildOutcome::Failed)
        host_.ShowMessage(MessageIcon::Warning, result.message);
    return result;
}

}  // namespace

bool PhotoNeedsConversion(const std::string& path, ImageConverter& converter) {
    std::string e = FileTypeOf(path, 4);
    if (e == ".BMP" || e == ".PCX")
        return true;
    return e == ".TGA" && converter.ProbeBitDepth(path) != 32;
}

std::string MegabytesCut(uint64_t length) {
    uint64_t hundredths = length * 100 / 1048576;  // exact floor
    std::string frac = std::to_string(hundredths % 100);
    if (frac.size() < 2)
        frac.insert(frac.begin(), '0');
    return std::to_string(hundredths / 100) + "." + frac;
}

std::string FinishReport(const std::string& name, int photos, int songs, uint64_t length,
                         const std::string& path) {
    return "幻灯名称： " + name + "\n" + "图片总数： " + std::to_string(photos) + "\n" +
           "音乐总数： " + std::to_string(songs) + "\n" + "文件大小： " + MegabytesCut(length) +
           " MB" + "\n" + "保存路径： " + path;
}

BuildResult BuildScreenSaver(Project& project, const BuildOptions& options, BuildHost& host,
                             Progress& progress, ImageConverter& converter, SongTimer& songs) {
    Builder b(project, options, host, progress, converter, songs);
    return b.Run();
}

}  // namespace velmora
