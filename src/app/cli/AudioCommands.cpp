// velmora mp3info FILE...   frame-header description of MPEG audio files
// velmora duration FILE...  song lengths as the editor measures them
// velmora timing PROJECT    every slide's duration under the project's timing mode
// velmora decode SONG -o OUT.wav [--rate R --channels C --bits B]
//   decodes a song through its sound stream and the PCM conversion and
//   writes it with the WAV writer; without options the song's own rate and
//   channels, 16-bit (8-bit for 8-bit WAVs).
// velmora soundtrack PROJECT.aps -o OUT.mp3 [--wav OUT.wav] [--program-folder DIR]
//   [--sequential]
//   the video export's sound track: opening silence, songs decoded and
//   joined, MP3 encoded; progress on standard error, Ctrl+C cancels.
//   --sequential encodes after all songs are joined instead of beside the
//   decoding (the same MP3).
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "app/AppPaths.h"
#include "app/cli/Cli.h"
#include "app/cli/CliProgress.h"
#include "audio/MP3Info.h"
#include "audio/PcmConversion.h"
#include "audio/SongLength.h"
#include "audio/StreamFactory.h"
#include "audio/StreamMP3.h"
#include "audio/StreamWAV.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "editor/SlideTiming.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/SettingsStore.h"
#include "video/SoundTrack.h"

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
        auto d = audio::SongLength(path, &why);
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
        auto d = audio::SongLength(project.songs[i], &why);
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
    auto sec = [](double s) { return editor::ShortestDecimal(audio::RoundToMilliseconds(s)); };
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
            std::cout << " (SongDurationTotal " << audio::WholeSongSeconds(plan.songTotal) << ")";
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

namespace {

bool ParseCount(const std::string& s, long lo, long hi, long& out) {
    try {
        size_t used = 0;
        long v = std::stol(s, &used);
        if (used != s.size() || v < lo || v > hi)
            return false;
        out = v;
        return true;
    } catch (...) {
        return false;
    }
}

// A scratch folder of its own under the system's temporary folder.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("velmora-soundtrack-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_, ec_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    bool ok() const { return !ec_; }
    std::string path() const { return path_.string() + "/"; }

  private:
    std::filesystem::path path_;
    std::error_code ec_;
};

}  // namespace

int RunDecodeCommand(Args args) {
    if (args.empty())
        return UsageError("decode");
    std::string song = args[0], out;
    long rate = 0, channels = 0, bits = 0;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "-o" && hasValue)
            out = args[++i];
        else if (a == "--rate" && hasValue && ParseCount(args[i + 1], 1000, 768000, rate))
            ++i;
        else if (a == "--channels" && hasValue && ParseCount(args[i + 1], 1, 8, channels))
            ++i;
        else if (a == "--bits" && hasValue && ParseCount(args[i + 1], 8, 32, bits) && bits % 8 == 0)
            ++i;
        else
            return UsageError("decode");
    }
    if (out.empty())
        return UsageError("decode");
    const std::string cannot = "无法解码文件 " + song;
    std::unique_ptr<audio::ISoundStream> stream = audio::CreateSoundStream(song);
    int32_t r = stream->OpenSource(song);
    if (r != audio::kSoundOk) {
        Error(cannot + "\n" +
              (FileSize(song) ? "文件无法打开或不是可识别的声音文件" : "文件不存在或无法读取") +
              "（结果 " + std::to_string(r) + "）");
        return 1;
    }
    audio::PCMPreparator prep;
    if (!prep.InitConversion(*stream, false)) {
        Error(cannot + "\n无法建立到 PCM 的转换：文件中没有可解码的声音数据（结果 " +
              std::to_string(audio::kSoundSetupFailed) + "）");
        return 1;
    }
    audio::EncoderWAV enc;
    enc.SetOutputFormat(
        audio::MakePcmFormat(rate ? static_cast<uint32_t>(rate) : prep.OutputSamplerate(),
                             channels ? static_cast<uint16_t>(channels) : prep.OutputChannels(),
                             bits ? static_cast<uint16_t>(bits) : prep.OutputBitsPerSample()));
    uint32_t bufferSize = 0;
    r = enc.Init(out, prep.OutputSamplerate(), prep.OutputChannels(), prep.OutputBitsPerSample(),
                 bufferSize);
    if (r != audio::kSoundOk) {
        Error(r == audio::kSoundNotOpen
                  ? "无法创建文件 " + out + "（结果 1）"
                  : cannot + "\n无法建立到所要格式的转换（结果 " + std::to_string(r) + "）");
        return 1;
    }
    std::vector<uint8_t> buf(bufferSize);
    uint64_t pcmBytes = 0;
    for (;;) {
        uint32_t got = 0;
        prep.GetSamples(buf.data(), bufferSize, got);
        pcmBytes += got;
        if (got > 0 && (r = enc.Encode(buf.data(), got)) != audio::kSoundOk)
            break;
        if (prep.EndOfStream())
            break;
    }
    int32_t d = enc.DeInit();
    if (r != audio::kSoundOk || d != audio::kSoundOk) {
        std::error_code ec;
        std::filesystem::remove(out, ec);
        Error("无法写入文件 " + out + "（结果 " + std::to_string(r != 0 ? r : d) + "）");
        return 1;
    }
    // What ended early is said first; the WAV holds what could be decoded.
    double seconds = prep.OutputFormat().nAvgBytesPerSec
                         ? static_cast<double>(pcmBytes) / prep.OutputFormat().nAvgBytesPerSec
                         : 0;
    auto* wav = dynamic_cast<audio::StreamWAV*>(stream.get());
    auto* mp3 = dynamic_cast<audio::StreamMP3*>(stream.get());
    int32_t expectedMs = stream->Info().Duration();
    bool shortened = (wav && wav->Truncated()) || prep.ConversionFailed() ||
                     (mp3 && mp3->HasXing() && expectedMs > 0 && seconds * 1000 < expectedMs - 500);
    if (pcmBytes == 0) {
        std::error_code ec;
        std::filesystem::remove(out, ec);
        Error(cannot + "\n文件中没有可解码的声音数据（结果 " +
              std::to_string(audio::kSoundEndOfData) + "）");
        return 1;
    }
    if (shortened)
        Error("警告：文件 " + song + " 的声音数据不完整，只解码了 " + Seconds3(seconds) +
              " 秒（结果 " + std::to_string(audio::kSoundEndOfData) + "）");
    const audio::WaveFormatEx& f = enc.OutputFormat();
    std::cout << out << ": " << f.nSamplesPerSec << " Hz, " << f.nChannels << " channels, "
              << f.wBitsPerSample << " bits, "
              << Seconds3(static_cast<double>(enc.DataBytes()) / f.nAvgBytesPerSec) << " s"
              << std::endl;
    return 0;
}

