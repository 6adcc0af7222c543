// The photo list and the song list of the project: which files they take,
// adding by path list, folder and drop, deleting, moving and clearing.
//
// Core code, no Qt. The list widgets of the editor show exactly the
// project's photos and songs in order (entry k is photo k + 1), so every
// command here works on list positions (0-based) and the callers mirror the
// result in their widgets and thumbnail caches.
//
// Paths are compared exactly: on this system two names that differ in case
// are two different files.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/Progress.h"
#include "project/Project.h"

namespace velmora::editor {

// ------------------------------------------------------------ file types

// The last three characters of the path, upper-cased, are one of BMP, JPG,
// GIF, PNG, TIF, TGA, PCX ("x.jpeg" ends in PEG and is not taken).
bool HasPhotoType(const std::string& path);
// HasPhotoType and the picture probe recognises the file.
bool IsSupportedPhoto(const std::string& path);
// Dropped files: the name ends in ".BMP", ".JPG", ".GIF", ".PNG", ".TGA",
// ".PCX" or ".TIF" (upper case compared).
bool IsDroppedPhoto(const std::string& path);

// MP3, WMA, WAV, MID by the last three characters.
bool HasSongType(const std::string& path);
// Dropped songs: ".MP3", ".WAV", ".MID", ".WMA".
bool IsDroppedSong(const std::string& path);

// A multi-selection file dialog's result split at NUL characters: one part
// is the full path; more parts are the folder and the file names in it.
std::vector<std::string> SplitDialogResult(const std::string& result);

// The plain files (not subfolders) of a folder with one of the seven photo
// types, in the order the file system lists them. Empty when the folder
// cannot be read.
std::vector<std::string> FolderPhotos(const std::string& folder);

// The folder part of a path (up to and including the last '/'), for the
// next dialog's start.
std::string FolderOf(const std::string& path);

// ------------------------------------------------------------ adding

struct AddResult {
    size_t offered = 0;       // paths looked at
    size_t added = 0;         // entries appended
    std::string lastOffered;  // the next dialog opens in its folder
    bool cancelled = false;   // the user cancelled through the progress
};

using FileCheckFn = std::function<bool(const std::string&)>;
using LyricFinderFn = std::function<std::string(const std::string& song)>;

// Appends the supported photos of paths in their order; duplicates and
// unsupported files are skipped without a message. Every new entry takes the
// new-entry defaults. progress (may be null) advances per path and is polled
// for cancel between paths; its Init/Finish are the caller's.
AddResult AddPhotos(Project& p, const ProjectEnvironment& env,
                    const std::vector<std::string>& paths, Progress* progress = nullptr,
                    const FileCheckFn& supported = IsSupportedPhoto);

// Appends the songs of paths that are longer than 6 characters, not listed
// yet and pass the check; a song's lyric file (when findLyric gives one) is
// appended to the lyric file list unless that file is listed already.
AddResult AddSongs(Project& p, const std::vector<std::string>& paths, Progress* progress,
                   const FileCheckFn& check, const LyricFinderFn& findLyric);

// ------------------------------------------------------------ lyric files

// True when the lyric file list already holds this file: the same path, or
// another path to the same file (compared as canonical paths, so
// "dir/../song.lrc" and a link to it count as listed).
bool LyricFileListed(const Project& p, const std::string& path);

// Appends a lyric file unless it is listed already; true when appended.
bool AddLyricFile(Project& p, const std::string& path);

// Rescan (lyric folder chosen, lyrics switched on): for each song in order
// its lyric file is appended when findLyric gives one, it is not listed yet
// and its base name is not among those of the files listed before the scan.
// Returns the number appended.
size_t RescanLyricFiles(Project& p, const LyricFinderFn& findLyric);

// ------------------------------------------------------------ deleting

// Removes the photos at the given list positions (any order, duplicates
// ignored). Returns the removed positions, highest first (the order the
// thumbnail cache follows).
std::vector<size_t> DeletePhotos(Project& p, std::vector<size_t> rows);

// Removes the songs at the given positions; each removed song also removes
// one lyric file: the last entry of the lyric file list whose base name
// equals the song's base name. Returns the removed positions, highest first.
std::vector<size_t> DeleteSongs(Project& p, std::vector<size_t> rows);

// The base name: the text after the last '/', up to its last dot.
std::string BaseName(const std::string& path);

// Empties the photo list and what goes with it (ResetToEmptyProject's
// photo part: the project path and the opening, ending and logo images).
void ClearPhotos(Project& p);
// Empties the song list and the lyric file list.
void ClearSongs(Project& p);

// ------------------------------------------------------------ moving

// One exchange of neighbours a and a + 1 made by a move.
struct Swap {
    size_t a;
};

// Moves the selected entries up by one: nothing moves when the first entry
// is selected or the list holds fewer than two entries. selected is the
// selection mark of every entry and moves with the entries. Returns the
// exchanges in the order made.
template <class T>
std::vector<Swap> MoveSelectedUp(std::vector<T>& items, std::vector<bool>& selected) {
    std::vector<Swap> swaps;
    if (items.size() < 2 || selected.size() != items.size() || selected[0])
        return swaps;
    for (size_t k = 1; k < items.size(); ++k) {
        if (!selected[k])
            continue;
        std::swap(items[k], items[k - 1]);
        selected[k] = false;
        selected[k - 1] = true;
        swaps.push_back({k - 1});
    }
    return swaps;
}

// The mirror image: nothing moves when the last entry is selected.
template <class T>
std::vector<Swap> MoveSelectedDown(std::vector<T>& items, std::vector<bool>& selected) {
    std::vector<Swap> swaps;
    const size_t n = items.size();
    if (n < 2 || selected.size() != n || selected[n - 1])
        return swaps;
    for (size_t k = n - 1; k-- > 0;) {
        if (!selected[k])
            continue;
        std::swap(items[k], items[k + 1]);
        selected[k] = false;
        selected[k + 1] = true;
        swaps.push_back({k});
    }
    return swaps;
}

// ------------------------------------------------------------ captions

// The photo's file name without folder and extension (after the last '/',
// up to the last dot).
std::string CaptionFromFileName(const std::string& path);
// Every photo's caption becomes its file name (the caption-from-name box).
void CaptionsFromFileNames(Project& p);

}  // namespace velmora::editor
