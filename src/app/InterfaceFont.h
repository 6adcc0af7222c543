// The interface font: the whole window speaks Chinese, so the face it is
// drawn in must have Chinese glyphs. Qt's own default (whatever fontconfig
// calls "sans-serif") is often a Latin face, and on a machine without any
// Chinese font every Chinese character comes out as a box.
//
// At start the editor lists the installed faces through fontconfig
// (InstalledFaces), picks one with ChooseInterfaceFace and makes it the
// application font; when none is found it prints NoChineseFontMessage() to
// standard error. The choice is a pure function over the candidate list so
// that it can be tested without touching the machine's fonts.
//
// Qt-free; thread-safe (fontconfig's own locking).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Characters every interface face must draw: the words of the window's
// captions ("图片幻灯", "打开配置", "歌词", "确定").
inline constexpr char32_t kInterfaceSample[] = {0x56FE, 0x7247, 0x5E7B, 0x706F, 0x6253, 0x5F00,
                                                0x914D, 0x7F6E, 0x6B4C, 0x8BCD, 0x786E, 0x5B9A};

// One installed face, as fontconfig describes it.
struct FontFace {
    std::string family;  // the family's first (English) name
    std::string style;   // "Regular", "Bold", ...
    std::string file;
    bool coversSample = false;       // its character map holds every kInterfaceSample character
    bool simplifiedChinese = false;  // its language set claims zh-cn
    bool monospace = false;
    bool upright = true;  // not italic or oblique
    int weight = 80;      // fontconfig's scale: 80 regular, 200 bold
};

// The families preferred for the interface, best first: sans-serif faces
// made for Simplified Chinese screens.
const std::vector<std::string>& PreferredInterfaceFamilies();

// The face to draw the interface in: only faces covering the sample are
// candidates (a face without the glyphs draws boxes); among them a preferred
// family, then one made for Simplified Chinese, proportional, upright and of
// regular weight wins; the family name breaks ties. Nothing when no face
// covers the sample.
std::optional<FontFace> ChooseInterfaceFace(const std::vector<FontFace>& faces);

// Every face fontconfig knows (its current configuration), with coverage of
// kInterfaceSample. Empty when fontconfig cannot be initialised.
std::vector<FontFace> InstalledFaces();

// The Chinese warning printed when no installed face draws Chinese.
std::string NoChineseFontMessage();

}  // namespace velmora
