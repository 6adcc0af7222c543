// Song lengths for the package's "SongDurationTotal": each song measured as
// the editor measures it (audio::SongLength), so the package and the editor
// agree on the total.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class SongTimer {
  public:
    virtual ~SongTimer() = default;
    // The song's length in seconds; nullopt when it cannot be measured.
    virtual std::optional<double> SongSeconds(const std::string& path) = 0;
};

// The timer of this program: audio::SongLength.
class MediaSongTimer final : public SongTimer {
  public:
    std::optional<double> SongSeconds(const std::string& path) override;
};

// Whole seconds of all songs (audio::WholeSongSeconds of the sum); any song
// that cannot be measured gives 0.
int32_t TotalSongSeconds(const std::vector<std::string>& songs, SongTimer& timer);

}  // namespace velmora
