// The exercise apart from its window: the lesson's lines laid out on the grid, the cursor
// walking over it, every keystroke judged by the physical key against the cell under the
// cursor, the clock and the pauses.
#include "exercise/engine.h"

#include <cstdint>
#include <limits>

#include "core/errors.h"
#include "core/image_io.h"
#include "core/text.h"

namespace tastora {

namespace {

constexpr uint16_t kVkShift = 16;
constexpr uint16_t kVkControl = 17;
constexpr uint16_t kVkAlt = 18;
constexpr uint16_t kVkSpace = 32;
constexpr int kHoldStreak = 7;
constexpr int kLongestGap = 200;
constexpr int kPauseSeconds = 120;

// The digit-row and punctuation keys whose shifted face differs from the plain one.
bool IsSymbolKey(int n) { return (n >= 2 && n <= 13) || n == 28 || n == 52; }

struct KeyCodeTable {
    int map[256];
    KeyCodeTable() { FillKeyCodeMap(map); }
};

int KeyOfCode(uint16_t code) {
    static const KeyCodeTable table;
    return code < 256 ? table.map[code] : 0;
}

std::string CharacterName(char16_t ch) {
    if (ch == u' ') return "«пробел»";
    if (ch < 0x20 || (ch >= 0xD800 && ch <= 0xDFFF)) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string code = "U+";
        for (int shift = 12; shift >= 0; shift -= 4) code += kHex[(ch >> shift) & 15];
        return code;
    }
    return "«" + Utf16ToUtf8(std::u16string(1, ch)) + "»";
}

}  // namespace

void ExerciseChanges::DrawKey(int key, int state) {
    if (drawCount < kMaxDraws) draws[size_t(drawCount++)] = Draw{uint8_t(key), uint8_t(state), 0, 0};
}

void ExerciseChanges::DrawCell(int column, int row) {
    if (drawCount < kMaxDraws) draws[size_t(drawCount++)] = Draw{0, 0, uint8_t(column), uint8_t(row)};
}

Exercise::Exercise(KeyHold hold, KeySets keys) : keys_(keys), hold_(hold) {}

// ---------------------------------------------------------------------------------------
// The lesson

void Exercise::Open(const std::string& path) {
    if (!reader_.Open(path)) throw TastoraError("Не удаётся открыть файл урока " + path + ".");
}

std::u16string Exercise::ReadHeaderLine() {
    if (reader_.AtEnd())
        throw TastoraError("Файл урока " + reader_.Path() +
                           " повреждён: он обрывается раньше, чем начинается текст упражнения.");
    return ReadLine(nullptr);
}

// The next text line; the end marker, or the end of a file that lacks it, ends the exercise.
std::u16string Exercise::ReadLine(ExerciseChanges* changes) {
    // Nothing is read once the exercise has ended (or when no lesson could be opened).
    if (!reader_.IsOpen()) return u"EXIT";
    std::u16string text;
    if (reader_.ReadLine(text) != LessonFileReader::kLine) {
        End(changes);
        return u"EXIT";
    }
    lineCellCount_ = int(text.size()) + 1;
    cellsPassed_ = 0;
    column_ = 0;
    row_ = 1;
    return text;
}

// The clock stops and nothing is read or judged again.
void Exercise::End(ExerciseChanges* changes) {
    clockRunning_ = false;
    reader_.Close();
    finished_ = true;
    if (changes) changes->finished = true;
}

void Exercise::ChooseKeySets(int letterSet) {
    if (letterSet >= 1 && letterSet <= 5) {
        keys_.keyboard = LetterSet(letterSet);
        keys_.plain = LetterSet(letterSet);
    } else if (letterSet == 6) {
        keys_.keyboard = LetterSet(6);
        keys_.plain = LetterSet(5);
        keys_.shifted = LetterSet(5);
    }
}

void Exercise::LoadLetters() {
    if (!letters_.Load(kLetterTablePath)) throw TastoraError(CannotOpenMessage(kLetterTablePath));
    if (letters_.ValidLines() == 0)
        throw TastoraError(std::string("Файл ") + kLetterTablePath + " повреждён: в нём нет ни одной буквы.");
}

