#include "audio/PcmConversion.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "audio/LibavHandles.h"
#include "audio/WaveChunk.h"
#include "base/ByteReader.h"
#include "base/ByteSource.h"
#include "base/Progress.h"
#include "base/Rounding.h"

namespace velmora::audio {

namespace {

// A largest WAV: the 32-bit RIFF sizes.
constexpr uint64_t kMaxWavData = 0xFFFFFFFFull - 64;

// The sample layout of a PCM-like format.
struct SampleLayout {
    AVSampleFormat fmt = AV_SAMPLE_FMT_NONE;
    int bytes = 0;          // per sample in the data
    bool packed24 = false;  // 3-byte samples, widened to 32 bits first
    int channels = 0;
    int rate = 0;
};

bool LayoutOf(std::span<const uint8_t> formatBytes, SampleLayout& out) {
    WaveFormatEx f = WaveFormatEx::FromBytes(formatBytes);
    uint16_t tag = f.wFormatTag;
    if (tag == kWaveFormatExtensible) {
        // WAVEFORMATEXTENSIBLE: valid bits, channel mask, sub-format GUID
        // whose first two bytes are the plain format tag.
        if (f.cbSize < 22 || formatBytes.size() < 18 + 22)
            return false;
        static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        const uint8_t* guid = formatBytes.data() + 24;
        if (std::memcmp(guid + 2, kGuidTail, 14) != 0)
            return false;
        tag = static_cast<uint16_t>(guid[0] | guid[1] << 8);
    }
    // Rates outside 1 kHz..768 kHz are no sound anyone recorded; refusing
    // them bounds the resampler's growth.
    if (f.nChannels == 0 || f.nChannels > 8 || f.nSamplesPerSec < 1000 || f.nSamplesPerSec > 768000)
        return false;
    int bits = f.wBitsPerSample;
    if (bits == 0 || f.nBlockAlign != f.nChannels * ((bits + 7) / 8))
        return false;
    out.channels = f.nChannels;
    out.rate = static_cast<int>(f.nSamplesPerSec);
    if (tag == kWaveFormatPcm) {
        switch (bits) {
            case 8:
                out.fmt = AV_SAMPLE_FMT_U8, out.bytes = 1;
                return true;
            case 16:
                out.fmt = AV_SAMPLE_FMT_S16, out.bytes = 2;
                return true;
            case 24:
                out.fmt = AV_SAMPLE_FMT_S32, out.bytes = 3, out.packed24 = true;
                return true;
            case 32:
                out.fmt = AV_SAMPLE_FMT_S32, out.bytes = 4;
                return true;
            default:
                return false;
        }
    }
    if (tag == kWaveFormatIeeeFloat) {
        if (bits == 32) {
            out.fmt = AV_SAMPLE_FMT_FLT, out.bytes = 4;
            return true;
        }
        if (bits == 64) {
            out.fmt = AV_SAMPLE_FMT_DBL, out.bytes = 8;
            return true;
        }
    }
    return false;
}

bool OutputLayoutOf(const WaveFormatEx& f, SampleLayout& out) {
    if (f.wFormatTag != kWaveFormatPcm)
        return false;
    std::vector<uint8_t> b = f.Bytes();
    b[16] = b[17] = 0;
    return LayoutOf(b, out);
}

}  // namespace

// ---------------------------------------------------------------- converter

struct SampleConverter::Impl {
    SampleLayout in, out;
    SwrPtr swr;
    std::vector<uint8_t> widened;  // 24-bit source widened to 32 bits
    std::vector<uint8_t> converted;
};

SampleConverter::SampleConverter() : impl_(std::make_unique<Impl>()) {}
SampleConverter::~SampleConverter() = default;

bool SampleConverter::Init(std::span<const uint8_t> inFormat, const WaveFormatEx& out) {
    impl_ = std::make_unique<Impl>();
    passThrough_ = false;
    if (!LayoutOf(inFormat, impl_->in) || !OutputLayoutOf(out, impl_->out))
        return false;
    const SampleLayout& i = impl_->in;
    const SampleLayout& o = impl_->out;
    if (i.fmt == o.fmt && i.bytes == o.bytes && i.channels == o.channels && i.rate == o.rate) {
        passThrough_ = true;
        return true;
    }
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, i.channels);
    av_channel_layout_default(&outLayout, o.channels);
    SwrContext* s = nullptr;
    int r =
        swr_alloc_set_opts2(&s, &outLayout, o.fmt, o.rate, &inLayout, i.fmt, i.rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (r < 0 || !s)
        return false;
    SwrPtr swr(s);
    // Mono to stereo copies the channel, stereo to mono averages the two,
    // both at full level.
    if (i.channels == 1 && o.channels == 2) {
        const double m[2] = {1.0, 1.0};
        if (swr_set_matrix(swr.get(), m, 1) < 0)
            return false;
    } else if (i.channels == 2 && o.channels == 1) {
        const double m[2] = {0.5, 0.5};
        if (swr_set_matrix(swr.get(), m, 2) < 0)
            return false;
    }
    if (swr_init(swr.get()) < 0)
        return false;
    impl_->swr = std::move(swr);
    return true;
}

void SampleConverter::Reset() {
    if (impl_->swr)
        swr_init(impl_->swr.get());
}

namespace {

// Packs 32-bit samples into their top three bytes (24-bit output).
void Pack24(const uint8_t* in, size_t samples, std::vector<uint8_t>& out) {
    size_t at = out.size();
    out.resize(at + samples * 3);
    for (size_t k = 0; k < samples; ++k) {
        out[at + 3 * k] = in[4 * k + 1];
        out[at + 3 * k + 1] = in[4 * k + 2];
        out[at + 3 * k + 2] = in[4 * k + 3];
    }
}

}  // namespace

int64_t SampleConverter::Convert(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
    Impl& m = *impl_;
    const size_t block = static_cast<size_t>(m.in.bytes) * static_cast<size_t>(m.in.channels);
    if (block == 0)
        return -1;
    const size_t frames = in.size() / block;
    const size_t used = frames * block;
    if (frames == 0)
        return 0;
    if (passThrough_) {
        out.insert(out.end(), in.begin(), in.begin() + static_cast<ptrdiff_t>(used));
        return static_cast<int64_t>(used);
    }
    const uint8_t* src = in.data();
    if (m.in.packed24) {
        size_t samples = frames * static_cast<size_t>(m.in.channels);
        m.widened.resize(samples * 4);
        for (size_t k = 0; k < samples; ++k) {
            m.widened[4 * k] = 0;
            m.widened[4 * k + 1] = src[3 * k];
            m.widened[4 * k + 2] = src[3 * k + 1];
            m.widened[4 * k + 3] = src[3 * k + 2];
        }
        src = m.widened.data();
    }
    int outMax = swr_get_out_samples(m.swr.get(), static_cast<int>(frames));
    if (outMax < 0)
        return -1;
    const bool out24 = m.out.packed24;
    const size_t outBlock =
        static_cast<size_t>(out24 ? 4 : m.out.bytes) * static_cast<size_t>(m.out.channels);
    std::vector<uint8_t>& dst = out24 ? m.converted : out;
    size_t at = out24 ? 0 : out.size();
    dst.resize(at + static_cast<size_t>(outMax) * outBlock);
    uint8_t* o[1] = {dst.data() + at};
    const uint8_t* s[1] = {src};
    int n = swr_convert(m.swr.get(), o, outMax, s, static_cast<int>(frames));
    if (n < 0) {
        dst.resize(at);
        return -1;
    }
    dst.resize(at + static_cast<size_t>(n) * outBlock);
    if (out24)
        Pack24(m.converted.data(), static_cast<size_t>(n) * static_cast<size_t>(m.out.channels),
               out);
    return static_cast<int64_t>(used);
}

bool SampleConverter::Flush(std::vector<uint8_t>& out) {
    Impl& m = *impl_;
    if (passThrough_ || !m.swr)
        return true;
    const bool out24 = m.out.packed24;
    const size_t outBlock =
        static_cast<size_t>(out24 ? 4 : m.out.bytes) * static_cast<size_t>(m.out.channels);
    for (;;) {
        int outMax = swr_get_out_samples(m.swr.get(), 0);
        if (outMax <= 0)
            return outMax == 0;
        std::vector<uint8_t>& dst = out24 ? m.converted : out;
        size_t at = out24 ? 0 : out.size();
        dst.resize(at + static_cast<size_t>(outMax) * outBlock);
        uint8_t* o[1] = {dst.data() + at};
        int n = swr_convert(m.swr.get(), o, outMax, nullptr, 0);
        if (n < 0) {
            dst.resize(at);
            return false;
        }
        dst.resize(at + static_cast<size_t>(n) * outBlock);
        if (out24)
            Pack24(m.converted.data(), static_cast<size_t>(n) * static_cast<size_t>(m.out.channels),
                   out);
        if (n == 0)
            return true;
    }
}

// ------------------------------------------------------------- preparator

namespace {

struct Mpg123Deleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};
using Mpg123Ptr = std::unique_ptr<mpg123_handle, Mpg123Deleter>;

void InitMpg123Once() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

// libmpg123's feed decoder with the output fixed to the source format's rate
// and channel count, 16-bit (it converts a stream that changes them).
struct PCMPreparator::Mpg123 {
    Mpg123Ptr handle;
    bool Open(long rate, int channels) {
        InitMpg123Once();
        int err = 0;
        handle.reset(mpg123_new(nullptr, &err));
        if (!handle)
            return false;
        mpg123_handle* h = handle.get();
        if (mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0) != MPG123_OK ||
            mpg123_format_none(h) != MPG123_OK ||
            mpg123_format(h, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO,
                          MPG123_ENC_SIGNED_16) != MPG123_OK ||
            mpg123_open_feed(h) != MPG123_OK) {
            handle.reset();
            return false;
        }
        return true;
    }
    // Feeds in and appends every sample it yields; false on a decoder error.
    bool Decode(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
        mpg123_handle* h = handle.get();
        if (!in.empty() && mpg123_feed(h, in.data(), in.size()) != MPG123_OK)
            return false;
        for (;;) {
            size_t at = out.size();
            out.resize(at + 65536);
            size_t done = 0;
            int r = mpg123_read(h, out.data() + at, 65536, &done);
            out.resize(at + done);
            if (r == MPG123_OK || r == MPG123_NEW_FORMAT)
                continue;
            if (r == MPG123_NEED_MORE || r == MPG123_DONE)
                return true;
            return false;
        }
    }
};

