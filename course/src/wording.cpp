#include "wording.h"

#include <cstdio>
#include <map>
#include <set>

#include "session/level.h"
#include "util.h"

namespace course {

namespace {

enum class Kind {
    Prose,       // typing rules, donations text, closing address, movie texts: full typography
    LessonText,  // a line the learner types: only what the keyboard gives
    Header,      // a lesson's caption or start message: basic Cyrillic and ASCII only
};

struct TextLine {
    std::u32string text;
    std::string where;
    Kind kind = Kind::Prose;
    int lesson = 0;         // the lesson the text belongs to, 0: the whole course
    bool book = false;      // a book movie, played when its lesson is completed
    bool closing = false;   // the closing address, shown to a learner who has finished
    bool capitals = false;  // capitals have been taught by this lesson
};

TextLine Line(const std::u32string& text, const std::string& where, Kind kind, int lesson = 0) {
    TextLine t;
    t.text = text;
    t.where = where;
    t.kind = kind;
    t.lesson = lesson;
    return t;
}

bool IsLetter(char32_t c) { return (c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451; }
bool IsLower(char32_t c) { return (c >= 0x0430 && c <= 0x044F) || c == 0x0451; }
bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

char32_t Lower(char32_t c) {
    if (c >= 0x0410 && c <= 0x042F) return c + 0x20;
    return c == 0x0401 ? 0x0451 : c;
}

std::u32string Lower(const std::u32string& s) {
    std::u32string out;
    for (char32_t c : s) out += Lower(c);
    return out;
}

std::u32string WithoutYo(std::u32string s) {
    for (char32_t& c : s) c = c == 0x0451 ? 0x0435 : c;
    return s;
}

bool Has(const std::u32string& s, const std::u32string& part) { return s.find(part) != std::u32string::npos; }

std::string Quote(const std::u32string& s) { return "\"" + EncodeUtf8(s) + "\""; }

std::vector<std::u32string> Words(const std::u32string& s) {
    std::vector<std::u32string> words;
    std::u32string cur;
    for (char32_t c : s) {
        if (IsLetter(c)) {
            cur += c;
        } else if (!cur.empty()) {
            words.push_back(cur);
            cur.clear();
        }
    }
    if (!cur.empty()) words.push_back(cur);
    return words;
}

// The blank-separated parts of a line.
std::vector<std::u32string> Tokens(const std::u32string& s) {
    std::vector<std::u32string> tokens(1);
    for (char32_t c : s) {
        if (c == U' ')
            tokens.emplace_back();
        else
            tokens.back() += c;
    }
    return tokens;
}

// The clauses of a line, lower case: split at . ! ? ; and :
std::vector<std::u32string> Clauses(const std::u32string& s) {
    std::vector<std::u32string> out(1);
    for (char32_t c : s) {
        if (c == U'.' || c == U'!' || c == U'?' || c == U';' || c == U':')
            out.emplace_back();
        else
            out.back() += Lower(c);
    }
    return out;
}

bool HasAny(const std::u32string& s, std::initializer_list<const char32_t*> parts) {
    for (const char32_t* p : parts)
        if (Has(s, p)) return true;
    return false;
}

// content/yo.txt: the words written with ё, one a line; "=" after a word whose spelling
// with е is a word of its own (всё, все), which is then not checked.
struct YoWords {
    std::set<std::u32string> all;                      // every listed word
    std::map<std::u32string, std::u32string> byEForm;  // е-spelling -> word, the unambiguous ones
};

YoWords LoadYoWords(const std::string& path) {
    YoWords yo;
    const std::vector<std::string> lines = SplitLines(ReadFile(path));
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string where = path + ":" + std::to_string(i + 1);
        std::string l = Trim(lines[i]);
        if (l.empty() || l[0] == '#') continue;
        const bool both = l.size() > 1 && l.back() == '=';
        if (both) l = Trim(l.substr(0, l.size() - 1));
        const std::u32string word = Lower(DecodeUtf8(l, where));
        if (Words(word).size() != 1 || Words(word)[0] != word || !Has(word, U"ё"))
            throw CourseError(where, "expected one word with ё");
        yo.all.insert(word);
        if (!both) yo.byEForm[WithoutYo(word)] = word;
    }
    return yo;
}

// "name: value" lines of a movie source; the characters of a key line are left out.
void ReadMovie(const std::string& path, int lesson, bool book, std::vector<TextLine>& out) {
    const std::vector<std::string> lines = SplitLines(ReadFile(path));
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string l = Trim(lines[i]);
        const size_t colon = l.find(':');
        if (l.empty() || l[0] == '#' || colon == std::string::npos) continue;
        const std::string name = Trim(l.substr(0, colon));
        std::string value = Trim(l.substr(colon + 1));
        if (name == "scene") continue;
        if (name == "key") value = value.find('|') == std::string::npos ? "" : value.substr(value.find('|') + 1);
        const std::string where = path + ":" + std::to_string(i + 1);
        TextLine t = Line(DecodeUtf8(value, where), where, Kind::Prose, lesson);
        t.book = book;
        out.push_back(t);
    }
}

void ReadProse(const std::string& path, bool closing, std::vector<TextLine>& out) {
    const std::vector<std::string> lines = SplitLines(ReadFile(path));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i][0] == '#') continue;
        const std::string where = path + ":" + std::to_string(i + 1);
        TextLine t = Line(DecodeUtf8(lines[i], where), where, Kind::Prose);
        t.closing = closing;
        out.push_back(t);
    }
}

