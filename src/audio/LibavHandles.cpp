#include "audio/LibavHandles.h"

#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace velmora::audio {

void QuietLibavLog() {
    static std::once_flag once;
    // Duration estimates and decoders log warnings ("Estimating duration
    // from bitrate"); they are expected here and would clutter the output.
    std::call_once(once, [] {
        if (av_log_get_level() > AV_LOG_ERROR)
            av_log_set_level(AV_LOG_ERROR);
    });
}

}  // namespace velmora::audio
