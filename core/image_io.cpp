#include "core/image_io.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include <jpeglib.h>

#include "core/errors.h"
#include "core/files.h"

namespace tastora {

namespace {

// Pictures larger than this are refused as damaged (the course's largest is under 1000 px).
constexpr int kMaxSide = 8192;

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// Messages are not printed; warnings are still counted (a truncated file only warns).
void IgnoreJpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0) cinfo->err->num_warnings++;
}

uint32_t Le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t Le16(const std::string& b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }
void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 255);
}
void Put16(std::string& b, uint16_t v) {
    b += char(v & 255);
    b += char(v >> 8);
}

int MaskShift(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}
int MaskBits(uint32_t mask) {
    mask >>= MaskShift(mask);
    int n = 0;
    while (mask & 1) {
        mask >>= 1;
        ++n;
    }
    return n;
}
int Channel(uint32_t px, uint32_t mask) {
    if (!mask) return 0;
    const int bits = MaskBits(mask);
    const uint32_t v = (px & mask) >> MaskShift(mask);
    if (bits >= 8) return int(v >> (bits - 8));
    return int((v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
}

// The libjpeg part keeps to plain C data, so that the long jump out of an error leaves no
// C++ object half-built: the pixels go to a malloc'd buffer owned through the error record.
constexpr long kMaxJpegWorkBytes = 64L << 20;

struct JpegJob {
    JpegError err;
    unsigned char* rgb = nullptr;
    int width = 0, height = 0;
};

bool DecodeJpegRaw(const unsigned char* data, size_t size, JpegJob* job) {
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&job->err.mgr);
    job->err.mgr.error_exit = OnJpegError;
    job->err.mgr.emit_message = IgnoreJpegMessage;
    if (setjmp(job->err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(job->rgb);
        job->rgb = nullptr;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    // The size is checked before anything is decoded (a progressive picture would first
    // gather all its coefficients), and libjpeg's own buffers stay bounded.
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > unsigned(kMaxSide) ||
        cinfo.image_height > unsigned(kMaxSide)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.mem->max_memory_to_use = kMaxJpegWorkBytes;
    jpeg_start_decompress(&cinfo);
    const int w = int(cinfo.output_width), h = int(cinfo.output_height);
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || cinfo.output_components != 3) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    job->rgb = static_cast<unsigned char*>(std::malloc(size_t(w) * size_t(h) * 3));
    if (!job->rgb) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {job->rgb + size_t(cinfo.output_scanline) * size_t(w) * 3};
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
    }
    const bool complete = cinfo.output_scanline == cinfo.output_height;
    jpeg_finish_decompress(&cinfo);
    // libjpeg pads a truncated file with grey and only warns: treat that as damage.
    const bool damaged = !complete || cinfo.err->num_warnings > 0;
    jpeg_destroy_decompress(&cinfo);
    if (damaged) {
        std::free(job->rgb);
        job->rgb = nullptr;
        return false;
    }
    job->width = w;
    job->height = h;
    return true;
}

}  // namespace

bool DecodeJpeg(const std::string& bytes, Bitmap& out) {
    out = Bitmap();
    if (bytes.size() < 4) return false;
    JpegJob job;
    if (!DecodeJpegRaw(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &job)) return false;
    Bitmap pic(job.width, job.height, kWhite);
    const unsigned char* src = job.rgb;
    Rgb* dst = pic.Data();
    for (size_t i = 0, n = size_t(job.width) * size_t(job.height); i < n; ++i, src += 3)
        dst[i] = MakeRgb(src[0], src[1], src[2]);
    std::free(job.rgb);
    out = std::move(pic);
    return true;
}

