// The settings keys: every key the program stores, once, with its type, the
// project member it carries, its start-up default, when it is written, how a
// file that lacks it is read, and which files carry it. The project file's
// writer and reader, the package build, `project show` and the players walk
// these entries instead of spelling keys out.
//
// Two orders: kProjectFileOrder is the order of the project file (and of the
// preferences file, which leaves out the list part); kPackageOrder is the
// order of a full package's settings block, which differs. A run of
// consecutive entries of one indexed scope is written index by index: the
// four text styles slot by slot, the photos photo by photo.
//
// Plain C++ with no Qt: the Windows player compiles it too.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "project/Project.h"

namespace velmora {

// The three keys that stand for an embedded file N of a package: N + suffix.
inline constexpr std::string_view kEmbeddedOffsetSuffix = "_OffSet";  // Long
inline constexpr std::string_view kEmbeddedSizeSuffix = "_Size";      // Long
inline constexpr std::string_view kEmbeddedTypeSuffix = "_Type";      // String

// The files a key is carried in.
enum KeyCarrier : uint8_t {
    kInProjectFile = 1,  // *.aps and the autosave file
    kInPreferences = 2,  // Mirb.ini: the project file without its list part
    kInPackage = 4,      // the settings block of a full package
};

// Which element a key names, and so how its name is formed.
enum class KeyScope : uint8_t {
    Global,     // one key; the name as it stands
    TitleText,  // 1 opening, 2 ending
    Style,      // text style slot 1..4
    Info,       // slideshow information 0..5
    Song,       // 1..NowM
    LyricFile,  // 1..LyricFilesCount
    Photo,      // 1..NowI
    Indexed,    // package keys whose indices the build gives (fonts, lyrics of songs)
};

enum class WriteWhen : uint8_t {
    Always,
    NotEmpty,      // a text, only when not empty
    NamesFile,     // a picture path, only when longer than 7 characters
    NotZero,       // a number, only when not 0
    WithCaption,   // per photo, only when the photo has a caption
    WithHeadline,  // per photo, only when the photo has a headline
    ByBuild,       // package keys the build writes itself (embedded files, totals)
};

enum class ReadAs : uint8_t {
    Required,       // converted as it stands; an absent number or Boolean fails the read
    KeepWhenEmpty,  // converted only when not empty (keys older files lack)
    ZeroWhenEmpty,  // absent reads as 0
    NotRead,        // written only
};

// Values that are not one member of the project.
enum class Derived : uint8_t {
    None,            // the member bound in the entry
    AppVersion,      // the writing program's version
    CurrentMask,     // always Integer 0
    StyleSelect,     // the 128-character transition choice
    PhotoCount,      // NowI
    SongCount,       // NowM
    LyricFileCount,  // LyricFilesCount
    BuildValue,      // given by the package build
};

// A start-up default.
struct KeyDefault {
    enum class Kind : uint8_t {
        None,             // no default of its own (counts, lists, per-photo keys)
        Value,            // number (or bool) / text below
        ScreenWidth,      // number x the screen width, rounded
        ScreenHeight,     // number x the screen height, rounded
        LyricLineHeight,  // the measured lyric line height + 1
        Face,             // the user interface's default face
        PerSlot,          // slots[slot - 1]
        Version,          // the program's version text
        AllTransitions,   // every transition chosen
    };
    Kind kind = Kind::None;
    double number = 0;
    std::string_view text;  // for an indexed text key: the first index's default
    std::array<int32_t, 4> slots{};
};

template <class Owner>
struct RectPart {
    PlacementRect Owner::*rect = nullptr;
    int32_t PlacementRect::*part = nullptr;
};

// A member of Owner that holds a key's value.
template <class Owner>
using FieldOf = std::variant<std::monostate, std::string Owner::*, int32_t Owner::*, float Owner::*,
                             bool Owner::*, RectPart<Owner>>;

struct SettingKey {
    std::string_view name;  // the whole key, or for an indexed scope its stem ("ImgNames(")
    ValueType type = ValueType::String;
    KeyScope scope = KeyScope::Global;
    Derived derived = Derived::None;
    FieldOf<Project> projectField;   // scope Global
    FieldOf<TextStyle> styleField;   // scope Style
    FieldOf<PhotoEntry> photoField;  // scope Photo
    KeyDefault def;
    WriteWhen write = WriteWhen::Always;
    ReadAs read = ReadAs::Required;
    uint8_t carriers = 0;
    // In a full package the file the key names is embedded (N_OffSet, N_Size,
    // N_Type) instead of being stored as a path.
    bool embeddedInPackage = false;

