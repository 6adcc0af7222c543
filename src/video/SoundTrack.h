// The sound track of the video export: every song decoded, converted to
// 22050 Hz 16-bit stereo and joined (after the opening silence) into one WAV,
// then encoded to the MP3 audio part; each song is measured for the frame
// timeline, and each gets the lyric file whose base name equals its own.
//
// Two ways through the same steps:
//  - DecodeAudio() then EncodeMP3(folder): one after the other, the joined
//    WAV "TmpWav.wav" in the temporary folder growing song by song;
//  - Build(folder): LAME encodes each finished song on a second thread
//    while the next one is decoded; the MP3 is the same byte for byte. The
//    joined WAV is written only when asked for (keepWav).
//
// Files: per-song WAVs TmpWav<i>.wav, the joined track TmpWav.wav and its
// previous state TempWav.wav, the opening silence open.wav (pieces
// open5<n>.wav, opensec2.wav) and open.wav.tmp, all in the temporary folder,
// and deleted on the way out. The silence pieces "Sec5.wav", "sec1.wav",
// "sec2.wav" and "Sec2.wav" come from the program folder.
//
// Failures are warnings in Chinese (SoundTrackResult::message) and end the
// sound track with a decoded count of 0. Core code, no Qt; one job at a
// time per object; Build uses one helper thread of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Progress.h"

namespace velmora {
struct Project;
}

namespace velmora::video {

struct SoundTrackInput {
    std::vector<std::string> songs;       // the music list, in list order
    std::vector<std::string> lyricFiles;  // the lyric file list
    int32_t playMusicOrder = 0;           // 0 in order, 1 shuffled, 2 first song only
    bool openingShown = false;            // EnableOpening and a title text or picture
    double openingSeconds = 0;            // the opening-time box
    std::string programFolder;            // holds the silence pieces (trailing '/')
    std::string tempFolder;               // scratch files (trailing '/')
};

// The input of a project.
SoundTrackInput SoundTrackInputOf(const Project& project, const std::string& programFolder,
                                  const std::string& tempFolder);

struct SoundTrackSong {
    std::string path;
    std::string lyricFile;   // empty when none
    double duration = 0;     // seconds, rounded to milliseconds
    int32_t lyricState = 0;  // 0 not yet parsed, 1 parsed, 2 failed (the timeline's)
};

struct SoundTrackResult {
    int32_t decodedCount = 0;  // 0: no sound track
    std::vector<SoundTrackSong> songs;
    double totalDuration = 0;  // D, the sum of the song durations
    bool cancelled = false;
    std::string message;  // the warning shown to the user, empty when none
};

// The first lyric file whose name without folder and extension equals the
// song's, compared without regard to case; empty when none.
std::string PairLyricFile(const std::string& song, const std::vector<std::string>& lyricFiles);

class SoundTrack {
  public:
    explicit SoundTrack(SoundTrackInput input) : in_(std::move(input)) {}

    // Leaves tempFolder + "TmpWav.wav" (when songs were decoded).
    const SoundTrackResult& DecodeAudio(Progress& progress);
    // Encodes tempFolder + "TmpWav.wav" to folder + "Mirb_Audio_Part.mp3".
    bool EncodeMP3(const std::string& folder, Progress& progress);

    // Both steps at once; keepWav: the joined WAV is moved there.
    const SoundTrackResult& Build(const std::string& folder, Progress& progress,
                                  const std::string& keepWav = "");

    const SoundTrackResult& Result() const { return result_; }
    std::string JoinedWav() const { return in_.tempFolder + "TmpWav.wav"; }
    static std::string AudioPartName() { return "Mirb_Audio_Part.mp3"; }

  private:
    struct Pipeline;
    const SoundTrackResult& Decode(Progress& progress, Pipeline* pipeline, bool joinWav);
    bool MakeOpening(int seconds);
    bool DecodeSong(size_t i, size_t n, const std::string& wav, Progress& progress);
    void Fail(const std::string& message);

    SoundTrackInput in_;
    SoundTrackResult result_;
};

}  // namespace velmora::video
