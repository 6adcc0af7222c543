// The reader of project files in the older record layout.
//
// Such a file is a sequence of 128-byte records numbered from 1; record n
// starts at byte (n - 1) * 128 and holds one text: a 16-bit little-endian
// length L (at most 126), then L bytes of text in the system code page.
// A record that starts past the end of the file reads as an empty text.
//
// Records used (the others carry nothing the project keeps):
//   4  one-character flags, "1" true: 1 PlayPhotoInRamdomOrder,
//      2 IgnoreMouseMove, 3 ShowCursor, 4 MuteSound, 7 EnableTransition,
//      8 EnableHeadlineEffect, and when present 17 FilenameAsCaption,
//      18 IsPackage, 19 EnableCaption, 20 EnableExport
//   5  photo interval (seconds, text)      6, 7, 8 SolidColor, BeginColor,
//   9  BackGroundPicture (" ": none)              EndColor (decimal)
//   11 photo count P   12 song count S   21 list base K
//   30 BackGroundSet   32..35 slideshow information texts 0..3, 36 text 5
//   44 LogoImage (" ": none)   48 export password
//   song j:  50 + K + j
//   photo i: file 50+K+S+i, ImgPosX 50+K+S+P+i, ImgPosY 50+K+S+2P+i,
//            caption 50+K+S+3P+i, CapPosX 50+K+S+4P+i, CapPosY 50+K+S+5P+i
//
// A value that does not convert (a number that is not decimal or does not fit
// 32 bits), a record whose length is out of range or runs past the end of the
// file, and counts whose records the file cannot hold end the read as
// unreadable. An empty photo name, a duplicate photo, an interval that is not
// a number and an unknown background choice are skipped.
//
// Core code, no Qt. Untrusted input: nothing is allocated from a count
// before the file is known to hold its records.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "project/Project.h"

namespace velmora {

inline constexpr size_t kLegacyRecordLength = 128;
// Largest older-layout file read (far more than any real one needs).
inline constexpr uint64_t kMaxLegacyFileSize = 64ull << 20;

// Reads an older-layout file into p. On failure p is left unchanged and
// *error (when given) says why, in English, for logs and tests; the caller
// shows the user its own message.
bool ReadLegacyProject(const std::string& path, Project& p, const ProjectEnvironment& env,
                       std::string* error = nullptr);
bool ReadLegacyProjectBytes(std::span<const uint8_t> bytes, Project& p,
                            const ProjectEnvironment& env, std::string* error = nullptr);

}  // namespace velmora