PCMPreparator::PCMPreparator() = default;
PCMPreparator::~PCMPreparator() = default;

bool PCMPreparator::InitConversion(ISoundStream& stream, bool force16Bit) {
    CloseConverter();
    std::span<const uint8_t> wfx = stream.WFXPointer();
    if (wfx.size() < 16)
        return false;
    source_ = WaveFormatEx::FromBytes(wfx);
    uint16_t bits = source_.wBitsPerSample <= 8 ? 8 : 16;
    if (stream.Info().Force16Bit() || force16Bit)
        bits = 16;
    if (source_.nChannels == 0 || source_.nSamplesPerSec == 0)
        return false;
    if (source_.wFormatTag == kWaveFormatMpegLayer3) {
        if (source_.nChannels > 2)
            return false;
        bits = 16;
        output_ = MakePcmFormat(source_.nSamplesPerSec, source_.nChannels, bits);
        mpg_ = std::make_unique<Mpg123>();
        if (!mpg_->Open(static_cast<long>(source_.nSamplesPerSec), source_.nChannels)) {
            mpg_.reset();
            return false;
        }
        sourceBuf_.resize(8192);
    } else {
        std::vector<uint8_t> fmt(wfx.begin(), wfx.end());
        output_ = MakePcmFormat(source_.nSamplesPerSec, source_.nChannels, bits);
        if (!pcm_.Init(fmt, output_))
            return false;
        // Half a second of source, in whole blocks.
        size_t block = source_.nBlockAlign;
        size_t bytes =
            std::max<size_t>(block, static_cast<size_t>(source_.nSamplesPerSec / 2) * block);
        sourceBuf_.resize(bytes);
    }
    outputSize_ = static_cast<size_t>(nearest(output_.nAvgBytesPerSec * 500.0 / 1000));
    outBuf_.clear();
    outBuf_.reserve(outputSize_);
    stream_ = &stream;
    first_ = true;
    endOfStream_ = failed_ = false;
    leftover_ = outRead_ = outValid_ = 0;
    return true;
}

