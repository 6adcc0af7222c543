// Test helpers comparing our decoded PCM with ffmpeg's: a song decoded by
// our streams and conversion to 16-bit samples, the same file decoded by
// `ffmpeg -f s16le`, and the residual of two signals once aligned.
#pragma once

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "audio/PcmConversion.h"
#include "audio/StreamFactory.h"

namespace velmora::test {

struct Pcm {
    int rate = 0, channels = 0;
    std::vector<int16_t> samples;  // interleaved
    int32_t openResult = -1;
    bool converted = false;  // the conversion could be set up
};

// Our decoding: the stream chosen by the file name, PCMPreparator, and
// 8-bit output widened to 16 bits through the same conversion.
inline Pcm OurPcm(const std::string& path) {
    Pcm p;
    auto stream = audio::CreateSoundStream(path);
    p.openResult = stream->OpenSource(path);
    if (p.openResult != 0)
        return p;
    audio::PCMPreparator prep;
    if (!prep.InitConversion(*stream, false))
        return p;
    p.converted = true;
    p.rate = static_cast<int>(prep.OutputSamplerate());
    p.channels = prep.OutputChannels();
    audio::SampleConverter widen;
    bool eight = prep.OutputBitsPerSample() == 8;
    if (eight &&
        !widen.Init(prep.OutputFormat().Bytes(),
                    audio::MakePcmFormat(prep.OutputSamplerate(), prep.OutputChannels(), 16)))
        return p;
    std::vector<uint8_t> buf(16384), bytes;
    for (int guard = 0; guard < 1000000; ++guard) {
        uint32_t got = 0;
        prep.GetSamples(buf.data(), static_cast<uint32_t>(buf.size()), got);
        if (eight)
            widen.Convert(std::span<const uint8_t>(buf.data(), got), bytes);
        else
            bytes.insert(bytes.end(), buf.begin(), buf.begin() + got);
        if (prep.EndOfStream())
            break;
    }
    p.samples.resize(bytes.size() / 2);
    std::memcpy(p.samples.data(), bytes.data(), p.samples.size() * 2);
    return p;
}

// ffmpeg's decoding of the file to 16-bit samples at its own rate and
// channel count.
inline std::vector<int16_t> FfmpegS16(const std::string& path) {
    RunResult r = Run("ffmpeg -v error -i " + Quote(path) + " -f s16le -");
    std::vector<int16_t> s(r.output.size() / 2);
    std::memcpy(s.data(), r.output.data(), s.size() * 2);
    return s;
}

// The playing time of an MP3 as ffprobe sees it: its duration less its
// start time, which is the encoder delay a gapless (LAME-tagged) file skips;
// ffprobe's duration alone counts every frame, delay and padding included.
inline double ProbedMp3Seconds(const std::string& path) {
    std::string d = Probe(path, "format=duration");
    std::string s = Probe(path, "format=start_time");
    if (d.empty())
        return -1;
    return std::stod(d) - (s.empty() ? 0.0 : std::stod(s));
}

// The residual of b against a in dB relative to a, after shifting b by the
// frame lag (within ±maxLag frames) that matches them best; the compared
// stretch is what both hold.
inline double AlignedResidualDb(const std::vector<int16_t>& a, const std::vector<int16_t>& b,
                                int channels, int maxLag = 3000, int* lagOut = nullptr) {
    const long fa = static_cast<long>(a.size()) / channels;
    const long fb = static_cast<long>(b.size()) / channels;
    auto at = [channels](const std::vector<int16_t>& v, long frame) {
        return static_cast<double>(v[static_cast<size_t>(frame * channels)]);
    };
    // Coarse search on the first channel over a window.
    long window = std::min<long>(std::min(fa, fb) - 2 * maxLag, 44100);
    if (window <= 0)
        return 0;
    double best = -1e300;
    int bestLag = 0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double c = 0;
        for (long k = maxLag; k < maxLag + window; ++k) {
            long j = k + lag;
            if (j < 0 || j >= fb)
                continue;
            c += at(a, k) * at(b, j);
        }
        if (c > best)
            best = c, bestLag = lag;
    }
    if (lagOut)
        *lagOut = bestLag;
    double sig = 0, res = 0;
    for (long k = 0; k < fa; ++k) {
        long j = k + bestLag;
        if (j < 0 || j >= fb)
            continue;
        for (int ch = 0; ch < channels; ++ch) {
            double x = a[static_cast<size_t>(k * channels + ch)];
            double y = b[static_cast<size_t>(j * channels + ch)];
            sig += x * x;
            res += (x - y) * (x - y);
        }
    }
    if (sig <= 0)
        return 0;
    return 10 * std::log10(std::max(res, 1e-9) / sig);
}

}  // namespace velmora::test
