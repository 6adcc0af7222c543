// PropertyBag: named, typed values with a byte layout of their own
// (Contents). Plain C++ with no Qt: the Windows player reads the same layout
// from the settings block of a package, compiled from this very file.
//
// Contents layout, version 1 (all integers little-endian):
//
//   offset  size  field
//   0       4     magic "VPB1" (0x56 0x50 0x42 0x31)
//   4       2     layout version, 1
//   6       2     reserved, 0
//   8       4     entry count E
//   12      ...   E entries, in the order they were first written:
//                   2   name length L in bytes (1..65535)
//                   L   name, UTF-8, no terminator
//                   1   value type: 1 String, 2 Long, 3 Integer, 4 Single,
//                                   5 Boolean
//                   value:
//                     String   4 byte length T, then T bytes of UTF-8 text
//                     Long     4 bytes, signed 32-bit
//                     Integer  2 bytes, signed 16-bit
//                     Single   4 bytes, IEEE 754 binary32 (bit pattern kept)
//                     Boolean  2 bytes, signed 16-bit: -1 true, 0 false
//
// Nothing follows the last entry. A reader refuses (returns false) any block
// whose magic or version differs, whose entries run past the block, whose
// type byte is unknown, whose Boolean is neither -1 nor 0, whose name is
// empty or whose text is not valid UTF-8, and any block with bytes after the
// last entry. Names are compared case-sensitively. A second write of a name
// replaces the value in place (keeping its position).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace velmora {

enum class ValueType : uint8_t { String = 1, Long = 2, Integer = 3, Single = 4, Boolean = 5 };

const char* ValueTypeName(ValueType t);
std::optional<ValueType> ValueTypeFromName(const std::string& name);

// One typed value, as the store keeps it.
class Value {
  public:
    Value() : v_(std::string()) {}
    static Value Text(std::string s) { return Value(std::move(s)); }
    static Value Long(int32_t v) { return Value(v); }
    static Value Integer(int16_t v) { return Value(v); }
    static Value Single(float v) { return Value(v); }
    static Value Boolean(bool v) { return Value(v); }

    ValueType type() const { return static_cast<ValueType>(v_.index() + 1); }
    bool IsEmptyText() const {
        return type() == ValueType::String && std::get<std::string>(v_).empty();
    }

    // Raw access for the stored type (undefined when the type differs).
    const std::string& text() const { return std::get<std::string>(v_); }
    int32_t long_() const { return std::get<int32_t>(v_); }
    int16_t integer() const { return std::get<int16_t>(v_); }
    float single() const { return std::get<float>(v_); }
    bool boolean() const { return std::get<bool>(v_); }

    // Conversions as a reader does them. A failed conversion (text that is
    // not a number, a number out of range) yields nullopt: the caller decides
    // whether the file is then unreadable.
    std::optional<std::string> ToText() const;
    std::optional<int32_t> ToLong() const;
    std::optional<int16_t> ToInteger() const;
    std::optional<float> ToSingle() const;
    std::optional<bool> ToBool() const;

    bool operator==(const Value& o) const;

  private:
    explicit Value(std::string s) : v_(std::move(s)) {}
    explicit Value(int32_t v) : v_(v) {}
    explicit Value(int16_t v) : v_(v) {}
    explicit Value(float v) : v_(v) {}
    explicit Value(bool v) : v_(v) {}
    // Index order matches ValueType - 1.
    std::variant<std::string, int32_t, int16_t, float, bool> v_;
};

class PropertyBag {
  public:
    static constexpr uint16_t kLayoutVersion = 1;

    void WriteProperty(const std::string& name, Value value);
    // nullopt when the name is absent.
    std::optional<Value> ReadProperty(const std::string& name) const;

    // The whole bag in the Contents layout above.
    std::vector<uint8_t> Contents() const;
    // Replaces the bag by a Contents block; false (bag unchanged) when the
    // block is not valid.
    bool SetContents(std::span<const uint8_t> block);

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // Entries in stored order.
    const std::vector<std::pair<std::string, Value>>& entries() const { return entries_; }

  private:
    std::vector<std::pair<std::string, Value>> entries_;
    std::unordered_map<std::string, size_t> index_;
};

}  // namespace velmora
