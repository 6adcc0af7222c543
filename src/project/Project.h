// The project: the one in-memory record of the slideshow being edited, with
// every field, its default and its settings-store key, and the writer and
// reader of all keys (WriteProjectSettings / ReadProjectSettings).
//
// Core code, no Qt. The main window owns the one Project; the builder and the
// export read it. Per-photo data lives in one PhotoEntry per photo, so a
// reordering or a deletion moves every per-photo field together.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/SettingsStore.h"

namespace velmora {

// Colours are 0x00BBGGRR (red in the low byte).
using Colour = int32_t;

// The background choice, stored as the text "1", "2" or "3" ("BackGroundSet").
enum class BackgroundMode : uint8_t { Solid = 1, Gradient = 2, Picture = 3 };

// The choice a stored text stands for; nullopt for any other text.
inline std::optional<BackgroundMode> ParseBackgroundMode(std::string_view text) {
    if (text == "1")
        return BackgroundMode::Solid;
    if (text == "2")
        return BackgroundMode::Gradient;
    if (text == "3")
        return BackgroundMode::Picture;
    return std::nullopt;
}

// The stored text of a choice.
inline std::string BackgroundModeText(BackgroundMode m) {
    return std::string(1, static_cast<char>('0' + static_cast<int>(m)));
}

// X, Y, W, H in pixels of the editing machine's screen.
struct PlacementRect {
    int32_t X = 0, Y = 0, W = 0, H = 0;
    bool operator==(const PlacementRect&) const = default;
};

// Text style slots: 1 captions, 2 headlines, 3 lyrics, 4 titles.
enum TextStyleSlot { kCaptionSlot = 1, kHeadlineSlot = 2, kLyricSlot = 3, kTitleSlot = 4 };

struct TextStyle {
    std::string fFontName;
    int32_t fFontSize = 0;
    int32_t fFontAlign = 0;
    int32_t fFontPattern = 0;
    int32_t fBorderWidth = 0;
    int32_t fFontStyle = 0;
    Colour FontStartColor = 0;
    Colour FontEndColor = 0;
    Colour BorderColor = 0;
    bool operator==(const TextStyle&) const = default;
};

struct PhotoEntry {
    std::string ImgName;        // ImgNames(i): full path
    std::string SlideDuration;  // empty: TimeInterval applies
    int32_t ImgPosX = 0, ImgPosY = 0;
    std::string Caption;  // ImgCaption(i)
    PlacementRect CapPos;
    std::string Headline;  // ImgHeadline(i)
    PlacementRect HeadPos;
    int32_t HeadDynamicStyle = 0;
    int32_t HeadSize = 0, HeadPattern = 0, HeadBorder = 0, HeadStyle = 0;
    Colour HeadStartColor = 0, HeadEndColor = 0, HeadBorderColor = 0;
    bool operator==(const PhotoEntry&) const = default;
};

// What the defaults depend on: the screen of the editing machine, the user
// interface's default face and the measured lyric line height.
struct ProjectEnvironment {
    int32_t screenW = 1024;
    int32_t screenH = 768;
    std::string defaultFace = "Arial";
    int32_t lyricLineHeight = 0;  // height of "A幻灯j" in the lyric style
};

inline constexpr int kTransitionCount = 23;
inline constexpr int kStyleSelectLength = 128;
inline constexpr int kInfoTextCount = 6;

struct Project {
    // Project-wide fields, with their start-up defaults (screen-dependent
    // ones are set by MakeDefaultProject).
    std::string ProjectName;  // the project path; empty: unsaved
    std::string AppVersion;
    std::array<std::string, 2> TitleText;  // TitleText(1), TitleText(2)
    bool EnableOpening = false;
    bool EnableEnding = false;
    float OpeningDurationTime = 8;
    float EndingDurationTime = 8;
    std::string OpeningImage, EndingImage, LogoImage;
    int32_t TitleStyle = 1;
    PlacementRect TitlePos;
    float TimeInterval = 12;
    bool EnableSync = true;
    int32_t ImgDrawScale = 3;
    std::string BackGroundSet = "1";  // the stored text; see Background()
    Colour SolidColor = 0x000000;
    Colour BeginColor = 0x80FFFF;
    Colour EndColor = 0x0000FF;
    int32_t BackgroundGradientMode = 1;
    std::string BackGroundPicture;
    int32_t BackgroundDrawScale = 2;
    bool EnableTransition = true;
    std::array<bool, kTransitionCount> TransitionChosen{};  // StyleSelect
    bool EnableHeadlineEffect = true;
    bool EnableFloating = true;
    bool EnableCaption = true;
    bool FilenameAsCaption = false;
    bool EnableLyric = true;
    int32_t LyricStyle = 1;
    PlacementRect LyricPos;
    int32_t LyricDynamicFontPattern = 6;
    Colour LyricDynamicFontStartColor = 0x0000FF;
    Colour LyricDynamicFontEndColor = 0x00FFFF;
    std::string LyricFolder;
    int32_t PlayMusicOrder = 0;
    bool MuteSound = false;
    bool PlayPhotoInRamdomOrder = false;
    bool IgnoreMouseMove = false;
    bool ShowCursor = false;
    bool EnableExport = false;
    std::string ExportPassword;
    bool IsPackage = true;
    bool IsExportAvi = false;
    bool EnableOpenFolder = true;
    bool IsShowTip = true;
    int16_t CurrentMask = 0;
    std::array<std::string, kInfoTextCount> TxtSetting;  // TxtSetting(0..5)
    std::array<TextStyle, 4> styles;                     // slots 1..4 at [0..3]