bool PCMPreparator::Decode(std::span<const uint8_t> in, bool end, size_t& consumed) {
    outBuf_.clear();
    if (mpg_) {
        consumed = in.size();  // the feed decoder keeps partial frames itself
        return mpg_->Decode(in, outBuf_);
    }
    int64_t used = pcm_.Convert(in, outBuf_);
    if (used < 0)
        return false;
    consumed = static_cast<size_t>(used);
    if (end)
        return pcm_.Flush(outBuf_);
    return true;
}

bool PCMPreparator::Refill() {
    outRead_ = outValid_ = 0;
    while (!endOfStream_) {
        uint32_t got = 0;
        int32_t r = stream_->Read(sourceBuf_.data() + leftover_,
                                  static_cast<uint32_t>(sourceBuf_.size() - leftover_), got);
        if (r != kSoundOk)
            endOfStream_ = true;
        size_t avail = leftover_ + got;
        size_t consumed = 0;
        if (!Decode(std::span<const uint8_t>(sourceBuf_.data(), avail), endOfStream_, consumed)) {
            failed_ = true;
            endOfStream_ = true;
            outBuf_.clear();
            return false;
        }
        first_ = false;
        leftover_ = avail - consumed;
        if (leftover_ > 0)
            std::memmove(sourceBuf_.data(), sourceBuf_.data() + consumed, leftover_);
        outValid_ = outBuf_.size();
        if (outValid_ > 0)
            return true;
        // A partial block that can never be completed ends the data.
        if (leftover_ >= sourceBuf_.size())
            endOfStream_ = true;
    }
    return false;
}

