// Reads a slideshow package the way the player does: the settings block from
// the resource "DATA"/"ALLDATASETTINGS" of the program file, the media area
// start S = file length - TotalMediaSize, and each embedded file N at
// S + N_OffSet, N_Size bytes long, of type N_Type, with its first
// min(size, 256) bytes descrambled by a fresh package keystream.
//
// Every entry is checked against the file when the package is opened: a
// package whose media area is shorter than its settings say is refused with a
// message, never read past its end.
//
// Plain C++ with no Qt and no operating-system calls: the Windows player is
// compiled from this file (with PeResources, ByteSource, PackageKeystream and
// project/PropertyBag).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/ByteSource.h"
#include "project/PropertyBag.h"

namespace velmora {

inline constexpr const char* kSettingsResourceType = "DATA";
inline constexpr const char* kSettingsResourceName = "ALLDATASETTINGS";

struct EmbeddedEntry {
    std::string name;     // the logical setting name N
    uint64_t offset = 0;  // from the start of the media area
    uint32_t size = 0;
    std::string type;  // N_Type ("JPG", "MP3", ...)
};

class PackageReader {
  public:
    // Opens a package file (UTF-8 path). False with error() set when the
    // file is not a package this system wrote or it is damaged.
    bool Open(const std::string& path);
    // The same over any source (kept for the reader's lifetime).
    bool Open(std::unique_ptr<ByteSource> src);

    // Chinese text of the last failure.
    const std::string& error() const { return error_; }

    const PropertyBag& settings() const { return settings_; }
    const std::vector<uint8_t>& settingsBlock() const { return block_; }
    uint64_t fileLength() const { return fileLength_; }
    uint64_t mediaStart() const { return mediaStart_; }
    uint64_t totalMediaSize() const { return fileLength_ - mediaStart_; }

    // Every embedded file, in the order of its N_OffSet setting.
    const std::vector<EmbeddedEntry>& entries() const { return entries_; }
    const EmbeddedEntry* Find(const std::string& name) const;

    // The descrambled bytes of an entry, whole.
    std::optional<std::vector<uint8_t>> ReadEntry(const EmbeddedEntry& e);
    // The same in pieces of at most chunkBytes; sink returns false to stop
    // (the call then returns false).
    bool ReadEntry(const EmbeddedEntry& e, size_t chunkBytes,
                   const std::function<bool(std::span<const uint8_t>)>& sink);

  private:
    bool Fail(std::string text);

    std::unique_ptr<ByteSource> src_;
    std::string error_;
    PropertyBag settings_;
    std::vector<uint8_t> block_;
    std::vector<EmbeddedEntry> entries_;
    uint64_t fileLength_ = 0;
    uint64_t mediaStart_ = 0;
};

// Messages of the reader, for callers that report them themselves.
namespace package_text {
inline constexpr const char* kNoSettings = "文件中找不到图片幻灯的设置数据（不是图片幻灯文件）";
inline constexpr const char* kBadSettings = "图片幻灯文件的设置数据已损坏";
inline constexpr const char* kMediaShort = "图片幻灯文件不完整：媒体数据比设置中记录的短";
inline constexpr const char* kBadEntry = "图片幻灯文件的媒体数据记录有误";
}  // namespace package_text

}  // namespace velmora
