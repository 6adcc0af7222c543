#include <gtest/gtest.h>

#include "project/Project.h"

using namespace velmora;

namespace {

ProjectEnvironment Env(int w = 1920, int h = 1080) {
    ProjectEnvironment e;
    e.screenW = w;
    e.screenH = h;
    e.defaultFace = "Noto Sans CJK SC";
    e.lyricLineHeight = 70;
    return e;
}

Project TwoPhotoProject(const ProjectEnvironment& env) {
    Project p = MakeDefaultProject(env);
    p.photos.push_back(NewPhotoEntry("/photos/一.jpg", p, env));
    p.photos.push_back(NewPhotoEntry("/photos/two with space's \"q\".png", p, env));
    return p;
}

std::vector<std::string> KeysOf(const SettingsStore& s) {
    std::vector<std::string> k;
    for (const auto& e : s.bag().entries())
        k.push_back(e.first);
    return k;
}

}  // namespace

TEST(ProjectModel, StartUpDefaults) {
    Project p = MakeDefaultProject(Env(1000, 800));
    EXPECT_EQ(p.AppVersion, "4.00");
    EXPECT_FLOAT_EQ(p.TimeInterval, 12);
    EXPECT_FLOAT_EQ(p.OpeningDurationTime, 8);
    EXPECT_EQ(p.ImgDrawScale, 3);
    EXPECT_EQ(p.BackGroundSet, "1");
    EXPECT_EQ(p.BeginColor, 0x80FFFF);
    EXPECT_EQ(p.EndColor, 0x0000FF);
    EXPECT_EQ(p.BackgroundGradientMode, 1);
    EXPECT_EQ(p.BackgroundDrawScale, 2);
    EXPECT_TRUE(p.EnableSync && p.EnableTransition && p.EnableFloating && p.IsPackage);
    EXPECT_FALSE(p.IsExportAvi || p.MuteSound || p.EnableExport);
    EXPECT_EQ(p.TitlePos, (PlacementRect{100, 160, 800, 480}));
    EXPECT_EQ(p.LyricPos, (PlacementRect{50, 600, 900, 71}));
    EXPECT_EQ(p.TxtSetting[0], "我的图片幻灯");
    EXPECT_EQ(p.StyleSelectText(), std::string(23, '1') + std::string(105, ' '));
    struct Row {
        int slot, size, align, pattern, border;
        Colour start, end;
    };
    for (const Row& r :
         {Row{1, 56, 8, 0, 2, 0xFFFFFF, 0xFF0000}, Row{2, 64, 4, 6, 2, 0x0000FF, 0x00FFFF},
          Row{3, 56, 4, 0, 2, 0xFFFFFF, 0xFF0000}, Row{4, 120, 4, 0, 3, 0xFFFFFF, 0xFF0000}}) {
        const TextStyle& t = p.style(r.slot);
        EXPECT_EQ(t.fFontName, "Noto Sans CJK SC");
        EXPECT_EQ(t.fFontSize, r.size) << r.slot;
        EXPECT_EQ(t.fFontAlign, r.align) << r.slot;
        EXPECT_EQ(t.fFontPattern, r.pattern) << r.slot;
        EXPECT_EQ(t.fBorderWidth, r.border) << r.slot;
        EXPECT_EQ(t.fFontStyle, 1);
        EXPECT_EQ(t.FontStartColor, r.start) << r.slot;
        EXPECT_EQ(t.FontEndColor, r.end) << r.slot;
        EXPECT_EQ(t.BorderColor, 0x010101);
    }
}

TEST(ProjectModel, NewPhotoEntryDefaultsFollowTheScreenAndSlotTwo) {
    ProjectEnvironment env = Env(1000, 500);
    Project p = MakeDefaultProject(env);
    p.selectedHeadlineEffect = 4;
    p.style(2).fFontSize = 77;
    PhotoEntry e = NewPhotoEntry("/x.jpg", p, env);
    EXPECT_EQ(e.CapPos, (PlacementRect{50, 25, 900, 450}));
    EXPECT_EQ(e.HeadPos, (PlacementRect{450, 225, 100, 50}));
    EXPECT_EQ(e.HeadDynamicStyle, 4);
    EXPECT_EQ(e.HeadSize, 77);
    EXPECT_EQ(e.HeadPattern, 6);
    EXPECT_EQ(e.HeadStartColor, 0x0000FF);
    // A change of the screen changes the rectangles of photos added later.
    PhotoEntry later = NewPhotoEntry("/y.jpg", p, Env(2000, 1000));
    EXPECT_EQ(later.CapPos, (PlacementRect{100, 50, 1800, 900}));
}

