// Test support for the rendering tests: deterministic picture fixtures in
// the TGA, PCX and BMP variants the decoders must read, and ImageMagick's
// decode of a file for pixel-for-pixel comparison.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "render/Surface.h"

namespace velmora::render::fixtures {

// A small deterministic generator (the fixtures must be the same every run).
class Lcg {
  public:
    explicit Lcg(uint32_t seed) : s_(seed) {}
    uint32_t Next() {
        s_ = s_ * 1664525u + 1013904223u;
        return s_ >> 8;
    }
    uint8_t Byte() { return static_cast<uint8_t>(Next()); }

  private:
    uint32_t s_;
};

inline void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

inline std::string FixtureDir() {
    std::string d = std::filesystem::current_path().string() + "/render-fixtures";
    std::filesystem::create_directories(d);
    return d;
}

inline std::string WriteFixture(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = FixtureDir() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// --- TGA -------------------------------------------------------------------

struct TgaLayout {
    int type = 2;
    int depth = 24;
    int mapBits = 0;  // colour-map entry size for types 1 and 9
    int mapLength = 256;
    bool topOrigin = false;
    int width = 13, height = 7;
};

// Stored pixels come in runs of repeated values so that run-length coding
// uses both packet kinds; packets never cross a row.
inline std::vector<uint8_t> MakeTga(const TgaLayout& s, uint32_t seed = 7) {
    Lcg rng(seed);
    const int bpp = (s.depth + 7) / 8;
    const bool mapped = s.type == 1 || s.type == 9;
    std::vector<uint8_t> f;
    f.push_back(3);               // ID length
    f.push_back(mapped ? 1 : 0);  // colour-map type
    f.push_back(static_cast<uint8_t>(s.type));
    Put16(f, 0);
    Put16(f, mapped ? s.mapLength : 0);
    f.push_back(static_cast<uint8_t>(mapped ? s.mapBits : 0));
    Put16(f, 0);
    Put16(f, 0);
    Put16(f, s.width);
    Put16(f, s.height);
    f.push_back(static_cast<uint8_t>(s.depth));
    uint8_t alphaBits = s.depth == 32 ? 8 : (s.depth == 16 ? 1 : 0);
    f.push_back(static_cast<uint8_t>(alphaBits | (s.topOrigin ? 0x20 : 0)));
    f.insert(f.end(), {'i', 'd', '!'});
    if (mapped) {
        int eb = (s.mapBits + 7) / 8;
        for (int i = 0; i < s.mapLength * eb; ++i)
            f.push_back(rng.Byte());
    }
    for (int y = 0; y < s.height; ++y) {
        std::vector<std::vector<uint8_t>> row;
        while (static_cast<int>(row.size()) < s.width) {
            std::vector<uint8_t> px(bpp);
            for (auto& b : px)
                b = rng.Byte();
            if (mapped)
                px[0] = static_cast<uint8_t>(px[0] % s.mapLength);
            if (s.depth == 32 && rng.Next() % 4 == 0)
                px[3] = (rng.Next() % 2) ? 255 : 0;
            int repeat = 1 + static_cast<int>(rng.Next() % 4);
            for (int k = 0; k < repeat && static_cast<int>(row.size()) < s.width; ++k)
                row.push_back(px);
        }
        if (s.type < 9) {
            for (auto& px : row)
                f.insert(f.end(), px.begin(), px.end());
            continue;
        }
        size_t i = 0;
        while (i < row.size()) {
            size_t j = i + 1;
            while (j < row.size() && j - i < 128 && row[j] == row[i])
                ++j;
            if (j - i >= 2) {
                f.push_back(static_cast<uint8_t>(0x80 | (j - i - 1)));
                f.insert(f.end(), row[i].begin(), row[i].end());
                i = j;
                continue;
            }
            size_t k = i;
            while (k < row.size() && k - i < 128 && !(k + 1 < row.size() && row[k + 1] == row[k]))
                ++k;
            if (k == i)
                k = i + 1;
            f.push_back(static_cast<uint8_t>(k - i - 1));
            for (size_t m = i; m < k; ++m)
                f.insert(f.end(), row[m].begin(), row[m].end());
            i = k;
        }
    }
    return f;
}

// --- PCX -------------------------------------------------------------------

struct PcxLayout {
    int bits = 8;
    int planes = 1;
    int width = 13, height = 7;
    bool rle = true;
    bool palette256 = true;  // 8 bits × 1 plane: append the marker and palette
};

inline std::vector<uint8_t> MakePcx(const PcxLayout& s, uint32_t seed = 11) {
    Lcg rng(seed);
    int bpl = (s.width * s.bits + 7) / 8;
    bpl += bpl % 2;
    std::vector<uint8_t> f;
    f.push_back(10);
    f.push_back(5);
    f.push_back(s.rle ? 1 : 0);
    f.push_back(static_cast<uint8_t>(s.bits));
    Put16(f, 0);
    Put16(f, 0);
    Put16(f, s.width - 1);
    Put16(f, s.height - 1);
    Put16(f, 72);
    Put16(f, 72);
    // Header palette: black and white first for 1 bit (as writers store it).
    for (int i = 0; i < 48; ++i)
        f.push_back(s.bits == 1 ? (i >= 3 && i < 6 ? 255 : 0) : rng.Byte());
    f.push_back(0);
    f.push_back(static_cast<uint8_t>(s.planes));
    Put16(f, bpl);
    Put16(f, 1);
    f.resize(128, 0);
    for (int y = 0; y < s.height; ++y) {
        std::vector<uint8_t> line;
        for (int p = 0; p < s.planes; ++p) {
            int x = 0;
            while (x < bpl) {
                uint8_t v = rng.Byte();
                int repeat = 1 + static_cast<int>(rng.Next() % 5);
                for (int k = 0; k < repeat && x < bpl; ++k, ++x)
                    line.push_back(v);
            }
        }
        if (!s.rle) {
            f.insert(f.end(), line.begin(), line.end());
            continue;
        }
        size_t i = 0;
        while (i < line.size()) {
            size_t j = i + 1;
            while (j < line.size() && j - i < 63 && line[j] == line[i])
                ++j;
            if (j - i > 1 || line[i] >= 192) {
                f.push_back(static_cast<uint8_t>(192 + (j - i)));
                f.push_back(line[i]);
            } else {
                f.push_back(line[i]);
            }
            i = j;
        }
    }
    if (s.bits == 8 && s.planes == 1 && s.palette256) {
        f.push_back(12);
        for (int i = 0; i < 768; ++i)
            f.push_back(rng.Byte());
    }
    return f;
}

// --- BMP (variants ImageMagick does not write) -------------------------------

// A 4-bit run-length coded BMP: encoded runs and absolute runs of indices.
inline std::vector<uint8_t> MakeBmpRle4(int w, int h, uint32_t seed = 5) {
    Lcg rng(seed);
    std::vector<uint8_t> data;
    for (int y = 0; y < h; ++y) {
        int x = 0;
        while (x < w) {
            int n = std::min(w - x, 1 + static_cast<int>(rng.Next() % 6));
            if (rng.Next() % 2) {
                uint8_t pair = static_cast<uint8_t>((rng.Next() % 16) << 4 | (rng.Next() % 16));
                data.push_back(static_cast<uint8_t>(n));
                data.push_back(pair);
            } else if (n >= 3) {
                data.push_back(0);
                data.push_back(static_cast<uint8_t>(n));
                int bytes = (n + 1) / 2;
                for (int k = 0; k < bytes; ++k)
                    data.push_back(
                        static_cast<uint8_t>((rng.Next() % 16) << 4 | (rng.Next() % 16)));
                if (bytes % 2)
                    data.push_back(0);
            } else {
                data.push_back(static_cast<uint8_t>(n));
                data.push_back(0x5A);
            }
            x += n;
        }
        data.push_back(0);
        data.push_back(0);  // end of line
    }
    data.push_back(0);
    data.push_back(1);  // end of bitmap
    std::vector<uint8_t> f = {'B', 'M'};
    const uint32_t offset = 14 + 40 + 64;
    Put32(f, offset + static_cast<uint32_t>(data.size()));
    Put32(f, 0);
    Put32(f, offset);
    Put32(f, 40);
    Put32(f, static_cast<uint32_t>(w));
    Put32(f, static_cast<uint32_t>(h));
    Put16(f, 1);
    Put16(f, 4);
    Put32(f, 2);  // BI_RLE4
    Put32(f, static_cast<uint32_t>(data.size()));
    Put32(f, 2835);
    Put32(f, 2835);
    Put32(f, 16);
    Put32(f, 16);
    for (int i = 0; i < 16; ++i) {
        f.push_back(static_cast<uint8_t>(i * 16));
        f.push_back(static_cast<uint8_t>(255 - i * 16));
        f.push_back(static_cast<uint8_t>(i * 7));
        f.push_back(0);
    }
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

// A 24-bit BMP stored top row first (negative height).
inline std::vector<uint8_t> MakeBmpTopDown(int w, int h, uint32_t seed = 3) {
    Lcg rng(seed);
    const int stride = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> f = {'B', 'M'};
    Put32(f, 54 + static_cast<uint32_t>(stride * h));
    Put32(f, 0);
    Put32(f, 54);
    Put32(f, 40);
    Put32(f, static_cast<uint32_t>(w));
    Put32(f, static_cast<uint32_t>(-h));
    Put16(f, 1);
    Put16(f, 24);
    Put32(f, 0);
    Put32(f, static_cast<uint32_t>(stride * h));
    Put32(f, 2835);
    Put32(f, 2835);
    Put32(f, 0);
    Put32(f, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < stride; ++x)
            f.push_back(x < w * 3 ? rng.Byte() : 0);
    return f;
}

// --- ImageMagick ---------------------------------------------------------------

inline std::string ImageMagick() {
    if (std::filesystem::exists("/usr/bin/convert"))
        return "/usr/bin/convert";
    return "convert";
}

inline int RunShell(const std::string& cmd) {
    return std::system((cmd + " 2>/dev/null").c_str());
}

// ImageMagick's decode as RGBA bytes, rows top first; nullopt when it fails.
// `coder` names the input format ("tga", "pcx", "bmp"...).
inline std::optional<std::vector<uint8_t>> MagickRgba(const std::string& coder,
                                                      const std::string& path, int w, int h) {
    std::string out = path + ".rgba";
    std::string cmd =
        ImageMagick() + " '" + coder + ":" + path + "' -auto-orient -depth 8 'rgba:" + out + "'";
    if (RunShell(cmd) != 0)
        return std::nullopt;
    std::ifstream in(out, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() != static_cast<size_t>(w) * h * 4)
        return std::nullopt;
    return b;
}

// Counts pixels whose colour differs by more than `tolerance` in a channel
// (or, when alpha is given, whose alpha differs).
inline int CountDifferences(const Surface& s, const std::vector<uint8_t>& rgba,
                            const std::vector<uint8_t>* alpha = nullptr,
                            std::string* first = nullptr, int tolerance = 0) {
    int diffs = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            uint32_t p = s.pixel(x, y);
            const uint8_t* m = &rgba[(static_cast<size_t>(y) * s.width() + x) * 4];
            auto near = [tolerance](uint32_t a, uint8_t b) {
                return std::abs(static_cast<int>(a) - b) <= tolerance;
            };
            bool same =
                near((p >> 16) & 0xFF, m[0]) && near((p >> 8) & 0xFF, m[1]) && near(p & 0xFF, m[2]);
            if (alpha && (*alpha)[static_cast<size_t>(y) * s.width() + x] != m[3])
                same = false;
            if (!same) {
                if (first && first->empty()) {
                    char buf[160];
                    std::snprintf(buf, sizeof buf, "(%d,%d) ours %06X magick %02X%02X%02X a%d", x,
                                  y, p & 0xFFFFFF, m[0], m[1], m[2], m[3]);
                    *first = buf;
                }
                ++diffs;
            }
        }
    return diffs;
}

}  // namespace velmora::render::fixtures
