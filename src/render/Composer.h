// Frame composition: a slide's still picture in three layers (the project
// background, the photo placed by the project's placement mode, the photo's
// caption) on a caller's surface, for the video timeline and the editor's
// preview.
//
// A Composer holds what outlives one call: the one pending random position
// of a 32-bit TGA's pre-blend, the random generator, and caches that keep a
// slide cheap to compose again (the last decoded photo and background
// picture, keyed by path, size and modification time; the last scaled
// placement; the last painted background). Caches never change a pixel: the
// same calls give the same surface with or without them.
//
// Threading: one Composer per thread. Surfaces are the caller's; the Composer
// keeps none of them.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "project/Lyrics.h"
#include "project/Project.h"
#include "render/ImageLoader.h"
#include "render/Placement.h"
#include "render/Raster.h"
#include "render/Surface.h"
#include "render/TextRenderer.h"

namespace velmora::render {

// Scales from the editing screen (to which every PlacementRect refers) to
// the frame: horizontal, vertical, and the uniform one for font sizes and
// border widths.
struct FrameScale {
    double sx = 1, sy = 1, uniform = 1;
};

// The scales from an editing screen of screenW x screenH to a frame of
// width x height, as the video frames use them: within 10% of the screen's
// size in both directions the frame is taken as the screen itself; a screen
// of no size leaves the scales at 1.
inline FrameScale ScaleToFrame(int32_t width, int32_t height, int32_t screenW, int32_t screenH) {
    FrameScale scale;
    if (screenW <= 0 || screenH <= 0)
        return scale;
    scale.sx = static_cast<double>(width) / screenW;
    scale.sy = static_cast<double>(height) / screenH;
    if (scale.sx > 0.9 && scale.sx < 1.1 && scale.sy > 0.9 && scale.sy < 1.1)
        scale.sx = scale.sy = scale.uniform = 1.0;
    else
        scale.uniform = scale.sx < scale.sy ? scale.sx : scale.sy;
    return scale;
}

class Composer {
  public:
    // text: the styled text renderer, or nullptr while none is available
    // (captions are then not drawn). Not owned.
    explicit Composer(TextRenderer* text = nullptr);

    void SetTextRenderer(TextRenderer* text) { text_ = text; }

    // Places a picture file on the surface by its extension: BMP, JPG, GIF,
    // PNG, TIF through the codec, TGA and PCX through the engine's decoders
    // (a 32-bit TGA pre-blended with the surface). An empty path, a missing
    // file, another extension or an undecodable picture draws nothing.
    // x, y: the position for mode 1 ((0, 0): random).
    void DrawImageFile(Surface& surface, const std::string& path, int32_t mode, int32_t x = 0,
                       int32_t y = 0);

    // Places an already decoded picture as DrawImageFile would. cacheKey,
    // when not 0, names the picture's content: placing the same key at the
    // same size again reuses the scaled pixels.
    void DrawLoadedImage(Surface& surface, const LoadedImage& image, int32_t mode, int32_t x,
                         int32_t y, uint64_t cacheKey = 0);

    // The project background: "3" the background picture (path of more than
    // 7 characters, existing) placed with BackgroundDrawScale over what the
    // surface holds; "2" the gradient BeginColor → EndColor in
    // BackgroundGradientMode; anything else SolidColor.
    void DrawVideoBackground(Surface& surface, const Project& project);

    // Background, photo photoNumber (1-based) placed with ImgDrawScale (mode
    // 1 at its ImgPosX, ImgPosY), and its caption in text style slot 1 when
    // captions are enabled. The caller has sized the surface to the frame.
    // A photo number outside the list draws the background only.
    void ComposePhotoSlide(const Project& project, int32_t photoNumber, Surface& surface,
                           const FrameScale& scale);

    // The caption request ComposePhotoSlide hands to the text renderer.
    static TextDrawRequest CaptionRequest(const Project& project, const PhotoEntry& photo,
                                          const FrameScale& scale);

