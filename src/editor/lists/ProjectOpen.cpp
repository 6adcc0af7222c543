#include "editor/lists/ProjectOpen.h"

#include "editor/lists/MediaLists.h"

namespace velmora::editor {

OpenOutcome OpenProjectFile(const std::string& path, Project& p, SettingsStore& store,
                            const ProjectEnvironment& env, const FileExistsFn& exists) {
    OpenOutcome o;
    ClearPhotos(p);
    ClearSongs(p);
    o.read = ReadProjectFile(path, p, store, env);
    if (!o.read.ok())
        return o;
    o.missing = FindMissingMedia(p, exists);
    DeletePhotos(p, o.missing.photos);
    DeleteSongs(p, o.missing.songs);
    RepairProjectImages(p, exists);
    return o;
}

}  // namespace velmora::editor
