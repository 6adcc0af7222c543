#include "render/TgaPcx.h"

#include <array>
#include <cstring>

#include "base/ByteReader.h"

namespace velmora::render {

namespace {

// 5-bit channel to 8 bits by bit replication (v << 3 | v >> 2), as a 5-5-5
// bitmap is drawn on a 32-bit surface: 0 stays 0, 31 becomes 255.
constexpr std::array<uint8_t, 32> kFive = [] {
    std::array<uint8_t, 32> t{};
    for (int v = 0; v < 32; ++v)
        t[v] = static_cast<uint8_t>(v << 3 | v >> 2);
    return t;
}();

inline uint32_t FromWord555(uint32_t w) {
    return Rgb(kFive[(w >> 10) & 31], kFive[(w >> 5) & 31], kFive[w & 31]);
}

DecodedBitmap Fail(DecodeStatus s, std::string message) {
    DecodedBitmap d;
    d.status = s;
    d.message = std::move(message);
    return d;
}

DecodedBitmap Unsupported(const char* what) {
    return Fail(DecodeStatus::Unsupported, std::string("不支持的图片格式：") + what);
}

// Pixel source of a TGA: plain, or run-length packets of whole pixels.
class TgaPixels {
  public:
    TgaPixels(std::span<const uint8_t> data, int bpp, bool rle)
        : data_(data), bpp_(bpp), rle_(rle) {}

    // Fills n pixels; returns how many came from the data (the rest of the
    // row is left as it is: zero).
    int Fill(uint8_t* out, int n) {
        int done = 0;
        while (done < n) {
            if (!rle_) {
                size_t avail = (data_.size() - pos_) / static_cast<size_t>(bpp_);
                size_t take = std::min<size_t>(avail, static_cast<size_t>(n - done));
                std::memcpy(out + static_cast<size_t>(done) * bpp_, data_.data() + pos_,
                            take * bpp_);
                pos_ += take * bpp_;
                done += static_cast<int>(take);
                return done;
            }
            if (runLeft_ == 0 && literalLeft_ == 0) {
                if (pos_ >= data_.size())
                    return done;
                uint8_t packet = data_[pos_++];
                if (packet & 0x80) {
                    if (data_.size() - pos_ < static_cast<size_t>(bpp_))
                        return done;
                    std::memcpy(run_, data_.data() + pos_, bpp_);
                    pos_ += bpp_;
                    runLeft_ = packet - 127;
                } else {
                    literalLeft_ = packet + 1;
                }
            }
            if (runLeft_ > 0) {
                int take = std::min(runLeft_, n - done);
                for (int i = 0; i < take; ++i)
                    std::memcpy(out + static_cast<size_t>(done + i) * bpp_, run_, bpp_);
                done += take;
                runLeft_ -= take;
            } else {
                int take = std::min(literalLeft_, n - done);
                size_t avail = (data_.size() - pos_) / static_cast<size_t>(bpp_);
                if (avail < static_cast<size_t>(take)) {
                    take = static_cast<int>(avail);
                    literalLeft_ = take;  // the data ends inside this packet
                    if (take == 0)
                        return done;
                }
                std::memcpy(out + static_cast<size_t>(done) * bpp_, data_.data() + pos_,
                            static_cast<size_t>(take) * bpp_);
                pos_ += static_cast<size_t>(take) * bpp_;
                done += take;
                literalLeft_ -= take;
            }
        }
        return done;
    }

