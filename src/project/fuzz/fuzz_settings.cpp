// libFuzzer target: a file's bytes through the whole project read.
//  1. The settings-file loader; the loaded contents written back and read
//     again must round trip.
//  2. The project read of those contents, and the older record layout's
//     reader on the same bytes. Whatever either accepts is written as a
//     project file; opening that file and saving it again must give the same
//     bytes.
#include <cstdlib>
#include <span>

#include "project/LegacyProject.h"
#include "project/Project.h"
#include "project/SettingsStore.h"

namespace {

velmora::Project Fresh(const velmora::ProjectEnvironment& env) {
    velmora::Project p = velmora::MakeDefaultProject(env);
    for (auto& t : p.TxtSetting)
        t.clear();
    return p;
}

// Saved, opened and saved again: the same bytes.
void CheckSaveIsStable(const velmora::Project& p, const velmora::ProjectEnvironment& env) {
    if (p.photos.empty())
        return;
    velmora::SettingsStore store;
    velmora::WriteProjectSettings(p, store, false);
    auto first = store.FileBytes();
    velmora::SettingsStore reread;
    if (!reread.LoadFromBytes(first))
        std::abort();
    velmora::Project q = Fresh(env);
    if (!velmora::ReadProjectSettings(q, reread, env, false))
        std::abort();
    velmora::SettingsStore again;
    velmora::WriteProjectSettings(q, again, false);
    if (again.FileBytes() != first)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const velmora::ProjectEnvironment env;
    velmora::SettingsStore store;
    if (store.LoadFromBytes(bytes)) {
        auto again = store.FileBytes();
        velmora::SettingsStore second;
        if (!second.LoadFromBytes(again))
            std::abort();
        if (second.FileBytes() != again)
            std::abort();
        velmora::Project p = Fresh(env);
        if (velmora::ReadProjectSettings(p, store, env, false))
            CheckSaveIsStable(p, env);
    }
    velmora::Project legacy = Fresh(env);
    if (velmora::ReadLegacyProjectBytes(bytes, legacy, env))
        CheckSaveIsStable(legacy, env);
    return 0;
}
