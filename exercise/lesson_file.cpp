#include "exercise/lesson_file.h"

#include <cmath>

#include "core/files.h"
#include "core/text.h"
#include "session/review_name.h"

namespace tastora {

bool LessonFileReader::Open(const std::string& path) {
    path_ = path;
    pos_ = 2;  // the byte-order mark is skipped unread
    open_ = ReadWholeFile(path, bytes_, kMaxLessonFileBytes);
    if (!open_) bytes_.clear();
    return open_;
}

void LessonFileReader::Close() {
    open_ = false;
    bytes_.clear();
    bytes_.shrink_to_fit();
    pos_ = 0;
}

bool LessonFileReader::ReadUnit(char16_t& unit) {
    if (!open_ || pos_ >= bytes_.size() || bytes_.size() - pos_ < 2) return false;  // no wrap at any Seek
    unit = char16_t(uint8_t(bytes_[pos_]) | uint8_t(bytes_[pos_ + 1]) << 8);
    pos_ += 2;
    return true;
}

LessonFileReader::LineEnd LessonFileReader::ReadLine(std::u16string& text, bool endMarker) {
    text.clear();
    char16_t unit;
    bool any = false;
    while (ReadUnit(unit)) {
        any = true;
        if (unit == u'\r') {
            char16_t swallowed;
            if (!ReadUnit(swallowed)) break;
            if (swallowed == u'\n') return kLine;
            continue;
        }
        text += unit;
        if (endMarker && text.size() == 5 && text == u"ENDEX") return kEndMarker;
        if (unit == u'\n') {
            text.pop_back();
            return kLine;
        }
    }
    return any ? kLine : kEndOfFile;
}

std::string LessonFilePath(double level, const std::string& userName) {
    long long whole = 0, kind = 0;
    // A level out of all reason (a damaged profile) names a file that does not exist
    // rather than overflowing.
    if (std::isfinite(level) && std::fabs(level) < 1e15) {
        whole = static_cast<long long>(std::trunc(level));
        kind = static_cast<long long>(std::nearbyint(level * 10)) % 10;
    }
    const std::string n = std::to_string(whole);
    switch (kind) {
        case 1: return "data\\text\\L" + n + ".txt";
        case 2: return "data\\text\\T" + n + ".txt";
        case 3: return ReviewFilePath(userName);
        default: return "data\\text\\" + n + ".txt";
    }
}

std::string LessonHeaderText(const std::u16string& line) {
    // The header lines are turned into 8-bit Windows-1251 text by the high byte of their
    // second unit: units with that high byte become (low byte + 0xB0) mod 256, all others
    // their low byte. With a Cyrillic second character this maps А..я onto 0xC0..0xFF and
    // keeps ASCII; Ё and ё fall outside (0xB1 and 0x01), so course captions avoid them.
    std::string bytes;
    bytes.reserve(line.size());
    const unsigned high = line.size() >= 2 ? unsigned(line[1]) >> 8 : 0;
    for (char16_t unit : line) {
        const unsigned u = unsigned(unit);
        bytes += (u >> 8) == high ? char(((u & 0xFF) + 0xB0) & 0xFF) : char(u & 0xFF);
    }
    return Cp1251ToUtf8(bytes);
}

}  // namespace tastora
