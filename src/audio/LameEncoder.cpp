#include "audio/LameEncoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <filesystem>

#include "audio/WaveChunk.h"
#include "base/Progress.h"
#include "base/Rounding.h"

namespace velmora::audio {

// ------------------------------------------------------------ WAV reader

bool cLameWavReader::OpenFile(const std::string& sSoundFile) {
    CloseFile();
    if (!src_.Open(sSoundFile))
        return false;
    WaveChunk fmt = FindWaveChunk(src_, "fmt ");
    WaveChunk data = FindWaveChunk(src_, "data");
    std::vector<uint8_t> f(std::min<size_t>(fmt.size, 50));
    if (!fmt.found() || !data.found() || fmt.size < 16 || !src_.Read(fmt.offset, f)) {
        CloseFile();
        return false;
    }
    format_ = WaveFormatEx::FromBytes(f);
    if (format_.wFormatTag != kWaveFormatPcm || format_.wBitsPerSample != 16 ||
        format_.nChannels != 2 || format_.nSamplesPerSec == 0 || data.offset > src_.Size()) {
        CloseFile();
        return false;
    }
    file_ = sSoundFile;
    dataOffset_ = data.offset;
    dataSize_ = std::min<uint64_t>(data.size, src_.Size() - data.offset) / 4 * 4;
    position_ = 0;
    if (bufferFrames_ == 0)
        SetReadBufferSize(1152);
    return true;
}

void cLameWavReader::CloseFile() {
    src_.Close();
    file_.clear();
    dataOffset_ = dataSize_ = position_ = bufferStart_ = 0;
    readSize_ = 0;
    format_ = {};
}

void cLameWavReader::SetReadBufferSize(uint32_t frames) {
    bufferFrames_ = std::max<uint32_t>(frames, 1);
    buffer_.assign(static_cast<size_t>(bufferFrames_) * 2, 0);
}

bool cLameWavReader::Read() {
    uint64_t remaining = dataSize_ - position_;
    uint64_t full = static_cast<uint64_t>(bufferFrames_) * 4;
    bool more = full < remaining;
    uint64_t n = more ? full : remaining;
    bufferStart_ = position_ / 4;
    readSize_ = 0;
    if (n > 0) {
        std::span<uint8_t> out(reinterpret_cast<uint8_t*>(buffer_.data()), static_cast<size_t>(n));
        int64_t got = src_.ReadAt(dataOffset_ + position_, out);
        if (got <= 0)
            return false;
        readSize_ = static_cast<uint32_t>(got) / 4 * 4;
        position_ += readSize_;
        if (readSize_ < n)
            return false;  // the file ended early
    }
    return more;
}

bool cLameWavReader::SeekAbsolute(uint64_t frame) {
    if (frame * 4 > dataSize_)
        return false;
    position_ = frame * 4;
    return true;
}

bool cLameWavReader::SeekRelative(int64_t frames) {
    int64_t target = static_cast<int64_t>(position_ / 4) + frames;
    return target >= 0 && SeekAbsolute(static_cast<uint64_t>(target));
}

// ------------------------------------------------------------ MP3 writer

bool cLameMp3Writer::Create(const std::string& fileName, uint32_t bufferSize) {
    f_ = CreateOutputFile(fileName);
    file_ = fileName;
    buffer_.assign(bufferSize, 0);
    return f_ != nullptr;
}

bool cLameMp3Writer::WriteBufferToFile(uint32_t size) {
    if (!f_ || size > buffer_.size())
        return false;
    return size == 0 || std::fwrite(buffer_.data(), 1, size, f_.get()) == size;
}

bool cLameMp3Writer::CloseFile() {
    if (!f_)
        return true;
    return std::fclose(f_.release()) == 0;
}

// --------------------------------------------------------------- encoder

struct cLameEncoder::Lame {
    lame_global_flags* gf = nullptr;
    ~Lame() {
        if (gf)
            lame_close(gf);
    }
};

cLameEncoder::cLameEncoder() = default;
cLameEncoder::~cLameEncoder() {
    CloseStream();
}

void cLameEncoder::CloseStream() {
    lame_.reset();
    writer_.CloseFile();
}

bool cLameEncoder::BeginStream(uint32_t inputRate) {
    CloseStream();
    cancelled_ = false;
    error_.clear();
    framesDone_ = chunks_ = 0;
    lame_ = std::make_unique<Lame>();
    lame_global_flags* gf = lame_init();
    lame_->gf = gf;
    if (!gf) {
        error_ = "LAME cannot start a stream";
        lame_.reset();
        return false;
    }
    const bool cbr = EncodingPreset == 12;
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, static_cast<int>(inputRate));
    lame_set_out_samplerate(gf, SampleRate);
    lame_set_mode(gf, OutputMode == 0 ? STEREO : OutputMode == 3 ? MONO : JOINT_STEREO);
    lame_set_copyright(gf, 0);
    lame_set_original(gf, 1);
    lame_set_error_protection(gf, 0);
    lame_set_extension(gf, 0);
    lame_set_emphasis(gf, 0);
    lame_set_strict_ISO(gf, 0);
    if (cbr) {
        lame_set_VBR(gf, vbr_off);
        if (BitRate > 0)
            lame_set_brate(gf, BitRate);
        lame_set_bWriteVbrTag(gf, 0);
    } else {
        lame_set_VBR(gf, vbr_mtrh);  // the new VBR method
        lame_set_preset(gf, STANDARD_FAST);
        lame_set_bWriteVbrTag(gf, 1);
    }
    lame_set_disable_reservoir(gf, 1);
    if (lame_init_params(gf) < 0) {
        error_ = "LAME refuses the configuration";
        lame_.reset();
        return false;
    }
    samplesPerChunk_ = static_cast<uint32_t>(lame_get_framesize(gf)) * 2;
    uint32_t outBytes = samplesPerChunk_ / 2 * 5 / 4 + 7200;
    if (!writer_.Create(Mp3File, outBytes)) {
        error_ = "cannot create " + Mp3File;
        lame_.reset();
        return false;
    }
    return true;
}

