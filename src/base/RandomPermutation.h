// The shared shuffle: RandomPermutation(lo, hi) gives the integers lo..hi in
// a random order (Fisher-Yates from the last index down: j = floor(random ×
// (i + 1)), swap i and j). The generator is seeded from the clock unless a
// seed is given, so tests and golden runs get the same order every time.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

namespace velmora {

class EffectRandom {
  public:
    // Seeded from the clock.
    EffectRandom() { Reseed(); }
    explicit EffectRandom(uint64_t seed) : gen_(seed) {}

    // A new seed from the clock.
    void Reseed() {
        gen_.seed(
            static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    }
    void Seed(uint64_t seed) { gen_.seed(seed); }

    // Uniform in [0, 1), 53 bits.
    double Next() { return static_cast<double>(gen_() >> 11) * 0x1.0p-53; }
    // floor(Next() × n) for n >= 1.
    int32_t Below(int32_t n) {
        int32_t v = static_cast<int32_t>(Next() * n);
        return v < n ? v : n - 1;
    }

    // lo..hi shuffled into out (which keeps its capacity); empty when hi < lo.
    void Permutation(int32_t lo, int32_t hi, std::vector<int32_t>& out) {
        out.clear();
        for (int64_t v = lo; v <= hi; ++v)
            out.push_back(static_cast<int32_t>(v));
        for (size_t i = out.size(); i-- > 1;) {
            size_t j = static_cast<size_t>(Below(static_cast<int32_t>(i + 1)));
            std::swap(out[i], out[j]);
        }
    }

  private:
    std::mt19937_64 gen_;
};

// A new array of lo..hi in a random order, from a clock-seeded generator.
inline std::vector<int32_t> RandomPermutation(int32_t lo, int32_t hi) {
    EffectRandom r;
    std::vector<int32_t> out;
    r.Permutation(lo, hi, out);
    return out;
}

}  // namespace velmora
