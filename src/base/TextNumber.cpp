#include "base/TextNumber.h"

#include <cmath>

namespace velmora {

std::string_view Trim(std::string_view text) {
    size_t first = text.find_first_not_of(kTrimmedSpace);
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(kTrimmedSpace);
    return text.substr(first, last - first + 1);
}

std::string_view NumberText(std::string_view text) {
    std::string_view t = Trim(text);
    if (!t.empty() && t.front() == '+') {
        t.remove_prefix(1);
        if (!t.empty() && (t.front() == '-' || t.front() == '+'))
            return {};
    }
    return t;
}

std::optional<double> ParseNumber(std::string_view text) {
    std::string_view t = NumberText(text);
    if (t.empty())
        return std::nullopt;
    double v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

}  // namespace velmora