bool PCMPreparator::GetSamples(uint8_t* pBuffer, uint32_t cBytes, uint32_t& cBytesReturned) {
    cBytesReturned = 0;
    if (!stream_)
        return false;
    while (cBytesReturned < cBytes) {
        if (outRead_ >= outValid_ && !Refill())
            break;
        size_t n = std::min<size_t>(cBytes - cBytesReturned, outValid_ - outRead_);
        std::memcpy(pBuffer + cBytesReturned, outBuf_.data() + outRead_, n);
        outRead_ += n;
        cBytesReturned += static_cast<uint32_t>(n);
    }
    return true;
}

bool PCMPreparator::CloseConverter() {
    mpg_.reset();
    pcm_.Reset();
    stream_ = nullptr;
    sourceBuf_.clear();
    sourceBuf_.shrink_to_fit();
    outBuf_.clear();
    outBuf_.shrink_to_fit();
    leftover_ = outRead_ = outValid_ = 0;
    endOfStream_ = false;
    first_ = true;
    return true;
}

// ------------------------------------------------------------- WAV writer

FilePtr CreateOutputFile(const std::string& path) {
    std::u8string u8(path.begin(), path.end());
    std::filesystem::path p(u8);
    FilePtr f(std::fopen(p.c_str(), "wb"));
    if (f)
        std::setvbuf(f.get(), nullptr, _IOFBF, 1 << 20);
    return f;
}

