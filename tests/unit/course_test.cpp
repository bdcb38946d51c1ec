// The course data written by the generator (tastora_course) into the build's data folder:
// the letter table against the Russian ЙЦУКЕН layout, the home-key table, the lesson files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string DataDir() {
    if (const char* env = std::getenv("TASTORA_DATA_DIR")) return env;
#ifdef TASTORA_DATA_DIR
    return TASTORA_DATA_DIR;
#else
    return "data";
#endif
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Lines of a UTF-16LE file with a byte-order mark and CR LF line ends.
std::vector<std::u16string> Utf16Lines(const std::string& path) {
    const std::string b = ReadAll(path);
    std::vector<std::u16string> lines;
    if (b.size() < 2 || uint8_t(b[0]) != 0xFF || uint8_t(b[1]) != 0xFE) {
        ADD_FAILURE() << path << ": no UTF-16LE byte-order mark";
        return lines;
    }
    std::u16string cur;
    for (size_t i = 2; i + 1 < b.size(); i += 2) {
        char16_t u = char16_t(uint8_t(b[i]) | (uint8_t(b[i + 1]) << 8));
        if (u == u'\r') continue;
        if (u == u'\n') {
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += u;
        }
    }
    EXPECT_TRUE(cur.empty()) << path << ": the last line has no CR LF";
    return lines;
}

struct Entry {
    int key;
    int line;  // 1-based
};

// The program's lookup: the first line holding the character.
class LetterTable : public ::testing::Test {
protected:
    void SetUp() override {
        lines_ = Utf16Lines(DataDir() + "/litere.txt");
        ASSERT_FALSE(lines_.empty()) << "no letter table in " << DataDir() << " (is the course generated?)";
    }
    bool Find(char16_t ch, Entry& e) const {
        for (size_t i = 0; i < lines_.size() && i < 97; ++i) {
            if (!lines_[i].empty() && lines_[i][0] == ch) {
                int key = 0;
                for (size_t k = 1; k < lines_[i].size(); ++k) key = key * 10 + (lines_[i][k] - u'0');
                e = {key, int(i + 1)};
                return true;
            }
        }
        return false;
    }
    std::vector<std::u16string> lines_;
};

// The ЙЦУКЕН rows written out independently of the generator's key table: each row's
// first key number and its letters from left to right.
struct Row {
    int firstKey;
    std::u16string lower, upper;
};
const Row kRussianRows[] = {
    {1, u"ё", u"Ё"},
    {16, u"йцукенгшщзхъ", u"ЙЦУКЕНГШЩЗХЪ"},
    {30, u"фывапролджэ", u"ФЫВАПРОЛДЖЭ"},
    {43, u"ячсмитьбю", u"ЯЧСМИТЬБЮ"},
};

TEST_F(LetterTable, MapsEveryLowercaseLetterToItsKeyWithoutShift) {
    int count = 0;
    for (const Row& row : kRussianRows) {
        for (size_t i = 0; i < row.lower.size(); ++i) {
            Entry e{};
            ASSERT_TRUE(Find(row.lower[i], e)) << "letter #" << count << " missing";
            EXPECT_EQ(e.key, row.firstKey + int(i)) << "lowercase letter of key " << row.firstKey + int(i);
            EXPECT_LE(e.line, 48) << "a lowercase letter must stand among the unshifted lines";
            ++count;
        }
    }
    EXPECT_EQ(count, 33);  // а..я and ё
}

TEST_F(LetterTable, MapsEveryCapitalToItsKeyWithShift) {
    int count = 0;
    for (const Row& row : kRussianRows) {
        for (size_t i = 0; i < row.upper.size(); ++i) {
            Entry e{};
            ASSERT_TRUE(Find(row.upper[i], e));
            EXPECT_EQ(e.key, row.firstKey + int(i)) << "capital of key " << row.firstKey + int(i);
            EXPECT_GT(e.line, 48) << "a capital must stand among the shifted lines";
            ++count;
        }
    }
    EXPECT_EQ(count, 33);
}

