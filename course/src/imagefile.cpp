#include "imagefile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "util.h"

namespace course {

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
    JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

void PutLe(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
}

uint32_t GetLe(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint32_t(uint8_t(s[at + size_t(i)])) << (8 * i);
    return v;
}

}  // namespace

std::string EncodeJpeg(const Image& img, int quality) {
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        throw CourseError("libjpeg", std::string("encoding failed: ") + err.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(img.Width());
    cinfo.image_height = JDIMENSION(img.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    // 4:4:4: small coloured glyphs keep their edges.
    for (int c = 0; c < 3; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(img.Width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = int(cinfo.next_scanline);
        for (int x = 0; x < img.Width(); ++x) {
            Color c = img.Get(x, y);
            row[size_t(x) * 3] = c.r;
            row[size_t(x) * 3 + 1] = c.g;
            row[size_t(x) * 3 + 2] = c.b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string out(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

Image DecodeJpeg(const std::string& bytes, const std::string& name) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        throw CourseError(name, std::string("not a readable JPEG: ") + err.message);
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    Image img(int(cinfo.output_width), int(cinfo.output_height));
    std::vector<unsigned char> row(size_t(cinfo.output_width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        int y = int(cinfo.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        for (int x = 0; x < img.Width(); ++x)
            img.Set(x, y, Rgb(row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return img;
}

std::string EncodeBmp24(const Image& img) {
    const int stride = (img.Width() * 3 + 3) / 4 * 4;
    const uint32_t dataSize = uint32_t(stride) * uint32_t(img.Height());
    std::string s;
    s += "BM";
    PutLe(s, 54 + dataSize, 4);
    PutLe(s, 0, 4);
    PutLe(s, 54, 4);
    PutLe(s, 40, 4);
    PutLe(s, uint32_t(img.Width()), 4);
    PutLe(s, uint32_t(img.Height()), 4);  // positive: bottom-up rows
    PutLe(s, 1, 2);
    PutLe(s, 24, 2);
    PutLe(s, 0, 4);  // BI_RGB
    PutLe(s, dataSize, 4);
    PutLe(s, 2835, 4);
    PutLe(s, 2835, 4);
    PutLe(s, 0, 4);
    PutLe(s, 0, 4);
    for (int y = img.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < img.Width(); ++x) {
            Color c = img.Get(x, y);
            s += char(c.b);
            s += char(c.g);
            s += char(c.r);
        }
        for (int p = img.Width() * 3; p < stride; ++p) s += '\0';
    }
    return s;
}

Image DecodeBmp24(const std::string& s, const std::string& name) {
    if (s.size() < 54 || s[0] != 'B' || s[1] != 'M') throw CourseError(name, "not a BMP file");
    uint32_t offset = GetLe(s, 10, 4);
    int w = int(GetLe(s, 18, 4));
    int h = int(GetLe(s, 22, 4));
    if (GetLe(s, 14, 4) != 40 || GetLe(s, 26, 2) != 1 || GetLe(s, 28, 2) != 24 || GetLe(s, 30, 4) != 0)
        throw CourseError(name, "not an uncompressed 24-bit BMP");
    if (w <= 0 || h <= 0 || w > 10000 || h > 10000) throw CourseError(name, "bad BMP size");
    const size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
    if (offset < 54 || offset + stride * size_t(h) > s.size()) throw CourseError(name, "BMP pixel data truncated");
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        size_t row = offset + stride * size_t(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            size_t p = row + size_t(x) * 3;
            img.Set(x, y, Rgb(uint8_t(s[p + 2]), uint8_t(s[p + 1]), uint8_t(s[p])));
        }
    }
    return img;
}

namespace {
void PngAppend(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void PngFlush(png_structp) {}
}  // namespace

std::string EncodePng(const Image& img) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw CourseError("PNG", "cannot start the encoder");
    }
    std::vector<uint8_t> row(size_t(img.Width()) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw CourseError("PNG", "encoding failed");
    }
    png_set_write_fn(png, &out, PngAppend, PngFlush);
    png_set_IHDR(png, info, png_uint_32(img.Width()), png_uint_32(img.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < img.Height(); ++y) {
        for (int x = 0; x < img.Width(); ++x) {
            Color c = img.Get(x, y);
            row[size_t(x) * 3] = c.r;
            row[size_t(x) * 3 + 1] = c.g;
            row[size_t(x) * 3 + 2] = c.b;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace course
