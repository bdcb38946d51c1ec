#include "lessons.h"

#include <cstdio>
#include <map>

#include "util.h"

namespace course {

namespace {

bool IsCyrillicBasic(char32_t c) { return c >= 0x0410 && c <= 0x044F; }

std::string Where(const std::string& file, size_t line) { return file + ":" + std::to_string(line); }

std::string TwoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

void PutUnit(std::string& out, char32_t u) {
    out += char(u & 0xFF);
    out += char((u >> 8) & 0xFF);
}

void PutLine(std::string& out, const std::u32string& line) {
    for (char32_t c : line) PutUnit(out, c);
    PutUnit(out, U'\r');
    PutUnit(out, U'\n');
}

std::u32string Ascii(const std::string& s) { return std::u32string(s.begin(), s.end()); }

// Lines 1 and 2 pass through the high-byte rule, so only basic Cyrillic letters and ASCII
// survive it, and only when the second character is Cyrillic.
void CheckHeaderLine(const std::u32string& text, const std::string& what, const std::string& where) {
    if (text.size() < 2) throw CourseError(where, what + " is too short");
    if (!IsCyrillicBasic(text[1]))
        throw CourseError(
            where, what + ": the second character must be a Cyrillic letter (А..я), is " + DescribeChar(text[1]));
    for (char32_t c : text) {
        if (IsCyrillicBasic(c) || (c >= 0x20 && c < 0x7F)) continue;
        throw CourseError(where, what + " holds " + DescribeChar(c) +
                                     ", which the program cannot show there (only А..я and ASCII; write е for ё)");
    }
}

}  // namespace

size_t Exercise::TypedChars() const {
    size_t n = 0;
    for (const auto& l : lines) n += l.size() + 1;
    return n;
}

namespace {

int ReadSet(const std::string& value, const std::string& where) {
    int set = 0;
    try {
        size_t used = 0;
        set = std::stoi(value, &used);
        if (used != value.size()) throw 0;
    } catch (...) {
        throw CourseError(where, "set must be a number 1..6");
    }
    if (set < 1 || set > 6) throw CourseError(where, "set must be 1..6");
    return set;
}

// The 'new' field: single characters, or CAPS for the capitals of every letter learnt so far
// (and of this lesson's).
void ReadNewChars(const std::string& value, const std::string& where, const KeyTable& keys,
                  const std::set<char32_t>& learntLetters, Lesson& lesson) {
    size_t pos = 0;
    while (pos < value.size()) {
        size_t end = value.find(' ', pos);
        if (end == std::string::npos) end = value.size();
        std::string tok = value.substr(pos, end - pos);
        pos = end + 1;
        if (tok.empty()) continue;
        if (tok == "CAPS") {
            for (int k = 1; k <= kKeyCount; ++k) {
                const Key& key = keys[k];
                if (key.HasChars() && key.plain != key.shifted &&
                    (learntLetters.count(key.plain) || lesson.newChars.count(key.plain)) && key.shifted >= 0x0400 &&
                    key.shifted <= 0x04FF) {
                    lesson.newChars.insert(key.shifted);
                    lesson.newCapitals.insert(key.shifted);
                }
            }
            continue;
        }
        std::u32string u = DecodeUtf8(tok, where);
        if (u.size() != 1) throw CourseError(where, "'new' lists single characters, got '" + tok + "'");
        lesson.newChars.insert(u[0]);
    }
}

// Reading one lesson file, section by section.
struct LessonReader {
    LessonReader(const KeyTable& keys, const std::set<char32_t>& learntLetters, int number)
        : keys(keys), learntLetters(learntLetters) {
        lesson.number = number;
    }

    const KeyTable& keys;
    const std::set<char32_t>& learntLetters;
    Lesson lesson;
    Exercise* cur = nullptr;
    bool inText = false;
    bool newSeen = false;

    void Line(const std::string& line, const std::string& where);
    void Field(const std::string& name, const std::string& value, const std::string& where);
    void CheckComplete(const std::string& path) const;
};

void LessonReader::Line(const std::string& line, const std::string& where) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == '#') return;
    if (t == "[exercise]" || t == "[test]") {
        cur = t == "[exercise]" ? &lesson.exercise : &lesson.test;
        if (!cur->source.empty()) throw CourseError(where, "section " + t + " given twice");
        cur->source = where;
        cur->fileName = std::string(t == "[exercise]" ? "L" : "T") + std::to_string(lesson.number) + ".txt";
        inText = false;
        return;
    }
    if (!cur) throw CourseError(where, "text before the first section ([exercise] or [test])");
    if (inText) {
        std::u32string u = DecodeUtf8(line, where);
        cur->lines.push_back(u);
        cur->lineSources.push_back(where);
        return;
    }
    size_t colon = line.find(':');
    if (colon == std::string::npos) throw CourseError(where, "expected 'name: value' or 'text:'");
    Field(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)), where);
}

