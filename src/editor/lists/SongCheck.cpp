#include "editor/lists/SongCheck.h"

#include <cmath>
#include <fstream>
#include <memory>
#include <vector>

#include "base/FileUtil.h"
#include "base/TextCodec.h"
#include "audio/MediaDuration.h"
#include "audio/MidiFile.h"
#include "editor/lists/MediaLists.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace velmora::editor {

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

bool Fail(std::string* error, const std::string& why) {
    if (error)
        *error = why;
    return false;
}

// Opens the file and decodes audio until the first frame comes out of the
// decoder (a few packets at most: some decoders need more than one).
bool FirstAudioPacketDecodes(const std::string& path, std::string* error) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return Fail(error, "libavformat cannot open the file");
    std::unique_ptr<AVFormatContext, FormatCloser> fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return Fail(error, "no stream information");
    const AVCodec* codec = nullptr;
    int stream = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec)
        return Fail(error, "no decodable audio stream");
    std::unique_ptr<AVCodecContext, CodecFreer> ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), fmt->streams[stream]->codecpar) < 0 ||
        avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return Fail(error, "the audio decoder does not open");
    std::unique_ptr<AVPacket, PacketFreer> pkt(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!pkt || !frame)
        return Fail(error, "out of memory");
    constexpr int kMaxPackets = 64;
    int audioPackets = 0;
    while (audioPackets < kMaxPackets && av_read_frame(fmt.get(), pkt.get()) >= 0) {
        bool ours = pkt->stream_index == stream;
        if (ours) {
            ++audioPackets;
            if (avcodec_send_packet(ctx.get(), pkt.get()) < 0) {
                av_packet_unref(pkt.get());
                return Fail(error, "the first audio packet does not decode");
            }
        }
        av_packet_unref(pkt.get());
        if (!ours)
            continue;
        int got = avcodec_receive_frame(ctx.get(), frame.get());
        if (got >= 0)
            return true;
        if (got != AVERROR(EAGAIN))
            return Fail(error, "the first audio packet does not decode");
    }
    // Flush: short files may hold all their audio in the decoder's delay.
    if (audioPackets > 0 && avcodec_send_packet(ctx.get(), nullptr) >= 0 &&
        avcodec_receive_frame(ctx.get(), frame.get()) >= 0)
        return true;
    return Fail(error, "no audio frame decodes");
}

bool StartsLikeMidi(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint8_t head[12] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return audio::LooksLikeMidi(std::span<const uint8_t>(head, static_cast<size_t>(in.gcount())));
}

}  // namespace

std::string MinuteSecondText(double seconds) {
    if (!(seconds >= 0))
        seconds = 0;
    const double whole = std::floor(seconds);
    const long long s = whole > 9e15 ? 9000000000000000LL : static_cast<long long>(whole);
    long long minutes = s / 60, secs = s % 60;
    auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return two(minutes) + ":" + two(secs);
}

bool SongLengthPasses(double seconds) {
    return seconds >= 0.3 && MinuteSecondText(seconds).size() == 5;
}

std::optional<double> PlayableSongLength(const std::string& path, std::string* error) {
    if (!IsDirectory(path) && StartsLikeMidi(path)) {
        audio::MidiFileInfo info;
        if (!audio::ReadMidiFile(path, info, error))
            return std::nullopt;
        return info.durationSeconds;
    }
    if (IsDirectory(path) || !FileExists(path)) {
        Fail(error, "no such file");
        return std::nullopt;
    }
    if (!FirstAudioPacketDecodes(path, error))
        return std::nullopt;
    return audio::MediaDuration(path, error);
}

bool CheckSong(const std::string& path) {
    auto d = PlayableSongLength(path);
    return d && SongLengthPasses(*d);
}

std::string LyricFileForSong(const std::string& songPath, const std::string& lyricFolder) {
    if (CodePointCount(songPath) >= 3) {
        std::string last = LastCodePoints(songPath, 3);
        std::string candidate = songPath.substr(0, songPath.size() - last.size()) + "lrc";
        if (FileExists(candidate))
            return candidate;
    }
    if (lyricFolder.size() >= 2 && lyricFolder.front() == '/') {
        std::string candidate = WithTrailingSlash(lyricFolder) + BaseName(songPath) + ".lrc";
        if (FileExists(candidate))
            return candidate;
    }
    return {};
}

}  // namespace velmora::editor
