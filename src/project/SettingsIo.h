// Writing and reading project values through the settings-key table: the one
// walk that the project file's writer and reader, the package build and
// `project show` share. Core code, no Qt.
#pragma once

#include <functional>
#include <optional>
#include <span>

#include "project/Project.h"
#include "project/SettingsKeys.h"
#include "project/SettingsStore.h"

namespace velmora {

using KeyOrder = std::span<const SettingKey* const>;

// The value the project gives the key at index: the member's value, or for a
// derived key the version, the transition choice, a count or Integer 0
// ("CurrentMask"). nullopt for values only the package build knows.
std::optional<Value> KeyValue(const SettingKey& key, const Project& p, int index = 0);

// Whether the writer writes the key at index for this project (its write
// condition).
bool KeyIsWritten(const SettingKey& key, const Project& p, int index = 0);

// Called for every key (and every index of an indexed key) before it is
// written; true when it wrote the key itself (an embedded file, a value of
// the build), false to let the walk write the project's value.
using KeyWriteHook = std::function<bool(const SettingKey& key, int index)>;

// Writes the keys of order for the project, in order: a run of consecutive
// keys of one indexed scope index by index (the text styles slot by slot,
// the photos photo by photo). Keys of the build that the hook does not write
// are left out.
void WriteKeys(KeyOrder order, const Project& p, SettingsStore& store,
               const KeyWriteHook& hook = {});

// Reads one stored value into a member by the key's read rule; false when a
// value that must convert does not.
bool ReadKey(const SettingKey& key, const Value& stored,
             const std::function<bool(const Value&)>& assign);

// The contiguous run of keys of one scope in an order (empty when none).
KeyOrder RunOf(KeyOrder order, KeyScope scope);

}  // namespace velmora
