#pragma once
// The exercise itself, apart from any window: the lesson read line by line and laid out on
// the text grid, the cursor, the counts, the clock, the pauses and the keys held. Every key
// going down or up is one step that returns what changed, for a window to show.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "exercise/keys.h"
#include "exercise/layout.h"
#include "exercise/lesson_file.h"
#include "exercise/letter_table.h"

namespace tastora {

// Key picture states.
enum KeyState { kKeyNormal = 1, kKeyShiftedFace = 2, kKeyPressed = 3, kKeyNext = 4, kKeyNextShifted = 5 };

constexpr int kGridColumns = kTextColumns;
constexpr int kGridRows = kTextRows;

// The keys an exercise shows on its keyboard and types unshifted and shifted.
struct KeySets {
    KeySet keyboard, plain, shifted;
};

// Wrong keystrokes in a row, the sign of a key held down: the first time a warning, the
// next time the exercise starts over. Kept from one exercise to the next.
struct KeyHold {
    int streak = 0;
    bool warned = false;
};

// What one step changed, in the order a window shows it.
struct ExerciseChanges {
    // A key picture (column 0) or a cell of the grid (column, row) to draw again.
    struct Draw {
        uint8_t key = 0, state = 0, column = 0, row = 0;
    };
    static constexpr int kMaxDraws = 64;  // a step draws some 40 at most
    std::array<Draw, kMaxDraws> draws;
    int drawCount = 0;

    bool swallowed = false;  // a key (Ctrl, Alt) that nothing else is to see
    bool judged = false;     // a keystroke of the exercise: the error count to show
    bool relaid = false;     // a new line laid out: the whole grid to draw
    int linesDone = -1;      // the lines finished, for the bar (-1: unchanged)
    bool clockStarted = false;
    bool pauseEnded = false;
    bool pauseAvailable = false;  // with clockStarted or pauseEnded: a pause is left
    Cell wrongCell;               // the cell a wrong key missed (empty when none)
    bool finished = false;        // the end of the lesson was reached: the result is ready
    enum Hold : uint8_t { kNoHold, kHoldWarning, kHoldRestart } hold = kNoHold;

    void DrawKey(int key, int state);
    void DrawCell(int column, int row);
};

// What a second of the clock changed.
struct ClockChanges {
    bool clockShown = false;      // the elapsed time to show
    bool countdownShown = false;  // the pause's seconds left to show
    bool pauseEnded = false;      // the pause ran out
    bool pauseAvailable = false;
};

class Exercise {
public:
    // A new exercise keeps the key hold of the previous one, and its key sets for a lesson
    // that names none of the six.
    explicit Exercise(KeyHold hold = {}, KeySets keys = {});

    // --- the lesson file
    // Opens the lesson; a file that cannot be read is an error.
    void Open(const std::string& path);
    // Header lines 1 to 6; a file that ends before them is broken. Reading the end marker
    // ends the exercise (see Finished).
    std::u16string ReadHeaderLine();
    const std::string& LessonPath() const { return reader_.Path(); }
    // Sets 1 to 5 are typed unshifted; set 6 adds the Shift keys and the shifted characters
    // of set 5. Any other number keeps the sets the exercise has.
    void ChooseKeySets(int letterSet);
    // The letter table, read afresh; an error when it is missing or holds no letter.
    void LoadLetters();
    // Looks over the text lines ahead for what would spoil the exercise: a character the
    // letter table lacks, a line too long for the screen. Returns the one message to show,
    // or "". A lesson with nothing at all to type is an error.
    std::string CheckText(const std::u16string& firstLine);
    // The first line laid out and the cursor on its first cell to type.
    ExerciseChanges LayOutFirstLine(const std::u16string& line);
    // The first key to press lights up.
    ExerciseChanges LightFirstKey();
    // A start that failed: nothing is left to type.
    void Abandon();
    // The exercise afresh (nothing kept, not even the key hold) over a row of cells laid out
    // directly, the rest of the grid blank, the cursor on the first cell.
    void LayOutRow(const std::vector<Cell>& cells, const KeySets& keys);

