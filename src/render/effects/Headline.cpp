#include "render/effects/Headline.h"

#include "base/Rounding.h"
#include "render/Raster.h"

namespace velmora::render::effects {

TextDrawRequest HeadlineRequest(const Project& project, const PhotoEntry& photo,
                                const FrameScale& scale) {
    const TextStyle& st = project.style(kHeadlineSlot);
    TextDrawRequest r;
    r.text = photo.Headline;
    r.alignment = st.fFontAlign;
    r.fontName = st.fFontName;
    r.emSize = nearest(photo.HeadSize * scale.uniform);
    r.fontStyle = photo.HeadStyle;
    r.x = photo.HeadPos.X * scale.sx - 1;
    r.y = photo.HeadPos.Y * scale.sy - 1;
    r.width = photo.HeadPos.W * scale.sx + 2;
    r.height = photo.HeadPos.H * scale.sy + 2;
    r.borderWidth = nearest(photo.HeadBorder * scale.uniform);
    r.fillPattern = photo.HeadPattern;
    r.borderSuppressed = false;
    r.firstColour = ToArgb(photo.HeadStartColor, 255);
    r.secondColour = ToArgb(photo.HeadEndColor, 255);
    r.borderColour = ToArgb(photo.HeadBorderColor, 170);
    r.antiAlias = true;
    r.clear = false;
    return r;
}

}  // namespace velmora::render::effects
