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

bool InflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t room, size_t& produced) {
    produced = 0;
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out;
    z.avail_out = uInt(room);
    int rc = Z_OK;
    while (rc == Z_OK && z.avail_out > 0) rc = inflate(&z, Z_NO_FLUSH);
    produced = size_t(z.next_out - out);
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

namespace {

constexpr long kMaxJpegWorkBytes = 48L << 20;

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    volatile size_t rowsDone = 0;  // rows of the picture decoded before a fault (kept over a longjmp)
};

// Grey where the data ran out.
void GreyFrom(Bitmap& b, size_t row) {
    uint32_t* pixels = b.Data();
    const size_t count = size_t(b.Width()) * size_t(b.Height());
    for (size_t i = row * size_t(b.Width()); i < count; ++i) pixels[i] = 0xFF808080u;
}

// libjpeg's error manager of our own: a fault ends the decoding (longjmp), messages are
// neither formatted nor shown (nobody reads them), so libjpeg's message table stays out.
void OnJpegError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void IgnoreJpegMessage(j_common_ptr, int) {}
void IgnoreJpegOutput(j_common_ptr) {}
void NoJpegText(j_common_ptr, char* buffer) { buffer[0] = 0; }
void ResetJpegErrors(j_common_ptr cinfo) {
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
}

jpeg_error_mgr* SilentErrors(JpegError& err) {
    std::memset(&err.mgr, 0, sizeof err.mgr);
    err.mgr.error_exit = OnJpegError;
    err.mgr.emit_message = IgnoreJpegMessage;
    err.mgr.output_message = IgnoreJpegOutput;
    err.mgr.format_message = NoJpegText;
    err.mgr.reset_error_mgr = ResetJpegErrors;
    return &err.mgr;
}

// The picture's rows into out (sized already); a fault jumps back to ReadJpeg's setjmp
// with err.rowsDone telling how far it got.
void ReadRows(jpeg_decompress_struct& cinfo, Bitmap& out, JpegError& err) {
    // A few rows at a time: the upsampling of the colour planes makes two at once.
    const size_t stride = size_t(out.Width());
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION row = cinfo.output_scanline, count = std::min<JDIMENSION>(4, cinfo.output_height - row);
        JSAMPROW rows[4];
        for (JDIMENSION k = 0; k < count; ++k) rows[k] = reinterpret_cast<JSAMPROW>(out.Data() + (row + k) * stride);
        err.rowsDone = row;
        if (jpeg_read_scanlines(&cinfo, rows, count) == 0) break;
    }
}

// The size only (into width and height when headerOnly), or the whole picture.
bool ReadJpeg(const uint8_t* data, size_t size, size_t maxPixels, Bitmap& out, bool headerOnly, int& width,
              int& height) {
    out.SetSize(0, 0);  // the room reserved in out is kept
    if (size < 4) return false;
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = SilentErrors(err);
    // Everything that must survive a longjmp lives in `out` or is plain data.
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        bool partial = !out.Empty();
        if (partial)
            GreyFrom(out, err.rowsDone);
        else
            out = Bitmap();
        return partial;
    }
    jpeg_create_decompress(&cinfo);
    // libjpeg's own buffers (a progressive picture keeps all its coefficients) stay within
    // this; a picture that needs more fails instead of asking for a backing store.
    cinfo.mem->max_memory_to_use = kMaxJpegWorkBytes;
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), (unsigned long)size);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (headerOnly) {
        width = int(cinfo.image_width);
        height = int(cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return width > 0 && height > 0;
    }
    // Straight into the pixels (libjpeg-turbo's extension: BGRA bytes, a 0xFFRRGGBB pixel on
    // a little-endian machine, as a DIB); the integer IDCT of the fast kind and plain
    // upsampling of the colour planes: a third of the work, with differences of a few levels
    // that a slide's photo does not show.
    cinfo.out_color_space = JCS_EXT_BGRA;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
        size_t(cinfo.image_width) * cinfo.image_height > maxPixels) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // Within the room reserved beforehand: nothing is allocated (nothing can throw) while
    // libjpeg holds its state.
    if (out.Capacity() < size_t(cinfo.output_width) * cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        out = Bitmap();
        return false;
    }
    out.SetSize(int(cinfo.output_width), int(cinfo.output_height));
    ReadRows(cinfo, out, err);
    GreyFrom(out, cinfo.output_scanline);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, size_t maxPixels, Bitmap& out) {
    int width = 0, height = 0;
    return ReadJpeg(data, size, maxPixels, out, false, width, height);
}

bool JpegSize(const uint8_t* data, size_t size, int& width, int& height) {
    Bitmap none;
    width = height = 0;
    return ReadJpeg(data, size, 0, none, true, width, height);
}

}  // namespace tastora::swf
