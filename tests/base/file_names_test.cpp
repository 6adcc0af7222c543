// The rules that read a file's meaning from its name.
#include <gtest/gtest.h>

#include "base/FileNames.h"

namespace velmora {
namespace {

TEST(NamesFile, EightCharactersOrMore) {
    struct Case {
        const char* text;
        bool names;
    } cases[] = {
        {"", false},
        {" ", false},
        {"(无)", false},
        {"/a/b.jp", false},      // 7 characters
        {"/a/b.jpg", true},      // 8
        {"/图/片/幻灯", false},  // 7 characters, 15 bytes: counted in characters
        {"/图/片/幻灯.", true},  // 8 characters
        {"/home/user/photo.jpg", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NamesFile(c.text), c.names) << c.text;
}

TEST(FileTypeOf, LastLettersUpperCased) {
    struct Case {
        const char* path;
        size_t letters;
        const char* want;
    } cases[] = {
        {"/a/photo.jpg", 3, "JPG"},
        {"/a/photo.JpG", 3, "JPG"},
        {"/a/song.mp3", 3, "MP3"},
        {"/a/photo.jpeg", 3, "PEG"},  // only the last three letters count
        {"/a/photo.jpg", 4, ".JPG"},
        {"/a/out.Exe", 4, ".EXE"},
        {"/a/photojpg", 4, "OJPG"},
        {"/a/图片.图片", 3, ".图片"},  // characters, not bytes; non-ASCII kept
        {"ab", 3, ""},                 // shorter than the letters asked for
        {"", 3, ""},
        {"abc", 4, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileTypeOf(c.path, c.letters), c.want) << c.path << " " << c.letters;
}

}  // namespace
}  // namespace velmora