TEST(ProjectModel, KeyOrderOfTheWriter) {
    ProjectEnvironment env = Env();
    Project p = TwoPhotoProject(env);
    p.TitleText[0] = "开场";
    p.songs = {"/m/a.mp3"};
    p.lyricFiles = {"/m/a.lrc"};
    p.photos[1].Caption = "说明";
    p.photos[1].Headline = "标题";
    p.photos[1].SlideDuration = "6.5";
    p.photos[1].ImgPosX = 10;
    SettingsStore s;
    WriteProjectSettings(p, s, false);
    auto keys = KeysOf(s);
    const std::vector<std::string> head = {"TitleText(1)",        "PlayPhotoInRamdomOrder",
                                           "IgnoreMouseMove",     "ShowCursor",
                                           "EnableFloating",      "MuteSound",
                                           "EnableTransition",    "EnableHeadlineEffect",
                                           "EnableOpening",       "EnableEnding",
                                           "FilenameAsCaption",   "IsPackage",
                                           "EnableCaption",       "EnableExport",
                                           "IsExportAvi",         "AppVersion",
                                           "LyricFolder",         "ImgDrawScale",
                                           "BackgroundDrawScale", "BackgroundGradientMode",
                                           "EnableLyric",         "TitleStyle",
                                           "EnableSync",          "FontStartColor(1)",
                                           "FontEndColor(1)",     "BorderColor(1)",
                                           "fFontName(1)",        "fFontSize(1)",
                                           "fFontAlign(1)",       "fFontPattern(1)",
                                           "fBorderWidth(1)",     "fFontStyle(1)"};
    ASSERT_GE(keys.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.begin() + static_cast<long>(head.size())),
              head);
    const std::vector<std::string> tail = {"TimeInterval",
                                           "OpeningDurationTime",
                                           "EndingDurationTime",
                                           "SolidColor",
                                           "BeginColor",
                                           "EndColor",
                                           "CurrentMask",
                                           "PlayMusicOrder",
                                           "IsShowTip",
                                           "BackGroundSet",
                                           "ExportPassword",
                                           "EnableOpenFolder",
                                           "TxtSetting(0)",
                                           "StyleSelect",
                                           "ProjectName",
                                           "NowI",
                                           "NowM",
                                           "LyricFilesCount",
                                           "MusicNames(1)",
                                           "LyricFiles(1)",
                                           "ImgNames(1)",
                                           "ImgNames(2)",
                                           "SlideDuration(2)",
                                           "ImgPosX(2)",
                                           "ImgCaption(2)",
                                           "CapPosX(2)",
                                           "CapPosY(2)",
                                           "CapPosW(2)",
                                           "CapPosH(2)",
                                           "ImgHeadline(2)",
                                           "HeadPosX(2)",
                                           "HeadPosY(2)",
                                           "HeadPosW(2)",
                                           "HeadPosH(2)",
                                           "HeadDynamicStyle(2)",
                                           "HeadSize(2)",
                                           "HeadPattern(2)",
                                           "HeadBorder(2)",
                                           "HeadStyle(2)",
                                           "HeadStartColor(2)",
                                           "HeadEndColor(2)",
                                           "HeadBorderColor(2)"};
    EXPECT_EQ(std::vector<std::string>(keys.end() - static_cast<long>(tail.size()), keys.end()),
              tail);
    EXPECT_EQ(s.ReadSetting("CurrentMask").type(), ValueType::Integer);
    EXPECT_EQ(s.ReadSetting("TimeInterval").type(), ValueType::Single);
    EXPECT_EQ(s.ReadSetting("ExportPassword").type(), ValueType::String);
}

TEST(ProjectModel, ConditionalKeys) {
    ProjectEnvironment env = Env();
    Project p = TwoPhotoProject(env);
    p.BackGroundPicture = "/a/b.jp";   // 7 characters: not written
    p.OpeningImage = "/a/bc.jpg";      // 9: written
    p.LogoImage = "图片图片图片图片";  // 8 code points: written
    SettingsStore s;
    WriteProjectSettings(p, s, false);
    EXPECT_FALSE(s.Has("BackGroundPicture"));
    EXPECT_TRUE(s.Has("OpeningImage"));
    EXPECT_TRUE(s.Has("LogoImage"));
    EXPECT_FALSE(s.Has("TitleText(1)"));
    EXPECT_FALSE(s.Has("TxtSetting(1)"));
    EXPECT_FALSE(s.Has("ImgPosX(1)"));
    EXPECT_FALSE(s.Has("ImgCaption(1)") || s.Has("CapPosX(1)"));
    EXPECT_FALSE(s.Has("ImgHeadline(1)") || s.Has("HeadSize(1)"));

    SettingsStore prefs;
    WriteProjectSettings(p, prefs, true);
    EXPECT_FALSE(prefs.Has("ProjectName") || prefs.Has("NowI") || prefs.Has("ImgNames(1)"));
    EXPECT_TRUE(prefs.Has("StyleSelect"));

    SettingsStore none;
    Project empty = MakeDefaultProject(env);
    WriteProjectSettings(empty, none, false);
    EXPECT_TRUE(none.bag().empty()) << "no photos, nothing written";
}

