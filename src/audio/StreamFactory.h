// The sound stream for a song file, chosen by the upper-cased last three
// letters of its name: "MP3" StreamMP3, "WMA" StreamWMA, anything else
// StreamWAV. Core code, no Qt.
#pragma once

#include <memory>
#include <string>

#include "audio/SoundStream.h"

namespace velmora::audio {

std::unique_ptr<ISoundStream> CreateSoundStream(const std::string& path);

}  // namespace velmora::audio
