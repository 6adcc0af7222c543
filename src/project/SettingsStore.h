// The settings store: the one key/typed-value store through which the
// program persists everything (project files, Mirb.ini, the autosave file)
// and the settings block of a slideshow package.
//
// A settings file is one typed byte record and nothing else:
//   u16 0x2011 (array of bytes), u16 1 (dimensions), u32 N (element count),
//   u32 0 (lower bound), then the N bytes of the PropertyBag Contents block.
// All little-endian.
//
// Threading: one store per process, used from the user-interface thread only
// (the command line uses its own instance the same way).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "project/PropertyBag.h"

namespace velmora {

struct EmbeddedFile {
    std::string path;
    uint32_t size = 0;
};

class SettingsStore {
  public:
    static constexpr uint16_t kRecordTag = 0x2011;
    static constexpr size_t kRecordHeader = 12;

    void WriteSetting(const std::string& name, Value value) {
        bag_.WriteProperty(name, std::move(value));
    }
    void WriteSetting(const std::string& name, const char* text) {
        WriteSetting(name, Value::Text(text));
    }
    void WriteSetting(const std::string& name, const std::string& text) {
        WriteSetting(name, Value::Text(text));
    }

    // Registers a file for the package media area: stores name_OffSet (the
    // running media offset before it), name_Size and name_Type (last three
    // characters of the path, upper case) and advances the offset. False when
    // the file's size cannot be taken or the media area would pass 4 GiB;
    // nothing is stored then.
    bool WriteEmbeddedFile(const std::string& name, const std::string& path);

    // The stored value, or an empty text when the name is absent.
    Value ReadSetting(const std::string& name) const;
    bool Has(const std::string& name) const { return bag_.ReadProperty(name).has_value(); }

    // Writes the store to path crash-safely and empties it. The Project/
    // folder beside the program (see SetProjectFolder) is created first.
    // False when the file could not be written; the store is emptied either
    // way, as the writer's calling order expects.
    bool SaveSettingsFile(const std::string& path);
    // Loads a settings file into the store, replacing what it held. False,
    // with the store unchanged, for anything that is not such a file.
    bool LoadSettingsFile(const std::string& path);

    // The record bytes of a settings file for the store's contents, and the
    // parse of such bytes (the same rules as LoadSettingsFile).
    std::vector<uint8_t> FileBytes() const;
    bool LoadFromBytes(std::span<const uint8_t> fileBytes);

    std::vector<uint8_t> Contents() const { return bag_.Contents(); }
    const PropertyBag& bag() const { return bag_; }
    void Clear() { bag_ = PropertyBag(); }

    // Embedded file list, reset by the builder at the start of every build.
    void ResetEmbeddedFiles() {
        embedded_.clear();
        mediaOffset_ = 0;
    }
    const std::vector<EmbeddedFile>& embeddedFiles() const { return embedded_; }
    uint32_t mediaOffset() const { return mediaOffset_; }

    // The folder "Project/" that every save makes sure exists (empty: none).
    void SetProjectFolder(std::string folder) { projectFolder_ = std::move(folder); }

    // Largest settings file the loader accepts (a guard against reading a
    // multi-gigabyte file whole).
    static constexpr uint64_t kMaxFileSize = 256ull << 20;

  private:
    PropertyBag bag_;
    std::vector<EmbeddedFile> embedded_;
    uint32_t mediaOffset_ = 0;
    std::string projectFolder_;
};

// "ImgNames(" + 3 + ")" -> "ImgNames(3)". The prefix ends with '('.
std::string ItemKey(const std::string& prefixWithParen, int index);

}  // namespace velmora