    bool In(KeyCarrier c) const { return (carriers & c) != 0; }
    bool Indexed() const { return scope != KeyScope::Global; }
};

// The key's name for element index (ignored for a global key): the stem, the
// decimal index and ")" ("ImgNames(3)").
std::string KeyName(const SettingKey& key, int index = 0);

// The project's value for the key at index, for keys bound to a member
// (nullopt for derived keys). Text, Long, Single and Boolean as the type says.
std::optional<Value> MemberValue(const SettingKey& key, const Project& p, int index = 0);

// Sets the member from a stored value, converted to the key's type; false
// when it does not convert (the member is then unchanged). Song and lyric
// file entries must exist (index 1..size).
bool SetMemberValue(const SettingKey& key, Project& p, int index, const Value& v);
bool SetPhotoMemberValue(const SettingKey& key, PhotoEntry& e, const Value& v);

// The key's start-up default as a value for index (nullopt: none).
std::optional<Value> DefaultValue(const SettingKey& key, const ProjectEnvironment& env,
                                  int index = 0);

// The indices of an indexed scope for the project (first, last; empty when
// last < first).
struct IndexRange {
    int first = 0, last = -1;
};
IndexRange IndicesOf(KeyScope scope, const Project& p);

// The entry with this name or stem ("NowI", "ImgNames("); nullptr when the
// table has none.
const SettingKey* FindSettingKey(std::string_view nameOrStem);

// The player's reading of one key from a package's settings: the stored
// value converted to the key's type, or the key's start-up default (for an
// environment of 1024 x 768) when it is absent or does not convert.
int32_t PackageLong(const PropertyBag& bag, const SettingKey& key, int index = 0);
bool PackageBool(const PropertyBag& bag, const SettingKey& key, int index = 0);
std::string PackageText(const PropertyBag& bag, const SettingKey& key, int index = 0);

namespace keys {

using K = SettingKey;
using D = KeyDefault;
using DK = KeyDefault::Kind;
inline constexpr uint8_t kAll = kInProjectFile | kInPreferences | kInPackage;
inline constexpr uint8_t kFiles = kInProjectFile | kInPreferences;  // not in packages
inline constexpr uint8_t kProjectOnly = kInProjectFile;
inline constexpr uint8_t kLists = kInProjectFile | kInPackage;  // the list part
inline constexpr uint8_t kPackageOnly = kInPackage;

constexpr D Val(double v) {
    return {DK::Value, v, {}, {}};
}
constexpr D Txt(std::string_view t) {
    return {DK::Value, 0, t, {}};
}
constexpr D Slots(int32_t a, int32_t b, int32_t c, int32_t d) {
    return {DK::PerSlot, 0, {}, {a, b, c, d}};
}

template <class M>
constexpr K G(std::string_view name, ValueType t, M Project::*m, D def, uint8_t carriers,
              WriteWhen w = WriteWhen::Always, ReadAs r = ReadAs::Required) {
    K k;
    k.name = name;
    k.type = t;
    k.projectField = m;
    k.def = def;
    k.carriers = carriers;
    k.write = w;
    k.read = r;
    return k;
}
constexpr K B(std::string_view name, bool Project::*m, bool def, uint8_t carriers = kAll,
              ReadAs r = ReadAs::Required) {
    return G(name, ValueType::Boolean, m, Val(def ? 1 : 0), carriers, WriteWhen::Always, r);
}
constexpr K L(std::string_view name, int32_t Project::*m, double def, uint8_t carriers = kAll) {
    return G(name, ValueType::Long, m, Val(def), carriers);
}
constexpr K F(std::string_view name, float Project::*m, double def) {
    return G(name, ValueType::Single, m, Val(def), kAll);
}
constexpr K R(std::string_view name, PlacementRect Project::*rect, int32_t PlacementRect::*part,
              D def) {
    K k;
    k.name = name;
    k.type = ValueType::Long;
    k.projectField = RectPart<Project>{rect, part};
    k.def = def;
    k.carriers = kAll;
    return k;
}
constexpr K Derive(std::string_view name, ValueType t, Derived d, uint8_t carriers,
                   KeyScope s = KeyScope::Global, D def = {}) {
    K k;
    k.name = name;
    k.type = t;
    k.derived = d;
    k.scope = s;
    k.carriers = carriers;
    k.def = def;
    k.read = ReadAs::NotRead;
    if (d == Derived::BuildValue)
        k.write = WriteWhen::ByBuild;
    return k;
}
constexpr K Embedded(std::string_view name, KeyScope s = KeyScope::Global) {
    K k = Derive(name, ValueType::String, Derived::BuildValue, kPackageOnly, s);
    k.embeddedInPackage = true;
    return k;
}
constexpr K List(std::string_view stem, KeyScope s, uint8_t carriers, bool embedded) {
    K k;
    k.name = stem;
    k.scope = s;
    k.carriers = carriers;
    k.embeddedInPackage = embedded;
    return k;
}
template <class M>
constexpr K S(std::string_view stem, ValueType t, M TextStyle::*m, D def) {
    K k;
    k.name = stem;
    k.type = t;
    k.scope = KeyScope::Style;
    k.styleField = m;
    k.def = def;
    k.carriers = kAll;
    return k;
}
template <class M>
constexpr K P(std::string_view stem, ValueType t, M PhotoEntry::*m, WriteWhen w,
              ReadAs r = ReadAs::Required) {
    K k;
    k.name = stem;
    k.type = t;
    k.scope = KeyScope::Photo;
    k.photoField = m;
    k.carriers = kLists;
    k.write = w;
    k.read = r;
    return k;
}
constexpr K PR(std::string_view stem, PlacementRect PhotoEntry::*rect, int32_t PlacementRect::*part,
               WriteWhen w) {
    K k;
    k.name = stem;
    k.type = ValueType::Long;
    k.scope = KeyScope::Photo;
    k.photoField = RectPart<PhotoEntry>{rect, part};
    k.carriers = kLists;
    k.write = w;
    return k;
}

using PR_ = PlacementRect;
using VT = ValueType;
using W = WriteWhen;
using RA = ReadAs;

// Titles and options.
inline constexpr K TitleText = [] {
    K k = List("TitleText(", KeyScope::TitleText, kAll, false);
    k.write = W::NotEmpty;
    k.def = Txt("");
    return k;
}();
inline constexpr K PlayPhotoInRamdomOrder =
    B("PlayPhotoInRamdomOrder", &Project::PlayPhotoInRamdomOrder, false);
inline constexpr K IgnoreMouseMove = B("IgnoreMouseMove", &Project::IgnoreMouseMove, false);
inline constexpr K ShowCursor = B("ShowCursor", &Project::ShowCursor, false);
inline constexpr K EnableFloating =
    B("EnableFloating", &Project::EnableFloating, true, kAll, RA::KeepWhenEmpty);
inline constexpr K MuteSound = B("MuteSound", &Project::MuteSound, false);
inline constexpr K EnableTransition = B("EnableTransition", &Project::EnableTransition, true);
inline constexpr K EnableHeadlineEffect =
    B("EnableHeadlineEffect", &Project::EnableHeadlineEffect, true);
inline constexpr K EnableOpening = B("EnableOpening", &Project::EnableOpening, false);
inline constexpr K EnableEnding = B("EnableEnding", &Project::EnableEnding, false);
inline constexpr K FilenameAsCaption =
    B("FilenameAsCaption", &Project::FilenameAsCaption, false, kFiles);
inline constexpr K IsPackage = B("IsPackage", &Project::IsPackage, true);
inline constexpr K EnableCaption = B("EnableCaption", &Project::EnableCaption, true);
inline constexpr K EnableExport = B("EnableExport", &Project::EnableExport, false);
inline constexpr K IsExportAvi =
    B("IsExportAvi", &Project::IsExportAvi, false, kFiles, RA::KeepWhenEmpty);
inline constexpr K AppVersion = Derive("AppVersion", VT::String, Derived::AppVersion, kAll,
                                       KeyScope::Global, D{DK::Version, 0, {}, {}});
inline constexpr K LyricFolder =
    G("LyricFolder", VT::String, &Project::LyricFolder, Txt(""), kFiles);
inline constexpr K ImgDrawScale = L("ImgDrawScale", &Project::ImgDrawScale, 3);
inline constexpr K BackgroundDrawScale = L("BackgroundDrawScale", &Project::BackgroundDrawScale, 2);
inline constexpr K BackgroundGradientMode =
    L("BackgroundGradientMode", &Project::BackgroundGradientMode, 1);
inline constexpr K EnableLyric = B("EnableLyric", &Project::EnableLyric, true);
inline constexpr K TitleStyle = L("TitleStyle", &Project::TitleStyle, 1);
inline constexpr K EnableSync = B("EnableSync", &Project::EnableSync, true);

// Text styles, slot by slot.
inline constexpr K FontStartColor = S("FontStartColor(", VT::Long, &TextStyle::FontStartColor,
                                      Slots(0xFFFFFF, 0x0000FF, 0xFFFFFF, 0xFFFFFF));
inline constexpr K FontEndColor = S("FontEndColor(", VT::Long, &TextStyle::FontEndColor,
                                    Slots(0xFF0000, 0x00FFFF, 0xFF0000, 0xFF0000));
inline constexpr K BorderColor = S("BorderColor(", VT::Long, &TextStyle::BorderColor,
                                   Slots(0x010101, 0x010101, 0x010101, 0x010101));
inline constexpr K fFontName =
    S("fFontName(", VT::String, &TextStyle::fFontName, D{DK::Face, 0, {}, {}});
inline constexpr K fFontSize =
    S("fFontSize(", VT::Long, &TextStyle::fFontSize, Slots(56, 64, 56, 120));
inline constexpr K fFontAlign =
    S("fFontAlign(", VT::Long, &TextStyle::fFontAlign, Slots(8, 4, 4, 4));
inline constexpr K fFontPattern =
    S("fFontPattern(", VT::Long, &TextStyle::fFontPattern, Slots(0, 6, 0, 0));
inline constexpr K fBorderWidth =
    S("fBorderWidth(", VT::Long, &TextStyle::fBorderWidth, Slots(2, 2, 2, 3));
inline constexpr K fFontStyle =
    S("fFontStyle(", VT::Long, &TextStyle::fFontStyle, Slots(1, 1, 1, 1));

// Placements and the lyric highlight.
inline constexpr K LyricPosX =
    R("LyricPosX", &Project::LyricPos, &PR_::X, D{DK::ScreenWidth, 0.05, {}, {}});
inline constexpr K LyricPosY =
    R("LyricPosY", &Project::LyricPos, &PR_::Y, D{DK::ScreenHeight, 0.75, {}, {}});
inline constexpr K LyricPosW =
    R("LyricPosW", &Project::LyricPos, &PR_::W, D{DK::ScreenWidth, 0.9, {}, {}});
inline constexpr K LyricPosH =
    R("LyricPosH", &Project::LyricPos, &PR_::H, D{DK::LyricLineHeight, 0, {}, {}});
inline constexpr K TitlePosX =
    R("TitlePosX", &Project::TitlePos, &PR_::X, D{DK::ScreenWidth, 0.1, {}, {}});
inline constexpr K TitlePosY =
    R("TitlePosY", &Project::TitlePos, &PR_::Y, D{DK::ScreenHeight, 0.2, {}, {}});
inline constexpr K TitlePosW =
    R("TitlePosW", &Project::TitlePos, &PR_::W, D{DK::ScreenWidth, 0.8, {}, {}});
inline constexpr K TitlePosH =
    R("TitlePosH", &Project::TitlePos, &PR_::H, D{DK::ScreenHeight, 0.6, {}, {}});
inline constexpr K LyricDynamicFontPattern =
    L("LyricDynamicFontPattern", &Project::LyricDynamicFontPattern, 6);
inline constexpr K LyricDynamicFontStartColor =
    L("LyricDynamicFontStartColor", &Project::LyricDynamicFontStartColor, 0x0000FF);
inline constexpr K LyricDynamicFontEndColor =
    L("LyricDynamicFontEndColor", &Project::LyricDynamicFontEndColor, 0x00FFFF);
inline constexpr K LyricStyle = L("LyricStyle", &Project::LyricStyle, 1);

// Pictures: paths in project files, embedded in packages (when the build
// uses them).
constexpr K Picture(std::string_view name, std::string Project::*m) {
    K k = G(name, VT::String, m, Txt(""), kAll, W::NamesFile);
    k.embeddedInPackage = true;
    return k;
}
inline constexpr K BackGroundPicture = Picture("BackGroundPicture", &Project::BackGroundPicture);
inline constexpr K OpeningImage = Picture("OpeningImage", &Project::OpeningImage);
inline constexpr K EndingImage = Picture("EndingImage", &Project::EndingImage);
inline constexpr K LogoImage = Picture("LogoImage", &Project::LogoImage);

// Durations.
inline constexpr K TimeInterval = F("TimeInterval", &Project::TimeInterval, 12);
inline constexpr K OpeningDurationTime = F("OpeningDurationTime", &Project::OpeningDurationTime, 8);
inline constexpr K EndingDurationTime = F("EndingDurationTime", &Project::EndingDurationTime, 8);

// Background and the rest of the options.
inline constexpr K SolidColor = L("SolidColor", &Project::SolidColor, 0x000000);
inline constexpr K BeginColor = L("BeginColor", &Project::BeginColor, 0x80FFFF);
inline constexpr K EndColor = L("EndColor", &Project::EndColor, 0x0000FF);
inline constexpr K CurrentMask =
    Derive("CurrentMask", VT::Integer, Derived::CurrentMask, kAll, KeyScope::Global, Val(0));
inline constexpr K PlayMusicOrder = L("PlayMusicOrder", &Project::PlayMusicOrder, 0);
inline constexpr K IsShowTip = B("IsShowTip", &Project::IsShowTip, true, kFiles);
inline constexpr K BackGroundSet =
    G("BackGroundSet", VT::String, &Project::BackGroundSet, Txt("1"), kAll);
inline constexpr K ExportPassword =
    G("ExportPassword", VT::String, &Project::ExportPassword, Txt(""), kAll);
inline constexpr K EnableOpenFolder =
    B("EnableOpenFolder", &Project::EnableOpenFolder, true, kFiles, RA::KeepWhenEmpty);
inline constexpr K TxtSetting = [] {
    K k = List("TxtSetting(", KeyScope::Info, kAll, false);
    k.write = W::NotEmpty;
    k.read = RA::KeepWhenEmpty;
    k.def = Txt("我的图片幻灯");
    return k;
}();
inline constexpr K StyleSelect = Derive("StyleSelect", VT::String, Derived::StyleSelect, kAll,
                                        KeyScope::Global, D{DK::AllTransitions, 0, {}, {}});

// The list part.
inline constexpr K ProjectName =
    G("ProjectName", VT::String, &Project::ProjectName, Txt(""), kProjectOnly);
inline constexpr K NowI = Derive("NowI", VT::Long, Derived::PhotoCount, kLists);
inline constexpr K NowM = Derive("NowM", VT::Long, Derived::SongCount, kLists);
inline constexpr K LyricFilesCount =
    Derive("LyricFilesCount", VT::Long, Derived::LyricFileCount, kLists);
inline constexpr K MusicNames = List("MusicNames(", KeyScope::Song, kLists, true);
inline constexpr K LyricFiles = List("LyricFiles(", KeyScope::LyricFile, kProjectOnly, false);

// Per photo.
inline constexpr K ImgNames = [] {
    K k = P("ImgNames(", VT::String, &PhotoEntry::ImgName, W::Always);
    k.embeddedInPackage = true;
    return k;
}();
inline constexpr K SlideDuration =
    P("SlideDuration(", VT::String, &PhotoEntry::SlideDuration, W::NotEmpty);
inline constexpr K ImgPosX =
    P("ImgPosX(", VT::Long, &PhotoEntry::ImgPosX, W::NotZero, RA::ZeroWhenEmpty);
inline constexpr K ImgPosY =
    P("ImgPosY(", VT::Long, &PhotoEntry::ImgPosY, W::NotZero, RA::ZeroWhenEmpty);
inline constexpr K ImgCaption = P("ImgCaption(", VT::String, &PhotoEntry::Caption, W::NotEmpty);
inline constexpr K CapPosX = PR("CapPosX(", &PhotoEntry::CapPos, &PR_::X, W::WithCaption);
inline constexpr K CapPosY = PR("CapPosY(", &PhotoEntry::CapPos, &PR_::Y, W::WithCaption);
inline constexpr K CapPosW = PR("CapPosW(", &PhotoEntry::CapPos, &PR_::W, W::WithCaption);
inline constexpr K CapPosH = PR("CapPosH(", &PhotoEntry::CapPos, &PR_::H, W::WithCaption);
inline constexpr K ImgHeadline = P("ImgHeadline(", VT::String, &PhotoEntry::Headline, W::NotEmpty);
inline constexpr K HeadPosX = PR("HeadPosX(", &PhotoEntry::HeadPos, &PR_::X, W::WithHeadline);
inline constexpr K HeadPosY = PR("HeadPosY(", &PhotoEntry::HeadPos, &PR_::Y, W::WithHeadline);
inline constexpr K HeadPosW = PR("HeadPosW(", &PhotoEntry::HeadPos, &PR_::W, W::WithHeadline);
inline constexpr K HeadPosH = PR("HeadPosH(", &PhotoEntry::HeadPos, &PR_::H, W::WithHeadline);
inline constexpr K HeadDynamicStyle =
    P("HeadDynamicStyle(", VT::Long, &PhotoEntry::HeadDynamicStyle, W::WithHeadline);
inline constexpr K HeadSize = P("HeadSize(", VT::Long, &PhotoEntry::HeadSize, W::WithHeadline);
inline constexpr K HeadPattern =
    P("HeadPattern(", VT::Long, &PhotoEntry::HeadPattern, W::WithHeadline);
inline constexpr K HeadBorder =
    P("HeadBorder(", VT::Long, &PhotoEntry::HeadBorder, W::WithHeadline);
inline constexpr K HeadStyle = P("HeadStyle(", VT::Long, &PhotoEntry::HeadStyle, W::WithHeadline);
inline constexpr K HeadStartColor =
    P("HeadStartColor(", VT::Long, &PhotoEntry::HeadStartColor, W::WithHeadline);
inline constexpr K HeadEndColor =
    P("HeadEndColor(", VT::Long, &PhotoEntry::HeadEndColor, W::WithHeadline);
inline constexpr K HeadBorderColor =
    P("HeadBorderColor(", VT::Long, &PhotoEntry::HeadBorderColor, W::WithHeadline);

// Package only.
inline constexpr K OrigScreenWidth =
    Derive("OrigScreenWidth", VT::Long, Derived::BuildValue, kPackageOnly);
inline constexpr K OrigScreenHeight =
    Derive("OrigScreenHeight", VT::Long, Derived::BuildValue, kPackageOnly);
// The player's button images, in embedding order.
inline constexpr K BtnClose = Embedded("btn_close");
inline constexpr K BtnMin = Embedded("btn_min");
inline constexpr K BtnMusicNext = Embedded("btn_music_next");
inline constexpr K BtnMuteOff = Embedded("btn_mute_off");
inline constexpr K BtnMuteOn = Embedded("btn_mute_on");
inline constexpr K BtnNext = Embedded("btn_next");
inline constexpr K BtnPause = Embedded("btn_pause");
inline constexpr K BtnPlay = Embedded("btn_play");
inline constexpr K BtnPrev = Embedded("btn_prev");
inline constexpr K BtnSize = Embedded("btn_size");
inline constexpr K BtnScale = Embedded("btn_scale");
inline constexpr K TextureImage = Embedded("TextureImage");
// Long, or Integer 0 when font embedding is off.
inline constexpr K ToInstallFontCount =
    Derive("ToInstallFontCount", VT::Long, Derived::BuildValue, kPackageOnly);
inline constexpr K ToInstallFont = Embedded("ToInstallFont(", KeyScope::Indexed);
inline constexpr K fFontNameForCheck =
    Derive("fFontNameForCheck(", VT::String, Derived::BuildValue, kPackageOnly, KeyScope::Indexed);
inline constexpr K MusicLyricFiles = Embedded("MusicLyricFiles(", KeyScope::Indexed);
// Long whole seconds, or Integer 0 when music sync cannot be used.
inline constexpr K SongDurationTotal =
    Derive("SongDurationTotal", VT::Long, Derived::BuildValue, kPackageOnly);
inline constexpr K d3DFile = Embedded("d3DFile");
inline constexpr K TotalMediaSize =
    Derive("TotalMediaSize", VT::Long, Derived::BuildValue, kPackageOnly);

}  // namespace keys

// The project file's order: the global part, then (not in the preferences
// file) the list part starting at ProjectName.
inline constexpr const SettingKey* kProjectFileOrder[] = {
    &keys::TitleText, &keys::PlayPhotoInRamdomOrder, &keys::IgnoreMouseMove, &keys::ShowCursor,
    &keys::EnableFloating, &keys::MuteSound, &keys::EnableTransition, &keys::EnableHeadlineEffect,
    &keys::EnableOpening, &keys::EnableEnding, &keys::FilenameAsCaption, &keys::IsPackage,
    &keys::EnableCaption, &keys::EnableExport, &keys::IsExportAvi, &keys::AppVersion,
    &keys::LyricFolder, &keys::ImgDrawScale, &keys::BackgroundDrawScale,
    &keys::BackgroundGradientMode, &keys::EnableLyric, &keys::TitleStyle, &keys::EnableSync,
    &keys::FontStartColor, &keys::FontEndColor, &keys::BorderColor, &keys::fFontName,
    &keys::fFontSize, &keys::fFontAlign, &keys::fFontPattern, &keys::fBorderWidth,
    &keys::fFontStyle, &keys::LyricPosX, &keys::LyricPosY, &keys::LyricPosW, &keys::LyricPosH,
    &keys::TitlePosX, &keys::TitlePosY, &keys::TitlePosW, &keys::TitlePosH,
    &keys::LyricDynamicFontPattern, &keys::LyricDynamicFontStartColor,
    &keys::LyricDynamicFontEndColor, &keys::LyricStyle, &keys::BackGroundPicture,
    &keys::OpeningImage, &keys::EndingImage, &keys::LogoImage, &keys::TimeInterval,
    &keys::OpeningDurationTime, &keys::EndingDurationTime, &keys::SolidColor, &keys::BeginColor,
    &keys::EndColor, &keys::CurrentMask, &keys::PlayMusicOrder, &keys::IsShowTip,
    &keys::BackGroundSet, &keys::ExportPassword, &keys::EnableOpenFolder, &keys::TxtSetting,
    &keys::StyleSelect,
    // The list part.
    &keys::ProjectName, &keys::NowI, &keys::NowM, &keys::LyricFilesCount, &keys::MusicNames,
    &keys::LyricFiles, &keys::ImgNames, &keys::SlideDuration, &keys::ImgPosX, &keys::ImgPosY,
    &keys::ImgCaption, &keys::CapPosX, &keys::CapPosY, &keys::CapPosW, &keys::CapPosH,
    &keys::ImgHeadline, &keys::HeadPosX, &keys::HeadPosY, &keys::HeadPosW, &keys::HeadPosH,
    &keys::HeadDynamicStyle, &keys::HeadSize, &keys::HeadPattern, &keys::HeadBorder,
    &keys::HeadStyle, &keys::HeadStartColor, &keys::HeadEndColor, &keys::HeadBorderColor};

// Where the list part of the project file order starts.
inline constexpr size_t kProjectListPartStart = 62;

// A full package's order: the options, then the media list with the files
// embedded in this order.
inline constexpr const SettingKey* kPackageOrder[] = {
    &keys::StyleSelect, &keys::TitleText, &keys::PlayPhotoInRamdomOrder, &keys::IgnoreMouseMove,
    &keys::ShowCursor, &keys::EnableFloating, &keys::MuteSound, &keys::EnableTransition,
    &keys::EnableHeadlineEffect, &keys::EnableOpening, &keys::EnableEnding, &keys::IsPackage,
    &keys::EnableCaption, &keys::EnableExport, &keys::AppVersion, &keys::ImgDrawScale,
    &keys::BackgroundDrawScale, &keys::BackgroundGradientMode, &keys::EnableLyric,
    &keys::TitleStyle, &keys::EnableSync, &keys::SolidColor, &keys::BeginColor, &keys::EndColor,
    &keys::CurrentMask, &keys::PlayMusicOrder, &keys::BackGroundSet, &keys::ExportPassword,
    &keys::LyricPosX, &keys::LyricPosY, &keys::LyricPosW, &keys::LyricPosH, &keys::TitlePosX,
    &keys::TitlePosY, &keys::TitlePosW, &keys::TitlePosH, &keys::LyricDynamicFontPattern,
    &keys::LyricDynamicFontStartColor, &keys::LyricDynamicFontEndColor, &keys::LyricStyle,
    &keys::OrigScreenWidth, &keys::OrigScreenHeight, &keys::TxtSetting, &keys::TimeInterval,
    &keys::OpeningDurationTime, &keys::EndingDurationTime, &keys::FontStartColor,
    &keys::FontEndColor, &keys::BorderColor, &keys::fFontName, &keys::fFontSize, &keys::fFontAlign,
    &keys::fFontPattern, &keys::fBorderWidth, &keys::fFontStyle,
    // The media list.
    &keys::BtnClose, &keys::BtnMin, &keys::BtnMusicNext, &keys::BtnMuteOff, &keys::BtnMuteOn,
    &keys::BtnNext, &keys::BtnPause, &keys::BtnPlay, &keys::BtnPrev, &keys::BtnSize,
    &keys::BtnScale, &keys::TextureImage, &keys::BackGroundPicture, &keys::OpeningImage,
    &keys::EndingImage, &keys::LogoImage, &keys::ToInstallFontCount, &keys::ToInstallFont,
    &keys::fFontNameForCheck, &keys::NowI, &keys::NowM, &keys::LyricFilesCount, &keys::MusicNames,
    &keys::MusicLyricFiles, &keys::SongDurationTotal, &keys::ImgNames, &keys::SlideDuration,
    &keys::ImgPosX, &keys::ImgPosY, &keys::ImgCaption, &keys::CapPosX, &keys::CapPosY,
    &keys::CapPosW, &keys::CapPosH, &keys::ImgHeadline, &keys::HeadPosX, &keys::HeadPosY,
    &keys::HeadPosW, &keys::HeadPosH, &keys::HeadDynamicStyle, &keys::HeadSize, &keys::HeadPattern,
    &keys::HeadBorder, &keys::HeadStyle, &keys::HeadStartColor, &keys::HeadEndColor,
    &keys::HeadBorderColor, &keys::d3DFile, &keys::TotalMediaSize};

// The player's button images in embedding order (the first eleven entries
// of the media list).
inline constexpr std::span<const SettingKey* const> kButtonImageKeys(kPackageOrder + 55, 11);

}  // namespace velmora
