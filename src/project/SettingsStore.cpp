#include "project/SettingsStore.h"

#include <filesystem>

#include "base/ByteReader.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "base/TextCodec.h"
#include "project/SettingsKeys.h"

namespace velmora {

bool SettingsStore::WriteEmbeddedFile(const std::string& name, const std::string& path) {
    auto size = FileSize(path);
    if (!size || *size > UINT32_MAX || *size + mediaOffset_ > UINT32_MAX)
        return false;
    embedded_.push_back({path, static_cast<uint32_t>(*size)});
    WriteSetting(name + std::string(kEmbeddedOffsetSuffix),
                 Value::Long(static_cast<int32_t>(mediaOffset_)));
    WriteSetting(name + std::string(kEmbeddedSizeSuffix), Value::Long(static_cast<int32_t>(*size)));
    WriteSetting(name + std::string(kEmbeddedTypeSuffix), Value::Text(FileTypeOf(path)));
    mediaOffset_ += static_cast<uint32_t>(*size);
    return true;
}

Value SettingsStore::ReadSetting(const std::string& name) const {
    auto v = bag_.ReadProperty(name);
    return v ? *v : Value::Text("");
}

std::vector<uint8_t> SettingsStore::FileBytes() const {
    std::vector<uint8_t> contents = bag_.Contents();
    std::vector<uint8_t> out;
    out.reserve(kRecordHeader + contents.size());
    PutU16(out, kRecordTag);
    PutU16(out, 1);
    PutU32(out, static_cast<uint32_t>(contents.size()));
    PutU32(out, 0);
    PutBytes(out, contents);
    return out;
}

bool SettingsStore::SaveSettingsFile(const std::string& path) {
    if (!projectFolder_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(projectFolder_, ec);
    }
    std::vector<uint8_t> bytes = FileBytes();
    // The new file is written beside the target and renamed over it, so the
    // old project survives a crash or a full disk during the save.
    bool ok = WriteFileAtomically(path, bytes);
    Clear();
    return ok;
}

bool SettingsStore::LoadFromBytes(std::span<const uint8_t> fileBytes) {
    ByteReader r(fileBytes);
    uint16_t tag = r.U16();
    uint16_t dims = r.U16();
    uint32_t n = r.U32();
    uint32_t lower = r.U32();
    if (!r.ok() || tag != kRecordTag || dims != 1 || lower != 0)
        return false;
    if (n != r.remaining())
        return false;  // past the end, or bytes after the record
    PropertyBag bag;
    if (!bag.SetContents(r.Bytes(n)))
        return false;
    bag_ = std::move(bag);
    return true;
}

bool SettingsStore::LoadSettingsFile(const std::string& path) {
    auto bytes = ReadWholeFile(path, kMaxFileSize);
    if (!bytes)
        return false;
    return LoadFromBytes(*bytes);
}

std::string ItemKey(const std::string& prefixWithParen, int index) {
    return prefixWithParen + std::to_string(index) + ")";
}

}  // namespace velmora
