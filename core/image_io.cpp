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
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t Le16(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 255);
}
void Put16(std::string& b, uint16_t v) {
    b += char(v & 255);
    b += char(v >> 8);
}

int MaskShift(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) { mask >>= 1; ++s; }
    return s;
}
int MaskBits(uint32_t mask) {
    mask >>= MaskShift(mask);
    int n = 0;
    while (mask & 1) { mask >>= 1; ++n; }
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
    if (!DecodeJpegRaw(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &job))
        return false;
    Bitmap pic(job.width, job.height, kWhite);
    const unsigned char* src = job.rgb;
    Rgb* dst = pic.Data();
    for (size_t i = 0, n = size_t(job.width) * size_t(job.height); i < n; ++i, src += 3)
        dst[i] = MakeRgb(src[0], src[1], src[2]);
    std::free(job.rgb);
    out = std::move(pic);
    return true;
}


bool DecodeBmp(const std::string& b, Bitmap& out) {
    out = Bitmap();
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
    const uint32_t dataOffset = Le32(b, 10);
    const uint32_t headerSize = Le32(b, 14);
    // Compared against what is left after the file header, so that a huge header size
    // cannot wrap the sum round in a 32-bit size_t.
    if (headerSize < 12 || headerSize > b.size() - 14) return false;
    int64_t width, height;
    int bpp, compression = 0;
    uint32_t colours = 0;
    if (headerSize == 12) {  // OS/2 core header
        width = Le16(b, 18);
        height = int16_t(Le16(b, 20));
        bpp = Le16(b, 24);
    } else {
        if (headerSize < 40) return false;
        width = int32_t(Le32(b, 18));
        height = int32_t(Le32(b, 22));
        bpp = Le16(b, 28);
        compression = int(Le32(b, 30));
        colours = Le32(b, 46);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    uint32_t rMask = 0, gMask = 0, bMask = 0;
    if (compression == 3 && (bpp == 16 || bpp == 32)) {  // bit fields
        const size_t at = headerSize >= 52 ? 54 : size_t(14) + headerSize;  // headerSize fits (above)
        if (at > b.size() || b.size() - at < 12) return false;
        rMask = Le32(b, at);
        gMask = Le32(b, at + 4);
        bMask = Le32(b, at + 8);
        if (!rMask || !gMask || !bMask) return false;
    } else if (compression != 0) {
        return false;  // run-length and embedded formats are not used by the course
    } else if (bpp == 16) {
        rMask = 0x7C00; gMask = 0x03E0; bMask = 0x001F;
    } else if (bpp == 32) {
        rMask = 0xFF0000; gMask = 0x00FF00; bMask = 0x0000FF;
    }
    // Palette.
    std::vector<Rgb> palette;
    if (bpp <= 8) {
        const size_t entry = headerSize == 12 ? 3 : 4;
        size_t count = colours ? colours : (size_t(1) << bpp);
        if (count > 256) return false;
        const size_t at = 14 + headerSize;  // at most b.size() (above)
        if (count * entry > b.size() - at) return false;
        for (size_t i = 0; i < count; ++i) {
            const size_t p = at + i * entry;
            palette.push_back(MakeRgb(uint8_t(b[p + 2]), uint8_t(b[p + 1]), uint8_t(b[p])));
        }
    }
    const size_t stride = ((size_t(width) * size_t(bpp) + 31) / 32) * 4;
    if (dataOffset > b.size() || stride * size_t(height) > b.size() - dataOffset) return false;
    Bitmap pic(int(width), int(height), kBlack);
    for (int64_t row = 0; row < height; ++row) {
        const size_t line = dataOffset + stride * size_t(row);
        const int y = topDown ? int(row) : int(height - 1 - row);
        for (int x = 0; x < int(width); ++x) {
            Rgb c = 0;
            switch (bpp) {
                case 1: case 4: case 8: {
                    const size_t bit = size_t(x) * size_t(bpp);
                    const uint8_t byte = uint8_t(b[line + bit / 8]);
                    const int shift = 8 - bpp - int(bit % 8);
                    const size_t index = (byte >> shift) & ((1u << bpp) - 1);
                    if (index >= palette.size()) return false;
                    c = palette[index];
                    break;
                }
                case 16: {
                    const uint32_t px = Le16(b, line + size_t(x) * 2);
                    c = MakeRgb(Channel(px, rMask), Channel(px, gMask), Channel(px, bMask));
                    break;
                }
                case 24: {
                    const size_t p = line + size_t(x) * 3;
                    c = MakeRgb(uint8_t(b[p + 2]), uint8_t(b[p + 1]), uint8_t(b[p]));
                    break;
                }
                case 32: {
                    const uint32_t px = Le32(b, line + size_t(x) * 4);
                    c = MakeRgb(Channel(px, rMask), Channel(px, gMask), Channel(px, bMask));
                    break;
                }
            }
            pic.Set(x, y, c);
        }
    }
    out = std::move(pic);
    return true;
}

std::string CannotOpenMessage(const std::string& path) {
    return "Не удаётся открыть файл " + path + ".";
}

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
