#include "builder/SongDurations.h"

#include <algorithm>

#include "audio/SongLength.h"

namespace velmora {

std::optional<double> MediaSongTimer::SongSeconds(const std::string& path) {
    return audio::SongLength(path);
}

int32_t TotalSongSeconds(const std::vector<std::string>& songs, SongTimer& timer) {
    double sum = 0;
    for (const auto& song : songs) {
        auto d = timer.SongSeconds(song);
        if (!d)
            return 0;
        sum += *d;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(audio::WholeSongSeconds(sum), 0, INT32_MAX));
}

}  // namespace velmora
