#include "audio/StreamFactory.h"

#include "audio/StreamMP3.h"
#include "audio/StreamWAV.h"
#include "audio/StreamWMA.h"

namespace velmora::audio {

std::unique_ptr<ISoundStream> CreateSoundStream(const std::string& path) {
    std::string ext = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (ext == "MP3")
        return std::make_unique<StreamMP3>();
    if (ext == "WMA")
        return std::make_unique<StreamWMA>();
    return std::make_unique<StreamWAV>();
}

}  // namespace velmora::audio