    // --- the learner's keys (virtual-key codes); shiftHeld is Shift as the keyboard has it
    ExerciseChanges KeyDown(uint16_t code, bool shiftHeld);
    ExerciseChanges KeyUp(uint16_t code, bool shiftHeld);

    // --- the clock and the pauses
    ClockChanges Second();
    // A pause of two minutes starts; false when none is left.
    bool Pause();

    // --- what the exercise stands at
    const Cell& At(int column, int row) const { return grid_[column][row]; }
    // The cell under the cursor, or nullptr when the cursor stands outside the grid.
    const Cell* CursorCell() const;
    int CursorColumn() const { return column_; }
    int CursorRow() const { return row_; }
    int CellsPassed() const { return cellsPassed_; }
    int LinesStarted() const { return linesStarted_; }
    int Errors() const { return errors_; }
    int Correct() const { return correct_; }
    int Seconds() const { return seconds_; }
    int PauseSecondsLeft() const { return pauseSecondsLeft_; }
    int PausesLeft() const { return pausesLeft_; }
    bool ClockRunning() const { return clockRunning_; }
    bool PauseActive() const { return pauseActive_; }
    bool Finished() const { return finished_; }
    bool ShiftDown() const { return shiftDown_; }
    bool ShiftSymbolPending() const { return shiftSymbolPending_; }
    bool DroppedSpacePending() const { return droppedSpacePending_; }
    bool LessonOpen() const { return reader_.IsOpen(); }
    const KeyHold& Hold() const { return hold_; }
    const KeySets& Keys() const { return keys_; }
    void SetKeys(const KeySets& keys) { keys_ = keys; }
    // The key number of a virtual-key code on this exercise's keyboard (0 when none).
    int KeyOf(uint16_t code) const;

private:
    std::u16string ReadLine(ExerciseChanges* changes);
    void LayOutLine(const std::u16string& line, ExerciseChanges& changes);
    bool MoveCursor(ExerciseChanges& changes);
    void NextCell(ExerciseChanges& changes);
    void End(ExerciseChanges* changes);
    Cell* Under();
    void PressShift(ExerciseChanges& changes);
    void Judge(int key, Cell& cell, ExerciseChanges& changes);
    void AfterJudged(ExerciseChanges& changes);
    void CheckHold(ExerciseChanges& changes);
    void LightNextKey(ExerciseChanges& changes);
    void ShiftReleased(ExerciseChanges& changes);
    int DrawKeyOf(uint16_t code, int state, ExerciseChanges& changes) const;
    void DrawKey(int key, int state, ExerciseChanges& changes) const;

    TextCells grid_;
    bool rowContinues_[kGridRows + 1] = {};  // the row ends inside a word longer than a row
    LessonFileReader reader_;
    LetterTable letters_;
    KeySets keys_;
    KeyHold hold_;
    int column_ = 0, row_ = 1;
    int cellsPassed_ = 0;
    int lineCellCount_ = 0;
    int linesStarted_ = 0;
    int errors_ = 0, correct_ = 0;
    int seconds_ = 0;
    int pausesLeft_ = 2;
    int pauseSecondsLeft_ = 0;
    bool clockRunning_ = false;
    bool pauseActive_ = false;
    bool finished_ = false;
    bool shiftDown_ = false;
    bool shiftSymbolPending_ = false;
    bool droppedSpacePending_ = false;
};

// The gaps between a key's release and the next press, counted in ticks of the key timer.
class KeyGaps {
public:
    void Pressed() { released_ = false; }
    void Released() { released_ = true; }
    // One tick: a gap that a press has ended goes to the histogram, by its length (longer
    // ones than it holds under 0).
    template <typename Histogram>
    void Tick(Histogram& histogram) {
        const int gap = Tick();
        if (gap >= 0) ++histogram[gap];
    }
    bool released() const { return released_; }

private:
    int Tick();  // the histogram slot of a gap just ended, -1 when none
    bool released_ = false;
    int ticks_ = 0;
};

}  // namespace tastora