    // The headline request in its resting state (the text standing whole
    // once its effect has run): the photo's headline rectangle (left·sx − 1,
    // top·sy − 1, width·sx + 2, height·sy + 2), slot 2's face and alignment
    // and the photo's own headline size, pattern, border, style and colours.
    static TextDrawRequest HeadlineRequest(const Project& project, const PhotoEntry& photo,
                                           const FrameScale& scale);
    // Draws the headline's resting state when headline effects are enabled
    // and the photo has a headline.
    void DrawHeadline(const Project& project, int32_t photoNumber, Surface& surface,
                      const FrameScale& scale);

    // The opening (1) or ending (2) title: the background, the title's
    // picture placed centred, and TitleText(which) in text style slot 4 in
    // the title rectangle (TitlePosX·sx − 1, TitlePosY·sy − 1, TitlePosW·sx
    // + 2, TitlePosH·sy + 2), as it stands once its effect has run.
    void ComposeTitle(const Project& project, int which, Surface& surface, const FrameScale& scale);
    static TextDrawRequest TitleRequest(const Project& project, int which, const FrameScale& scale);

    // The lyric line (or the two lines of the two-line styles) shown at
    // `time` centiseconds from the start of the song, in text style slot 3
    // in the lyric box (LyricPosX·sx, LyricPosY·sy, LyricPosW·sx,
    // LyricPosH·sy; the lower box one LyricPosH further down), drawn
    // statically: the dynamic styles show the line whole in the normal
    // colours. songLength: the song's length in centiseconds (the last
    // line's end). Nothing when no line is due.
    void DrawLyricLines(const Project& project, const ParsedLyrics& lyrics, int32_t time,
                        int32_t songLength, Surface& surface, const FrameScale& scale);
    static std::vector<TextDrawRequest> LyricRequests(const Project& project,
                                                      const ParsedLyrics& lyrics, int32_t time,
                                                      int32_t songLength, const FrameScale& scale);

    // Pending position of a 32-bit TGA's pre-blend for the next mode-1
    // bitmap placement.
    std::optional<Rect> storedRandomPosition;

    // Replaces the clock-seeded generator by a fixed sequence (tests).
    void SeedRandomForTesting(uint64_t seed);

  private:
    struct FileKey {
        std::string path;
        uint64_t size = 0;
        int64_t mtime = 0;
        int32_t mode = 0, surfaceW = 0, surfaceH = 0;
        bool operator==(const FileKey&) const = default;
    };
    // One picture's caches: its decode and its last scaled placement.
    struct Slot {
        FileKey key;
        LoadedImage image;
        uint64_t id = 0;
        uint64_t scaledKey = 0;
        Rect scaledRect;
        StretchFilter scaledFilter = StretchFilter::Box;
        Picture scaled;
    };

    void DrawFile(Slot& slot, Surface& surface, const std::string& path, int32_t mode, int32_t x,
                  int32_t y);
    void Place(Slot& slot, Surface& surface, const LoadedImage& image, int32_t mode, int32_t x,
               int32_t y, uint64_t cacheKey);
    // Draws picture into rect (scaled when the sizes differ), blending when
    // it has alpha.
    void DrawScaled(Slot& slot, Surface& surface, const Picture& picture, Rect rect,
                    StretchFilter filter, uint64_t cacheKey);
    void Tile(Surface& surface, int32_t w, int32_t h);
    Rect PickRandomSpot(const Surface& surface, int32_t w, int32_t h);
    // BlendTgaAlpha: the picture blended with the part of the surface it
    // will cover, as an opaque picture of its own size.
    Picture BlendTgaAlpha(const Surface& surface, const LoadedImage& image, int32_t mode, int32_t x,
                          int32_t y);

    TextRenderer* text_;
    std::mt19937_64 rng_;
    bool fixedSeed_ = false;

    Slot photo_, background_, loaded_;
    uint64_t nextId_ = 1;
    // The last painted gradient.
    struct GradientKey {
        int32_t begin = 0, end = 0, mode = 0, w = 0, h = 0;
        bool operator==(const GradientKey&) const = default;
    };
    std::optional<GradientKey> gradientKey_;
    Surface gradientPixels_;
    Surface scratch_;
};

}  // namespace velmora::render
