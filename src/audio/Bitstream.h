// Most-significant-bit-first reader over a byte range, used to split an MPEG
// audio frame header into its fields. Bits past the end of the range read as
// zero, so a short range never reads outside its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora::audio {

class Bitstream {
  public:
    // Reads from bytes[offset, offset + count), clipped to the span.
    void SetData(std::span<const uint8_t> bytes, size_t offset, size_t count) {
        if (offset > bytes.size())
            offset = bytes.size();
        if (count > bytes.size() - offset)
            count = bytes.size() - offset;
        data_ = bytes.subspan(offset, count);
        bit_ = 0;
    }

    void SkipBits(unsigned n) { bit_ += n; }

    // The next n bits (n <= 32) as an unsigned value, most significant first.
    uint32_t ReadBits(unsigned n) {
        uint32_t v = 0;
        for (unsigned i = 0; i < n; ++i) {
            size_t byte = bit_ >> 3;
            uint32_t b = 0;
            if (byte < data_.size())
                b = (data_[byte] >> (7 - (bit_ & 7))) & 1u;
            v = (v << 1) | b;
            ++bit_;
        }
        return v;
    }

  private:
    std::span<const uint8_t> data_;
    size_t bit_ = 0;
};

}  // namespace velmora::audio
