#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include <filesystem>
#include <map>
#include <mutex>

#include "BuilderTestSupport.h"
#include "audio/MP3Info.h"
#include "audio/SongLength.h"
#include "base/Crc32.h"
#include "builder/PackageBuild.h"
#include "builder/PackageFiles.h"
#include "package/PackageKeystream.h"
#include "package/PackageReader.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// Records what the build shows and answers its questions.
class TestHost : public BuildHost {
  public:
    std::optional<std::string> answerPath;
    bool overwrite = true;
    std::vector<std::pair<MessageIcon, std::string>> messages;
    std::vector<std::pair<int, GuideTarget>> guides;
    std::string report, finishedPath;
    bool busy = false;
    int busyChanges = 0;

    void ShowMessage(MessageIcon icon, const std::string& text) override {
        messages.emplace_back(icon, text);
    }
    void GuideTo(int page, GuideTarget t) override { guides.emplace_back(page, t); }
    std::optional<std::string> AskTargetPath(const std::string&, const std::string&) override {
        return answerPath;
    }
    bool ConfirmOverwrite(const std::string&) override { return overwrite; }
    void SetBusy(bool b) override {
        busy = b;
        ++busyChanges;
    }
    void ShowFinish(const std::string& r, const std::string& path) override {
        report = r;
        finishedPath = path;
    }
};

// Progress that records texts and can cancel after a number of shows.
class TestProgress : public Progress {
  public:
    int cancelAfter = -1;    // cancel once this many shows had cancelText
    std::string cancelText;  // empty: any text
    int shows = 0;
    std::vector<std::string> texts;
    void InitProgress(const std::string&) override {}
    void ShowProgress(int percent, const std::string& text) override {
        if (cancelText.empty() || text == cancelText)
            ++shows;
        texts.push_back(text + " " + std::to_string(percent) + "%");
    }
    bool Cancelled() const override { return cancelAfter >= 0 && shows >= cancelAfter; }
};

// A converter that writes a recognisable copy and records its calls. The
// real decoders are tested with the rendering engine; here the build's use of
// them is under test.
class TestConverter : public ImageConverter {
  public:
    std::map<std::string, int> depth;  // by path; absent: 24
    std::vector<std::string> calls;    // "source>dest:TYPE"
    bool fail = false;
    int ProbeBitDepth(const std::string& path) override {
        auto it = depth.find(path);
        return it == depth.end() ? 24 : it->second;
    }
    bool Convert(const std::string& source, const std::string& dest, const std::string& sourceType,
                 const std::string& targetType, int quality) override {
        {
            static std::mutex mu;
            std::lock_guard<std::mutex> lock(mu);
            calls.push_back(source + ">" + dest + ":" + sourceType + ">" + targetType + "@" +
                            std::to_string(quality));
        }
        if (fail)
            return false;
        auto bytes = test::ReadBytes(source);
        bytes.insert(bytes.begin(), {'C', 'V', 'T'});
        test::WriteBytes(dest, bytes);
        return true;
    }
};

class FixedTimer : public SongTimer {
  public:
    double seconds = 61.25;
    std::optional<double> SongSeconds(const std::string&) override { return seconds; }
};

struct BuildFixture {
    test::ScratchDir dir;
    std::string folder = dir / "prog/";
    std::string crc;
    Project project;
    BuildOptions options;
    TestHost host;
    TestProgress progress;
    TestConverter converter;
    FixedTimer timer;

