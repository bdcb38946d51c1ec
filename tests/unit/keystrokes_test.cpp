// Keystroke checking on the fake window system: judging by key position, Shift, the per-key
// counters in users.ini, the swallowed space, the hold warning and restart, the key-gap
// histogram, and whole lessons typed to the end marker.
#include "tests/unit/typing_fixture.h"

#include <algorithm>

#include "core/text.h"

namespace tastora {
namespace typing_test {
namespace {

using Keystrokes = TypingTest;

TEST_F(Keystrokes, RightAndWrongKeysWithAndWithoutShift) {
    SetCells({"33", "33", "33u", "33u", "36"});
    Press(kVkF);         // 33 expected, 33 typed
    PressShifted(kVkF);  // 33 expected, Shift held: wrong
    Press(kVkF);         // 33u expected, no Shift: wrong
    PressShifted(kVkF);  // 33u expected and typed
    EXPECT_EQ(CellAt(1), "33b");
    EXPECT_EQ(CellAt(2), "33r");
    EXPECT_EQ(CellAt(3), "33ur");
    EXPECT_EQ(CellAt(4), "33ub");
    EXPECT_EQ(ex.exercise().CursorColumn(), 5);
    EXPECT_EQ(ex.exercise().Correct(), 2);
    EXPECT_EQ(ex.exercise().Errors(), 2);
    EXPECT_EQ(Text(ex.controls.errors), "2");
    // Each error counted under the code that was expected.
    EXPECT_EQ(Counter("33"), 1);
    EXPECT_EQ(Counter("33u"), 1);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(Keystrokes, CountersGoToTheProfileAndAddUp) {
    WriteTestFile("data\\users.ini", Utf8ToCp1251("[Борис]\r\n33=9\r\n[Анна]\r\nlevel=1,1\r\n33=4\r\n"));
    SetCells({"33", "33", "36"});
    Press(kVkJ);
    EXPECT_EQ(Counter("33"), 5) << "written once the keystroke has been handled";
    Press(kVkA);
    EXPECT_EQ(Counter("33"), 6);
    EXPECT_EQ(IniFile("data\\users.ini").ReadInteger("Борис", "33", 0), 9);
    EXPECT_EQ(IniFile("data\\users.ini").ReadString(profile, "level", ""), "1,1");
}

// The home-row keys of LetterSet 1 by character (the course's letter table).
uint16_t HomeRowKey(char16_t ch) {
    switch (ch) {
        case u'ф': return kVkA;
        case u'ы': return 83;
        case u'в': return kVkD;
        case u'а': return kVkF;
        case u'о': return kVkJ;
        case u'л': return kVkK;
        case u'д': return 76;
        case u'ж': return 186;
        default: return kVkSpace;
    }
}

TEST_F(Keystrokes, RowsEndingFullNeverCostAnErrorTypedEitherWay) {
    // A row that ends at column 40 drops the space after it from the screen. Typing the
    // lines exactly (every space) and typing what the screen shows (no hidden space) must
    // both be right, in this exercise and in the next one.
    const std::string wrapFull = Repeat("фыва ", 7) + "олджо ав";  // the space after row 1 is hidden
    const std::string full40 = Repeat("ж", 40);                    // the line's own last space is hidden
    struct Case {
        std::vector<std::string> lines;
        std::string exact, shown;
    };
    const Case cases[] = {
        {{wrapFull, "ол"}, wrapFull + " ол ", Repeat("фыва ", 7) + "олджоав ол "},
        {{"ав", full40, "ол дж"}, "ав " + full40 + " ол дж ", "ав " + full40 + "ол дж "},
        {{full40}, full40 + " ", full40},
    };
    for (const Case& c : cases) {
        for (const std::string* typed : {&c.exact, &c.shown}) {
            SCOPED_TRACE(*typed);
            StartLesson(1, c.lines);
            for (char16_t ch : Utf8ToUtf16(*typed)) Press(HomeRowKey(ch));
            EXPECT_TRUE(ex.exercise().Finished());
            EXPECT_EQ(ex.exercise().Errors(), 0);
            // The next exercise starts clean, whatever the last row left behind.
            StartLesson(1, {"ав ол ав"});
            for (char16_t ch : u"ав ол ав ")
                if (ch) Press(HomeRowKey(ch));
            EXPECT_TRUE(ex.exercise().Finished());
            EXPECT_EQ(ex.exercise().Errors(), 0);
        }
    }
}

TEST_F(Keystrokes, ShiftIsReadFromTheKeyboardAtEachKey) {
    // Shift released while a message box had the keyboard: the window never saw the release.
    SetCells({"33", "33u", "33"});
    ui.KeyDown(FormId::Exercise, kVkShift);
    ui.shiftHeld = false;
    Press(kVkF);
    EXPECT_EQ(CellAt(1), "33b");
    EXPECT_FALSE(ex.exercise().ShiftDown());
    EXPECT_EQ(KeyLook(kLeftShiftKey), kKeyNext) << "the capital next asks for Shift again";
    PressShifted(kVkF);
    EXPECT_EQ(CellAt(2), "33ub");
    // Shift pressed while a message box had the keyboard is read as well.
    ui.shiftHeld = true;
    Press(kVkF);
    EXPECT_EQ(CellAt(3), "33r");
    EXPECT_EQ(Counter("33"), 1);
    // A new exercise never starts with Shift taken as held.
    ui.KeyDown(FormId::Exercise, kVkShift);
    ui.shiftHeld = false;
    ex.exercise().SetKeys({});  // no shifted set for the lesson of set 1 to keep
    StartLesson(1, {"аовл"});
    EXPECT_FALSE(ex.exercise().ShiftDown());
}

TEST_F(Keystrokes, CtrlAndAltAreSwallowed) {
    SetCells({"33", "36"});
    for (uint16_t key : {kVkCtrl, kVkAlt}) {
        uint16_t code = key;
        ex.OnKeyDown(code);
        EXPECT_EQ(code, 0) << "the window does nothing more with it";
        ui.KeyUp(FormId::Exercise, key);
    }
    EXPECT_EQ(CellAt(1), "33");
    EXPECT_FALSE(ex.exercise().ClockRunning());
    EXPECT_FALSE(ui.TimerEnabled(ex.controls.clockTimer));
    EXPECT_FALSE(ui.IsEnabled(ex.controls.pause));
    // Nor do they end a pause.
    Press(kVkF);
    ui.MouseDown(ex.controls.pause);
    ui.KeyPress(FormId::Exercise, kVkCtrl);
    EXPECT_TRUE(ex.exercise().PauseActive());
}

TEST_F(Keystrokes, FirstKeystrokeStartsTheClockEvenWrongOrShift) {
    SetCells({"33", "36"});
    ui.KeyDown(FormId::Exercise, kVkShift);
    EXPECT_TRUE(ex.exercise().ClockRunning());
    EXPECT_TRUE(ui.TimerEnabled(ex.controls.clockTimer));
    EXPECT_TRUE(ui.IsEnabled(ex.controls.pause));
    EXPECT_EQ(CellAt(1), "33") << "Shift itself is never judged";

    ui.KeyUp(FormId::Exercise, kVkShift);
    SetCells({"33", "36"});
    ui.SetTimerEnabled(ex.controls.clockTimer, false);
    ex.OnPauseMouseDown();
    ex.OnPauseMouseDown();
    Press(kVkJ);
    EXPECT_TRUE(ex.exercise().ClockRunning());
    EXPECT_FALSE(ui.IsEnabled(ex.controls.pause)) << "no pause left";
}

TEST_F(Keystrokes, RomanianLayoutExchangesYAndZ) {
    for (const char* layout : {"00000409", "00000419", "00000418", "00010418"}) {
        SCOPED_TRACE(layout);
        const bool romanian = std::string(layout).substr(5) == "418";
        ui.keyboardLayout = layout;
        SetCells({"21", "43", "33"});
        Press(kVkZ);  // the key in the Y position of a Romanian keyboard
        if (romanian) {
            EXPECT_EQ(KeyLook(21), kKeyNormal) << "released by its position too";
        }
        Press(kVkY);
        EXPECT_EQ(CellAt(1), romanian ? "21b" : "21r");
        EXPECT_EQ(CellAt(2), romanian ? "43b" : "43r");
    }
    // A Romanian layout that leaves Y and Z where a US keyboard has them needs no exchange.
    ui.keyboardExchangesYZ = false;
    SetCells({"21", "43"});
    Press(kVkY);
    Press(kVkZ);
    EXPECT_EQ(CellAt(1), "21b");
    EXPECT_EQ(CellAt(2), "43b");
    // A malformed layout name is no Romanian one.
    ui.keyboardExchangesYZ = true;
    ui.keyboardLayout = "garbage!";
    SetCells({"21"});
    Press(kVkY);
    EXPECT_EQ(CellAt(1), "21b");
}

TEST_F(Keystrokes, SevenInARowWarnThenRestart) {
    StartLesson(1, {"аовл аовл аовл аовл аовл аовл"});
    Wrong(7);
    ASSERT_EQ(ui.messages, std::vector<std::string>{kHoldWarning});
    EXPECT_EQ(ex.exercise().Hold().warned, 1);
    EXPECT_EQ(ex.exercise().Hold().streak, 0);
    EXPECT_EQ(ex.exercise().Errors(), 7) << "the exercise goes on";
    for (int n : {30, 31, 32, 33, 36, 37, 38, 39, 57}) EXPECT_EQ(KeyLook(n), kKeyNormal) << n;

    // While the restarted exercise loads, BReset stays disabled.
    bool resetEnabledDuringStart = true;
    ui.onMessage = [&](const std::string& text) {
        if (text == "Начинаем!") resetEnabledDuringStart = ui.IsEnabled(ex.controls.restart);
    };
    Wrong(7);
    EXPECT_EQ(ui.messages.at(1), kRestartMessage);
    EXPECT_EQ(ui.messages.at(2), "Начинаем!");
    EXPECT_FALSE(resetEnabledDuringStart);
    EXPECT_LT(ui.LogIndex("Disable Form2.BReset"), ui.LogIndex("Show Fprogres"));
    EXPECT_TRUE(ui.IsEnabled(ex.controls.restart));
    EXPECT_EQ(ex.exercise().Hold().warned, 0);
    EXPECT_EQ(ex.exercise().Errors(), 0);
    EXPECT_EQ(Text(ex.controls.errors), "0");
    EXPECT_EQ(CellAt(1), "33");
    EXPECT_FALSE(ex.exercise().ClockRunning());
    EXPECT_EQ(Counter("33") + Counter("36") + Counter("32") + Counter("37") + Counter("57"), 14)
        << "the counters written stay";
}

TEST_F(Keystrokes, HoldWarningCarriesOverToTheNextExercise) {
    StartLesson(1, {"аовл аовл аовл аовл"});
    Wrong(7);
    Wrong(3);
    ui.MouseDown(ex.controls.restart);
    EXPECT_EQ(ex.exercise().Hold().streak, 3);
    Wrong(4);
    EXPECT_EQ(ui.messages.back(), "Начинаем!");
    EXPECT_NE(std::find(ui.messages.begin(), ui.messages.end(), kRestartMessage), ui.messages.end());
}

TEST_F(Keystrokes, ShiftDrawsTheShiftedFacesAndThePendingSymbol) {
    SetCells({"36", "3u", "36"});
    Press(kVkJ);  // its release lights the Shift keys: the digit waits for Shift
    ui.KeyDown(FormId::Exercise, kVkShift);
    EXPECT_TRUE(ex.exercise().ShiftDown());
    EXPECT_EQ(KeyLook(3), kKeyNextShifted);
    for (int n : {2, 4, 13, 28, 52}) EXPECT_EQ(KeyLook(n), kKeyShiftedFace) << n;
    EXPECT_EQ(KeyLook(kLeftShiftKey), kKeyPressed);
    ui.KeyPress(FormId::Exercise, kVk2);
    EXPECT_EQ(CellAt(2), "3ub");
    EXPECT_EQ(KeyLook(3), kKeyShiftedFace) << "released while Shift is held";
    EXPECT_EQ(KeyLook(36), kKeyNext);
    ui.KeyUp(FormId::Exercise, kVkShift);
    EXPECT_FALSE(ex.exercise().ShiftDown());
    EXPECT_FALSE(ex.exercise().ShiftSymbolPending());
    for (int n : {1, 3, 13, 28, 42, 52}) EXPECT_EQ(KeyLook(n), kKeyNormal) << n;
    EXPECT_EQ(KeyLook(36), kKeyNext);
}

TEST_F(Keystrokes, ReleaseHighlightsTheNextKey) {
    SetCells({"33", "36", "36u", "3u", "36"});
    ui.KeyDown(FormId::Exercise, kVkF);
    EXPECT_EQ(KeyLook(33), kKeyPressed);
    EXPECT_NE(KeyLook(36), kKeyNext) << "not before the release";
    ui.KeyUp(FormId::Exercise, kVkF);
    EXPECT_EQ(KeyLook(33), kKeyNormal);
    EXPECT_EQ(KeyLook(36), kKeyNext);
    EXPECT_EQ(KeyLook(kLeftShiftKey), kKeyNormal);

    // A wrong key takes the highlight off the missed key.
    ui.KeyDown(FormId::Exercise, kVkD);
    EXPECT_EQ(KeyLook(36), kKeyNormal);
    ui.KeyUp(FormId::Exercise, kVkD);
    // A capital: both Shift keys and the letter.
    EXPECT_EQ(KeyLook(kLeftShiftKey), kKeyNext);
    EXPECT_EQ(KeyLook(kRightShiftKey), kKeyNext);
    EXPECT_EQ(KeyLook(36), kKeyNext);
    EXPECT_FALSE(ex.exercise().ShiftSymbolPending());

    // A shifted digit: the Shift keys only; the digit lights up once Shift is held.
    PressShifted(kVkJ);
    EXPECT_EQ(CellAt(3), "36ub");
    EXPECT_EQ(KeyLook(kLeftShiftKey), kKeyNext);
    EXPECT_EQ(KeyLook(kRightShiftKey), kKeyNext);
    EXPECT_TRUE(ex.exercise().ShiftSymbolPending());
    EXPECT_EQ(KeyLook(3), kKeyNormal);
    ui.KeyDown(FormId::Exercise, kVkShift);
    EXPECT_EQ(KeyLook(3), kKeyNextShifted);
    EXPECT_EQ(KeyLook(4), kKeyShiftedFace);
}

TEST_F(Keystrokes, KeyGapsFillTheHistogram) {
    SetRow("33");
    auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i) ui.Tick(ex.controls.keyTimer);
    };
    // Counted: in the session's histogram once an exercise has ended, or waiting for the end.
    auto counted = [&] {
        GapHistogram all = app.session.PauseHistogram;
        for (size_t gap = 0; gap < all.size(); ++gap) all[gap] += ex.KeyGapsToHand()[gap];
        return all;
    };
    const auto before = counted();
    Press(kVkF);
    ticks(3);
    ui.KeyDown(FormId::Exercise, kVkF);
    EXPECT_EQ(counted()[3], before[3]) << "recorded at the next tick";
    ticks(1);
    EXPECT_EQ(counted()[3], before[3] + 1);
    ui.KeyUp(FormId::Exercise, kVkF);
    ticks(201);
    ui.KeyDown(FormId::Exercise, kVkF);
    ticks(1);
    EXPECT_EQ(counted()[0], before[0] + 1);
    ui.KeyUp(FormId::Exercise, kVkF);
    ticks(200);
    ui.KeyDown(FormId::Exercise, kVkF);
    ticks(2);
    EXPECT_EQ(counted()[200], before[200] + 1);
    // A press that follows its release before any tick records nothing.
    const auto now = counted();
    Press(kVkF);
    ui.KeyDown(FormId::Exercise, kVkF);
    ticks(5);
    EXPECT_EQ(counted(), now);
}

TEST_F(Keystrokes, NothingIsJudgedWithoutAnExerciseOnScreen) {
    Press(kVkA);  // before the first start
    SetCells({});
    Press(kVkA);
    EXPECT_EQ(ex.exercise().Errors(), 0);
    EXPECT_FALSE(ex.exercise().ClockRunning());
    EXPECT_FALSE(TestFileExists("data\\users.ini"));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(Keystrokes, AFailedCounterWriteIsReportedAndTheErrorStillCounts) {
    WriteTestFile("data\\users.ini\\blocked", "");  // a folder where the file should be
    SetCells({"33", "36"});
    Press(kVkA);
    EXPECT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(CellAt(1), "33r");
    EXPECT_EQ(ex.exercise().Errors(), 1);
    EXPECT_EQ(ex.exercise().CursorColumn(), 2);
}

TEST_F(Keystrokes, ALessonTypedToTheEndMarker) {
    StartLesson(1, {"ао", "вл"});
    EXPECT_EQ(KeyLook(33), kKeyNext);
    for (uint16_t key : {kVkF, kVkA, kVkSpace, kVkD}) Press(key);
    EXPECT_EQ(Text(ex.controls.errors), "1");
    EXPECT_EQ(CellAt(1), "32b") << "second line on screen";
    Second(65);
    ui.KeyDown(FormId::Exercise, kVkK);
    ui.KeyDown(FormId::Exercise, kVkSpace);
    EXPECT_TRUE(ex.exercise().Finished());
    EXPECT_TRUE(ui.IsVisible(FormId::Results));
    EXPECT_EQ(ui.Text(app.results.controls.errors), "1");
    EXPECT_EQ(ui.Text(app.results.controls.time), "01:05");
    EXPECT_FALSE(ui.TimerEnabled(ex.controls.clockTimer));
    EXPECT_FALSE(ex.exercise().ClockRunning()) << "the clock stays stopped";
    EXPECT_EQ(KeyLook(57), kKeyNormal) << "its release will not reach this window";
    EXPECT_EQ(ex.exercise().Correct(), 5);
    EXPECT_EQ(ex.exercise().Errors(), 1);
    EXPECT_EQ(Counter("36"), 1);
    // Further presses judge nothing.
    Press(kVkF);
    EXPECT_EQ(ex.exercise().Errors() + ex.exercise().Correct(), 6);
}

// The learner sees a wrong key before its counter is written: the write waits until the
// event loop has nothing else to do, and takes every wrong key typed meanwhile with it. What
// reads the counters, or ends the program, finds them written.
TEST_F(Keystrokes, ACounterIsWrittenAfterTheKeyIsShownAndBeforeAnythingReadsIt) {
    const std::vector<std::pair<const char*, std::function<void()>>> moments = {
        {"idle", [&] { ui.RunIdleTasks(); }},
        {"end of the exercise", [&] { Press(kVkJ), Press(kVkSpace); }},
        {"next start", [&] { StartLesson(1, {"аоао"}); }},
        {"window closed", [&] { ui.CloseBox(FormId::Exercise); }},
    };
    for (const auto& [moment, act] : moments) {
        SCOPED_TRACE(moment);
        WriteTestFile("data\\users.ini", Utf8ToCp1251("[" + profile + "]\r\nnivel=1,1\r\n33=7\r\n"));
        StartLesson(1, {"аоао"});
        ui.holdIdleTasks = true;
        const int blits = ui.form(FormId::Exercise).blits;
        Press(kVkJ);  // 33 expected: wrong
        Press(kVkF);  // 36 expected: wrong
        Press(kVkJ);
        EXPECT_EQ(CellAt(3), "33r");
        EXPECT_GT(ui.form(FormId::Exercise).blits, blits) << "drawn at once";
        EXPECT_EQ(ui.Count("RunWhenIdle"), 1) << "one write for the keys typed meanwhile";
        EXPECT_EQ(Counter("33"), 7) << "not yet written";
        act();
        EXPECT_EQ(Counter("33"), 9);
        EXPECT_EQ(Counter("36"), 1);
        ui.RunIdleTasks();
        EXPECT_EQ(Counter("33"), 9) << "written once";
        EXPECT_TRUE(ui.errors.empty());
        ui.holdIdleTasks = false;
        ui.log.clear();
    }
}

// Every keystroke copies only the cells and keys it changed, and the window then shows
// what a full repaint would.
TEST_F(Keystrokes, AKeystrokeCopiesOnlyWhatChanged) {
    StartLesson(1, {"аовл аовл"});
    const long long whole = 1LL * ex.TextBitmap.Width() * ex.TextBitmap.Height() +
                            1LL * ex.KeyboardBitmap.Width() * ex.KeyboardBitmap.Height();
    auto& window = ui.form(FormId::Exercise);
    for (uint16_t key : {kVkF, kVkF, kVkJ, kVkK, kVkD, kVkSpace}) {
        const long long before = window.copiedPixels;
        Press(key);
        EXPECT_LT((window.copiedPixels - before) * 4, whole) << key;
        const Bitmap shown = window.screen;
        ex.OnPaint();
        EXPECT_TRUE(shown == window.screen) << key;
    }
}

// The exercise on its own, key by key: a row of cells, the keys typed (a key with kHeld is
// typed with Shift held), and what the exercise stands at afterwards.
TEST(ExerciseSteps, KeysAgainstTheRow) {
    constexpr uint16_t kHeld = 0x100;
    struct Case {
        const char* what;
        std::vector<std::string> cells;
        std::vector<uint16_t> keys;
        std::string after;  // the row's codes, blanks at its end left out
        int errors, correct;
        bool clock;
        int streak = 0;
        KeySet keyboard = AllTypingKeys();
    };
    KeySet without36 = AllTypingKeys();
    without36.reset(36);
    const std::vector<std::string> row30(30, "33");
    std::vector<uint16_t> streak6(6, kVkA), broken(6, kVkA);
    broken.push_back(kVkF);
    broken.insert(broken.end(), 6, kVkA);
    const Case cases[] = {
        {"right and wrong, Shift or not",
         {"33", "33", "33u", "33u", "36"},
         {kVkF, kVkF | kHeld, kVkF, kVkF | kHeld},
         "33b 33r 33ur 33ub 36",
         2,
         2,
         true},
        {"Caps Lock is no Shift", {"33u", "33u"}, {kVkCapsLock, kVkF}, "33ur 33ur", 2, 0, true, 2},
        {"a key off the keyboard is wrong", {"36"}, {kVkJ}, "36r", 1, 0, true, 1, without36},
        {"Ctrl and Alt are not judged", {"33"}, {kVkCtrl, kVkAlt}, "33", 0, 0, false},
        {"Shift alone starts the clock", {"33"}, {kVkShift}, "33", 0, 0, true},
        {"nothing to type", {}, {kVkA, kVkSpace}, "", 0, 0, false},
        {"a streak broken by a right key", row30, broken, std::string(), 12, 1, true, 6},
        {"six in a row", row30, streak6, std::string(), 6, 0, true, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exercise exercise;
        std::vector<Cell> cells;
        for (const std::string& code : c.cells) cells.push_back(Cell::Parse(code));
        exercise.LayOutRow(cells, KeySets{c.keyboard, AllTypingKeys(), AllTypingKeys()});
        for (uint16_t key : c.keys) {
            const bool held = key & kHeld;
            const uint16_t code = key & 0xFF;
            if (held) exercise.KeyDown(kVkShift, true);
            const ExerciseChanges down = exercise.KeyDown(code, held);
            EXPECT_EQ(down.swallowed, code == kVkCtrl || code == kVkAlt);
            EXPECT_EQ(down.hold, ExerciseChanges::kNoHold);
            exercise.KeyUp(code, held);
            if (held) exercise.KeyUp(kVkShift, false);
        }
        if (!c.after.empty()) {
            std::string row;
            for (int col = 1; col <= int(c.cells.size()); ++col)
                row += (col > 1 ? " " : "") + exercise.At(col, 1).Code();
            EXPECT_EQ(row, c.after);
        }
        EXPECT_EQ(exercise.Errors(), c.errors);
        EXPECT_EQ(exercise.Correct(), c.correct);
        EXPECT_EQ(exercise.ClockRunning(), c.clock);
        EXPECT_EQ(exercise.Hold().streak, c.streak);
        EXPECT_FALSE(exercise.Hold().warned);
    }
}

// Cell codes read and written back, and the six looks of a key.
TEST(ExerciseSteps, CellCodes) {
    const char* const valid[] = {"33", "33b", "33r", "33u", "33ub", "33ur", "2", "57b"};
    for (int look = 0; look < 6; ++look) EXPECT_EQ(Cell::Parse(valid[look]).Look(), look) << valid[look];
    for (const char* code : valid) EXPECT_EQ(Cell::Parse(code).Code(), code);
    for (const char* code : {"", "x1", "33x", "33bb", "33bu", "999"}) EXPECT_TRUE(Cell::Parse(code).Empty()) << code;
    EXPECT_EQ(Cell::Parse("57b"), kBlankCell);
}

}  // namespace
}  // namespace typing_test
}  // namespace tastora