    // Lists.
    std::vector<PhotoEntry> photos;
    std::vector<std::string> songs;       // MusicNames(i)
    std::vector<std::string> lyricFiles;  // LyricFiles(i)

    // Working state, not stored: the headline effect list's selection (the
    // effect of new photos and of photos read without a headline).
    int32_t selectedHeadlineEffect = 0;

    // The background choice; nullopt when the stored text is none of the three.
    std::optional<BackgroundMode> Background() const { return ParseBackgroundMode(BackGroundSet); }

    int32_t NowI() const { return static_cast<int32_t>(photos.size()); }
    int32_t NowM() const { return static_cast<int32_t>(songs.size()); }
    int32_t LyricFilesCount() const { return static_cast<int32_t>(lyricFiles.size()); }

    TextStyle& style(int slot) { return styles.at(static_cast<size_t>(slot - 1)); }
    const TextStyle& style(int slot) const { return styles.at(static_cast<size_t>(slot - 1)); }

    // The 128-character "StyleSelect" text of the transition choice.
    std::string StyleSelectText() const;
    // Sets the choice from a stored text, fitted to 128 characters.
    void SetStyleSelect(const std::string& text);
};

// A project with every field at its start-up default for this environment.
Project MakeDefaultProject(const ProjectEnvironment& env);

// The text-style defaults of the four slots with the given face.
std::array<TextStyle, 4> DefaultTextStyles(const std::string& face);

// Default text placements that depend on the screen (titles, lyrics).
void SetDefaultPlacements(Project& p, const ProjectEnvironment& env);

// A new photo entry as the list adds it: caption rectangle (5%, 5%, 90%,
// 90%), headline rectangle (45%, 45%, 10%, 10%), headline effect and style
// from the effect list's selection and text style slot 2.
PhotoEntry NewPhotoEntry(const std::string& path, const Project& p, const ProjectEnvironment& env);

// Read-time defaults: the caption rectangle of a photo without caption and
// the headline fields of a photo without headline.
PlacementRect ReadCaptionDefaultRect(const ProjectEnvironment& env);
void ApplyHeadlineDefaults(PhotoEntry& e, const Project& p, const ProjectEnvironment& env);

// Empties the project: photos, songs, lyric files, the project path and the
// opening, ending and logo images. Styles, background, titles, timing and
// options stay. (Deleting the custom icon file is the caller's.)
void ResetToEmptyProject(Project& p);

// Style slot working copy for the text style dialog, targets 1..5 (5: the
// dynamic lyric highlight).
TextStyle LoadStyleTarget(const Project& p, int target);
void StoreStyleTarget(Project& p, int target, const TextStyle& s, int currentPhoto);

// Writes every key in the fixed order. Does nothing when the project has no
// photos. preferencesMode leaves out the list part (Mirb.ini).
void WriteProjectSettings(const Project& p, SettingsStore& store, bool preferencesMode);

// Reads the project from the store, then empties the store. Returns false
// when the file is unreadable (a key that must be there is missing or does not
// convert, or a count the file cannot hold); the project is then left as it
// was. preferencesMode reads the options only and empties the lists.
bool ReadProjectSettings(Project& p, SettingsStore& store, const ProjectEnvironment& env,
                         bool preferencesMode);

}  // namespace velmora