TEST(ProjectModel, WriteThenReadGivesTheSameProject) {
    ProjectEnvironment env = Env();
    Project p = TwoPhotoProject(env);
    p.ProjectName = "/home/u/Project/我的.aps";
    p.TitleText = {"开场白", "结束"};
    p.EnableOpening = true;
    p.OpeningDurationTime = 3.25f;
    p.TimeInterval = 7.5f;
    p.ImgDrawScale = 1;
    p.BackGroundSet = "2";
    p.SolidColor = 0x123456;
    p.TransitionChosen.fill(false);
    p.TransitionChosen[0] = p.TransitionChosen[22] = true;
    p.ExportPassword = "";
    p.TxtSetting[4] = "多行\r\n说明";
    p.style(3).fFontName = "Arial";
    p.songs = {"/m/1.mp3", "/m/2.wma"};
    p.lyricFiles = {"/m/1.lrc"};
    p.photos[0].Caption = "第一张";
    p.photos[0].CapPos = {1, 2, 3, 4};
    p.photos[0].ImgPosX = -5;
    p.photos[0].ImgPosY = 9;
    p.photos[1].Headline = "动态";
    p.photos[1].HeadDynamicStyle = 8;
    p.photos[1].HeadPattern = 3;
    p.photos[1].SlideDuration = "5.125";
    SettingsStore s;
    WriteProjectSettings(p, s, false);

    Project r = MakeDefaultProject(env);
    ASSERT_TRUE(ReadProjectSettings(r, s, env, false));
    EXPECT_TRUE(s.bag().empty()) << "the reader empties the store";
    EXPECT_EQ(r.ProjectName, p.ProjectName);
    EXPECT_EQ(r.TitleText, p.TitleText);
    EXPECT_EQ(r.EnableOpening, true);
    EXPECT_EQ(r.OpeningDurationTime, 3.25f);
    EXPECT_EQ(r.TimeInterval, 7.5f);
    EXPECT_EQ(r.ImgDrawScale, 1);
    EXPECT_EQ(r.BackGroundSet, "2");
    EXPECT_EQ(r.SolidColor, 0x123456);
    EXPECT_EQ(r.TransitionChosen, p.TransitionChosen);
    EXPECT_EQ(r.TxtSetting, p.TxtSetting);
    EXPECT_EQ(r.styles, p.styles);
    EXPECT_EQ(r.songs, p.songs);
    EXPECT_EQ(r.lyricFiles, p.lyricFiles);
    ASSERT_EQ(r.photos.size(), 2u);
    EXPECT_EQ(r.photos[0].Caption, "第一张");
    EXPECT_EQ(r.photos[0].CapPos, (PlacementRect{1, 2, 3, 4}));
    EXPECT_EQ(r.photos[0].ImgPosX, -5);
    // Photo 2 has no caption: it reads back with the read-time rectangle,
    // not the new-photo one; every other field comes back as written.
    EXPECT_EQ(r.photos[1].CapPos, ReadCaptionDefaultRect(env));
    EXPECT_NE(r.photos[1].CapPos, p.photos[1].CapPos);
    PhotoEntry expected = p.photos[1];
    expected.CapPos = ReadCaptionDefaultRect(env);
    EXPECT_EQ(r.photos[1], expected);
}

