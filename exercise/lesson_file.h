#pragma once
// Lesson files and the letter table: 16-bit little-endian code units, a byte-order mark
// first, lines ended by CR LF.
#include <cstddef>
#include <string>

namespace tastora {

// A lesson file opened for reading unit by unit (the whole file is held in memory).
class LessonFileReader {
public:
    // Opens the file and skips its first unit; false when it cannot be read.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return open_; }
    // The next 16-bit unit; false at the end of the file (an odd last byte is ignored).
    bool ReadUnit(char16_t& unit);
    bool AtEnd() const { return pos_ + 1 >= bytes_.size(); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string bytes_;
    size_t pos_ = 0;
    bool open_ = false;
};

}  // namespace tastora
