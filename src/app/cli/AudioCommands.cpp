// velmora mp3info FILE...   frame-header description of MPEG audio files
// velmora duration FILE...  song lengths as the editor measures them
// velmora timing PROJECT    every slide's duration under the project's timing mode
#include <cstdio>
#include <iostream>
#include <string>

#include "app/cli/Cli.h"
#include "audio/MP3Info.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "editor/SlideTiming.h"
#include "editor/SongDuration.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/SettingsStore.h"

namespace velmora::cli {

namespace {

std::string Seconds3(double s) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", s);
    return buf;
}

const char* VersionName(float v) {
    if (v == 1.0f)
        return "MPEG-1";
    if (v == 2.0f)
        return "MPEG-2";
    return "MPEG-2.5";
}

const char* ChannelModeName(int mode) {
    switch (mode) {
        case 0:
            return "stereo";
        case 1:
            return "joint stereo";
        case 2:
            return "dual channel";
        default:
            return "mono";
    }
}

const char* LayerName(int layer) {
    switch (layer) {
        case 1:
            return "Layer I";
        case 2:
            return "Layer II";
        default:
            return "Layer III";
    }
}

// One line per file; a file without a frame is reported and counted.
std::string Mp3InfoLine(const audio::MP3Info& m) {
    std::string rate = m.IsVBR() ? "VBR" : std::to_string(m.BitRate() / 1000) + " kbit/s";
    const char* header = audio::VbrHeaderName(m.VbrHeader());
    return std::string(VersionName(m.MpegVersion())) + ", " + LayerName(m.Layer()) + ", " + rate +
           ", " + std::to_string(m.SampleRate()) + " Hz, " + ChannelModeName(m.ChannelMode()) +
           ", " + std::to_string(m.Frames()) + " frames, " + Seconds3(m.Duration() / 1000) +
           " s, " + (*header ? std::string(header) + " header" : std::string("no VBR header"));
}

}  // namespace

int RunMp3InfoCommand(Args args) {
    if (args.empty())
        return UsageError("mp3info");
    int status = 0;
    for (const auto& path : args) {
        audio::MP3Info info;
        if (!info.ReadMP3Info(path)) {
            Error(path + (FileSize(path) ? "：文件中没有找到MPEG音频帧" : "：无法打开文件"));
            status = 1;
            continue;
        }
        std::cout << path << ": " << Mp3InfoLine(info) << "\n";
    }
    std::cout.flush();
    return status;
}

int RunDurationCommand(Args args) {
    if (args.empty())
        return UsageError("duration");
    int status = 0;
    for (const auto& path : args) {
        std::string why;
        auto d = editor::SongDuration(path, &why);
        if (!d) {
            Error("无法读取歌曲长度：" + path + "（" + why + "）");
            status = 1;
            continue;
        }
        std::cout << path << ": " << Seconds3(*d) << "\n";
    }
    std::cout.flush();
    return status;
}

int RunTimingCommand(Args args) {
    if (args.size() != 1)
        return UsageError("timing");
    const std::string& path = args[0];
    SettingsStore store;
    Project project = MakeDefaultProject(ProjectEnvironment());
    // Either project layout, read as the editor opens a project.
    ProjectReadResult read = ReadProjectFile(path, project, store, ProjectEnvironment());
    if (!read.ok()) {
        Error(read.message.empty() ? UnreadableProjectMessage(path) : read.message);
        return 1;
    }
    editor::TimingInput in;
    in.enableSync = project.EnableSync;
    in.timeInterval = project.TimeInterval;
    for (const auto& p : project.photos)
        in.slideDurations.push_back(p.SlideDuration);
    in.openingShown =
        project.EnableOpening && (!project.TitleText[0].empty() || NamesFile(project.OpeningImage));
    in.openingSeconds = project.OpeningDurationTime;
    in.endingShown =
        project.EnableEnding && (!project.TitleText[1].empty() || NamesFile(project.EndingImage));
    in.endingSeconds = project.EndingDurationTime;

    // Song lengths; a song that cannot be measured makes the total 0, so
    // music sync falls back to the fixed interval.
    bool allMeasured = true;
    std::vector<double> lengths;
    for (size_t i = 0; i < project.songs.size(); ++i) {
        std::string why;
        auto d = editor::SongDuration(project.songs[i], &why);
        if (!d) {
            Error("无法读取歌曲长度：" + project.songs[i] + "（" + why + "）");
            allMeasured = false;
        }
        lengths.push_back(d.value_or(0));
        std::cout << "song " << i + 1 << ": " << (d ? Seconds3(*d) + " s" : "unknown") << "  "
                  << project.songs[i] << "\n";
    }
    if (allMeasured)
        in.songSeconds = lengths;

    editor::TimingPlan plan = editor::PlanSlideTiming(in);
    auto sec = [](double s) { return editor::ShortestDecimal(editor::RoundToMilliseconds(s)); };
    switch (plan.mode) {
        case editor::TimingMode::Fixed:
            std::cout << "mode: fixed interval " << sec(in.timeInterval) << " s\n";
            break;
        case editor::TimingMode::Sync:
            std::cout << "mode: music sync\n";
            break;
        case editor::TimingMode::SyncUnavailable:
            std::cout << "mode: music sync unavailable (" << project.songs.size()
                      << " songs), fixed interval " << sec(in.timeInterval) << " s\n";
            break;
    }
    if (!project.songs.empty()) {
        std::cout << "songs total: " << Seconds3(plan.songTotal) << " s";
        if (allMeasured && plan.songTotal > 0)
            std::cout << " (SongDurationTotal " << editor::WholeSongSeconds(plan.songTotal) << ")";
        std::cout << "\n";
    }
    if (plan.sync)
        std::cout << "slide time: " << Seconds3(plan.sync->slideTime)
                  << " s, passes: " << sec(plan.sync->repeatCount)
                  << ", slides shown: " << plan.sync->slidesShown << "\n";
    if (plan.openingSeconds > 0)
        std::cout << "opening: " << sec(plan.openingSeconds) << " s\n";
    for (size_t k = 0; k < plan.slides.size(); ++k) {
        const auto& s = plan.slides[k];
        std::cout << "slide " << k + 1 << ": " << Seconds3(s.seconds) << " s  photo " << s.photo + 1
                  << " " << FileNameOf(project.photos[static_cast<size_t>(s.photo)].ImgName)
                  << (s.individual ? "  (own duration)" : "") << "\n";
    }
    if (plan.endingSeconds > 0)
        std::cout << "ending: " << sec(plan.endingSeconds) << " s\n";
    std::cout << "slides total: " << Seconds3(plan.slidesTotal) << " s\n"
              << "total: " << Seconds3(plan.total) << " s" << std::endl;
    return 0;
}

}  // namespace velmora::cli
