#include "swf/decode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <zlib.h>

namespace tastora::swf {

bool Inflate(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    int rc = Z_OK;
    uint8_t chunk[16384];
    while (rc == Z_OK && out.size() < limit) {
        z.next_out = chunk;
        z.avail_out = uInt(std::min(sizeof chunk, limit - out.size()));
        rc = inflate(&z, Z_NO_FLUSH);
        size_t got = size_t(z.next_out - chunk);
        out.insert(out.end(), chunk, chunk + got);
        if (rc == Z_BUF_ERROR && got == 0) break;  // input ran out
        if (rc == Z_BUF_ERROR) rc = Z_OK;
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
void IgnoreJpegMessage(j_common_ptr, int) {}

// The size only (headerOnly), or the whole picture.
bool ReadJpeg(const uint8_t* data, size_t size, size_t maxPixels, Bitmap& out, bool headerOnly) {
    out = Bitmap();
    if (size < 4) return false;
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    err.mgr.emit_message = IgnoreJpegMessage;
    // Everything that must survive a longjmp lives in `out` or is plain data.
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        bool partial = out.width > 0 && !out.rgba.empty();
        if (!partial) out = Bitmap();
        return partial;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), (unsigned long)size);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (headerOnly) {
        out.width = int(cinfo.image_width);
        out.height = int(cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return out.width > 0 && out.height > 0;
    }
    cinfo.out_color_space = JCS_RGB;
    if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
        size_t(cinfo.image_width) * cinfo.image_height > maxPixels) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    out.rgba.assign(size_t(out.width) * out.height * 4, 0);
    for (size_t i = 0; i < out.rgba.size(); i += 4) {
        out.rgba[i] = out.rgba[i + 1] = out.rgba[i + 2] = 128;
        out.rgba[i + 3] = 255;
    }
    // Each row is read as RGB into the start of its own RGBA row and spread out in place
    // from the right, so that no buffer outlives a longjmp.
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t* dst = out.rgba.data() + size_t(cinfo.output_scanline) * out.width * 4;
        JSAMPROW rows[1] = {dst};
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
        for (int x = out.width - 1; x >= 0; --x) {
            uint8_t r = dst[x * 3], g = dst[x * 3 + 1], b = dst[x * 3 + 2];
            dst[x * 4] = r;
            dst[x * 4 + 1] = g;
            dst[x * 4 + 2] = b;
            dst[x * 4 + 3] = 255;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, size_t maxPixels, Bitmap& out) {
    return ReadJpeg(data, size, maxPixels, out, false);
}

bool JpegSize(const uint8_t* data, size_t size, int& width, int& height) {
    Bitmap header;
    bool ok = ReadJpeg(data, size, 0, header, true);
    width = header.width;
    height = header.height;
    return ok;
}

}  // namespace tastora::swf
