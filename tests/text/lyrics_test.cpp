// The LRC parser and the pairing of lyric files with songs.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "project/Lyrics.h"

using namespace velmora;
using velmora::test::TempDir;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

ParsedLyrics Parse(const std::string& text, bool* ok = nullptr) {
    ParsedLyrics out;
    bool r = ParseLyricText(Bytes(text), out);
    if (ok)
        *ok = r;
    return out;
}

std::string Lines(const ParsedLyrics& l) {
    std::string s;
    for (const LyricLine& line : l.lines)
        s += std::to_string(line.time) + "=" + line.text + (line.secondRow ? "*" : "") + ";";
    return s;
}

}  // namespace

// Each case: the LRC text and the lines it gives (time in centiseconds =
// text, "*" for the second-row flag).
TEST(Lrc, TableOfCases) {
    struct Case {
        const char* name;
        std::string text;
        std::string lines;
    };
    const Case cases[] = {
        {"stacked tags share the text", "[00:12.34][01:02.50]Chorus\n",
         "1234=Chorus;6250=Chorus*;"},
        {"three stacked tags", "[00:01.00][00:02.00][00:03.00]x", "100=x;200=x*;300=x;"},
        {"one-digit minutes", "[1:05.20]a", "6520=a;"},
        {"minutes over 99", "[123:04.50]long", "738450=long;"},
        {"three-digit fraction", "[00:01.234]ms", "123=ms;"},
        {"one-digit fraction", "[00:01.5]t", "150=t;"},
        {"no fraction", "[02:03]plain", "12300=plain;"},
        {"colon before the fraction", "[00:02:50]c", "250=c;"},
        {"seconds 00 read as written", "[01:00.50]zero", "6050=zero;"},
        {"out of order comes out sorted", "[00:03.00]c\n[00:01.00]a\n[00:02.00]b\n",
         "100=a;200=b*;300=c;"},
        {"equal times keep file order", "[00:05.00]first\n[00:01.00]x\n[00:05.00]second\n",
         "100=x;500=first*;500=second;"},
        {"empty lines and empty texts", "\n\n[00:01.00]\n\n[00:02.00]b\r\n", "100=;200=b*;"},
        {"CR line ends", "[00:01.00]a\r[00:02.00]b\r", "100=a;200=b*;"},
        {"offset shifts earlier", "[offset:500]\n[00:10.00]a", "950=a;"},
        {"offset with sign and four digits", "[offset:+1500]\n[00:10.00]a", "850=a;"},
        {"negative offset shifts later", "[offset:-250]\n[00:10.00]a", "1025=a;"},
        {"offset below zero stops at 0", "[offset:5000]\n[00:01.00]a", "0=a;"},
        {"offset halves round to even", "[offset:5]\n[00:01.01]a\n[00:01.02]b", "100=a;102=b*;"},
        {"two tags with text between", "[00:01.00]Hello [00:02.00]World", "100=Hello;200=World*;"},
        {"no space before the next tag", "[00:01.00]ab[00:02.00]cd", "100=ab;200=cd*;"},
        {"other tag right after a time tag", "[00:01.00][xx]rest", "100=[xx]rest;"},
        {"Chinese text", "[00:01.00]这是一行歌词", "100=这是一行歌词;"},
        {"broken tags skipped", "[00:0a]x\n[00:01.00]ok\n[5]y\n[:10.00]z\n[00:02.00", "100=ok;"},
        {"stray bracket ends the text", "[00:01.00]a [ [00:02.00]b", "100=a;200=b*;"},
        {"unclosed tag ends the line", "[00:01.00]a [ b [00:02.00", "100=a;"},
        {"bracket text without tags", "[hello] [00:03.00]x", "300=x;"},
    };
    for (const Case& c : cases) {
        bool ok = false;
        ParsedLyrics l = Parse(c.text, &ok);
        EXPECT_TRUE(ok) << c.name;
        EXPECT_EQ(Lines(l), c.lines) << c.name;
    }
}

TEST(Lrc, MetadataTags) {
    ParsedLyrics l =
        Parse("[ti:歌名]\n[AR:Singer]\n[al:Album]\n[By:me]\n[00:01.00]a\n[offset:+20]\n");
    EXPECT_EQ(l.title, "歌名");
    EXPECT_EQ(l.artist, "Singer");
    EXPECT_EQ(l.album, "Album");
    EXPECT_EQ(l.author, "me");
    EXPECT_EQ(l.offset, 20);
    ASSERT_EQ(l.lines.size(), 1u);
    EXPECT_EQ(l.lines[0].time, 98);
}

