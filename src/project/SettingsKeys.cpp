#include "project/SettingsKeys.h"

#include "base/AppInfo.h"
#include "base/Rounding.h"

namespace velmora {

static_assert(kProjectFileOrder[kProjectListPartStart] == &keys::ProjectName);
static_assert(kButtonImageKeys.front() == &keys::BtnClose);
static_assert(kButtonImageKeys.back() == &keys::BtnScale);

namespace {

template <class Owner>
std::optional<Value> Get(const FieldOf<Owner>& field, const Owner& o) {
    struct Visitor {
        const Owner& o;
        std::optional<Value> operator()(std::monostate) const { return std::nullopt; }
        std::optional<Value> operator()(std::string Owner::*m) const { return Value::Text(o.*m); }
        std::optional<Value> operator()(int32_t Owner::*m) const { return Value::Long(o.*m); }
        std::optional<Value> operator()(float Owner::*m) const { return Value::Single(o.*m); }
        std::optional<Value> operator()(bool Owner::*m) const { return Value::Boolean(o.*m); }
        std::optional<Value> operator()(RectPart<Owner> r) const {
            return Value::Long((o.*r.rect).*r.part);
        }
    };
    return std::visit(Visitor{o}, field);
}

template <class Owner>
bool Set(const FieldOf<Owner>& field, Owner& o, const Value& v) {
    struct Visitor {
        Owner& o;
        const Value& v;
        bool operator()(std::monostate) const { return false; }
        bool operator()(std::string Owner::*m) const {
            auto t = v.ToText();
            if (t)
                o.*m = std::move(*t);
            return t.has_value();
        }
        bool operator()(int32_t Owner::*m) const {
            auto n = v.ToLong();
            if (n)
                o.*m = *n;
            return n.has_value();
        }
        bool operator()(float Owner::*m) const {
            auto n = v.ToSingle();
            if (n)
                o.*m = *n;
            return n.has_value();
        }
        bool operator()(bool Owner::*m) const {
            auto b = v.ToBool();
            if (b)
                o.*m = *b;
            return b.has_value();
        }
        bool operator()(RectPart<Owner> r) const {
            auto n = v.ToLong();
            if (n)
                (o.*r.rect).*r.part = *n;
            return n.has_value();
        }
    };
    return std::visit(Visitor{o, v}, field);
}

// The text element of an indexed text scope, or nullptr.
template <class P>
auto TextElement(const SettingKey& key, P& p, int index) -> decltype(&p.ProjectName) {
    auto at = [&](auto& list, int i) -> decltype(&p.ProjectName) {
        if (i < 0 || static_cast<size_t>(i) >= list.size())
            return nullptr;
        return &list[static_cast<size_t>(i)];
    };
    switch (key.scope) {
        case KeyScope::TitleText:
            return at(p.TitleText, index - 1);
        case KeyScope::Info:
            return at(p.TxtSetting, index);
        case KeyScope::Song:
            return at(p.songs, index - 1);
        case KeyScope::LyricFile:
            return at(p.lyricFiles, index - 1);
        default:
            return nullptr;
    }
}

template <class P>
auto StyleAt(P& p, int slot) -> decltype(&p.styles[0]) {
    if (slot < 1 || slot > static_cast<int>(p.styles.size()))
        return nullptr;
    return &p.styles[static_cast<size_t>(slot - 1)];
}

}  // namespace

std::string KeyName(const SettingKey& key, int index) {
    if (!key.Indexed())
        return std::string(key.name);
    return std::string(key.name) + std::to_string(index) + ")";
}

std::optional<Value> MemberValue(const SettingKey& key, const Project& p, int index) {
    if (key.derived != Derived::None)
        return std::nullopt;
    switch (key.scope) {
        case KeyScope::Global:
            return Get(key.projectField, p);
        case KeyScope::Style:
            if (const TextStyle* s = StyleAt(p, index))
                return Get(key.styleField, *s);
            return std::nullopt;
        case KeyScope::Photo:
            if (index < 1 || index > p.NowI())
                return std::nullopt;
            return Get(key.photoField, p.photos[static_cast<size_t>(index - 1)]);
        case KeyScope::Indexed:
            return std::nullopt;
        default:
            if (const std::string* t = TextElement(key, p, index))
                return Value::Text(*t);
            return std::nullopt;
    }
}

bool SetMemberValue(const SettingKey& key, Project& p, int index, const Value& v) {
    if (key.derived != Derived::None)
        return false;
    switch (key.scope) {
        case KeyScope::Global:
            return Set(key.projectField, p, v);
        case KeyScope::Style:
            if (TextStyle* s = StyleAt(p, index))
                return Set(key.styleField, *s, v);
            return false;
        case KeyScope::Photo:
            if (index < 1 || index > p.NowI())
                return false;
            return Set(key.photoField, p.photos[static_cast<size_t>(index - 1)], v);
        case KeyScope::Indexed:
            return false;
        default: {
            std::string* t = TextElement(key, p, index);
            auto text = v.ToText();
            if (!t || !text)
                return false;
            *t = std::move(*text);
            return true;
        }
    }
}

bool SetPhotoMemberValue(const SettingKey& key, PhotoEntry& e, const Value& v) {
    return key.scope == KeyScope::Photo && Set(key.photoField, e, v);
}

std::optional<Value> DefaultValue(const SettingKey& key, const ProjectEnvironment& env, int index) {
    const KeyDefault& d = key.def;
    auto number = [&](double n) -> Value {
        switch (key.type) {
            case ValueType::Boolean:
                return Value::Boolean(n != 0);
            case ValueType::Single:
                return Value::Single(static_cast<float>(n));
            case ValueType::Integer:
                return Value::Integer(static_cast<int16_t>(n));
            case ValueType::String:
                return Value::Text(std::string(d.text));
            case ValueType::Long:
                break;
        }
        return Value::Long(static_cast<int32_t>(n));
    };
    switch (d.kind) {
        case KeyDefault::Kind::None:
            return std::nullopt;
        case KeyDefault::Kind::Value:
            if (key.type == ValueType::String) {
                // An indexed text key's default is its first element's.
                bool first = !key.Indexed() || index == (key.scope == KeyScope::Info ? 0 : 1);
                return Value::Text(first ? std::string(d.text) : std::string());
            }
            return number(d.number);
        case KeyDefault::Kind::ScreenWidth:
            return Value::Long(nearest(d.number * env.screenW));
        case KeyDefault::Kind::ScreenHeight:
            return Value::Long(nearest(d.number * env.screenH));
        case KeyDefault::Kind::LyricLineHeight:
            return Value::Long(env.lyricLineHeight + 1);
        case KeyDefault::Kind::Face:
            return Value::Text(env.defaultFace);
        case KeyDefault::Kind::PerSlot:
            if (index < 1 || index > 4)
                return std::nullopt;
            return Value::Long(d.slots[static_cast<size_t>(index - 1)]);
        case KeyDefault::Kind::Version:
            return Value::Text(kVersionText);
        case KeyDefault::Kind::AllTransitions: {
            std::string s(kStyleSelectLength, ' ');
            for (int k = 0; k < kTransitionCount; ++k)
                s[static_cast<size_t>(k)] = '1';
            return Value::Text(s);
        }
    }
    return std::nullopt;
}

IndexRange IndicesOf(KeyScope scope, const Project& p) {
    switch (scope) {
        case KeyScope::Global:
            return {0, 0};
        case KeyScope::TitleText:
            return {1, static_cast<int>(p.TitleText.size())};
        case KeyScope::Style:
            return {1, static_cast<int>(p.styles.size())};
        case KeyScope::Info:
            return {0, kInfoTextCount - 1};
        case KeyScope::Song:
            return {1, p.NowM()};
        case KeyScope::LyricFile:
            return {1, p.LyricFilesCount()};
        case KeyScope::Photo:
            return {1, p.NowI()};
        case KeyScope::Indexed:
            break;
    }
    return {};
}

const SettingKey* FindSettingKey(std::string_view name) {
    for (const SettingKey* k : kProjectFileOrder)
        if (k->name == name)
            return k;
    for (const SettingKey* k : kPackageOrder)
        if (k->name == name)
            return k;
    return nullptr;
}

namespace {

std::optional<Value> Stored(const PropertyBag& bag, const SettingKey& key, int index) {
    return bag.ReadProperty(KeyName(key, index));
}

std::optional<Value> PackageDefault(const SettingKey& key, int index) {
    return DefaultValue(key, ProjectEnvironment{}, index);
}

}  // namespace

int32_t PackageLong(const PropertyBag& bag, const SettingKey& key, int index) {
    if (auto v = Stored(bag, key, index))
        if (auto n = v->ToLong())
            return *n;
    auto d = PackageDefault(key, index);
    return d ? d->ToLong().value_or(0) : 0;
}

bool PackageBool(const PropertyBag& bag, const SettingKey& key, int index) {
    if (auto v = Stored(bag, key, index))
        if (auto b = v->ToBool())
            return *b;
    auto d = PackageDefault(key, index);
    return d ? d->ToBool().value_or(false) : false;
}

std::string PackageText(const PropertyBag& bag, const SettingKey& key, int index) {
    if (auto v = Stored(bag, key, index))
        if (auto t = v->ToText())
            return *t;
    auto d = PackageDefault(key, index);
    return d ? d->ToText().value_or(std::string()) : std::string();
}

}  // namespace velmora
