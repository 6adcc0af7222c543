#include "render/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <jpeglib.h>

namespace velmora::render {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the call that set the error manager up. The functions
// that set the jump point hold no objects with destructors between the
// setjmp and the library calls, so the jump skips nothing that needs
// cleaning up.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->text);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int) {}  // warnings (for example, data ends early) stay silent

// Chooses 1/1, 1/2, 1/4 or 1/8: the smallest scale still covering the target.
unsigned ScaleDenominator(JDIMENSION w, JDIMENSION h, int32_t minW, int32_t minH) {
    if (minW <= 0 || minH <= 0)
        return 1;
    unsigned denom = 1;
    for (unsigned d : {2u, 4u, 8u}) {
        // Output size at 1/d is ceil(size / d).
        if ((w + d - 1) / d >= static_cast<JDIMENSION>(minW) &&
            (h + d - 1) / d >= static_cast<JDIMENSION>(minH))
            denom = d;
    }
    return denom;
}

enum class Stage { Ok, BadData, TooLarge, NoMemory };

// The decode proper. `rows` and `pixels` are prepared by the caller; no
// object with a destructor lives in this frame across the library calls.
Stage DecodeInto(jpeg_decompress_struct* cinfo, ErrorManager* err, std::span<const uint8_t> bytes,
                 Surface* out, int32_t minW, int32_t minH, uint8_t** cmykRow, size_t* cmykRowSize) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = OnError;
    err->pub.emit_message = OnMessage;
    if (setjmp(err->jump))
        return Stage::BadData;
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(cinfo, TRUE);
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    cinfo->scale_num = 1;
    cinfo->scale_denom = ScaleDenominator(cinfo->image_width, cinfo->image_height, minW, minH);
    jpeg_calc_output_dimensions(cinfo);
    if (!DecodedSizeAllowed(cinfo->output_width, cinfo->output_height))
        return Stage::TooLarge;
    if (cmyk) {
        *cmykRowSize = static_cast<size_t>(cinfo->output_width) * 4;
        *cmykRow = static_cast<uint8_t*>(std::malloc(*cmykRowSize));
        if (!*cmykRow)
            return Stage::NoMemory;
    }
    // The caller's surface takes the size (a failed allocation throws
    // std::bad_alloc, which the caller turns into a message).
    out->Resize(static_cast<int32_t>(cinfo->output_width),
                static_cast<int32_t>(cinfo->output_height));
    jpeg_start_decompress(cinfo);
    while (cinfo->output_scanline < cinfo->output_height) {
        JDIMENSION y = cinfo->output_scanline;
        JSAMPROW row =
            cmyk ? *cmykRow : reinterpret_cast<JSAMPROW>(out->row(static_cast<int32_t>(y)));
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            break;
        if (cmyk) {
            // Inverted CMYK: the stored values are 255 − ink.
            uint32_t* dst = out->row(static_cast<int32_t>(y));
            const uint8_t* s = *cmykRow;
            for (JDIMENSION x = 0; x < cinfo->output_width; ++x, s += 4) {
                uint32_t k = s[3];
                dst[x] =
                    Rgb((s[0] * k + 127) / 255, (s[1] * k + 127) / 255, (s[2] * k + 127) / 255);
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    return Stage::Ok;
}

}  // namespace

DecodeStatus DecodeJpeg(std::span<const uint8_t> bytes, Picture& out, std::string& message,
                        int32_t minWidth, int32_t minHeight) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    ErrorManager err;
    uint8_t* cmykRow = nullptr;
    size_t cmykRowSize = 0;
    out.hasAlpha = false;
    Stage stage;
    try {
        stage = DecodeInto(&cinfo, &err, bytes, &out.pixels, minWidth, minHeight, &cmykRow,
                           &cmykRowSize);
    } catch (const std::bad_alloc&) {
        stage = Stage::NoMemory;
    }
    const bool started = cinfo.global_state != 0;
    if (started)
        jpeg_destroy_decompress(&cinfo);
    std::free(cmykRow);
    switch (stage) {
        case Stage::Ok:
            return DecodeStatus::Ok;
        case Stage::TooLarge:
            message = TooLargeMessage(cinfo.output_width, cinfo.output_height);
            out.pixels = Surface();
            return DecodeStatus::TooLarge;
        case Stage::NoMemory:
            message = "内存不足，无法载入图片";
            out.pixels = Surface();
            return DecodeStatus::TooLarge;
        case Stage::BadData:
            break;
    }
    message = std::string("JPEG 图片无法解码：") + err.text;
    out.pixels = Surface();
    return DecodeStatus::Corrupt;
}

namespace {

bool EncodeInto(jpeg_compress_struct* cinfo, ErrorManager* err, const Surface* surface, int quality,
                unsigned char** buffer, unsigned long* size) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = OnError;
    err->pub.emit_message = OnMessage;
    if (setjmp(err->jump))
        return false;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, buffer, size);
    cinfo->image_width = static_cast<JDIMENSION>(surface->width());
    cinfo->image_height = static_cast<JDIMENSION>(surface->height());
    cinfo->input_components = 4;
    cinfo->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(
            surface->row(static_cast<int32_t>(cinfo->next_scanline))));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace

bool EncodeJpeg(const Surface& surface, int quality, std::vector<uint8_t>& out) {
    if (surface.empty() || surface.width() > 65500 || surface.height() > 65500)
        return false;
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    ErrorManager err;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool ok = EncodeInto(&cinfo, &err, &surface, std::clamp(quality, 1, 100), &buffer, &size);
    if (cinfo.global_state != 0)
        jpeg_destroy_compress(&cinfo);
    if (ok && buffer)
        out.assign(buffer, buffer + size);
    std::free(buffer);
    return ok;
}

}  // namespace velmora::render