std::vector<TextLine> AllTexts(const std::string& content, const std::vector<Lesson>& lessons) {
    std::vector<TextLine> texts;
    ReadProse(content + "/prav.txt", false, texts);
    ReadProse(content + "/rus.txt", false, texts);
    ReadProse(content + "/zac.txt", true, texts);
    bool capitals = false;
    for (const Lesson& lesson : lessons) {
        char name[32];
        std::snprintf(name, sizeof name, "/movies/carti/%02d.txt", lesson.number);
        ReadMovie(content + name, lesson.number, true, texts);
        const std::string presentation = content + "/movies/prezentari/" + std::to_string(lesson.number) + ".txt";
        if (FileExists(presentation)) ReadMovie(presentation, lesson.number, false, texts);
        capitals = capitals || !lesson.newCapitals.empty();
        for (const Exercise* ex : {&lesson.exercise, &lesson.test}) {
            for (size_t i = 0; i < ex->lines.size(); ++i) {
                TextLine t = Line(ex->lines[i], ex->lineSources[i], Kind::LessonText, lesson.number);
                t.capitals = capitals;
                texts.push_back(t);
            }
            for (const std::u32string* header : {&ex->caption, &ex->message})
                texts.push_back(Line(*header, ex->source, Kind::Header, lesson.number));
        }
    }
    return texts;
}

// ё where the course writes it, and every word with ё in the list.
// Drills of a lesson ("фё1ф", "Ёё", "Ее", a single letter) are no words.
bool IsDrill(const std::u32string& token, const std::u32string& lowerWord) {
    for (char32_t c : token)
        if (IsDigit(c)) return true;
    return lowerWord.find_first_not_of(lowerWord[0]) == std::u32string::npos;
}

void CheckYo(const TextLine& t, const YoWords& yo, std::vector<std::string>& problems) {
    for (const std::u32string& token : Tokens(t.text))
        for (const std::u32string& w : Words(token)) {
            const std::u32string lower = Lower(w);
            const bool drills = t.kind == Kind::LessonText && IsDrill(token, lower);
            if (Has(lower, U"ё")) {
                if (!yo.all.count(lower) && !drills && lower.size() > 1)  // "Ё" names the letter
                    problems.push_back(t.where + ": " + Quote(w) +
                                       " is written with ё but missing from yo.txt (list it, so that its spelling "
                                       "with е is caught everywhere)");
                continue;
            }
            auto it = yo.byEForm.find(lower);
            if (it != yo.byEForm.end() && !drills)
                problems.push_back(t.where + ": " + Quote(w) + " is written with е; the course writes " +
                                   Quote(it->second));
        }
}

// One typography: "—" for a dash, "–" between numbers, «» for quotes.
void CheckTypography(const TextLine& t, std::vector<std::string>& problems) {
    const std::u32string& s = t.text;
    for (size_t i = 0; i < s.size(); ++i) {
        const char32_t before = i > 0 ? s[i - 1] : U' ', after = i + 1 < s.size() ? s[i + 1] : U' ';
        const bool betweenDigits = IsDigit(before) && IsDigit(after);
        if (s[i] == U'-' && betweenDigits) {
            problems.push_back(t.where + ": a range of numbers is written with \"–\", not \"-\"");
        } else if (s[i] == U'-' && (before == U' ' || after == U' ')) {
            problems.push_back(t.where + ": a dash is written \"—\", not \"-\"");
        } else if (s[i] == U'–' && !betweenDigits) {
            problems.push_back(t.where + ": \"–\" stands only between numbers; a dash is written \"—\"");
        } else if (s[i] == U'"') {
            problems.push_back(t.where + ": quotation marks are written «...», not \"");
            return;
        }
    }
}

