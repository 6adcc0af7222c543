#include "builder/SongDurations.h"

#include <cmath>

#include "base/FileNames.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"
#include "audio/MP3Info.h"
#include "audio/MediaDuration.h"

namespace velmora {

std::optional<double> MediaSongTimer::PlaybackSeconds(const std::string& path) {
    // The audio library's measure also knows MIDI files.
    return audio::MediaDuration(path);
}

std::optional<double> MediaSongTimer::Mp3HeaderMilliseconds(const std::string& path) {
    audio::MP3Info info;
    if (!info.ReadMP3Info(path))
        return std::nullopt;
    return info.Duration();
}

int32_t TotalSongSeconds(const std::vector<std::string>& songs, SongTimer& timer) {
    double sum = 0;
    for (const auto& song : songs) {
        auto d = timer.PlaybackSeconds(song);
        if (!d)
            return 0;
        double length = *d;
        if (FileTypeOf(song) == "MP3") {
            if (auto ms = timer.Mp3HeaderMilliseconds(song)) {
                double e = *ms / 1000.0;
                if (e > 0)
                    length = std::fabs(e - *d) > 5 ? e : std::min(e, *d);
            }
        }
        sum += length;
    }
    if (sum < 30000)
        return static_cast<int32_t>(std::floor(sum)) + 1;
    return nearest(sum);
}

}  // namespace velmora
