#include "render/TextStyleChoices.h"

namespace velmora::render {

std::vector<int32_t> FontSizeChoices(int target) {
    std::vector<int32_t> sizes;
    const int32_t last = target == 4 ? 200 : 112;
    for (int32_t s = 16; s <= last; s += 8)
        sizes.push_back(s);
    return sizes;
}

const std::vector<std::string>& AlignmentNames() {
    static const std::vector<std::string> names = {"左上", "中上", "右上", "左中", "正中",
                                                   "右中", "左下", "中下", "右下"};
    return names;
}

const std::vector<std::string>& FontStyleNames() {
    static const std::vector<std::string> names = {"正常", "粗体", "斜体", "粗斜体"};
    return names;
}

std::vector<std::string> FillPatternNames(int target) {
    std::vector<std::string> names = {"固定颜色",       "彩虹颜色",      "左右渐变",   "上下渐变",
                                      "左上右下渐变",   "右上左下渐变",  "左中右渐变", "上中下渐变",
                                      "左上中右下渐变", "右上中左下渐变"};
    if (target == 2)
        names.erase(names.begin() + 1);
    return names;
}

int32_t FillPatternCode(int target, int position) {
    if (position < 0)
        return 0;
    if (target == 2 && position > 0)
        return position * 2 + 2;
    return position * 2;
}

int FillPatternPosition(int target, int32_t code) {
    if (code < 0 || code > 18 || code % 2 != 0)
        return -1;
    if (target == 2) {
        if (code == 2)
            return 0;
        int pos = code / 2;
        return pos > 0 ? pos - 1 : 0;
    }
    return code / 2;
}

StyleControls ControlsForTarget(int target) {
    StyleControls c;
    c.alignment = target == 1;
    if (target == kDynamicLyricTarget) {
        c.font = c.size = c.alignment = c.border = c.style = c.borderColour = false;
    }
    return c;
}

std::string SampleTextForTarget(int target) {
    switch (target) {
        case 1:
            return "图片字幕 Caption";
        case 2:
            return "动态标题";
        case 3:
        case kDynamicLyricTarget:
            return "这是一行歌词（示例）";
        default:
            return "片头片尾";
    }
}

}  // namespace velmora::render
