// The package the player runs from: its own program file, read by the shared
// package reader (settings block from the resource "DATA"/"ALLDATASETTINGS",
// media area at file length - TotalMediaSize, each embedded file
// descrambled), plus the rule for files that are not embedded: the setting
// itself is then a path on disk (local playback and preview packages).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/PackageReader.h"

namespace velmora::player {

class PlayerPackage {
  public:
    // Opens the package file at path. False with error() set (Chinese text)
    // when it is not a package or is damaged.
    bool Open(const std::wstring& path);

    const std::string& error() const { return openError_.empty() ? reader_.error() : openError_; }
    const PackageReader& reader() const { return reader_; }
    PackageReader& reader() { return reader_; }
    const PropertyBag& settings() const { return reader_.settings(); }

    // The bytes of the file a setting names: the embedded file N when
    // N_OffSet is present, else the file whose path the setting N holds.
    // nullopt when neither gives a readable file (or it is larger than
    // maxBytes).
    std::optional<std::vector<uint8_t>> FileBytes(const std::string& name,
                                                  uint64_t maxBytes = kMaxFileBytes);

    // Largest single file the player loads into memory.
    static constexpr uint64_t kMaxFileBytes = 512ull << 20;

  private:
    PackageReader reader_;
    std::string openError_;
};

}  // namespace velmora::player
