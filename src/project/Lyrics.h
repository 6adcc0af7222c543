// Timed lyrics: the LRC parser and the pairing of the project's lyric files
// with its songs.
//
// Core code, no Qt. The video timeline, the sound track and the builder use
// it beside the editor; the display of the lines (current line, highlight,
// second row) is theirs.
//
// LRC text is decoded as the system's other text files are: UTF-8 when valid
// or with a BOM, UTF-16 with a BOM, else GB18030.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora {

struct LyricLine {
    std::string text;        // UTF-8, without CR and LF
    int32_t time = 0;        // centiseconds from the start of the song, >= 0
    bool secondRow = false;  // every even line (2, 4, ...): the lower row of two-line styles
    bool operator==(const LyricLine&) const = default;
};

struct ParsedLyrics {
    std::string title, artist, album, author;  // [ti:], [ar:], [al:], [by:]
    int32_t offset = 0;                        // [offset:], milliseconds
    std::vector<LyricLine> lines;              // sorted by time
};

// At most this many timed lines are taken from one file; the rest of a
// larger file is skipped (no song has that many lines).
inline constexpr size_t kMaxLyricLines = 100000;
// Files above this size are not read (LRC files are a few kilobytes).
inline constexpr uint64_t kMaxLyricFileBytes = 128ull * 1024 * 1024;

// Parses LRC text. Returns false when it holds no time tag; out then holds
// whatever tags were read and no lines.
//
// Line by line, every "[" starts a tag:
// - [ti:…] [ar:…] [al:…] [by:…] (any case) set the title, artist, album and
//   author; [offset:N] the offset in milliseconds (signed).
// - [m:ss], [m:ss.f], [m:ss.ff], [m:ss.fff] (also ":" before the fraction;
//   any number of minute digits up to 99999) is a time tag: a line whose
//   text is what follows the tag up to the next tag or the end of the line.
//   Tags stacked directly after each other ([00:12.34][01:02.50]Chorus) all
//   take the text of the last one.
// - Anything else in brackets, and broken tags, are skipped.
// The lines are sorted by time (stable), shifted by the offset (time −
// offset / 10, rounded, not below 0), and every even line gets the
// second-row flag.
bool ParseLyricText(std::span<const uint8_t> bytes, ParsedLyrics& out);

// Reads and parses a file. False when it cannot be read, is larger than
// kMaxLyricFileBytes or holds no time tag.
bool ParseLyricFile(const std::string& path, ParsedLyrics& out);

// The base name of a path: the text after its last '/', up to its last dot.
std::string LyricBaseName(const std::string& path);

// Pairing for the package: for every song (same order as songs) the lyric
// file that belongs to it, or empty. A lyric file belongs to the first song
// whose base name equals its own (without regard to case); unpaired lyric
// files are left out.
std::vector<std::string> PairLyricFiles(const std::vector<std::string>& songs,
                                        const std::vector<std::string>& lyricFiles);

}  // namespace velmora
