// The player's icon, drawn procedurally so that no binary image is kept in
// the repository.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora::stubtool {

// Size of one icon image of an .ico file: a 40-byte bitmap header, the 32-bit
// colour rows and the 1-bit mask rows (each row padded to 4 bytes).
constexpr uint32_t IconImageBytes(uint32_t side) {
    return 40 + side * side * 4 + side * (((side + 31) / 32) * 4);
}

// An .ico file with 32-bit images of 48, 32 and 16 pixels, in that order, so
// that the first icon resource of the program holds the 48-pixel image
// (9,640 bytes), the largest image a custom icon may bring.
std::vector<uint8_t> MakePlayerIcon();

}  // namespace velmora::stubtool
