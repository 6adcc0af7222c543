#include <gtest/gtest.h>

#include "BuilderTestSupport.h"
#include "builder/PackageFiles.h"
#include "package/PackageKeystream.h"

namespace velmora {
namespace {

TEST(PackageKeystream, FirstBytesFollowTheGenerator) {
    // Worked out by hand from the seed -615424 (bits 0xC9164000).
    PackageKeystream ks;
    const uint8_t want[] = {149, 187, 253, 141, 138, 126, 13, 140};
    for (uint8_t w : want)
        EXPECT_EQ(ks.Next(), w);
}

TEST(PackageKeystream, RegionsScrambleOnlyTheirHeadAndRestoreWhenAppliedTwice) {
    struct Case {
        size_t length, limit;
    };
    const Case cases[] = {{0, 256},    {1, 256},     {100, 256},   {256, 256},
                          {1000, 256}, {4999, 5000}, {5000, 5000}, {12000, 5000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        auto original = test::SomeBytes(c.length, 9);
        auto data = original;
        ScrambleHead(data, c.limit);
        size_t head = std::min(c.length, c.limit);
        PackageKeystream ks;
        for (size_t i = 0; i < c.length; ++i) {
            if (i < head)
                ASSERT_EQ(data[i], original[i] ^ ks.Next());
            else
                ASSERT_EQ(data[i], original[i]);
        }
        ScrambleHead(data, c.limit);
        EXPECT_EQ(data, original);
    }
}

TEST(PackageKeystream, ScramblingInPiecesEqualsOneCall) {
    auto original = test::SomeBytes(700, 3);
    auto whole = original;
    ScrambleBufferHead(whole);
    for (size_t piece : {1u, 7u, 100u, 255u, 256u, 300u}) {
        auto data = original;
        for (size_t at = 0; at < data.size(); at += piece) {
            size_t n = std::min(piece, data.size() - at);
            ScrambleAt(std::span<uint8_t>(data.data() + at, n), at, kMediaScrambleBytes);
        }
        EXPECT_EQ(data, whole) << piece;
    }
}

TEST(FileCrc32Hex, UpperCaseWithoutLeadingZerosEmptyForMissingOrEmpty) {
    test::ScratchDir dir;
    test::WriteBytes(dir / "check", {'1', '2', '3', '4', '5', '6', '7', '8', '9'});
    EXPECT_EQ(FileCrc32Hex(dir / "check"), "CBF43926");
    test::WriteBytes(dir / "empty", {});
    EXPECT_EQ(FileCrc32Hex(dir / "empty"), "");
    EXPECT_EQ(FileCrc32Hex(dir / "missing"), "");
    EXPECT_EQ(CrcHexNoLeadingZeros(0x00ABCDEF), "ABCDEF");
    EXPECT_EQ(CrcHexNoLeadingZeros(0), "0");
}

TEST(ScrambleFileHead, ScramblesFirst5000BytesInPlace) {
    test::ScratchDir dir;
    for (size_t n : {10u, 5000u, 9000u}) {
        auto original = test::SomeBytes(n, 5);
        test::WriteBytes(dir / "f", original);
        ASSERT_TRUE(ScrambleFileHead(dir / "f"));
        auto want = original;
        ScrambleHead(want, kStubScrambleBytes);
        EXPECT_EQ(test::ReadBytes(dir / "f"), want);
        ASSERT_TRUE(ScrambleFileHead(dir / "f"));
        EXPECT_EQ(test::ReadBytes(dir / "f"), original);
    }
    EXPECT_FALSE(ScrambleFileHead(dir / "missing"));
}

}  // namespace
}  // namespace velmora
