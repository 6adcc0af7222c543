// libFuzzer target: arbitrary bytes through the RIFF chunk walk, the WAV
// stream and the PCM conversion. Nothing may read outside the input, loop
// without end or hand out bytes past the data chunk.
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "audio/PcmConversion.h"
#include "audio/StreamWAV.h"
#include "audio/WaveChunk.h"

using namespace velmora;
using namespace velmora::audio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    {
        SpanSource src(bytes);
        for (const char* id : {"fmt ", "data", "LIST"}) {
            WaveChunk c = FindWaveChunk(src, id);
            if (c.found() && (c.offset < 20 || c.offset > size))
                std::abort();
        }
        WaveFormat f;
        ReadWaveFormat(src, f);
    }
    StreamWAV wav;
    if (wav.OpenSource(std::make_unique<SpanSource>(bytes)) != kSoundOk)
        return 0;
    if (wav.DataOffset() + wav.DataSize() > size)
        std::abort();
    (void)wav.Duration();
    // Raw reads stay inside the data chunk.
    std::vector<uint8_t> buf(4096);
    uint64_t total = 0;
    for (int i = 0; i < 10000; ++i) {
        uint32_t got = 0;
        int32_t r = wav.Read(buf.data(), static_cast<uint32_t>(buf.size()), got);
        total += got;
        if (r != kSoundOk)
            break;
    }
    if (total > wav.DataSize())
        std::abort();
    if (wav.SeekTo(50, 0) != kSoundOk || wav.SeekTo(0, 1) != kSoundOk)
        std::abort();
    (void)wav.Position();
    // The conversion to PCM of the stream's own format and then to the
    // sound track's format.
    PCMPreparator prep;
    if (!prep.InitConversion(wav, false))
        return 0;
    SampleConverter conv;
    bool toTrack = conv.Init(prep.OutputFormat().Bytes(), MakePcmFormat(22050, 2, 16));
    std::vector<uint8_t> pcm(16384), out;
    for (int i = 0; i < 2000; ++i) {
        uint32_t got = 0;
        prep.GetSamples(pcm.data(), static_cast<uint32_t>(pcm.size()), got);
        if (got > pcm.size())
            std::abort();
        if (toTrack) {
            out.clear();
            conv.Convert(std::span<const uint8_t>(pcm.data(), got), out);
        }
        if (prep.EndOfStream())
            break;
    }
    if (toTrack) {
        out.clear();
        conv.Flush(out);
    }
    return 0;
}