std::vector<uint8_t> CanonicalWavHeader(const WaveFormatEx& f, uint64_t dataBytes) {
    std::vector<uint8_t> h;
    h.reserve(44);
    uint32_t data = static_cast<uint32_t>(std::min<uint64_t>(dataBytes, kMaxWavData));
    PutString(h, "RIFF");
    PutU32(h, data + 36);
    PutString(h, "WAVEfmt ");
    PutU32(h, 16);
    PutU16(h, kWaveFormatPcm);
    PutU16(h, f.nChannels);
    PutU32(h, f.nSamplesPerSec);
    PutU32(h, f.nAvgBytesPerSec);
    PutU16(h, f.nBlockAlign);
    PutU16(h, f.wBitsPerSample);
    PutString(h, "data");
    PutU32(h, data);
    return h;
}

EncoderWAV::EncoderWAV() : output_(MakePcmFormat(22050, 2, 16)) {}
EncoderWAV::~EncoderWAV() = default;

int32_t EncoderWAV::Init(const std::string& fileName, uint32_t sampleRate, uint16_t channels,
                         uint16_t bitsPerSample, uint32_t& bufferSize) {
    file_.reset();
    pending_.clear();
    dataBytes_ = 0;
    failed_ = false;
    bufferSize = kInputBufferSize;
    input_ = MakePcmFormat(sampleRate, channels, bitsPerSample);
    if (!conv_.Init(input_.Bytes(), output_))
        return kSoundSetupFailed;
    file_ = CreateOutputFile(fileName);
    if (!file_)
        return kSoundNotOpen;
    if (writeHeader_) {
        // Room for the header: "RIFF" size "WAVE" "fmt " size, the format,
        // "data" size.
        std::vector<uint8_t> room(WaveFormatEx::kSize + 28, 0);
        if (!Write(room)) {
            file_.reset();
            return kSoundNotOpen;
        }
    }
    return kSoundOk;
}

bool EncoderWAV::Write(const std::vector<uint8_t>& bytes) {
    if (bytes.empty())
        return true;
    if (!file_ || std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
        failed_ = true;
        return false;
    }
    return true;
}

int32_t EncoderWAV::Encode(const uint8_t* pBuffer, uint32_t bytes) {
    if (bytes > kInputBufferSize)
        return kSoundTooMuchData;
    if (!file_ || failed_)
        return kSoundConversionFailed;
    pending_.insert(pending_.end(), pBuffer, pBuffer + bytes);
    out_.clear();
    int64_t used = conv_.Convert(pending_, out_);
    if (used < 0)
        return kSoundConversionFailed;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(used));
    if (dataBytes_ + out_.size() > kMaxWavData - 64) {
        failed_ = true;
        return kSoundConversionFailed;
    }
    if (!Write(out_))
        return kSoundConversionFailed;
    dataBytes_ += out_.size();
    return kSoundOk;
}

int32_t EncoderWAV::DeInit() {
    if (!file_)
        return kSoundOk;
    // The flush passes no source again: what Encode took is already written.
    out_.clear();
    if (conv_.Flush(out_) && Write(out_))
        dataBytes_ += out_.size();
    if (writeHeader_ && !failed_) {
        std::vector<uint8_t> h;
        std::vector<uint8_t> fmt = output_.Bytes();
        uint32_t data = static_cast<uint32_t>(dataBytes_);
        PutString(h, "RIFF");
        PutU32(h, static_cast<uint32_t>(data + 20 + fmt.size()));
        PutString(h, "WAVEfmt ");
        PutU32(h, static_cast<uint32_t>(fmt.size()));
        PutBytes(h, fmt);
        PutString(h, "data");
        PutU32(h, data);
        if (std::fseek(file_.get(), 0, SEEK_SET) != 0 || !Write(h))
            failed_ = true;
    }
    if (std::fclose(file_.release()) != 0)
        failed_ = true;
    pending_.clear();
    return failed_ ? kSoundConversionFailed : kSoundOk;
}

// ------------------------------------------------------------------ joiner