void LessonReader::Field(const std::string& name, const std::string& value, const std::string& where) {
    if (name == "caption") {
        cur->caption = DecodeUtf8(value, where);
    } else if (name == "message") {
        cur->message = DecodeUtf8(value, where);
    } else if (name == "set") {
        cur->set = ReadSet(value, where);
    } else if (name == "new") {
        if (cur != &lesson.exercise) throw CourseError(where, "'new' belongs to the [exercise] section");
        newSeen = true;
        lesson.newSource = where;
        ReadNewChars(value, where, keys, learntLetters, lesson);
    } else if (name == "text") {
        if (!value.empty()) throw CourseError(where, "the text starts on the line after 'text:'");
        inText = true;
    } else {
        throw CourseError(where, "unknown field '" + name + "'");
    }
}

void LessonReader::CheckComplete(const std::string& path) const {
    for (const Exercise* ex : {&lesson.exercise, &lesson.test}) {
        if (ex->source.empty())
            throw CourseError(path,
                              std::string("missing section ") + (ex == &lesson.exercise ? "[exercise]" : "[test]"));
        if (ex->caption.empty()) throw CourseError(ex->source, "missing caption");
        if (ex->message.empty()) throw CourseError(ex->source, "missing message");
        if (ex->set == 0) throw CourseError(ex->source, "missing set");
        if (ex->lines.empty()) throw CourseError(ex->source, "no text lines");
    }
    if (!newSeen || lesson.newChars.empty())
        throw CourseError(path, "the exercise must list its new characters ('new:')");
}

}  // namespace

std::vector<Lesson> LoadLessons(const std::string& folder, const KeyTable& keys) {
    std::vector<Lesson> lessons;
    std::set<char32_t> learntLetters;
    for (int n = 1; n <= kLessonCount; ++n) {
        std::string path = folder + "/" + TwoDigits(n) + ".txt";
        std::vector<std::string> raw = SplitLines(ReadFile(path));
        LessonReader reader(keys, learntLetters, n);
        for (size_t i = 0; i < raw.size(); ++i) reader.Line(raw[i], Where(path, i + 1));
        reader.CheckComplete(path);
        for (char32_t c : reader.lesson.newChars) learntLetters.insert(c);
        lessons.push_back(std::move(reader.lesson));
    }
    return lessons;
}

Grid LayOut(const std::u32string& line, const tastora::LetterTable& table, int set, const std::string& where) {
    for (char32_t ch : line)
        if (ch > 0xFFFF) throw CourseError(where, "character " + DescribeChar(ch) + " is not in the letter table");
    static tastora::TextCells cells;
    const tastora::LayoutNotes notes = tastora::LayOutText(std::u16string(line.begin(), line.end()), table,
                                                           PlainKeysOf(set), ShiftedKeysOf(set), &cells);
    if (notes.hasMissing)
        throw CourseError(where, "character " + DescribeChar(notes.missing) + " is not in the letter table");
    if (notes.cut)
        throw CourseError(where, "the line needs more than 7 rows of the 40 x 7 grid (" + std::to_string(line.size()) +
                                     " characters)");
    Grid g;
    for (int r = 1; r <= kGridRows; ++r)
        for (int c = 1; c <= kGridColumns; ++c) {
            g.cells[r - 1][c - 1] = cells[c][r].Code();
            if (cells[c][r] != tastora::kBlankCell) g.rowsUsed = r;
        }
    return g;
}

