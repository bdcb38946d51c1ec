// tastora_course <output-folder> [--content <folder>] [--previews <folder>] [--fonts <folder>]
//                [--movie-limit <bytes>]
//
// Writes the whole data folder of the course from the readable sources in course/content
// (lessons, key table, texts) and the drawing rules in this program, then reads everything
// back and checks it. Any violation stops with a message naming the file and exit code 1.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

#include "imagefile.h"
#include "keytable.h"
#include "lessons.h"
#include "logic_check.h"
#include "movies.h"
#include "output.h"
#include "pictures.h"
#include "texts.h"
#include "util.h"
#include "wording.h"

using namespace course;

namespace {

constexpr size_t kMaxDataBytes = 15u * 1024u * 1024u;
constexpr size_t kMaxMovieBytes = 3u * 1024u * 1024u;

const char* const kCharSuffixes[6] = {"", "b", "r", "u", "ub", "ur"};

void WritePictures(Output& out, const KeyTable& keys, TextRenderer& text) {
    PictureMaker maker(keys, text);
    out.WriteJpeg("pictures/butoane/k.jpg", maker.EmptyKeyboard());
    const std::pair<KeyState, const char*> states[] = {{KeyState::Normal, ""},
                                                       {KeyState::ShiftedFace, "u"},
                                                       {KeyState::Pressed, "b"},
                                                       {KeyState::Next, "h"},
                                                       {KeyState::NextShifted, "uh"}};
    for (int n = 1; n <= kKeyCount; ++n) {
        for (const auto& s : states) {
            bool shiftedState = s.first == KeyState::ShiftedFace || s.first == KeyState::NextShifted;
            if (shiftedState && !keys[n].HasChars()) continue;
            out.WriteJpeg("pictures/butoane/" + std::to_string(n) + s.second + ".jpg", maker.KeyPicture(n, s.first));
        }
        if (!keys[n].HasChars()) continue;
        for (int v = 0; v < 6; ++v)
            out.WriteJpeg("pictures/caractere/" + std::to_string(n) + kCharSuffixes[v] + ".jpg",
                          maker.CharCell(n, v >= 3, v % 3));
    }
    out.WriteJpeg("pictures/alb.jpg", maker.TextBackground());
    out.WriteBmp("pictures/graph.bmp", maker.SpeedGraph());
    for (int h = 1; h <= 4; ++h) out.WriteJpeg("pictures/help/" + std::to_string(h) + ".jpg", maker.Help(h));
}

void CheckCourse(const std::vector<Lesson>& lessons, const std::vector<LetterLine>& letters,
                 const tastora::LetterTable& table) {
    std::set<char32_t> learnt;
    int prevSet = 1;
    std::vector<std::string> problems;
    for (const Lesson& lesson : lessons) {
        for (char32_t c : lesson.newChars) {
            if (learnt.count(c)) throw CourseError(lesson.exercise.source, "'new' lists " + DescribeChar(c) + " again");
            if (LookUp(letters, c).key == 0)
                throw CourseError(lesson.exercise.source, "'new' lists " + DescribeChar(c) + ", which no key gives");
            learnt.insert(c);
        }
        const Exercise& ex = lesson.exercise;
        const Exercise& test = lesson.test;
        if (ex.set != test.set) throw CourseError(test.source, "the test must use the set of its exercise");
        if (ex.set < prevSet) throw CourseError(ex.source, "letter sets must not shrink over the course");
        if (lesson.number == 1 && ex.set != 1) throw CourseError(ex.source, "the course starts with set 1");
        if (lesson.number == kLessonCount && ex.set != 6) throw CourseError(ex.source, "the course ends with set 6");
        prevSet = ex.set;
        // Every new character is typeable in this lesson.
        for (char32_t c : lesson.newChars) {
            LetterHit hit = LookUp(letters, c);
            KeySet keys = hit.line <= 48 ? PlainKeysOf(ex.set) : ShiftedKeysOf(ex.set);
            if (!keys.test(size_t(hit.key)))
                throw CourseError(ex.source, "new character " + DescribeChar(c) + " is not typeable with set " +
                                                 std::to_string(ex.set));
        }
        CheckExercise(ex, learnt, letters, table);
        CheckExercise(test, learnt, letters, table);
        if (ex.lines.size() < 8 || ex.lines.size() > 16)
            throw CourseError(ex.source,
                              "an exercise has 8 to 16 text lines, this one " + std::to_string(ex.lines.size()));
        if (test.lines.size() < 3) throw CourseError(test.source, "a test has at least 3 text lines");
        if (test.TypedChars() >= ex.TypedChars())
            throw CourseError(test.source, "the test (" + std::to_string(test.TypedChars()) +
                                               " characters) must be shorter than the exercise (" +
                                               std::to_string(ex.TypedChars()) + ")");
        for (std::string& p : LearnerProblems(lesson, table)) problems.push_back(std::move(p));
    }
    if (!problems.empty()) {
        std::string all = std::to_string(problems.size()) + " line(s) break the rules of the course:";
        for (const std::string& p : problems) all += "\n  " + p;
        throw std::runtime_error(all);
    }
}

// Reads data\litere.txt back and checks it against the key table.
void CheckLetterFile(const Output& out, const KeyTable& keys) {
    const std::string path = out.Full("litere.txt");
    const std::string b = ReadFile(path);
    if (b.size() < 2 || uint8_t(b[0]) != 0xFF || uint8_t(b[1]) != 0xFE)
        throw CourseError(path, "no UTF-16LE byte-order mark");
    std::vector<std::u16string> lines;
    std::u16string cur;
    for (size_t i = 2; i + 1 < b.size(); i += 2) {
        char16_t u = char16_t(uint8_t(b[i]) | (uint8_t(b[i + 1]) << 8));
        if (u == u'\r') {
            if (i + 3 >= b.size() || b[i + 2] != '\n' || b[i + 3] != 0) throw CourseError(path, "CR without LF");
            lines.push_back(cur);
            cur.clear();
            i += 2;
            continue;
        }
        cur += u;
    }
    if (!cur.empty()) throw CourseError(path, "last line has no CR LF");
    if (lines.size() > 97) throw CourseError(path, "more than 97 lines");
    std::set<char16_t> seen;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::u16string& l = lines[i];
        std::string where = "line " + std::to_string(i + 1);
        if (l.size() < 2 || l.size() > 3) throw CourseError(path, where + ": expected a character and a key number");
        int key = 0;
        for (size_t k = 1; k < l.size(); ++k) {
            if (l[k] < u'0' || l[k] > u'9') throw CourseError(path, where + ": key number is not decimal");
            key = key * 10 + (l[k] - u'0');
        }
        if (l[1] == u'0') throw CourseError(path, where + ": leading zero");
        if (key < 1 || key > kKeyCount || !keys[key].HasChars())
            throw CourseError(path, where + ": key " + std::to_string(key) + " gives no character");
        char32_t expected = i < 48 ? keys[key].plain : keys[key].shifted;
        if (l[0] != expected)
            throw CourseError(path, where + ": character does not belong to key " + std::to_string(key) +
                                        (i < 48 ? "" : " with Shift"));
        if (!seen.insert(l[0]).second) throw CourseError(path, where + ": character listed twice");
    }
    if (lines.size() < 48 || lines[47] != u" 57") throw CourseError(path, "line 48 must be the space bar \" 57\"");
    for (int n = 1; n <= kKeyCount; ++n) {
        if (!keys[n].HasChars()) continue;
        bool plain = false, shifted = n == kSpaceKey;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i][0] == keys[n].plain && i < 48) plain = true;
            if (lines[i][0] == keys[n].shifted && i >= 48) shifted = true;
        }
        if (!plain || !shifted) throw CourseError(path, "key " + std::to_string(n) + " lacks a line");
    }
}

