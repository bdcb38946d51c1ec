#pragma once
// The exercise window: the lesson laid out as a 40 x 7 grid of character pictures, the
// on-screen keyboard, keystroke checking, the clock, pauses, restart and exit.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/bitmap.h"
#include "core/form_layout.h"
#include "exercise/keys.h"
#include "exercise/layout.h"
#include "exercise/lesson_file.h"
#include "exercise/letter_table.h"

namespace tastora {

class Tastora;
class IniFile;

// Key picture states, as DrawKey takes them.
enum KeyState { kKeyNormal = 1, kKeyShiftedFace = 2, kKeyPressed = 3, kKeyNext = 4, kKeyNextShifted = 5 };

constexpr int kGridColumns = kTextColumns;
constexpr int kGridRows = kTextRows;

// The window's two pictures (size and place in the window) and the keyboard's background.
constexpr int kKeyboardWidth = 857, kKeyboardHeight = 289;
constexpr int kKeyboardLeft = 8, kKeyboardTop = 248;
constexpr int kTextWidth = 737, kTextHeight = 233;
constexpr int kTextLeft = 16, kTextTop = 8;
constexpr const char* kKeyboardPicture = "data\\pictures\\butoane\\k.jpg";

// The clock as the exercise window shows it: "mm:ss", each part with at least two digits.
std::string ClockText(int seconds);

class ExerciseWindow {
public:
    explicit ExerciseWindow(Tastora& app);
    ~ExerciseWindow();
    FormSpec Layout();

    // --- lesson loading and layout
    void StartExercise(double level);
    void OpenLessonFile(const std::string& path);
    std::u16string ReadLessonLine();
    void CloseLessonFile();
    void LayoutLine(const std::u16string& line);
    void AdvanceCursor();
    void NextCell();

    // --- pictures
    int DrawKey(uint16_t code, int n, int state);
    void DrawCell(const std::string& code, int c, int r);
    void DrawTextGrid();
    void LoadKeyPictures();
    void FormPaint();

    // --- keystrokes
    void FormKeyDown(uint16_t& key);
    void FormKeyUp(uint16_t& key);
    void keytimerTimer();
    void ShiftReleased();

    // --- clock and controls
    void FormCreate();
    void Timer1Timer();
    void BPauzaMouseDown();
    void BResetMouseDown();
    void RestartExercise();  // the current level from the start; restart disabled meanwhile
    void Button1MouseDown();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void FormClick();
    void FormClose();

    // --- key tables and sets
    int KeyCodeMap[256] = {};
    KeyPoint KeyPositions[kKeyCount + 1];
    KeySet KeyboardKeys, PlainKeys, ShiftedKeys;

    // --- the exercise
    // Cell codes, TextGrid[column][row] with columns 1..40 and rows 1..7 (index 0 unused).
    TextCells TextGrid;
    LessonFileReader LessonFile;
    std::unique_ptr<IniFile> ErrorStatsFile;  // data\users.ini for the per-key counters
    std::string StartMessage;                 // line 2 of the lesson file
    int CursorColumn = 0, CursorRow = 1;
    int CellsPassed = 0;
    int LineCellCount = 0;
    int LinesStarted = 0;
    int ErrorCount = 0;
    int CorrectCount = 0;
    int ElapsedSeconds = 0;
    int ErrorStreak = 0;
    int HoldWarningGiven = 0;
    bool ClockRunning = false;
    bool ExerciseFinished = false;
    bool PauseActive = false;
    int PausesLeft = 2;
    int PauseSecondsLeft = 0;
    bool ShiftDown = false;
    bool ShiftSymbolPending = false;
    bool DroppedSpacePending = false;
    bool KeyReleased = false;
    int GapTicks = 0;
    std::array<int32_t, 201>& PauseHistogram;  // the session's

    // --- pictures
    Bitmap KeyboardBitmap;  // kKeyboardWidth x kKeyboardHeight at (kKeyboardLeft, kKeyboardTop)
    Bitmap TextBitmap;      // kTextWidth x kTextHeight at (kTextLeft, kTextTop)
    Bitmap KeyPictures[6][kKeyCount + 1];   // [state 1..5][key]
    Bitmap CharPictures[6][kKeyCount + 1];  // [suffix: none, b, r, u, ub, ur][key]

    // --- lesson layout
    LetterTable Letters;                    // data\litere.txt, read at every start
    bool RowContinues[kGridRows + 1] = {};  // the row ends inside a word longer than a row

private:
    Tastora& app_;

    // Lesson loading and layout (lesson.cpp).
    void RunStartSteps(double level);
    void AbandonStart();
    std::u16string ReadHeaderLine();
    std::string CheckLessonText(const std::u16string& firstLine);
    void LayOutCells(const std::u16string& line);
    bool MoveCursor();
    void EndExercise();
    bool starting_ = false;
    // Composing into the bitmaps without copying them to the window (pictures.cpp).
    void ComposeKey(int n, int state);
    void ComposeCell(const std::string& code, int c, int r);
};

}  // namespace tastora
