#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "TempDir.h"
#include "base/ByteReader.h"
#include "project/SettingsStore.h"

using namespace velmora;
using velmora::test::ReadBytes;
using velmora::test::TempDir;
using velmora::test::WriteBytes;

namespace {

float FloatFromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

}  // namespace

TEST(SettingsStore, EveryValueTypeRoundTripsThroughAFile) {
    TempDir dir;
    const std::vector<std::pair<std::string, Value>> values = {
        {"Empty", Value::Text("")},
        {"Ascii", Value::Text("hello\tworld\n")},
        {"CJK", Value::Text("我的图片幻灯 — 测试𠀀")},
        {"LongMin", Value::Long(INT32_MIN)},
        {"LongMax", Value::Long(INT32_MAX)},
        {"LongZero", Value::Long(0)},
        {"IntMin", Value::Integer(INT16_MIN)},
        {"IntMax", Value::Integer(INT16_MAX)},
        {"SingleEight", Value::Single(8.0f)},
        {"SingleNegZero", Value::Single(-0.0f)},
        {"SingleDenormal", Value::Single(FloatFromBits(0x00000001))},
        {"SingleInf", Value::Single(std::numeric_limits<float>::infinity())},
        {"SingleNaN", Value::Single(FloatFromBits(0x7FC00123))},
        {"True", Value::Boolean(true)},
        {"False", Value::Boolean(false)},
        {"键名(12)", Value::Text("CJK name")},
    };
    SettingsStore s;
    for (const auto& [k, v] : values)
        s.WriteSetting(k, v);
    ASSERT_TRUE(s.SaveSettingsFile(dir / "a.aps"));
    EXPECT_TRUE(s.bag().empty()) << "a save empties the store";

    SettingsStore r;
    ASSERT_TRUE(r.LoadSettingsFile(dir / "a.aps"));
    ASSERT_EQ(r.bag().size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(r.bag().entries()[i].first, values[i].first) << "stored order kept";
        EXPECT_TRUE(r.ReadSetting(values[i].first) == values[i].second) << values[i].first;
    }
    EXPECT_TRUE(r.ReadSetting("Absent").IsEmptyText());
}

TEST(SettingsStore, FileIsTheTypedByteRecordAndNothingElse) {
    TempDir dir;
    SettingsStore s;
    s.WriteSetting("A", Value::Long(5));
    std::vector<uint8_t> contents = s.Contents();
    ASSERT_TRUE(s.SaveSettingsFile(dir / "x"));
    auto bytes = ReadBytes(dir / "x");
    ASSERT_EQ(bytes.size(), 12 + contents.size());
    ByteReader r(bytes);
    EXPECT_EQ(r.U16(), 0x2011);
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U32(), contents.size());
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_TRUE(std::equal(contents.begin(), contents.end(), bytes.begin() + 12));
}

TEST(SettingsStore, SaveReplacesOldFileCompletelyAndSecondSaveIsEmpty) {
    TempDir dir;
    SettingsStore s;
    for (int i = 0; i < 100; ++i)
        s.WriteSetting("Key" + std::to_string(i), Value::Text(std::string(50, 'x')));
    ASSERT_TRUE(s.SaveSettingsFile(dir / "p.aps"));
    auto longSize = ReadBytes(dir / "p.aps").size();
    s.WriteSetting("Only", Value::Boolean(true));
    ASSERT_TRUE(s.SaveSettingsFile(dir / "p.aps"));
    auto shortBytes = ReadBytes(dir / "p.aps");
    EXPECT_LT(shortBytes.size(), longSize);
    SettingsStore r;
    ASSERT_TRUE(r.LoadSettingsFile(dir / "p.aps"));
    EXPECT_EQ(r.bag().size(), 1u);

    // No writes since the last save: an empty contents block.
    ASSERT_TRUE(s.SaveSettingsFile(dir / "p.aps"));
    ASSERT_TRUE(r.LoadSettingsFile(dir / "p.aps"));
    EXPECT_TRUE(r.bag().empty());
    // No temporary file stays beside the target.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(SettingsStore, FailedSaveKeepsTheOldFile) {
    TempDir dir;
    SettingsStore s;
    s.WriteSetting("Keep", Value::Long(1));
    ASSERT_TRUE(s.SaveSettingsFile(dir / "p.aps"));
    auto before = ReadBytes(dir / "p.aps");
    // The folder becomes read-only: the new file cannot be created beside
    // the target, and the old one must survive untouched.
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    s.WriteSetting("New", Value::Long(2));
    bool saved = s.SaveSettingsFile(dir / "p.aps");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    if (::geteuid() != 0) {
        EXPECT_FALSE(saved);
    }
    if (!saved) {
        EXPECT_EQ(ReadBytes(dir / "p.aps"), before);
    }
}

