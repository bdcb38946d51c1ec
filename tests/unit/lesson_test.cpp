// Lesson loading: key tables and sets, the lesson-file reader, the header lines, the layout
// of text lines on the 40 x 7 grid, the cursor, the end of an exercise, broken course files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/ini.h"
#include "core/text.h"
#include "exercise/exercise.h"
#include "session/review_name.h"
#include "tests/support/exercise_data.h"
#include "tests/support/fake_ui.h"
#include "tests/support/recording_flow.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

// Raw UTF-16LE units, no line ends added.
std::string Units(const std::u16string& text) {
    std::string out;
    for (char16_t u : text) {
        out += char(u & 0xFF);
        out += char(u >> 8);
    }
    return out;
}

// A letter table of the home row, the space and some Latin capitals on keys outside set 1.
void WriteSmallLetterTable() {
    WriteTestFile("data\\litere.txt", Utf16Lines({"ф30", "ы31", "в32", "а33", "о36", "л37", "д38", "ж39", " 57", "E18",
                                                  "X44", "I23", "T20", "N21", "D47"}));
}

constexpr uint16_t kVkShift = 16, kVkTab = 9;

// The virtual key of key number n.
uint16_t CodeOfKey(const ExerciseWindow& ex, int n) {
    for (int vk = 1; vk < 256; ++vk)
        if (ex.KeyCodeMap[vk] == n) return uint16_t(vk);
    return 0;
}

// The right keystroke on the cell under the cursor, as a learner types it: the key of the
// cell, with Shift held for a shifted one.
void TypeRight(FakeUi& ui, ExerciseWindow& ex) {
    const Cell* cell = ex.exercise().CursorCell();
    ASSERT_TRUE(cell && cell->Pending()) << "the cursor stands on nothing to type";
    const bool shifted = cell->shifted;
    if (shifted) ui.KeyDown(FormId::Exercise, kVkShift);
    ui.KeyPress(FormId::Exercise, CodeOfKey(ex, cell->key));
    if (shifted) ui.KeyUp(FormId::Exercise, kVkShift);
}

class LessonTest : public ::testing::Test {
protected:
    TempDataDir dir;
    FakeUi ui;
    Tastora app{ui};
    ExerciseWindow& ex = app.exercise;

    void SetUp() override {
        LinkCoursePictures();
        WriteLetterTable();
        app.Run();
        app.session.userName = "Анна";
        ui.Show(FormId::Exercise);
        Forget();
    }

    void Forget() {
        ui.log.clear();
        ui.messages.clear();
        ui.errors.clear();
    }

    void Lesson(const std::string& name, int letterSet, const std::vector<std::string>& lines,
                const std::string& caption = "Урок", const std::string& message = "Начинаем") {
        WriteTestFile("data\\text\\" + name, LessonFileBytes(caption, message, letterSet, lines));
    }

    bool Start(double level = 1.1) {
        return RunGuarded(ui, [&] { ex.StartExercise(level); });
    }

    // Cells of row r, blank cells at its end left out.
    std::string Row(int r) {
        int last = kGridColumns;
        while (last > 0 && ex.exercise().At(last, r).Code() == "57b") --last;
        std::string out;
        for (int c = 1; c <= last; ++c) out += (c > 1 ? " " : "") + ex.exercise().At(c, r).Code();
        return out;
    }

    // The right keystroke on the cell under the cursor, Shift held for a shifted one.
    void TypeCell() { TypeRight(ui, ex); }
    // A wrong one (a key that no keyboard of the course has).
    void MissCell() { ui.KeyPress(FormId::Exercise, kVkTab); }
};

// ---------------------------------------------------------------------------------------
// Key numbers, codes, positions and sets

TEST(KeyTables, EveryVirtualKeyCodeOfTheTableGivesItsKey) {
    int map[256];
    FillKeyCodeMap(map);
    const std::vector<std::pair<int, int>> expected = {
        {192, 1}, {49, 2},   {50, 3},   {51, 4},  {52, 5},   {53, 6},   {54, 7},   {55, 8},   {56, 9},   {57, 10},
        {48, 11}, {189, 12}, {187, 13}, {8, 14},  {81, 16},  {87, 17},  {69, 18},  {82, 19},  {84, 20},  {89, 21},
        {85, 22}, {73, 23},  {79, 24},  {80, 25}, {219, 26}, {221, 27}, {220, 28}, {20, 29},  {65, 30},  {83, 31},
        {68, 32}, {70, 33},  {71, 34},  {72, 35}, {74, 36},  {75, 37},  {76, 38},  {186, 39}, {222, 40}, {13, 41},
        {90, 43}, {88, 44},  {67, 45},  {86, 46}, {66, 47},  {78, 48},  {77, 49},  {188, 50}, {190, 51}, {191, 52},
        {16, 53}, {91, 55},  {32, 57},  {18, 58}, {92, 59},  {93, 60},  {17, 61},
    };
    int listed = 0;
    for (const auto& [code, key] : expected) {
        EXPECT_EQ(map[code], key) << "code " << code;
        ++listed;
    }
    int mapped = 0;
    for (int code = 0; code < 256; ++code)
        if (map[code] != 0) ++mapped;
    EXPECT_EQ(mapped, listed) << "no other code gives a key";
    // Tab, the left-hand Shift/Ctrl/Alt codes, F1 and the cursor keys give no key.
    for (int code : {9, 160, 161, 162, 163, 164, 165, 112, 37, 0}) EXPECT_EQ(map[code], 0) << "code " << code;
}

TEST(KeyTables, KeyPositionsFollowTheKeyboardRows) {
    KeyPoint pos[kKeyCount + 1];
    FillKeyPositions(pos);
    const std::vector<std::tuple<int, int, int>> expected = {
        {1, 0, 0},      {2, 59, 0},     {3, 116, 0},    {14, 743, 0},   {15, 0, 59},    {16, 86, 59},
        {17, 143, 59},  {28, 770, 59},  {29, 0, 116},   {30, 101, 116}, {41, 728, 116}, {42, 0, 173},
        {43, 131, 173}, {53, 701, 173}, {54, 0, 230},   {55, 74, 230},  {56, 145, 230}, {57, 216, 230},
        {58, 572, 230}, {59, 643, 230}, {60, 714, 230}, {61, 785, 230},
    };
    for (const auto& [key, x, y] : expected) {
        EXPECT_EQ(pos[key].x, x) << "key " << key;
        EXPECT_EQ(pos[key].y, y) << "key " << key;
    }
}