bool cLameEncoder::EncodeWav(const std::string& wav, Progress* progress, uint64_t totalFrames) {
    if (!lame_)
        return false;
    cLameWavReader reader;
    reader.SetReadBufferSize(samplesPerChunk_ / 2);
    if (!reader.OpenFile(wav)) {
        error_ = "not a 16-bit stereo PCM WAV: " + wav;
        return false;
    }
    for (;;) {
        bool more = reader.Read();
        int frames = static_cast<int>(reader.ReadSize() / 4);
        if (frames > 0) {
            int n = lame_encode_buffer_interleaved(
                lame_->gf, const_cast<short*>(reader.ReadBufferPtr()), frames,
                writer_.BufferPointer(), static_cast<int>(writer_.BufferSize()));
            if (n < 0 || !writer_.WriteBufferToFile(static_cast<uint32_t>(n))) {
                error_ = n < 0 ? "LAME failed while encoding" : "cannot write " + Mp3File;
                return false;
            }
            framesDone_ += static_cast<uint64_t>(frames);
        }
        if (++chunks_ % 100 == 0 && progress) {
            if (progress->Cancelled()) {
                cancelled_ = true;
                return true;
            }
            uint64_t total = std::max<uint64_t>(totalFrames, 1);
            progress->ShowProgress(
                std::clamp(nearest(static_cast<double>(framesDone_) / total * 100), 0, 100),
                "步骤 2/4：编码音频");
        }
        if (!more)
            break;
    }
    return true;
}

void cLameEncoder::Abort() {
    CloseStream();
    std::error_code ec;
    std::filesystem::remove(std::filesystem::path(std::u8string(Mp3File.begin(), Mp3File.end())),
                            ec);
}

bool cLameEncoder::EndStream() {
    if (!lame_)
        return false;
    if (cancelled_) {
        Abort();
        return true;
    }
    int n = lame_encode_flush(lame_->gf, writer_.BufferPointer(),
                              static_cast<int>(writer_.BufferSize()));
    if (n < 0 || !writer_.WriteBufferToFile(static_cast<uint32_t>(n)) || !writer_.CloseFile()) {
        error_ = "cannot finish " + Mp3File;
        CloseStream();
        return false;
    }
    // The VBR header goes into the first frame, which LAME left for it.
    std::vector<uint8_t> tag;
    if (EncodingPreset != 12) {
        tag.resize(2880);
        size_t len = lame_get_lametag_frame(lame_->gf, tag.data(), tag.size());
        tag.resize(len <= tag.size() ? len : 0);
    }
    lame_.reset();
    if (!tag.empty()) {
        std::u8string u8(Mp3File.begin(), Mp3File.end());
        FilePtr f(std::fopen(std::filesystem::path(u8).c_str(), "r+b"));
        if (!f || std::fwrite(tag.data(), 1, tag.size(), f.get()) != tag.size() ||
            std::fclose(f.release()) != 0) {
            error_ = "cannot write the VBR header of " + Mp3File;
            return false;
        }
    }
    return true;
}

bool cLameEncoder::Encode(Progress* progress) {
    cLameWavReader probe;
    if (!probe.OpenFile(WavFile)) {
        error_ = "not a 16-bit stereo PCM WAV: " + WavFile;
        return false;
    }
    uint64_t total = probe.AudioLength();
    uint32_t rate = probe.SampleRate();
    probe.CloseFile();
    if (!BeginStream(rate))
        return false;
    if (!EncodeWav(WavFile, progress, total)) {
        CloseStream();
        return false;
    }
    return EndStream();
}

}  // namespace velmora::audio
