#include "package/PackageKeystream.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

constexpr float kPackageSeed = -615424.0f;
constexpr uint32_t kMask24 = 0xFFFFFFu;

uint32_t Advance(uint32_t x) {
    return static_cast<uint32_t>((static_cast<uint64_t>(x) * 1140671485u + 12820163u) & kMask24);
}

}  // namespace

PackageKeystream::PackageKeystream() {
    uint32_t b;
    static_assert(sizeof(float) == sizeof(uint32_t));
    std::memcpy(&b, &kPackageSeed, sizeof b);
    x_ = (b + (b >> 24)) & kMask24;
    x_ = Advance(x_);  // the first output is dropped
}

uint8_t PackageKeystream::Next() {
    x_ = Advance(x_);
    return static_cast<uint8_t>(x_ >> 16);
}

void ScrambleHead(std::span<uint8_t> bytes, size_t limit) {
    ScrambleAt(bytes, 0, limit);
}

void ScrambleAt(std::span<uint8_t> bytes, uint64_t start, size_t limit) {
    if (start >= limit)
        return;
    PackageKeystream ks;
    for (uint64_t i = 0; i < start; ++i)
        ks.Next();
    size_t n =
        static_cast<size_t>(std::min<uint64_t>(bytes.size(), static_cast<uint64_t>(limit) - start));
    for (size_t i = 0; i < n; ++i)
        bytes[i] ^= ks.Next();
}

}  // namespace velmora
