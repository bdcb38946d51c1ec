#include "exercise/lesson_file.h"

#include "core/files.h"

namespace tastora {

bool LessonFileReader::Open(const std::string& path) {
    path_ = path;
    pos_ = 2;
    open_ = ReadWholeFile(path, bytes_);
    return open_;
}

void LessonFileReader::Close() {
    open_ = false;
    bytes_.clear();
    pos_ = 0;
}

bool LessonFileReader::ReadUnit(char16_t& unit) {
    if (!open_ || pos_ + 1 >= bytes_.size()) return false;
    unit = char16_t(uint8_t(bytes_[pos_]) | uint8_t(bytes_[pos_ + 1]) << 8);
    pos_ += 2;
    return true;
}

}  // namespace tastora
