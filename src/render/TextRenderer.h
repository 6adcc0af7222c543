// The styled text renderer interface: captions, headlines, lyrics and titles
// are drawn through it as outline paths filled with a colour, gradient or
// texture and stroked with a pen. The implementation (Qt's QPainterPath on a
// QImage that wraps the Surface) lives in render/qt/; composition only sees
// this interface, so it stays free of Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/Surface.h"

namespace velmora::render {

// Everything one text drawing needs (GdiplusDrawText's arguments).
struct TextDrawRequest {
    std::string text;       // UTF-8; CR LF separates lines
    int32_t alignment = 4;  // 0..8: horizontal = code mod 3, vertical = code div 3
    std::string fontName;
    double emSize = 0;                           // pixels
    int32_t fontStyle = 0;                       // 0 regular, 1 bold, 2 italic, 3 bold italic
    double x = 0, y = 0, width = 0, height = 0;  // layout rectangle
    int32_t borderWidth = 0;
    int32_t fillPattern = 0;  // even codes 0..18
    bool borderSuppressed = false;
    uint32_t firstColour = 0, secondColour = 0, borderColour = 0;  // 0xAARRGGBB
    bool antiAlias = true;
    bool clear = false;
    // GdiplusDrawTextClip: drawing limited to this rectangle.
    bool clipped = false;
    Rect clip;
    // The rainbow texture's scale (source surface width ÷ screen width,
    // height ÷ screen height) when slides are composed smaller than the
    // screen the design coordinates refer to.
    double textureScaleX = 1, textureScaleY = 1;
};

// A measured text: its box laid out without a limiting rectangle.
struct TextExtent {
    double x = 0, y = 0, width = 0, height = 0;
};

class TextRenderer {
  public:
    virtual ~TextRenderer() = default;
    // Draws the text on the surface; failures draw nothing (rendering errors
    // are silent).
    virtual void DrawText(Surface& surface, const TextDrawRequest& request) = 0;
    // The box of the text laid out on one line per CR LF, without wrapping
    // (MeasureText). A renderer that cannot measure returns an empty box.
    virtual TextExtent MeasureText(const std::string& text, const std::string& fontName,
                                   double emSize, int32_t fontStyle) {
        (void)text, (void)fontName, (void)emSize, (void)fontStyle;
        return {};
    }
};

// Width of each line for the lyric layout: floor(measured width) + 1, 0 for
// an empty line.
std::vector<int32_t> MeasureLineWidths(TextRenderer& renderer,
                                       const std::vector<std::string>& lines,
                                       const std::string& fontName, double emSize,
                                       int32_t fontStyle);

// The height of a line of text in a style ("A幻灯j" measured, plus 1): the
// lyric line height.
int32_t LyricLineHeight(TextRenderer& renderer, const std::string& fontName, double emSize,
                        int32_t fontStyle);

}  // namespace velmora::render
