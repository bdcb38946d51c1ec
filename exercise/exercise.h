#pragma once
// The exercise window: the exercise's 40 x 7 grid of character pictures and the on-screen
// keyboard, drawn as the exercise changes; the learner's keys, the clock and the pause, restart
// and exit buttons forwarded to it.
#include <cstdint>
#include <memory>
#include <string>

#include "core/bitmap.h"
#include "core/form_layout.h"
#include "core/ui_port.h"
#include "exercise/engine.h"
#include "exercise/keys.h"
#include "exercise/layout.h"
#include "exercise/lesson_file.h"
#include "exercise/letter_table.h"
#include "session/session.h"
#include "users/error_counts.h"
#include "windows/progress.h"

namespace tastora {

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
    ExerciseWindow(UiPort& ui, const Session& session, CourseFlow& flow, ProgressWindow& progress);
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

    // --- starting: a new exercise each time
    void StartExercise(double level);
    // The exercise on screen.
    Exercise& exercise() { return *exercise_; }
    const Exercise& exercise() const { return *exercise_; }

    // --- pictures
    int DrawKey(uint16_t code, int n, int state);
    void DrawCell(const Cell& cell, int c, int r);
    void DrawTextGrid();
    void LoadKeyPictures();
    void OnPaint();

    // --- keystrokes
    void OnKeyDown(uint16_t& key);
    void OnKeyUp(uint16_t& key);
    void OnKeyTimerTick();
    // The key gaps counted since the last result (handed on with the next one).
    const GapHistogram& KeyGapsToHand() const { return gapsToHand_; }
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

    // --- key tables
    int KeyCodeMap[256] = {};
    KeyPoint KeyPositions[kKeyCount + 1];

    std::unique_ptr<ProfileStore> ErrorStatsFile;  // the profile store for the per-key counters
    ErrorCounts PendingErrors;                     // wrong keys not yet in the file
    std::string StartMessage;                      // line 2 of the lesson file

    // --- pictures
    Bitmap KeyboardBitmap;                  // kKeyboardWidth x kKeyboardHeight at (kKeyboardLeft, kKeyboardTop)
    Bitmap TextBitmap;                      // kTextWidth x kTextHeight at (kTextLeft, kTextTop)
    Bitmap KeyPictures[6][kKeyCount + 1];   // [state 1..5][key]
    Bitmap CharPictures[6][kKeyCount + 1];  // [look 0..5, see Cell::Look][key]

private:
    UiPort& ui_;
    const Session& session_;
    CourseFlow& flow_;
    ProgressWindow& progress_;

    std::unique_ptr<Exercise> exercise_;
    KeyGaps gaps_;               // across exercises: the key timer never stops
    GapHistogram gapsToHand_{};  // the gaps counted since the last result

    // Starting (lesson.cpp).
    struct LessonHeader {
        int letterSet = 0;         // line 3
        std::u16string firstLine;  // line 6, the first text line
    };
    void RunStartSteps(double level);
    void ResetForStart();
    bool ReadHeader(const std::string& path, LessonHeader& header);
    bool StartEndedEarly();
    void AbandonStart();
    std::u16string ReadHeaderLine();
    // The result goes to the flow once the exercise has reached its end.
    void EndExercise();
    bool starting_ = false;
    // Showing what a step changed (keystrokes.cpp).
    void Show(const ExerciseChanges& changes);
    void CountError(const Cell& expected);
    void ResetKeyLooks();
    // Composing into the bitmaps without copying them to the window (pictures.cpp).
    void ComposeKey(int n, int state);
    void ComposeCell(const Cell& cell, int c, int r);
};

}  // namespace tastora
