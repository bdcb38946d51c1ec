// The exercise window itself: its controls, the exercise clock, the two pauses, restart,
// exit, the rules and info buttons, creation and closing.
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "core/errors.h"
#include "core/image_io.h"
#include "core/ini.h"
#include "exercise/exercise.h"

namespace tastora {

namespace {

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

// The buttons of the window's right-hand column, acting on mouse-down; like the small flat
// buttons, never reached with the keyboard.
ControlSpec PushButton(const char* name, int top, std::function<void()> onMouseDown) {
    ControlSpec control = MakeControl(name, ControlKind::Button, 768, top, 97, 25, name);
    control.onMouseDown = std::move(onMouseDown);
    control.takesFocus = false;
    return control;
}

ControlSpec SmallButton(const char* name, int left, const char* text, std::function<void()> onClick) {
    ControlSpec control = MakeControl(name, ControlKind::FlatButton, left, 8, 23, 22, text);
    control.onClick = std::move(onClick);
    control.font = FontSpec{"MS Sans Serif", 8, 0, true};
    control.takesFocus = false;
    return control;
}

}  // namespace

std::string ClockText(int seconds) {
    if (seconds < 0) seconds = 0;
    char text[24];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

ExerciseWindow::ExerciseWindow(UiPort& ui, const Session& session, CourseFlow& flow, ProgressWindow& progress)
    : ui_(ui), session_(session), flow_(flow), progress_(progress), exercise_(std::make_unique<Exercise>()) {}
ExerciseWindow::~ExerciseWindow() = default;

FormSpec ExerciseWindow::Layout() {
    FormSpec f = MakeForm(FormId::Exercise, "Form2", BorderStyle::Single, true, 874, 539);
    f.keyPreview = true;
    f.doubleBuffered = true;
    Controls& c = controls;

    // This window's labels keep the word-wrap flag (a label that sizes itself never wraps).
    auto label = [&f](const char* name, int left, int top, int width, int height, const char* text,
                      const FontSpec& font = {}) {
        ControlSpec control = MakeControl(name, ControlKind::Label, left, top, width, height, text);
        control.wordWrap = true;
        control.font = font;
        return f.Add<LabelHandle>(control);
    };

    // The captions with the figures of the clock and the error count.
    const FontSpec figures{"Arial", 0, 19, true};
    c.timeCaption = label("Label2", 768, 8, 29, 13, "Label2");
    c.clock = label("Ltimp", 768, 24, 51, 22, "00:00", figures);
    c.errorsCaption = label("Label3", 768, 48, 102, 13, "Label3");
    c.errors = label("Lgres", 768, 64, 11, 22, "0", figures);
    c.linesCaption = label("Label1", 768, 88, 54, 13, "Label1");

    ControlSpec lines = MakeControl("ProgressBar1", ControlKind::ProgressBar, 768, 104, 97, 17);
    lines.smooth = true;
    c.lines = f.Add<ProgressHandle>(lines);

    // Push buttons that act on mouse-down, and the two small flat buttons.
    ControlSpec pause = PushButton("BPauza", 128, [this] { OnPauseMouseDown(); });
    pause.enabled = false;
    c.pause = f.Add<ButtonHandle>(pause);
    c.restart = f.Add<ButtonHandle>(PushButton("BReset", 160, [this] { OnRestartMouseDown(); }));
    c.exit = f.Add<ButtonHandle>(PushButton("Button1", 192, [this] { OnExitMouseDown(); }));
    c.rules = f.Add<ButtonHandle>(SmallButton("SpeedButton1", 824, "?", [this] { OnRulesClick(); }));
    c.info = f.Add<ButtonHandle>(SmallButton("SpeedButton2", 848, "i", [this] { OnInfoClick(); }));

    c.clockTimer = f.AddTimer(TimerSpec{"Timer1", 1000, false, [this] { OnClockTick(); }});
    c.keyTimer = f.AddTimer(TimerSpec{"keytimer", 1, true, [this] { OnKeyTimerTick(); }});

    f.onCreate = [this] { OnCreate(); };
    f.onPaint = [this] { OnPaint(); };
    f.onClick = [this] { OnBackgroundClick(); };
    f.onClose = [this] { OnClose(); };
    f.onKeyDown = [this](uint16_t& key) { OnKeyDown(key); };
    f.onKeyUp = [this](uint16_t& key) { OnKeyUp(key); };
    return f;
}

void ExerciseWindow::OnCreate() {
    exercise_ = std::make_unique<Exercise>();
    gaps_ = KeyGaps();

    // A missing background picture is reported, but the window is still made ready for
    // typing: the remaining steps do not depend on it.
    std::string failures;
    KeyboardBitmap = Bitmap(kKeyboardWidth, kKeyboardHeight);
    DrawPictureFile(KeyboardBitmap, kKeyboardPicture, failures);
    TextBitmap = Bitmap(kTextWidth, kTextHeight);
    DrawPictureFile(TextBitmap, "data\\pictures\\alb.jpg", failures);

    FillKeyPositions(KeyPositions);
    FillKeyCodeMap(KeyCodeMap);
    // Double buffering is part of the window's layout.

    ui_.SetText(controls.timeCaption, "Время:");
    ui_.SetText(controls.errorsCaption, "Количество ошибок:");
    ui_.SetText(controls.linesCaption, "Пройденно:");
    ui_.SetText(controls.pause, "Пауза");
    ui_.SetText(controls.restart, "Начать заново");
    ui_.SetText(controls.exit, "Выход");

    if (!failures.empty()) throw TastoraError(failures);
}

void ExerciseWindow::OnClockTick() {
    const ClockChanges changes = exercise_->Second();
    if (changes.clockShown) ui_.SetText(controls.clock, ClockText(exercise_->Seconds()));
    if (changes.countdownShown) ui_.SetText(controls.clock, ClockText(exercise_->PauseSecondsLeft()));
    if (changes.pauseEnded) {
        if (changes.pauseAvailable) ui_.SetEnabled(controls.pause, true);
        ui_.SetTextColor(controls.clock, kWindowTextColor);
        ui_.Hide(FormId::Picture);
        ui_.Hide(FormId::Rules);
    }
}

void ExerciseWindow::OnPauseMouseDown() {
    if (!exercise_->Pause()) return;
    ui_.SetEnabled(controls.pause, false);
    ui_.SetTextColor(controls.clock, kPauseColor);
    ui_.ShowMessage(kPauseMessage);
}

void ExerciseWindow::OnRestartMouseDown() { RestartExercise(); }

void ExerciseWindow::RestartExercise() {
    // Disabled while the exercise loads, so that a second restart cannot begin meanwhile.
    ui_.SetEnabled(controls.restart, false);
    try {
        StartExercise(session_.CurrentLevel);
    } catch (...) {
        // A start that failed leaves the learner a way to try again.
        ui_.SetEnabled(controls.restart, true);
        throw;
    }
}

// Closing the main window ends the program.
void ExerciseWindow::OnExitMouseDown() { flow_.Report(CourseEvent::ExerciseLeft); }

void ExerciseWindow::OnRulesClick() { ui_.Show(FormId::Rules); }
void ExerciseWindow::OnInfoClick() { ui_.Show(FormId::Info); }

void ExerciseWindow::OnBackgroundClick() {
    ui_.Hide(FormId::Picture);
    ui_.Hide(FormId::Rules);
    ui_.Hide(FormId::Info);
    ui_.Hide(FormId::DonationsView);
}

void ExerciseWindow::OnClose() {
    WriteErrorCounts();
    KeyboardBitmap = Bitmap();
    TextBitmap = Bitmap();
    ui_.Terminate();
}

}  // namespace tastora
