// velmora demo [OUTDIR]
//
// The built-in demo: makes a project from the demo photos and song shipped
// in demo/ beside the program, saves it, opens it again as the editor does
// and then runs the longest job the program has on it, printing what each
// step produced.
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "app/AppPaths.h"
#include "app/cli/Cli.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "project/Project.h"

namespace velmora::cli {

namespace fs = std::filesystem;

namespace {

bool IsDemoPhoto(const fs::path& p) {
    std::string ext = FileTypeOf(p.string(), 4);
    return ext == ".JPG" || ext == ".BMP" || ext == ".PNG";
}

}  // namespace

int RunDemoCommand(Args args) {
    if (args.size() > 1)
        return UsageError("demo");
    AppPaths paths = ResolveAppPaths();
    std::string demoDir = paths.programFolder + "demo/";
    std::string outDir = args.empty() ? paths.Output() + "demo/" : WithTrailingSlash(args[0]);
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec) {
        Error("无法创建输出目录：" + outDir);
        return 1;
    }

    ProjectEnvironment env;
    env.screenW = 1920;
    env.screenH = 1080;
    env.lyricLineHeight = 75;
    Project p = MakeDefaultProject(env);
    std::vector<std::string> photos;
    for (const auto& e : fs::directory_iterator(demoDir, ec))
        if (e.is_regular_file() && IsDemoPhoto(e.path()))
            photos.push_back(e.path().string());
    std::sort(photos.begin(), photos.end());
    if (photos.size() < 2) {
        Error("找不到演示图片：" + demoDir);
        return 1;
    }
    for (const auto& path : photos) {
        PhotoEntry e = NewPhotoEntry(path, p, env);
        e.Caption = fs::path(path).stem().string();
        p.photos.push_back(std::move(e));
    }
    p.photos[0].Headline = "欢迎使用 Velmora图片幻灯";
    if (FileExists(demoDir + "demo song.mp3"))
        p.songs.push_back(demoDir + "demo song.mp3");
    if (FileExists(demoDir + "demo song.lrc"))
        p.lyricFiles.push_back(demoDir + "demo song.lrc");
    p.TitleText = {"Velmora图片幻灯 演示", "谢谢观看"};
    p.EnableOpening = p.EnableEnding = true;
    p.OpeningDurationTime = p.EndingDurationTime = 3;
    p.TxtSetting[0] = "演示幻灯";

    const std::string apsPath = outDir + "演示幻灯.aps";
    p.ProjectName = apsPath;
    SettingsStore store;
    store.SetProjectFolder(paths.ProjectFolder());
    WriteProjectSettings(p, store, false);
    if (!store.SaveSettingsFile(apsPath)) {
        Error("无法保存配置文件：" + apsPath);
        return 1;
    }
    std::cout << "项目已保存 / project saved: " << apsPath << " (" << p.NowI() << " 张图片, "
              << p.NowM() << " 首歌曲)\n";

    Project reread = MakeDefaultProject(env);
    if (!store.LoadSettingsFile(apsPath) || !ReadProjectSettings(reread, store, env, false)) {
        Error("无法读取刚保存的配置文件：" + apsPath);
        return 1;
    }
    std::cout << "项目已重新打开 / project read back: " << reread.NowI() << " 张图片, "
              << reread.NowM() << " 首歌曲, 标题 \"" << reread.TitleText[0] << "\"\n";

    // The longest job so far: the self-running slideshow package.
    const std::vector<std::string> buildArgs = {apsPath, "-o", outDir + "演示幻灯.exe"};
    int rc = RunBuildCommand(buildArgs);
    if (rc == 0)
        std::cout << "幻灯程序已生成 / package built: " << outDir << "演示幻灯.exe\n";
    return rc;
}

}  // namespace velmora::cli