clsWavConcatenate::clsWavConcatenate() : output_(MakePcmFormat(22050, 2, 16)) {}

bool clsWavConcatenate::WaveAdd(const std::string& file) {
    FileSource src;
    if (!src.Open(file))  // missing, a folder or not a regular file
        return false;
    WaveChunk fmt = FindWaveChunk(src, "fmt ");
    WaveChunk data = FindWaveChunk(src, "data");
    if (!fmt.found() || !data.found() || fmt.size < 16 || data.offset > src.Size())
        return false;
    Entry e;
    e.file = file;
    e.format.resize(std::min<size_t>(fmt.size, 18 + 64));
    int64_t got = src.ReadAt(fmt.offset, e.format);
    if (got < 16)
        return false;
    e.format.resize(static_cast<size_t>(got));
    if (e.format.size() < 18)
        e.format.resize(18, 0);
    e.dataStart = data.offset + 1;
    e.dataSize = std::min<uint64_t>(data.size, src.Size() - data.offset);
    queue_.push_back(std::move(e));
    return true;
}

bool clsWavConcatenate::WaveConcatenate(int nn1, int nn2, const std::string& output,
                                        bool writeWaveHeader, bool nProgress, Progress* progress) {
    if (queue_.empty())
        return false;
    FilePtr out = CreateOutputFile(output);
    if (!out)
        return false;
    std::vector<uint8_t> buf;
    if (writeWaveHeader) {
        std::vector<uint8_t> room(44, 0);
        if (std::fwrite(room.data(), 1, room.size(), out.get()) != room.size())
            return false;
    }
    uint64_t total = 0;
    for (const auto& e : queue_)
        total += e.dataSize;
    uint64_t written = 0;
    bool cancelled = false;
    std::vector<uint8_t> in, conv;
    for (const auto& e : queue_) {
        SampleConverter c;
        if (!c.Init(e.format, output_))
            return false;
        WaveFormatEx f = WaveFormatEx::FromBytes(e.format);
        uint64_t chunk = static_cast<uint64_t>(f.nBlockAlign) * f.nSamplesPerSec * 10;
        FileSource src;
        if (!src.Open(e.file))
            return false;
        uint64_t pos = e.dataStart - 1;
        uint64_t left = e.dataSize;
        in.resize(static_cast<size_t>(std::min<uint64_t>(chunk, std::max<uint64_t>(left, 1))));
        for (;;) {
            bool last = left < chunk;
            size_t n = static_cast<size_t>(last ? left : chunk);
            in.resize(n);
            if (n > 0 && !src.Read(pos, in))
                return false;
            conv.clear();
            if (c.Convert(in, conv) < 0 || (last && !c.Flush(conv)))
                return false;
            if (written + conv.size() > kMaxWavData - 64)
                return false;
            if (!conv.empty() && std::fwrite(conv.data(), 1, conv.size(), out.get()) != conv.size())
                return false;
            written += conv.size();
            pos += n;
            left -= n;
            if (last)
                break;
            if (progress && progress->Cancelled()) {
                cancelled = true;
                break;
            }
            if (nProgress && progress && nn1 > 0 && total > 0) {
                double p =
                    static_cast<double>(written) / static_cast<double>(total) * 100 / (2.0 * nn1) +
                    (nn2 - 1.0) / nn1 * 100 + 50.0 / nn1;
                progress->ShowProgress(std::clamp(nearest(p), 0, 100), "步骤1/4：解码音频");
            }
        }
        if (cancelled || (progress && progress->Cancelled())) {
            cancelled = true;
            break;
        }
    }
    if (writeWaveHeader && !cancelled) {
        std::vector<uint8_t> h = CanonicalWavHeader(output_, written);
        if (std::fseek(out.get(), 0, SEEK_SET) != 0 ||
            std::fwrite(h.data(), 1, h.size(), out.get()) != h.size())
            return false;
    }
    return std::fclose(out.release()) == 0;
}

}  // namespace velmora::audio
