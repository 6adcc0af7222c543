// Checked little-endian reader over untrusted bytes. Every read either
// succeeds inside the span or marks the reader failed and yields zero; a
// parser checks ok() once at the end, or early where a bad value would make
// it loop or allocate.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace velmora {

class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> bytes) : data_(bytes) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return data_.size(); }
    size_t remaining() const { return ok_ ? data_.size() - pos_ : 0; }
    void fail() { ok_ = false; }

    bool Seek(size_t p) {
        if (p > data_.size()) {
            ok_ = false;
            return false;
        }
        pos_ = p;
        return true;
    }
    bool Skip(size_t n) {
        if (!Need(n))
            return false;
        pos_ += n;
        return true;
    }

    uint8_t U8() {
        if (!Need(1))
            return 0;
        return data_[pos_++];
    }
    uint16_t U16() {
        if (!Need(2))
            return 0;
        uint16_t v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    uint32_t U32() {
        if (!Need(4))
            return 0;
        uint32_t v = static_cast<uint32_t>(data_[pos_]) |
                     static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
                     static_cast<uint32_t>(data_[pos_ + 2]) << 16 |
                     static_cast<uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32() {
        uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    // A view of the next n bytes (empty and failed when they are not there).
    std::span<const uint8_t> Bytes(size_t n) {
        if (!Need(n))
            return {};
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    std::string String(size_t n) {
        auto b = Bytes(n);
        return std::string(reinterpret_cast<const char*>(b.data()), b.size());
    }

  private:
    bool Need(size_t n) {
        if (!ok_ || n > data_.size() - pos_) {
            ok_ = false;
            return false;
        }
        return true;
    }

    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Little-endian appenders for writers.
inline void PutU8(std::vector<uint8_t>& out, uint8_t v) {
    out.push_back(v);
}
inline void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}
inline void PutBytes(std::vector<uint8_t>& out, std::span<const uint8_t> b) {
    out.insert(out.end(), b.begin(), b.end());
}
inline void PutString(std::vector<uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
}

}  // namespace velmora