TEST_F(LetterTable, MapsSpaceDigitsAndSignsOfTheRussianLayout) {
    // character, key, shifted
    const struct {
        char16_t ch;
        int key;
        bool shifted;
    } kSigns[] = {{u' ', 57, false}, {u'1', 2, false},   {u'0', 11, false}, {u'-', 12, false}, {u'=', 13, false},
                  {u'.', 52, false}, {u'\\', 28, false}, {u',', 52, true},  {u'!', 2, true},   {u'"', 3, true},
                  {u'№', 4, true},   {u';', 5, true},    {u'%', 6, true},   {u':', 7, true},   {u'?', 8, true},
                  {u'*', 9, true},   {u'(', 10, true},   {u')', 11, true},  {u'_', 12, true},  {u'+', 13, true},
                  {u'/', 28, true}};
    for (const auto& s : kSigns) {
        Entry e{};
        ASSERT_TRUE(Find(s.ch, e)) << "sign " << int(s.ch) << " missing";
        EXPECT_EQ(e.key, s.key) << "sign " << int(s.ch);
        EXPECT_EQ(e.line > 48, s.shifted) << "sign " << int(s.ch);
    }
    for (int d = 1; d <= 9; ++d) {
        Entry e{};
        ASSERT_TRUE(Find(char16_t(u'0' + d), e));
        EXPECT_EQ(e.key, d + 1);
    }
    EXPECT_EQ(lines_[47], u" 57") << "line 48 is the space bar, the last line the review generator may use";
}

TEST_F(LetterTable, HoldsEachCharacterOnceInTheFormatOfTheProgram) {
    ASSERT_LE(lines_.size(), 97u);
    std::set<char16_t> seen;
    std::map<int, int> perKey;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::u16string& l = lines_[i];
        ASSERT_GE(l.size(), 2u) << "line " << i + 1;
        ASSERT_LE(l.size(), 3u) << "line " << i + 1;
        EXPECT_NE(l[1], u'0') << "line " << i + 1 << ": leading zero";
        for (size_t k = 1; k < l.size(); ++k) EXPECT_TRUE(l[k] >= u'0' && l[k] <= u'9') << "line " << i + 1;
        EXPECT_TRUE(seen.insert(l[0]).second) << "line " << i + 1 << " repeats a character";
        int key = 0;
        for (size_t k = 1; k < l.size(); ++k) key = key * 10 + (l[k] - u'0');
        EXPECT_GE(key, 1);
        EXPECT_LE(key, 61);
        ++perKey[key];
    }
    // Every key with characters: one unshifted and one shifted line (the space bar only one).
    for (const auto& kv : perKey) EXPECT_EQ(kv.second, kv.first == 57 ? 1 : 2) << "key " << kv.first;
}

TEST(HomeTable, GivesEveryLetterKeyAHomeRowKeyAndEndsWithKey52) {
    std::istringstream in(ReadAll(DataDir() + "/home.txt"));
    std::string line;
    std::map<int, int> home;
    int last = 0;
    while (std::getline(in, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << "lines end with CR LF";
        int a = 0, b = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d %d", &a, &b), 2) << line;
        home[a] = b;
        last = a;
    }
    EXPECT_EQ(last, 52) << "the review generator stops reading at the line for key 52";
    const std::set<int> homeRow = {30, 31, 32, 33, 36, 37, 38, 39};
    const std::set<int> left = {1, 2, 3, 4, 5, 6, 16, 17, 18, 19, 20, 30, 31, 32, 33, 34, 43, 44, 45, 46, 47};
    for (const Row& row : kRussianRows) {
        for (size_t i = 0; i < row.lower.size(); ++i) {
            int key = row.firstKey + int(i);
            ASSERT_TRUE(home.count(key)) << "key " << key;
            EXPECT_TRUE(homeRow.count(home[key])) << "key " << key << " drills against " << home[key];
            EXPECT_NE(home[key], key);
            // Keys off the home row drill against the home key of their own hand.
            if (!homeRow.count(key)) {
                EXPECT_EQ(left.count(key), left.count(home[key])) << "key " << key;
            }
        }
    }
}

TEST(LessonFiles, EveryLessonHasAnExerciseAndAShorterTestInTheProgramsFormat) {
    int previousSet = 1;
    for (int n = 1; n <= 16; ++n) {
        size_t typed[2] = {0, 0};
        int sets[2] = {0, 0};
        for (int kind = 0; kind < 2; ++kind) {
            const std::string path = DataDir() + "/text/" + (kind == 0 ? "L" : "T") + std::to_string(n) + ".txt";
            std::vector<std::u16string> lines = Utf16Lines(path);
            ASSERT_GE(lines.size(), 7u) << path;
            ASSERT_GE(lines[0].size(), 2u);
            EXPECT_TRUE(lines[0][1] >= 0x0410 && lines[0][1] <= 0x044F) << path << ": caption's second character";
            EXPECT_TRUE(lines[1][1] >= 0x0410 && lines[1][1] <= 0x044F) << path << ": message's second character";
            sets[kind] = std::stoi(std::string(lines[2].begin(), lines[2].end()));
            const int count = std::stoi(std::string(lines[3].begin(), lines[3].end()));
            EXPECT_EQ(lines[4], u"TEXT") << path;
            EXPECT_EQ(lines.back(), u"ENDEX") << path;
            EXPECT_EQ(count, int(lines.size()) - 6) << path << ": line 4 is the number of text lines";
            for (size_t i = 5; i + 1 < lines.size(); ++i) {
                EXPECT_NE(lines[i].substr(0, 5), u"ENDEX") << path;
                EXPECT_FALSE(lines[i].empty()) << path;
                typed[kind] += lines[i].size() + 1;
            }
        }
        EXPECT_EQ(sets[0], sets[1]) << "lesson " << n;
        EXPECT_GE(sets[0], previousSet) << "lesson " << n;
        EXPECT_LT(typed[1], typed[0]) << "the test of lesson " << n << " is shorter than its exercise";
        previousSet = sets[0];
    }
    EXPECT_EQ(previousSet, 6) << "the course ends with Shift and every key";
}

TEST(Limits, EveryLessonHasATimeAndAnErrorLimit) {
    std::istringstream in(ReadAll(DataDir() + "/rez.ini"));
    std::string line, section;
    std::map<std::string, std::map<std::string, int>> ini;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        ini[section][line.substr(0, eq)] = std::stoi(line.substr(eq + 1));
    }
    for (int n = 1; n <= 16; ++n) {
        const auto& s = ini[std::to_string(n)];
        ASSERT_TRUE(s.count("Ltimp") && s.count("Lgres")) << "lesson " << n;
        EXPECT_GT(s.at("Ltimp"), 0);
        EXPECT_LT(s.at("Ltimp"), 3600) << "a limit a learner can reach";
        EXPECT_GE(s.at("Lgres"), 5);
    }
}

