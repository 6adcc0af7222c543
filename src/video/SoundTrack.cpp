#include "video/SoundTrack.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/LameEncoder.h"
#include "audio/PcmConversion.h"
#include "audio/StreamFactory.h"
#include "audio/WaveChunk.h"
#include "base/ByteSource.h"
#include "base/FileNames.h"
#include "base/RandomPermutation.h"
#include "base/Rounding.h"
#include "project/Project.h"

namespace velmora::video {

namespace fs = std::filesystem;

namespace {

fs::path P(const std::string& s) {
    return fs::path(std::u8string(s.begin(), s.end()));
}

void Delete(const std::string& path) {
    std::error_code ec;
    fs::remove(P(path), ec);
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(P(path), ec);
}

bool Copy(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::copy_file(P(from), P(to), fs::copy_options::overwrite_existing, ec);
    return !ec;
}

bool Move(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(P(from), P(to), ec);
    if (!ec)
        return true;
    // Another file system: copy, then delete.
    if (!Copy(from, to))
        return false;
    Delete(from);
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The text after the last '/' up to the last '.'.
std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The media duration of a WAV from its header: data size / channels /
// (bits / 8) / rate, rounded to milliseconds.
double WavSeconds(const std::string& path) {
    FileSource f;
    if (!f.Open(path))
        return 0;
    audio::WaveFormat fmt;
    audio::WaveChunk data = audio::FindWaveChunk(f, "data");
    if (!audio::ReadWaveFormat(f, fmt) || !data.found() || fmt.channels == 0 ||
        fmt.bitsPerSample < 8 || fmt.samplesPerSec == 0)
        return 0;
    double s =
        static_cast<double>(data.size) / fmt.channels / (fmt.bitsPerSample / 8) / fmt.samplesPerSec;
    return nearest64(s * 1000) / 1000.0;
}

const char* kDecodeStep = "步骤1/4：解码音频";
const char* kEncodeStep = "步骤 2/4：编码音频";

}  // namespace

SoundTrackInput SoundTrackInputOf(const Project& project, const std::string& programFolder,
                                  const std::string& tempFolder) {
    SoundTrackInput in;
    in.songs = project.songs;
    in.lyricFiles = project.lyricFiles;
    in.playMusicOrder = project.PlayMusicOrder;
    in.openingShown =
        project.EnableOpening && (!project.TitleText[0].empty() || NamesFile(project.OpeningImage));
    in.openingSeconds = project.OpeningDurationTime;
    in.programFolder = programFolder;
    in.tempFolder = tempFolder;
    return in;
}

std::string PairLyricFile(const std::string& song, const std::vector<std::string>& lyricFiles) {
    std::string base = Lower(BaseName(song));
    for (const auto& l : lyricFiles)
        if (Lower(BaseName(l)) == base)
            return l;
    return {};
}

// LAME on a second thread: it takes finished pieces of the track in order,
// encodes each into one stream and deletes it.
struct SoundTrack::Pipeline {
    audio::cLameEncoder encoder;
    std::thread worker;
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::string> queue;
    bool closed = false;
    std::atomic<bool> failed{false};
    std::atomic<bool> abort{false};

