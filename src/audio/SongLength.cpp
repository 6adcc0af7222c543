#include "audio/SongLength.h"

#include <cmath>

#include "audio/MP3Info.h"
#include "audio/MediaDuration.h"
#include "audio/WaveChunk.h"
#include "base/ByteSource.h"
#include "base/FileNames.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"

namespace velmora::audio {

double RoundToMilliseconds(double seconds) {
    return static_cast<double>(nearest64(seconds * 1000.0)) / 1000.0;
}

double WaveHeaderDuration(const std::string& path) {
    FileSource file;
    if (!file.Open(path))
        return 0;
    WaveFormat fmt;
    if (!ReadWaveFormat(file, fmt))
        return 0;
    // Only PCM-like formats (integer PCM, IEEE float, extensible) have a
    // length that follows from the sample size; compressed formats are left
    // to the media duration.
    if (fmt.formatTag != 1 && fmt.formatTag != 3 && fmt.formatTag != 0xFFFE)
        return 0;
    if (fmt.channels == 0 || fmt.bitsPerSample < 8 || fmt.samplesPerSec == 0)
        return 0;
    WaveChunk data = FindWaveChunk(file, "data");
    if (!data.found())
        return 0;
    // A header that claims more data than the file holds counts what is there.
    uint64_t size = data.size;
    if (data.offset + size > file.Size())
        size = file.Size() - data.offset;
    return static_cast<double>(size) / fmt.channels / (fmt.bitsPerSample / 8.0) / fmt.samplesPerSec;
}

double CombineMp3Durations(double dGraph, double dHeader) {
    if (dHeader <= 0)
        return dGraph;
    if (dHeader >= dGraph && dHeader - dGraph <= 5)
        return dGraph;
    return dHeader;
}

std::optional<double> SongLength(const std::string& path, std::string* error) {
    std::string ext = FileTypeOf(path);
    if (ext == "WAV" || ext == "TMP") {
        double d = WaveHeaderDuration(path);
        if (d > 0)
            return RoundToMilliseconds(d);
    }
    auto graph = MediaDuration(path, error);
    if (!graph)
        return std::nullopt;
    double d = *graph;
    if (ext == "MP3") {
        // The frame-header figure counts only when a VBR (Xing, VBRI) or Info
        // header gives the frame count. Without one it is the byte count over
        // the first frame's bit rate: exact for constant bit rate, where it
        // equals the media figure anyway, but far off for a VBR file whose
        // header was stripped (a 7 s song measured as 2.7 s).
        MP3Info info;
        double header = 0;
        if (info.ReadMP3Info(path) && info.VbrHeader() != VbrHeaderKind::None)
            header = info.Duration() / 1000.0;
        d = CombineMp3Durations(d, header);
    }
    if (!std::isfinite(d) || d < 0) {
        if (error)
            *error = "the duration is not a number";
        return std::nullopt;
    }
    return RoundToMilliseconds(d);
}

int64_t WholeSongSeconds(double sum) {
    if (sum < 30000)
        return static_cast<int64_t>(std::floor(sum)) + 1;
    return nearest64(sum);
}

}  // namespace velmora::audio
