// Opening a project file as the editor opens it, for the editor and the
// command line alike: the photo and song lists are emptied, the file is read
// (a settings file, else the older layout), the photos and songs whose files
// are gone are deleted through the list code, and the background, opening,
// ending and logo pictures are repaired. Core code, no Qt.
#pragma once

#include <string>

#include "project/ProjectFile.h"

namespace velmora::editor {

struct OpenOutcome {
    ProjectReadResult read;
    MissingMedia missing;  // positions as read, before they were deleted
    bool ok() const { return read.ok(); }
};

// The lists are emptied even when the file cannot be read (the project then
// stays empty, with its other fields as they were).
OpenOutcome OpenProjectFile(const std::string& path, Project& p, SettingsStore& store,
                            const ProjectEnvironment& env, const FileExistsFn& exists);

}  // namespace velmora::editor
