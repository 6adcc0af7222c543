// velmora-silence FOLDER: writes the silence pieces of the sound track's
// opening into FOLDER: "Sec5.wav" (5 s), "sec1.wav" (1 s), "sec2.wav" and
// "Sec2.wav" (2 s each), 22050 Hz 16-bit stereo, through the program's own
// WAV writer.
#include <cstdio>
#include <string>
#include <vector>

#include "audio/PcmConversion.h"

namespace {

bool WriteSilence(const std::string& path, int seconds) {
    velmora::audio::EncoderWAV enc;
    uint32_t chunk = 0;
    if (enc.Init(path, 22050, 2, 16, chunk) != velmora::audio::kSoundOk)
        return false;
    std::vector<uint8_t> zeros(chunk, 0);
    uint64_t left = static_cast<uint64_t>(seconds) * 22050 * 4;
    while (left > 0) {
        uint32_t n = static_cast<uint32_t>(left < chunk ? left : chunk);
        if (enc.Encode(zeros.data(), n) != velmora::audio::kSoundOk)
            return false;
        left -= n;
    }
    return enc.DeInit() == velmora::audio::kSoundOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora-silence FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    const struct {
        const char* name;
        int seconds;
    } pieces[] = {{"Sec5.wav", 5}, {"sec1.wav", 1}, {"sec2.wav", 2}, {"Sec2.wav", 2}};
    for (const auto& p : pieces) {
        if (!WriteSilence(folder + p.name, p.seconds)) {
            std::fprintf(stderr, "velmora-silence: cannot write %s%s\n", folder.c_str(), p.name);
            return 1;
        }
    }
    return 0;
}
