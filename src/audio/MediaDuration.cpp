#include "audio/MediaDuration.h"

#include <array>
#include <memory>

#include "audio/LibavHandles.h"
#include "audio/MidiFile.h"
#include "base/ByteSource.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace velmora::audio {

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;

void SetError(std::string* error, const std::string& text) {
    if (error)
        *error = text;
}

}  // namespace

std::optional<double> AvFormatDuration(const std::string& path, std::string* error) {
    QuietLibavLog();
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        SetError(error, "libavformat cannot open the file");
        return std::nullopt;
    }
    FormatPtr ctx(raw);
    if (avformat_find_stream_info(ctx.get(), nullptr) < 0) {
        SetError(error, "libavformat finds no stream information");
        return std::nullopt;
    }
    int audio = av_find_best_stream(ctx.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audio < 0) {
        SetError(error, "no audio stream");
        return std::nullopt;
    }
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0)
        return static_cast<double>(ctx->duration) / AV_TIME_BASE;
    const AVStream* st = ctx->streams[audio];
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return static_cast<double>(st->duration) * av_q2d(st->time_base);
    SetError(error, "the duration is unknown");
    return std::nullopt;
}

std::optional<double> MediaDuration(const std::string& path, std::string* error) {
    FileSource file;
    if (!file.Open(path)) {
        SetError(error, "cannot open the file");
        return std::nullopt;
    }
    std::array<uint8_t, 12> head{};
    int64_t got = file.ReadAt(0, head);
    if (got > 0 && LooksLikeMidi(std::span<const uint8_t>(head.data(), static_cast<size_t>(got)))) {
        file.Close();
        MidiFileInfo info;
        std::string why;
        if (!ReadMidiFile(path, info, &why)) {
            SetError(error, "MIDI: " + why);
            return std::nullopt;
        }
        return info.durationSeconds;
    }
    file.Close();
    return AvFormatDuration(path, error);
}

}  // namespace velmora::audio