std::string Exercise::CheckText(const std::u16string& firstLine) {
    const std::string& path = reader_.Path();
    const size_t resume = reader_.Tell();
    std::string problem;
    bool typeable = false;
    TextCells scratch;
    auto check = [&](const std::u16string& text, int lineNumber) {
        const LayoutNotes notes = LayOutText(text, letters_, keys_.plain, keys_.shifted, &scratch);
        for (int c = 1; c <= kGridColumns && !typeable; ++c)
            for (int r = 1; r <= kGridRows && !typeable; ++r) typeable = scratch[c][r].Pending();
        if (!problem.empty()) return;
        if (notes.hasMissing)
            problem = "Файл урока " + path + " повреждён: символа " + CharacterName(notes.missing) + " (строка " +
                      std::to_string(lineNumber) + ") нет в таблице букв " + letters_.Path() +
                      "; такие символы пропускаются.";
        else if (notes.cut)
            problem = "Файл урока " + path + " повреждён: строка " + std::to_string(lineNumber) +
                      " не помещается на экране; её конец пропускается.";
    };
    int lineNumber = 6;
    check(firstLine, lineNumber);
    std::u16string text;
    while (reader_.ReadLine(text) == LessonFileReader::kLine) check(text, ++lineNumber);
    reader_.Seek(resume);
    if (!typeable) throw TastoraError("Файл урока " + path + " повреждён: в нём нет ни одного символа для набора.");
    return problem;
}

ExerciseChanges Exercise::LayOutFirstLine(const std::u16string& line) {
    ExerciseChanges changes;
    // "EXIT" from a reader that has ended; a text line that reads "EXIT" is laid out.
    if (line == u"EXIT" && !reader_.IsOpen()) return changes;
    LayOutLine(line, changes);
    cellsPassed_ = 0;
    MoveCursor(changes);
    return changes;
}

ExerciseChanges Exercise::LightFirstKey() {
    ExerciseChanges changes;
    const Cell* cell = CursorCell();
    if (!cell || cell->Empty()) return changes;
    if (cell->mark != Mark::kToType) return changes;
    if (!cell->shifted) {
        DrawKey(cell->key, kKeyNext, changes);
    } else {
        DrawKey(kLeftShiftKey, kKeyNext, changes);
        DrawKey(kRightShiftKey, kKeyNext, changes);
        // A digit-row or punctuation key lights up once Shift is held.
        if (HasNextShiftedFace(cell->key))
            shiftSymbolPending_ = true;
        else
            DrawKey(cell->key, kKeyNext, changes);
    }
    return changes;
}

void Exercise::Abandon() {
    reader_.Close();
    finished_ = true;
    for (int c = 1; c <= kGridColumns; ++c)
        for (int r = 1; r <= kGridRows; ++r) grid_[c][r] = kBlankCell;
    for (bool& b : rowContinues_) b = false;
    lineCellCount_ = 0;
    cellsPassed_ = 0;
    column_ = 0;
    row_ = 1;
}

void Exercise::LayOutRow(const std::vector<Cell>& cells, const KeySets& keys) {
    *this = Exercise({}, keys);
    for (int c = 1; c <= kGridColumns; ++c)
        for (int r = 1; r <= kGridRows; ++r) grid_[c][r] = kBlankCell;
    for (size_t i = 0; i < cells.size() && i < size_t(kGridColumns); ++i) grid_[i + 1][1] = cells[i];
    column_ = 1;
    row_ = 1;
    cellsPassed_ = 1;
    lineCellCount_ = int(cells.size()) + 1;
}

// ---------------------------------------------------------------------------------------
// Layout and cursor

void Exercise::LayOutLine(const std::u16string& line, ExerciseChanges& changes) {
    // The bar shows the lines already finished.
    changes.linesDone = linesStarted_;
    ++linesStarted_;
    const LayoutNotes notes = LayOutText(line, letters_, keys_.plain, keys_.shifted, &grid_);
    for (int r = 0; r <= kGridRows; ++r) rowContinues_[r] = notes.continues[r];
}

// Moves the cursor on to the next cell to type, laying out the next lines as the current
// ones are used up. True when another line was laid out. Every turn moves the cursor or
// reads a line, so the walk ends with the file at the latest.
bool Exercise::MoveCursor(ExerciseChanges& changes) {
    bool relaid = false;
    if (cellsPassed_ == 0) {
        column_ = 0;
        row_ = 1;
    }
    for (;;) {
        bool usedUp = cellsPassed_ >= lineCellCount_;
        if (!usedUp && column_ >= kGridColumns) {
            // Leaving a full row: the space after it was dropped from the next row, so the
            // next space-bar press is not to be judged.
            const Cell& last = grid_[kGridColumns][row_];
            const bool space = last.key == kSpaceKey && !last.shifted;
            if (!space && !rowContinues_[row_]) droppedSpacePending_ = true;
            ++row_;
            column_ = 0;
            usedUp = row_ > kGridRows;
        }
        if (usedUp) {
            const std::u16string line = ReadLine(&changes);
            if (!reader_.IsOpen()) return relaid;  // the exercise has ended
            LayOutLine(line, changes);
            cellsPassed_ = 0;
            column_ = 0;
            row_ = 1;
            relaid = true;
            continue;
        }
        ++column_;
        const Cell& cell = grid_[column_][row_];
        if (cell != kBlankCell) ++cellsPassed_;
        // Done cells, blanks and cells already typed wrongly are passed over.
        if (!cell.Empty() && !cell.Pending()) continue;
        return relaid;
    }
}