TEST(KeyTables, LetterSetsAreNestedAndSixAddsTheShiftKeys) {
    EXPECT_EQ(LetterSet(1).count(), 10u);
    for (int k : {30, 31, 32, 33, 36, 37, 38, 39, 57, 116}) EXPECT_TRUE(LetterSet(1).test(size_t(k))) << k;
    const size_t sizes[7] = {0, 10, 20, 28, 36, 49, 51};
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(LetterSet(n).count(), sizes[n]) << "set " << n;
        if (n > 1) {
            EXPECT_EQ(LetterSet(n) & LetterSet(n - 1), LetterSet(n - 1)) << "set " << n << " holds the previous";
        }
    }
    EXPECT_FALSE(LetterSet(5).test(42));
    EXPECT_TRUE(LetterSet(6).test(42));
    EXPECT_TRUE(LetterSet(6).test(53));
    EXPECT_TRUE(LetterSet(0).none());
    EXPECT_TRUE(LetterSet(7).none());
    EXPECT_TRUE(LetterSet(-1).none());
}

// ---------------------------------------------------------------------------------------
// The reader

TEST(LessonReader, ReadsUnitsAndLineEndsAsTheCourseWritesThem) {
    TempDataDir dir;
    // The first unit is skipped whatever it is; a CR swallows the unit after it, even when
    // that is no LF; a lone LF ends a line too.
    WriteTestFile("data\\text\\x.txt", Units(u"Zab\r\ncd\rXef\ngh\r\n\r\nij"));
    LessonFileReader reader;
    ASSERT_TRUE(reader.Open("data\\text\\x.txt"));
    std::u16string line;
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kLine);
    EXPECT_EQ(line, u"ab");
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kLine);
    EXPECT_EQ(line, u"cdef");
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kLine);
    EXPECT_EQ(line, u"gh");
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kLine);
    EXPECT_EQ(line, u"");
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kLine) << "a last line without its line end";
    EXPECT_EQ(line, u"ij");
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kEndOfFile);
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kEndOfFile);
}

TEST(LessonReader, EndMarkerIsItsFirstFiveCharactersOnAnyLine) {
    TempDataDir dir;
    struct Case {
        std::u16string line;
        bool ends;
    } cases[] = {
        {u"ENDEX", true}, {u"ENDEXtra", true}, {u"ENDEX and more", true}, {u" ENDEX", false},
        {u"ENDE", false}, {u"endex", false},   {u"xENDEX", false},        {u"END EX", false},
    };
    for (const Case& c : cases) {
        WriteTestFile("data\\text\\x.txt", Units(u"\uFEFF" + c.line + u"\r\nnext\r\n"));
        LessonFileReader reader;
        ASSERT_TRUE(reader.Open("data\\text\\x.txt"));
        std::u16string line;
        const auto end = reader.ReadLine(line);
        EXPECT_EQ(end == LessonFileReader::kEndMarker, c.ends) << Utf16ToUtf8(c.line);
        if (!c.ends) {
            EXPECT_EQ(line, c.line);
        }
    }
    // Without its line end, at the very end of the file.
    WriteTestFile("data\\text\\x.txt", Units(u"\uFEFFENDEX"));
    LessonFileReader reader;
    ASSERT_TRUE(reader.Open("data\\text\\x.txt"));
    std::u16string line;
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kEndMarker);
}

TEST(LessonReader, OddByteAtTheEndIsNeverRead) {
    TempDataDir dir;
    WriteTestFile("data\\text\\x.txt", Units(u"\uFEFFab") + "c");
    LessonFileReader reader;
    ASSERT_TRUE(reader.Open("data\\text\\x.txt"));
    std::u16string line;
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kLine);
    EXPECT_EQ(line, u"ab");
    EXPECT_TRUE(reader.AtEnd());
    char16_t unit;
    EXPECT_FALSE(reader.ReadUnit(unit));
    // Files of one byte and of none.
    for (const std::string& bytes : {std::string("\xFF"), std::string()}) {
        WriteTestFile("data\\text\\y.txt", bytes);
        ASSERT_TRUE(reader.Open("data\\text\\y.txt"));
        EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kEndOfFile);
    }
    EXPECT_FALSE(reader.Open("data\\text\\missing.txt"));
    EXPECT_EQ(reader.ReadLine(line), LessonFileReader::kEndOfFile);
}

TEST(LessonFiles, FileIsChosenByLessonAndKind) {
    EXPECT_EQ(LessonFilePath(5.1, "Анна"), "data\\text\\L5.txt");
    EXPECT_EQ(LessonFilePath(5.2, "Анна"), "data\\text\\T5.txt");
    EXPECT_EQ(LessonFilePath(4.3, "Анна"), "data\\text\\Анна.txt");
    EXPECT_EQ(LessonFilePath(5.0, "Анна"), "data\\text\\5.txt");
    EXPECT_EQ(LessonFilePath(16.3, "Bob"), "data\\text\\Bob.txt");
    // The review file is named as the review generator writes it.
    EXPECT_EQ(LessonFilePath(4.3, "..\\boot"), ReviewFilePath("..\\boot"));
    EXPECT_EQ(LessonFilePath(4.3, "CON"), ReviewFilePath("CON"));
    EXPECT_EQ(LessonFilePath(17.1, "Bob"), "data\\text\\L17.txt");
    EXPECT_EQ(LessonFilePath(12.1, "Bob"), "data\\text\\L12.txt") << "12.1 x 10 is not exactly 121";
    EXPECT_EQ(LessonFilePath(5.5, "Bob"), "data\\text\\5.txt");
    // A level out of all reason names no file instead of overflowing.
    EXPECT_EQ(LessonFilePath(1e300, "Bob"), "data\\text\\0.txt");
    EXPECT_EQ(LessonFilePath(0.0 / 0.0, "Bob"), "data\\text\\0.txt");
}