  private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    int bpp_;
    bool rle_;
    int runLeft_ = 0, literalLeft_ = 0;
    uint8_t run_[4] = {};
};

}  // namespace

std::string TooLargeMessage(int64_t width, int64_t height) {
    return "图片太大，无法载入（" + std::to_string(width) + "×" + std::to_string(height) +
           "，解码后超过 1 GB）";
}

DecodedBitmap DecodeTga(std::span<const uint8_t> file) {
    ByteReader r(file);
    const uint8_t idLength = r.U8();
    const uint8_t mapType = r.U8();
    const uint8_t type = r.U8();
    r.U16();  // first colour-map index: not interpreted
    const uint16_t mapLength = r.U16();
    const uint8_t mapEntryBits = r.U8();
    r.U16();
    r.U16();  // x and y origin
    const int32_t width = r.I16();
    const int32_t height = r.I16();
    const uint8_t depth = r.U8();
    const uint8_t descriptor = r.U8();
    if (!r.ok())
        return Fail(DecodeStatus::Corrupt, "TGA 文件不完整");
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        return Unsupported("TGA 图像类型");
    if ((type == 1 || type == 9) && depth != 8)
        return Unsupported("TGA 调色板图像的位深");
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return Unsupported("TGA 位深");
    if (width <= 0 || height <= 0)
        return Unsupported("TGA 图像尺寸为零");
    if (!DecodedSizeAllowed(width, height))
        return Fail(DecodeStatus::TooLarge, TooLargeMessage(width, height));
    r.Skip(idLength);

    // Colour map. 8-bit pixels take it by its entry size (none: grey ramp);
    // for other depths a colour map that is present is skipped.
    std::array<uint32_t, 256> palette{};
    const size_t entryBytes = (mapEntryBits + 7u) / 8u;
    if (depth == 8) {
        if (mapEntryBits == 0) {
            for (uint32_t i = 0; i < 256; ++i)
                palette[i] = Rgb(i, i, i);
        } else if (mapEntryBits == 15 || mapEntryBits == 16 || mapEntryBits == 24 ||
                   mapEntryBits == 32) {
            for (uint32_t i = 0; i < mapLength; ++i) {
                uint32_t c;
                if (entryBytes == 2) {
                    c = FromWord555(r.U16());
                } else {
                    uint8_t b = r.U8(), g = r.U8(), rr = r.U8();
                    if (entryBytes == 4)
                        r.U8();
                    c = Rgb(rr, g, b);
                }
                if (i < 256)
                    palette[i] = c;
            }
        } else {
            return Unsupported("TGA 调色板条目大小");
        }
    } else if (mapType == 1) {
        r.Skip(entryBytes * mapLength);
    }
    if (!r.ok())
        return Fail(DecodeStatus::Corrupt, "TGA 文件不完整");
    // Palette indices past the map stay black (the array is zeroed).
    if (depth == 8 && mapEntryBits != 0)
        for (size_t i = mapLength; i < 256; ++i)
            palette[i] = 0xFF000000u;

    DecodedBitmap out;
    const int bpp = depth / 8;
    out.bitCount = depth == 24 ? 32 : depth;
    out.picture.pixels.Resize(width, height);
    if (depth == 32)
        out.alpha.assign(static_cast<size_t>(width) * height, 0);
    TgaPixels pixels(file.subspan(r.pos()), bpp, type >= 9);
    std::vector<uint8_t> row(static_cast<size_t>(width) * bpp);
    const bool topOrigin = descriptor & 0x20;
    const bool rightOrigin = descriptor & 0x10;
    for (int32_t stored = 0; stored < height; ++stored) {
        std::fill(row.begin(), row.end(), uint8_t{0});
        pixels.Fill(row.data(), width);
        const int32_t y = topOrigin ? stored : height - 1 - stored;
        uint32_t* dst = out.picture.pixels.row(y);
        uint8_t* alpha = depth == 32 ? out.alpha.data() + static_cast<size_t>(y) * width : nullptr;
        for (int32_t i = 0; i < width; ++i) {
            const int32_t x = rightOrigin ? width - 1 - i : i;
            const uint8_t* p = row.data() + static_cast<size_t>(i) * bpp;
            switch (depth) {
                case 8:
                    dst[x] = palette[p[0]];
                    break;
                case 16:
                    dst[x] = FromWord555(p[0] | p[1] << 8);
                    break;
                case 24:
                    dst[x] = Rgb(p[2], p[1], p[0]);
                    break;
                default:
                    dst[x] = Rgb(p[2], p[1], p[0]);
                    alpha[x] = p[3];
                    break;
            }
        }
    }
    out.status = DecodeStatus::Ok;
    return out;
}

namespace {

// The byte stream after a PCX header, plain or run-length coded.
class PcxBytes {
  public:
    PcxBytes(std::span<const uint8_t> data, bool rle) : data_(data), rle_(rle) {}

