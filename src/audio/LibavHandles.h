// Owners of the libavformat, libavcodec and libswresample handles of the
// audio library, so that no path leaks one. Core code, no Qt.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

namespace velmora::audio {

struct AvFormatCloser {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct AvCodecFreer {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct AvPacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AvFrameFreer {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct SwrFreer {
    void operator()(SwrContext* p) const { swr_free(&p); }
};

using AvFormatPtr = std::unique_ptr<AVFormatContext, AvFormatCloser>;
using AvCodecPtr = std::unique_ptr<AVCodecContext, AvCodecFreer>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFreer>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFreer>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;

// Keeps libav's own log at errors only (the command line stays readable).
void QuietLibavLog();

}  // namespace velmora::audio
