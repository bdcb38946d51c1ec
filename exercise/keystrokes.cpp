// Keystroke checking: every key press is judged by the physical key against the cell under
// the cursor; wrong keystrokes go to the profile's per-key counters as soon as the learner
// has seen them; the key timer
// measures the gaps between a release and the next press.
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "core/errors.h"
#include "exercise/exercise.h"
#include "users/profile_store.h"

namespace tastora {

namespace {

constexpr uint16_t kVkShift = 16;
constexpr uint16_t kVkControl = 17;
constexpr uint16_t kVkAlt = 18;
constexpr uint16_t kVkSpace = 32;
constexpr uint16_t kVkY = 89;
constexpr uint16_t kVkZ = 90;
constexpr int kRomanianLanguage = 0x18;
constexpr int kHoldStreak = 7;
constexpr int kLongestGap = 200;

const char kHoldWarning[] = "Выполняя упражнение, не удерживайте долго клавишу в нажатом состоянии.";
const char kRestartMessage[] =
    "К сожалению, вы допустили слишком много ошибок, поэтому вам следует повторить данное "
    "упражнение.";

// The primary language of a keyboard layout name ("00000418" -> 0x18); -1 when the name is
// not a hexadecimal number of at most eight digits.
int PrimaryLanguage(const std::string& layoutName) {
    if (layoutName.empty() || layoutName.size() > 8) return -1;
    uint32_t value = 0;
    for (char ch : layoutName) {
        int digit;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else
            return -1;
        value = value * 16 + uint32_t(digit);
    }
    return int(value & 0x3FF);
}

// Under a Romanian layout the keys Y and Z give each other's codes; judge them by position.
// A Romanian layout that keeps them in place (as the window system may give it) needs no
// exchange: the physical key is what counts.
void MapRomanianLayout(UiPort& ui, uint16_t& key) {
    if (key != kVkY && key != kVkZ) return;
    if (PrimaryLanguage(ui.KeyboardLayoutName()) != kRomanianLanguage) return;
    if (!ui.KeyboardExchangesYZ()) return;
    key = key == kVkY ? kVkZ : kVkY;
}

// A cell that still waits to be typed: plain or shifted.
bool IsPending(const std::string& code) {
    int key = 0;
    std::string suffix;
    return SplitCellCode(code, key, suffix) && key > 0 && (suffix.empty() || suffix == "u");
}

// The key number of a cell code (0 when the code is not one).
int CellKey(const std::string& code) {
    int key = 0;
    std::string suffix;
    SplitCellCode(code, key, suffix);
    return key;
}

// The digit-row and punctuation keys whose shifted face differs from the plain one.
bool IsSymbolKey(int n) { return (n >= 2 && n <= 13) || n == 28 || n == 52; }

// The cell under the cursor, or nullptr when the cursor stands outside the grid (before the
// first column, or below the last row once a lesson has run out).
std::string* CursorCell(ExerciseWindow& form) {
    if (form.CursorColumn < 1 || form.CursorColumn > kGridColumns) return nullptr;
    if (form.CursorRow < 1 || form.CursorRow > kGridRows) return nullptr;
    return &form.TextGrid[form.CursorColumn][form.CursorRow];
}

}  // namespace

void ExerciseWindow::OnKeyDown(uint16_t& key) {
    MapRomanianLayout(ui_, key);
    KeyReleased = false;
    const int k = DrawKey(key, 0, kKeyPressed);

    if (key == kVkControl || key == kVkAlt) {
        key = 0;
        return;
    }
    // The space that a row ending full has dropped from the screen: a learner who types it
    // anyway loses nothing, and one who types what the screen shows is not one key behind.
    // Only the very next key is looked at (Shift, before a capital, is not a key of its own).
    if (DroppedSpacePending && key != kVkShift) {
        DroppedSpacePending = false;
        if (key == kVkSpace) return;
    }
    // Shift as the keyboard has it now: its release may have gone to a message box.
    if (key != kVkShift) {
        const bool held = ui_.ShiftHeld();
        if (ShiftDown && !held) ShiftReleased();
        ShiftDown = held;
    }

    // Nothing is judged while no exercise waits for a key (before the first start, after
    // the end marker, or when a start failed before its first line was laid out).
    std::string* cell = CursorCell(*this);
    const bool judging = !ExerciseFinished && cell != nullptr && IsPending(*cell);
    if (key == kVkShift) PressShift(cell);
    if (!judging) return;
    if (key != kVkShift) JudgeKey(k, *cell);
    AfterJudgedKey(key);
    CheckHeldKey();
}

// Shift goes down: the symbol keys show their shifted faces, the one to press next lit.
void ExerciseWindow::PressShift(const std::string* cell) {
    ShiftDown = true;
    const int e = ShiftSymbolPending && cell ? CellKey(*cell) : 0;
    if (e != 0) DrawKey(0, e, kKeyNextShifted);
    for (int n = 1; n <= kKeyCount; ++n)
        if (IsSymbolKey(n) && n != e) DrawKey(0, n, kKeyShiftedFace);
    DrawKey(0, kLeftShiftKey, kKeyPressed);
}

// Key number k against the cell under the cursor: the cell is marked done or wrong and the
// cursor moves on.
void ExerciseWindow::JudgeKey(int k, std::string& cell) {
    const std::string expected = cell;
    const int column = CursorColumn, row = CursorRow;
    std::string typed = std::to_string(k);
    if (ShiftDown) typed += 'u';
    if (typed == expected) {
        ++CorrectCount;
        ErrorStreak = 0;
        cell = std::to_string(k) + (ShiftDown ? "ub" : "b");
        DrawCell(cell, column, row);
    } else {
        cell = expected + "r";
        ++ErrorCount;
        ++ErrorStreak;
        DrawCell(cell, column, row);
        DrawKey(0, CellKey(expected), kKeyNormal);
        CountError(expected);
    }
    NextCell();
}

// The profile's counter of the key: counted now, written once the learner sees the key's
// answer on the screen, together with the wrong keys typed meanwhile. A failed write is
// reported then, but the keystroke still counts as an error.
void ExerciseWindow::CountError(const std::string& expected) {
    const std::string& profile = session_.userName;
    if (profile.empty()) return;
    const bool asked = PendingErrors.Pending();
    PendingErrors.Add(profile, CellKey(expected), expected.back() == 'u');
    if (!asked) ui_.RunWhenIdle([this] { WriteErrorCounts(); });
}

void ExerciseWindow::WriteErrorCounts() {
    if (!PendingErrors.Pending()) return;
    try {
        if (!ErrorStatsFile) ErrorStatsFile = std::make_unique<ProfileStore>();
        PendingErrors.Write(*ErrorStatsFile);
    } catch (const TastoraError& e) {
        ui_.ShowError(e.what());
    }
}

// After a judged key: the error count shown, the clock started by the first key, a pause
// ended by any key.
void ExerciseWindow::AfterJudgedKey(uint16_t key) {
    ui_.SetText(controls.errors, std::to_string(ErrorCount));
    // The keystroke that completed the lesson: its release goes to another window.
    if (ExerciseFinished) DrawKey(key, 0, kKeyNormal);
    if (!ClockRunning && !ExerciseFinished) {
        ClockRunning = true;
        ui_.SetTimerEnabled(controls.clockTimer, true);
        if (PausesLeft > 0) ui_.SetEnabled(controls.pause, true);
    }
    if (PauseActive) {
        PauseActive = false;
        ClockRunning = true;
        if (PausesLeft > 0) ui_.SetEnabled(controls.pause, true);
        ui_.SetTextColor(controls.clock, kWindowTextColor);
    }
}

// Seven wrong keystrokes in a row: a key held down. First a warning, the next time the
// exercise starts over.
void ExerciseWindow::CheckHeldKey() {
    if (ErrorStreak < kHoldStreak) return;
    ErrorStreak = 0;
    if (HoldWarningGiven == 0) {
        HoldWarningGiven = 1;
        ui_.ShowMessage(kHoldWarning);
        for (int n = 1; n <= kSpaceKey; ++n) DrawKey(0, n, kKeyNormal);
        return;
    }
    HoldWarningGiven = 0;
    // An exercise that this very keystroke completed has been evaluated already; it is not
    // started over behind the results window.
    if (ExerciseFinished) return;
    ui_.ShowMessage(kRestartMessage);
    for (int n = 1; n <= kSpaceKey; ++n) DrawKey(0, n, kKeyNormal);
    RestartExercise();
}

void ExerciseWindow::OnKeyUp(uint16_t& key) {
    MapRomanianLayout(ui_, key);
    const int k = DrawKey(key, 0, kKeyNormal);
    if (key != kVkShift && ShiftDown && !ui_.ShiftHeld()) ShiftReleased();
    if (ShiftDown && k >= 1 && k <= 13) DrawKey(0, k, kKeyShiftedFace);
    if (key == kVkShift) ShiftReleased();
    LightNextKey();
    KeyReleased = true;
}

// The key to press next lights up when the previous one is released.
void ExerciseWindow::LightNextKey() {
    const std::string* cell = CursorCell(*this);
    int nextKey = 0;
    std::string nextSuffix;
    if (cell) SplitCellCode(*cell, nextKey, nextSuffix);
    if (nextKey != 0 && nextSuffix.empty()) {
        DrawKey(0, nextKey, kKeyNext);
        DrawKey(0, kLeftShiftKey, kKeyNormal);
        DrawKey(0, kRightShiftKey, kKeyNormal);
    } else if (nextKey != 0 && nextSuffix == "u") {
        DrawKey(0, kLeftShiftKey, kKeyNext);
        DrawKey(0, kRightShiftKey, kKeyNext);
        // A digit-row or punctuation key shows its shifted face only once Shift is held.
        if (IsSymbolKey(nextKey))
            ShiftSymbolPending = true;
        else
            DrawKey(0, nextKey, kKeyNext);
    } else {
        DrawKey(0, kLeftShiftKey, kKeyNormal);
        DrawKey(0, kRightShiftKey, kKeyNormal);
    }
}

// Shift has gone up: the keys show their plain faces again.
void ExerciseWindow::ShiftReleased() {
    ShiftDown = false;
    for (int n = 1; n <= 13; ++n) DrawKey(0, n, kKeyNormal);
    DrawKey(0, 52, kKeyNormal);
    DrawKey(0, kLeftShiftKey, kKeyNormal);
    DrawKey(0, 28, kKeyNormal);
    ShiftSymbolPending = false;
}

void ExerciseWindow::OnKeyTimerTick() {
    if (KeyReleased) {
        if (GapTicks < std::numeric_limits<int32_t>::max()) ++GapTicks;
    } else if (GapTicks != 0) {
        ++session_.PauseHistogram[GapTicks > 0 && GapTicks <= kLongestGap ? GapTicks : 0];
        GapTicks = 0;
    }
}

}  // namespace tastora
