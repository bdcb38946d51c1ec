// The exercise window itself: its controls, the exercise clock, the two pauses, restart,
// exit, the rules and info buttons, creation and closing.
#include <cstdio>
#include <string>

#include "app/tastora.h"
#include "core/errors.h"
#include "core/image_io.h"
#include "core/ini.h"
#include "exercise/exercise.h"

namespace tastora {

namespace {

constexpr int kPauseSeconds = 120;
constexpr Rgb kPauseColor = MakeRgb(0, 0, 255);

const char kPauseMessage[] =
    "У вас в распоряжении 2 минуты. По истечении паузы секундометр начнёт отсчитывать время.\r"
    "Вы можете продолжить работу в любой момент.\r"
    "Вы располагаете только 2-мя паузами для каждого упражнения.";

// Draws a picture file onto a bitmap; a failure is noted and the next step goes on.
void DrawPictureFile(Bitmap& target, const std::string& path, std::string& failures) {
    try {
        target.Draw(LoadJpeg(path), 0, 0);
    } catch (const TastoraError& e) {
        if (!failures.empty()) failures += "\n";
        failures += e.what();
    }
}

}  // namespace

std::string ClockText(int seconds) {
    if (seconds < 0) seconds = 0;
    char text[24];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

ExerciseWindow::ExerciseWindow(Tastora& app) : PauseHistogram(app.session.PauseHistogram), app_(app) {}
ExerciseWindow::~ExerciseWindow() = default;

FormSpec ExerciseWindow::Layout() {
    FormSpec f = MakeForm(FormId::Exercise, "Form2", BorderStyle::Single, true, 874, 539);
    f.keyPreview = true;
    f.doubleBuffered = true;

    // The figures of the clock and the error count.
    ControlSpec clock = MakeControl("Ltimp", ControlKind::Label, 768, 24, 51, 22, "00:00");
    ControlSpec errors = MakeControl("Lgres", ControlKind::Label, 768, 64, 11, 22, "0");
    clock.font = errors.font = FontSpec{"Arial", 0, 19, true};

    ControlSpec progress = MakeControl("ProgressBar1", ControlKind::ProgressBar, 768, 104, 97, 17);
    progress.smooth = true;

    // Push buttons that act on mouse-down, and the two small flat buttons.
    ControlSpec pause = MakeControl("BPauza", ControlKind::Button, 768, 128, 97, 25, "BPauza");
    pause.enabled = false;
    pause.onMouseDown = [this] { BPauzaMouseDown(); };
    ControlSpec reset = MakeControl("BReset", ControlKind::Button, 768, 160, 97, 25, "BReset");
    reset.onMouseDown = [this] { BResetMouseDown(); };
    ControlSpec exit = MakeControl("Button1", ControlKind::Button, 768, 192, 97, 25, "Button1");
    exit.onMouseDown = [this] { Button1MouseDown(); };
    ControlSpec rules = MakeControl("SpeedButton1", ControlKind::FlatButton, 824, 8, 23, 22, "?");
    rules.onClick = [this] { SpeedButton1Click(); };
    ControlSpec info = MakeControl("SpeedButton2", ControlKind::FlatButton, 848, 8, 23, 22, "i");
    info.onClick = [this] { SpeedButton2Click(); };
    rules.font = info.font = FontSpec{"MS Sans Serif", 8, 0, true};
    // None of the buttons is ever reached with the keyboard.
    for (ControlSpec* button : {&pause, &reset, &exit, &rules, &info}) button->takesFocus = false;

    f.controls = {
        MakeControl("Label2", ControlKind::Label, 768, 8, 29, 13, "Label2"),
        clock,
        MakeControl("Label3", ControlKind::Label, 768, 48, 102, 13, "Label3"),
        errors,
        MakeControl("Label1", ControlKind::Label, 768, 88, 54, 13, "Label1"),
        progress,
        pause,
        reset,
        exit,
        rules,
        info,
    };
    // This window's labels keep the word-wrap flag (a label that sizes itself never wraps).
    for (ControlSpec& c : f.controls)
        if (c.kind == ControlKind::Label) c.wordWrap = true;

    f.timers.push_back(TimerSpec{"Timer1", 1000, false, [this] { Timer1Timer(); }});
    f.timers.push_back(TimerSpec{"keytimer", 1, true, [this] { keytimerTimer(); }});

    f.onCreate = [this] { FormCreate(); };
    f.onPaint = [this] { FormPaint(); };
    f.onClick = [this] { FormClick(); };
    f.onClose = [this] { FormClose(); };
    f.onKeyDown = [this](uint16_t& key) { FormKeyDown(key); };
    f.onKeyUp = [this](uint16_t& key) { FormKeyUp(key); };
    return f;
}

void ExerciseWindow::FormCreate() {
    LinesStarted = 0;

    // A missing background picture is reported, but the window is still made ready for
    // typing: the remaining steps do not depend on it.
    std::string failures;
    KeyboardBitmap = Bitmap(kKeyboardWidth, kKeyboardHeight);
    DrawPictureFile(KeyboardBitmap, kKeyboardPicture, failures);
    TextBitmap = Bitmap(kTextWidth, kTextHeight);
    DrawPictureFile(TextBitmap, "data\\pictures\\alb.jpg", failures);

    HoldWarningGiven = 0;
    ErrorStreak = 0;
    FillKeyPositions(KeyPositions);
    FillKeyCodeMap(KeyCodeMap);
    // Double buffering is part of the window's layout.
    PauseActive = false;
    KeyReleased = false;
    DroppedSpacePending = false;

    UiPort& ui = app_.ui;
    ui.SetText(FormId::Exercise, "Label2", "Время:");
    ui.SetText(FormId::Exercise, "Label3", "Количество ошибок:");
    ui.SetText(FormId::Exercise, "Label1", "Пройденно:");
    ui.SetText(FormId::Exercise, "BPauza", "Пауза");
    ui.SetText(FormId::Exercise, "BReset", "Начать заново");
    ui.SetText(FormId::Exercise, "Button1", "Выход");

    if (!failures.empty()) throw TastoraError(failures);
}

void ExerciseWindow::Timer1Timer() {
    UiPort& ui = app_.ui;
    if (ClockRunning) {
        ++ElapsedSeconds;
        ui.SetText(FormId::Exercise, "Ltimp", ClockText(ElapsedSeconds));
    }
    if (PauseActive) {
        --PauseSecondsLeft;
        ui.SetText(FormId::Exercise, "Ltimp", ClockText(PauseSecondsLeft));
        if (PauseSecondsLeft <= 0) {
            PauseActive = false;
            ClockRunning = true;
            if (PausesLeft > 0) ui.SetEnabled(FormId::Exercise, "BPauza", true);
            ui.SetTextColor(FormId::Exercise, "Ltimp", kWindowTextColor);
            ui.Hide(FormId::Picture);
            ui.Hide(FormId::Rules);
        }
    }
}

void ExerciseWindow::BPauzaMouseDown() {
    if (PausesLeft <= 0) return;
    PauseSecondsLeft = kPauseSeconds;
    --PausesLeft;
    ClockRunning = false;
    PauseActive = true;
    app_.ui.SetEnabled(FormId::Exercise, "BPauza", false);
    app_.ui.SetTextColor(FormId::Exercise, "Ltimp", kPauseColor);
    app_.ui.ShowMessage(kPauseMessage);
}

void ExerciseWindow::BResetMouseDown() { RestartExercise(); }

void ExerciseWindow::RestartExercise() {
    // Disabled while the exercise loads, so that a second restart cannot begin meanwhile.
    app_.ui.SetEnabled(FormId::Exercise, "BReset", false);
    try {
        StartExercise(app_.login.CurrentLevel);
    } catch (...) {
        // A start that failed leaves the learner a way to try again.
        app_.ui.SetEnabled(FormId::Exercise, "BReset", true);
        throw;
    }
}

// Closing the main window ends the program.
void ExerciseWindow::Button1MouseDown() { app_.ui.Close(FormId::Login); }

void ExerciseWindow::SpeedButton1Click() { app_.ui.Show(FormId::Rules); }
void ExerciseWindow::SpeedButton2Click() { app_.ui.Show(FormId::Info); }

void ExerciseWindow::FormClick() {
    app_.ui.Hide(FormId::Picture);
    app_.ui.Hide(FormId::Rules);
    app_.ui.Hide(FormId::Info);
    app_.ui.Hide(FormId::DonationsView);
}

void ExerciseWindow::FormClose() {
    KeyboardBitmap = Bitmap();
    TextBitmap = Bitmap();
    app_.ui.Terminate();
}

}  // namespace tastora
