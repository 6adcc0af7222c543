#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "BuilderTestSupport.h"
#include "package/PackageReader.h"
#include "package/PeResources.h"

namespace velmora {
namespace {

const ResourceId kData = ResourceId::Named("DATA");
const ResourceId kAll = ResourceId::Named("ALLDATASETTINGS");

struct Fixture {
    const char* label;
    std::string path;
    bool rsrcLast;
};

std::vector<Fixture> Fixtures() {
    return {{"reloc after rsrc", test::FixtureStubReloc(), false},
            {"rsrc last", test::FixtureStubLast(), true}};
}

PeImage ParseOk(const std::vector<uint8_t>& bytes) {
    SpanSource src(bytes);
    PeImage pe;
    EXPECT_EQ(pe.Parse(src), PeError::None);
    return pe;
}

TEST(PeResources, ReadsTheFixtureTree) {
    for (const auto& f : Fixtures()) {
        SCOPED_TRACE(f.label);
        auto bytes = test::ReadBytes(f.path);
        PeImage pe = ParseOk(bytes);
        EXPECT_EQ(pe.CountOfType(ResourceId::Ordinal(kRtIcon)), 2u);
        EXPECT_EQ(pe.CountOfType(ResourceId::Ordinal(kRtGroupIcon)), 1u);
        const ResourceEntry* first = pe.Find(ResourceId::Ordinal(kRtIcon), ResourceId::Ordinal(1));
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->size, 9640u);
        EXPECT_GE(first->fileOffset, 309u);
        EXPECT_EQ(pe.imageEnd(), bytes.size());
        EXPECT_EQ(pe.sections().back().name, f.rsrcLast ? ".rsrc" : ".reloc");
    }
}

TEST(PeResources, AddThenReplaceKeepsEveryOtherResource) {
    test::ScratchDir dir;
    for (const auto& f : Fixtures()) {
        SCOPED_TRACE(f.label);
        auto original = test::ReadBytes(f.path);
        PeImage before = ParseOk(original);
        SpanSource osrc(original);

        std::vector<std::vector<uint8_t>> blocks = {
            test::SomeBytes(1234, 1), test::SomeBytes(77, 2), test::SomeBytes(50000, 3)};
        std::vector<uint8_t> current = original;
        for (size_t round = 0; round < blocks.size(); ++round) {
            SCOPED_TRACE(round);
            SpanSource src(current);
            PeImage pe;
            ASSERT_EQ(pe.Parse(src), PeError::None);
            pe.SetResource(kData, kAll, 0, blocks[round]);
            PeError err;
            auto out = pe.Write(current, &err);
            ASSERT_TRUE(out) << PeErrorText(err);

            // In place when .rsrc was last; otherwise one new section, once.
            PeImage after = ParseOk(*out);
            size_t wantSections = before.sections().size() + (f.rsrcLast ? 0 : 1);
            EXPECT_EQ(after.sections().size(), wantSections);
            EXPECT_EQ(after.imageEnd(), out->size());
            EXPECT_EQ(after.resources().size(), before.resources().size() + 1);
            SpanSource asrc(*out);
            for (const auto& e : before.resources()) {
                const ResourceEntry* a = after.Find(e.type, e.name, e.language);
                ASSERT_NE(a, nullptr) << e.type.ToString() << "/" << e.name.ToString();
                EXPECT_EQ(after.ReadData(*a, asrc), before.ReadData(e, osrc));
            }
            const ResourceEntry* d = after.Find(kData, kAll, 0);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(after.ReadData(*d, asrc), blocks[round]);

            std::string file = dir / (std::string("out") + std::to_string(round) + ".exe");
            test::WriteBytes(file, *out);
            EXPECT_EQ(test::PefileProblems(file, &blocks[round]), "");
            EXPECT_TRUE(test::WrestoolListsIcons(file));
            current = *out;
        }
    }
}

TEST(PeResources, UpdateFileResourceWritesTheFile) {
    test::ScratchDir dir;
    auto bytes = test::ReadBytes(test::FixtureStubReloc());
    test::WriteBytes(dir / "a.exe", bytes);
    std::vector<uint8_t> block = {1, 2, 3, 4, 5};
    ASSERT_EQ(UpdateFileResource(dir / "a.exe", kData, kAll, 0, block), PeError::None);
    EXPECT_EQ(test::PefileProblems(dir / "a.exe", &block), "");
    EXPECT_EQ(UpdateFileResource(dir / "missing.exe", kData, kAll, 0, block), PeError::CannotOpen);
    test::WriteBytes(dir / "text.exe", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(UpdateFileResource(dir / "text.exe", kData, kAll, 0, block), PeError::NotPe);
}

// Offsets of the fixture's structures, for the corruption cases.
struct Layout {
    uint32_t peOffset, rsrcFileOffset;
};

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void PutU32At(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

Layout LayoutOf(const std::vector<uint8_t>& b) {
    Layout l{};
    l.peOffset = U32At(b, 0x3C);
    uint32_t oh = l.peOffset + 24;
    uint32_t rva = U32At(b, oh + 96 + 16);
    uint16_t nsec;
    std::memcpy(&nsec, b.data() + l.peOffset + 6, 2);
    uint16_t ohSize;
    std::memcpy(&ohSize, b.data() + l.peOffset + 20, 2);
    for (uint32_t i = 0; i < nsec; ++i) {
        size_t s = oh + ohSize + 40 * i;
        uint32_t va = U32At(b, s + 12), raw = U32At(b, s + 20);
        if (va == rva)
            l.rsrcFileOffset = raw;
    }
    return l;
}

TEST(PeResources, BadInputGivesAnErrorNeverACrash) {
    auto good = test::ReadBytes(test::FixtureStubReloc());
    Layout l = LayoutOf(good);
    ASSERT_NE(l.rsrcFileOffset, 0u);
    uint32_t root = l.rsrcFileOffset;
    // The root's first entry leads to the first type directory; its first
    // entry to a name directory; its first entry to a data entry.
    uint32_t typeDir = root + (U32At(good, root + 16 + 4) & 0x7FFFFFFF);
    uint32_t nameDir = root + (U32At(good, typeDir + 16 + 4) & 0x7FFFFFFF);
    uint32_t dataEntry = root + U32At(good, nameDir + 16 + 4);

    struct Case {
        const char* label;
        std::function<void(std::vector<uint8_t>&)> damage;
        PeError want;
    };
    const Case cases[] = {
        {"not a program", [](auto& b) { b.assign(200, 'x'); }, PeError::NotPe},
        {"empty", [](auto& b) { b.clear(); }, PeError::NotPe},
        {"PE offset past the end", [](auto& b) { PutU32At(b, 0x3C, 0x7FFFFFF0); }, PeError::NotPe},
        {"cut inside the headers", [&](auto& b) { b.resize(l.peOffset + 60); }, PeError::Truncated},
        {"cut inside the sections", [](auto& b) { b.resize(b.size() - 700); }, PeError::Truncated},
        {"section range past 4 GiB",
         [&](auto& b) {
             uint16_t ohSize;
             std::memcpy(&ohSize, b.data() + l.peOffset + 20, 2);
             PutU32At(b, l.peOffset + 24 + ohSize + 8, 0xFFFFFFFFu);  // first VirtualSize
         },
         PeError::BadSections},
        {"64-bit magic", [&](auto& b) { b[l.peOffset + 24] = 0x0B, b[l.peOffset + 25] = 0x02; },
         PeError::NotPe32},
        {"name directory points back at the root",
         [&](auto& b) { PutU32At(b, typeDir + 16 + 4, 0x80000000u); }, PeError::BadResources},
        {"type directory entry points at its own directory",
         [&](auto& b) { PutU32At(b, typeDir + 16 + 4, 0x80000000u | (typeDir - root)); },
         PeError::BadResources},
        {"language entry is a directory",
         [&](auto& b) { PutU32At(b, nameDir + 16 + 4, 0x80000000u | (typeDir - root)); },
         PeError::BadResources},
        {"data past the end of the file", [&](auto& b) { PutU32At(b, dataEntry, 0x7FFF0000u); },
         PeError::BadResources},
        {"data size past the section", [&](auto& b) { PutU32At(b, dataEntry + 4, 0x10000000u); },
         PeError::BadResources},
        {"entry count past the block", [&](auto& b) { b[root + 14] = 0xFF, b[root + 15] = 0xFF; },
         PeError::BadResources},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto bytes = good;
        c.damage(bytes);
        SpanSource src(bytes);
        PeImage pe;
        EXPECT_EQ(pe.Parse(src), c.want);
        EXPECT_STRNE(PeErrorText(c.want), "");
    }
    // Every truncation of the file parses or fails cleanly.
    for (size_t n = 0; n < good.size(); n += 61) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        SpanSource src(cut);
        PeImage pe;
        EXPECT_NE(pe.Parse(src), PeError::None) << n;
    }
}

TEST(PackageReader, RefusesProgramsThatAreNotPackages) {
    test::ScratchDir dir;
    PackageReader r;
    EXPECT_FALSE(r.Open(test::FixtureStubReloc()));
    EXPECT_EQ(r.error(), package_text::kNoSettings);
    EXPECT_FALSE(r.Open(dir / "missing.exe"));
    EXPECT_NE(r.error().find("无法打开文件"), std::string::npos);
    // A settings block that is not a settings block.
    test::WriteBytes(dir / "a.exe", test::ReadBytes(test::FixtureStubLast()));
    std::vector<uint8_t> junk = {1, 2, 3};
    ASSERT_EQ(UpdateFileResource(dir / "a.exe", kData, kAll, 0, junk), PeError::None);
    EXPECT_FALSE(r.Open(dir / "a.exe"));
    EXPECT_EQ(r.error(), package_text::kBadSettings);
}

}  // namespace
}  // namespace velmora
