#include "exercise/letter_table.h"

#include <algorithm>

#include "core/text.h"
#include "exercise/keys.h"
#include "exercise/lesson_file.h"

namespace tastora {

bool LetterHit::Shifted() const { return line > LetterTable::kPlainLines; }

void LetterTable::Clear() {
    lines_.clear();
    problems_.clear();
}

bool LetterTable::Load(const std::string& path) {
    Clear();
    path_ = path;
    LessonFileReader reader;
    if (!reader.Open(path)) return false;
    std::u16string text;
    int fileLine = 0;  // line of the file, empty lines included, for the messages
    while (int(lines_.size()) < kMaxLines) {
        if (reader.ReadLine(text, false) == LessonFileReader::kEndOfFile) break;
        ++fileLine;
        Line line;
        // An empty line keeps its place (the line number tells plain from shifted) and
        // matches nothing.
        if (text.empty()) {
            lines_.push_back(line);
            continue;
        }
        line.ch = text[0];
        const std::u16string digits = text.substr(1);
        int32_t key = 0;
        bool ascii = true;
        for (char16_t u : digits)
            if (u >= 0x80) ascii = false;
        const std::string where = "строка " + std::to_string(fileLine) + ": ";
        if (digits.empty()) {
            problems_.push_back(where + "нет номера клавиши");
        } else if (!ascii || !ParseInt(Utf16ToUtf8(digits), key) || key < 1 || key > kKeyCount) {
            problems_.push_back(where + "неверный номер клавиши");
        } else {
            line.key = key;
        }
        lines_.push_back(line);
    }
    return true;
}

int LetterTable::ValidLines() const {
    int n = 0;
    for (const Line& line : lines_)
        if (line.key != 0) ++n;
    return n;
}

LetterHit LetterTable::Find(char16_t ch) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].key != 0 && lines_[i].ch == ch) return LetterHit{lines_[i].key, int(i) + 1};
    return LetterHit{};
}

char16_t LetterTable::CharOfKey(int key, bool shifted) const {
    const size_t from = shifted ? size_t(kPlainLines) : 0;
    const size_t to = shifted ? lines_.size() : std::min(lines_.size(), size_t(kPlainLines));
    for (size_t i = from; i < to; ++i)
        if (lines_[i].key == key && key != 0) return lines_[i].ch;
    return 0;
}

}  // namespace tastora
