// Length of a song file as a media player measures it before playing: MIDI
// files through our Standard MIDI File reader (tempo map), every other file
// through libavformat (container duration, estimated from the bit rate where
// the file carries none). Core code, no Qt.
#pragma once

#include <optional>
#include <string>

namespace velmora::audio {

// Seconds, or nullopt when the file cannot be opened or holds no audio
// (*error then says why, in English, for logs and tests).
std::optional<double> MediaDuration(const std::string& path, std::string* error = nullptr);

// libavformat alone (no MIDI sniffing).
std::optional<double> AvFormatDuration(const std::string& path, std::string* error = nullptr);

}  // namespace velmora::audio
