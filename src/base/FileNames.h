// What a name text says about a file, the same for every part of the program.
#pragma once

#include <cstddef>
#include <string>

namespace velmora {

// A picture or file field names a file only when it is at least this many
// characters long: shorter texts are what older projects stored for "none"
// (" ", "(无)", "none").
inline constexpr size_t kShortestFileName = 8;

// Whether the text is long enough to name a file (counted in characters, not
// bytes, so that a short Chinese name counts as short).
bool NamesFile(const std::string& text);

// The type of a file by its name: its last `letters` characters, with ASCII
// letters upper-cased ("photo.jpg" -> "JPG"; with letters = 4, ".JPG"). ""
// when the name is shorter than that.
std::string FileTypeOf(const std::string& path, size_t letters = 3);

}  // namespace velmora