#ifdef TASTORA_COURSE_EXE
// The generator refuses sources that would trouble a learner and names every line at fault.
TEST(CourseSources, EveryLineBreakingTheLearnersRulesIsNamed) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tastora-course-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(TASTORA_COURSE_CONTENT_DIR, dir / "content", fs::copy_options::recursive);
    struct Case {
        const char* file;
        std::string line, replacement;  // a line of the file and what it becomes
        const char* complaint;
    };
    const Case cases[] = {
        // A test line whose first row ends at column 40.
        {"14.txt", "Бабушка сказала: \"Обед готов!\"", "Роман \"Война и мир\" написал Лев Толстой.", "column 40"},
        // The backslash drill gone: "\" typed too rarely (named at the 'new:' line).
        {"08.txt", "ж\\ж ж\\ж ж\\ж ж\\ж", "жхж жъж", "U+005C"},
        // A test line copied from the exercise.
        {"02.txt", "вдова ждала воды", "вдова выдала два вола", "copies a line"},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        const fs::path path = dir / "content" / "lessons" / c.file;
        std::ifstream in(path, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        in.close();
        size_t at = lines.size(), newLine = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] == c.line) at = i;
            if (lines[i].rfind("new:", 0) == 0) newLine = i;
        }
        ASSERT_LT(at, lines.size()) << c.file << ": " << c.line;
        lines[at] = c.replacement;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::string& l : lines) out << l << "\n";
        const size_t named = std::string(c.complaint) == "U+005C" ? newLine : at;
        expected.push_back(std::string("lessons/") + c.file + ":" + std::to_string(named + 1));
        expected.back() += std::string("|") + c.complaint;
    }
    const std::string command = std::string("\"") + TASTORA_COURSE_EXE + "\" \"" + (dir / "out").string() +
                                "\" --content \"" + (dir / "content").string() + "\" 2>\"" +
                                (dir / "err.txt").string() + "\"";
    const int status = std::system(command.c_str());
    EXPECT_NE(status, 0) << "the course is refused";
    std::ifstream err(dir / "err.txt");
    std::vector<std::string> messages;
    for (std::string l; std::getline(err, l);) messages.push_back(l);
    for (const std::string& e : expected) {
        const std::string where = e.substr(0, e.find('|')), what = e.substr(e.find('|') + 1);
        bool found = false;
        for (const std::string& m : messages)
            found = found || ((m.find(where + " ") != std::string::npos || m.find(where + ":") != std::string::npos) &&
                              m.find(what) != std::string::npos);
        EXPECT_TRUE(found) << where << " " << what;
    }
    fs::remove_all(dir);
}
#endif

}  // namespace