namespace {

// What the headers of a BMP file say about its pixels.
struct BmpFormat {
    uint32_t dataOffset = 0, headerSize = 0, colours = 0;
    int64_t width = 0, height = 0;
    int bpp = 0, compression = 0;
    bool topDown = false;
    uint32_t rMask = 0, gMask = 0, bMask = 0;  // 16 and 32 bits per pixel
};

// The file header and the core or info header: false for what the course never uses or a
// header that does not fit the file.
bool ReadBmpHeaders(const std::string& b, BmpFormat& f) {
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
    f.dataOffset = Le32(b, 10);
    f.headerSize = Le32(b, 14);
    // Compared against what is left after the file header, so that a huge header size
    // cannot wrap the sum round in a 32-bit size_t.
    if (f.headerSize < 12 || f.headerSize > b.size() - 14) return false;
    if (f.headerSize == 12) {  // OS/2 core header
        f.width = Le16(b, 18);
        f.height = int16_t(Le16(b, 20));
        f.bpp = Le16(b, 24);
    } else {
        if (f.headerSize < 40) return false;
        f.width = int32_t(Le32(b, 18));
        f.height = int32_t(Le32(b, 22));
        f.bpp = Le16(b, 28);
        f.compression = int(Le32(b, 30));
        f.colours = Le32(b, 46);
    }
    f.topDown = f.height < 0;
    if (f.topDown) f.height = -f.height;
    if (f.width <= 0 || f.height <= 0 || f.width > kMaxSide || f.height > kMaxSide) return false;
    const int bpp = f.bpp;
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// The channel masks of 16 and 32 bits per pixel: the file's bit fields or the defaults.
// False for a compressed format (run-length and embedded formats are not used by the course).
bool ReadBmpMasks(const std::string& b, BmpFormat& f) {
    if (f.compression == 3 && (f.bpp == 16 || f.bpp == 32)) {                   // bit fields
        const size_t at = f.headerSize >= 52 ? 54 : size_t(14) + f.headerSize;  // headerSize fits
        if (at > b.size() || b.size() - at < 12) return false;
        f.rMask = Le32(b, at);
        f.gMask = Le32(b, at + 4);
        f.bMask = Le32(b, at + 8);
        return f.rMask && f.gMask && f.bMask;
    }
    if (f.compression != 0) return false;
    if (f.bpp == 16) f.rMask = 0x7C00, f.gMask = 0x03E0, f.bMask = 0x001F;
    if (f.bpp == 32) f.rMask = 0xFF0000, f.gMask = 0x00FF00, f.bMask = 0x0000FF;
    return true;
}

// The palette of 1, 4 and 8 bits per pixel (empty for more); false when it does not fit.
bool ReadBmpPalette(const std::string& b, const BmpFormat& f, std::vector<Rgb>& palette) {
    if (f.bpp > 8) return true;
    const size_t entry = f.headerSize == 12 ? 3 : 4;
    const size_t count = f.colours ? f.colours : (size_t(1) << f.bpp);
    if (count > 256) return false;
    const size_t at = 14 + f.headerSize;  // at most b.size() (checked with the headers)
    if (count * entry > b.size() - at) return false;
    for (size_t i = 0; i < count; ++i) {
        const size_t p = at + i * entry;
        palette.push_back(MakeRgb(uint8_t(b[p + 2]), uint8_t(b[p + 1]), uint8_t(b[p])));
    }
    return true;
}

// Pixel x of the row that starts at byte `line`; false for a palette index beyond the palette.
bool BmpPixel(const std::string& b, const BmpFormat& f, const std::vector<Rgb>& palette, size_t line, int x, Rgb& c) {
    switch (f.bpp) {
        case 16: {
            const uint32_t px = Le16(b, line + size_t(x) * 2);
            c = MakeRgb(Channel(px, f.rMask), Channel(px, f.gMask), Channel(px, f.bMask));
            return true;
        }
        case 24: {
            const size_t p = line + size_t(x) * 3;
            c = MakeRgb(uint8_t(b[p + 2]), uint8_t(b[p + 1]), uint8_t(b[p]));
            return true;
        }
        case 32: {
            const uint32_t px = Le32(b, line + size_t(x) * 4);
            c = MakeRgb(Channel(px, f.rMask), Channel(px, f.gMask), Channel(px, f.bMask));
            return true;
        }
        default: {  // 1, 4 or 8 bits: an index into the palette
            const size_t bit = size_t(x) * size_t(f.bpp);
            const uint8_t byte = uint8_t(b[line + bit / 8]);
            const int shift = 8 - f.bpp - int(bit % 8);
            const size_t index = (byte >> shift) & ((1u << f.bpp) - 1);
            if (index >= palette.size()) return false;
            c = palette[index];
            return true;
        }
    }
}

}  // namespace

bool DecodeBmp(const std::string& b, Bitmap& out) {
    out = Bitmap();
    BmpFormat f;
    std::vector<Rgb> palette;
    if (!ReadBmpHeaders(b, f) || !ReadBmpMasks(b, f) || !ReadBmpPalette(b, f, palette)) return false;
    const size_t stride = ((size_t(f.width) * size_t(f.bpp) + 31) / 32) * 4;
    if (f.dataOffset > b.size() || stride * size_t(f.height) > b.size() - f.dataOffset) return false;
    Bitmap pic(int(f.width), int(f.height), kBlack);
    for (int64_t row = 0; row < f.height; ++row) {
        const size_t line = f.dataOffset + stride * size_t(row);
        const int y = f.topDown ? int(row) : int(f.height - 1 - row);
        for (int x = 0; x < int(f.width); ++x) {
            Rgb c = 0;
            if (!BmpPixel(b, f, palette, line, x, c)) return false;
            pic.Set(x, y, c);
        }
    }
    out = std::move(pic);
    return true;
}

std::string CannotOpenMessage(const std::string& path) { return "Не удаётся открыть файл " + path + "."; }

std::string DamagedPictureMessage(const std::string& path) {
    return "Файл " + path + " повреждён или не является рисунком.";
}

namespace {

// Decoded pictures kept between loads, by absolute path, with the stamp of the file they
// came from. An exercise starts with some five hundred of them, and opening that many
// files is what takes the time; a stamp costs no open.
struct KeptPicture {
    FileStamp stamp;
    Bitmap picture;
};
constexpr size_t kKeptPictures = 4096;

std::unordered_map<std::string, KeptPicture>& KeptPictures() {
    static std::unordered_map<std::string, KeptPicture> kept;
    return kept;
}

// The picture of the file, from the kept ones while the file is unchanged. A missing file
// gives an empty picture when optional.
Bitmap LoadKeptJpeg(const std::string& path, bool optional) {
    auto& kept = KeptPictures();
    const std::string key = AbsolutePath(path);
    FileStamp now;
    if (!GetFileStamp(path, now)) {
        kept.erase(key);
        if (optional && !FileExists(path)) return Bitmap();
        throw TastoraError(CannotOpenMessage(path));
    }
    const auto it = kept.find(key);
    if (it != kept.end() && it->second.stamp == now) return it->second.picture;
    if (it != kept.end()) kept.erase(it);
    std::string bytes;
    FileStamp stamp;
    if (!ReadWholeFile(path, bytes, 64u << 20, &stamp)) throw TastoraError(CannotOpenMessage(path));
    Bitmap pic;
    if (!DecodeJpeg(bytes, pic)) throw TastoraError(DamagedPictureMessage(path));
    if (kept.size() >= kKeptPictures) kept.clear();
    kept.emplace(key, KeptPicture{stamp, pic});
    return pic;
}

}  // namespace

Bitmap LoadJpeg(const std::string& path) { return LoadKeptJpeg(path, false); }

Bitmap LoadOptionalJpeg(const std::string& path) { return LoadKeptJpeg(path, true); }

void ForgetKeptPictures() { KeptPictures().clear(); }

Bitmap LoadBmp(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) throw TastoraError(CannotOpenMessage(path));
    Bitmap pic;
    if (!DecodeBmp(bytes, pic)) throw TastoraError(DamagedPictureMessage(path));
    return pic;
}

std::string EncodeBmp(const Bitmap& bmp) {
    const uint32_t stride = (uint32_t(bmp.Width()) * 3 + 3) & ~3u;
    const uint32_t dataSize = stride * uint32_t(bmp.Height());
    std::string b;
    b.reserve(54 + dataSize);
    b += "BM";
    Put32(b, 54 + dataSize);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, uint32_t(bmp.Width()));
    Put32(b, uint32_t(bmp.Height()));
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, dataSize);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = bmp.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < bmp.Width(); ++x) {
            const Rgb c = bmp.At(x, y);
            b += char(c & 255);
            b += char((c >> 8) & 255);
            b += char((c >> 16) & 255);
        }
        for (uint32_t pad = uint32_t(bmp.Width()) * 3; pad < stride; ++pad) b += '\0';
    }
    return b;
}

}  // namespace tastora
