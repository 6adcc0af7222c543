// The length of a song: the one measure behind the per-photo dialog's
// average, the package's "SongDurationTotal" and `velmora timing`. WAV files
// from their RIFF header, every other type from the media duration
// (libavformat, or our MIDI reader), MP3 files cross-checked against the
// frame count of their VBR or Info header. Core code, no Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::audio {

// Seconds from the RIFF header of a PCM WAV file: data size / channels /
// (bits per sample / 8) / sample rate; 0 when the file is not RIFF/WAVE, a
// chunk is missing, a field is zero or the format is not PCM.
double WaveHeaderDuration(const std::string& path);

// An MP3's length from the media duration dGraph and the frame-header
// duration dHeader (both in seconds; dHeader <= 0 when the header could not
// be read): the graph's figure when the header's is at most 5 s longer,
// otherwise the header's.
double CombineMp3Durations(double dGraph, double dHeader);

// Seconds rounded to milliseconds, halves to even.
double RoundToMilliseconds(double seconds);

// The song's length in seconds, rounded to milliseconds; nullopt when the
// file cannot be measured (*error says why).
std::optional<double> SongLength(const std::string& path, std::string* error = nullptr);

// The whole seconds of all songs as a package stores them: floor(sum) + 1
// below 30000 s, else the sum rounded (halves to even).
int64_t WholeSongSeconds(double sumSeconds);

}  // namespace velmora::audio
