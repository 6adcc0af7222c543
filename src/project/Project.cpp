#include "project/Project.h"

#include "base/AppInfo.h"
#include "base/FileNames.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"

namespace velmora {

namespace {

PlacementRect ScaledRect(const ProjectEnvironment& env, double x, double y, double w, double h) {
    return {nearest(x * env.screenW), nearest(y * env.screenH), nearest(w * env.screenW),
            nearest(h * env.screenH)};
}

// Reads keys from the store with the reader's conversions; the first failed
// conversion marks the whole read failed.
class KeyReader {
  public:
    explicit KeyReader(const SettingsStore& s) : s_(s) {}
    bool ok() const { return ok_; }

    std::string Text(const std::string& key) {
        auto t = s_.ReadSetting(key).ToText();
        if (!t)
            ok_ = false;
        return t.value_or("");
    }
    int32_t Long(const std::string& key) {
        auto v = s_.ReadSetting(key).ToLong();
        if (!v)
            ok_ = false;
        return v.value_or(0);
    }
    float Single(const std::string& key) {
        auto v = s_.ReadSetting(key).ToSingle();
        if (!v)
            ok_ = false;
        return v.value_or(0);
    }
    bool Bool(const std::string& key) {
        auto v = s_.ReadSetting(key).ToBool();
        if (!v)
            ok_ = false;
        return v.value_or(false);
    }
    // A key that older files may lack: converted only when not empty.
    void OptionalBool(const std::string& key, bool& target) {
        Value v = s_.ReadSetting(key);
        if (v.IsEmptyText())
            return;
        target = Bool(key);
    }
    // Per-photo position keys: absent means 0.
    int32_t LongOrZero(const std::string& key) {
        Value v = s_.ReadSetting(key);
        if (v.IsEmptyText())
            return 0;
        return Long(key);
    }