    bool Start(const std::string& mp3) {
        encoder.Mp3File = mp3;
        if (!encoder.BeginStream(22050))
            return false;
        worker = std::thread([this] { Run(); });
        return true;
    }
    void Run() {
        for (;;) {
            std::string piece;
            {
                std::unique_lock lock(m);
                cv.wait(lock, [this] { return !queue.empty() || closed; });
                if (queue.empty())
                    return;
                piece = queue.front();
            }
            if (!abort && !failed && !encoder.EncodeWav(piece, nullptr, 0))
                failed = true;
            Delete(piece);
            {
                std::lock_guard lock(m);
                queue.pop_front();
            }
            cv.notify_all();
        }
    }
    // Hands a piece over; waits while one is still queued, so that at most
    // one song waits on the disk.
    void Push(const std::string& piece) {
        std::unique_lock lock(m);
        cv.wait(lock, [this] { return queue.size() < 2; });
        queue.push_back(piece);
        cv.notify_all();
    }
    void Close() {
        {
            std::lock_guard lock(m);
            closed = true;
        }
        cv.notify_all();
        if (worker.joinable())
            worker.join();
    }
    ~Pipeline() {
        abort = true;
        Close();
    }
};

void SoundTrack::Fail(const std::string& message) {
    result_.decodedCount = 0;
    if (result_.message.empty())
        result_.message = message;
}

bool SoundTrack::MakeOpening(int seconds) {
    const std::string& A = in_.programFolder;
    const std::string& T = in_.tempFolder;
    const std::string open = T + "open.wav";
    if (seconds < 6)
        return Copy(A + "Sec5.wav", open);  // five seconds, whatever the box says
    audio::clsWavConcatenate join;
    join.SetOutputFormat(audio::MakePcmFormat(22050, 2, 16));
    std::vector<std::string> copies;
    bool ok = true;
    for (int n = 1; n <= seconds / 5 && ok; ++n) {
        std::string piece = T + "open5" + std::to_string(n) + ".wav";
        ok = Copy(A + "Sec5.wav", piece) && join.WaveAdd(piece);
        copies.push_back(piece);
    }
    switch (seconds % 5) {
        case 1:
            ok = ok && join.WaveAdd(A + "sec1.wav");
            break;
        case 2:
            ok = ok && join.WaveAdd(A + "sec2.wav");
            break;
        case 3:
            ok = ok && join.WaveAdd(A + "sec1.wav") && join.WaveAdd(A + "sec2.wav");
            break;
        case 4: {
            std::string piece = T + "opensec2.wav";
            copies.push_back(piece);
            ok = ok && Copy(A + "Sec2.wav", piece) && join.WaveAdd(piece) &&
                 join.WaveAdd(A + "sec2.wav");
            break;
        }
        default:
            break;
    }
    ok = ok && join.WaveConcatenate(1, 1, open, true, false);
    for (const auto& c : copies)
        Delete(c);
    return ok;
}

bool SoundTrack::DecodeSong(size_t i, size_t n, const std::string& wav, Progress& progress) {
    const std::string& path = result_.songs[i].path;
    const std::string warning = "无法解码文件 " + path;
    std::unique_ptr<audio::ISoundStream> stream = audio::CreateSoundStream(path);
    if (stream->OpenSource(path) != audio::kSoundOk) {
        Fail(warning);
        return false;
    }
    audio::PCMPreparator prep;
    if (!prep.InitConversion(*stream, false)) {
        stream->CloseSource();
        Fail(warning);
        return false;
    }
    Delete(wav);
    audio::EncoderWAV enc;
    uint32_t bufferSize = 0;
    if (enc.Init(wav, prep.OutputSamplerate(), prep.OutputChannels(), prep.OutputBitsPerSample(),
                 bufferSize) != audio::kSoundOk) {
        prep.CloseConverter();
        stream->CloseSource();
        Delete(wav);
        Fail(warning);
        return false;
    }
    result_.decodedCount = static_cast<int32_t>(i + 1);
    std::vector<uint8_t> buf(bufferSize);
    bool ok = true;
    for (uint64_t chunk = 1;; ++chunk) {
        uint32_t got = 0;
        prep.GetSamples(buf.data(), bufferSize, got);
        if (prep.EndOfStream()) {
            if (got > 0 && enc.Encode(buf.data(), got) != audio::kSoundOk)
                ok = false;
            break;
        }
        if (enc.Encode(buf.data(), got) != audio::kSoundOk) {
            ok = false;
            break;
        }
        if (chunk % 30 == 0) {
            const audio::ISoundInfo& info = stream->Info();
            double p = info.Duration() > 0
                           ? std::clamp(nearest(static_cast<double>(info.Position()) /
                                                info.Duration() * 100),
                                        0, 100)
                           : 0;
            if (n >= 2)
                p = p / (2.0 * static_cast<double>(n)) +
                    static_cast<double>(i) / static_cast<double>(n) * 100;
            progress.ShowProgress(std::clamp(nearest(p), 0, 100), kDecodeStep);
            if (progress.Cancelled())
                break;
        }
    }
    // A song of which nothing could be decoded, or whose WAV could not be
    // written, is no part of a sound track.
    if (enc.DeInit() != audio::kSoundOk || enc.DataBytes() == 0)
        ok = false;
    prep.CloseConverter();
    stream->SeekTo(0, 0);
    stream->CloseSource();
    if (!ok && !progress.Cancelled()) {
        Delete(wav);
        Fail(warning);
        return false;
    }
    return true;
}

const SoundTrackResult& SoundTrack::Decode(Progress& progress, Pipeline* pipeline, bool joinWav) {
    result_ = {};
    const std::string& T = in_.tempFolder;
    const std::string joined = T + "TmpWav.wav";
    const std::string previous = T + "TempWav.wav";
    const std::string open = T + "open.wav";
    const std::string openTmp = T + "open.wav.tmp";

    for (const auto& s : in_.songs)
        result_.songs.push_back({s, PairLyricFile(s, in_.lyricFiles), 0, 0});
    if (in_.playMusicOrder == 2 && result_.songs.size() > 1)
        result_.songs.resize(1);
    if (in_.playMusicOrder == 1 && result_.songs.size() > 1) {
        std::vector<int32_t> order =
            RandomPermutation(0, static_cast<int32_t>(result_.songs.size()) - 1);
        std::vector<SoundTrackSong> shuffled;
        for (int32_t k : order)
            shuffled.push_back(result_.songs[static_cast<size_t>(k)]);
        result_.songs = std::move(shuffled);
    }
    const size_t n = result_.songs.size();
    if (n == 0)
        return result_;
    Delete(joined);
    progress.InitProgress2("解码音频", kDecodeStep);

    const int openSeconds = in_.openingShown ? nearest(in_.openingSeconds) : -1;
    bool opening = false;
    if (in_.openingShown) {
        opening = MakeOpening(openSeconds);
        if (!opening)
            Fail("无法合并音频");
    }
    for (size_t i = 0; i < n && result_.message.empty(); ++i) {
        const std::string wav = T + "TmpWav" + std::to_string(i + 1) + ".wav";
        if (!DecodeSong(i, n, wav, progress))
            break;
        if (progress.Cancelled()) {
            Delete(wav);
            break;
        }
        result_.songs[i].duration = WavSeconds(wav);
        std::string piece = wav;
        if (i == 0 && opening) {
            audio::clsWavConcatenate join;
            join.SetOutputFormat(audio::MakePcmFormat(22050, 2, 16));
            if (!join.WaveAdd(open) || !join.WaveAdd(wav) ||
                !join.WaveConcatenate(1, 1, openTmp, true, false)) {
                Delete(wav);
                Delete(openTmp);
                Fail("无法合并音频");
                break;
            }
            Delete(wav);
            piece = openTmp;
            result_.songs[0].duration = WavSeconds(openTmp) - in_.openingSeconds;
        }
        bool ok = true;
        if (pipeline) {
            // The joined WAV, when wanted, grows by appending the piece.
            if (joinWav) {
                if (i == 0) {
                    ok = Copy(piece, joined);
                } else {
                    audio::clsWavConcatenate join;
                    join.SetOutputFormat(audio::MakePcmFormat(22050, 2, 16));
                    ok = Move(joined, previous) && join.WaveAdd(previous) && join.WaveAdd(piece) &&
                         join.WaveConcatenate(static_cast<int>(n), static_cast<int>(i + 1), joined,
                                              true, true, &progress);
                    Delete(previous);
                }
            }
            if (pipeline->failed) {
                Delete(piece);
                Fail("编码音频失败");
                break;
            }
            pipeline->Push(piece);  // the encoder deletes it
        } else if (i == 0) {
            ok = Move(piece, joined);
        } else {
            audio::clsWavConcatenate join;
            join.SetOutputFormat(audio::MakePcmFormat(22050, 2, 16));
            ok = Move(joined, previous) && join.WaveAdd(previous) && join.WaveAdd(piece) &&
                 join.WaveConcatenate(static_cast<int>(n), static_cast<int>(i + 1), joined, true,
                                      true, &progress);
            Delete(piece);
            Delete(previous);
        }
        if (!ok) {
            Fail("无法合并音频");
            break;
        }
        if (progress.Cancelled())
            break;
    }
    Delete(open);
    if (!pipeline)  // else the encoder still owns the pieces and deletes them
        Delete(T + "TmpWav1.wav");
    result_.cancelled = progress.Cancelled();
    if (result_.cancelled)
        result_.decodedCount = 0;
    if (result_.decodedCount == 0)
        Delete(joined);
    if (result_.decodedCount > 0 && !result_.cancelled)
        for (const auto& s : result_.songs)
            result_.totalDuration += s.duration;
    progress.Finish();
    return result_;
}

const SoundTrackResult& SoundTrack::DecodeAudio(Progress& progress) {
    return Decode(progress, nullptr, true);
}

bool SoundTrack::EncodeMP3(const std::string& folder, Progress& progress) {
    const std::string joined = JoinedWav();
    const std::string mp3 = folder + AudioPartName();
    bool ok = true;
    if (Exists(joined)) {
        Delete(mp3);
        audio::cLameEncoder lame;
        lame.WavFile = joined;
        lame.Mp3File = mp3;
        progress.InitProgress2("编码音频", kEncodeStep);
        if (!lame.Encode(&progress)) {
            result_.decodedCount = 0;
            if (result_.message.empty())
                result_.message = "编码音频失败";
            ok = false;
        }
        if (lame.Cancelled())
            result_.cancelled = true;
        progress.Finish();
    }
    Delete(joined);
    if (result_.decodedCount == 0 || result_.cancelled || progress.Cancelled()) {
        Delete(mp3);
        ok = false;
    }
    return ok;
}

const SoundTrackResult& SoundTrack::Build(const std::string& folder, Progress& progress,
                                          const std::string& keepWav) {
    const std::string mp3 = folder + AudioPartName();
    Delete(mp3);
    auto pipeline = std::make_unique<Pipeline>();
    if (!pipeline->Start(mp3)) {
        result_ = {};
        Fail("编码音频失败");
        return result_;
    }
    Decode(progress, pipeline.get(), !keepWav.empty());
    if (result_.decodedCount > 0 && !result_.cancelled) {
        progress.InitProgress2("编码音频", kEncodeStep);
        progress.ShowProgress(50, kEncodeStep);
    }
    if (result_.decodedCount == 0 || result_.cancelled)
        pipeline->abort = true;
    pipeline->Close();
    bool ok = result_.decodedCount > 0 && !result_.cancelled && !pipeline->failed;
    if (ok) {
        ok = pipeline->encoder.EndStream();
        progress.ShowProgress(100, kEncodeStep);
        progress.Finish();
    } else {
        pipeline->encoder.Abort();
    }
    if (!ok && result_.decodedCount > 0 && !result_.cancelled)
        Fail("编码音频失败");
    if (!ok)
        Delete(mp3);
    if (!keepWav.empty() && ok && !Move(JoinedWav(), keepWav))
        Fail("无法合并音频");
    Delete(JoinedWav());
    return result_;
}

}  // namespace velmora::video
