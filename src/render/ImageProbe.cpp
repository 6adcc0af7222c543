#include "render/ImageProbe.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "base/ByteReader.h"
#include "base/FileNames.h"
#include "base/TextCodec.h"

namespace velmora::render {

namespace {

uint32_t Be16(std::span<const uint8_t> b, size_t at) {
    return at + 2 <= b.size() ? static_cast<uint32_t>(b[at] << 8 | b[at + 1]) : 0;
}
uint32_t Be32(std::span<const uint8_t> b, size_t at) {
    return at + 4 <= b.size() ? Be16(b, at) << 16 | Be16(b, at + 2) : 0;
}

bool StartsWith(std::span<const uint8_t> b, const char* sig, size_t n) {
    return b.size() >= n && std::memcmp(b.data(), sig, n) == 0;
}

void ProbeBmp(std::span<const uint8_t> b, ImageProbeResult& r) {
    ByteReader rd(b);
    rd.Seek(14);
    uint32_t headerSize = rd.U32();
    int32_t bits;
    if (headerSize == 12) {
        r.Width = rd.U16();
        r.Height = rd.U16();
        rd.U16();
        bits = rd.U16();
    } else {
        r.Width = rd.I32();
        int32_t h = rd.I32();
        r.Height = h == INT32_MIN ? 0 : (h < 0 ? -h : h);  // negative: rows stored top first
        rd.U16();
        bits = rd.U16();
    }
    r.BitDepth =
        (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) ? bits : 0;
}

void ProbePng(std::span<const uint8_t> b, ImageProbeResult& r) {
    r.Width = static_cast<int32_t>(Be32(b, 16));
    r.Height = static_cast<int32_t>(Be32(b, 20));
    uint8_t depth = b.size() > 24 ? b[24] : 0, colour = b.size() > 25 ? b[25] : 0;
    if (depth == 16) {
        r.BitDepth = 0;  // 48 or 64 bits per pixel
    } else if (colour == 3 || colour == 0) {
        r.BitDepth = depth == 2 ? 4 : depth;  // indexed (grey as a grey palette)
    } else if (colour == 2) {
        r.BitDepth = 24;
    } else if (colour == 4 || colour == 6) {
        r.BitDepth = 32;
    }
}

void ProbeGif(std::span<const uint8_t> b, ImageProbeResult& r) {
    ByteReader rd(b);
    rd.Seek(6);
    r.Width = rd.U16();
    r.Height = rd.U16();
    r.BitDepth = 8;  // decoded as indexed or 32-bit colour: reported as 8 for a GIF
}

void ProbeTif(std::span<const uint8_t> b, ImageProbeResult& r) {
    const bool little = b[0] == 'I';
    auto u16 = [&](size_t at) -> uint32_t {
        if (at + 2 > b.size())
            return 0;
        return little ? static_cast<uint32_t>(b[at] | b[at + 1] << 8) : Be16(b, at);
    };
    auto u32 = [&](size_t at) -> uint32_t {
        if (at + 4 > b.size())
            return 0;
        return little ? (u16(at) | u16(at + 2) << 16) : Be32(b, at);
    };
    uint32_t ifd = u32(4);
    uint32_t count = u16(ifd);
    uint32_t bits = 1, samples = 1, photometric = 0;
    for (uint32_t i = 0; i < count && i < 4096; ++i) {
        size_t e = size_t{ifd} + 2 + 12 * size_t{i};
        if (e + 12 > b.size())
            break;
        uint32_t tag = u16(e), type = u16(e + 2), n = u32(e + 4);
        uint32_t value = type == 3 ? u16(e + 8) : u32(e + 8);
        if (tag == 258 && type == 3 && n > 2)
            value = u16(u32(e + 8));  // first of the list
        switch (tag) {
            case 256:
                r.Width = static_cast<int32_t>(value);
                break;
            case 257:
                r.Height = static_cast<int32_t>(value);
                break;
            case 258:
                bits = value;
                break;
            case 262:
                photometric = value;
                break;
            case 277:
                samples = value;
                break;
            default:
                break;
        }
    }
    if (bits == 16 || photometric == 5) {
        r.BitDepth = 0;
    } else if (photometric == 2) {
        r.BitDepth = samples >= 4 ? 32 : 24;
    } else if (samples >= 2) {
        r.BitDepth = 32;  // grey with alpha
    } else {
        r.BitDepth = (bits == 1 || bits == 4 || bits == 8) ? static_cast<int32_t>(bits) : 0;
    }
}

void ProbeJpg(std::span<const uint8_t> b, ImageProbeResult& r) {
    size_t p = 2;
    while (p + 4 <= b.size()) {
        if (b[p] != 0xFF)
            return;
        uint8_t m = b[p + 1];
        if (m == 0xFF) {
            ++p;
            continue;
        }
        if (m == 0xD8 || (m >= 0xD0 && m <= 0xD7) || m == 0x01) {
            p += 2;
            continue;
        }
        uint32_t len = Be16(b, p + 2);
        bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof) {
            if (p + 10 > b.size())
                return;
            r.Height = static_cast<int32_t>(Be16(b, p + 5));
            r.Width = static_cast<int32_t>(Be16(b, p + 7));
            uint8_t comps = b[p + 9];
            r.BitDepth = comps == 1 ? 8 : comps == 3 ? 24 : 0;
            return;
        }
        if (len < 2)
            return;
        p += 2 + len;
    }
}

bool TgaHeader(std::span<const uint8_t> b, uint64_t fileSize, ImageProbeResult& r) {
    if (fileSize <= 18 || b.size() < 18)
        return false;
    uint8_t type = b[2], depth = b[16];
    int16_t w = static_cast<int16_t>(b[12] | b[13] << 8),
            h = static_cast<int16_t>(b[14] | b[15] << 8);
    bool typeOk = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    bool depthOk = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    if (!typeOk || !depthOk || w <= 1 || h <= 1)
        return false;
    if ((type == 1 || type == 9) && depth != 8)
        return false;
    r.FormatName = "TGA";
    r.Width = w;
    r.Height = h;
    r.BitDepth = depth;
    return true;
}

bool PcxHeader(std::span<const uint8_t> b, uint64_t fileSize, ImageProbeResult& r) {
    if (fileSize <= 30 || b.size() < 12)
        return false;
    auto i16 = [&](size_t at) { return static_cast<int16_t>(b[at] | b[at + 1] << 8); };
    uint8_t bits = b[3];
    int32_t xmin = i16(4), ymin = i16(6), xmax = i16(8), ymax = i16(10);
    uint8_t planes = b.size() > 65 ? b[65] : 0;  // past the end of a short file: 0
    if (!(bits == 1 || bits == 4 || bits == 8) || xmax <= 1 || ymax <= 1)
        return false;
    r.FormatName = "PCX";
    r.Width = std::abs(xmax - xmin + 1);
    r.Height = std::abs(ymax - ymin + 1);
    r.BitDepth = planes == 1 ? bits : 24;
    return true;
}

// The head read from a file: enough for every header rule (a JPEG's frame
// header usually lies within the first 64 KiB; behind a large embedded
// thumbnail the walk reads on).
constexpr size_t kHeadBytes = 64 * 1024;

}  // namespace