// ---------------------------------------------------------------------------------------
// The letter table

TEST(LetterTables, FindsCharactersAndKeysBothWays) {
    TempDataDir dir;
    WriteLetterTable();
    LetterTable table;
    ASSERT_TRUE(table.Load());
    EXPECT_TRUE(table.Problems().empty());
    EXPECT_EQ(table.Find(u'а').key, 33);
    EXPECT_EQ(table.Find(u'а').line, 30);
    EXPECT_FALSE(table.Find(u'а').Shifted());
    EXPECT_EQ(table.Find(u' ').key, 57);
    EXPECT_EQ(table.Find(u' ').line, 48);
    EXPECT_EQ(table.Find(u'А').key, 33);
    EXPECT_TRUE(table.Find(u'А').Shifted());
    EXPECT_FALSE(table.Find(u'Q').Found());
    EXPECT_EQ(table.CharOfKey(33), u'а');
    EXPECT_EQ(table.CharOfKey(33, true), u'А');
    EXPECT_EQ(table.CharOfKey(52, true), u',');
    EXPECT_EQ(table.CharOfKey(14), 0);
}

TEST(LetterTables, EmptyLinesKeepTheirPlaceAndMalformedOnesAreReported) {
    TempDataDir dir;
    WriteTestFile("data\\litere.txt", Utf16Lines({"", "а33", "", "б", "вx", "г99", "д38", "е20 "}));
    LetterTable table;
    ASSERT_TRUE(table.Load());
    ASSERT_EQ(table.Lines().size(), 8u) << "empty lines count: line numbers decide plain or shifted";
    EXPECT_EQ(table.Find(u'а').line, 2);
    EXPECT_EQ(table.Find(u'д').line, 7) << "a malformed line keeps its place";
    EXPECT_EQ(table.Find(u'д').key, 38);
    EXPECT_EQ(table.Find(u'е').key, 20);
    EXPECT_FALSE(table.Find(u'б').Found());
    EXPECT_FALSE(table.Find(u'г').Found());
    EXPECT_EQ(table.ValidLines(), 3);
    ASSERT_EQ(table.Problems().size(), 3u);
    EXPECT_EQ(table.Problems()[0], "строка 4: нет номера клавиши");
    EXPECT_EQ(table.Problems()[2], "строка 6: неверный номер клавиши");
    // An empty line among the plain ones moves the 48th character to line 49: shifted.
    std::vector<std::string> lines(47, "ж39");
    lines[10] = "";
    lines.push_back("ф30");
    lines.push_back("Ф30");
    WriteTestFile("data\\litere.txt", Utf16Lines(lines));
    ASSERT_TRUE(table.Load());
    EXPECT_EQ(table.Find(u'ф').line, 48);
    EXPECT_FALSE(table.Find(u'ф').Shifted());
    EXPECT_TRUE(table.Find(u'Ф').Shifted());
}

TEST(LetterTables, AtMost97LinesAreRead) {
    TempDataDir dir;
    std::vector<std::string> lines(100, "ж39");
    lines[96] = "ф30";
    lines[97] = "ы31";
    WriteTestFile("data\\litere.txt", Utf16Lines(lines));
    LetterTable table;
    ASSERT_TRUE(table.Load());
    EXPECT_EQ(table.Lines().size(), 97u);
    EXPECT_EQ(table.Find(u'ф').line, 97);
    EXPECT_FALSE(table.Find(u'ы').Found());
    EXPECT_FALSE(LetterTable().Load("data\\missing.txt"));
}

// ---------------------------------------------------------------------------------------
// Layout

class LayoutTest : public ::testing::Test {
protected:
    TempDataDir dir;
    LetterTable letters;
    TextCells grid;
    void SetUp() override {
        WriteLetterTable();
        ASSERT_TRUE(letters.Load());
    }
    LayoutNotes Lay(const std::string& line, int plainSet = 1, int shiftedSet = 0) {
        return LayOutText(Utf8ToUtf16(line), letters, LetterSet(plainSet), LetterSet(shiftedSet), &grid);
    }
    std::string Row(int r) {
        int last = kTextColumns;
        while (last > 0 && grid[last][r] == kBlankCell) --last;
        std::string out;
        for (int c = 1; c <= last; ++c) out += (c > 1 ? " " : "") + grid[c][r].Code();
        return out;
    }
};

TEST_F(LayoutTest, CellCodesComeFromTheLetterTableAndTheKeySets) {
    Lay("фы ва");
    EXPECT_EQ(Row(1), "30 31 57 32 33 57");
    // Keys outside PlainKeys are shown as done.
    Lay("кафе");
    EXPECT_EQ(Row(1), "19b 33 30 20b 57");
    // Shifted characters: typed with Shift when the key is in ShiftedKeys, else done.
    Lay("Фа!", 5, 5);
    EXPECT_EQ(Row(1), "30u 33 2u 57");
    Lay("Фа!", 5, 0);
    EXPECT_EQ(Row(1), "30ub 33 2ub 57");
    // No key for the space in the sets: it is shown as done as well.
    Lay("фа", 0, 0);
    EXPECT_EQ(Row(1), "30b 33b") << "the added space is a blank done cell";
    EXPECT_EQ(grid[3][1].Code(), "57b");
    EXPECT_EQ(Row(2), "");
}

TEST_F(LayoutTest, LineEndingExactlyAtColumn40DropsItsSpace) {
    // 7 words of 4 letters and one of 5: 40 characters.
    const std::string line = Repeat("фыва ", 7) + "олджо";
    const LayoutNotes notes = Lay(line);
    EXPECT_EQ(grid[40][1].Code(), "36");
    EXPECT_EQ(grid[36][1].Code(), "36");
    EXPECT_EQ(grid[35][1].Code(), "57");
    EXPECT_EQ(Row(2), "") << "the added space would start row 2 and is dropped";
    EXPECT_FALSE(notes.cut);
}

