#include "audio/StreamWMA.h"

#include <algorithm>
#include <cstring>

#include "base/ByteSource.h"
#include "base/Rounding.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace velmora::audio {

StreamWMA::~StreamWMA() {
    CloseSource();
}

std::span<const uint8_t> StreamWMA::WFXPointer() const {
    if (!opened_)
        return {};
    return wfx_;
}

int32_t StreamWMA::OpenSource(const std::string& source) {
    CloseSource();
    QuietLibavLog();
    {
        FileSource probe;
        if (!probe.Open(source))
            return kSoundNotOpen;
    }
    // Only the ASF container: anything else named .wma is refused.
    const AVInputFormat* asf = av_find_input_format("asf");
    AVFormatContext* raw = nullptr;
    if (!asf || avformat_open_input(&raw, source.c_str(), asf, nullptr) < 0)
        return kSoundNotOpen;
    AvFormatPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return kSoundNotOpen;
    const AVCodec* dec = nullptr;
    int index = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &dec, 0);
    if (index < 0 || !dec)
        return kSoundSetupFailed;
    AVStream* st = fmt->streams[index];
    AvCodecPtr ctx(avcodec_alloc_context3(dec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0 ||
        avcodec_open2(ctx.get(), dec, nullptr) < 0)
        return kSoundSetupFailed;
    int channels = ctx->ch_layout.nb_channels;
    if (channels <= 0 || channels > 8 || ctx->sample_rate <= 0)
        return kSoundSetupFailed;
    SwrContext* s = nullptr;
    if (swr_alloc_set_opts2(&s, &ctx->ch_layout, AV_SAMPLE_FMT_S16, ctx->sample_rate,
                            &ctx->ch_layout, ctx->sample_fmt, ctx->sample_rate, 0, nullptr) < 0)
        return kSoundSetupFailed;
    SwrPtr swr(s);
    if (swr_init(swr.get()) < 0)
        return kSoundSetupFailed;
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_)
        return kSoundSetupFailed;

    wfx_ =
        MakePcmFormat(static_cast<uint32_t>(ctx->sample_rate), static_cast<uint16_t>(channels), 16)
            .Bytes();
    if (fmt->duration != AV_NOPTS_VALUE && fmt->duration > 0)
        duration100ns_ = fmt->duration * 10;  // AV_TIME_BASE is microseconds
    else if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        duration100ns_ = av_rescale_q(st->duration, st->time_base, AVRational{1, 10000000});
    bitRate_ = fmt->bit_rate > 0 ? fmt->bit_rate : ctx->bit_rate;
    seekable_ = fmt->pb && (fmt->pb->seekable & AVIO_SEEKABLE_NORMAL);
    channels_ = channels;
    streamIndex_ = index;
    format_ = std::move(fmt);
    codec_ = std::move(ctx);
    swr_ = std::move(swr);
    opened_ = true;
    return kSoundOk;
}

int32_t StreamWMA::CloseSource() {
    bool was = opened_;
    swr_.reset();
    codec_.reset();
    format_.reset();
    packet_.reset();
    frame_.reset();
    streamIndex_ = -1;
    wfx_.clear();
    sample_.clear();
    sampleOffset_ = 0;
    endOfSamples_ = draining_ = opened_ = seekable_ = false;
    duration100ns_ = bitRate_ = lastSample100ns_ = 0;
    channels_ = 0;
    return was ? kSoundOk : kSoundNotOpen;
}

bool StreamWMA::ConvertFrame(const AVFrame& frame) {
    int outMax = swr_get_out_samples(swr_.get(), frame.nb_samples);
    if (outMax < 0)
        return false;
    sample_.resize(static_cast<size_t>(outMax) * static_cast<size_t>(channels_) * 2);
    uint8_t* out[1] = {sample_.data()};
    int n = swr_convert(swr_.get(), out, outMax, const_cast<const uint8_t**>(frame.extended_data),
                        frame.nb_samples);
    if (n < 0)
        return false;
    sample_.resize(static_cast<size_t>(n) * static_cast<size_t>(channels_) * 2);
    sampleOffset_ = 0;
    if (frame.pts != AV_NOPTS_VALUE) {
        AVRational tb = format_->streams[streamIndex_]->time_base;
        lastSample100ns_ = av_rescale_q(frame.pts, tb, AVRational{1, 10000000});
    }
    return true;
}

bool StreamWMA::NextSample() {
    if (endOfSamples_)
        return false;
    for (;;) {
        int r = avcodec_receive_frame(codec_.get(), frame_.get());
        if (r == 0) {
            bool ok = ConvertFrame(*frame_);
            av_frame_unref(frame_.get());
            if (!ok)
                break;
            if (!sample_.empty())
                return true;
            continue;
        }
        if (r != AVERROR(EAGAIN))
            break;  // end of the decoder's output, or a decoder failure
        if (draining_)
            break;
        // Feed the next packet of our stream; at the end, drain the decoder.
        int rr;
        while ((rr = av_read_frame(format_.get(), packet_.get())) >= 0 &&
               packet_->stream_index != streamIndex_)
            av_packet_unref(packet_.get());
        if (rr < 0) {
            draining_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            continue;
        }
        int sr = avcodec_send_packet(codec_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (sr < 0 && sr != AVERROR(EAGAIN) && sr != AVERROR_INVALIDDATA)
            break;
    }
    endOfSamples_ = true;
    sample_.clear();
    sampleOffset_ = 0;
    return false;
}

int32_t StreamWMA::Read(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesRead) {
    cBytesRead = 0;
    if (!opened_)
        return kSoundNotOpen;
    while (cBytesRead < cBytes) {
        if (sampleOffset_ >= sample_.size() && !NextSample())
            return kSoundEndOfData;
        size_t n = std::min<size_t>(cBytes - cBytesRead, sample_.size() - sampleOffset_);
        std::memcpy(pBuffer + cBytesRead, sample_.data() + sampleOffset_, n);
        sampleOffset_ += n;
        cBytesRead += static_cast<uint32_t>(n);
    }
    return kSoundOk;
}

int32_t StreamWMA::SeekTo(double value, int32_t mode) {
    if (!opened_)
        return kSoundNotOpen;
    double seconds = static_cast<double>(duration100ns_) / 1e7;
    double t100 = 0;
    if (mode == 0) {
        if (!(value >= 0 && value <= 100))
            return kSoundOutOfRange;
        t100 = static_cast<double>(duration100ns_) * value / 100;
    } else if (mode == 1) {
        if (!(value >= 0 && value <= seconds))
            return kSoundOutOfRange;
        t100 =
            seconds > 0 ? static_cast<double>(duration100ns_) * (value / seconds * 100) / 100 : 0;
    }
    int64_t us = static_cast<int64_t>(t100) / 10;
    if (av_seek_frame(format_.get(), -1, us, AVSEEK_FLAG_BACKWARD) < 0)
        return kSoundOutOfRange;
    avcodec_flush_buffers(codec_.get());
    swr_init(swr_.get());
    sample_.clear();
    sampleOffset_ = 0;
    endOfSamples_ = draining_ = false;
    if (!NextSample())
        return kSoundOutOfRange;
    return kSoundOk;
}

int32_t StreamWMA::Duration() const {
    return nearest(static_cast<double>(duration100ns_) / 10000);
}

int32_t StreamWMA::Position() const {
    return nearest(static_cast<double>(lastSample100ns_) / 10000);
}

}  // namespace velmora::audio