void Exercise::NextCell(ExerciseChanges& changes) {
    if (cellsPassed_ < lineCellCount_) {
        if (MoveCursor(changes)) changes.relaid = true;
        return;
    }
    const std::u16string line = ReadLine(&changes);
    if (!reader_.IsOpen()) return;  // the exercise has ended
    LayOutLine(line, changes);
    cellsPassed_ = 0;
    MoveCursor(changes);
    changes.relaid = true;
}

const Cell* Exercise::CursorCell() const {
    if (column_ < 1 || column_ > kGridColumns || row_ < 1 || row_ > kGridRows) return nullptr;
    return &grid_[column_][row_];
}

Cell* Exercise::Under() { return const_cast<Cell*>(CursorCell()); }

// ---------------------------------------------------------------------------------------
// Keystrokes

int Exercise::KeyOf(uint16_t code) const {
    const int n = KeyOfCode(code);
    return n > 0 && keys_.keyboard.test(size_t(n)) ? n : 0;
}

int Exercise::DrawKeyOf(uint16_t code, int state, ExerciseChanges& changes) const {
    const int n = KeyOf(code);
    if (n != 0) changes.DrawKey(n, state);
    return n;
}

void Exercise::DrawKey(int key, int state, ExerciseChanges& changes) const {
    if (key <= 0 || key > 255 || !keys_.keyboard.test(size_t(key))) return;
    changes.DrawKey(key, state);
}

ExerciseChanges Exercise::KeyDown(uint16_t code, bool shiftHeld) {
    ExerciseChanges changes;
    const int k = DrawKeyOf(code, kKeyPressed, changes);

    if (code == kVkControl || code == kVkAlt) {
        changes.swallowed = true;
        return changes;
    }
    // The space that a row ending full has dropped from the screen: a learner who types it
    // anyway loses nothing, and one who types what the screen shows is not one key behind.
    // Only the very next key is looked at (Shift, before a capital, is not a key of its own).
    if (droppedSpacePending_ && code != kVkShift) {
        droppedSpacePending_ = false;
        if (code == kVkSpace) return changes;
    }
    // Shift as the keyboard has it now: its release may have gone to a message box.
    if (code != kVkShift) {
        if (shiftDown_ && !shiftHeld) ShiftReleased(changes);
        shiftDown_ = shiftHeld;
    }

    // Nothing is judged while no exercise waits for a key (before the first start, after
    // the end marker, or when a start failed before its first line was laid out).
    Cell* cell = Under();
    const bool judging = !finished_ && cell != nullptr && cell->Pending();
    if (code == kVkShift) PressShift(changes);
    if (!judging) return changes;
    if (code != kVkShift) Judge(k, *cell, changes);
    AfterJudged(changes);
    // The keystroke that completed the lesson: its release goes to another window.
    if (finished_) DrawKeyOf(code, kKeyNormal, changes);
    CheckHold(changes);
    return changes;
}

// Shift goes down: the symbol keys show their shifted faces, the one to press next lit.
void Exercise::PressShift(ExerciseChanges& changes) {
    shiftDown_ = true;
    const Cell* cell = CursorCell();
    const int e = shiftSymbolPending_ && cell ? cell->key : 0;
    if (e != 0) DrawKey(e, kKeyNextShifted, changes);
    for (int n = 1; n <= kKeyCount; ++n)
        if (IsSymbolKey(n) && n != e) DrawKey(n, kKeyShiftedFace, changes);
    DrawKey(kLeftShiftKey, kKeyPressed, changes);
}

// Key number k against the cell under the cursor: the cell is marked done or wrong and the
// cursor moves on.
void Exercise::Judge(int k, Cell& cell, ExerciseChanges& changes) {
    const Cell expected = cell;
    if (k == expected.key && shiftDown_ == expected.shifted) {
        ++correct_;
        hold_.streak = 0;
        cell.mark = Mark::kDone;
        changes.DrawCell(column_, row_);
    } else {
        cell.mark = Mark::kWrong;
        ++errors_;
        ++hold_.streak;
        changes.DrawCell(column_, row_);
        DrawKey(expected.key, kKeyNormal, changes);
        changes.wrongCell = expected;
    }
    NextCell(changes);
}

