// Song lengths for the package's "SongDurationTotal": the playing time a
// media library reports, cross-checked for MP3 files against the MP3 header
// parser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class SongTimer {
  public:
    virtual ~SongTimer() = default;
    // Playing time in seconds as the playback library reports it; nullopt
    // when the file cannot be opened.
    virtual std::optional<double> PlaybackSeconds(const std::string& path) = 0;
    // Duration in milliseconds from the MP3 header parser; nullopt when the
    // parser does not read the file.
    virtual std::optional<double> Mp3HeaderMilliseconds(const std::string& path) = 0;
};

// The timer of this program: the audio library's media duration (libavformat,
// and its own reader for MIDI files) for the playing time, and its MP3 header
// parser for MP3 files.
class MediaSongTimer final : public SongTimer {
  public:
    std::optional<double> PlaybackSeconds(const std::string& path) override;
    std::optional<double> Mp3HeaderMilliseconds(const std::string& path) override;
};

// Whole seconds of all songs: for an MP3 whose header duration e (seconds)
// is above 0 the length is e when it differs from the playback time d by
// more than 5 s, else min(e, d); other songs take d. The unrounded sum s
// gives floor(s) + 1 below 30000, else nearest(s). Any failure gives 0.
int32_t TotalSongSeconds(const std::vector<std::string>& songs, SongTimer& timer);

}  // namespace velmora
