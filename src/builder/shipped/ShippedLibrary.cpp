#include "builder/ShippedLibrary.h"

#include "player/SupportLibrary.h"

namespace velmora {

std::string ShippedLibraryCrc() {
    return kSupportLibraryCrc32Hex;
}

}  // namespace velmora
