// Project files (*.aps), the autosave file and the preferences file: reading
// a project in either layout, the check for missing files after an open, the
// save, and the list of every file a project names.
//
// Core code, no Qt. The editor and the command line run the same steps:
// open = empty the lists, ReadProjectFile, then the missing-file check
// (FindMissingMedia, the caller deletes those entries through the list code,
// then RepairProjectImages); save = SaveProjectFile.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "project/Project.h"
#include "project/SettingsStore.h"

namespace velmora {

enum class ProjectLayout { None, Settings, Legacy };

struct ProjectReadResult {
    ProjectLayout layout = ProjectLayout::None;
    // The user's message (Chinese) when nothing could be read.
    std::string message;
    // Why, in English, for logs and tests.
    std::string detail;
    bool ok() const { return layout != ProjectLayout::None; }
};

// Reads path into p: as a settings file when it is one, else in the older
// record layout. A settings file whose keys do not read is not tried as the
// older layout. On failure p is unchanged. The store is empty afterwards.
ProjectReadResult ReadProjectFile(const std::string& path, Project& p, SettingsStore& store,
                                  const ProjectEnvironment& env);

// The user's message for a project file that cannot be read.
std::string UnreadableProjectMessage(const std::string& path);

// The message shown once for missing photos and once for missing songs.
extern const char* const kMissingFilesMessage;

using FileExistsFn = std::function<bool(const std::string&)>;

// 0-based list positions of the photos and songs whose file does not exist.
struct MissingMedia {
    std::vector<size_t> photos, songs;
};
MissingMedia FindMissingMedia(const Project& p, const FileExistsFn& exists);

// The repairs after an open: a picture background without a picture falls
// back to the solid colour, missing opening, ending and logo images are
// cleared, and an opening or ending with neither image nor title is
// switched off.
void RepairProjectImages(Project& p, const FileExistsFn& exists);

// Writes the project (both parts) into the store and saves it to path
// crash-safely, once its bytes have been read back as the same project.
// False when the project has no photos (the writer writes nothing then, and
// no empty file is made), the bytes do not read back, or the file could not be
// written; *message then says why (Chinese).
bool SaveProjectFile(const Project& p, SettingsStore& store, const std::string& path,
                     std::string* message = nullptr);

// Every file the project names that does not exist: photos, songs, lyric
// files, and the background, opening, ending and logo pictures (each with a
// path of 8 characters or more), with what it is.
struct MissingFile {
    std::string role;  // "图片" "音乐" "歌词" "背景图片" "片头图片" "片尾图片" "标志图片"
    std::string path;
};
std::vector<MissingFile> ListMissingFiles(const Project& p, const FileExistsFn& exists);

}  // namespace velmora
