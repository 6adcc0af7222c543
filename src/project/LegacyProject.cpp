#include "project/LegacyProject.h"

#include <cmath>
#include <limits>
#include <optional>
#include <unordered_set>

#include "base/FileUtil.h"
#include "base/TextCodec.h"
#include "base/TextNumber.h"

namespace velmora {

namespace {

struct ReadFailure {
    std::string why;
};

class RecordFile {
  public:
    explicit RecordFile(std::span<const uint8_t> bytes) : b_(bytes) {}

    // Number of records the file reaches into (the last may be short).
    uint64_t recordCount() const {
        return (b_.size() + kLegacyRecordLength - 1) / kLegacyRecordLength;
    }

    std::string Text(uint64_t n) const {
        if (n == 0)
            throw ReadFailure{"record number 0"};
        uint64_t at = (n - 1) * kLegacyRecordLength;
        if (at >= b_.size())
            return {};
        if (at + 2 > b_.size())
            throw ReadFailure{"record " + std::to_string(n) + " is cut off"};
        size_t len = static_cast<size_t>(b_[at] | b_[at + 1] << 8);
        if (len > kLegacyRecordLength - 2 || at + 2 + len > b_.size())
            throw ReadFailure{"record " + std::to_string(n) + " has a bad length"};
        return DecodeSystemText(b_.subspan(static_cast<size_t>(at) + 2, len));
    }

  private:
    std::span<const uint8_t> b_;
};

// A decimal 32-bit integer; nullopt for empty text. Anything else that is
// not such a number ends the read.
std::optional<int32_t> Decimal(const std::string& text, uint64_t record) {
    if (Trim(text).empty())
        return std::nullopt;
    auto v = ParseInteger<int32_t>(text);
    if (!v)
        throw ReadFailure{"record " + std::to_string(record) + " is not a number"};
    return v;
}

int32_t RequiredDecimal(const RecordFile& f, uint64_t record) {
    auto v = Decimal(f.Text(record), record);
    if (!v)
        throw ReadFailure{"record " + std::to_string(record) + " is empty"};
    return *v;
}

std::string ImagePath(const std::string& text) {
    return text == " " ? std::string() : text;
}

void Read(const RecordFile& f, Project& p, const ProjectEnvironment& env) {
    // Flags.
    std::string flags = f.Text(4);
    auto flag = [&](size_t pos) { return flags.size() >= pos && flags[pos - 1] == '1'; };
    p.PlayPhotoInRamdomOrder = flag(1);
    p.IgnoreMouseMove = flag(2);
    p.ShowCursor = flag(3);
    p.MuteSound = flag(4);
    p.EnableTransition = flag(7);
    p.EnableHeadlineEffect = flag(8);
    bool* later[] = {&p.FilenameAsCaption, &p.IsPackage, &p.EnableCaption, &p.EnableExport};
    for (size_t k = 0; k < 4; ++k)
        if (flags.size() >= 17 + k)
            *later[k] = flag(17 + k);

    // The interval box takes the text; the project keeps it when it is a
    // number.
    if (auto v = ParseNumber(f.Text(5)); v && std::fabs(*v) <= std::numeric_limits<float>::max())
        p.TimeInterval = static_cast<float>(*v);
    p.SolidColor = RequiredDecimal(f, 6);
    p.BeginColor = RequiredDecimal(f, 7);
    p.EndColor = RequiredDecimal(f, 8);
    p.BackGroundPicture = ImagePath(f.Text(9));
    int32_t photoCount = RequiredDecimal(f, 11);
    int32_t songCount = RequiredDecimal(f, 12);
    int32_t base = RequiredDecimal(f, 21);
    std::string set(Trim(f.Text(30)));
    if (set == "1" || set == "2" || set == "3")
        p.BackGroundSet = set;
    for (int i = 0; i < 4; ++i)
        p.TxtSetting[static_cast<size_t>(i)] = f.Text(static_cast<uint64_t>(32 + i));
    p.TxtSetting[5] = f.Text(36);
    p.LogoImage = ImagePath(f.Text(44));
    p.ExportPassword = f.Text(48);

    // Every list record must lie in the file before anything is sized from
    // the counts.
    if (photoCount < 0 || songCount < 0 || base < 0)
        throw ReadFailure{"negative count"};
    const uint64_t P = static_cast<uint64_t>(photoCount), S = static_cast<uint64_t>(songCount),
                   K = static_cast<uint64_t>(base);
    const uint64_t lastRecord = 50 + K + S + (P > 0 ? 6 * P : 0);
    if ((P > 0 || S > 0) && lastRecord > f.recordCount())
        throw ReadFailure{"the counts name records past the end of the file"};

    p.songs.clear();
    p.lyricFiles.clear();
    for (uint64_t j = 1; j <= S; ++j) {
        std::string song = f.Text(50 + K + j);
        if (!song.empty())
            p.songs.push_back(std::move(song));
    }
    p.photos.clear();
    std::unordered_set<std::string> seen;
    const uint64_t first = 50 + K + S;
    for (uint64_t i = 1; i <= P; ++i) {
        std::string name = f.Text(first + i);
        PhotoEntry e = NewPhotoEntry(name, p, env);
        e.ImgPosX = Decimal(f.Text(first + P + i), first + P + i).value_or(0);
        e.ImgPosY = Decimal(f.Text(first + 2 * P + i), first + 2 * P + i).value_or(0);
        e.Caption = f.Text(first + 3 * P + i);
        if (auto x = Decimal(f.Text(first + 4 * P + i), first + 4 * P + i))
            e.CapPos.X = *x;
        if (auto y = Decimal(f.Text(first + 5 * P + i), first + 5 * P + i))
            e.CapPos.Y = *y;
        if (name.empty() || !seen.insert(name).second)
            continue;
        p.photos.push_back(std::move(e));
    }
}

}  // namespace

bool ReadLegacyProjectBytes(std::span<const uint8_t> bytes, Project& project,
                            const ProjectEnvironment& env, std::string* error) {
    Project p = project;
    try {
        Read(RecordFile(bytes), p, env);
    } catch (const ReadFailure& f) {
        if (error)
            *error = f.why;
        return false;
    }
    project = std::move(p);
    return true;
}

bool ReadLegacyProject(const std::string& path, Project& p, const ProjectEnvironment& env,
                       std::string* error) {
    auto bytes = ReadWholeFile(path, kMaxLegacyFileSize);
    if (!bytes) {
        if (error)
            *error = "cannot read the file (missing, unreadable or too large)";
        return false;
    }
    return ReadLegacyProjectBytes(*bytes, p, env, error);
}

}  // namespace velmora