    explicit BuildFixture(const std::string& stub = test::FixtureStubReloc()) {
        crc = test::MakeProgramFolder(folder, stub);
        options.programFolder = folder;
        options.expectedLibraryCrc = crc;
        options.screenWidth = 1280;
        options.screenHeight = 1024;
        project = MakeDefaultProject(ProjectEnvironment{});
        project.TxtSetting[0] = "我的图片幻灯";
        host.answerPath = dir / "out/show.exe";
        fs::create_directories(dir / "out");
    }
    std::string AddPhoto(const std::string& name, size_t size, uint32_t seed) {
        std::string path = dir / ("media/" + name);
        test::WriteBytes(path, test::SomeBytes(size, seed));
        PhotoEntry e;
        e.ImgName = path;
        project.photos.push_back(e);
        return path;
    }
    std::string AddFile(const std::string& name, size_t size, uint32_t seed) {
        std::string path = dir / ("media/" + name);
        test::WriteBytes(path, test::SomeBytes(size, seed));
        return path;
    }
    BuildResult Build() {
        return BuildScreenSaver(project, options, host, progress, converter, timer);
    }
};

uint32_t CrcOf(const std::vector<uint8_t>& b) {
    return Crc32Of(b);
}

TEST(PackageBuild, FullPackageReadsBackAsThePlayerReadsIt) {
    for (std::string stub : {test::FixtureStubReloc(), test::FixtureStubLast()}) {
        SCOPED_TRACE(stub);
        BuildFixture f(stub);
        std::string p1 = f.AddPhoto("a.jpg", 5000, 1);
        f.AddPhoto("holiday.bmp", 300, 2);  // converted, photo 2
        std::string p3 = f.AddPhoto("c.jpeg", 100, 3);
        f.AddPhoto("deep.tga", 400, 4);  // 32-bit: embedded as it is
        f.converter.depth[f.project.photos[3].ImgName] = 32;
        f.project.photos[0].Caption = "标题一";
        f.project.photos[0].CapPos = {1, 2, 3, 4};
        f.project.photos[1].ImgPosX = 5;
        f.project.photos[2].Headline = "动态";
        f.project.photos[2].SlideDuration = "7.5";
        std::string song1 = f.AddFile("Song One.mp3", 20000, 11);
        std::string song2 = f.AddFile("two.wav", 3000, 12);
        f.project.songs = {song1, song2};
        // Two lyric files for song 1 (case differs), one for no song.
        std::string l1 = f.AddFile("lyrics/song one.lrc", 200, 21);
        std::string l2 = f.AddFile("other/SONG ONE.LRC", 210, 22);
        std::string l3 = f.AddFile("nothing.lrc", 50, 23);
        f.project.lyricFiles = {l1, l2, l3};
        f.project.LogoImage = f.AddFile("logo-picture.bmp", 120, 31);
        f.project.TransitionChosen.fill(false);
        f.project.EnableTransition = true;

        BuildResult r = f.Build();
        ASSERT_EQ(r.outcome, BuildOutcome::Built) << r.message;
        std::string pkg = f.dir / "out/show.exe";
        EXPECT_EQ(r.target, pkg);
        EXPECT_FALSE(f.host.busy);

        PackageReader reader;
        ASSERT_TRUE(reader.Open(pkg)) << reader.error();
        const PropertyBag& s = reader.settings();
        auto get = [&](const std::string& k) { return s.ReadProperty(k); };

        // The settings block in the resource, as pefile sees it.
        EXPECT_EQ(test::PefileProblems(pkg, &reader.settingsBlock()), "");
        EXPECT_TRUE(test::WrestoolListsIcons(pkg));

        // Media area: entries tile it in embedding order, total matches. The
        // first of the two lyric files of song 1 is in the media area but no
        // longer described (its entry was written again for the second).
        uint64_t o = 0;
        for (const auto& e : reader.entries()) {
            if (e.name == "MusicLyricFiles(1)")
                o += test::ReadBytes(l1).size();
            EXPECT_EQ(e.offset, o) << e.name;
            o += e.size;
        }
        EXPECT_EQ(o, reader.totalMediaSize());
        EXPECT_EQ(get("TotalMediaSize")->long_(), static_cast<int32_t>(o));
        EXPECT_EQ(reader.mediaStart() + o, fs::file_size(pkg));

        // Embedding order: buttons, texture, logo, songs, lyrics, photos, library.
        std::vector<std::string> names;
        for (const auto& e : reader.entries())
            names.push_back(e.name);
        std::vector<std::string> want(std::begin(kButtonImageNames), std::end(kButtonImageNames));
        for (std::string n : {"TextureImage", "LogoImage", "MusicNames(1)", "MusicNames(2)",
                              "MusicLyricFiles(1)", "MusicLyricFiles(1)", "ImgNames(1)",
                              "ImgNames(2)", "ImgNames(3)", "ImgNames(4)", "d3DFile"})
            want.push_back(n);
        // MusicLyricFiles(1) is written twice: the settings keep one entry
        // (the second write replaces the first), the media area both files.
        want.erase(std::find(want.begin(), want.end(), "MusicLyricFiles(1)"));
        EXPECT_EQ(names, want);
        uint64_t lyricBytes = test::ReadBytes(l1).size() + test::ReadBytes(l2).size();
        uint64_t gap = reader.Find("ImgNames(1)")->offset - reader.Find("MusicNames(2)")->offset -
                       reader.Find("MusicNames(2)")->size;
        EXPECT_EQ(gap, lyricBytes);

        // Content of every entry, descrambled.
        auto same = [&](const std::string& name, const std::string& path) {
            const EmbeddedEntry* e = reader.Find(name);
            ASSERT_NE(e, nullptr) << name;
            auto got = reader.ReadEntry(*e);
            ASSERT_TRUE(got);
            EXPECT_EQ(CrcOf(*got), CrcOf(test::ReadBytes(path))) << name;
        };
        same("ImgNames(1)", p1);
        same("ImgNames(2)", f.folder + "Temp/Img2.jpg");
        same("ImgNames(3)", p3);
        same("ImgNames(4)", f.project.photos[3].ImgName);
        same("MusicNames(1)", song1);
        same("MusicLyricFiles(1)", l2);
        same("d3DFile", f.folder + "d3dx9_42.dll");
        same("btn_scale", f.folder + "Mask/btn_scale.png");
        same("TextureImage", f.folder + "Mask/rainbow.jpg");
        same("LogoImage", f.folder + "Temp/LogoImage.jpg");
        auto conv = test::ReadBytes(f.folder + "Temp/Img2.jpg");
        ASSERT_GE(conv.size(), 3u);
        EXPECT_EQ(std::string(conv.begin(), conv.begin() + 3), "CVT");

        // Types.
        EXPECT_EQ(reader.Find("ImgNames(1)")->type, "JPG");
        EXPECT_EQ(reader.Find("ImgNames(2)")->type, "JPG");
        EXPECT_EQ(reader.Find("ImgNames(3)")->type, "PEG");
        EXPECT_EQ(reader.Find("ImgNames(4)")->type, "TGA");
        EXPECT_EQ(reader.Find("btn_close")->type, "PNG");
        EXPECT_EQ(reader.Find("d3DFile")->type, "DLL");

        // Conditional keys.
        EXPECT_TRUE(get("ImgCaption(1)"));
        EXPECT_EQ(get("CapPosW(1)")->long_(), 3);
        EXPECT_FALSE(get("ImgCaption(2)"));
        EXPECT_FALSE(get("CapPosX(2)"));
        EXPECT_EQ(get("ImgPosX(2)")->long_(), 5);
        EXPECT_FALSE(get("ImgPosY(2)"));
        EXPECT_FALSE(get("ImgPosX(1)"));
        EXPECT_EQ(get("SlideDuration(3)")->text(), "7.5");
        EXPECT_TRUE(get("HeadBorderColor(3)"));
        EXPECT_FALSE(get("HeadPosX(1)"));
        EXPECT_FALSE(get("BackGroundPicture_OffSet"));
        EXPECT_FALSE(get("OpeningImage_OffSet"));
        EXPECT_FALSE(get("LogoImage"));  // the name itself is never written
        EXPECT_FALSE(get("TitleText(1)"));

        // Values and types.
        EXPECT_EQ(get("EnableTransition")->boolean(), false);  // no transition chosen
        EXPECT_FALSE(f.project.EnableTransition);
        EXPECT_EQ(get("StyleSelect")->text(), std::string(128, ' '));
        EXPECT_EQ(get("IsPackage")->boolean(), true);
        EXPECT_EQ(get("AppVersion")->text(), "4.00");
        EXPECT_EQ(get("CurrentMask")->type(), ValueType::Integer);
        EXPECT_EQ(get("OrigScreenWidth")->long_(), 1280);
        EXPECT_EQ(get("OrigScreenHeight")->long_(), 1024);
        EXPECT_EQ(get("TimeInterval")->type(), ValueType::Single);
        EXPECT_EQ(get("ToInstallFontCount")->type(), ValueType::Integer);
        EXPECT_EQ(get("NowI")->long_(), 4);
        EXPECT_EQ(get("NowM")->long_(), 2);
        EXPECT_EQ(get("LyricFilesCount")->long_(), 3);
        // Sync on, 2 songs of 61.25 s: floor(122.5) + 1.
        EXPECT_EQ(get("SongDurationTotal")->type(), ValueType::Long);
        EXPECT_EQ(get("SongDurationTotal")->long_(), 123);
        EXPECT_EQ(get("TxtSetting(0)")->text(), "我的图片幻灯");
        EXPECT_EQ(get("fFontStyle(4)")->type(), ValueType::Long);

        // Key order of the first part as written.
        const auto& entries = s.entries();
        ASSERT_GE(entries.size(), 3u);
        EXPECT_EQ(entries[0].first, "StyleSelect");
        EXPECT_EQ(entries[1].first, "PlayPhotoInRamdomOrder");
        EXPECT_EQ(entries.back().first, "TotalMediaSize");

        // Finish report.
        std::string size = MegabytesCut(fs::file_size(pkg));
        EXPECT_EQ(f.host.report,
                  "幻灯名称： 我的图片幻灯\n图片总数： 4\n音乐总数： 2\n文件大小： " + size +
                      " MB\n保存路径： " + pkg);
        EXPECT_TRUE(f.host.messages.empty());
        EXPECT_FALSE(f.progress.texts.empty());
        EXPECT_EQ(f.progress.texts.back(), "正在写入... 100%");
        EXPECT_NE(std::find(f.progress.texts.begin(), f.progress.texts.end(), "准备中... 100%"),
                  f.progress.texts.end());
        // The working copy of the stub is gone.
        EXPECT_FALSE(fs::exists(f.folder + "Temp/Mirb.bfq.Tmp"));
    }
}