TEST(ProjectModel, ReadRulesForPatternsStyleSelectAndOlderFiles) {
    ProjectEnvironment env = Env();
    Project p = TwoPhotoProject(env);
    p.style(2).fFontPattern = 2;
    p.photos[0].Headline = "h";
    p.photos[0].HeadPattern = 2;
    SettingsStore s;
    WriteProjectSettings(p, s, false);
    // An older file: without EnableFloating / IsExportAvi / EnableOpenFolder,
    // and StyleSelect of another length.
    SettingsStore old;
    for (const auto& [k, v] : s.bag().entries()) {
        if (k == "EnableFloating" || k == "IsExportAvi" || k == "EnableOpenFolder")
            continue;
        if (k == "StyleSelect") {
            old.WriteSetting(k, Value::Text(std::string(130, '1')));
            continue;
        }
        old.WriteSetting(k, v);
    }
    Project r = MakeDefaultProject(env);
    r.EnableFloating = false;
    r.IsExportAvi = true;
    ASSERT_TRUE(ReadProjectSettings(r, old, env, false));
    EXPECT_EQ(r.style(2).fFontPattern, 6);
    EXPECT_EQ(r.photos[0].HeadPattern, 0);
    EXPECT_FALSE(r.EnableFloating) << "kept";
    EXPECT_TRUE(r.IsExportAvi) << "kept";
    for (bool c : r.TransitionChosen)
        EXPECT_TRUE(c);

    Project shortSel = MakeDefaultProject(env);
    SettingsStore s2;
    WriteProjectSettings(p, s2, false);
    s2.WriteSetting("StyleSelect", Value::Text("1 1"));
    ASSERT_TRUE(ReadProjectSettings(shortSel, s2, env, false));
    EXPECT_TRUE(shortSel.TransitionChosen[0]);
    EXPECT_FALSE(shortSel.TransitionChosen[1]);
    EXPECT_TRUE(shortSel.TransitionChosen[2]);
    EXPECT_FALSE(shortSel.TransitionChosen[3]);
}

TEST(ProjectModel, PreferencesModeReadsOptionsAndEmptiesLists) {
    ProjectEnvironment env = Env();
    Project p = TwoPhotoProject(env);
    p.ProjectName = "/p.aps";
    p.MuteSound = true;
    SettingsStore s;
    WriteProjectSettings(p, s, false);
    Project r = TwoPhotoProject(env);
    r.songs = {"/x.mp3"};
    ASSERT_TRUE(ReadProjectSettings(r, s, env, true));
    EXPECT_TRUE(r.MuteSound);
    EXPECT_TRUE(r.photos.empty() && r.songs.empty() && r.lyricFiles.empty());
    EXPECT_TRUE(r.ProjectName.empty());
}

TEST(ProjectModel, UnreadableFilesLeaveTheProjectUnchanged) {
    ProjectEnvironment env = Env();
    Project p = TwoPhotoProject(env);
    SettingsStore base;
    WriteProjectSettings(p, base, false);
    struct Case {
        const char* what;
        const char* key;
        Value v;
        bool remove;
    };
    const Case cases[] = {
        {"missing Boolean", "MuteSound", Value(), true},
        {"number that is not one", "ImgDrawScale", Value::Text("abc"), false},
        {"photo count the file cannot hold", "NowI", Value::Long(2000000000), false},
        {"negative song count", "NowM", Value::Long(-1), false},
    };
    for (const auto& c : cases) {
        SettingsStore s;
        for (const auto& [k, v] : base.bag().entries()) {
            if (k == c.key && c.remove)
                continue;
            s.WriteSetting(k, k == c.key ? c.v : v);
        }
        Project r = MakeDefaultProject(env);
        r.TitleText[0] = "untouched";
        EXPECT_FALSE(ReadProjectSettings(r, s, env, false)) << c.what;
        EXPECT_EQ(r.TitleText[0], "untouched") << c.what;
        EXPECT_TRUE(r.photos.empty()) << c.what;
        EXPECT_TRUE(s.bag().empty()) << c.what;
    }
}

TEST(ProjectModel, StyleTargetsAndReset) {
    ProjectEnvironment env = Env();
    Project p = TwoPhotoProject(env);
    TextStyle t = LoadStyleTarget(p, 5);
    EXPECT_EQ(t.fFontPattern, 6);
    EXPECT_EQ(t.FontStartColor, 0x0000FF);
    EXPECT_EQ(t.fFontSize, p.style(3).fFontSize);
    t.fFontPattern = 4;
    t.fFontSize = 1;
    StoreStyleTarget(p, 5, t, 0);
    EXPECT_EQ(p.LyricDynamicFontPattern, 4);
    EXPECT_EQ(p.style(3).fFontSize, 56) << "target 5 writes only the highlight";
    TextStyle h = LoadStyleTarget(p, 2);
    h.fFontSize = 99;
    StoreStyleTarget(p, 2, h, 2);
    EXPECT_EQ(p.photos[1].HeadSize, 99);
    EXPECT_EQ(p.photos[0].HeadSize, 64);

    p.OpeningImage = "/o.jpg";
    p.ProjectName = "/p.aps";
    p.songs = {"/a.mp3"};
    p.TitleText[0] = "stays";
    ResetToEmptyProject(p);
    EXPECT_TRUE(p.photos.empty() && p.songs.empty() && p.OpeningImage.empty() &&
                p.ProjectName.empty());
    EXPECT_EQ(p.TitleText[0], "stays");
}