TEST(Lrc, NoTimeTagFails) {
    bool ok = true;
    ParsedLyrics l = Parse("[ti:only tags]\nplain text\n", &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(l.lines.empty());
    EXPECT_EQ(l.title, "only tags");
    Parse("", &ok);
    EXPECT_FALSE(ok);
}

TEST(Lrc, ThreeEncodings) {
    const std::string utf8 = "[00:01.00]你好，世界";
    // UTF-8 without and with BOM.
    EXPECT_EQ(Lines(Parse(utf8)), "100=你好，世界;");
    EXPECT_EQ(Lines(Parse("\xEF\xBB\xBF" + utf8)), "100=你好，世界;");
    // UTF-16 LE and BE with BOM.
    const std::u16string u16 = u"[00:01.00]你好，世界\r\n[00:02.00]b";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char16_t c : u16) {
        le.push_back(static_cast<char>(c & 0xFF));
        le.push_back(static_cast<char>(c >> 8));
        be.push_back(static_cast<char>(c >> 8));
        be.push_back(static_cast<char>(c & 0xFF));
    }
    EXPECT_EQ(Lines(Parse(le)), "100=你好，世界;200=b*;");
    EXPECT_EQ(Lines(Parse(be)), "100=你好，世界;200=b*;");
    // GB18030 (GBK): 你好 = C4 E3 BA C3, ， = A3 AC, 世界 = CA C0 BD E7.
    EXPECT_EQ(Lines(Parse("[00:01.00]\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7")),
              "100=你好，世界;");
}

TEST(Lrc, BinaryInputNeverHangsAndKeepsReadableLines) {
    std::string junk;
    uint32_t seed = 7;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        junk.push_back(static_cast<char>(seed >> 24));
    }
    std::string text = junk + "\n[00:07.00]readable\n" + junk;
    ParsedLyrics l = Parse(text);
    bool found = false;
    for (const LyricLine& line : l.lines)
        found = found || (line.time == 700 && line.text == "readable");
    EXPECT_TRUE(found);
}

TEST(Lrc, HugeFileParsesInBoundedTimeAndMemory) {
    // 100 MB: a line of unclosed brackets (the worst case for tag searches),
    // then many timed lines, more than a file may give.
    TempDir dir;
    const std::string path = dir.path() + "/huge.lrc";
    {
        std::ofstream f(path, std::ios::binary);
        std::string brackets(20 * 1024 * 1024, '[');
        f << brackets << "\n";
        const std::string line = "[00:01.00][00:02.00]歌词歌词歌词歌词歌词\n";
        std::string block;
        while (block.size() < 1024 * 1024)
            block += line;
        for (int i = 0; i < 80; ++i)
            f << block;
    }
    // Processor time, so that a loaded machine does not fail the case.
    const std::clock_t t0 = std::clock();
    ParsedLyrics l;
    EXPECT_TRUE(ParseLyricFile(path, l));
    const double s = static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC;
    EXPECT_EQ(l.lines.size(), kMaxLyricLines);
    EXPECT_LT(s, 20.0);
}

TEST(Lrc, UnreadableFileFails) {
    ParsedLyrics l;
    EXPECT_FALSE(ParseLyricFile("/nonexistent/x.lrc", l));
}

TEST(LyricPairing, FirstSongWithTheBaseNameTakesTheLyric) {
    std::vector<std::string> songs = {"/a/x.mp3", "/b/X.MP3", "/c/y.wma", "/d/z.wav"};
    std::vector<std::string> lyrics = {"/l/x.lrc", "/l/Y.LRC", "/l/other.lrc"};
    std::vector<std::string> paired = PairLyricFiles(songs, lyrics);
    ASSERT_EQ(paired.size(), 4u);
    EXPECT_EQ(paired[0], "/l/x.lrc");
    EXPECT_EQ(paired[1], "");
    EXPECT_EQ(paired[2], "/l/Y.LRC");
    EXPECT_EQ(paired[3], "");
    EXPECT_EQ(LyricBaseName("/a.b/song.v1.mp3"), "song.v1");
    EXPECT_EQ(LyricBaseName("/a.b/song"), "song");
}
