#include "project/Lyrics.h"

#include <algorithm>
#include <limits>

#include "base/FileUtil.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"

namespace velmora {

namespace {

// The decoded text is valid UTF-8 (the decoder replaces what it cannot
// read), so this only has to follow well-formed sequences.
std::u32string ToCodePoints(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<uint8_t>(s[i]);
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        if (i + n > s.size())
            n = s.size() - i;
        char32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (size_t k = 1; k < n; ++k)
            cp = cp << 6 | (static_cast<uint8_t>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += n;
    }
    return out;
}

std::string ToUtf8(std::u32string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t cp : s)
        AppendUtf8(out, static_cast<uint32_t>(cp));
    return out;
}

bool IsDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

char32_t Lower(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c + 32 : c;
}

constexpr size_t kNone = std::numeric_limits<size_t>::max();

// Reads a time tag whose "[" is at h: [m:ss], [m:ss.f], [m:ss.ff],
// [m:ss.fff] (":" also separates the fraction). Returns the time in
// centiseconds, or -1 when the tag is not of that form.
int64_t ReadTimeTag(const std::u32string& L, size_t h) {
    size_t i = h + 1;
    int64_t minutes = 0;
    size_t digits = 0;
    while (i < L.size() && IsDigit(L[i])) {
        if (++digits > 5)
            return -1;
        minutes = minutes * 10 + (L[i] - U'0');
        ++i;
    }
    if (digits == 0 || i >= L.size() || L[i] != U':')
        return -1;
    ++i;
    int64_t seconds = 0;
    digits = 0;
    while (i < L.size() && IsDigit(L[i]) && digits < 2) {
        seconds = seconds * 10 + (L[i] - U'0');
        ++digits;
        ++i;
    }
    if (digits == 0)
        return -1;
    int64_t hundredths = 0;
    if (i < L.size() && (L[i] == U'.' || L[i] == U':')) {
        ++i;
        int64_t frac = 0;
        digits = 0;
        while (i < L.size() && IsDigit(L[i])) {
            if (digits < 3) {
                frac = frac * 10 + (L[i] - U'0');
                ++digits;
            }
            ++i;
        }
        hundredths = digits == 1 ? frac * 10 : digits == 2 ? frac : digits == 3 ? frac / 10 : 0;
    }
    if (i >= L.size() || L[i] != U']')
        return -1;
    return minutes * 6000 + seconds * 100 + hundredths;
}

// The leading signed integer of a text ("+500", " -20", "150ms"), 0 when
// there is none; saturates at the 32-bit range.
int32_t LeadingInteger(std::u32string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == U' ' || s[i] == U'\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == U'+' || s[i] == U'-'))
        negative = s[i++] == U'-';
    int64_t v = 0;
    while (i < s.size() && IsDigit(s[i])) {
        v = std::min<int64_t>(v * 10 + (s[i] - U'0'), int64_t{1} << 40);
        ++i;
    }
    if (negative)
        v = -v;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The first position at or after `from` where pred holds, kNone when none.
// Queries come with positions that never decrease along a line, so each
// cursor crosses the line once: a line of any length costs linear time.
template <class Pred>
struct Cursor {
    const std::u32string* line = nullptr;
    Pred pred;
    size_t found = 0;
    bool valid = false;

    size_t At(size_t from) {
        const std::u32string& L = *line;
        if (valid && (found == kNone || found >= from))
            return found;
        size_t k = std::max(from, valid ? found : from);
        while (k < L.size() && !pred(L, k))
            ++k;
        found = k < L.size() ? k : kNone;
        valid = true;
        return found;
    }
};

bool IsClose(const std::u32string& L, size_t k) {
    return L[k] == U']';
}
bool IsOpen(const std::u32string& L, size_t k) {
    return L[k] == U'[';
}
bool IsPair(const std::u32string& L, size_t k) {
    return L[k] == U']' && k + 1 < L.size() && L[k + 1] == U'[';
}
using LineCursor = Cursor<bool (*)(const std::u32string&, size_t)>;

struct Parser {
    ParsedLyrics& out;
    bool anyTime = false;
    size_t pending = 0;  // stacked time tags waiting for their text
    LineCursor nextClose{nullptr, IsClose}, nextOpen{nullptr, IsOpen}, nextText{nullptr, IsOpen},
        nextPair{nullptr, IsPair};

    void Line(const std::u32string& L) {
        for (LineCursor* c : {&nextClose, &nextOpen, &nextText, &nextPair})
            *c = LineCursor{&L, c->pred};
        for (size_t h = nextOpen.At(0); h != kNone; h = nextOpen.At(h + 1)) {
            if (out.lines.size() >= kMaxLyricLines)
                return;
            const size_t p = nextClose.At(h);
            if (p == kNone)
                return;  // an unclosed tag: nothing more on this line is a tag
            std::u32string_view body(L.data() + h + 1, p - h - 1);
            char32_t t1 = body.size() > 0 ? Lower(body[0]) : 0;
            char32_t t2 = body.size() > 1 ? Lower(body[1]) : 0;
            auto value = [&] {
                return ToUtf8(body.size() > 3 ? body.substr(3) : std::u32string_view());
            };
            if (t1 == U't' && t2 == U'i') {
                out.title = value();
            } else if (t1 == U'a' && t2 == U'r') {
                out.artist = value();
            } else if (t1 == U'a' && t2 == U'l') {
                out.album = value();
            } else if (t1 == U'b' && t2 == U'y') {
                out.author = value();
            } else if (t1 == U'o' && t2 == U'f') {
                const size_t colon = body.find(U':');
                if (colon != std::u32string_view::npos)
                    out.offset = LeadingInteger(body.substr(colon + 1));
            } else if (IsDigit(t1)) {
                TimeTag(L, h, p);
            }
        }
    }

    void TimeTag(const std::u32string& L, size_t h, size_t p) {
        const int64_t time = ReadTimeTag(L, h);
        if (time < 0)
            return;
        anyTime = true;
        out.lines.push_back({std::string(), static_cast<int32_t>(time), false});
        // Stacked: another time tag follows directly; it brings the text.
        if (p + 1 < L.size() && L[p + 1] == U'[' && p + 2 < L.size() && IsDigit(L[p + 2]) &&
            nextPair.At(h) == p && ReadTimeTag(L, p + 1) >= 0) {
            ++pending;
            return;
        }
        // The text: up to the next tag, or the rest of the line. A tag of
        // another kind directly after this one ("[00:01.00][ar:x]text")
        // leaves the rest of the line as the text.
        const size_t next = nextText.At(p + 1);
        std::u32string text;
        if (next == kNone || next == p + 1) {
            text = L.substr(p + 1);
        } else {
            text = L.substr(p + 1, next - p - 1);
            while (!text.empty() && (text.back() == U' ' || text.back() == U'\t'))
                text.pop_back();
        }
        std::erase_if(text, [](char32_t c) { return c == U'\r' || c == U'\n'; });
        std::string utf8 = ToUtf8(text);
        const size_t last = out.lines.size() - 1;
        for (size_t k = last - std::min(pending, last); k < last; ++k)
            out.lines[k].text = utf8;
        pending = 0;
        out.lines[last].text = std::move(utf8);
    }
};

}  // namespace

bool ParseLyricText(std::span<const uint8_t> bytes, ParsedLyrics& out) {
    out = ParsedLyrics{};
    const std::string text = DecodeSystemText(bytes);
    Parser parser{out};
    size_t start = 0;
    std::u32string line;
    while (start < text.size() && out.lines.size() < kMaxLyricLines) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        line = ToCodePoints(std::string_view(text).substr(start, end - start));
        parser.Line(line);
        // A line ends at CR LF, CR or LF.
        start = end;
        if (start < text.size() && text[start] == '\r')
            ++start;
        if (start < text.size() && text[start] == '\n')
            ++start;
    }
    // Stacked tags at the very end of the file keep an empty text.
    if (!parser.anyTime) {
        out.lines.clear();
        return false;
    }
    std::stable_sort(out.lines.begin(), out.lines.end(),
                     [](const LyricLine& a, const LyricLine& b) { return a.time < b.time; });
    if (out.offset != 0) {
        for (LyricLine& l : out.lines)
            l.time = std::max(0, nearest(l.time - out.offset / 10.0));
    }
    for (size_t k = 0; k < out.lines.size(); ++k)
        out.lines[k].secondRow = k % 2 == 1;
    return true;
}

bool ParseLyricFile(const std::string& path, ParsedLyrics& out) {
    out = ParsedLyrics{};
    auto bytes = ReadWholeFile(path, kMaxLyricFileBytes);
    if (!bytes)
        return false;
    return ParseLyricText(*bytes, out);
}

std::string LyricBaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::vector<std::string> PairLyricFiles(const std::vector<std::string>& songs,
                                        const std::vector<std::string>& lyricFiles) {
    std::vector<std::string> paired(songs.size());
    for (const std::string& lyric : lyricFiles) {
        const std::string base = LyricBaseName(lyric);
        for (size_t j = 0; j < songs.size(); ++j) {
            if (EqualsNoCase(LyricBaseName(songs[j]), base)) {
                if (paired[j].empty())
                    paired[j] = lyric;
                break;
            }
        }
    }
    return paired;
}

}  // namespace velmora