int RunSoundtrackCommand(Args args) {
    if (args.empty())
        return UsageError("soundtrack");
    std::string projectPath = args[0], out, wavOut, programFolder;
    bool sequential = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "-o" && hasValue)
            out = args[++i];
        else if (a == "--wav" && hasValue)
            wavOut = args[++i];
        else if (a == "--program-folder" && hasValue)
            programFolder = args[++i];
        else if (a == "--sequential")
            sequential = true;
        else
            return UsageError("soundtrack");
    }
    if (out.empty())
        return UsageError("soundtrack");
    SettingsStore store;
    Project project = MakeDefaultProject(ProjectEnvironment());
    ProjectReadResult read = ReadProjectFile(projectPath, project, store, ProjectEnvironment());
    if (!read.ok()) {
        Error(read.message.empty() ? UnreadableProjectMessage(projectPath) : read.message);
        return 1;
    }
    if (project.songs.empty()) {
        Error("项目中没有背景音乐，没有声音可以生成：" + projectPath);
        return 1;
    }
    for (const auto& s : project.songs) {
        if (FileTypeOf(s, 4) == ".MID") {
            Error("视频的声音不能使用MIDI音乐：" + s);
            return 1;
        }
    }
    AppPaths paths =
        programFolder.empty() ? ResolveAppPaths() : PathsForProgramFolder(programFolder);
    ScratchFolder scratch;
    if (!scratch.ok()) {
        Error("无法创建临时文件夹");
        return 1;
    }
    video::SoundTrack track(video::SoundTrackInputOf(project, paths.programFolder, scratch.path()));
    CliProgress progress;
    InterruptScope interrupt;
    const std::string mp3 = scratch.path() + video::SoundTrack::AudioPartName();
    bool ok;
    if (sequential) {
        track.DecodeAudio(progress);
        if (track.Result().decodedCount > 0 && !wavOut.empty()) {
            std::error_code ec;
            std::filesystem::copy_file(track.JoinedWav(), wavOut,
                                       std::filesystem::copy_options::overwrite_existing, ec);
            if (ec) {
                Error("无法写入文件 " + wavOut);
                return 1;
            }
        }
        ok = track.EncodeMP3(scratch.path(), progress);
    } else {
        track.Build(scratch.path(), progress, wavOut);
        ok = track.Result().decodedCount > 0 && !track.Result().cancelled;
    }
    const video::SoundTrackResult& res = track.Result();
    if (res.cancelled || progress.Cancelled()) {
        Error("已取消");
        return 130;
    }
    if (!ok || res.decodedCount == 0) {
        Error(res.message.empty() ? std::string("编码音频失败") : res.message);
        return 1;
    }
    std::error_code ec;
    std::filesystem::rename(mp3, out, ec);
    if (ec) {
        ec.clear();
        std::filesystem::copy_file(mp3, out, std::filesystem::copy_options::overwrite_existing, ec);
    }
    if (ec) {
        Error("无法写入文件 " + out);
        return 1;
    }
    for (size_t i = 0; i < res.songs.size(); ++i) {
        const auto& s = res.songs[i];
        std::cout << "song " << i + 1 << ": " << Seconds3(s.duration) << " s  " << s.path;
        if (!s.lyricFile.empty())
            std::cout << "  lyrics: " << s.lyricFile;
        std::cout << "\n";
    }
    double opening = 0;
    video::SoundTrackInput in = video::SoundTrackInputOf(project, "", "");
    if (in.openingShown)
        opening = in.openingSeconds;
    std::cout << "songs total: " << Seconds3(res.totalDuration) << " s\n";
    if (in.openingShown)
        std::cout << "opening: " << Seconds3(opening) << " s\n";
    std::cout << "sound track: " << Seconds3(res.totalDuration + opening) << " s  " << out
              << std::endl;
    return 0;
}

}  // namespace velmora::cli
