#include "project/PropertyBag.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/ByteReader.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"
#include "base/TextNumber.h"

namespace velmora {

namespace {

constexpr uint8_t kMagic[4] = {'V', 'P', 'B', '1'};
constexpr size_t kHeaderSize = 12;
// Smallest possible entry: name length, one name byte, type, 2-byte value.
constexpr size_t kMinEntrySize = 2 + 1 + 1 + 2;

// A text value as a number: "True" and "False" (any case) are -1 and 0,
// anything else is read as a decimal number.
std::optional<double> TextAsNumber(const std::string& text) {
    std::string t(Trim(text));
    if (EqualsNoCase(t, "True"))
        return -1.0;
    if (EqualsNoCase(t, "False"))
        return 0.0;
    return ParseNumber(t);
}

std::string FormatSingle(float f) {
    // Shortest text that reads back to the same float.
    char buf[32];
    for (int prec = 6; prec <= 9; ++prec) {
        std::snprintf(buf, sizeof buf, "%.*g", prec, static_cast<double>(f));
        if (std::strtof(buf, nullptr) == f)
            break;
    }
    return buf;
}

}  // namespace

const char* ValueTypeName(ValueType t) {
    switch (t) {
        case ValueType::String:
            return "String";
        case ValueType::Long:
            return "Long";
        case ValueType::Integer:
            return "Integer";
        case ValueType::Single:
            return "Single";
        case ValueType::Boolean:
            return "Boolean";
    }
    return "?";
}

std::optional<ValueType> ValueTypeFromName(const std::string& name) {
    for (auto t : {ValueType::String, ValueType::Long, ValueType::Integer, ValueType::Single,
                   ValueType::Boolean}) {
        if (name == ValueTypeName(t))
            return t;
    }
    return std::nullopt;
}

std::optional<std::string> Value::ToText() const {
    switch (type()) {
        case ValueType::String:
            return text();
        case ValueType::Long:
            return std::to_string(long_());
        case ValueType::Integer:
            return std::to_string(integer());
        case ValueType::Single:
            return FormatSingle(single());
        case ValueType::Boolean:
            return std::string(boolean() ? "True" : "False");
    }
    return std::nullopt;
}

std::optional<int32_t> Value::ToLong() const {
    double d;
    switch (type()) {
        case ValueType::Long:
            return long_();
        case ValueType::Integer:
            return integer();
        case ValueType::Boolean:
            return boolean() ? -1 : 0;
        case ValueType::Single:
            d = single();
            break;
        case ValueType::String: {
            auto n = TextAsNumber(text());
            if (!n)
                return std::nullopt;
            d = *n;
            break;
        }
        default:
            return std::nullopt;
    }
    if (!std::isfinite(d))
        return std::nullopt;
    double r = std::nearbyint(d);
    if (r < -2147483648.0 || r > 2147483647.0)
        return std::nullopt;
    return static_cast<int32_t>(r);
}

std::optional<int16_t> Value::ToInteger() const {
    auto l = ToLong();
    if (!l || *l < INT16_MIN || *l > INT16_MAX)
        return std::nullopt;
    return static_cast<int16_t>(*l);
}

std::optional<float> Value::ToSingle() const {
    switch (type()) {
        case ValueType::Single:
            return single();
        case ValueType::Long:
            return static_cast<float>(long_());
        case ValueType::Integer:
            return static_cast<float>(integer());
        case ValueType::Boolean:
            return boolean() ? -1.0f : 0.0f;
        case ValueType::String: {
            auto n = TextAsNumber(text());
            if (!n || std::fabs(*n) > 3.4028234663852886e38)
                return std::nullopt;
            return static_cast<float>(*n);
        }
    }
    return std::nullopt;
}

std::optional<bool> Value::ToBool() const {
    switch (type()) {
        case ValueType::Boolean:
            return boolean();
        case ValueType::Long:
            return long_() != 0;
        case ValueType::Integer:
            return integer() != 0;
        case ValueType::Single:
            return single() != 0.0f;
        case ValueType::String: {
            auto n = TextAsNumber(text());
            if (!n)
                return std::nullopt;
            return *n != 0.0;
        }
    }
    return std::nullopt;
}

bool Value::operator==(const Value& o) const {
    if (type() != o.type())
        return false;
    if (type() == ValueType::Single) {
        // Compare bit patterns so NaN and -0 round trips are visible.
        float a = single(), b = o.single();
        return std::memcmp(&a, &b, 4) == 0;
    }
    return v_ == o.v_;
}

void PropertyBag::WriteProperty(const std::string& name, Value value) {
    auto it = index_.find(name);
    if (it != index_.end()) {
        entries_[it->second].second = std::move(value);
        return;
    }
    index_.emplace(name, entries_.size());
    entries_.emplace_back(name, std::move(value));
}

std::optional<Value> PropertyBag::ReadProperty(const std::string& name) const {
    auto it = index_.find(name);
    if (it == index_.end())
        return std::nullopt;
    return entries_[it->second].second;
}

std::vector<uint8_t> PropertyBag::Contents() const {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + entries_.size() * 24);
    out.insert(out.end(), kMagic, kMagic + 4);
    PutU16(out, kLayoutVersion);
    PutU16(out, 0);
    PutU32(out, static_cast<uint32_t>(entries_.size()));
    for (const auto& [name, v] : entries_) {
        // Names are at most 65535 bytes by layout; longer ones are cut at a
        // character boundary (no caller uses names anywhere near that).
        std::string n = name.substr(0, 65535);
        while (!n.empty() && !IsValidUtf8(n))
            n.pop_back();
        PutU16(out, static_cast<uint16_t>(n.size()));
        PutString(out, n);
        PutU8(out, static_cast<uint8_t>(v.type()));
        switch (v.type()) {
            case ValueType::String:
                PutU32(out, static_cast<uint32_t>(v.text().size()));
                PutString(out, v.text());
                break;
            case ValueType::Long:
                PutU32(out, static_cast<uint32_t>(v.long_()));
                break;
            case ValueType::Integer:
                PutU16(out, static_cast<uint16_t>(v.integer()));
                break;
            case ValueType::Single: {
                uint32_t bits;
                float f = v.single();
                std::memcpy(&bits, &f, 4);
                PutU32(out, bits);
                break;
            }
            case ValueType::Boolean:
                PutU16(out, v.boolean() ? 0xFFFF : 0);
                break;
        }
    }
    return out;
}