// After a judged key: the clock started by the first key, a pause ended by any key.
void Exercise::AfterJudged(ExerciseChanges& changes) {
    changes.judged = true;
    if (!clockRunning_ && !finished_) {
        clockRunning_ = true;
        changes.clockStarted = true;
        changes.pauseAvailable = pausesLeft_ > 0;
    }
    if (pauseActive_) {
        pauseActive_ = false;
        clockRunning_ = true;
        changes.pauseEnded = true;
        changes.pauseAvailable = pausesLeft_ > 0;
    }
}

// Seven wrong keystrokes in a row: a key held down. First a warning, the next time the
// exercise starts over.
void Exercise::CheckHold(ExerciseChanges& changes) {
    if (hold_.streak < kHoldStreak) return;
    hold_.streak = 0;
    if (!hold_.warned) {
        hold_.warned = true;
        changes.hold = ExerciseChanges::kHoldWarning;
        return;
    }
    hold_.warned = false;
    // An exercise that this very keystroke completed has been evaluated already; it is not
    // started over behind the results.
    if (!finished_) changes.hold = ExerciseChanges::kHoldRestart;
}

ExerciseChanges Exercise::KeyUp(uint16_t code, bool shiftHeld) {
    ExerciseChanges changes;
    const int k = DrawKeyOf(code, kKeyNormal, changes);
    if (code != kVkShift && shiftDown_ && !shiftHeld) ShiftReleased(changes);
    if (shiftDown_ && k >= 1 && k <= 13) DrawKey(k, kKeyShiftedFace, changes);
    if (code == kVkShift) ShiftReleased(changes);
    LightNextKey(changes);
    return changes;
}

// The key to press next lights up when the previous one is released.
void Exercise::LightNextKey(ExerciseChanges& changes) {
    const Cell* cell = CursorCell();
    if (cell && cell->Pending() && !cell->shifted) {
        DrawKey(cell->key, kKeyNext, changes);
        DrawKey(kLeftShiftKey, kKeyNormal, changes);
        DrawKey(kRightShiftKey, kKeyNormal, changes);
    } else if (cell && cell->Pending()) {
        DrawKey(kLeftShiftKey, kKeyNext, changes);
        DrawKey(kRightShiftKey, kKeyNext, changes);
        // A digit-row or punctuation key shows its shifted face only once Shift is held.
        if (IsSymbolKey(cell->key))
            shiftSymbolPending_ = true;
        else
            DrawKey(cell->key, kKeyNext, changes);
    } else {
        DrawKey(kLeftShiftKey, kKeyNormal, changes);
        DrawKey(kRightShiftKey, kKeyNormal, changes);
    }
}

// Shift has gone up: the keys show their plain faces again.
void Exercise::ShiftReleased(ExerciseChanges& changes) {
    shiftDown_ = false;
    for (int n = 1; n <= 13; ++n) DrawKey(n, kKeyNormal, changes);
    DrawKey(52, kKeyNormal, changes);
    DrawKey(kLeftShiftKey, kKeyNormal, changes);
    DrawKey(28, kKeyNormal, changes);
    shiftSymbolPending_ = false;
}

// ---------------------------------------------------------------------------------------
// The clock and the pauses

ClockChanges Exercise::Second() {
    ClockChanges changes;
    if (clockRunning_) {
        ++seconds_;
        changes.clockShown = true;
    }
    if (pauseActive_) {
        --pauseSecondsLeft_;
        changes.countdownShown = true;
        if (pauseSecondsLeft_ <= 0) {
            pauseActive_ = false;
            clockRunning_ = true;
            changes.pauseEnded = true;
            changes.pauseAvailable = pausesLeft_ > 0;
        }
    }
    return changes;
}

bool Exercise::Pause() {
    if (pausesLeft_ <= 0) return false;
    pauseSecondsLeft_ = kPauseSeconds;
    --pausesLeft_;
    clockRunning_ = false;
    pauseActive_ = true;
    return true;
}

// ---------------------------------------------------------------------------------------
// The gaps between keystrokes

int KeyGaps::Tick() {
    if (released_) {
        if (ticks_ < std::numeric_limits<int32_t>::max()) ++ticks_;
        return -1;
    }
    if (ticks_ == 0) return -1;
    const int slot = ticks_ > 0 && ticks_ <= kLongestGap ? ticks_ : 0;
    ticks_ = 0;
    return slot;
}

}  // namespace tastora