  private:
    const SettingsStore& s_;
    bool ok_ = true;
};

void WriteRect(SettingsStore& s, const std::string& stem, int i, const PlacementRect& r) {
    s.WriteSetting(ItemKey(stem + "X(", i), Value::Long(r.X));
    s.WriteSetting(ItemKey(stem + "Y(", i), Value::Long(r.Y));
    s.WriteSetting(ItemKey(stem + "W(", i), Value::Long(r.W));
    s.WriteSetting(ItemKey(stem + "H(", i), Value::Long(r.H));
}

PlacementRect ReadRect(KeyReader& r, const std::string& stem, int i) {
    PlacementRect rect;
    rect.X = r.Long(ItemKey(stem + "X(", i));
    rect.Y = r.Long(ItemKey(stem + "Y(", i));
    rect.W = r.Long(ItemKey(stem + "W(", i));
    rect.H = r.Long(ItemKey(stem + "H(", i));
    return rect;
}

}  // namespace

std::string Project::StyleSelectText() const {
    std::string s(kStyleSelectLength, ' ');
    for (int k = 0; k < kTransitionCount; ++k)
        if (TransitionChosen[static_cast<size_t>(k)])
            s[static_cast<size_t>(k)] = '1';
    return s;
}

void Project::SetStyleSelect(const std::string& text) {
    // Fit to 128 characters (code points): cut or pad with blanks. Only the
    // first 23 positions name list entries.
    std::vector<std::string> chars;
    for (size_t i = 0; i < text.size() && chars.size() < kStyleSelectLength;) {
        size_t n = 1;
        while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
            ++n;
        chars.push_back(text.substr(i, n));
        i += n;
    }
    chars.resize(kStyleSelectLength, " ");
    for (int k = 0; k < kTransitionCount; ++k)
        TransitionChosen[static_cast<size_t>(k)] = chars[static_cast<size_t>(k)] == "1";
}

std::array<TextStyle, 4> DefaultTextStyles(const std::string& face) {
    std::array<TextStyle, 4> s;
    const int32_t size[4] = {56, 64, 56, 120};
    const int32_t align[4] = {8, 4, 4, 4};
    const int32_t pattern[4] = {0, 6, 0, 0};
    const int32_t border[4] = {2, 2, 2, 3};
    const Colour start[4] = {0xFFFFFF, 0x0000FF, 0xFFFFFF, 0xFFFFFF};
    const Colour end[4] = {0xFF0000, 0x00FFFF, 0xFF0000, 0xFF0000};
    for (size_t i = 0; i < 4; ++i) {
        s[i].fFontName = face;
        s[i].fFontSize = size[i];
        s[i].fFontAlign = align[i];
        s[i].fFontPattern = pattern[i];
        s[i].fBorderWidth = border[i];
        s[i].fFontStyle = 1;
        s[i].FontStartColor = start[i];
        s[i].FontEndColor = end[i];
        s[i].BorderColor = 0x010101;
    }
    return s;
}

void SetDefaultPlacements(Project& p, const ProjectEnvironment& env) {
    p.TitlePos = ScaledRect(env, 0.1, 0.2, 0.8, 0.6);
    p.LyricPos = ScaledRect(env, 0.05, 0.75, 0.9, 0);
    p.LyricPos.H = env.lyricLineHeight + 1;
}

Project MakeDefaultProject(const ProjectEnvironment& env) {
    Project p;
    p.AppVersion = kVersionText;
    p.TransitionChosen.fill(true);
    p.TxtSetting[0] = "我的图片幻灯";
    p.styles = DefaultTextStyles(env.defaultFace);
    SetDefaultPlacements(p, env);
    return p;
}

PlacementRect ReadCaptionDefaultRect(const ProjectEnvironment& env) {
    return ScaledRect(env, 0.02, 0.02, 0.96, 0.96);
}

void ApplyHeadlineDefaults(PhotoEntry& e, const Project& p, const ProjectEnvironment& env) {
    const TextStyle& h = p.style(kHeadlineSlot);
    e.HeadPos = ScaledRect(env, 0.45, 0.45, 0.1, 0.1);
    e.HeadDynamicStyle = p.selectedHeadlineEffect;
    e.HeadSize = h.fFontSize;
    e.HeadPattern = h.fFontPattern;
    e.HeadBorder = h.fBorderWidth;
    e.HeadStyle = h.fFontStyle;
    e.HeadStartColor = h.FontStartColor;
    e.HeadEndColor = h.FontEndColor;
    e.HeadBorderColor = h.BorderColor;
}

PhotoEntry NewPhotoEntry(const std::string& path, const Project& p, const ProjectEnvironment& env) {
    PhotoEntry e;
    e.ImgName = path;
    e.CapPos = ScaledRect(env, 0.05, 0.05, 0.9, 0.9);
    ApplyHeadlineDefaults(e, p, env);
    return e;
}

void ResetToEmptyProject(Project& p) {
    p.photos.clear();
    p.songs.clear();
    p.lyricFiles.clear();
    p.OpeningImage.clear();
    p.EndingImage.clear();
    p.LogoImage.clear();
    p.ProjectName.clear();
}

TextStyle LoadStyleTarget(const Project& p, int target) {
    if (target >= 1 && target <= 4)
        return p.style(target);
    TextStyle s = p.style(kLyricSlot);
    s.fFontPattern = p.LyricDynamicFontPattern;
    s.FontStartColor = p.LyricDynamicFontStartColor;
    s.FontEndColor = p.LyricDynamicFontEndColor;
    return s;
}

void StoreStyleTarget(Project& p, int target, const TextStyle& s, int currentPhoto) {
    if (target >= 1 && target <= 4) {
        p.style(target) = s;
        if (target == kHeadlineSlot && currentPhoto >= 1 && currentPhoto <= p.NowI()) {
            PhotoEntry& e = p.photos[static_cast<size_t>(currentPhoto - 1)];
            e.HeadSize = s.fFontSize;
            e.HeadPattern = s.fFontPattern;
            e.HeadBorder = s.fBorderWidth;
            e.HeadStyle = s.fFontStyle;
            e.HeadStartColor = s.FontStartColor;
            e.HeadEndColor = s.FontEndColor;
            e.HeadBorderColor = s.BorderColor;
        }
        return;
    }
    p.LyricDynamicFontPattern = s.fFontPattern;
    p.LyricDynamicFontStartColor = s.FontStartColor;
    p.LyricDynamicFontEndColor = s.FontEndColor;
}

void WriteProjectSettings(const Project& p, SettingsStore& s, bool preferencesMode) {
    if (p.photos.empty())
        return;
    auto B = [&](const char* k, bool v) { s.WriteSetting(k, Value::Boolean(v)); };
    auto L = [&](const std::string& k, int32_t v) { s.WriteSetting(k, Value::Long(v)); };
    auto T = [&](const std::string& k, const std::string& v) { s.WriteSetting(k, Value::Text(v)); };

    // 1. Titles.
    if (!p.TitleText[0].empty())
        T("TitleText(1)", p.TitleText[0]);
    if (!p.TitleText[1].empty())
        T("TitleText(2)", p.TitleText[1]);
    // 2. Options.
    B("PlayPhotoInRamdomOrder", p.PlayPhotoInRamdomOrder);
    B("IgnoreMouseMove", p.IgnoreMouseMove);
    B("ShowCursor", p.ShowCursor);
    B("EnableFloating", p.EnableFloating);
    B("MuteSound", p.MuteSound);
    B("EnableTransition", p.EnableTransition);
    B("EnableHeadlineEffect", p.EnableHeadlineEffect);
    B("EnableOpening", p.EnableOpening);
    B("EnableEnding", p.EnableEnding);
    B("FilenameAsCaption", p.FilenameAsCaption);
    B("IsPackage", p.IsPackage);
    B("EnableCaption", p.EnableCaption);
    B("EnableExport", p.EnableExport);
    B("IsExportAvi", p.IsExportAvi);
    // 3.
    T("AppVersion", kVersionText);
    T("LyricFolder", p.LyricFolder);
    L("ImgDrawScale", p.ImgDrawScale);
    L("BackgroundDrawScale", p.BackgroundDrawScale);
    L("BackgroundGradientMode", p.BackgroundGradientMode);
    B("EnableLyric", p.EnableLyric);
    L("TitleStyle", p.TitleStyle);
    B("EnableSync", p.EnableSync);
    // 4. Text styles, slot by slot.
    for (int i = 1; i <= 4; ++i) {
        const TextStyle& t = p.style(i);
        L(ItemKey("FontStartColor(", i), t.FontStartColor);
        L(ItemKey("FontEndColor(", i), t.FontEndColor);
        L(ItemKey("BorderColor(", i), t.BorderColor);
        T(ItemKey("fFontName(", i), t.fFontName);
        L(ItemKey("fFontSize(", i), t.fFontSize);
        L(ItemKey("fFontAlign(", i), t.fFontAlign);
        L(ItemKey("fFontPattern(", i), t.fFontPattern);
        L(ItemKey("fBorderWidth(", i), t.fBorderWidth);
        L(ItemKey("fFontStyle(", i), t.fFontStyle);
    }
    // 5. Placements and the lyric highlight.
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
    // 6. Images, only when they name a file.
    auto img = [&](const char* k, const std::string& v) {
        if (NamesFile(v))
            T(k, v);
    };
    img("BackGroundPicture", p.BackGroundPicture);
    img("OpeningImage", p.OpeningImage);
    img("EndingImage", p.EndingImage);
    img("LogoImage", p.LogoImage);
    // 7. Durations.
    s.WriteSetting("TimeInterval", Value::Single(p.TimeInterval));
    s.WriteSetting("OpeningDurationTime", Value::Single(p.OpeningDurationTime));
    s.WriteSetting("EndingDurationTime", Value::Single(p.EndingDurationTime));
    // 8.
    L("SolidColor", p.SolidColor);
    L("BeginColor", p.BeginColor);
    L("EndColor", p.EndColor);
    s.WriteSetting("CurrentMask", Value::Integer(0));
    L("PlayMusicOrder", p.PlayMusicOrder);
    B("IsShowTip", p.IsShowTip);
    T("BackGroundSet", p.BackGroundSet);
    T("ExportPassword", p.ExportPassword);
    B("EnableOpenFolder", p.EnableOpenFolder);
    // 9. Slideshow information.
    for (int i = 0; i < kInfoTextCount; ++i)
        if (!p.TxtSetting[static_cast<size_t>(i)].empty())
            T(ItemKey("TxtSetting(", i), p.TxtSetting[static_cast<size_t>(i)]);
    // 10.
    T("StyleSelect", p.StyleSelectText());
    if (preferencesMode)
        return;

    // The list part.
    T("ProjectName", p.ProjectName);
    L("NowI", p.NowI());
    L("NowM", p.NowM());
    L("LyricFilesCount", p.LyricFilesCount());
    for (int i = 1; i <= p.NowM(); ++i)
        T(ItemKey("MusicNames(", i), p.songs[static_cast<size_t>(i - 1)]);
    for (int i = 1; i <= p.LyricFilesCount(); ++i)
        T(ItemKey("LyricFiles(", i), p.lyricFiles[static_cast<size_t>(i - 1)]);
    for (int i = 1; i <= p.NowI(); ++i) {
        const PhotoEntry& e = p.photos[static_cast<size_t>(i - 1)];
        T(ItemKey("ImgNames(", i), e.ImgName);
        if (!e.SlideDuration.empty())
            T(ItemKey("SlideDuration(", i), e.SlideDuration);
        if (e.ImgPosX != 0)
            L(ItemKey("ImgPosX(", i), e.ImgPosX);
        if (e.ImgPosY != 0)
            L(ItemKey("ImgPosY(", i), e.ImgPosY);
        if (!e.Caption.empty()) {
            T(ItemKey("ImgCaption(", i), e.Caption);
            WriteRect(s, "CapPos", i, e.CapPos);
        }
        if (!e.Headline.empty()) {
            T(ItemKey("ImgHeadline(", i), e.Headline);
            WriteRect(s, "HeadPos", i, e.HeadPos);
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
}

bool ReadProjectSettings(Project& project, SettingsStore& store, const ProjectEnvironment& env,
                         bool preferencesMode) {
    // Read into a copy: an unreadable file leaves the project as it was.
    Project p = project;
    KeyReader r(store);
    auto finish = [&](bool ok) {
        store.Clear();
        if (ok)
            project = std::move(p);
        return ok;
    };

    // 1.
    p.TitleText[0] = r.Text("TitleText(1)");
    p.TitleText[1] = r.Text("TitleText(2)");
    // 2.
    p.PlayPhotoInRamdomOrder = r.Bool("PlayPhotoInRamdomOrder");
    p.IgnoreMouseMove = r.Bool("IgnoreMouseMove");
    p.ShowCursor = r.Bool("ShowCursor");
    r.OptionalBool("EnableFloating", p.EnableFloating);
    p.MuteSound = r.Bool("MuteSound");
    p.EnableTransition = r.Bool("EnableTransition");
    p.EnableHeadlineEffect = r.Bool("EnableHeadlineEffect");
    p.EnableOpening = r.Bool("EnableOpening");
    p.EnableEnding = r.Bool("EnableEnding");
    p.FilenameAsCaption = r.Bool("FilenameAsCaption");
    p.IsPackage = r.Bool("IsPackage");
    p.EnableCaption = r.Bool("EnableCaption");
    p.EnableExport = r.Bool("EnableExport");
    r.OptionalBool("IsExportAvi", p.IsExportAvi);
    // 3.
    p.LyricFolder = r.Text("LyricFolder");
    p.ImgDrawScale = r.Long("ImgDrawScale");
    p.BackgroundDrawScale = r.Long("BackgroundDrawScale");
    p.BackgroundGradientMode = r.Long("BackgroundGradientMode");
    p.EnableLyric = r.Bool("EnableLyric");
    p.TitleStyle = r.Long("TitleStyle");
    p.EnableSync = r.Bool("EnableSync");
    // 4.
    for (int i = 1; i <= 4; ++i) {
        TextStyle& t = p.style(i);
        t.FontStartColor = r.Long(ItemKey("FontStartColor(", i));
        t.FontEndColor = r.Long(ItemKey("FontEndColor(", i));
        t.BorderColor = r.Long(ItemKey("BorderColor(", i));
        t.fFontName = r.Text(ItemKey("fFontName(", i));
        t.fFontSize = r.Long(ItemKey("fFontSize(", i));
        t.fFontAlign = r.Long(ItemKey("fFontAlign(", i));
        t.fFontPattern = r.Long(ItemKey("fFontPattern(", i));
        t.fBorderWidth = r.Long(ItemKey("fBorderWidth(", i));
        t.fFontStyle = r.Long(ItemKey("fFontStyle(", i));
    }
    if (p.style(kHeadlineSlot).fFontPattern == 2)
        p.style(kHeadlineSlot).fFontPattern = 6;
    // 5.
    p.LyricPos = {r.Long("LyricPosX"), r.Long("LyricPosY"), r.Long("LyricPosW"),
                  r.Long("LyricPosH")};
    p.TitlePos = {r.Long("TitlePosX"), r.Long("TitlePosY"), r.Long("TitlePosW"),
                  r.Long("TitlePosH")};
    p.LyricDynamicFontPattern = r.Long("LyricDynamicFontPattern");
    p.LyricDynamicFontStartColor = r.Long("LyricDynamicFontStartColor");
    p.LyricDynamicFontEndColor = r.Long("LyricDynamicFontEndColor");
    p.LyricStyle = r.Long("LyricStyle");
    p.BackGroundPicture = r.Text("BackGroundPicture");
    p.OpeningImage = r.Text("OpeningImage");
    p.EndingImage = r.Text("EndingImage");
    p.LogoImage = r.Text("LogoImage");
    p.TimeInterval = r.Single("TimeInterval");
    p.OpeningDurationTime = r.Single("OpeningDurationTime");
    p.EndingDurationTime = r.Single("EndingDurationTime");
    p.SolidColor = r.Long("SolidColor");
    p.BeginColor = r.Long("BeginColor");
    p.EndColor = r.Long("EndColor");
    p.PlayMusicOrder = r.Long("PlayMusicOrder");
    p.ProjectName = r.Text("ProjectName");
    p.IsShowTip = r.Bool("IsShowTip");
    p.BackGroundSet = r.Text("BackGroundSet");
    p.ExportPassword = r.Text("ExportPassword");
    r.OptionalBool("EnableOpenFolder", p.EnableOpenFolder);
    // 6.
    for (int i = 0; i < kInfoTextCount; ++i) {
        std::string t = r.Text(ItemKey("TxtSetting(", i));
        if (!t.empty())
            p.TxtSetting[static_cast<size_t>(i)] = t;
    }
    // 7.
    p.SetStyleSelect(r.Text("StyleSelect"));
    if (!r.ok())
        return finish(false);

    // 8.
    if (preferencesMode) {
        p.photos.clear();
        p.songs.clear();
        p.lyricFiles.clear();
        p.ProjectName.clear();
        return finish(true);
    }
    if (!store.Has("NowI"))
        return finish(true);
    int32_t nowI = r.Long("NowI");
    int32_t nowM = r.Long("NowM");
    int32_t lyricCount = r.Long("LyricFilesCount");
    // Every list entry has a key of its own: a count larger than the number
    // of stored values cannot be backed by the file.
    const int64_t stored = static_cast<int64_t>(store.bag().size());
    if (!r.ok() || nowI < 0 || nowM < 0 || lyricCount < 0 ||
        static_cast<int64_t>(nowI) + nowM + lyricCount > stored)
        return finish(false);
    p.songs.clear();
    for (int i = 1; i <= nowM; ++i)
        p.songs.push_back(r.Text(ItemKey("MusicNames(", i)));
    p.lyricFiles.clear();
    for (int i = 1; i <= lyricCount; ++i)
        p.lyricFiles.push_back(r.Text(ItemKey("LyricFiles(", i)));
    p.photos.clear();
    p.photos.reserve(static_cast<size_t>(nowI));
    for (int i = 1; i <= nowI; ++i) {
        PhotoEntry e;
        e.ImgName = r.Text(ItemKey("ImgNames(", i));
        e.SlideDuration = r.Text(ItemKey("SlideDuration(", i));
        e.ImgPosX = r.LongOrZero(ItemKey("ImgPosX(", i));
        e.ImgPosY = r.LongOrZero(ItemKey("ImgPosY(", i));
        e.Caption = r.Text(ItemKey("ImgCaption(", i));
        if (e.Caption.empty())
            e.CapPos = ReadCaptionDefaultRect(env);
        else
            e.CapPos = ReadRect(r, "CapPos", i);
        e.Headline = r.Text(ItemKey("ImgHeadline(", i));
        if (e.Headline.empty()) {
            ApplyHeadlineDefaults(e, p, env);
        } else {
            e.HeadPos = ReadRect(r, "HeadPos", i);
            e.HeadDynamicStyle = r.Long(ItemKey("HeadDynamicStyle(", i));
            e.HeadSize = r.Long(ItemKey("HeadSize(", i));
            e.HeadPattern = r.Long(ItemKey("HeadPattern(", i));
            if (e.HeadPattern == 2)
                e.HeadPattern = 0;
            e.HeadBorder = r.Long(ItemKey("HeadBorder(", i));
            e.HeadStyle = r.Long(ItemKey("HeadStyle(", i));
            e.HeadStartColor = r.Long(ItemKey("HeadStartColor(", i));
            e.HeadEndColor = r.Long(ItemKey("HeadEndColor(", i));
            e.HeadBorderColor = r.Long(ItemKey("HeadBorderColor(", i));
        }
        if (!r.ok())
            return finish(false);
        p.photos.push_back(std::move(e));
    }
    return finish(r.ok());
}

}  // namespace velmora
