// velmora project new|show|check|save: project files from the command line,
// through the same list and file code the editor uses.
//
//   project new OUT.aps [--photos PATH...] [--songs PATH...] [--lyrics PATH...]
//       a new project (every other field at its default); a folder given to
//       --photos adds its photos as the editor's folder add does; saved as
//       the editor's save-as saves it (bound to OUT).
//   project show FILE.aps      every field by key, then the list entries
//   project check FILE.aps     the missing files; exit status 3 when any
//   project save IN.aps OUT.aps
//       opens IN as the editor opens a project (missing photos and songs are
//       removed) and saves it as the editor's save command does, to OUT.
//
// Exit status: 0 done, 1 the file cannot be read or written, 2 usage,
// 3 (check) files are missing.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/Cli.h"
#include "base/FileUtil.h"
#include "editor/lists/MediaLists.h"
#include "editor/lists/ProjectOpen.h"
#include "editor/lists/SongCheck.h"
#include "project/ProjectFile.h"
#include "project/SettingsIo.h"
#include "project/SettingsText.h"

namespace velmora::cli {

namespace {

std::string Absolute(const std::string& path) {
    std::error_code ec;
    auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

std::string Shown(const Value& v) {
    if (v.type() == ValueType::String)
        return "\"" + EscapeSettingText(v.text()) + "\"";
    return FormatSettingValue(v);
}

// Saves as the editor saves and prints what was saved.
int SaveAndReport(const Project& p, SettingsStore& store, const std::string& out) {
    std::string message;
    if (!SaveProjectFile(p, store, out, &message)) {
        Error(message);
        return 1;
    }
    std::cout << "已保存 " << out << "：" << p.NowI() << " 张图片，" << p.NowM() << " 首音乐，"
              << p.LyricFilesCount() << " 个歌词文件" << std::endl;
    return 0;
}

// A command-line project starts from the defaults, with the slideshow
// information boxes empty: there is no earlier text for the file's absent
// keys to leave in place, so what is read is exactly what is saved.
Project FreshProject(const ProjectEnvironment& env) {
    Project p = MakeDefaultProject(env);
    for (auto& t : p.TxtSetting)
        t.clear();
    return p;
}

// The editor's messages break lines with a carriage return; a terminal
// wants a newline.
std::string ForTerminal(std::string text) {
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

bool ExistsFile(const std::string& path) {
    return FileExists(path);
}

int New(Args args) {
    if (args.empty())
        return UsageError("project");
    const std::string out = Absolute(args[0]);
    std::vector<std::string> photos, songs, lyrics;
    std::vector<std::string>* into = nullptr;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--photos")
            into = &photos;
        else if (a == "--songs")
            into = &songs;
        else if (a == "--lyrics")
            into = &lyrics;
        else if (!into)
            return UsageError("project");
        else
            into->push_back(a);
    }
    ProjectEnvironment env;
    Project p = MakeDefaultProject(env);
    // Photos: a folder adds as the editor's folder add; files as chosen.
    std::vector<std::string> offered;
    for (const std::string& a : photos) {
        std::string abs = Absolute(a);
        if (IsDirectory(abs)) {
            for (std::string& f : editor::FolderPhotos(WithTrailingSlash(abs)))
                offered.push_back(std::move(f));
        } else {
            offered.push_back(abs);
        }
    }
    editor::AddResult pr = editor::AddPhotos(p, env, offered);
    std::vector<std::string> songPaths;
    for (const std::string& s : songs)
        songPaths.push_back(Absolute(s));
    editor::AddResult sr = editor::AddSongs(
        p, songPaths, nullptr, editor::CheckSong,
        [&](const std::string& song) { return editor::LyricFileForSong(song, p.LyricFolder); });
    for (const std::string& l : lyrics) {
        std::string abs = Absolute(l);
        if (!FileExists(abs))
            Error("找不到歌词文件：" + abs);
        else
            editor::AddLyricFile(p, abs);  // once, even when found beside its song
    }
    if (pr.added < pr.offered)
        Error("跳过了 " + std::to_string(pr.offered - pr.added) + " 个不支持或重复的图片文件");
    if (sr.added < sr.offered)
        Error("跳过了 " + std::to_string(sr.offered - sr.added) + " 个无法播放或重复的音乐文件");
    if (p.NowI() < 2) {
        Error("请首先添加至少两张图片到图片幻灯中");
        return 1;
    }
    p.ProjectName = out;
    SettingsStore store;
    return SaveAndReport(p, store, out);
}

bool Read(const std::string& path, Project& p, ProjectLayout& layout) {
    SettingsStore store;
    ProjectEnvironment env;
    p = FreshProject(env);
    if (!FileExists(path)) {
        Error("找不到文件：" + path);
        return false;
    }
    ProjectReadResult r = ReadProjectFile(path, p, store, env);
    if (!r.ok()) {
        Error(r.message);
        return false;
    }
    layout = r.layout;
    return true;
}

int Show(Args args) {
    if (args.size() != 1)
        return UsageError("project");
    Project p;
    ProjectLayout layout;
    if (!Read(args[0], p, layout))
        return 1;
    std::cout << "# " << args[0] << (layout == ProjectLayout::Legacy ? "（旧版格式）" : "") << "\n";
    // The project-wide keys exactly as the writer stores them (the writer
    // needs a photo to write anything).
    Project global = p;
    if (global.photos.empty())
        global.photos.emplace_back();
    SettingsStore store;
    WriteProjectSettings(global, store, true);
    for (const auto& [key, value] : store.bag().entries())
        std::cout << key << " = " << Shown(value) << "\n";
    // The list part, every per-photo key whatever its write condition.
    for (const SettingKey* key :
         {&keys::ProjectName, &keys::NowI, &keys::NowM, &keys::LyricFilesCount})
        std::cout << KeyName(*key) << " = " << Shown(*KeyValue(*key, p)) << "\n";
    const KeyOrder photoKeys = RunOf(kProjectFileOrder, KeyScope::Photo);
    for (int i = 1; i <= p.NowI(); ++i) {
        std::cout << "图片 " << i << "\n";
        for (const SettingKey* key : photoKeys)
            std::cout << "  " << KeyName(*key, i) << " = " << Shown(*KeyValue(*key, p, i)) << "\n";
    }
    for (int i = 1; i <= p.NowM(); ++i)
        std::cout << "音乐 " << i << "\n  " << KeyName(keys::MusicNames, i) << " = "
                  << Shown(*KeyValue(keys::MusicNames, p, i)) << "\n";
    for (int i = 1; i <= p.LyricFilesCount(); ++i)
        std::cout << "歌词 " << i << "\n  " << KeyName(keys::LyricFiles, i) << " = "
                  << Shown(*KeyValue(keys::LyricFiles, p, i)) << "\n";
    std::cout << std::flush;
    return 0;
}

int Check(Args args) {
    if (args.size() != 1)
        return UsageError("project");
    Project p;
    ProjectLayout layout;
    if (!Read(args[0], p, layout))
        return 1;
    auto missing = ListMissingFiles(p, ExistsFile);
    for (const MissingFile& m : missing)
        std::cout << "缺少" << m.role << "：" << m.path << "\n";
    if (missing.empty()) {
        std::cout << "所有文件都存在" << std::endl;
        return 0;
    }
    std::cout << "共缺少 " << missing.size() << " 个文件" << std::endl;
    return 3;
}

int Save(Args args) {
    if (args.size() != 2)
        return UsageError("project");
    const std::string& in = args[0];
    const std::string out = Absolute(args[1]);
    if (!FileExists(in)) {
        Error("找不到文件：" + in);
        return 1;
    }
    ProjectEnvironment env;
    Project p = FreshProject(env);
    SettingsStore store;
    editor::OpenOutcome o = editor::OpenProjectFile(in, p, store, env, ExistsFile);
    if (!o.ok()) {
        Error(o.read.message);
        return 1;
    }
    if (!o.missing.photos.empty() || !o.missing.songs.empty())
        Error(ForTerminal(kMissingFilesMessage) + "（" + std::to_string(o.missing.photos.size()) +
              " 张图片，" + std::to_string(o.missing.songs.size()) + " 首音乐）");
    return SaveAndReport(p, store, out);
}

}  // namespace

int RunProjectCommand(Args args) {
    if (args.empty())
        return UsageError("project");
    const std::string& sub = args[0];
    Args rest = args.subspan(1);
    if (sub == "new")
        return New(rest);
    if (sub == "show")
        return Show(rest);
    if (sub == "check")
        return Check(rest);
    if (sub == "save")
        return Save(rest);
    return UsageError("project");
}

}  // namespace velmora::cli
