#include "project/SettingsIo.h"

#include <algorithm>

#include "base/AppInfo.h"
#include "base/FileNames.h"

namespace velmora {

std::optional<Value> KeyValue(const SettingKey& key, const Project& p, int index) {
    switch (key.derived) {
        case Derived::None:
            return MemberValue(key, p, index);
        case Derived::AppVersion:
            return Value::Text(kVersionText);
        case Derived::CurrentMask:
            return Value::Integer(0);
        case Derived::StyleSelect:
            return Value::Text(p.StyleSelectText());
        case Derived::PhotoCount:
            return Value::Long(p.NowI());
        case Derived::SongCount:
            return Value::Long(p.NowM());
        case Derived::LyricFileCount:
            return Value::Long(p.LyricFilesCount());
        case Derived::BuildValue:
            break;
    }
    return std::nullopt;
}

bool KeyIsWritten(const SettingKey& key, const Project& p, int index) {
    auto photo = [&]() -> const PhotoEntry* {
        if (key.scope != KeyScope::Photo || index < 1 || index > p.NowI())
            return nullptr;
        return &p.photos[static_cast<size_t>(index - 1)];
    };
    switch (key.write) {
        case WriteWhen::Always:
            return true;
        case WriteWhen::ByBuild:
            return false;
        case WriteWhen::WithCaption: {
            const PhotoEntry* e = photo();
            return e && !e->Caption.empty();
        }
        case WriteWhen::WithHeadline: {
            const PhotoEntry* e = photo();
            return e && !e->Headline.empty();
        }
        default:
            break;
    }
    auto v = KeyValue(key, p, index);
    if (!v)
        return false;
    switch (key.write) {
        case WriteWhen::NotEmpty:
            return !v->IsEmptyText();
        case WriteWhen::NamesFile:
            return v->type() == ValueType::String && NamesFile(v->text());
        case WriteWhen::NotZero:
            return v->ToLong().value_or(0) != 0;
        default:
            return true;
    }
}

void WriteKeys(KeyOrder order, const Project& p, SettingsStore& store, const KeyWriteHook& hook) {
    auto writeOne = [&](const SettingKey& key, int index) {
        if (hook && hook(key, index))
            return;
        if (!KeyIsWritten(key, p, index))
            return;
        if (auto v = KeyValue(key, p, index))
            store.WriteSetting(KeyName(key, index), std::move(*v));
    };
    for (size_t k = 0; k < order.size();) {
        const KeyScope scope = order[k]->scope;
        size_t end = k + 1;
        if (scope != KeyScope::Global && scope != KeyScope::Indexed)
            while (end < order.size() && order[end]->scope == scope)
                ++end;
        if (scope == KeyScope::Global || scope == KeyScope::Indexed) {
            writeOne(*order[k], 0);
        } else {
            IndexRange r = IndicesOf(scope, p);
            for (int i = r.first; i <= r.last; ++i)
                for (size_t j = k; j < end; ++j)
                    writeOne(*order[j], i);
        }
        k = end;
    }
}

bool ReadKey(const SettingKey& key, const Value& stored,
             const std::function<bool(const Value&)>& assign) {
    switch (key.read) {
        case ReadAs::NotRead:
            return true;
        case ReadAs::KeepWhenEmpty:
            return stored.IsEmptyText() || assign(stored);
        case ReadAs::ZeroWhenEmpty:
            return assign(stored.IsEmptyText() ? Value::Long(0) : stored);
        case ReadAs::Required:
            break;
    }
    return assign(stored);
}

KeyOrder RunOf(KeyOrder order, KeyScope scope) {
    auto first = std::find_if(order.begin(), order.end(),
                              [&](const SettingKey* k) { return k->scope == scope; });
    auto last =
        std::find_if(first, order.end(), [&](const SettingKey* k) { return k->scope != scope; });
    return KeyOrder(first, last);
}

}  // namespace velmora