// What a text may say at its place in the course.
void CheckSense(const TextLine& t, const std::set<char32_t>& missingLetters, std::vector<std::string>& problems) {
    const std::u32string lower = Lower(t.text);
    if (t.lesson > 0 && t.kind != Kind::Header && !missingLetters.empty()) {
        bool whole = Has(lower, U"алфавит");
        for (size_t p = lower.find(U"все буквы"); p != std::u32string::npos && !whole;
             p = lower.find(U"все буквы", p + 1)) {
            const std::u32string rest = lower.substr(p + 9);
            whole = rest.empty() || (!IsLetter(rest[0]) && rest[0] != U' ') || rest.compare(0, 3, U" и ") == 0;
        }
        if (whole)
            problems.push_back(t.where + ": speaks of the whole alphabet, but " + EncodeUtf8(*missingLetters.begin()) +
                               " comes after lesson " + std::to_string(t.lesson));
    }
    for (const std::u32string& c : Clauses(t.text)) {
        if (t.book && tastora::IsReviewLesson(t.lesson) && Has(c, U"повторени") &&
            HasAny(c, {U"впереди", U"ждёт", U"ждет", U"будет", U"предстоит", U"дальше", U"затем", U"потом", U"скоро",
                       U"следующ"}))
            problems.push_back(t.where + ": the book movie of lesson " + std::to_string(t.lesson) +
                               " plays after its review has been passed: it may not speak of the review as ahead");
        if (Has(c, U"слаб") && HasAny(c, {U"палец", U"пальц", U"безымянн", U"средн", U"указательн"}) &&
            !Has(c, U"мизин"))
            problems.push_back(t.where + ": the weakest finger is the little finger (мизинец)");
        if (t.closing && Has(c, U"урок") && HasAny(c, {U"верни", U"вернуть", U"верну", U"повтори", U"снова"}))
            problems.push_back(t.where +
                               ": the closing address is shown to a learner who has finished: the program leads "
                               "no way back to the lessons");
    }
}

bool IsNumber(const std::u32string& s) {
    if (s.empty()) return false;
    for (char32_t c : s)
        if (!IsDigit(c)) return false;
    return true;
}

// A lesson line: capitals after the end of a sentence once they are taught, and equations
// that do not run together ("= 5 9 - 3" reads as "5 9").
void CheckLessonLine(const TextLine& t, std::vector<std::string>& problems) {
    const std::u32string& s = t.text;
    if (t.capitals)
        for (size_t i = 0; i + 2 < s.size(); ++i)
            if ((s[i] == U'.' || s[i] == U'!' || s[i] == U'?') && s[i + 1] == U' ' && IsLower(s[i + 2])) {
                problems.push_back(t.where + ": a sentence starts with a small letter after \"" +
                                   EncodeUtf8(s.substr(i, 1)) + "\", though capitals have been taught");
                break;
            }
    const std::vector<std::u32string> tokens = Tokens(s);
    for (size_t i = 0; i + 2 < tokens.size(); ++i)
        if (tokens[i] == U"=" && IsNumber(tokens[i + 1]) && !tokens[i + 2].empty() && IsDigit(tokens[i + 2][0])) {
            problems.push_back(t.where + ": equations run together: \"= " + EncodeUtf8(tokens[i + 1]) + " " +
                               EncodeUtf8(tokens[i + 2]) + "\" reads as one number; part them with a word or a sign");
            break;
        }
}

}  // namespace

std::vector<std::string> WordingProblems(const std::string& content, const std::vector<Lesson>& lessons,
                                         const KeyTable& keys) {
    const YoWords yo = LoadYoWords(content + "/yo.txt");
    std::set<char32_t> alphabet;
    for (int n = 1; n <= kKeyCount; ++n)
        if (IsLower(keys[n].plain)) alphabet.insert(keys[n].plain);
    std::map<int, std::set<char32_t>> missing;  // letters not yet taught after each lesson
    std::set<char32_t> left = alphabet;
    for (const Lesson& lesson : lessons) {
        for (char32_t c : lesson.newChars) left.erase(c);
        missing[lesson.number] = left;
    }
    std::vector<std::string> problems;
    for (const TextLine& t : AllTexts(content, lessons)) {
        if (t.kind != Kind::Header) CheckYo(t, yo, problems);
        if (t.kind == Kind::Prose) CheckTypography(t, problems);
        if (t.kind == Kind::LessonText) CheckLessonLine(t, problems);
        CheckSense(t, t.lesson > 0 ? missing[t.lesson] : std::set<char32_t>{}, problems);
    }
    return problems;
}

}  // namespace course
