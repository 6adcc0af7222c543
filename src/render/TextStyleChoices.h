// The lists of the text style dialog and how their positions map to the
// style's stored codes. Core code, no Qt: the dialog (render/ui) shows these
// lists and asks these functions what a selection means.
//
// Targets: 1 captions, 2 headlines, 3 lyrics, 4 titles (the style slots),
// 5 the dynamic lyric highlight (pattern and two colours only).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::render {

inline constexpr int kDynamicLyricTarget = 5;

// 16, 24, ..., 112 (step 8); for target 4 up to 200.
std::vector<int32_t> FontSizeChoices(int target);

// "左上" ... "右下": position = alignment code.
const std::vector<std::string>& AlignmentNames();
// "正常", "粗体", "斜体", "粗斜体": position = font style.
const std::vector<std::string>& FontStyleNames();
// The fill patterns; target 2 has no "彩虹颜色".
std::vector<std::string> FillPatternNames(int target);

// The stored pattern code of a list position, and the position that shows a
// code (target 2: code 2 shows as position 0; codes above skip the missing
// rainbow entry). An odd or out-of-range code shows no position (-1).
int32_t FillPatternCode(int target, int position);
int FillPatternPosition(int target, int32_t code);

// What the dialog lets the user change for a target: the alignment list
// only for captions; for target 5 only the pattern and the two colours.
struct StyleControls {
    bool font = true, size = true, alignment = false, border = true, style = true,
         borderColour = true;
};
StyleControls ControlsForTarget(int target);

// The sample text the dialog previews for a target.
std::string SampleTextForTarget(int target);

}  // namespace velmora::render