void CheckHomeFile(const Output& out, const KeyTable& keys) {
    const std::string path = out.Full("home.txt");
    std::vector<std::string> lines = SplitLines(ReadFile(path));
    std::map<int, int> home;
    bool reached52 = false;
    for (const std::string& l : lines) {
        int a = 0, b = 0;
        if (std::sscanf(l.c_str(), "%d %d", &a, &b) != 2)
            throw CourseError(path, "line '" + l + "' is not two numbers");
        if (a < 1 || a > kKeyCount || b < 0 || b > kKeyCount)
            throw CourseError(path, "key number out of range in '" + l + "'");
        if (reached52) throw CourseError(path, "lines after the line for key 52 are never read");
        home[a] = b;
        if (a == 52) reached52 = true;
    }
    if (!reached52) throw CourseError(path, "no line for key 52, the last line the review generator reads");
    const std::set<int> homeRow = {30, 31, 32, 33, 36, 37, 38, 39};
    for (int n = 1; n <= 52; ++n) {
        if (!keys[n].HasChars()) continue;
        if (!home.count(n) || home[n] == 0)
            throw CourseError(path, "key " + std::to_string(n) + " has no home key: reviews would not drill it");
        if (!homeRow.count(home[n]))
            throw CourseError(
                path, "key " + std::to_string(n) + ": home key " + std::to_string(home[n]) + " is not on the home row");
        if (home[n] == n) throw CourseError(path, "key " + std::to_string(n) + " is drilled against itself");
    }
}

