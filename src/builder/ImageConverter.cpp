#include "builder/ImageConverter.h"

#include <fstream>

namespace velmora {

int TgaHeaderBitDepth(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char h[18];
    if (!in.read(h, sizeof h))
        return 0;
    return static_cast<unsigned char>(h[16]);
}

}  // namespace velmora