std::vector<std::string> LearnerProblems(const Lesson& lesson, const tastora::LetterTable& table) {
    std::vector<std::string> problems;
    // Rows that end full: the word wrap drops the space after them from the screen.
    for (const Exercise* ex : {&lesson.exercise, &lesson.test})
        for (size_t i = 0; i < ex->lines.size(); ++i) {
            const std::string where =
                ex->lineSources[i] + " (text/" + ex->fileName + " text line " + std::to_string(i + 1) + ")";
            const Grid g = LayOut(ex->lines[i], table, ex->set, where);
            for (int r = 0; r < g.rowsUsed; ++r)
                if (g.cells[r][kGridColumns - 1].compare(0, 2, "57") != 0)
                    problems.push_back(where + ": row " + std::to_string(r + 1) +
                                       " ends exactly at column 40, so the space after it would not be shown; "
                                       "shorten or lengthen the line");
        }
    // Each new key drilled often enough in the exercise.
    std::map<char32_t, int> uses;
    int capitals = 0;
    for (const auto& line : lesson.exercise.lines)
        for (char32_t c : line) {
            ++uses[c];
            if (lesson.newCapitals.count(c)) ++capitals;
        }
    for (char32_t c : lesson.newChars) {
        if (lesson.newCapitals.count(c)) continue;
        if (uses[c] < kMinNewKeyUses)
            problems.push_back(lesson.newSource + ": the new character " + DescribeChar(c) + " is typed " +
                               std::to_string(uses[c]) + " times in the exercise, at least " +
                               std::to_string(kMinNewKeyUses) + " are needed");
    }
    if (!lesson.newCapitals.empty() && capitals < kMinNewKeyUses)
        problems.push_back(lesson.newSource + ": the capitals (Shift) are typed " + std::to_string(capitals) +
                           " times in the exercise, at least " + std::to_string(kMinNewKeyUses) + " are needed");
    // A test is typed from lines of its own.
    const std::set<std::u32string> exerciseLines(lesson.exercise.lines.begin(), lesson.exercise.lines.end());
    for (size_t i = 0; i < lesson.test.lines.size(); ++i)
        if (exerciseLines.count(lesson.test.lines[i]))
            problems.push_back(lesson.test.lineSources[i] + " (text/" + lesson.test.fileName + " text line " +
                               std::to_string(i + 1) + "): the test copies a line of its exercise");
    return problems;
}

void CheckExercise(const Exercise& ex, const std::set<char32_t>& learnt, const std::vector<LetterLine>& letters,
                   const tastora::LetterTable& table) {
    const std::string file = "text/" + ex.fileName;
    CheckHeaderLine(ex.caption, file + " caption (line 1)", ex.source);
    CheckHeaderLine(ex.message, file + " start message (line 2)", ex.source);
    if (ex.message.size() > 700)
        throw CourseError(ex.source, file + ": the start message is too long for a message box");
    const KeySet plain = PlainKeysOf(ex.set);
    const KeySet shifted = ShiftedKeysOf(ex.set);
    for (size_t i = 0; i < ex.lines.size(); ++i) {
        const std::u32string& line = ex.lines[i];
        const std::string where = ex.lineSources[i] + " (" + file + " text line " + std::to_string(i + 1) + ")";
        if (line.empty()) throw CourseError(where, "empty text line");
        if (line.front() == U' ' || line.back() == U' ')
            throw CourseError(where, "a text line must not start or end with a blank");
        if (line.find(U"  ") != std::u32string::npos) throw CourseError(where, "two blanks in a row");
        if (line.compare(0, 5, U"ENDEX") == 0)
            throw CourseError(where, "a text line must not start with ENDEX (the end marker)");
        size_t wordStart = 0;
        for (size_t k = 0; k <= line.size(); ++k) {
            if (k == line.size() || line[k] == U' ') {
                if (k - wordStart > size_t(kGridColumns)) throw CourseError(where, "a word longer than 40 characters");
                wordStart = k + 1;
            }
        }
        for (char32_t ch : line) {
            LetterHit hit = LookUp(letters, ch);
            if (hit.key == 0) throw CourseError(where, "character " + DescribeChar(ch) + " is not in the letter table");
            bool typeable =
                (hit.line <= 48 || hit.key == kSpaceKey) ? plain.test(size_t(hit.key)) : shifted.test(size_t(hit.key));
            if (!typeable)
                throw CourseError(where, "character " + DescribeChar(ch) + " (key " + std::to_string(hit.key) +
                                             (hit.line > 48 ? " with Shift" : "") + ") is not typeable with set " +
                                             std::to_string(ex.set) + ": it would be shown as done");
            if (ch != U' ' && !learnt.count(ch))
                throw CourseError(where, "character " + DescribeChar(ch) + " has not been introduced yet");
        }
        LayOut(line, table, ex.set, where);
    }
}