void CheckPictures(const Output& out, const KeyTable& keys) {
    for (const PictureRecord& p : out.Pictures()) {
        const std::string path = out.Full(p.path);
        std::string bytes = ReadFile(path);
        Image img = p.bmp ? DecodeBmp24(bytes, path) : DecodeJpeg(bytes, path);
        if (img.Width() != p.width || img.Height() != p.height)
            throw CourseError(path, "decodes as " + std::to_string(img.Width()) + " x " + std::to_string(img.Height()) +
                                        ", expected " + std::to_string(p.width) + " x " + std::to_string(p.height));
    }
    auto expect = [&](const std::string& rel, int w, int h) {
        const std::string path = out.Full(rel);
        if (!FileExists(path)) throw CourseError(path, "missing");
        std::string bytes = ReadFile(path);
        bool bmp = rel.size() > 4 && rel.compare(rel.size() - 4, 4, ".bmp") == 0;
        Image img = bmp ? DecodeBmp24(bytes, path) : DecodeJpeg(bytes, path);
        if (img.Width() != w || img.Height() != h)
            throw CourseError(path, "is " + std::to_string(img.Width()) + " x " + std::to_string(img.Height()) +
                                        ", must be " + std::to_string(w) + " x " + std::to_string(h));
    };
    expect("pictures/butoane/k.jpg", 857, 289);
    expect("pictures/alb.jpg", 737, 233);
    expect("pictures/graph.bmp", 330, 160);
    for (int h = 1; h <= 4; ++h) {
        int w, hh;
        HelpPictureSize(h, w, hh);
        expect("pictures/help/" + std::to_string(h) + ".jpg", w, hh);
    }
    for (int n = 1; n <= kKeyCount; ++n) {
        KeyPlace p = KeyPlaceOf(n);
        if (p.x + p.w > kKeyboardWidth || p.y + p.h > kKeyboardHeight)
            throw CourseError("key " + std::to_string(n), "picture leaves the keyboard");
        std::vector<std::string> states = {"", "b", "h"};
        if (keys[n].HasChars()) states = {"", "u", "b", "h", "uh"};
        for (const auto& s : states) expect("pictures/butoane/" + std::to_string(n) + s + ".jpg", p.w, p.h);
        if (keys[n].HasChars())
            for (const char* s : kCharSuffixes) expect("pictures/caractere/" + std::to_string(n) + s + ".jpg", 18, 30);
    }
    // The blank cell must match the text-area background, or the grid would show seams.
    Image blank = DecodeJpeg(ReadFile(out.Full("pictures/caractere/57b.jpg")), "57b.jpg");
    Image alb = DecodeJpeg(ReadFile(out.Full("pictures/alb.jpg")), "alb.jpg");
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 18; ++x) {
            Color a = blank.Get(x, y), b = alb.Get(x, y);
            if (std::abs(a.r - b.r) > 2 || std::abs(a.g - b.g) > 2 || std::abs(a.b - b.b) > 2)
                throw CourseError(out.Full("pictures/caractere/57b.jpg"), "the blank cell differs from alb.jpg");
        }
}