    // Fills n bytes; bytes past the end of the data stay as they are.
    void Fill(uint8_t* out, size_t n) {
        size_t done = 0;
        while (done < n) {
            if (runLeft_ > 0) {
                size_t take = std::min<size_t>(runLeft_, n - done);
                std::memset(out + done, runByte_, take);
                done += take;
                runLeft_ -= take;
                continue;
            }
            if (pos_ >= data_.size())
                return;
            uint8_t b = data_[pos_++];
            if (!rle_ || b < 192) {
                out[done++] = b;
                continue;
            }
            if (pos_ >= data_.size())
                return;
            runByte_ = data_[pos_++];
            runLeft_ = b - 192u;
        }
    }

  private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool rle_;
    size_t runLeft_ = 0;
    uint8_t runByte_ = 0;
};

}  // namespace

DecodedBitmap DecodePcx(std::span<const uint8_t> file) {
    if (file.size() < 128)
        return Fail(DecodeStatus::Corrupt, "PCX 文件不完整");
    ByteReader r(file);
    r.Skip(2);
    const uint8_t encoding = r.U8();
    const uint8_t bits = r.U8();
    const int32_t xmin = r.I16(), ymin = r.I16(), xmax = r.I16(), ymax = r.I16();
    r.Seek(16);
    std::array<uint32_t, 256> palette{};
    for (int i = 0; i < 16; ++i) {
        uint8_t red = r.U8(), g = r.U8(), b = r.U8();
        palette[i] = Rgb(red, g, b);
    }
    r.Seek(65);
    const uint8_t planes = r.U8();
    const uint16_t bytesPerLine = r.U16();
    const int32_t width = xmax - xmin + 1, height = ymax - ymin + 1;
    if (!((planes == 1 && (bits == 1 || bits == 4 || bits == 8)) || (planes == 3 && bits == 8)))
        return Unsupported("PCX 位深与色彩平面的组合");
    if (width <= 0 || height <= 0 || bytesPerLine == 0)
        return Unsupported("PCX 图像尺寸为零");
    if (!DecodedSizeAllowed(width, height))
        return Fail(DecodeStatus::TooLarge, TooLargeMessage(width, height));

    if (bits == 1) {
        palette[0] = Rgb(0, 0, 0);
        palette[1] = Rgb(255, 255, 255);
    } else if (bits == 8 && planes == 1) {
        if (file.size() >= 769 && file[file.size() - 769] == 12) {
            const uint8_t* p = file.data() + file.size() - 768;
            for (int i = 0; i < 256; ++i, p += 3)
                palette[i] = Rgb(p[0], p[1], p[2]);
        } else {
            for (uint32_t i = 0; i < 256; ++i)
                palette[i] = Rgb(i, i, i);
        }
    }

    DecodedBitmap out;
    out.bitCount = planes == 3 ? 32 : bits;
    out.picture.pixels.Resize(width, height);
    PcxBytes bytes(file.subspan(128), encoding == 1);
    const size_t rowBytes = static_cast<size_t>(planes) * bytesPerLine;
    std::vector<uint8_t> row(rowBytes);
    for (int32_t y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), uint8_t{0});
        bytes.Fill(row.data(), rowBytes);
        uint32_t* dst = out.picture.pixels.row(y);
        // Pixels past what a row of bytesPerLine can hold stay black.
        const int32_t held =
            static_cast<int32_t>(std::min<int64_t>(width, int64_t{bytesPerLine} * 8 / bits));
        std::fill(dst, dst + width, 0xFF000000u);
        if (planes == 3) {
            const uint8_t *rp = row.data(), *gp = rp + bytesPerLine, *bp = gp + bytesPerLine;
            for (int32_t x = 0; x < held; ++x)
                dst[x] = Rgb(rp[x], gp[x], bp[x]);
        } else if (bits == 8) {
            for (int32_t x = 0; x < held; ++x)
                dst[x] = palette[row[x]];
        } else if (bits == 4) {
            for (int32_t x = 0; x < held; ++x)
                dst[x] = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 15];
        } else {
            for (int32_t x = 0; x < held; ++x)
                dst[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1];
        }
    }
    out.status = DecodeStatus::Ok;
    return out;
}

}  // namespace velmora::render
