// libFuzzer target: a settings file's bytes through the loader, then the
// loaded contents written back and read again (they must round trip).
#include <cstdlib>
#include <span>

#include "project/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velmora::SettingsStore store;
    if (!store.LoadFromBytes(std::span<const uint8_t>(data, size))) return 0;
    auto again = store.FileBytes();
    velmora::SettingsStore second;
    if (!second.LoadFromBytes(again)) std::abort();
    if (second.FileBytes() != again) std::abort();
    return 0;
}
