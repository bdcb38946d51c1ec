#pragma once
// The exercise window: the lesson laid out as a 40 x 7 grid of character pictures, the
// on-screen keyboard, keystroke checking, the clock, pauses, restart and exit.
#include <cstdint>
#include <memory>
#include <string>

#include "core/bitmap.h"
#include "core/form_layout.h"
#include "core/ui_port.h"
#include "exercise/keys.h"
#include "exercise/layout.h"
#include "exercise/lesson_file.h"
#include "exercise/letter_table.h"
#include "session/session.h"
#include "users/error_counts.h"
#include "windows/progress.h"

namespace tastora {

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
    // The profile's name, level and key gaps are the session's; a finished exercise goes to
    // the flow; the progress window shows how far a start has got.
    ExerciseWindow(UiPort& ui, Session& session, CourseFlow& flow, ProgressWindow& progress);
    ~ExerciseWindow();
    FormSpec Layout();

    struct Controls {
        LabelHandle timeCaption, clock;     // "Время:" and the clock ("mm:ss")
        LabelHandle errorsCaption, errors;  // "Количество ошибок:" and the error count
        LabelHandle linesCaption;           // "Пройденно:"
        ProgressHandle lines;               // the lesson lines finished
        ButtonHandle pause, restart, exit;  // act on mouse-down
        ButtonHandle rules, info;           // the small flat buttons "?" and "i"
        TimerHandle clockTimer;             // once a second while the clock or a pause runs
        TimerHandle keyTimer;               // measures the gaps between keystrokes
    } controls;

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
    void OnPaint();

    // --- keystrokes
    void OnKeyDown(uint16_t& key);
    void OnKeyUp(uint16_t& key);
    void OnKeyTimerTick();
    void ShiftReleased();
    // The wrong keys counted so far go to the profile's counters now; a failure is shown.
    // Done a moment after each wrong key, and before anything reads the counters or the
    // program ends.
    void WriteErrorCounts();

    // --- clock and controls
    void OnCreate();
    void OnClockTick();
    void OnPauseMouseDown();
    void OnRestartMouseDown();
    void RestartExercise();  // the current level from the start; restart disabled meanwhile
    void OnExitMouseDown();
    void OnRulesClick();
    void OnInfoClick();
    void OnBackgroundClick();
    void OnClose();

    // --- key tables and sets
    int KeyCodeMap[256] = {};
    KeyPoint KeyPositions[kKeyCount + 1];
    KeySet KeyboardKeys, PlainKeys, ShiftedKeys;

    // --- the exercise
    // Cell codes, TextGrid[column][row] with columns 1..40 and rows 1..7 (index 0 unused).
    TextCells TextGrid;
    LessonFileReader LessonFile;
    std::unique_ptr<ProfileStore> ErrorStatsFile;  // the profile store for the per-key counters
    ErrorCounts PendingErrors;                     // wrong keys not yet in the file
    std::string StartMessage;                      // line 2 of the lesson file
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
    int GapTicks = 0;  // ticks of the key timer since the last release

    // --- pictures
    Bitmap KeyboardBitmap;                  // kKeyboardWidth x kKeyboardHeight at (kKeyboardLeft, kKeyboardTop)
    Bitmap TextBitmap;                      // kTextWidth x kTextHeight at (kTextLeft, kTextTop)
    Bitmap KeyPictures[6][kKeyCount + 1];   // [state 1..5][key]
    Bitmap CharPictures[6][kKeyCount + 1];  // [suffix: none, b, r, u, ub, ur][key]

    // --- lesson layout
    LetterTable Letters;                    // data\litere.txt, read at every start
    bool RowContinues[kGridRows + 1] = {};  // the row ends inside a word longer than a row

private:
    UiPort& ui_;
    Session& session_;
    CourseFlow& flow_;
    ProgressWindow& progress_;

    // Lesson loading and layout (lesson.cpp).
    struct LessonHeader {
        int letterSet = 0;         // line 3
        std::u16string firstLine;  // line 6, the first text line
    };
    void RunStartSteps(double level);
    void ResetForStart();
    bool ReadHeader(const std::string& path, LessonHeader& header);
    void ChooseKeySets(int letterSet);
    void LightFirstKey();
    bool StartEndedEarly();
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
    // Judging a keystroke (keystrokes.cpp).
    void PressShift(const std::string* cell);
    void JudgeKey(int k, std::string& cell);
    void CountError(const std::string& expected);
    void AfterJudgedKey(uint16_t key);
    void CheckHeldKey();
    void LightNextKey();
};

}  // namespace tastora
