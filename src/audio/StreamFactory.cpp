#include "audio/StreamFactory.h"

#include "audio/StreamMP3.h"
#include "audio/StreamWAV.h"
#include "audio/StreamWMA.h"
#include "base/FileNames.h"

namespace velmora::audio {

std::unique_ptr<ISoundStream> CreateSoundStream(const std::string& path) {
    const std::string ext = FileTypeOf(path);
    if (ext == "MP3")
        return std::make_unique<StreamMP3>();
    if (ext == "WMA")
        return std::make_unique<StreamWMA>();
    return std::make_unique<StreamWAV>();
}

}  // namespace velmora::audio
