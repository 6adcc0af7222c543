// RandomPermutation(lo, hi): the integers lo..hi in a random order. The
// generator is seeded from the clock; then for i from the last index down to
// the first an index j = floor(random × (i + 1)) is picked and elements i and
// j are swapped. A generator can be passed for reproducible orders (tests).
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace velmora {

template <class Rng>
std::vector<int32_t> RandomPermutation(int32_t lo, int32_t hi, Rng& rng) {
    std::vector<int32_t> v;
    if (hi < lo)
        return v;
    v.reserve(static_cast<size_t>(hi - lo) + 1);
    for (int32_t k = lo; k <= hi; ++k)
        v.push_back(k);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (size_t i = v.size(); i-- > 1;) {
        auto j = static_cast<size_t>(unit(rng) * static_cast<double>(i + 1));
        if (j > i)
            j = i;
        std::swap(v[i], v[j]);
    }
    return v;
}

inline std::vector<int32_t> RandomPermutation(int32_t lo, int32_t hi) {
    std::mt19937_64 rng(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return RandomPermutation(lo, hi, rng);
}

}  // namespace velmora