TEST_F(LayoutTest, WordThatWouldEndInColumn41MovesWhole) {
    const std::string line = Repeat("фыва ", 7) + "олджоа";
    Lay(line);
    EXPECT_EQ(grid[35][1].Code(), "57") << "the space before the word stays on row 1";
    EXPECT_EQ(grid[36][1].Code(), "57b");
    EXPECT_EQ(Row(2), "36 37 38 39 36 33 57");
}

TEST_F(LayoutTest, SpaceLandingInColumn41IsDropped) {
    const std::string line = Repeat("фыва", 10) + " ол";
    Lay(line);
    EXPECT_EQ(grid[40][1].Code(), "33");
    EXPECT_EQ(Row(2), "36 37 57");
}

TEST_F(LayoutTest, LineTooLongForSevenRowsIsCutInsideTheGrid) {
    // Eight rows of 39-letter words.
    std::string line;
    for (int i = 0; i < 8; ++i) line += (i ? " " : "") + Repeat("ж", 39);
    const LayoutNotes notes = Lay(line);
    EXPECT_TRUE(notes.cut);
    for (int r = 1; r <= 7; ++r) EXPECT_EQ(grid[39][r].Code(), "39") << "row " << r;
    EXPECT_EQ(grid[40][7].Code(), "57");
    // The same line only checked, without a grid.
    EXPECT_TRUE(LayOutText(Utf8ToUtf16(line), letters, LetterSet(1), LetterSet(0), nullptr).cut);
    // Seven rows exactly fit.
    std::string seven;
    for (int i = 0; i < 7; ++i) seven += (i ? " " : "") + Repeat("ж", 39);
    EXPECT_FALSE(Lay(seven).cut);
}

TEST_F(LayoutTest, WordLongerThan40IsBrokenAtTheRowEnd) {
    const LayoutNotes notes = Lay("ол " + Repeat("ф", 45) + " ж");
    EXPECT_EQ(Row(1), "36 37 57") << "the long word starts a row of its own";
    EXPECT_EQ(Row(2), Repeat("30 ", 39) + "30");
    EXPECT_EQ(Row(3), "30 30 30 30 30 57 39 57");
    EXPECT_FALSE(notes.continues[1]);
    EXPECT_TRUE(notes.continues[2]);
    EXPECT_FALSE(notes.cut);
    // A word of hundreds of letters on a line of its own: cut after seven rows, fast.
    const LayoutNotes huge = Lay(Repeat("ф", 100000));
    EXPECT_TRUE(huge.cut);
    EXPECT_EQ(grid[40][7].Code(), "30");
}

TEST_F(LayoutTest, CharacterMissingFromTheTableIsABlankDoneCell) {
    const LayoutNotes notes = Lay("фQы");
    EXPECT_EQ(Row(1), "30 57b 31 57");
    EXPECT_TRUE(notes.hasMissing);
    EXPECT_EQ(notes.missing, u'Q');
}

// ---------------------------------------------------------------------------------------
// Starting an exercise

TEST_F(LessonTest, StartRunsItsStepsWithTheProgressWindow) {
    Lesson("L5.txt", 1, {"фыва олдж", "жж"}, "Урок 5", "Начинаем урок");
    ASSERT_TRUE(Start(5.1));
    EXPECT_TRUE(ui.errors.empty());
    // The progress window: shown at 0, then 20, 50, 70, 90, hidden and back to 0, all before
    // the start message.
    std::vector<int> at;
    for (const char* entry : {"Show Fprogres", "Progress Fprogres.ProgressBar1=0", "Progress Fprogres.ProgressBar1=20",
                              "Progress Fprogres.ProgressBar1=50", "Progress Fprogres.ProgressBar1=70",
                              "Progress Fprogres.ProgressBar1=90", "Hide Fprogres"}) {
        at.push_back(ui.LogIndex(entry));
        EXPECT_GE(at.back(), 0) << entry;
    }
    for (size_t i = 1; i < at.size(); ++i) EXPECT_LT(at[i - 1], at[i]) << i;
    EXPECT_EQ(ui.control(FormId::Progress, "ProgressBar1").progress, 0);
    EXPECT_FALSE(ui.IsVisible(FormId::Progress));
    const int message = ui.LogIndex("Message Начинаем урок");
    EXPECT_GT(message, at.back());
    EXPECT_LT(ui.LogIndex("ProcessMessages"), ui.LogIndex("Progress Fprogres.ProgressBar1=50"));
    EXPECT_GT(ui.LogIndex("Enable Form2.BReset"), message);
    // The window's own controls.
    EXPECT_EQ(ui.Caption(FormId::Exercise), "Урок 5");
    EXPECT_EQ(ui.Text(ex.controls.errors), "0");
    EXPECT_EQ(ui.Text(ex.controls.clock), "00:00");
    EXPECT_EQ(ui.control(ex.controls.lines).progressMax, 2);
    EXPECT_EQ(ui.control(ex.controls.lines).progress, 0);
    EXPECT_FALSE(ui.TimerEnabled(ex.controls.clockTimer));
    EXPECT_FALSE(ui.IsEnabled(ex.controls.pause));
    EXPECT_NE(ex.ErrorStatsFile, nullptr);
    // The first line laid out, the cursor on its first cell.
    EXPECT_EQ(Row(1), "30 31 32 33 57 36 37 38 39 57");
    EXPECT_EQ(ex.exercise().CursorColumn(), 1);
    EXPECT_EQ(ex.exercise().CursorRow(), 1);
    EXPECT_EQ(ex.exercise().LinesStarted(), 1);
    EXPECT_FALSE(ex.exercise().Finished());
    EXPECT_EQ(ex.exercise().PausesLeft(), 2);
}

