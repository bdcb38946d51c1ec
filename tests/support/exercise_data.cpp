#include "tests/support/exercise_data.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <tuple>
#include <vector>

#include <jpeglib.h>

#include "exercise/keys.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace tastora {

std::string EncodeJpeg(const Bitmap& picture, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(picture.Width());
    cinfo.image_height = JDIMENSION(picture.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(picture.Width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgb c = picture.At(x, y);
            row[size_t(x) * 3] = (c >> 16) & 255;
            row[size_t(x) * 3 + 1] = (c >> 8) & 255;
            row[size_t(x) * 3 + 2] = c & 255;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    jpeg_destroy_compress(&cinfo);
    return bytes;
}

std::string SolidJpeg(int width, int height, Rgb colour) {
    // The same pictures are asked for again and again: encode each once.
    static std::map<std::tuple<int, int, Rgb>, std::string> cache;
    auto& bytes = cache[std::make_tuple(width, height, colour)];
    if (bytes.empty()) bytes = EncodeJpeg(Bitmap(width, height, colour));
    return bytes;
}

Rgb KeyPictureColour(int n, int state) { return MakeRgb(30 + 40 * state, 4 * n, 40); }
Rgb CharPictureColour(int n, int look) { return MakeRgb(4 * n, 20 + 40 * look, 160); }

int KeyPictureWidth(int n) {
    KeyPoint pos[kKeyCount + 1];
    FillKeyPositions(pos);
    if (n < kKeyCount && pos[n + 1].y == pos[n].y) return pos[n + 1].x - pos[n].x - 2;
    return 857 - pos[n].x;
}

bool NearColour(Rgb a, Rgb b, int tolerance) {
    for (int shift : {16, 8, 0}) {
        const int d = int((a >> shift) & 255) - int((b >> shift) & 255);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

namespace {

// Writes the pictures under root (a folder holding pictures\).
void WritePictures(const std::string& root) {
    WriteTestFile(root + "pictures\\butoane\\k.jpg", SolidJpeg(857, 289, kKeyboardColour));
    WriteTestFile(root + "pictures\\alb.jpg", SolidJpeg(737, 233, kTextAreaColour));
    static const char* kKeySuffix[6] = {"", "", "u", "b", "h", "uh"};
    static const char* kCharSuffix[6] = {"", "b", "r", "u", "ub", "ur"};
    for (int n = 1; n <= kKeyCount; ++n) {
        const std::string key = root + "pictures\\butoane\\" + std::to_string(n);
        for (int state = 1; state <= 5; ++state) {
            if (state == 5 && !((n >= 1 && n <= 13) || (n >= 50 && n <= 52))) continue;
            WriteTestFile(key + kKeySuffix[state] + ".jpg",
                          SolidJpeg(KeyPictureWidth(n), 55, KeyPictureColour(n, state)));
        }
        const std::string chr = root + "pictures\\caractere\\" + std::to_string(n);
        for (int look = 0; look < 6; ++look)
            WriteTestFile(chr + kCharSuffix[look] + ".jpg", SolidJpeg(18, 30, CharPictureColour(n, look)));
    }
}

// One set of pictures for the whole test program, removed when it ends.
class MasterPictures {
public:
    MasterPictures() {
        root_ = MakeTempFolder("tastora-pictures-");
        WritePictures(root_ + "/");
    }
    ~MasterPictures() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

const MasterPictures& Master() {
    static const MasterPictures master;
    return master;
}

}  // namespace

void WriteCoursePictures() { WritePictures("data\\"); }

void LinkCoursePictures() {
    const std::string& root = Master().root();
    fs::create_directories("data/pictures");
    fs::copy_file(root + "/pictures/alb.jpg", "data/pictures/alb.jpg", fs::copy_options::overwrite_existing);
    for (const char* folder : {"butoane", "caractere"}) {
        const fs::path link = fs::path("data/pictures") / folder;
        std::error_code ec;
        fs::remove_all(link, ec);
        fs::create_directory_symlink(fs::path(root) / "pictures" / folder, link, ec);
        // Windows (the benchmarks' build) may not allow links: a copy then.
        if (ec) fs::copy(fs::path(root) / "pictures" / folder, link, fs::copy_options::recursive);
    }
}

void OwnPictureFolder(const std::string& folder) {
    const fs::path link = fs::path("data/pictures") / folder;
    if (!fs::is_symlink(link)) return;
    const fs::path target = fs::read_symlink(link);
    fs::remove(link);
    fs::copy(target, link, fs::copy_options::recursive);
}

std::string LetterTableBytes() {
    // Key numbers and characters of the course keyboard.
    static const struct {
        int key;
        const char* plain;
        const char* shifted;
    } kKeys[] = {
        {1, "ё", "Ё"},  {2, "1", "!"},  {3, "2", "\""}, {4, "3", "№"},  {5, "4", ";"},   {6, "5", "%"},  {7, "6", ":"},
        {8, "7", "?"},  {9, "8", "*"},  {10, "9", "("}, {11, "0", ")"}, {12, "-", "_"},  {13, "=", "+"}, {16, "й", "Й"},
        {17, "ц", "Ц"}, {18, "у", "У"}, {19, "к", "К"}, {20, "е", "Е"}, {21, "н", "Н"},  {22, "г", "Г"}, {23, "ш", "Ш"},
        {24, "щ", "Щ"}, {25, "з", "З"}, {26, "х", "Х"}, {27, "ъ", "Ъ"}, {28, "\\", "/"}, {30, "ф", "Ф"}, {31, "ы", "Ы"},
        {32, "в", "В"}, {33, "а", "А"}, {34, "п", "П"}, {35, "р", "Р"}, {36, "о", "О"},  {37, "л", "Л"}, {38, "д", "Д"},
        {39, "ж", "Ж"}, {40, "э", "Э"}, {43, "я", "Я"}, {44, "ч", "Ч"}, {45, "с", "С"},  {46, "м", "М"}, {47, "и", "И"},
        {48, "т", "Т"}, {49, "ь", "Ь"}, {50, "б", "Б"}, {51, "ю", "Ю"}, {52, ".", ","},
    };
    std::vector<std::string> lines;
    for (const auto& k : kKeys) lines.push_back(std::string(k.plain) + std::to_string(k.key));
    lines.push_back(" 57");
    for (const auto& k : kKeys) lines.push_back(std::string(k.shifted) + std::to_string(k.key));
    if (lines.size() != 95 || lines[47] != " 57") throw std::logic_error("letter table of the tests");
    return Utf16Lines(lines);
}

void WriteLetterTable() { WriteTestFile("data\\litere.txt", LetterTableBytes()); }

}  // namespace tastora