bool PropertyBag::SetContents(std::span<const uint8_t> block) {
    ByteReader r(block);
    auto magic = r.Bytes(4);
    if (!r.ok() || std::memcmp(magic.data(), kMagic, 4) != 0)
        return false;
    if (r.U16() != kLayoutVersion)
        return false;
    if (r.U16() != 0)
        return false;
    uint32_t count = r.U32();
    if (!r.ok())
        return false;
    // The count can never exceed what the remaining bytes can hold.
    if (count > (block.size() - kHeaderSize) / kMinEntrySize)
        return false;

    std::vector<std::pair<std::string, Value>> entries;
    std::unordered_map<std::string, size_t> index;
    entries.reserve(count);
    index.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t nameLen = r.U16();
        if (!r.ok() || nameLen == 0)
            return false;
        std::string name = r.String(nameLen);
        if (!r.ok() || !IsValidUtf8(name))
            return false;
        uint8_t type = r.U8();
        if (!r.ok())
            return false;
        Value v;
        switch (type) {
            case 1: {
                uint32_t len = r.U32();
                if (!r.ok() || len > r.remaining())
                    return false;
                std::string text = r.String(len);
                if (!r.ok() || !IsValidUtf8(text))
                    return false;
                v = Value::Text(std::move(text));
                break;
            }
            case 2:
                v = Value::Long(r.I32());
                break;
            case 3:
                v = Value::Integer(r.I16());
                break;
            case 4:
                v = Value::Single(r.F32());
                break;
            case 5: {
                int16_t b = r.I16();
                if (b != 0 && b != -1)
                    return false;
                v = Value::Boolean(b != 0);
                break;
            }
            default:
                return false;
        }
        if (!r.ok())
            return false;
        auto it = index.find(name);
        if (it != index.end()) {
            entries[it->second].second = std::move(v);
        } else {
            index.emplace(name, entries.size());
            entries.emplace_back(std::move(name), std::move(v));
        }
    }
    if (r.remaining() != 0)
        return false;
    entries_ = std::move(entries);
    index_ = std::move(index);
    return true;
}

}  // namespace velmora
