// The review exercise generator: ranking of the learner's errors, drill and random lines,
// the lesson file it writes, and what happens when the course tables are missing or damaged.
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "tests/unit/results_fixture.h"

namespace tastora {
namespace results_test {
namespace {

const char kInstruction[] =
    "УКАЗАНИЯ: Расположите пальцы рук на клавиатуре в соответствующей позиции (см. в подразделе "
    "помощь). Расслабьте плечи и предплечья. Старайтесь сохранять данную позицию на протяжении "
    "всего процесса обучения, поскольку это очень важно.";
const char kDrillPattern[] =
    "xixix xixix xixix xiixi xiixi xiixi xxiix xxiix xxiix xxixi xxixi xxixi ixxii ixxii ixxii";

// The lines of a UTF-16 lesson file after its byte-order mark; every line must end in CR LF.
std::vector<std::u16string> LessonLines(const std::string& path) {
    const std::string bytes = ReadTestFile(path);
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_EQ(bytes.size() % 2, 0u);
    std::u16string all;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) all += char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8));
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t pos; (pos = all.find(u"\r\n", start)) != std::u16string::npos; start = pos + 2)
        lines.push_back(all.substr(start, pos - start));
    EXPECT_EQ(start, all.size()) << "the last line lacks its CR LF";
    return lines;
}

// A drill line as the pattern gives it for a key and its home key.
std::u16string DrillLine(int key) {
    std::u16string line;
    for (const char* p = kDrillPattern; *p; ++p)
        line += *p == 'x' ? CharOfKey(HomeOfKey(key)) : *p == 'i' ? CharOfKey(key) : u' ';
    return line;
}

class ReviewTest : public ResultsTest {
protected:
    // The 15 text lines of the review of "Анна", after checking the file's frame.
    std::vector<std::u16string> ReviewText() {
        const auto lines = LessonLines("data\\text\\Анна.txt");
        EXPECT_EQ(lines.size(), 21u);
        if (lines.size() != 21u) return {};
        EXPECT_EQ(Utf16ToUtf8(lines[0]), "Повторения");
        EXPECT_EQ(Utf16ToUtf8(lines[1]), kInstruction);
        EXPECT_EQ(lines[1].size(), 232u);
        EXPECT_EQ(lines[2], u"6");
        EXPECT_EQ(lines[3], u"15");
        EXPECT_EQ(lines[4], u"TEXT");
        EXPECT_EQ(lines[20], u"ENDEX");
        std::vector<std::u16string> text(lines.begin() + 5, lines.begin() + 20);
        for (const auto& l : text) {
            EXPECT_EQ(l.size(), 89u);
            for (size_t i = 5; i < l.size(); i += 6) EXPECT_EQ(l[i], u' ') << "position " << i + 1;
        }
        return text;
    }

    // A random line: every position not a blank holds one of the characters of the keys.
    void ExpectRandomLine(const std::u16string& line, const std::vector<int>& keys) {
        std::set<char16_t> allowed;
        for (int k : keys) allowed.insert(CharOfKey(k));
        for (size_t i = 0; i < line.size(); ++i)
            if (i % 6 != 5) {
                EXPECT_TRUE(allowed.count(line[i])) << "position " << i + 1;
            }
    }

    void ExpectCountersReset() {
        IniFile users("data\\users.ini");
        for (int n = 1; n <= 56; ++n) {
            EXPECT_EQ(users.ReadInteger("Анна", std::to_string(n), 0), 0) << n;
            EXPECT_EQ(users.ReadInteger("Анна", std::to_string(n) + "u", 0), 0) << n;
        }
    }
};

