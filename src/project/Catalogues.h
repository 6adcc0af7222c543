// The choice lists of the editor, in list order: the position in a list is
// the code stored in projects and packages. The rendering engine attaches
// its effect functions to the same codes; the texts live only here.
#pragma once

#include <array>
#include <string_view>

namespace velmora {

struct EffectEntry {
    std::string_view text;  // list text, as shown
    int variants;           // "(2)" / "(4)" in the text, else 1
    bool needsDirect3D;     // "(#)" in the text
};

inline constexpr std::array<EffectEntry, 23> kTransitionCatalogue = {{
    {"随机线条切换(2)", 2, false},     {"卷轴切换一(4)(#)", 4, true},
    {"卷轴切换二(2)(#)", 2, true},     {"矩形切换(2)", 2, false},
    {"花式方格缩放切换(2)", 2, false}, {"集合分散切换(2)(#)", 2, true},
    {"百叶窗切换(2)", 2, false},       {"滚动切换(4)(#)", 4, true},
    {"旋转飞散(2)", 2, false},         {"卷帘切换一(4)", 4, false},
    {"卷帘切换二(2)", 2, false},       {"滑入切换(4)(#)", 4, true},
    {"斜向滑入切换(4)(#)", 4, true},   {"推拉切换(4)(#)", 4, true},
    {"交替切换(4)(#)", 4, true},       {"淡入淡出", 1, false},
    {"缩放切换(2)(#)", 2, true},       {"变焦切换(2)(#)", 2, true},
    {"揭页切换(2)(#)", 2, true},       {"负片切换(#)", 1, true},
    {"垂帘切换(#)", 1, true},          {"旋转方块(2)", 2, false},
    {"卷帘切换三(2)", 2, false},
}};

inline constexpr std::array<EffectEntry, 9> kHeadlineEffectCatalogue = {{
    {"淡入淡出", 1, false},
    {"从左到右", 1, false},
    {"滑入显示(4)(#)", 4, true},
    {"颤抖(#)", 1, true},
    {"伸缩显示(#)", 1, true},
    {"放大(#)", 1, true},
    {"缩小(#)", 1, true},
    {"跳出来(#)", 1, true},
    {"文字聚集(#)", 1, true},
}};

// Explains the "(#)" mark on the effect pages.
inline constexpr std::string_view kDirect3DMarkNote = "#：需要DirectX9c和显卡硬件加速支持";

inline constexpr std::array<std::string_view, 5> kPlacementModes = {
    "正常居中", "原始大小位置随机", "原始大小平铺", "全屏保持宽高比例", "全屏拉伸"};

inline constexpr std::array<std::string_view, 4> kGradientDirections = {"水平", "垂直",
                                                                        "左上到右下", "右上到左下"};

// Background picture placement: list index k is stored as 2k+2.
inline constexpr std::array<std::string_view, 2> kBackgroundPicturePlacements = {"原始大小平铺",
                                                                                 "全屏拉伸"};

inline constexpr std::array<std::string_view, 4> kLyricStyles = {
    "一行静态字", "两行静态字", "一行动态字 (并不完全对应，仅模拟)",
    "两行动态字 (并不完全对应，仅模拟)"};

inline constexpr std::array<std::string_view, 3> kTitleStyles = {"无", "淡入淡出", "从左到右"};

inline constexpr std::array<std::string_view, 3> kPlayMusicOrders = {
    "按顺序播放音乐文件", "随机播放音乐文件", "在列表中随机选择一首歌曲播放"};

// Slideshow information boxes TxtSetting(0..5).
inline constexpr std::array<std::string_view, 6> kInfoLabels = {"幻灯名称", "作者",     "电子邮件",
                                                                "网站主页", "说明文件", "版权说明"};

}  // namespace velmora
