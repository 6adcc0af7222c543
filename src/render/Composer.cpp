#include "render/Composer.h"

#include <chrono>
#include <filesystem>

#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"
#include "project/SettingsStore.h"
#include "render/ImageProbe.h"
#include "render/Raster.h"

namespace velmora::render {

namespace {

uint64_t ClockSeed() {
    return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

// The smallest decode that still serves a placement: the placed size for
// the modes that scale, the whole picture for the actual-size ones.
void DecodeTarget(int32_t mode, const Surface& s, const ImageProbeResult& probe, int32_t& minW,
                  int32_t& minH) {
    minW = minH = 0;
    if (probe.Width <= 0 || probe.Height <= 0)
        return;
    const ModePlacement place =
        PlaceInMode(mode, s.width(), s.height(), probe.Width, probe.Height, 0, 0);
    if (place.kind != PlacementKind::Rect || place.actualSize)
        return;
    const Rect r = RoundedRect(place.rect);
    minW = std::max(r.w, 1);
    minH = std::max(r.h, 1);
}

}  // namespace

Composer::Composer(TextRenderer* text) : text_(text), rng_(ClockSeed()) {}

void Composer::SeedRandomForTesting(uint64_t seed) {
    rng_.seed(seed);
    fixedSeed_ = true;
}

void Composer::DrawImageFile(Surface& surface, const std::string& path, int32_t mode, int32_t x,
                             int32_t y) {
    DrawFile(photo_, surface, path, mode, x, y);
}

void Composer::DrawFile(Slot& slot, Surface& surface, const std::string& path, int32_t mode,
                        int32_t x, int32_t y) {
    if (path.empty() || surface.empty())
        return;
    ImageRoute route = RouteForPath(path);
    if (route == ImageRoute::None)
        return;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return;
    const auto mtime = std::filesystem::last_write_time(path, ec);
    if (ec)
        return;
    // The cache key names the file's state and what the decode size
    // depends on (the mode and the surface's size).
    FileKey key{path,
                static_cast<uint64_t>(size),
                static_cast<int64_t>(mtime.time_since_epoch().count()),
                mode,
                surface.width(),
                surface.height()};
    if (!(slot.key == key) || slot.id == 0) {
        int32_t minW = 0, minH = 0;
        if (route == ImageRoute::Codec)
            DecodeTarget(mode, surface, ProbeImageFile(path, true), minW, minH);
        slot.image = LoadImageFile(path, minW, minH);
        slot.key = key;
        slot.id = nextId_++;
    }
    Place(slot, surface, slot.image, mode, x, y, slot.id);
}

void Composer::DrawLoadedImage(Surface& surface, const LoadedImage& image, int32_t mode, int32_t x,
                               int32_t y, uint64_t cacheKey) {
    Place(loaded_, surface, image, mode, x, y, cacheKey);
}

void Composer::DrawScaled(Slot& slot, Surface& surface, const Picture& picture, Rect rect,
                          StretchFilter filter, uint64_t cacheKey) {
    if (rect.empty())
        return;
    const Surface& px = picture.pixels;
    if (rect.w == px.width() && rect.h == px.height()) {
        if (picture.hasAlpha)
            DrawPremultiplied(surface, rect.x, rect.y, px, px.bounds());
        else
            Copy(surface, rect.x, rect.y, px, px.bounds());
        return;
    }
    if (cacheKey != 0) {
        if (!(cacheKey == slot.scaledKey && rect.w == slot.scaledRect.w &&
              rect.h == slot.scaledRect.h && filter == slot.scaledFilter)) {
            // The whole placed size is kept (not only its visible part), so
            // that the same picture placed elsewhere reuses it.
            slot.scaled.hasAlpha = picture.hasAlpha;
            slot.scaled.pixels.Resize(rect.w, rect.h);
            Stretch(slot.scaled.pixels, {0, 0, rect.w, rect.h}, px, px.bounds(), filter);
            slot.scaledKey = cacheKey;
            slot.scaledRect = rect;
            slot.scaledFilter = filter;
        }
        const Surface& sc = slot.scaled.pixels;
        if (picture.hasAlpha)
            DrawPremultiplied(surface, rect.x, rect.y, sc, sc.bounds());
        else
            Copy(surface, rect.x, rect.y, sc, sc.bounds());
        return;
    }
    if (!picture.hasAlpha) {
        Stretch(surface, rect, px, px.bounds(), filter);
        return;
    }
    // Translucent: scale the visible part into scratch, then blend it.
    Rect visible = Intersect(rect, surface.bounds());
    if (visible.empty())
        return;
    scratch_.Resize(visible.w, visible.h);
    Stretch(scratch_, {rect.x - visible.x, rect.y - visible.y, rect.w, rect.h}, px, px.bounds(),
            filter);
    DrawPremultiplied(surface, visible.x, visible.y, scratch_, scratch_.bounds());
}

void Composer::Tile(Surface& surface, int32_t w, int32_t h) {
    const int64_t cols = surface.width() / w + 1, rows = surface.height() / h + 1;
    for (int64_t c = 1; c <= cols; ++c)
        for (int64_t r = 1; r <= rows; ++r)
            if (c != 1 || r != 1)
                Copy(surface, static_cast<int32_t>((c - 1) * w), static_cast<int32_t>((r - 1) * h),
                     surface, {0, 0, w, h});
}

Rect Composer::PickRandomSpot(const Surface& surface, int32_t w, int32_t h) {
    if (!fixedSeed_)
        rng_.seed(ClockSeed());
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const double r1 = uniform(rng_);
    const double r2 = uniform(rng_);
    return RoundedRect(RandomSpot(surface.width(), surface.height(), w, h, r1, r2));
}

Picture Composer::BlendTgaAlpha(const Surface& surface, const LoadedImage& image, int32_t mode,
                                int32_t x, int32_t y) {
    const Picture& pic = image.picture;
    const int32_t w = pic.width(), h = pic.height();
    const double W = surface.width(), H = surface.height();
    Surface under(w, h);
    const ModePlacement place = PlaceInMode(mode, W, H, w, h, x, y);
    Rect r = RoundedRect(place.rect);
    if (place.kind == PlacementKind::RandomSpot) {
        r = PickRandomSpot(surface, w, h);
        storedRandomPosition = r;
    }
    if (place.kind != PlacementKind::None) {
        if (place.actualSize)
            Copy(under, 0, 0, surface, r);
        else
            Stretch(under, under.bounds(), surface, r);
    }
    // Per pixel with alpha a: 255 takes the picture, 0 keeps the surface,
    // otherwise ((255 − a) × surface + a × picture + 255) >> 8 per channel.
    Picture out;
    out.pixels.Resize(w, h);
    for (int32_t yy = 0; yy < h; ++yy) {
        const uint8_t* a = image.tgaAlpha.data() + static_cast<size_t>(yy) * w;
        const uint8_t* p = reinterpret_cast<const uint8_t*>(pic.pixels.row(yy));
        const uint8_t* s = reinterpret_cast<const uint8_t*>(under.row(yy));
        uint8_t* d = reinterpret_cast<uint8_t*>(out.pixels.row(yy));
        for (int32_t xx = 0; xx < w; ++xx, p += 4, s += 4, d += 4) {
            const uint32_t al = a[xx];
            if (al == 255) {
                std::copy(p, p + 3, d);
            } else if (al == 0) {
                std::copy(s, s + 3, d);
            } else {
                for (int c = 0; c < 3; ++c)
                    d[c] = static_cast<uint8_t>(((255 - al) * s[c] + al * p[c] + 255) >> 8);
            }
            d[3] = 0xFF;
        }
    }
    return out;
}

void Composer::Place(Slot& slot, Surface& surface, const LoadedImage& image, int32_t mode,
                     int32_t x, int32_t y, uint64_t cacheKey) {
    if (!image.ok() || image.picture.pixels.empty() || surface.empty())
        return;
    // Codec pictures scale smoothly and never take the pending position of
    // a TGA pre-blend; TGA and PCX bitmaps use the halftone (box) stretch.
    const bool bitmap = image.route != ImageRoute::Codec;
    const StretchFilter filter = bitmap ? StretchFilter::Box : StretchFilter::Smooth;
    Picture blended;
    const Picture* pic = &image.picture;
    if (!image.tgaAlpha.empty()) {
        blended = BlendTgaAlpha(surface, image, mode, x, y);
        pic = &blended;
        cacheKey = 0;  // the blend depends on the surface
    }
    const double W = surface.width(), H = surface.height();
    const int32_t w = pic->width(), h = pic->height();
    const ModePlacement place = PlaceInMode(mode, W, H, w, h, x, y);
    switch (place.kind) {
        case PlacementKind::None:
            break;
        case PlacementKind::Rect:
            DrawScaled(slot, surface, *pic, RoundedRect(place.rect), filter, cacheKey);
            break;
        case PlacementKind::RandomSpot: {
            Rect r;
            if (bitmap && storedRandomPosition) {
                r = {storedRandomPosition->x, storedRandomPosition->y, w, h};
                storedRandomPosition.reset();
            } else {
                r = PickRandomSpot(surface, w, h);
            }
            DrawScaled(slot, surface, *pic, r, filter, cacheKey);
            break;
        }
        case PlacementKind::Tiled:
            DrawScaled(slot, surface, *pic, {0, 0, w, h}, filter, cacheKey);
            Tile(surface, w, h);
            break;
    }
}

void Composer::DrawVideoBackground(Surface& surface, const Project& project) {
    if (surface.empty())
        return;
    const BackgroundMode mode = project.Background().value_or(BackgroundMode::Solid);
    if (mode == BackgroundMode::Picture) {
        // Drawn over what the surface holds; nothing is cleared first.
        const std::string& path = project.BackGroundPicture;
        if (NamesFile(path) && FileExists(path))
            DrawFile(background_, surface, path, project.BackgroundDrawScale, 0, 0);
        return;
    }
    if (mode == BackgroundMode::Gradient) {
        const GradientKey key{project.BeginColor, project.EndColor, project.BackgroundGradientMode,
                              surface.width(), surface.height()};
        if (gradientKey_ && *gradientKey_ == key) {
            Copy(surface, 0, 0, gradientPixels_, gradientPixels_.bounds());
            return;
        }
        FillGradient(surface, project.BackgroundGradientMode, ToArgb(project.BeginColor, 255),
                     ToArgb(project.EndColor, 255));
        if (project.BackgroundGradientMode >= 0 && project.BackgroundGradientMode <= 3) {
            gradientPixels_ = surface;
            gradientKey_ = key;
        }
        return;
    }
    // Solid: the back colour and a one-colour gradient both give a flat fill.
    Fill(surface, surface.bounds(), ToArgb(project.SolidColor, 255));
}

TextDrawRequest Composer::CaptionRequest(const Project& project, const PhotoEntry& photo,
                                         const FrameScale& scale) {
    const TextStyle& st = project.style(kCaptionSlot);
    TextDrawRequest r;
    r.text = photo.Caption;
    r.alignment = st.fFontAlign;
    r.fontName = st.fFontName;
    r.emSize = nearest(st.fFontSize * scale.uniform);
    r.fontStyle = st.fFontStyle;
    r.x = photo.CapPos.X * scale.sx;
    r.y = photo.CapPos.Y * scale.sy;
    r.width = photo.CapPos.W * scale.sx;
    r.height = photo.CapPos.H * scale.sy;
    r.borderWidth = nearest(st.fBorderWidth * scale.uniform);
    r.fillPattern = st.fFontPattern;
    r.borderSuppressed = false;
    r.firstColour = ToArgb(st.FontStartColor, 255);
    r.secondColour = ToArgb(st.FontEndColor, 255);
    r.borderColour = ToArgb(st.BorderColor, 170);
    r.antiAlias = true;
    r.clear = false;
    r.textureScaleX = scale.sx;
    r.textureScaleY = scale.sy;
    return r;
}

void Composer::ComposePhotoSlide(const Project& project, int32_t photoNumber, Surface& surface,
                                 const FrameScale& scale) {
    DrawVideoBackground(surface, project);
    if (photoNumber < 1 || photoNumber > project.NowI())
        return;
    const PhotoEntry& photo = project.photos[static_cast<size_t>(photoNumber - 1)];
    if (!photo.ImgName.empty() && FileExists(photo.ImgName))
        DrawFile(photo_, surface, photo.ImgName, project.ImgDrawScale, photo.ImgPosX,
                 photo.ImgPosY);
    // The caption goes through the styled text renderer; while none is
    // installed the slide carries no caption.
    if (!photo.Caption.empty() && project.EnableCaption && text_)
        text_->DrawText(surface, CaptionRequest(project, photo, scale));
}

namespace {

TextDrawRequest StyledRequest(const TextStyle& st, const FrameScale& scale) {
    TextDrawRequest r;
    r.alignment = st.fFontAlign;
    r.fontName = st.fFontName;
    r.emSize = nearest(st.fFontSize * scale.uniform);
    r.fontStyle = st.fFontStyle;
    r.borderWidth = nearest(st.fBorderWidth * scale.uniform);
    r.fillPattern = st.fFontPattern;
    r.firstColour = ToArgb(st.FontStartColor, 255);
    r.secondColour = ToArgb(st.FontEndColor, 255);
    r.borderColour = ToArgb(st.BorderColor, 170);
    r.textureScaleX = scale.sx;
    r.textureScaleY = scale.sy;
    return r;
}

}  // namespace

TextDrawRequest Composer::HeadlineRequest(const Project& project, const PhotoEntry& photo,
                                          const FrameScale& scale) {
    TextStyle st = project.style(kHeadlineSlot);
    st.fFontSize = photo.HeadSize;
    st.fFontPattern = photo.HeadPattern;
    st.fBorderWidth = photo.HeadBorder;
    st.fFontStyle = photo.HeadStyle;
    st.FontStartColor = photo.HeadStartColor;
    st.FontEndColor = photo.HeadEndColor;
    st.BorderColor = photo.HeadBorderColor;
    TextDrawRequest r = StyledRequest(st, scale);
    r.text = photo.Headline;
    r.x = photo.HeadPos.X * scale.sx - 1;
    r.y = photo.HeadPos.Y * scale.sy - 1;
    r.width = photo.HeadPos.W * scale.sx + 2;
    r.height = photo.HeadPos.H * scale.sy + 2;
    return r;
}

void Composer::DrawHeadline(const Project& project, int32_t photoNumber, Surface& surface,
                            const FrameScale& scale) {
    if (!text_ || !project.EnableHeadlineEffect || photoNumber < 1 || photoNumber > project.NowI())
        return;
    const PhotoEntry& photo = project.photos[static_cast<size_t>(photoNumber - 1)];
    if (!photo.Headline.empty())
        text_->DrawText(surface, HeadlineRequest(project, photo, scale));
}

TextDrawRequest Composer::TitleRequest(const Project& project, int which, const FrameScale& scale) {
    TextDrawRequest r = StyledRequest(project.style(kTitleSlot), scale);
    r.text = project.TitleText.at(which == 2 ? 1 : 0);
    r.x = project.TitlePos.X * scale.sx - 1;
    r.y = project.TitlePos.Y * scale.sy - 1;
    r.width = project.TitlePos.W * scale.sx + 2;
    r.height = project.TitlePos.H * scale.sy + 2;
    return r;
}

void Composer::ComposeTitle(const Project& project, int which, Surface& surface,
                            const FrameScale& scale) {
    DrawVideoBackground(surface, project);
    DrawFile(photo_, surface, which == 2 ? project.EndingImage : project.OpeningImage,
             kPlaceCentred, 0, 0);
    // Title styles 0, 1 and 2 all end with the whole text standing.
    const TextDrawRequest r = TitleRequest(project, which, scale);
    if (text_ && !r.text.empty() && project.TitleStyle >= 0 && project.TitleStyle <= 2)
        text_->DrawText(surface, r);
}

std::vector<TextDrawRequest> Composer::LyricRequests(const Project& project,
                                                     const ParsedLyrics& lyrics, int32_t time,
                                                     int32_t songLength, const FrameScale& scale) {
    std::vector<TextDrawRequest> out;
    const size_t n = lyrics.lines.size();
    if (n == 0)
        return out;
    const TextDrawRequest base = StyledRequest(project.style(kLyricSlot), scale);
    const PlacementRect& box = project.LyricPos;
    auto request = [&](size_t i, bool lower, int32_t align) {
        TextDrawRequest r = base;
        r.text = lyrics.lines[i].text;
        r.alignment = align;
        r.x = box.X * scale.sx;
        r.y = (lower ? box.Y + box.H : box.Y) * scale.sy;
        r.width = box.W * scale.sx;
        r.height = box.H * scale.sy;
        return r;
    };
    auto endOf = [&](size_t i) {
        return i + 1 < n ? lyrics.lines[i + 1].time : std::max(songLength, lyrics.lines[i].time);
    };
    const bool twoLines = project.LyricStyle == 1 || project.LyricStyle == 3;
    const int64_t v = time;
    for (size_t i = 0; i < n; ++i) {
        const int64_t S = lyrics.lines[i].time, F = endOf(i);
        if (!twoLines) {
            if (S - 6 <= v && v <= F - 6) {
                out.push_back(request(i, false, 4));
                return out;
            }
            continue;
        }
        const bool last = i + 1 == n;
        if ((S - 80 <= v && v <= F - 80) || (last && S - 80 <= v && v <= F)) {
            // Odd lines (1, 3, ...) in the upper box on the left, even ones
            // in the lower box on the right; the previous line stays in its
            // own box.
            if (i > 0) {
                const bool prevLower = lyrics.lines[i - 1].secondRow;
                out.push_back(request(i - 1, prevLower, prevLower ? 5 : 3));
            }
            const bool lower = lyrics.lines[i].secondRow;
            out.push_back(request(i, lower, lower ? 5 : 3));
            return out;
        }
    }
    return out;
}

void Composer::DrawLyricLines(const Project& project, const ParsedLyrics& lyrics, int32_t time,
                              int32_t songLength, Surface& surface, const FrameScale& scale) {
    if (!text_)
        return;
    for (const TextDrawRequest& r : LyricRequests(project, lyrics, time, songLength, scale))
        if (!r.text.empty())
            text_->DrawText(surface, r);
}

}  // namespace velmora::render
