#include <gtest/gtest.h>

#include "TempDir.h"
#include "package/ResourcePack.h"

using namespace velmora;
using velmora::test::ReadBytes;
using velmora::test::TempDir;
using velmora::test::WriteBytes;

TEST(ResourcePack, WriteReadExtractRoundTrip) {
    TempDir dir;
    WriteBytes(dir / "a.png", {1, 2, 3});
    WriteBytes(dir / "empty", {});
    std::vector<uint8_t> big(100000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    WriteBytes(dir / "big.bin", big);
    std::string err;
    ASSERT_TRUE(WriteResourcePack(dir / "gmi.src",
                                  {{"Rainbow.JPG", dir / "a.png"},
                                   {"empty.txt", dir / "empty"},
                                   {"ZoretMav.exe", dir / "big.bin"}},
                                  &err))
        << err;
    ResourcePack pack;
    ASSERT_TRUE(pack.Open(dir / "gmi.src"));
    ASSERT_EQ(pack.entries().size(), 3u);
    EXPECT_EQ(pack.base(), 11u * 128u);
    EXPECT_EQ(pack.entries()[2].offset, 3u);
    ASSERT_NE(pack.Find("rainbow.jpg"), nullptr) << "names compare without case";
    EXPECT_EQ(*pack.Read("RAINBOW.jpg"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(pack.Read("empty.txt")->empty());
    EXPECT_EQ(pack.Find("missing"), nullptr);
    WriteBytes(dir / "out.bin", {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    ASSERT_TRUE(pack.ExtractPackedFile("zoretmav.EXE", dir / "out.bin"));
    EXPECT_EQ(ReadBytes(dir / "out.bin"), big) << "an existing file is replaced whole";
}

TEST(ResourcePack, BadIndexesAreRefused) {
    TempDir dir;
    WriteBytes(dir / "a", {1, 2, 3, 4});
    ASSERT_TRUE(WriteResourcePack(dir / "good", {{"a", dir / "a"}}, nullptr));
    const auto good = ReadBytes(dir / "good");
    auto record = [&](std::vector<uint8_t> b, int rec, const std::string& text) {
        size_t at = static_cast<size_t>(rec - 1) * 128;
        std::fill(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + 128), 0);
        b[at] = static_cast<uint8_t>(text.size());
        std::copy(text.begin(), text.end(), b.begin() + static_cast<long>(at + 2));
        return b;
    };
    auto lengthTooLong = good;
    lengthTooLong[0] = 200;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"count of a billion", record(good, 2, "1000000000")},
        {"count not a number", record(good, 2, "x")},
        {"negative count", record(good, 2, "-1")},
        {"entry past the end", record(good, 4, "5")},
        {"size past the end", record(good, 5, "99")},
        {"base past the end", record(good, 1, "999999")},
        {"record length past its slot", lengthTooLong},
        {"index cut short", std::vector<uint8_t>(good.begin(), good.begin() + 300)},
    };
    for (const auto& c : cases) {
        WriteBytes(dir / "bad", c.bytes);
        ResourcePack pack;
        EXPECT_FALSE(pack.Open(dir / "bad")) << c.what;
        EXPECT_TRUE(pack.entries().empty()) << c.what;
    }
    // Blanks around the numbers are allowed.
    WriteBytes(dir / "blanks", record(record(good, 2, " 1 "), 1, "  640"));
    ResourcePack pack;
    EXPECT_TRUE(pack.Open(dir / "blanks"));
}