std::string EncodeLessonFile(const Exercise& ex) {
    std::string out;
    PutUnit(out, 0xFEFF);
    PutLine(out, ex.caption);
    PutLine(out, ex.message);
    PutLine(out, Ascii(std::to_string(ex.set)));
    PutLine(out, Ascii(std::to_string(ex.lines.size())));
    PutLine(out, U"TEXT");
    for (const auto& l : ex.lines) PutLine(out, l);
    PutLine(out, U"ENDEX");
    return out;
}

std::string HeaderToCp1251(const std::u16string& line) {
    std::string out;
    if (line.empty()) return out;
    unsigned h = line.size() >= 2 ? unsigned(line[1]) >> 8 : 0x100;
    for (char16_t u : line) {
        if ((unsigned(u) >> 8) == h)
            out += char((unsigned(u) + 0xB0) & 0xFF);
        else
            out += char(unsigned(u) & 0xFF);
    }
    return out;
}

void ReadBackLessonFile(const std::string& path, const Exercise& ex) {
    const std::string bytes = ReadFile(path);
    if (bytes.size() < 2 || uint8_t(bytes[0]) != 0xFF || uint8_t(bytes[1]) != 0xFE)
        throw CourseError(path, "no UTF-16LE byte-order mark");
    if (bytes.size() % 2 != 0) throw CourseError(path, "odd number of bytes");
    // The exercise window's reader: a CR swallows the unit after it, an LF ends the line,
    // a line that reads "ENDEX" after any unit ends the file.
    std::vector<std::u16string> lines;
    std::u16string cur;
    bool ended = false;
    size_t pos = 2;
    while (pos + 1 < bytes.size()) {
        char16_t u = char16_t(uint8_t(bytes[pos]) | (uint8_t(bytes[pos + 1]) << 8));
        pos += 2;
        if (u == u'\r') {
            if (pos + 1 >= bytes.size()) throw CourseError(path, "CR at the end of the file");
            char16_t next = char16_t(uint8_t(bytes[pos]) | (uint8_t(bytes[pos + 1]) << 8));
            if (next != u'\n') throw CourseError(path, "CR without LF in line " + std::to_string(lines.size() + 1));
            pos += 2;
            lines.push_back(cur);
            cur.clear();
            continue;
        }
        if (u == u'\n') throw CourseError(path, "LF without CR in line " + std::to_string(lines.size() + 1));
        cur += u;
        if (cur == u"ENDEX") {
            ended = true;
            break;
        }
    }
    if (!ended) throw CourseError(path, "no ENDEX end marker");
    if (lines.size() != 5 + ex.lines.size())
        throw CourseError(path, "the end marker is read after " + std::to_string(lines.size()) + " lines, expected " +
                                    std::to_string(5 + ex.lines.size()));
    auto u16 = [](const std::u32string& s) { return std::u16string(s.begin(), s.end()); };
    // Lines 1 and 2 through the high-byte rule must give the intended Windows-1251 text.
    if (HeaderToCp1251(lines[0]) != ToCp1251(ex.caption, path))
        throw CourseError(path, "caption garbled by the 8-bit conversion");
    if (HeaderToCp1251(lines[1]) != ToCp1251(ex.message, path))
        throw CourseError(path, "start message garbled by the 8-bit conversion");
    auto number = [&](const std::u16string& s, const char* what) {
        if (s.empty() || s.size() > 3) throw CourseError(path, std::string(what) + " is not a number");
        int v = 0;
        for (char16_t c : s) {
            if (c < u'0' || c > u'9') throw CourseError(path, std::string(what) + " is not a number");
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    if (number(lines[2], "line 3 (letter set)") != ex.set)
        throw CourseError(path, "line 3 differs from the letter set");
    int count = number(lines[3], "line 4 (line count)");
    if (count != int(ex.lines.size()) || count != int(lines.size()) - 5)
        throw CourseError(path, "line 4 (" + std::to_string(count) + ") is not the number of text lines (" +
                                    std::to_string(lines.size() - 5) + ")");
    if (lines[4] != u"TEXT") throw CourseError(path, "line 5 is not TEXT");
    for (size_t i = 0; i < ex.lines.size(); ++i)
        if (lines[5 + i] != u16(ex.lines[i]))
            throw CourseError(path, "text line " + std::to_string(i + 1) + " reads back differently");
}

}  // namespace course
