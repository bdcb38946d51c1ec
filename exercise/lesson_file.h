#pragma once
// Lesson files and the letter table: 16-bit little-endian code units, a byte-order mark
// first, lines ended by CR LF. Also the name of the lesson file for a course level.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tastora {

// A lesson file opened for reading unit by unit (the whole file is held in memory).
class LessonFileReader {
public:
    enum LineEnd {
        kLine,       // a line (the last one may lack its line end)
        kEndMarker,  // "ENDEX" was read at the start of a line
        kEndOfFile,  // nothing was left to read
    };

    // Opens the file and skips its first unit; false when it cannot be read.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return open_; }
    // The next 16-bit unit; false at the end of the file (an odd last byte is ignored).
    bool ReadUnit(char16_t& unit);
    bool AtEnd() const { return !open_ || pos_ >= bytes_.size() || bytes_.size() - pos_ < 2; }
    const std::string& Path() const { return path_; }

    // Reads one line: a CR swallows the unit after it unseen, an LF ends the line; neither
    // is part of the text. With endMarker, the line ends the file as soon as its first five
    // characters read are "ENDEX" (the rest of the file is then left unread).
    LineEnd ReadLine(std::u16string& text, bool endMarker = true);

    // Where the reader stands, to come back to it after looking ahead.
    size_t Tell() const { return pos_; }
    void Seek(size_t pos) { pos_ = pos; }

private:
    std::string path_;
    std::string bytes_;
    size_t pos_ = 0;
    bool open_ = false;
};

// Lesson files are far smaller; a bigger file is refused as not being one.
constexpr size_t kMaxLessonFileBytes = 16u << 20;

// data\text\L<N>.txt (kind 1), T<N>.txt (kind 2), the profile's review file (kind 3, named
// as the review generator writes it), or <N>.txt, with N the whole part of the level and the
// kind its first decimal.
std::string LessonFilePath(double level, const std::string& userName);
// Lines 1 and 2 of a lesson file (caption and start message) as UI text, converted to
// Windows-1251 by the high byte of the line's second unit.
std::string LessonHeaderText(const std::u16string& line);

}  // namespace tastora
