// The Qt backend of the styled text renderer: the text is laid out in its
// rectangle (the nine alignments, wrapping between words and between CJK
// characters, CR LF line breaks), turned into glyph outlines (QPainterPath),
// filled with a solid colour, a mirrored linear gradient or the rainbow
// texture, stroked with the border pen and painted onto the Surface through
// a QImage that wraps its buffer.
//
// Fonts: a family that is not installed is replaced by an installed
// CJK-capable face, and characters the chosen face lacks are taken from the
// CJK face, so no text is drawn as boxes.
//
// Cache: the export draws the same caption on every frame of a slide, so the
// finished drawing of a text (its outline filled and stroked, as a
// premultiplied sprite) is kept per text and style; a later identical request
// only blends the sprite. The cache never changes a pixel.
//
// Needs a QGuiApplication (the font database); EnsureGuiApplication makes an
// offscreen one for the command line. Threading: one renderer per thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/TextRenderer.h"

namespace velmora::render {

class QtTextRenderer : public TextRenderer {
  public:
    // rainbowJpeg: the encoded rainbow texture (pattern 2); empty: pattern 2
    // leaves the text unfilled, outlined only.
    explicit QtTextRenderer(std::vector<uint8_t> rainbowJpeg = {});
    ~QtTextRenderer() override;
    QtTextRenderer(const QtTextRenderer&) = delete;
    QtTextRenderer& operator=(const QtTextRenderer&) = delete;

    void SetRainbowTexture(std::vector<uint8_t> rainbowJpeg);

    void DrawText(Surface& surface, const TextDrawRequest& request) override;
    TextExtent MeasureText(const std::string& text, const std::string& fontName, double emSize,
                           int32_t fontStyle) override;

    // The outline's bounds of a request as it would be drawn (before the
    // border pen), in surface pixels; empty when nothing would be drawn.
    // For tests and the placement editor.
    TextExtent InkBounds(const TextDrawRequest& request);

    // The text of each line as the request lays it out (wrapping).
    std::vector<std::string> LineTexts(const TextDrawRequest& request);

    // Cache figures (tests, benchmark).
    size_t cachedDrawings() const;
    void ClearCache();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The installed font families in the font database's order
// (EnumerateFontFamilies).
std::vector<std::string> EnumerateFontFamilies();

// The face used when a requested family is not installed: "Noto Sans CJK SC"
// when present, else the first family that writes Simplified Chinese, else
// the default face.
std::string CjkFallbackFamily();

// Makes a QGuiApplication on the offscreen platform when the process has
// none (the command line); the fonts need one.
void EnsureGuiApplication();

}  // namespace velmora::render
