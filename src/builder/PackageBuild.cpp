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
#include "project/SettingsIo.h"

namespace velmora {

const char* const kButtonImageNames[11] = {
    keys::BtnClose.name.data(),   keys::BtnMin.name.data(),    keys::BtnMusicNext.name.data(),
    keys::BtnMuteOff.name.data(), keys::BtnMuteOn.name.data(), keys::BtnNext.name.data(),
    keys::BtnPause.name.data(),   keys::BtnPlay.name.data(),   keys::BtnPrev.name.data(),
    keys::BtnSize.name.data(),    keys::BtnScale.name.data()};

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
    void WriteSettings(const std::vector<std::string>& workPhotos);

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

// Writes every key of the package in the package's order: the project's
// values through the key table, the files and totals of the build here.
void Builder::WriteSettings(const std::vector<std::string>& workPhotos) {
    const Project& p = project_;

    // Button images and the rainbow texture, restored from the resource
    // pack when missing.
    const std::string mask = folder_ + "Mask/";
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
    auto isButton = [](const SettingKey& key) {
        return std::find(kButtonImageKeys.begin(), kButtonImageKeys.end(), &key) !=
               kButtonImageKeys.end();
    };
    std::optional<BuildOptions::Fonts> fonts;
    const bool withFonts = opt_.includeFonts && opt_.collectFonts;

    auto hook = [&](const SettingKey& key, int index) -> bool {
        if (isButton(key)) {
            if (&key == kButtonImageKeys.front()) {
                std::error_code ec;
                fs::create_directories(mask, ec);
            }
            const std::string name(key.name);
            std::string path = mask + name + ".png";
            restore(name + ".png", path);
            Embed(name, path);
            return true;
        }
        if (&key == &keys::TextureImage) {
            restore("rainbow.jpg", mask + "rainbow.jpg");
            Embed(KeyName(key), mask + "rainbow.jpg");
            return true;
        }
        // The pictures are embedded once the media list has begun; in the
        // options part of the package they are not written.
        if (&key == &keys::BackGroundPicture) {
            if (p.Background() == BackgroundMode::Picture)
                EmbedImageSetting(KeyName(key), p.BackGroundPicture);
            return true;
        }
        if (&key == &keys::OpeningImage) {
            if (p.EnableOpening)
                EmbedImageSetting(KeyName(key), p.OpeningImage);
            return true;
        }
        if (&key == &keys::EndingImage) {
            if (p.EnableEnding)
                EmbedImageSetting(KeyName(key), p.EndingImage);
            return true;
        }
        if (&key == &keys::LogoImage) {
            EmbedImageSetting(KeyName(key), p.LogoImage);
            return true;
        }
        if (&key == &keys::OrigScreenWidth || &key == &keys::OrigScreenHeight) {
            store_.WriteSetting(
                KeyName(key),
                Value::Long(&key == &keys::OrigScreenWidth ? opt_.screenWidth : opt_.screenHeight));
            return true;
        }
        if (&key == &keys::ToInstallFontCount) {
            if (withFonts) {
                fonts = opt_.collectFonts(p);
                store_.WriteSetting(KeyName(key),
                                    Value::Long(static_cast<int32_t>(fonts->files.size())));
            } else {
                store_.WriteSetting(KeyName(key), Value::Integer(0));
            }
            return true;
        }
        if (&key == &keys::ToInstallFont) {
            if (fonts)
                for (size_t k = 0; k < fonts->files.size(); ++k)
                    Embed(KeyName(key, static_cast<int>(k + 1)), fonts->files[k]);
            return true;
        }
        if (&key == &keys::fFontNameForCheck) {
            if (fonts && !fonts->files.empty()) {
                for (int s = 1; s <= 4; ++s) {
                    size_t idx = static_cast<size_t>(s - 1);
                    store_.WriteSetting(
                        KeyName(key, s),
                        Value::Text(idx < fonts->facesToCheck.size() ? fonts->facesToCheck[idx]
                                                                     : p.style(s).fFontName));
                }
            }
            return true;
        }
        if (&key == &keys::MusicNames) {
            Embed(KeyName(key, index), p.songs[static_cast<size_t>(index - 1)]);
            return true;
        }
        if (&key == &keys::MusicLyricFiles) {
            for (const std::string& lyric : p.lyricFiles) {
                std::string stem = StemUpper(lyric);
                for (int m = 1; m <= p.NowM(); ++m) {
                    if (StemUpper(p.songs[static_cast<size_t>(m - 1)]) == stem) {
                        Embed(KeyName(key, m), lyric);
                        break;
                    }
                }
            }
            return true;
        }
        if (&key == &keys::SongDurationTotal) {
            if (p.EnableSync && p.NowM() >= 1 && p.NowM() <= 20) {
                store_.WriteSetting(KeyName(key), Value::Long(TotalSongSeconds(p.songs, songs_)));
            } else {
                store_.WriteSetting(KeyName(key), Value::Integer(0));
            }
            host_.PumpEvents();
            CheckCancel();
            return true;
        }
        if (&key == &keys::ImgNames) {
            Embed(KeyName(key, index), workPhotos[static_cast<size_t>(index - 1)]);
            return true;
        }
        if (&key == &keys::d3DFile) {
            Embed(KeyName(key), folder_ + kLibraryName);
            return true;
        }
        if (&key == &keys::TotalMediaSize) {
            store_.WriteSetting(KeyName(key),
                                Value::Long(static_cast<int32_t>(store_.mediaOffset())));
            return true;
        }
        return false;
    };
    WriteKeys(kPackageOrder, p, store_, hook);
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
    if (p.Background() == BackgroundMode::Picture && !NamesFile(p.BackGroundPicture)) {
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
        WriteSettings(workPhotos);
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
