#include "player/windows/PlayerPackage.h"

#include <memory>

#include "player/windows/Win32Files.h"

namespace velmora::player {

bool PlayerPackage::Open(const std::wstring& path) {
    openError_.clear();
    auto src = std::make_unique<Win32FileSource>();
    if (!src->Open(path)) {
        openError_ = "无法打开文件：" + Narrow(path);
        return false;
    }
    return reader_.Open(std::move(src));
}

std::optional<std::vector<uint8_t>> PlayerPackage::FileBytes(const std::string& name,
                                                             uint64_t maxBytes) {
    if (const EmbeddedEntry* e = reader_.Find(name)) {
        if (e->size > maxBytes)
            return std::nullopt;
        return reader_.ReadEntry(*e);
    }
    auto v = reader_.settings().ReadProperty(name);
    if (!v || v->type() != ValueType::String || v->text().empty())
        return std::nullopt;
    return ReadWholeFileW(Widen(v->text()), maxBytes);
}

}  // namespace velmora::player
