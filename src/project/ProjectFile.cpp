#include "project/ProjectFile.h"

#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "base/TextCodec.h"
#include "project/LegacyProject.h"

namespace velmora {

const char* const kMissingFilesMessage =
    "找不到图片幻灯配置中的某些文件，程序将自动将这些文件从列表中清除。\r"
    "这可能是因为你已经把这些文件删除或移动到其他目录。";

std::string UnreadableProjectMessage(const std::string& path) {
    return "无法读取图片幻灯配置文件 '" + FileNameOf(path) +
           "'，这个文件不是图片幻灯配置文件，或者已经损坏。";
}

ProjectReadResult ReadProjectFile(const std::string& path, Project& p, SettingsStore& store,
                                  const ProjectEnvironment& env) {
    ProjectReadResult r;
    if (store.LoadSettingsFile(path)) {
        if (ReadProjectSettings(p, store, env, false)) {
            r.layout = ProjectLayout::Settings;
        } else {
            r.detail = "a settings file whose project keys are missing or do not convert";
            r.message = UnreadableProjectMessage(path);
        }
        store.Clear();
        return r;
    }
    store.Clear();
    if (ReadLegacyProject(path, p, env, &r.detail)) {
        r.layout = ProjectLayout::Legacy;
    } else {
        r.detail = "neither a settings file nor the older layout: " + r.detail;
        r.message = UnreadableProjectMessage(path);
    }
    return r;
}

MissingMedia FindMissingMedia(const Project& p, const FileExistsFn& exists) {
    MissingMedia m;
    for (size_t i = 0; i < p.photos.size(); ++i)
        if (!exists(p.photos[i].ImgName))
            m.photos.push_back(i);
    for (size_t i = 0; i < p.songs.size(); ++i)
        if (!exists(p.songs[i]))
            m.songs.push_back(i);
    return m;
}

void RepairProjectImages(Project& p, const FileExistsFn& exists) {
    if (p.Background() == BackgroundMode::Picture && !NamesFile(p.BackGroundPicture))
        p.BackGroundSet = BackgroundModeText(BackgroundMode::Solid);
    if (NamesFile(p.BackGroundPicture) && !exists(p.BackGroundPicture)) {
        p.BackGroundPicture.clear();
        p.BackGroundSet = BackgroundModeText(BackgroundMode::Solid);
    }
    auto titled = [&](bool& enabled, std::string& image, const std::string& title) {
        if (enabled && !NamesFile(image) && title.empty())
            enabled = false;
        else if (NamesFile(image) && !exists(image))
            image.clear();
    };
    titled(p.EnableOpening, p.OpeningImage, p.TitleText[0]);
    titled(p.EnableEnding, p.EndingImage, p.TitleText[1]);
    if (NamesFile(p.LogoImage) && !exists(p.LogoImage))
        p.LogoImage.clear();
}

bool SaveProjectFile(const Project& p, SettingsStore& store, const std::string& path,
                     std::string* message) {
    if (p.photos.empty()) {
        store.Clear();
        if (message)
            *message = "请首先添加至少两张图片到图片幻灯中";
        return false;
    }
    WriteProjectSettings(p, store, false);
    // The bytes must read back as this project before they replace a file:
    // a save never turns a readable project file into an unreadable one.
    {
        SettingsStore check;
        Project back;
        if (!check.LoadFromBytes(store.FileBytes()) ||
            !ReadProjectSettings(back, check, ProjectEnvironment{}, false) ||
            back.NowI() != p.NowI() || back.NowM() != p.NowM()) {
            store.Clear();
            if (message)
                *message = "无法保存配置文件：" + path + "\r写出的内容不能再读回。";
            return false;
        }
    }
    if (!store.SaveSettingsFile(path)) {
        if (message)
            *message = "无法保存配置文件：" + path;
        return false;
    }
    return true;
}

std::vector<MissingFile> ListMissingFiles(const Project& p, const FileExistsFn& exists) {
    std::vector<MissingFile> out;
    for (const PhotoEntry& e : p.photos)
        if (!exists(e.ImgName))
            out.push_back({"图片", e.ImgName});
    for (const std::string& s : p.songs)
        if (!exists(s))
            out.push_back({"音乐", s});
    for (const std::string& s : p.lyricFiles)
        if (!exists(s))
            out.push_back({"歌词", s});
    const std::pair<const char*, const std::string*> pictures[] = {
        {"背景图片", &p.BackGroundPicture},
        {"片头图片", &p.OpeningImage},
        {"片尾图片", &p.EndingImage},
        {"标志图片", &p.LogoImage}};
    for (const auto& [role, path] : pictures)
        if (NamesFile(*path) && !exists(*path))
            out.push_back({role, *path});
    return out;
}

}  // namespace velmora
