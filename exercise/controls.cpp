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

ControlSpec Label(const std::string& name, int left, int top, int width, int height,
                  const std::string& text) {
    ControlSpec c;
    c.name = name;
    c.kind = ControlKind::Label;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.text = text;
    c.autoSize = true;
    return c;
}

// The figures of the clock and the error count.
ControlSpec FigureLabel(const std::string& name, int top, int width, const std::string& text) {
    ControlSpec c = Label(name, 768, top, width, 22, text);
    c.font = FontSpec{"Arial", 0, 19, true};
    return c;
}

// A push button that acts on mouse-down and is never reached with the keyboard.
ControlSpec MouseDownButton(const std::string& name, int top, std::function<void()> handler) {
    ControlSpec c;
    c.name = name;
    c.kind = ControlKind::Button;
    c.left = 768;
    c.top = top;
    c.width = 97;
    c.height = 25;
    c.text = name;
    c.tabOrder = -1;
    c.takesFocus = false;
    c.onMouseDown = std::move(handler);
    return c;
}

ControlSpec SmallButton(const std::string& name, int left, const std::string& text,
                        std::function<void()> handler) {
    ControlSpec c;
    c.name = name;
    c.kind = ControlKind::FlatButton;
    c.left = left;
    c.top = 8;
    c.width = 23;
    c.height = 22;
    c.text = text;
    c.font = FontSpec{"MS Sans Serif", 8, 0, true};
    c.tabOrder = -1;
    c.takesFocus = false;
    c.onClick = std::move(handler);
    return c;
}

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

TForm2::TForm2(Tastora& app) : app_(app) {}
TForm2::~TForm2() = default;

FormSpec TForm2::Layout() {
    FormSpec f;
    f.id = FormId::Form2;
    f.caption = "Form2";
    f.border = BorderStyle::Single;
    f.clientSize = true;
    f.width = 874;
    f.height = 539;
    f.centered = true;
    f.font = FontSpec{"MS Sans Serif", 8, 0, false};
    f.keyPreview = true;
    f.doubleBuffered = true;

    f.controls.push_back(Label("Label2", 768, 8, 29, 13, "Label2"));
    f.controls.push_back(FigureLabel("Ltimp", 24, 51, "00:00"));
    f.controls.push_back(Label("Label3", 768, 48, 102, 13, "Label3"));
    f.controls.push_back(FigureLabel("Lgres", 64, 11, "0"));
    f.controls.push_back(Label("Label1", 768, 88, 54, 13, "Label1"));

    ControlSpec progress;
    progress.name = "ProgressBar1";
    progress.kind = ControlKind::ProgressBar;
    progress.left = 768;
    progress.top = 104;
    progress.width = 97;
    progress.height = 17;
    progress.smooth = true;
    f.controls.push_back(progress);

    ControlSpec pause = MouseDownButton("BPauza", 128, [this] { BPauzaMouseDown(); });
    pause.enabled = false;
    f.controls.push_back(pause);
    f.controls.push_back(MouseDownButton("BReset", 160, [this] { BResetMouseDown(); }));
    f.controls.push_back(MouseDownButton("Button1", 192, [this] { Button1MouseDown(); }));
    f.controls.push_back(SmallButton("SpeedButton1", 824, "?", [this] { SpeedButton1Click(); }));
    f.controls.push_back(SmallButton("SpeedButton2", 848, "i", [this] { SpeedButton2Click(); }));

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

void TForm2::FormCreate() {
    LinesStarted = 0;

    // A missing background picture is reported, but the window is still made ready for
    // typing: the remaining steps do not depend on it.
    std::string failures;
    KeyboardBitmap = Bitmap(857, 289);
    DrawPictureFile(KeyboardBitmap, "data\\pictures\\butoane\\k.jpg", failures);
    TextBitmap = Bitmap(737, 233);
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
    ui.SetText(FormId::Form2, "Label2", "Время:");
    ui.SetText(FormId::Form2, "Label3", "Количество ошибок:");
    ui.SetText(FormId::Form2, "Label1", "Пройденно:");
    ui.SetText(FormId::Form2, "BPauza", "Пауза");
    ui.SetText(FormId::Form2, "BReset", "Начать заново");
    ui.SetText(FormId::Form2, "Button1", "Выход");

    if (!failures.empty()) throw TastoraError(failures);
}

void TForm2::Timer1Timer() {
    UiPort& ui = app_.ui;
    if (ClockRunning) {
        ++ElapsedSeconds;
        ui.SetText(FormId::Form2, "Ltimp", ClockText(ElapsedSeconds));
    }
    if (PauseActive) {
        --PauseSecondsLeft;
        ui.SetText(FormId::Form2, "Ltimp", ClockText(PauseSecondsLeft));
        if (PauseSecondsLeft <= 0) {
            PauseActive = false;
            ClockRunning = true;
            if (PausesLeft > 0) ui.SetEnabled(FormId::Form2, "BPauza", true);
            ui.SetTextColor(FormId::Form2, "Ltimp", kWindowTextColor);
            ui.Hide(FormId::Fpic);
            ui.Hide(FormId::fh);
        }
    }
}

void TForm2::BPauzaMouseDown() {
    if (PausesLeft <= 0) return;
    PauseSecondsLeft = kPauseSeconds;
    --PausesLeft;
    ClockRunning = false;
    PauseActive = true;
    app_.ui.SetEnabled(FormId::Form2, "BPauza", false);
    app_.ui.SetTextColor(FormId::Form2, "Ltimp", kPauseColor);
    app_.ui.ShowMessage(kPauseMessage);
}

void TForm2::BResetMouseDown() {
    // Disabled while the exercise loads, so that a second restart cannot begin meanwhile.
    app_.ui.SetEnabled(FormId::Form2, "BReset", false);
    try {
        StartExercise(app_.Form1.CurrentLevel);
    } catch (...) {
        // A start that failed leaves the learner a way to try again.
        app_.ui.SetEnabled(FormId::Form2, "BReset", true);
        throw;
    }
}

// Closing the main window ends the program.
void TForm2::Button1MouseDown() { app_.ui.Close(FormId::Form1); }

void TForm2::SpeedButton1Click() { app_.ui.Show(FormId::fh); }
void TForm2::SpeedButton2Click() { app_.ui.Show(FormId::Fi); }

void TForm2::FormClick() {
    app_.ui.Hide(FormId::Fpic);
    app_.ui.Hide(FormId::fh);
    app_.ui.Hide(FormId::Fi);
    app_.ui.Hide(FormId::Donatii2);
}

void TForm2::FormClose() {
    KeyboardBitmap = Bitmap();
    TextBitmap = Bitmap();
    app_.ui.Terminate();
}

}  // namespace tastora
