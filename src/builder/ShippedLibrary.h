// The CRC-32 of the Direct3D support library d3dx9_42.dll built with this
// program, in FileCrc32Hex form; empty when the build made none (no cross
// compiler), so the library check refuses every file. Target
// velmora_builder_shipped (it waits for the Windows player build).
#pragma once

#include <string>

namespace velmora {

std::string ShippedLibraryCrc();

}  // namespace velmora
