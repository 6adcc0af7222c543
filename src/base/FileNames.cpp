#include "base/FileNames.h"

#include "base/TextCodec.h"

namespace velmora {

bool NamesFile(const std::string& text) {
    return CodePointCount(text) >= kShortestFileName;
}

std::string FileTypeOf(const std::string& path, size_t letters) {
    if (CodePointCount(path) < letters)
        return {};
    return AsciiUpper(LastCodePoints(path, letters));
}

}  // namespace velmora