TEST_F(LessonTest, CaptionAndStartMessageAreConvertedByTheHighByteOfTheSecondCharacter) {
    // A Cyrillic second character: А..я map onto Windows-1251 and ASCII stays.
    Lesson("L1.txt", 1, {"фыва"}, "Урок 1: фыва", "Положите пальцы на ФЫВА и ОЛДЖ.");
    ASSERT_TRUE(Start(1.1));
    EXPECT_EQ(ui.Caption(FormId::Exercise), "Урок 1: фыва");
    EXPECT_EQ(ex.StartMessage, "Положите пальцы на ФЫВА и ОЛДЖ.");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Положите пальцы на ФЫВА и ОЛДЖ.");
    // Ё (U+0401) becomes 0xB1 and ё (U+0451) 0x01; a unit of another high byte keeps only
    // its low byte (the dash U+2014 becomes 0x14).
    Lesson("L1.txt", 1, {"фыва"}, "ЁЖ ёж", "Ещё — раз");
    ASSERT_TRUE(Start(1.1));
    EXPECT_EQ(ui.Caption(FormId::Exercise), "\u00B1Ж \u0001ж");
    EXPECT_EQ(ex.StartMessage, "Ещ\u0001 \u0014 раз");
    // An ASCII second character takes ASCII as the shifted range: "ab" -> 0x11, 0x12.
    Lesson("L1.txt", 1, {"фыва"}, "ab", "фы");
    ASSERT_TRUE(Start(1.1));
    EXPECT_EQ(ui.Caption(FormId::Exercise), "\u0011\u0012");
}

TEST_F(LessonTest, AReviewLevelWithoutItsReviewLessonMakesItAfresh) {
    // A learner at a review level whose review file is gone is not blocked for good.
    WriteTestFile("data\\home.txt", "2 30\r\n3 31\r\n52 51\r\n");
    IniFile("data\\users.ini").WriteInteger("Анна", "2", 4);
    const std::string review = ReviewFilePath("Анна");
    ASSERT_FALSE(TestFileExists(review));
    ASSERT_TRUE(Start(4.3));
    EXPECT_TRUE(TestFileExists(review));
    EXPECT_EQ(ui.Caption(FormId::Exercise), "Повторения");
    EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
    EXPECT_EQ(IniFile("data\\users.ini").ReadInteger("Анна", "2", -1), 0);  // counters reset
    // An existing review lesson is opened as it is, not made again.
    WriteTestFile(review, LessonFileBytes("Старое повторение", "Начинаем", 6, {"фыва"}));
    ASSERT_TRUE(Start(4.3));
    EXPECT_EQ(ui.Caption(FormId::Exercise), "Старое повторение");
}

TEST_F(LessonTest, LessonFileFollowsTheLevel) {
    Lesson("L5.txt", 1, {"фыва"}, "Упражнение 5");
    Lesson("T5.txt", 1, {"фыва"}, "Тест 5");
    Lesson("Анна.txt", 1, {"фыва"}, "Повторение");
    Lesson("5.txt", 1, {"фыва"}, "Пятый");
    const std::pair<double, const char*> cases[] = {
        {5.1, "Упражнение 5"}, {5.2, "Тест 5"}, {5.3, "Повторение"}, {5.0, "Пятый"}};
    for (const auto& [level, caption] : cases) {
        ASSERT_TRUE(Start(level)) << level;
        EXPECT_EQ(ui.Caption(FormId::Exercise), caption) << level;
    }
}