TEST(SettingsStore, SaveCreatesTheProjectFolder) {
    TempDir dir;
    SettingsStore s;
    s.SetProjectFolder(dir / "Project");
    s.WriteSetting("A", Value::Long(1));
    ASSERT_TRUE(s.SaveSettingsFile(dir / "elsewhere.aps"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Project"));
}

TEST(SettingsStore, EmbeddedFilesGetRunningOffsetsSizesAndTypes) {
    TempDir dir;
    WriteBytes(dir / "a.jpg", std::vector<uint8_t>(10, 1));
    WriteBytes(dir / "b.jpeg", std::vector<uint8_t>(20, 2));
    WriteBytes(dir / "c.Mp3", std::vector<uint8_t>(5, 3));
    SettingsStore s;
    ASSERT_TRUE(s.WriteEmbeddedFile("Img1", dir / "a.jpg"));
    ASSERT_TRUE(s.WriteEmbeddedFile("Img2", dir / "b.jpeg"));
    ASSERT_TRUE(s.WriteEmbeddedFile("Song1", dir / "c.Mp3"));
    EXPECT_FALSE(s.WriteEmbeddedFile("Gone", dir / "missing.png"));
    EXPECT_EQ(s.mediaOffset(), 35u);
    ASSERT_EQ(s.embeddedFiles().size(), 3u);
    struct Row {
        const char* name;
        int32_t offset, size;
        const char* type;
    };
    for (const Row& row :
         {Row{"Img1", 0, 10, "JPG"}, Row{"Img2", 10, 20, "PEG"}, Row{"Song1", 30, 5, "MP3"}}) {
        std::string n = row.name;
        EXPECT_EQ(s.ReadSetting(n + "_OffSet").long_(), row.offset) << n;
        EXPECT_EQ(s.ReadSetting(n + "_Size").long_(), row.size) << n;
        EXPECT_EQ(s.ReadSetting(n + "_Type").text(), row.type) << n;
    }
    EXPECT_FALSE(s.Has("Gone_OffSet"));
}

TEST(SettingsStore, CorruptFilesAreRefusedAndLeaveTheStoreAsItWas) {
    SettingsStore good;
    good.WriteSetting("Name", Value::Text("abc"));
    good.WriteSetting("Flag", Value::Boolean(true));
    const std::vector<uint8_t> valid = good.FileBytes();
    ASSERT_TRUE(SettingsStore().LoadFromBytes(valid));

    auto with = [&](size_t at, uint8_t v) {
        auto b = valid;
        b[at] = v;
        return b;
    };
    auto truncated = [&](size_t n) {
        return std::vector<uint8_t>(valid.begin(), valid.begin() + static_cast<long>(n));
    };
    auto appended = valid;
    appended.push_back(0);
    // Entry count claims 2 billion entries in a tiny block.
    auto hugeCount = valid;
    hugeCount[12 + 8] = 0x00;
    hugeCount[12 + 9] = 0x94;
    hugeCount[12 + 10] = 0x35;
    hugeCount[12 + 11] = 0x77;
    // First name length past the block.
    auto longName = with(12 + 12, 0xFF);
    longName[12 + 13] = 0xFF;
    // The text length of "Name" points past the block (name at 12+14.., type at +18, len at +19).
    auto longText = with(12 + 12 + 2 + 4 + 1 + 3, 0x7F);
    const std::vector<uint8_t> empty;

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty file", empty},
        {"only part of the header", truncated(7)},
        {"header only", truncated(12)},
        {"wrong tag", with(0, 0x12)},
        {"two dimensions", with(2, 2)},
        {"lower bound 1", with(8, 1)},
        {"N past the end", with(4, static_cast<uint8_t>(valid[4] + 1))},
        {"N short of the end (bytes after the record)",
         with(4, static_cast<uint8_t>(valid[4] - 1))},
        {"byte after the record", appended},
        {"bad magic", with(12, 'X')},
        {"unknown layout version", with(16, 2)},
        {"entry count too large", hugeCount},
        {"name length past the block", longName},
        {"text length past the block", longText},
        {"unknown type", with(12 + 12 + 2 + 4, 9)},
        {"contents cut in the middle", truncated(valid.size() - 3)},
    };
    for (const auto& c : cases) {
        SettingsStore s;
        s.WriteSetting("Before", Value::Long(42));
        EXPECT_FALSE(s.LoadFromBytes(c.bytes)) << c.what;
        ASSERT_EQ(s.bag().size(), 1u) << c.what;
        EXPECT_EQ(s.ReadSetting("Before").long_(), 42) << c.what;
    }
}

TEST(SettingsStore, MissingFileIsRefused) {
    TempDir dir;
    SettingsStore s;
    s.WriteSetting("Before", Value::Long(1));
    EXPECT_FALSE(s.LoadSettingsFile(dir / "none.aps"));
    EXPECT_FALSE(s.LoadSettingsFile(dir.path()));  // a folder
    EXPECT_EQ(s.bag().size(), 1u);
}

TEST(SettingsStore, ConversionsAsReadersUseThem) {
    EXPECT_EQ(Value::Text(" 12 ").ToLong(), 12);
    EXPECT_EQ(Value::Text("2.5").ToLong(), 2);  // halves to even
    EXPECT_EQ(Value::Text("3.5").ToLong(), 4);
    EXPECT_EQ(Value::Text("True").ToBool(), true);
    EXPECT_EQ(Value::Text("0").ToBool(), false);
    EXPECT_EQ(Value::Text("").ToBool(), std::nullopt);
    EXPECT_EQ(Value::Text("abc").ToLong(), std::nullopt);
    EXPECT_EQ(Value::Text("99999999999").ToLong(), std::nullopt);
    EXPECT_EQ(Value::Boolean(true).ToLong(), -1);
    EXPECT_EQ(Value::Long(70000).ToInteger(), std::nullopt);
    EXPECT_EQ(Value::Single(12.0f).ToText(), "12");
    EXPECT_EQ(Value::Long(-5).ToText(), "-5");
    EXPECT_EQ(ItemKey("ImgCaption(", 7), "ImgCaption(7)");
}