void CheckTexts(const Output& out, const std::string& content) {
    for (const char* name : {"prav.txt", "rus.txt", "zac.txt", "rez.ini", "home.txt"}) {
        const std::string path = out.Full(name);
        std::string b = ReadFile(path);
        if (b.empty()) throw CourseError(path, "empty");
        for (size_t i = 0; i < b.size(); ++i) {
            if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r')) throw CourseError(path, "LF without CR");
            if (b[i] == '\r' && (i + 1 >= b.size() || b[i + 1] != '\n')) throw CourseError(path, "CR without LF");
            if (b[i] == 0) throw CourseError(path, "NUL byte: not a Windows-1251 text");
        }
    }
    // The closing address reads back to the source's words.
    std::string text = RtfToText1251(ReadFile(out.Full("zac.txt")), out.Full("zac.txt"));
    std::string source = ToCp1251(DecodeUtf8(ReadFile(content + "/zac.txt"), content + "/zac.txt"), "zac.txt");
    auto words = [](const std::string& s) {
        std::vector<std::string> w;
        std::string cur;
        for (char c : s) {
            if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
                if (!cur.empty()) w.push_back(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        if (!cur.empty()) w.push_back(cur);
        return w;
    };
    std::string sourceText;
    for (const std::string& l : SplitLines(source))
        if (l.empty() || l[0] != '#') sourceText += l + "\n";
    if (words(text) != words(sourceText))
        throw CourseError(out.Full("zac.txt"), "the RTF does not read back to the text of content/zac.txt");
    // rez.ini: sixteen sections with positive limits.
    std::vector<std::string> lines = SplitLines(ReadFile(out.Full("rez.ini")));
    int sections = 0, values = 0;
    for (const std::string& l : lines) {
        if (!l.empty() && l[0] == '[') {
            ++sections;
            if (l != "[" + std::to_string(sections) + "]")
                throw CourseError(out.Full("rez.ini"), "sections must run 1..16 in order");
        } else {
            int v = 0;
            char key[16];
            if (std::sscanf(l.c_str(), "%15[^=]=%d", key, &v) != 2 || v <= 0)
                throw CourseError(out.Full("rez.ini"), "bad line '" + l + "'");
            ++values;
        }
    }
    if (sections != kLessonCount || values != 2 * kLessonCount)
        throw CourseError(out.Full("rez.ini"), "needs Ltimp and Lgres for lessons 1..16");
}

// Pictures of what the learner sees, made from the files just written.
// The pictures of the written data that the previews are made of.
struct PreviewPictures {
    const Output& out;

    Image Load(const std::string& rel) const { return DecodeJpeg(ReadFile(out.Full(rel)), rel); }

    // The keyboard of a letter set, each of its keys in the state given by its suffix.
    Image Keyboard(int set, const std::map<int, std::string>& states) const {
        Image kb = Load("pictures/butoane/k.jpg");
        KeySet ks = LetterSet(set);
        for (int n = 1; n <= kKeyCount; ++n) {
            if (!ks.test(size_t(n))) continue;
            auto it = states.find(n);
            std::string suffix = it == states.end() ? "" : it->second;
            KeyPlace p = KeyPlaceOf(n);
            kb.Draw(Load("pictures/butoane/" + std::to_string(n) + suffix + ".jpg"), p.x, p.y);
        }
        return kb;
    }

    // The exercise window showing one line of an exercise: the text grid and the keyboard
    // with the first key lit.
    Image Screen(const Exercise& ex, size_t lineIndex, const tastora::LetterTable& table) const {
        Grid g = LayOut(ex.lines[lineIndex], table, ex.set, ex.fileName);
        Image shot(873, 545, Rgb(240, 240, 240));
        Image textArea = Load("pictures/alb.jpg");
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridColumns; ++c)
                textArea.Draw(Load("pictures/caractere/" + g.cells[r][c] + ".jpg"), 18 * c, 30 * r);
        const std::string first = g.cells[0][0];
        const int key = std::stoi(first);
        std::map<int, std::string> st;
        if (first.find('u') != std::string::npos) {
            st[42] = "h";
            st[53] = "h";
            if (!(key <= 13 || (key >= 50 && key <= 52))) st[key] = "h";
        } else {
            st[key] = "h";
        }
        shot.Draw(textArea, 16, 8);
        shot.Draw(Keyboard(ex.set, st), 8, 248);
        return shot;
    }
};

// The first and the last frame of every movie: "movie-carti-1-first.png" ...
void WriteMoviePreviews(const std::string& dir, const Output& out, const std::vector<CourseMovie>& movies) {
    for (const CourseMovie& m : movies) {
        std::string name = m.path.substr(std::string("pictures/").size());
        name = "movie-" + name.substr(0, name.find('/')) + "-" +
               name.substr(name.find('/') + 1, name.size() - name.find('/') - 5);
        const std::string bytes = ReadFile(out.Full(m.path));
        WriteFile(dir + "/" + name + "-first.png", EncodePng(RenderMovieFrame(bytes, false)));
        WriteFile(dir + "/" + name + "-last.png", EncodePng(RenderMovieFrame(bytes, true)));
    }
}

// The whole keyboard in each key state, and without keys.
void WriteKeyboardPreviews(const std::string& dir, const PreviewPictures& pictures, const KeyTable& keys) {
    const std::pair<const char*, const char*> states[] = {
        {"normal", ""}, {"shifted", "u"}, {"pressed", "b"}, {"next", "h"}, {"nextshifted", "uh"}};
    for (const auto& s : states) {
        std::map<int, std::string> all;
        for (int n = 1; n <= kKeyCount; ++n)
            if (keys[n].HasChars() || std::string(s.second).find('u') == std::string::npos) all[n] = s.second;
        WriteFile(dir + "/keyboard-" + s.first + ".bmp", EncodeBmp24(pictures.Keyboard(6, all)));
    }
    WriteFile(dir + "/keyboard-empty.bmp", EncodeBmp24(pictures.Load("pictures/butoane/k.jpg")));
}

// The first screen of every lesson file, and for the exercises also the screen of their
// longest line.
void WriteScreenPreviews(const std::string& dir, const PreviewPictures& pictures, const std::vector<Lesson>& lessons,
                         const tastora::LetterTable& table) {
    auto screen = [&](const Exercise& ex, size_t lineIndex, const std::string& name) {
        WriteFile(dir + "/" + name + ".bmp", EncodeBmp24(pictures.Screen(ex, lineIndex, table)));
    };
    for (const Lesson& lesson : lessons) {
        for (const Exercise* ex : {&lesson.exercise, &lesson.test}) {
            const std::string name = ex->fileName.substr(0, ex->fileName.size() - 4);
            screen(*ex, 0, "screen-" + name);
        }
        size_t longest = 0;
        for (size_t i = 0; i < lesson.exercise.lines.size(); ++i)
            if (lesson.exercise.lines[i].size() > lesson.exercise.lines[longest].size()) longest = i;
        screen(lesson.exercise, longest, "screen-L" + std::to_string(lesson.number) + "-longest");
    }
}

void WritePreviews(const std::string& dir, const Output& out, const KeyTable& keys, const std::vector<Lesson>& lessons,
                   const tastora::LetterTable& table, const std::vector<CourseMovie>& movies) {
    MakeDirs(dir);
    const PreviewPictures pictures{out};
    WriteMoviePreviews(dir, out, movies);
    WriteKeyboardPreviews(dir, pictures, keys);
    WriteScreenPreviews(dir, pictures, lessons, table);
}

const char kUsage[] =
    "usage: tastora_course <output-folder> [--content <folder>] [--previews <folder>] [--fonts <folder>] "
    "[--movie-limit <bytes>]\n";

struct Options {
    std::string outDir, content = TASTORA_COURSE_CONTENT, previews, fonts = TASTORA_FONT_DIR;
    size_t movieLimit = kMovieSizeLimit;
};

// False when the command line is not understood.
bool ReadOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--content" && i + 1 < argc)
            o.content = argv[++i];
        else if (a == "--previews" && i + 1 < argc)
            o.previews = argv[++i];
        else if (a == "--fonts" && i + 1 < argc)
            o.fonts = argv[++i];
        else if (a == "--movie-limit" && i + 1 < argc)
            o.movieLimit = std::strtoul(argv[++i], nullptr, 10);
        else if (!a.empty() && a[0] != '-' && o.outDir.empty())
            o.outDir = a;
        else
            return false;
    }
    return !o.outDir.empty();
}