TEST(PackageBuild, ChecksRefuseBeforeAnythingIsWritten) {
    struct Case {
        const char* label;
        std::function<void(BuildFixture&)> setup;
        std::string message;
        int guidePage;
    };
    const Case cases[] = {
        {"one photo", [](BuildFixture& f) { f.project.photos.pop_back(); },
         "请首先添加至少两张图片到图片幻灯中", 1},
        {"picture background without picture",
         [](BuildFixture& f) { f.project.BackGroundSet = "3"; }, "请先选择作为图片幻灯背景的图片",
         3},
        {"library of other content",
         [](BuildFixture& f) {
             test::WriteBytes(f.folder + "d3dx9_42.dll", {1, 2, 3});
         },
         " 丢失或损坏，请重新安装程序", 0},
        {"empty library", [](BuildFixture& f) { test::WriteBytes(f.folder + "d3dx9_42.dll", {}); },
         " 丢失或损坏，请重新安装程序", 0},
        {"save dialog cancelled", [](BuildFixture& f) { f.host.answerPath.reset(); }, "", 0},
        {"overwrite answered no",
         [](BuildFixture& f) {
             test::WriteBytes(*f.host.answerPath, {9, 9, 9});
             f.host.overwrite = false;
         },
         "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        BuildFixture f;
        f.AddPhoto("a.jpg", 100, 1);
        f.AddPhoto("b.jpg", 100, 2);
        const std::string target = *f.host.answerPath;  // the setup may cancel the dialog
        c.setup(f);
        bool existed = fs::exists(target);
        BuildResult r = f.Build();
        EXPECT_EQ(r.outcome, BuildOutcome::Refused);
        if (c.message.empty()) {
            EXPECT_TRUE(f.host.messages.empty());
        } else {
            ASSERT_EQ(f.host.messages.size(), 1u);
            EXPECT_NE(f.host.messages[0].second.find(c.message), std::string::npos);
        }
        if (c.message.find("丢失") != std::string::npos) {
            EXPECT_EQ(f.host.messages[0].second, f.folder + "d3dx9_42.dll" + c.message);
            EXPECT_EQ(f.host.messages[0].first, MessageIcon::Plain);
        }
        if (c.guidePage) {
            ASSERT_EQ(f.host.guides.size(), 1u);
            EXPECT_EQ(f.host.guides[0].first, c.guidePage);
        }
        EXPECT_EQ(f.host.busyChanges, 0);
        if (existed)
            EXPECT_EQ(test::ReadBytes(target), (std::vector<uint8_t>{9, 9, 9}));
        else
            EXPECT_FALSE(fs::exists(target));
    }
}

TEST(PackageBuild, FailuresAndCancelLeaveNoPackage) {
    struct Case {
        const char* label;
        std::function<void(BuildFixture&)> setup;
        BuildOutcome outcome;
        std::string text;
    };
    const Case cases[] = {
        {"stub missing", [](BuildFixture& f) { fs::remove(f.folder + "Mirb.bfq"); },
         BuildOutcome::Failed, "错误代码 53 文件未找到："},
        {"stub not a program",
         [](BuildFixture& f) { test::WriteBytes(f.folder + "Mirb.bfq", test::SomeBytes(6000, 1)); },
         BuildOutcome::Failed, "不是有效的Windows程序文件"},
        {"photo missing", [](BuildFixture& f) { fs::remove(f.project.photos[0].ImgName); },
         BuildOutcome::Failed, "错误代码 53 文件未找到："},
        {"conversion fails", [](BuildFixture& f) { f.converter.fail = true; }, BuildOutcome::Failed,
         "错误代码 481 "},
        {"song missing",
         [](BuildFixture& f) { f.project.songs.push_back(f.dir / "media/gone.mp3"); },
         BuildOutcome::Failed, "错误代码 53 "},
        {"button image missing and no pack",
         [](BuildFixture& f) { fs::remove(f.folder + "Mask/btn_play.png"); }, BuildOutcome::Failed,
         "btn_play.png"},
        {"cancel while preparing", [](BuildFixture& f) { f.progress.cancelAfter = 1; },
         BuildOutcome::Cancelled, "已取消"},
        {"cancel while writing",
         [](BuildFixture& f) {
             f.progress.cancelText = "正在写入...";
             f.progress.cancelAfter = 14;
         },
         BuildOutcome::Cancelled, "已取消"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        BuildFixture f;
        f.AddPhoto("a.jpg", 100, 1);
        f.AddPhoto("b.bmp", 100, 2);
        f.AddPhoto("c.jpg", 3u << 20, 3);  // several pieces
        c.setup(f);
        BuildResult r = f.Build();
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_NE(r.message.find(c.text), std::string::npos) << r.message;
        EXPECT_FALSE(fs::exists(*f.host.answerPath));
        EXPECT_FALSE(f.host.busy);
        if (c.outcome == BuildOutcome::Failed) {
            ASSERT_EQ(f.host.messages.size(), 1u);
            EXPECT_EQ(f.host.messages[0].first, MessageIcon::Warning);
            EXPECT_NE(r.message.find("建议你先退出程序，再重新创建文件"), std::string::npos);
        } else {
            EXPECT_TRUE(f.host.messages.empty());
        }
    }
}

TEST(PackageBuild, SongDurationTotalOnlyWithSyncAndUpToTwentySongs) {
    struct Case {
        int songs;
        bool sync;
        ValueType type;
        int32_t value;
    };
    // 61.25 s each: 7 songs 428.75 -> 429.
    const Case cases[] = {{7, true, ValueType::Long, 429},
                          {21, true, ValueType::Integer, 0},
                          {7, false, ValueType::Integer, 0},
                          {0, true, ValueType::Integer, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.songs);
        BuildFixture f;
        f.AddPhoto("a.jpg", 100, 1);
        f.AddPhoto("b.jpg", 100, 2);
        for (int m = 0; m < c.songs; ++m)
            f.project.songs.push_back(f.AddFile("s" + std::to_string(m) + ".mp3", 10, 50 + m));
        f.project.EnableSync = c.sync;
        ASSERT_EQ(f.Build().outcome, BuildOutcome::Built);
        PackageReader reader;
        ASSERT_TRUE(reader.Open(*f.host.answerPath));
        auto v = reader.settings().ReadProperty("SongDurationTotal");
        ASSERT_TRUE(v);
        EXPECT_EQ(v->type(), c.type);
        EXPECT_EQ(c.type == ValueType::Long ? v->long_() : v->integer(), c.value);
    }
}

TEST(PackageBuild, TotalSongSecondsRules) {
    class Timer : public SongTimer {
      public:
        std::map<std::string, double> d;
        std::optional<double> SongSeconds(const std::string& p) override {
            auto it = d.find(p);
            return it == d.end() ? std::nullopt : std::optional<double>(it->second);
        }
    } t;
    t.d = {{"a.mp3", 90}, {"b.mp3", 98}, {"c.wav", 10.5}, {"d.MP3", 50}, {"z.mp3", 40000}};
    EXPECT_EQ(TotalSongSeconds({"a.mp3", "b.mp3", "c.wav", "d.MP3"}, t), 249);  // floor(248.5) + 1
    EXPECT_EQ(TotalSongSeconds({"a.mp3", "missing.mp3"}, t), 0);
    EXPECT_EQ(TotalSongSeconds({"z.mp3"}, t), 40000);  // nearest at 30000 and above
}

// A VBR song whose Xing/Info header was stripped: its frame headers alone
// say far less than its length. The package's total is what the editor and
// `velmora timing` measure for it.
TEST(PackageBuild, SongDurationTotalIsTheEditorsSongLength) {
    BuildFixture f;
    f.AddPhoto("a.jpg", 100, 1);
    f.AddPhoto("b.jpg", 100, 2);
    const std::string wav = f.dir / "media/in.wav";
    const std::string mp3 = f.dir / "media/vbr_noheader.mp3";
    ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i sine=f=500:d=14.3 -ac 2 -ar 44100 '" +
                           wav + "' >/dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_EQ(
        std::system(("lame --quiet -t -V 2 '" + wav + "' '" + mp3 + "' >/dev/null 2>&1").c_str()),
        0);
    // The frame-header figure of such a file is far off; it must not count.
    audio::MP3Info info;
    ASSERT_TRUE(info.ReadMP3Info(mp3));
    ASSERT_EQ(info.VbrHeader(), audio::VbrHeaderKind::None);
    auto editor = audio::SongLength(mp3);
    ASSERT_TRUE(editor.has_value());
    EXPECT_GT(std::fabs(info.Duration() / 1000.0 - *editor), 5) << "fixture no longer shows it";

    f.project.songs = {mp3};
    f.project.EnableSync = true;
    MediaSongTimer timer;
    ASSERT_EQ(
        BuildScreenSaver(f.project, f.options, f.host, f.progress, f.converter, timer).outcome,
        BuildOutcome::Built);
    PackageReader reader;
    ASSERT_TRUE(reader.Open(*f.host.answerPath));
    auto v = reader.settings().ReadProperty("SongDurationTotal");
    ASSERT_TRUE(v);
    ASSERT_EQ(v->type(), ValueType::Long);
    EXPECT_EQ(v->long_(), audio::WholeSongSeconds(*editor));
    EXPECT_NEAR(v->long_(), 15, 1);  // a 14.3 s song
}

TEST(PackageBuild, PackageCutShortIsRefusedByTheReader) {
    BuildFixture f;
    f.AddPhoto("a.jpg", 4000, 1);
    f.AddPhoto("b.jpg", 4000, 2);
    ASSERT_EQ(f.Build().outcome, BuildOutcome::Built);
    std::string pkg = *f.host.answerPath;
    auto bytes = test::ReadBytes(pkg);
    for (size_t cut : {1u, 3000u, 20000u}) {
        SCOPED_TRACE(cut);
        std::vector<uint8_t> shorter(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(cut));
        test::WriteBytes(f.dir / "short.exe", shorter);
        PackageReader r;
        EXPECT_FALSE(r.Open(f.dir / "short.exe"));
        EXPECT_FALSE(r.error().empty());
    }
}

TEST(PackageBuild, ReportCutsSizesToHundredths) {
    EXPECT_EQ(MegabytesCut(2096103), "1.99");
    EXPECT_EQ(MegabytesCut(0), "0.00");
    EXPECT_EQ(MegabytesCut(1048576), "1.00");
    EXPECT_EQ(MegabytesCut(1048575), "0.99");
    EXPECT_EQ(MegabytesCut(15728640), "15.00");
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

TEST(AppendMediaArea, StreamsEachFileWithItsHeadScrambled) {
    test::ScratchDir dir;
    auto a = test::SomeBytes((5u << 20) + 17, 1);  // several pieces
    auto b = test::SomeBytes(100, 2);
    test::WriteBytes(dir / "a", a);
    test::WriteBytes(dir / "b", b);
    test::WriteBytes(dir / "e", {});
    test::WriteBytes(dir / "pkg", {7, 7, 7});
    std::vector<EmbeddedFile> media = {
        {dir / "a", static_cast<uint32_t>(a.size())}, {dir / "e", 0}, {dir / "b", 100}};
    std::vector<size_t> calls;
    AppendError err;
    ASSERT_TRUE(AppendMediaArea(
        dir / "pkg", media,
        [&](size_t j, size_t) {
            calls.push_back(j);
            return true;
        },
        &err))
        << err.description;
    std::vector<uint8_t> want = {7, 7, 7};
    ScrambleBufferHead(a);
    ScrambleBufferHead(b);
    want.insert(want.end(), a.begin(), a.end());
    want.insert(want.end(), b.begin(), b.end());
    EXPECT_EQ(test::ReadBytes(dir / "pkg"), want);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), 3u);

    // A file shorter than recorded fails; one that grew gives its recorded bytes.
    test::WriteBytes(dir / "pkg2", {});
    EXPECT_FALSE(AppendMediaArea(dir / "pkg2", {{dir / "b", 200}}, nullptr, &err));
    EXPECT_EQ(err.code, 75);
    test::WriteBytes(dir / "pkg3", {});
    ASSERT_TRUE(AppendMediaArea(dir / "pkg3", {{dir / "b", 60}}, nullptr, &err));
    EXPECT_EQ(test::ReadBytes(dir / "pkg3"), std::vector<uint8_t>(b.begin(), b.begin() + 60));
    // Cancel stops with code 0; a missing source is 53.
    test::WriteBytes(dir / "pkg4", {});
    EXPECT_FALSE(AppendMediaArea(
        dir / "pkg4", media, [](size_t, size_t) { return false; }, &err));
    EXPECT_EQ(err.code, 0);
    EXPECT_FALSE(AppendMediaArea(dir / "pkg4", {{dir / "gone", 5}}, nullptr, &err));
    EXPECT_EQ(err.code, 53);
}

}  // namespace
}  // namespace velmora