TEST_F(LessonTest, KeySetsFollowLineThreeAndShiftedKeysStay) {
    EXPECT_TRUE(ex.exercise().Keys().keyboard.none() && ex.exercise().Keys().plain.none() &&
                ex.exercise().Keys().shifted.none());
    Lesson("L1.txt", 6, {"Фыва"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(ex.exercise().Keys().keyboard, LetterSet(6));
    EXPECT_EQ(ex.exercise().Keys().plain, LetterSet(5));
    EXPECT_EQ(ex.exercise().Keys().shifted, LetterSet(5));
    Lesson("L1.txt", 1, {"фыва"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(ex.exercise().Keys().keyboard, LetterSet(1));
    EXPECT_EQ(ex.exercise().Keys().plain, LetterSet(1));
    EXPECT_EQ(ex.exercise().Keys().shifted, LetterSet(5)) << "never cleared";
    // 0, 7 or any other number keeps the previous sets.
    for (int other : {0, 7, -3, 100}) {
        Lesson("L1.txt", other, {"Фыва"});
        ASSERT_TRUE(Start()) << other;
        EXPECT_EQ(ex.exercise().Keys().keyboard, LetterSet(1)) << other;
        EXPECT_EQ(ex.exercise().Keys().plain, LetterSet(1)) << other;
        EXPECT_EQ(ex.exercise().Keys().shifted, LetterSet(5)) << other;
        EXPECT_EQ(Row(1), "30u 31 32 33 57") << "the shifted Ф is still typed";
    }
}

TEST_F(LessonTest, FirstKeyToPressIsHighlighted) {
    auto look = [&](int key) {
        const KeyPoint p = ex.KeyPositions[key];
        const Rgb c = ex.KeyboardBitmap.At(p.x + 10, p.y + 10);
        for (int state = 1; state <= 5; ++state)
            if (NearColour(c, KeyPictureColour(key, state))) return state;
        return NearColour(c, kKeyboardColour) ? 0 : -1;
    };
    Lesson("L1.txt", 1, {"ыва"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(look(31), kKeyNext);
    EXPECT_EQ(look(30), kKeyNormal);
    EXPECT_FALSE(ex.exercise().ShiftSymbolPending());
    // A shifted letter: both Shift keys and the key itself.
    Lesson("L1.txt", 6, {"Ыва"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(look(42), kKeyNext);
    EXPECT_EQ(look(53), kKeyNext);
    EXPECT_EQ(look(31), kKeyNext);
    EXPECT_FALSE(ex.exercise().ShiftSymbolPending());
    // A shifted digit-row symbol: the key waits for Shift.
    Lesson("L1.txt", 6, {"!ыва"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(look(42), kKeyNext);
    EXPECT_EQ(look(53), kKeyNext);
    EXPECT_EQ(look(2), kKeyNormal);
    EXPECT_TRUE(ex.exercise().ShiftSymbolPending());
    // The next start clears the pending symbol and every highlight (k.jpg is drawn anew).
    Lesson("L1.txt", 1, {"ыва"});
    ASSERT_TRUE(Start());
    EXPECT_FALSE(ex.exercise().ShiftSymbolPending());
    EXPECT_EQ(look(42), 0);
    EXPECT_EQ(look(2), 0);
}

TEST_F(LessonTest, NonIntegerHeaderNumberStopsTheStart) {
    WriteTestFile("data\\text\\L1.txt", Utf16Lines({"Урок", "Начинаем", "abc", "1", "TEXT", "фыва", "ENDEX"}));
    EXPECT_FALSE(Start());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "'abc' не является целым числом (файл урока data\\text\\L1.txt, строка 3).");
    EXPECT_TRUE(ui.messages.empty()) << "no start message";
    EXPECT_FALSE(ui.IsVisible(FormId::Progress));
    EXPECT_TRUE(ui.IsEnabled(ex.controls.restart)) << "the learner can try again";
    EXPECT_TRUE(ex.exercise().Finished()) << "nothing is left to type";

    Forget();
    WriteTestFile("data\\text\\L1.txt", Utf16Lines({"Урок", "Начинаем", "1", "2.5", "TEXT", "фыва", "ENDEX"}));
    EXPECT_FALSE(Start());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "'2.5' не является целым числом (файл урока data\\text\\L1.txt, строка 4).");
}

// ---------------------------------------------------------------------------------------
// Broken course files

TEST_F(LessonTest, MissingLessonFileIsReportedAndTheLearnerCanRestart) {
    ui.SetEnabled(ex.controls.restart, false);  // as the restart button leaves it
    EXPECT_FALSE(Start(9.1));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удаётся открыть файл урока data\\text\\L9.txt.");
    EXPECT_FALSE(ui.IsVisible(FormId::Progress));
    EXPECT_TRUE(ui.IsEnabled(ex.controls.restart));
    EXPECT_TRUE(ex.exercise().Finished());
    EXPECT_FALSE(ui.IsVisible(FormId::Results));
    // Nothing to judge, nothing to read: a stray key does not end an exercise.
    ui.KeyPress(FormId::Exercise, 70);
    EXPECT_FALSE(ui.IsVisible(FormId::Results));
    // Once the file is there, a restart works.
    Lesson("L9.txt", 1, {"фыва"});
    app.session.CurrentLevel = 9.1;
    Forget();
    ui.MouseDown(ex.controls.restart);
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_FALSE(ex.exercise().Finished());
    EXPECT_EQ(Row(1), "30 31 32 33 57");
}

TEST_F(LessonTest, FileEndingBeforeItsTextIsBroken) {
    const std::vector<std::string> cases[] = {
        {},
        {"Урок"},
        {"Урок", "Начинаем", "1", "1", "TEXT"},
    };
    for (const auto& lines : cases) {
        WriteTestFile("data\\text\\L1.txt", Utf16Lines(lines));
        Forget();
        EXPECT_FALSE(Start());
        ASSERT_EQ(ui.errors.size(), 1u) << lines.size();
        EXPECT_EQ(ui.errors[0],
                  "Файл урока data\\text\\L1.txt повреждён: он обрывается раньше, чем начинается текст упражнения.");
        EXPECT_FALSE(ui.IsVisible(FormId::Results)) << "no evaluation of an exercise never shown";
    }
    // An empty file and one of a single byte.
    for (const std::string& bytes : {std::string(), std::string("\xFF")}) {
        WriteTestFile("data\\text\\L1.txt", bytes);
        Forget();
        EXPECT_FALSE(Start());
        EXPECT_EQ(ui.errors.size(), 1u);
    }
}

TEST_F(LessonTest, EndMarkerAmongTheHeaderLinesEndsTheExerciseAtOnce) {
    WriteTestFile("data\\text\\L1.txt", Utf16Lines({"Урок", "ENDEX", "1", "1", "TEXT", "фыва", "ENDEX"}));
    EXPECT_TRUE(Start());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_TRUE(ex.exercise().Finished());
    EXPECT_TRUE(ui.IsVisible(FormId::Results));
    EXPECT_FALSE(ui.IsVisible(FormId::Progress));
    EXPECT_EQ(ui.LogIndex("Progress Fprogres.ProgressBar1=50"), -1) << "the start stops there";
    EXPECT_EQ(ui.Caption(FormId::Exercise), "Урок");
}

TEST_F(LessonTest, LetterTableMissingOrEmptyStopsTheStart) {
    Lesson("L1.txt", 1, {"фыва"});
    WriteTestFile("data\\litere.txt", Utf16Lines({"", "x", ""}));
    EXPECT_FALSE(Start());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Файл data\\litere.txt повреждён: в нём нет ни одной буквы.");
    Forget();
    RemoveFile("data\\litere.txt");
    EXPECT_FALSE(Start());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удаётся открыть файл data\\litere.txt.");
    EXPECT_FALSE(ui.IsVisible(FormId::Results));
}

TEST_F(LessonTest, CharacterMissingFromTheLetterTableIsReportedOnceAndSkipped) {
    Lesson("L1.txt", 1, {"фQыва", "жQ", "оW"});
    EXPECT_TRUE(Start());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0],
              "Файл урока data\\text\\L1.txt повреждён: символа «Q» (строка 6) нет в таблице букв "
              "data\\litere.txt; такие символы пропускаются.");
    EXPECT_LT(ui.LogIndex("Error " + ui.errors[0]), ui.LogIndex("Message Начинаем"));
    EXPECT_EQ(Row(1), "30 57b 31 32 33 57");
    // The cursor passes the blank cell; the exercise runs to its end.
    for (int i = 0; i < 5; ++i) TypeCell();
    EXPECT_EQ(Row(1), "39 57b 57");
    TypeCell();
    TypeCell();
    TypeCell();
    TypeCell();
    EXPECT_TRUE(ex.exercise().Finished());
    EXPECT_EQ(ex.exercise().Correct(), 9);
}

TEST_F(LessonTest, LineTooLongForTheScreenIsReportedAndCut) {
    std::string eight;
    for (int i = 0; i < 8; ++i) eight += (i ? " " : "") + Repeat("ж", 39);
    Lesson("L1.txt", 1, {"фыва", eight, "олдж"});
    EXPECT_TRUE(Start());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0],
              "Файл урока data\\text\\L1.txt повреждён: строка 7 не помещается на экране; её конец пропускается.");
    for (int i = 0; i < 5; ++i) TypeCell();
    EXPECT_EQ(ex.exercise().At(39, 7).Code(), "39");
    // 7 rows of 40 typed cells; then the next line.
    for (int i = 0; i < 7 * 40; ++i) TypeCell();
    EXPECT_EQ(Row(1), "36 37 38 39 57");
    EXPECT_EQ(ex.exercise().CursorColumn(), 1);
    EXPECT_FALSE(ex.exercise().Finished());
}

TEST_F(LessonTest, LessonWithNothingToTypeIsBroken) {
    // Set 0 keeps the (empty) sets of a run that has had no exercise yet.
    Lesson("L1.txt", 0, {"фыва", "олдж"});
    EXPECT_FALSE(Start());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Файл урока data\\text\\L1.txt повреждён: в нём нет ни одного символа для набора.");
    EXPECT_FALSE(ui.IsVisible(FormId::Results)) << "not evaluated";
}

// ---------------------------------------------------------------------------------------
// The cursor and the lines

TEST_F(LessonTest, CursorSkipsDoneCellsAndTheBarShowsFinishedLines) {
    Lesson("L1.txt", 1, {"фкы", "кк", "олдж"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(Row(1), "30 19b 31 57");
    EXPECT_EQ(ui.control(ex.controls.lines).progress, 0);
    TypeCell();
    EXPECT_EQ(ex.exercise().CursorColumn(), 3) << "the done cell is passed over";
    EXPECT_EQ(ex.exercise().CellsPassed(), 3);
    MissCell();
    EXPECT_EQ(ex.exercise().CursorColumn(), 4);
    EXPECT_EQ(ex.exercise().At(3, 1).Code(), "31r") << "a wrong keystroke is never typed again";
    TypeCell();
    // A line of done characters needs only its final space.
    EXPECT_EQ(Row(1), "19b 19b 57");
    EXPECT_EQ(ex.exercise().CursorColumn(), 3);
    EXPECT_EQ(ui.control(ex.controls.lines).progress, 1);
    TypeCell();
    EXPECT_EQ(Row(1), "36 37 38 39 57");
    EXPECT_EQ(ui.control(ex.controls.lines).progress, 2);
    EXPECT_EQ(ex.exercise().LinesStarted(), 3);
}

TEST_F(LessonTest, FullRowSetsDroppedSpacePendingWhenTheCursorLeavesIt) {
    // Row 1 ends full at column 40; row 2 starts with the next word, its space dropped.
    Lesson("L1.txt", 1, {Repeat("фыва ", 7) + "олджо ав", "жж"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(Row(2), "33 32 57");
    for (int i = 0; i < 39; ++i) TypeCell();
    EXPECT_FALSE(ex.exercise().DroppedSpacePending());
    TypeCell();
    EXPECT_TRUE(ex.exercise().DroppedSpacePending());
    EXPECT_EQ(ex.exercise().CursorRow(), 2);
    EXPECT_EQ(ex.exercise().CursorColumn(), 1);
    // A line that ends exactly at column 40: its final space is dropped too.
    Lesson("L1.txt", 1, {Repeat("фыва ", 7) + "олджо", "жж"});
    ASSERT_TRUE(Start());
    for (int i = 0; i < 40; ++i) TypeCell();
    EXPECT_TRUE(ex.exercise().DroppedSpacePending());
    EXPECT_EQ(Row(1), "39 39 57") << "the next line is on screen";
    // Inside a word longer than a row no space was dropped.
    Lesson("L1.txt", 1, {Repeat("ж", 45), "жж"});
    ASSERT_TRUE(Start());
    for (int i = 0; i < 40; ++i) TypeCell();
    EXPECT_EQ(ex.exercise().CursorRow(), 2);
    EXPECT_FALSE(ex.exercise().DroppedSpacePending());
}

TEST_F(LessonTest, TextLineReadingExitIsLaidOutLikeAnyOther) {
    WriteSmallLetterTable();
    Lesson("L1.txt", 1, {"фыва", "EXIT", "ол"});
    ASSERT_TRUE(Start());
    for (int i = 0; i < 5; ++i) TypeCell();
    EXPECT_EQ(Row(1), "18b 44b 23b 20b 57");
    TypeCell();
    EXPECT_EQ(Row(1), "36 37 57");
    EXPECT_FALSE(ex.exercise().Finished());
}

// ---------------------------------------------------------------------------------------
// The end of an exercise

TEST_F(LessonTest, EndMarkerHandsTheExerciseToTheResults) {
    Lesson("L1.txt", 1, {"фы", "ва"});
    ASSERT_TRUE(Start());
    TypeCell();
    for (int i = 0; i < 65; ++i) ui.Tick(ex.controls.clockTimer);
    ui.SetText(ex.controls.clock, "01:53");  // a pause's countdown on the clock: not the time taken
    MissCell();
    TypeCell();
    TypeCell();
    TypeCell();
    EXPECT_FALSE(ex.exercise().Finished());
    Forget();
    TypeCell();
    EXPECT_TRUE(ex.exercise().Finished());
    EXPECT_TRUE(ui.IsVisible(FormId::Results));
    EXPECT_EQ(ui.Text(app.results.controls.errors), "1");
    EXPECT_EQ(ui.Text(app.results.controls.time), "01:05");
    EXPECT_FALSE(ui.TimerEnabled(ex.controls.clockTimer));
    EXPECT_FALSE(ex.exercise().ClockRunning());
    EXPECT_LT(ui.LogIndex("TimerOff Form2.Timer1"), ui.LogIndex("Show Form3"))
        << "no second counted behind the results";
    EXPECT_EQ(ex.ErrorStatsFile, nullptr);
    EXPECT_FALSE(ex.exercise().LessonOpen());
    EXPECT_EQ(ui.control(ex.controls.lines).progress, 1) << "never the value of line 4";
    // Nothing more is read.
    ui.KeyPress(FormId::Exercise, kVkTab);
    EXPECT_EQ(ui.Count("Show Form3"), 1);
}

// The exercise window on its own: its session and its course flow are all it asks.
TEST_F(LessonTest, TheWindowWorksFromItsSessionAndHandsItsResultToTheFlow) {
    Session session;
    session.userName = "Ира";
    session.CurrentLevel = 2.1;
    RecordingFlow flow;
    ExerciseWindow own(ui, session, flow, app.progress);
    ui.CreateForm(own.Layout());
    ASSERT_TRUE(RunGuarded(ui, [&] { own.OnCreate(); }));
    Lesson("L2.txt", 1, {"фы"}, "Урок 2");

    // A restart starts the session's level.
    ui.MouseDown(own.controls.restart);
    ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
    EXPECT_EQ(ui.Caption(FormId::Exercise), "Урок 2");
    // A wrong key counts for the session's profile.
    ui.KeyPress(FormId::Exercise, 70);  // "а" on key 33, the cell wants "ф"
    EXPECT_EQ(IniFile("data\\users.ini").ReadInteger("Ира", "30", 0), 1);
    // The figures go to the flow, the time from the clock's seconds.
    for (int i = 0; i < 42; ++i) ui.Tick(own.controls.clockTimer);
    for (int i = 0; i < 2 && !own.exercise().Finished(); ++i) TypeRight(ui, own);
    ASSERT_EQ(flow.finished.size(), 1u);
    EXPECT_EQ(flow.finished[0].errors, 1);
    EXPECT_EQ(flow.finished[0].correct, 2);
    EXPECT_EQ(flow.finished[0].seconds, 42);
    EXPECT_FALSE(ui.IsVisible(FormId::Results)) << "showing the results is the flow's business";
    EXPECT_TRUE(flow.events.empty());

    // A review level without its lesson asks the flow for one.
    EXPECT_FALSE(RunGuarded(ui, [&] { own.StartExercise(2.3); }));
    EXPECT_EQ(flow.reviewsAsked, 1);
}

TEST_F(LessonTest, EndOfFileWithoutMarkerEndsTheExercise) {
    // The last line lacks its line end, and an odd byte follows.
    WriteTestFile("data\\text\\L1.txt", Utf16Lines({"Урок", "Начинаем", "1", "2", "TEXT", "фы"}) + Units(u"ва") + "!");
    ASSERT_TRUE(Start());
    for (int i = 0; i < 3; ++i) TypeCell();
    EXPECT_EQ(Row(1), "32 33 57");
    EXPECT_FALSE(ex.exercise().Finished());
    for (int i = 0; i < 3; ++i) TypeCell();
    EXPECT_TRUE(ex.exercise().Finished());
    EXPECT_TRUE(ui.IsVisible(FormId::Results));
}

TEST_F(LessonTest, EndMarkerWithMoreLettersEndsButOneLaterInTheLineIsText) {
    WriteSmallLetterTable();
    Lesson("L1.txt", 1, {"ф", "XENDEX", "ENDEXжж", "ол"});
    ASSERT_TRUE(Start());
    TypeCell();
    TypeCell();
    EXPECT_EQ(Row(1), "44b 18b 21b 47b 18b 44b 57") << "the second line is text";
    TypeCell();
    EXPECT_TRUE(ex.exercise().Finished());
}

TEST_F(LessonTest, StartingAgainStartsOverFromTheFirstLine) {
    Lesson("L1.txt", 1, {"фы", "ва"});
    ASSERT_TRUE(Start());
    TypeCell();
    MissCell();
    TypeCell();
    EXPECT_EQ(Row(1), "32 33 57");
    ASSERT_TRUE(Start());
    EXPECT_EQ(Row(1), "30 31 57");
    EXPECT_EQ(ex.exercise().Errors(), 0);
    EXPECT_EQ(ex.exercise().Correct(), 0);
    EXPECT_EQ(ex.exercise().LinesStarted(), 1);
    EXPECT_EQ(ex.exercise().CursorColumn(), 1);
}

TEST_F(LessonTest, RestartAskedForWhileLoadingIsNotNested) {
    Lesson("L1.txt", 1, {"фыва"});
    int nested = 0;
    ui.onMessage = [&](const std::string&) {
        if (nested++ == 0) ex.StartExercise(1.1);  // as a click let through while loading
    };
    ASSERT_TRUE(Start());
    EXPECT_EQ(ui.Count("Show Fprogres"), 1);
    EXPECT_EQ(ui.messages.size(), 1u);
}

// ---------------------------------------------------------------------------------------
// The course of the build

TEST(GeneratedCourse, EveryLessonStartsCleanAndRunsToItsEnd) {
    TempDataDir dir;
    if (!CopyGeneratedData()) GTEST_SKIP() << "the course data has not been generated";
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    app.session.userName = "Анна";
    ExerciseWindow& ex = app.exercise;
    for (int lesson = 1; lesson <= 16; ++lesson) {
        for (int kind = 1; kind <= 2; ++kind) {
            const double level = lesson + kind / 10.0;
            ui.errors.clear();
            ASSERT_TRUE(RunGuarded(ui, [&] { ex.StartExercise(level); })) << level << ": " << ui.errors.front();
            ASSERT_TRUE(ui.errors.empty()) << level << ": " << ui.errors.front();
            ASSERT_FALSE(ex.exercise().Finished()) << level;
            // Every cell typed right: the lesson ends, and never needs more keystrokes than
            // it has characters.
            int typed = 0;
            // The keys go to the exercise itself: what the window draws is not looked at here.
            Exercise& exercise = ex.exercise();
            while (!exercise.Finished() && typed < 20000) {
                const Cell* cell = exercise.CursorCell();
                ASSERT_TRUE(cell && cell->Pending()) << level << ": the cursor stands on nothing to type";
                const uint16_t code = CodeOfKey(ex, cell->key);
                const bool held = cell->shifted;
                exercise.KeyDown(code, held);
                exercise.KeyUp(code, held);
                ++typed;
            }
            EXPECT_EQ(ex.exercise().Errors(), 0) << level;
            EXPECT_TRUE(ex.exercise().Finished()) << level;
            EXPECT_GT(typed, 20) << level;
        }
    }
}

}  // namespace
}  // namespace tastora