ImageProbeResult ProbeImageBytes(std::span<const uint8_t> b, uint64_t fileSize, bool details) {
    ImageProbeResult r;
    const char* format = nullptr;
    if (StartsWith(b, "BM", 2) && b.size() >= 30) {
        format = "BMP";
    } else if (StartsWith(b, "\xFF\xD8\xFF", 3)) {
        format = "JPG";
    } else if (StartsWith(b, "GIF87a", 6) || StartsWith(b, "GIF89a", 6)) {
        format = "GIF";
    } else if (StartsWith(b, "\x89PNG\r\n\x1A\n", 8) && b.size() >= 26) {
        format = "PNG";
    } else if (StartsWith(b, "II*\0", 4) || StartsWith(b, "MM\0*", 4)) {
        format = "TIF";
    }
    if (format) {
        r.FormatName = format;
        if (details) {
            std::string f = format;
            if (f == "BMP")
                ProbeBmp(b, r);
            if (f == "JPG")
                ProbeJpg(b, r);
            if (f == "GIF")
                ProbeGif(b, r);
            if (f == "PNG")
                ProbePng(b, r);
            if (f == "TIF")
                ProbeTif(b, r);
        }
        return r;
    }
    if (TgaHeader(b, fileSize, r))
        return r;
    if (PcxHeader(b, fileSize, r))
        return r;
    return ImageProbeResult{};
}

ImageProbeResult ProbeImageFile(const std::string& path, bool details) {
    size_t end = path.find_last_not_of(' ');
    if (end == std::string::npos || !NamesFile(path.substr(0, end + 1)))
        return ImageProbeResult{};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ImageProbeResult{};
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0)
        return ImageProbeResult{};
    in.seekg(0);
    std::vector<uint8_t> head(static_cast<size_t>(std::min<std::streamoff>(size, kHeadBytes)));
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    if (!in)
        return ImageProbeResult{};
    ImageProbeResult r = ProbeImageBytes(head, static_cast<uint64_t>(size), details);
    if (details && r.FormatName == "JPG" && r.Width == 0 &&
        static_cast<size_t>(size) > head.size()) {
        // The frame header lies further on: read the whole file (bounded).
        constexpr std::streamoff kMaxJpegWalk = 64ll << 20;
        head.resize(static_cast<size_t>(std::min(size, kMaxJpegWalk)));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        if (in)
            r = ProbeImageBytes(head, static_cast<uint64_t>(size), details);
    }
    return r;
}

}  // namespace velmora::render
