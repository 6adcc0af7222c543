// The song check of the song list: a song is taken when it can be played
// and its length is at least 0.3 s and under 100 minutes. Playable means:
// MIDI files are read by our Standard MIDI File reader (header and tracks);
// every other file is opened by libavformat and the first packet of its
// audio stream decodes. Core code, no Qt; safe to call from any thread.
#pragma once

#include <optional>
#include <string>

namespace velmora::editor {

// "mm:ss" of floor(d): minutes and seconds each with a leading "0" below 10
// (100 minutes and more give more than five characters).
std::string MinuteSecondText(double seconds);

// d >= 0.3 and its minute-second text has exactly five characters.
bool SongLengthPasses(double seconds);

// The song's length when it is playable; nullopt (with *error in English)
// when it cannot be opened or decoded.
std::optional<double> PlayableSongLength(const std::string& path, std::string* error = nullptr);

// The whole check.
bool CheckSong(const std::string& path);

// The song's lyric file: the path with its last three characters replaced by
// "lrc" when that file exists, else lyricFolder + base name + ".lrc" when
// lyricFolder is an absolute folder path and that file exists, else empty.
std::string LyricFileForSong(const std::string& songPath, const std::string& lyricFolder);

}  // namespace velmora::editor
