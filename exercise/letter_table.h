#pragma once
// The letter table data\litere.txt: which key types each character. 16-bit little-endian
// units, a byte-order mark first, one line per character: the character (one unit) and its
// key number in decimal. Lines 1..48 hold the unshifted characters (and the space), lines
// 49..97 the shifted ones.
#include <string>
#include <vector>

namespace tastora {

constexpr const char* kLetterTablePath = "data\\litere.txt";

// Where a character was found: its key number and the 1-based line of the table (0, 0 when
// the table lacks it).
struct LetterHit {
    int key = 0;
    int line = 0;
    bool Found() const { return line > 0; }
    // A character of lines 49..97 is typed with Shift.
    bool Shifted() const;
};

class LetterTable {
public:
    static constexpr int kMaxLines = 97;
    static constexpr int kPlainLines = 48;

    struct Line {
        char16_t ch = 0;
        int key = 0;  // 1..61; 0 on a malformed line, which matches nothing
    };

    // Reads the table afresh (load it once per use: per exercise start, per review text).
    // False when the file cannot be read; the table is then empty. An empty line counts as a
    // line that matches nothing; a malformed line still counts as a line (so the lines after it keep
    // their places) but matches nothing and is listed in Problems(). At most 97 lines are read.
    bool Load(const std::string& path = kLetterTablePath);
    void Clear();

    const std::string& Path() const { return path_; }
    const std::vector<Line>& Lines() const { return lines_; }  // [0] is line 1
    int ValidLines() const;
    // Texts of the malformed lines, e.g. "строка 5: нет номера клавиши".
    const std::vector<std::string>& Problems() const { return problems_; }

    // The first line whose character is ch.
    LetterHit Find(char16_t ch) const;
    // The character of the first line holding key: among lines 1..48, or among 49..97 when
    // shifted; 0 when there is none.
    char16_t CharOfKey(int key, bool shifted = false) const;

private:
    std::string path_;
    std::vector<Line> lines_;
    std::vector<std::string> problems_;
};

}  // namespace tastora
