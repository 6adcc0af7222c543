#include "editor/lists/MediaLists.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "base/FileNames.h"
#include "base/TextCodec.h"
#include "render/ImageProbe.h"

namespace velmora::editor {

namespace {

bool LastThreeIn(const std::string& path, std::initializer_list<const char*> types) {
    std::string ext = FileTypeOf(path);
    return std::any_of(types.begin(), types.end(), [&](const char* t) { return ext == t; });
}

bool EndsWithUpper(const std::string& path, std::initializer_list<const char*> endings) {
    std::string up = AsciiUpper(path);
    return std::any_of(endings.begin(), endings.end(), [&](const char* e) {
        std::string_view s(e);
        return up.size() >= s.size() && up.compare(up.size() - s.size(), s.size(), s) == 0;
    });
}

// Positions sorted highest first, duplicates and those past the end removed.
std::vector<size_t> Descending(std::vector<size_t> rows, size_t size) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](size_t r) { return r >= size; }),
               rows.end());
    return rows;
}

bool Step(Progress* progress, size_t i, size_t n, const std::string& path) {
    if (!progress)
        return true;
    if (progress->Cancelled())
        return false;
    progress->ShowProgress(static_cast<int>(n ? (i * 100) / n : 100), path);
    return !progress->Cancelled();
}

}  // namespace

bool HasPhotoType(const std::string& path) {
    return LastThreeIn(path, {"BMP", "JPG", "GIF", "PNG", "TIF", "TGA", "PCX"});
}

bool IsSupportedPhoto(const std::string& path) {
    return HasPhotoType(path) && render::ProbeImageFile(path, false).known();
}

bool IsDroppedPhoto(const std::string& path) {
    return EndsWithUpper(path, {".BMP", ".JPG", ".GIF", ".PNG", ".TGA", ".PCX", ".TIF"});
}

bool HasSongType(const std::string& path) {
    return LastThreeIn(path, {"MP3", "WMA", "WAV", "MID"});
}

bool IsDroppedSong(const std::string& path) {
    return EndsWithUpper(path, {".MP3", ".WAV", ".MID", ".WMA"});
}

std::vector<std::string> SplitDialogResult(const std::string& result) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < result.size()) {
        size_t nul = result.find('\0', start);
        if (nul == std::string::npos)
            nul = result.size();
        if (nul > start)
            parts.push_back(result.substr(start, nul - start));
        start = nul + 1;
    }
    if (parts.size() <= 1)
        return parts;
    std::string folder = parts[0];
    if (folder.back() != '/')
        folder += '/';
    std::vector<std::string> paths;
    for (size_t i = 1; i < parts.size(); ++i)
        paths.push_back(folder + parts[i]);
    return paths;
}

std::vector<std::string> FolderPhotos(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code fe;
        if (!it->is_regular_file(fe))
            continue;
        std::string p = it->path().string();
        if (HasPhotoType(p))
            out.push_back(std::move(p));
    }
    return out;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

AddResult AddPhotos(Project& p, const ProjectEnvironment& env,
                    const std::vector<std::string>& paths, Progress* progress,
                    const FileCheckFn& supported) {
    AddResult r;
    std::unordered_set<std::string> listed;
    listed.reserve(p.photos.size() + paths.size());
    for (const PhotoEntry& e : p.photos)
        listed.insert(e.ImgName);
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!Step(progress, i, paths.size(), paths[i])) {
            r.cancelled = true;
            break;
        }
        const std::string& path = paths[i];
        ++r.offered;
        r.lastOffered = path;
        if (listed.count(path) || !supported(path))
            continue;
        p.photos.push_back(NewPhotoEntry(path, p, env));
        listed.insert(path);
        ++r.added;
    }
    return r;
}

AddResult AddSongs(Project& p, const std::vector<std::string>& paths, Progress* progress,
                   const FileCheckFn& check, const LyricFinderFn& findLyric) {
    AddResult r;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!Step(progress, i, paths.size(), paths[i])) {
            r.cancelled = true;
            break;
        }
        const std::string& path = paths[i];
        ++r.offered;
        r.lastOffered = path;
        if (CodePointCount(path) <= 6)
            continue;
        if (std::find(p.songs.begin(), p.songs.end(), path) != p.songs.end())
            continue;
        if (!check(path))
            continue;
        p.songs.push_back(path);
        ++r.added;
        if (findLyric) {
            std::string lyric = findLyric(path);
            if (!lyric.empty())
                AddLyricFile(p, lyric);
        }
    }
    return r;
}

namespace {

std::string CanonicalOrSelf(const std::string& path) {
    std::error_code ec;
    std::filesystem::path c = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : c.string();
}

}  // namespace

bool LyricFileListed(const Project& p, const std::string& path) {
    if (std::find(p.lyricFiles.begin(), p.lyricFiles.end(), path) != p.lyricFiles.end())
        return true;
    const std::string canonical = CanonicalOrSelf(path);
    for (const std::string& listed : p.lyricFiles)
        if (CanonicalOrSelf(listed) == canonical)
            return true;
    return false;
}

bool AddLyricFile(Project& p, const std::string& path) {
    if (path.empty() || LyricFileListed(p, path))
        return false;
    p.lyricFiles.push_back(path);
    return true;
}

size_t RescanLyricFiles(Project& p, const LyricFinderFn& findLyric) {
    if (!findLyric)
        return 0;
    std::vector<std::string> bases;
    for (const std::string& l : p.lyricFiles)
        bases.push_back(BaseName(l));
    size_t added = 0;
    for (const std::string& song : p.songs) {
        std::string lyric = findLyric(song);
        if (lyric.empty() || LyricFileListed(p, lyric))
            continue;
        const std::string base = BaseName(lyric);
        if (std::any_of(bases.begin(), bases.end(),
                        [&](const std::string& b) { return EqualsNoCase(b, base); }))
            continue;
        p.lyricFiles.push_back(std::move(lyric));
        ++added;
    }
    return added;
}

std::vector<size_t> DeletePhotos(Project& p, std::vector<size_t> rows) {
    rows = Descending(std::move(rows), p.photos.size());
    for (size_t k : rows)
        p.photos.erase(p.photos.begin() + static_cast<std::ptrdiff_t>(k));
    return rows;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::vector<size_t> DeleteSongs(Project& p, std::vector<size_t> rows) {
    rows = Descending(std::move(rows), p.songs.size());
    for (size_t k : rows) {
        std::string base = BaseName(p.songs[k]);
        for (size_t j = p.lyricFiles.size(); j-- > 0;) {
            if (EqualsNoCase(BaseName(p.lyricFiles[j]), base)) {
                p.lyricFiles.erase(p.lyricFiles.begin() + static_cast<std::ptrdiff_t>(j));
                break;
            }
        }
        p.songs.erase(p.songs.begin() + static_cast<std::ptrdiff_t>(k));
    }
    return rows;
}

void ClearPhotos(Project& p) {
    p.photos.clear();
    p.OpeningImage.clear();
    p.EndingImage.clear();
    p.LogoImage.clear();
    p.ProjectName.clear();
}

void ClearSongs(Project& p) {
    p.songs.clear();
    p.lyricFiles.clear();
}

std::string CaptionFromFileName(const std::string& path) {
    return BaseName(path);
}

void CaptionsFromFileNames(Project& p) {
    for (PhotoEntry& e : p.photos)
        e.Caption = CaptionFromFileName(e.ImgName);
}

}  // namespace velmora::editor
