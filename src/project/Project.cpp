#include "project/Project.h"

#include "base/AppInfo.h"
#include "base/FileNames.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"
#include "project/SettingsIo.h"

namespace velmora {

namespace {

PlacementRect ScaledRect(const ProjectEnvironment& env, double x, double y, double w, double h) {
    return {nearest(x * env.screenW), nearest(y * env.screenH), nearest(w * env.screenW),
            nearest(h * env.screenH)};
}

bool InFile(const SettingKey& key, bool preferencesMode) {
    return key.In(preferencesMode ? kInPreferences : kInProjectFile);
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

namespace {

// Sets the members of the keys that pass `which` to their start-up defaults
// from the key table.
template <class Which>
void ApplyDefaults(Project& p, const ProjectEnvironment& env, Which which) {
    for (const SettingKey* key : kProjectFileOrder) {
        if (!which(*key))
            continue;
        if (key->derived == Derived::StyleSelect) {
            if (auto v = DefaultValue(*key, env))
                p.SetStyleSelect(v->text());
            continue;
        }
        IndexRange r = IndicesOf(key->scope, p);
        for (int i = r.first; i <= r.last; ++i)
            if (auto v = DefaultValue(*key, env, i))
                SetMemberValue(*key, p, i, *v);
    }
}

bool IsScreenPlacement(const SettingKey& key) {
    using K = KeyDefault::Kind;
    return key.def.kind == K::ScreenWidth || key.def.kind == K::ScreenHeight ||
           key.def.kind == K::LyricLineHeight;
}

}  // namespace

std::array<TextStyle, 4> DefaultTextStyles(const std::string& face) {
    Project p;
    ProjectEnvironment env;
    env.defaultFace = face;
    ApplyDefaults(p, env, [](const SettingKey& k) { return k.scope == KeyScope::Style; });
    return p.styles;
}

void SetDefaultPlacements(Project& p, const ProjectEnvironment& env) {
    ApplyDefaults(p, env, IsScreenPlacement);
}

Project MakeDefaultProject(const ProjectEnvironment& env) {
    Project p;
    ApplyDefaults(p, env, [](const SettingKey& k) {
        return k.derived == Derived::None || k.derived == Derived::StyleSelect;
    });
    p.AppVersion = kVersionText;
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
    KeyOrder order(kProjectFileOrder);
    if (preferencesMode)
        order = order.first(kProjectListPartStart);
    WriteKeys(order, p, s, [&](const SettingKey& key, int) {
        return !InFile(key, preferencesMode);  // not carried here: skipped
    });
}

bool ReadProjectSettings(Project& project, SettingsStore& store, const ProjectEnvironment& env,
                         bool preferencesMode) {
    // Read into a copy: an unreadable file leaves the project as it was.
    Project p = project;
    bool ok = true;
    auto finish = [&](bool good) {
        store.Clear();
        if (good)
            project = std::move(p);
        return good;
    };
    auto read = [&](const SettingKey& key, int index) {
        ok = ReadKey(key, store.ReadSetting(KeyName(key, index)),
                     [&](const Value& v) { return SetMemberValue(key, p, index, v); }) &&
             ok;
    };

    // The options: every key of the global part, and the project path.
    for (const SettingKey* key : kProjectFileOrder) {
        if (!InFile(*key, preferencesMode) && key != &keys::ProjectName)
            continue;
        switch (key->scope) {
            case KeyScope::Song:
            case KeyScope::LyricFile:
            case KeyScope::Photo:
                continue;  // the lists follow
            default:
                break;
        }
        if (key->derived == Derived::StyleSelect) {
            auto text = store.ReadSetting(KeyName(*key)).ToText();
            ok = text.has_value() && ok;
            p.SetStyleSelect(text.value_or(""));
            continue;
        }
        if (key->derived != Derived::None)
            continue;
        IndexRange r = IndicesOf(key->scope, p);
        for (int i = r.first; i <= r.last; ++i)
            read(*key, i);
    }
    if (p.style(kHeadlineSlot).fFontPattern == 2)
        p.style(kHeadlineSlot).fFontPattern = 6;
    if (!ok)
        return finish(false);

    // The lists.
    if (preferencesMode) {
        p.photos.clear();
        p.songs.clear();
        p.lyricFiles.clear();
        p.ProjectName.clear();
        return finish(true);
    }
    if (!store.Has(KeyName(keys::NowI)))
        return finish(true);
    auto count = [&](const SettingKey& key) {
        auto n = store.ReadSetting(KeyName(key)).ToLong();
        ok = n.has_value() && ok;
        return n.value_or(0);
    };
    int32_t nowI = count(keys::NowI);
    int32_t nowM = count(keys::NowM);
    int32_t lyricCount = count(keys::LyricFilesCount);
    // Every list entry has a key of its own: a count larger than the number
    // of stored values cannot be backed by the file.
    const int64_t stored = static_cast<int64_t>(store.bag().size());
    if (!ok || nowI < 0 || nowM < 0 || lyricCount < 0 ||
        static_cast<int64_t>(nowI) + nowM + lyricCount > stored)
        return finish(false);
    p.songs.assign(static_cast<size_t>(nowM), std::string());
    for (int i = 1; i <= nowM; ++i)
        read(keys::MusicNames, i);
    p.lyricFiles.assign(static_cast<size_t>(lyricCount), std::string());
    for (int i = 1; i <= lyricCount; ++i)
        read(keys::LyricFiles, i);
    const KeyOrder photoKeys = RunOf(kProjectFileOrder, KeyScope::Photo);
    p.photos.clear();
    p.photos.reserve(static_cast<size_t>(nowI));
    for (int i = 1; i <= nowI; ++i) {
        PhotoEntry e;
        for (const SettingKey* key : photoKeys) {
            // The rectangle and style of a caption or headline are read only
            // with their text.
            if ((key->write == WriteWhen::WithCaption && e.Caption.empty()) ||
                (key->write == WriteWhen::WithHeadline && e.Headline.empty()))
                continue;
            ok = ReadKey(*key, store.ReadSetting(KeyName(*key, i)),
                         [&](const Value& v) { return SetPhotoMemberValue(*key, e, v); }) &&
                 ok;
        }
        if (e.Caption.empty())
            e.CapPos = ReadCaptionDefaultRect(env);
        if (e.Headline.empty())
            ApplyHeadlineDefaults(e, p, env);
        else if (e.HeadPattern == 2)
            e.HeadPattern = 0;
        if (!ok)
            return finish(false);
        p.photos.push_back(std::move(e));
    }
    return finish(ok);
}

}  // namespace velmora
