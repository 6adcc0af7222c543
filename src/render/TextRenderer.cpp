#include "render/TextRenderer.h"

#include <cmath>

namespace velmora::render {

std::vector<int32_t> MeasureLineWidths(TextRenderer& renderer,
                                       const std::vector<std::string>& lines,
                                       const std::string& fontName, double emSize,
                                       int32_t fontStyle) {
    std::vector<int32_t> widths;
    widths.reserve(lines.size());
    for (const std::string& line : lines) {
        if (line.empty()) {
            widths.push_back(0);
            continue;
        }
        const double w = renderer.MeasureText(line, fontName, emSize, fontStyle).width;
        widths.push_back(static_cast<int32_t>(std::floor(std::max(0.0, std::min(w, 1e9)))) + 1);
    }
    return widths;
}

int32_t LyricLineHeight(TextRenderer& renderer, const std::string& fontName, double emSize,
                        int32_t fontStyle) {
    const double h = renderer.MeasureText("A幻灯j", fontName, emSize, fontStyle).height;
    return static_cast<int32_t>(std::lround(std::max(0.0, std::min(h, 1e9)))) + 1;
}

}  // namespace velmora::render
