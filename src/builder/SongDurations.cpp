#include "builder/SongDurations.h"

#include <cmath>

extern "C" {
#include <libavformat/avformat.h>
}

#include "base/Rounding.h"
#include "base/TextCodec.h"
#ifdef VELMORA_HAVE_AUDIO
#include "audio/MP3Info.h"
#include "audio/MediaDuration.h"
#endif

namespace velmora {

std::optional<double> MediaSongTimer::PlaybackSeconds(const std::string& path) {
#ifdef VELMORA_HAVE_AUDIO
    // The audio library's measure also knows MIDI files.
    return audio::MediaDuration(path);
#else
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) != 0)
        return std::nullopt;
    std::optional<double> result;
    if (avformat_find_stream_info(ctx, nullptr) >= 0 && ctx->duration != AV_NOPTS_VALUE &&
        ctx->duration > 0)
        result = static_cast<double>(ctx->duration) / AV_TIME_BASE;
    avformat_close_input(&ctx);
    return result;
#endif
}

std::optional<double> MediaSongTimer::Mp3HeaderMilliseconds(const std::string& path) {
#ifdef VELMORA_HAVE_AUDIO
    audio::MP3Info info;
    if (!info.ReadMP3Info(path))
        return std::nullopt;
    return info.Duration();
#else
    (void)path;
    return std::nullopt;
#endif
}

int32_t TotalSongSeconds(const std::vector<std::string>& songs, SongTimer& timer) {
    double sum = 0;
    for (const auto& song : songs) {
        auto d = timer.PlaybackSeconds(song);
        if (!d)
            return 0;
        double length = *d;
        if (AsciiUpper(LastCodePoints(song, 3)) == "MP3") {
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