TEST_F(ReviewTest, NoErrorsDrillsTheFirstTenKeys) {
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    ASSERT_EQ(text.size(), 15u);
    // Keys 1..10 all have home keys in this table: ten drill lines in key order.
    for (int i = 0; i < 10; ++i) EXPECT_EQ(text[size_t(i)], DrillLine(i + 1)) << "line " << i + 1;
    for (int i = 10; i < 15; ++i) ExpectRandomLine(text[size_t(i)], {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReviewTest, FewErrorsAreFilledUpWithKeysAlreadyTaught) {
    // Two keys with errors after the test of lesson 4 (LetterSet 2): the other eight places
    // go to keys of sets 1 and 2, the newest first, never to a digit of a later lesson.
    struct Case {
        double level;
        int testSet;      // line 3 of T<lesson>.txt; 0: no test file, the lesson's exercise counts
        int exerciseSet;  // line 3 of L<lesson>.txt; 0: no exercise file
    };
    for (const Case& c : {Case{4.2, 2, 3}, Case{8.3, 4, 0}, Case{4.3, 0, 2}, Case{16.2, 6, 0}}) {
        SCOPED_TRACE(c.level);
        LogIn("Анна", c.level);
        SetProfile("33", "5");
        SetProfile("36", "2");
        const std::string lesson = std::to_string(int(c.level));
        for (const auto& [file, set] : {std::pair{"data/text/T" + lesson + ".txt", c.testSet},
                                        std::pair{"data/text/L" + lesson + ".txt", c.exerciseSet}}) {
            if (set)
                WriteTestFile(file, LessonFileBytes("Урок", "Урок", set, {"аовл"}));
            else
                std::filesystem::remove(file);
        }
        ASSERT_TRUE(app.results.GenerateReviewText());
        const auto text = ReviewText();
        ASSERT_EQ(text.size(), 15u);
        const KeySet taught = LetterSet(std::min(5, c.testSet ? c.testSet : c.exerciseSet));
        std::set<char16_t> allowed{u' '};
        for (int k = 1; k <= 56; ++k)
            if (taught.test(size_t(k))) allowed.insert(CharOfKey(k));
        std::set<char16_t> used;
        for (const auto& line : text) used.insert(line.begin(), line.end());
        for (char16_t ch : used) EXPECT_TRUE(allowed.count(ch)) << Utf16ToUtf8(std::u16string(1, ch));
        EXPECT_TRUE(used.count(CharOfKey(33)) && used.count(CharOfKey(36))) << "the keys with errors";
        EXPECT_GE(used.size(), 11u) << "ten keys and the space, home keys besides";
    }
}

TEST_F(ReviewTest, TenMostMistypedKeysInRankOrder) {
    const int keys[] = {44, 17, 35, 21, 50, 2, 34, 25, 47, 12, 20};
    int count = 40;
    for (int k : keys) SetProfile(std::to_string(k), std::to_string(count--));
    SetProfile("3u", "500");  // shifted counts are reset but never ranked
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    ASSERT_EQ(text.size(), 15u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(text[size_t(i)], DrillLine(keys[i])) << "line " << i + 1;
    for (int i = 10; i < 15; ++i) ExpectRandomLine(text[size_t(i)], std::vector<int>(keys, keys + 10));
    ExpectCountersReset();
    EXPECT_EQ(Profile("3u"), "0");
}

TEST_F(ReviewTest, KeysWithoutHomeKeysGetOnlyRandomLines) {
    const int keys[] = {30, 31, 32, 33, 36, 37, 38, 39, 20, 43};
    for (int i = 0; i < 10; ++i) SetProfile(std::to_string(keys[i]), std::to_string(20 - i));
    WriteTestFile("data\\home.txt", "52 0\r\n");
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    ASSERT_EQ(text.size(), 15u);
    for (const auto& line : text) ExpectRandomLine(line, std::vector<int>(keys, keys + 10));
    // Re-seeded for every line, yet no two lines alike.
    EXPECT_EQ(std::set<std::u16string>(text.begin(), text.end()).size(), 15u);
    ExpectCountersReset();
}

TEST_F(ReviewTest, EqualCountsKeepTheOrderOfTheExchangeSort) {
    // Two keys with the same count: 20 comes first; keys 1 and 2 are swapped away to the
    // places of 20 and 30, so the top ten are 20, 30, 3, 4, ..., 10.
    SetProfile("20", "5");
    SetProfile("30", "5");
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    ASSERT_EQ(text.size(), 15u);
    EXPECT_EQ(text[0], DrillLine(20));
    // 30 has no home key: the next drill lines are those of 3..10.
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(text[size_t(i)], DrillLine(i + 2)) << "line " << i + 1;
    for (int i = 9; i < 15; ++i) ExpectRandomLine(text[size_t(i)], {20, 30, 3, 4, 5, 6, 7, 8, 9, 10});
}

TEST_F(ReviewTest, TheSameSeedsGiveTheSameReview) {
    uint64_t seed = 0;
    app.results.ReviewSeed = [&seed] { return ++seed; };
    WriteTestFile("data\\home.txt", "52 0\r\n");
    ASSERT_TRUE(app.results.GenerateReviewText());
    const std::string first = ReadTestFile("data\\text\\Анна.txt");
    seed = 0;
    ASSERT_TRUE(app.results.GenerateReviewText());
    EXPECT_EQ(ReadTestFile("data\\text\\Анна.txt"), first);
}

TEST_F(ReviewTest, WithTheCourseData) {
    if (!CopyGeneratedData()) GTEST_SKIP() << "the course data has not been generated";
    SetProfile("33", "9");
    SetProfile("44", "4");
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    EXPECT_EQ(text.size(), 15u);
    for (const auto& line : text)
        for (char16_t c : line) EXPECT_NE(c, 0);
    EXPECT_TRUE(ui.messages.empty());
}

// --- damaged or missing tables -------------------------------------------------------------

TEST_F(ReviewTest, WithoutTheHomeTableTheReviewIsAllRandom) {
    std::filesystem::remove("data/home.txt");
    SetProfile("44", "4");
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    ASSERT_EQ(text.size(), 15u);
    // Key 44 takes the first place and key 1 goes to its place: 44, 2, 3, ..., 10.
    for (const auto& line : text) ExpectRandomLine(line, {44, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("data\\home.txt"), std::string::npos);
}

TEST_F(ReviewTest, AHomeTableWithoutKey52IsUsedAsFarAsItGoes) {
    WriteTestFile("data\\home.txt", "1 30\r\n2 30\r\n99 30\r\n3 abc\r\n\r\n4 32");
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    ASSERT_EQ(text.size(), 15u);
    EXPECT_EQ(text[0], DrillLine(1));
    EXPECT_EQ(text[1], DrillLine(2));
    EXPECT_EQ(text[2], DrillLine(4));
    for (int i = 3; i < 15; ++i) ExpectRandomLine(text[size_t(i)], {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("неполна"), std::string::npos);
}

TEST_F(ReviewTest, TheHomeTableIsReadUpToKey52) {
    WriteTestFile("data\\home.txt", "5 33\r\n52 39\r\n1 30\r\n");
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    ASSERT_EQ(text.size(), 15u);
    EXPECT_EQ(text[0], DrillLine(5));
    for (int i = 1; i < 15; ++i) ExpectRandomLine(text[size_t(i)], {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReviewTest, KeysWithoutACharacterAreNotDrilled) {
    // Keys 5 and 6 keep only their shifted lines, after the 49th: neither can be typed.
    auto lines = LetterTableLines();
    lines.erase(lines.begin() + 4, lines.begin() + 6);  // "45", "56"
    WriteTestFile("data\\litere.txt", Utf16Lines(lines));
    ASSERT_TRUE(app.results.GenerateReviewText());
    const auto text = ReviewText();
    ASSERT_EQ(text.size(), 15u);
    const int drilled[] = {1, 2, 3, 4, 7, 8, 9, 10, 11, 12};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(text[size_t(i)], DrillLine(drilled[i])) << "line " << i + 1;
    for (int i = 10; i < 15; ++i) ExpectRandomLine(text[size_t(i)], std::vector<int>(drilled, drilled + 10));
}

TEST_F(ReviewTest, WithoutTheLetterTableNoReviewAndTheCountersAreKept) {
    std::filesystem::remove("data/litere.txt");
    SetProfile("44", "4");
    EXPECT_FALSE(app.results.GenerateReviewText());
    EXPECT_FALSE(TestFileExists("data\\text\\Анна.txt"));
    EXPECT_EQ(Profile("44"), "4");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("data\\litere.txt"), std::string::npos);
}

TEST_F(ReviewTest, ATableWithoutTheSpaceMakesNoReview) {
    auto lines = LetterTableLines();
    lines.erase(lines.begin() + 47);  // " 57"
    WriteTestFile("data\\litere.txt", Utf16Lines(lines));
    EXPECT_FALSE(app.results.GenerateReviewText());
    EXPECT_FALSE(TestFileExists("data\\text\\Анна.txt"));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(ReviewTest, WithoutTheLetterTableTest42LeadsToTheNextLesson) {
    std::filesystem::remove("data/litere.txt");
    LogIn("Анна", 4.2);
    Finish(0, 100, 60);
    EXPECT_TRUE(app.session.ExercisePassed);
    EXPECT_TRUE(app.session.LevelCompleted);
    EXPECT_EQ(Label(rows.verdict), kToNextText);
    EXPECT_EQ(Profile("nivel"), "5,1");
    EXPECT_EQ(Profile("4,2"), "100");
    EXPECT_EQ(app.session.CurrentLevel, 5.1);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(ReviewTest, WithoutTheLetterTableTest162EndsTheCourse) {
    std::filesystem::remove("data/litere.txt");
    LogIn("Анна", 16.2);
    Finish(0, 100, 60);
    EXPECT_TRUE(app.session.LevelCompleted);
    EXPECT_EQ(Label(rows.verdict), kCourseDoneText);
    EXPECT_EQ(Profile("nivel"), "17,1");
    EXPECT_EQ(app.session.CurrentLevel, 16.2);
}

TEST_F(ReviewTest, AMalformedLineStopsTheEvaluation) {
    auto lines = LetterTableLines();
    lines.insert(lines.begin() + 2, "ъx");  // before the line of key 3
    WriteTestFile("data\\litere.txt", Utf16Lines(lines));
    LogIn("Анна", 8.2);
    SetProfile("44", "4");
    Finish(0, 100, 60);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("data\\litere.txt"), std::string::npos);
    EXPECT_TRUE(app.session.ExercisePassed);
    EXPECT_EQ(Label(rows.verdict), kToReviewText);
    EXPECT_EQ(Profile("nivel"), "8,2");
    EXPECT_EQ(app.session.CurrentLevel, 8.2);
    EXPECT_EQ(Profile("44"), "0");
    EXPECT_FALSE(TestFileExists("data\\text\\Анна.txt"));
}

TEST_F(ReviewTest, AMalformedLineAfterEveryNeededKeyIsNeverReached) {
    auto lines = LetterTableLines();
    lines.push_back("Zz");
    WriteTestFile("data\\litere.txt", Utf16Lines(lines));
    EXPECT_TRUE(app.results.GenerateReviewText());
    EXPECT_TRUE(ui.errors.empty());
}

// --- the file ---------------------------------------------------------------------------------

TEST_F(ReviewTest, AReviewThatCannotBeWrittenLeavesTheOldOneWhole) {
    WriteTestFile("data\\text\\Анна.txt", "old review");
    ASSERT_EQ(::chmod("data/text/Анна.txt", 0444), 0);
    EXPECT_FALSE(app.results.GenerateReviewText());
    EXPECT_EQ(ReadTestFile("data\\text\\Анна.txt"), "old review");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("data\\text\\Анна.txt"), std::string::npos);
}

TEST_F(ReviewTest, AnUnsafeProfileNameStaysInsideTheTextFolder) {
    std::filesystem::create_directories("outside");
    LogIn("..\\..\\outside\\evil", 4.2);
    Finish(0, 100, 60);
    EXPECT_EQ(Profile("nivel"), "4,3");
    const std::string path = ReviewFilePath("..\\..\\outside\\evil");
    EXPECT_EQ(path.rfind("data\\text\\", 0), 0u);
    EXPECT_EQ(path.find('\\', 10), std::string::npos);
    EXPECT_TRUE(TestFileExists(path));
    EXPECT_TRUE(std::filesystem::is_empty("outside"));
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(std::filesystem::current_path())) files += !e.is_directory();
    EXPECT_EQ(files, 0u);
}

TEST(ReviewFileName, SafeNamesAreKept) {
    EXPECT_EQ(ReviewFilePath("Анна"), "data\\text\\Анна.txt");
    EXPECT_EQ(ReviewFileName("Ivan Petrov"), "Ivan Petrov.txt");
    EXPECT_EQ(ReviewFileName("Lena5"), "Lena5.txt");
    EXPECT_EQ(ReviewFileName("a.b"), "a.b.txt");
    EXPECT_EQ(ReviewFileName("_Вася_"), "_Вася_.txt");
    EXPECT_EQ(ReviewFileName("L5a"), "L5a.txt");
    EXPECT_EQ(ReviewFileName(" lead"), " lead.txt");
    const std::string longName(200, 'a');  // valid, if long: an older installation's file
    EXPECT_EQ(ReviewFileName(longName), longName + ".txt");
    EXPECT_EQ(ReviewFileName("_L5_1234567"), "_L5_1234567.txt") << "seven digits: no mapped form";
}

TEST(ReviewFileName, AMappedNameIsNeverAnotherProfilesKeptName) {
    // Every mapped name, used as a profile name, must map to a file of its own.
    for (const char* name : {"L5", "con", "a/b", "dot.", "Ян/Я", "7"}) {
        const std::string mapped = ReviewFileName(name);
        const std::string stem = mapped.substr(0, mapped.size() - 4);
        std::string lower = stem;  // the file system ignores letter case
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        for (const std::string& other : {stem, lower}) {
            SCOPED_TRACE(other);
            EXPECT_FALSE(IsSafeReviewName(other));
            EXPECT_FALSE(EqualNoCaseCp1251(Utf8ToCp1251(ReviewFileName(other)), Utf8ToCp1251(mapped)));
        }
    }
}

TEST(ReviewFileName, UnsafeNamesAreMapped) {
    const char* unsafe[] = {"",
                            "..",
                            "a/b",
                            "a\\b",
                            "c:x",
                            "a*",
                            "a?",
                            "a\"b",
                            "<a>",
                            "a|b",
                            "_x_0123abcd",
                            "trail ",
                            "dot.",
                            "con",
                            "CON.txt",
                            "nul",
                            "com1",
                            "LPT9",
                            "L5",
                            "t12",
                            "7",
                            "tab\tname",
                            "ab\x7F",
                            "名前",
                            "_aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa_FFFFFFFF"};
    std::set<std::string> seen;
    for (const char* name : unsafe) {
        EXPECT_FALSE(IsSafeReviewName(name)) << name;
        const std::string file = ReviewFileName(name);
        EXPECT_EQ(file.front(), '_') << name;
        EXPECT_EQ(file.find_first_of("\\/:*?\"<>|\t"), std::string::npos) << file;
        EXPECT_LE(file.size(), 1 + 32 + 1 + 8 + 4u) << file;
        seen.insert(file);
    }
    EXPECT_EQ(seen.size(), sizeof unsafe / sizeof unsafe[0]);
    // The same profile whatever the letter case; different names, different files.
    EXPECT_TRUE(EqualNoCaseCp1251(Utf8ToCp1251(ReviewFileName("CON")), Utf8ToCp1251(ReviewFileName("con"))));
    EXPECT_TRUE(EqualNoCaseCp1251(Utf8ToCp1251(ReviewFileName("Ян/Я")), Utf8ToCp1251(ReviewFileName("ЯН/я"))));
    EXPECT_NE(ReviewFileName("a/b"), ReviewFileName("a:b"));
}

}  // namespace
}  // namespace results_test
}  // namespace tastora
