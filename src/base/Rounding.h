// Real-to-integer conversion used everywhere in Velmora: round to the nearest
// integer, halves to even (the rounding of the original Windows program).
#pragma once

#include <cmath>
#include <cstdint>

namespace velmora {

// Nearest integer, halves to even. Values outside the int32 range saturate.
inline int32_t nearest(double v) {
    if (std::isnan(v))
        return 0;
    double r = std::nearbyint(v);  // default FE_TONEAREST: ties to even
    if (r >= 2147483647.0)
        return INT32_MAX;
    if (r <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(r);
}

inline int64_t nearest64(double v) {
    if (std::isnan(v))
        return 0;
    double r = std::nearbyint(v);
    if (r >= 9.2233720368547758e18)
        return INT64_MAX;
    if (r <= -9.2233720368547758e18)
        return INT64_MIN;
    return static_cast<int64_t>(r);
}

}  // namespace velmora