struct MovieFigures {
    size_t total = 0, largest = 0;
    double secs = 0;
};

// The movies are composed and encoded in full before any of them is written, so a
// refused source leaves no movie behind.
std::vector<CourseMovie> WriteMovies(Output& out, const Options& o, const KeyTable& keys,
                                     const std::vector<LetterLine>& letters, const std::vector<Lesson>& lessons,
                                     TextRenderer& text, MovieFigures& figures) {
    const auto movieStart = std::chrono::steady_clock::now();
    std::vector<CourseMovie> movies = ComposeMovies(o.content + "/movies", keys, letters, lessons, text);
    std::vector<std::string> movieBytes;
    for (const CourseMovie& m : movies) {
        movieBytes.push_back(EncodeMovie(m, o.movieLimit));
        figures.total += movieBytes.back().size();
        figures.largest = std::max(figures.largest, movieBytes.back().size());
    }
    if (figures.total > kMaxMovieBytes)
        throw CourseError(o.content + "/movies",
                          "the movies take " + std::to_string(figures.total) + " bytes together, more than 3 MB");
    for (size_t i = 0; i < movies.size(); ++i) out.Write(movies[i].path, movieBytes[i]);
    figures.secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - movieStart).count();
    return movies;
}

// Everything is read back from disk and checked.
void CheckWrittenData(const Output& out, const Options& o, const KeyTable& keys, const std::vector<LetterLine>& letters,
                      const tastora::LetterTable& table, const std::vector<Lesson>& lessons,
                      const std::vector<CourseMovie>& movies, TextRenderer& text) {
    CheckLetterFile(out, keys);
    CheckHomeFile(out, keys);
    for (const Lesson& lesson : lessons)
        for (const Exercise* ex : {&lesson.exercise, &lesson.test})
            ReadBackLessonFile(out.Full("text/" + ex->fileName), *ex);
    CheckPictures(out, keys);
    CheckTexts(out, o.content);
    CheckWithProgramReaders(out, table, lessons, letters);
    CheckMovies(out, movies, text);
    if (out.TotalBytes() > kMaxDataBytes)
        throw CourseError(o.outDir,
                          "the data folder holds " + std::to_string(out.TotalBytes()) + " bytes, more than 15 MB");
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ReadOptions(argc, argv, o)) {
        std::cerr << kUsage;
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        MakeDirs(o.outDir);
        Output out(o.outDir);
        KeyTable keys = LoadKeyTable(o.content + "/keys.txt");
        std::vector<LetterLine> letters = MakeLetterTable(keys);
        out.Write("litere.txt", EncodeLetterTable(letters));
        out.Write("home.txt", EncodeHomeTable(keys));
        // The lessons are laid out with the letter table as the program reads it.
        tastora::LetterTable table;
        if (!table.Load(out.Full("litere.txt")) || !table.Problems().empty())
            throw CourseError(out.Full("litere.txt"), "the program's letter-table reader rejects it");

        std::vector<Lesson> lessons = LoadLessons(o.content + "/lessons", keys);
        CheckCourse(lessons, letters, table);
        const std::vector<std::string> wording = WordingProblems(o.content, lessons, keys);
        if (!wording.empty()) {
            std::string all = std::to_string(wording.size()) + " line(s) break the wording rules of the course:";
            for (const std::string& p : wording) all += "\n  " + p;
            throw std::runtime_error(all);
        }
        for (const Lesson& lesson : lessons)
            for (const Exercise* ex : {&lesson.exercise, &lesson.test})
                out.Write("text/" + ex->fileName, EncodeLessonFile(*ex));
        out.Write("rez.ini", RezIni(lessons));

        TextRenderer text(o.fonts);
        MovieFigures mf;
        std::vector<CourseMovie> movies = WriteMovies(out, o, keys, letters, lessons, text, mf);

        out.Write("prav.txt", PlainText1251(o.content + "/prav.txt"));
        out.Write("rus.txt", PlainText1251(o.content + "/rus.txt"));
        out.Write("zac.txt", ClosingAddressRtf(o.content + "/zac.txt"));

        WritePictures(out, keys, text);

        CheckWrittenData(out, o, keys, letters, table, lessons, movies, text);
        if (!o.previews.empty()) WritePreviews(o.previews, out, keys, lessons, table, movies);

        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("tastora_course: %zu movies, %.0f KB together (largest %.0f KB), composed and written in %.2f s\n",
                    movies.size(), mf.total / 1024.0, mf.largest / 1024.0, mf.secs);
        std::printf("tastora_course: %zu files, %.2f MB written to %s and checked in %.1f s\n", out.FileCount(),
                    out.TotalBytes() / 1048576.0, o.outDir.c_str(), secs);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tastora_course: error: %s\n", e.what());
        return 1;
    }
}
