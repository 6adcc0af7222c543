// Product name and version of the program.
#pragma once

namespace velmora {

inline constexpr const char* kProductName = "Velmora图片幻灯";
// Major "." minor revision, as the settings key "AppVersion" stores it.
inline constexpr const char* kVersionText = "4.00";

}  // namespace velmora
