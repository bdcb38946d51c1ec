// The exercise clock, the pauses and the controls of the exercise window on the fake window
// system.
#include "tests/unit/typing_fixture.h"

#include "core/errors.h"

namespace tastora {
namespace typing_test {
namespace {

using Clock = TypingTest;
using ExerciseControls = TypingTest;

TEST(ClockText, MinutesAndSecondsWithTwoDigits) {
    EXPECT_EQ(ClockText(0), "00:00");
    EXPECT_EQ(ClockText(9), "00:09");
    EXPECT_EQ(ClockText(10), "00:10");
    EXPECT_EQ(ClockText(59), "00:59");
    EXPECT_EQ(ClockText(60), "01:00");
    EXPECT_EQ(ClockText(65), "01:05");
    EXPECT_EQ(ClockText(599), "09:59");
    EXPECT_EQ(ClockText(600), "10:00");
    EXPECT_EQ(ClockText(750), "12:30");
    EXPECT_EQ(ClockText(6000), "100:00");
    EXPECT_EQ(ClockText(-3), "00:00");
}

TEST_F(Clock, CountsEverySecondFromTheFirstKeystroke) {
    SetRow("33");
    Second(3);
    EXPECT_EQ(ex.exercise().Seconds(), 0) << "stopped until the first keystroke";
    Press(kVkF);
    for (int t = 1; t <= 601; ++t) {
        Second();
        ASSERT_EQ(ex.exercise().Seconds(), t);
        ASSERT_EQ(Text(ex.controls.clock), ClockText(t));
    }
}

TEST_F(Clock, PauseFreezesTheClockAndCountsDown) {
    SetRow("33");
    Press(kVkF);
    Second(5);
    ui.Show(FormId::Rules);
    ui.Show(FormId::Picture);
    // The countdown runs while the message is open.
    ui.onMessage = [&](const std::string&) { Second(3); };
    ui.MouseDown(ex.controls.pause);
    ui.onMessage = nullptr;
    ASSERT_EQ(ui.messages, std::vector<std::string>{kPauseMessage});
    EXPECT_EQ(Text(ex.controls.clock), "01:57");
    EXPECT_EQ(ui.control(ex.controls.clock).color, MakeRgb(0, 0, 255));
    EXPECT_FALSE(ui.IsEnabled(ex.controls.pause));
    EXPECT_EQ(ex.exercise().PausesLeft(), 1);
    Second(116);
    EXPECT_EQ(Text(ex.controls.clock), "00:01");
    EXPECT_EQ(ex.exercise().Seconds(), 5) << "paused time is not counted";
    EXPECT_TRUE(ui.IsVisible(FormId::Rules));

    // Run out: 00:00 at the last tick, the windows of the rules hidden, then the clock again.
    Second();
    EXPECT_EQ(Text(ex.controls.clock), "00:00");
    EXPECT_FALSE(ex.exercise().PauseActive());
    EXPECT_FALSE(ui.IsVisible(FormId::Rules));
    EXPECT_FALSE(ui.IsVisible(FormId::Picture));
    EXPECT_EQ(ui.control(ex.controls.clock).color, kWindowTextColor);
    EXPECT_TRUE(ui.IsEnabled(ex.controls.pause));
    Second();
    EXPECT_EQ(Text(ex.controls.clock), "00:06");
}

TEST_F(Clock, KeystrokeEndsThePauseAndIsJudged) {
    SetRow("33");
    Press(kVkF);
    Second(2);
    ui.MouseDown(ex.controls.pause);
    ui.Show(FormId::Rules);
    ui.Show(FormId::Picture);
    Second(10);
    Press(kVkA);
    EXPECT_EQ(CellAt(2), "33r");
    EXPECT_FALSE(ex.exercise().PauseActive());
    EXPECT_TRUE(ex.exercise().ClockRunning());
    EXPECT_TRUE(ui.IsEnabled(ex.controls.pause));
    EXPECT_EQ(ui.control(ex.controls.clock).color, kWindowTextColor);
    EXPECT_TRUE(ui.IsVisible(FormId::Rules)) << "only a countdown that runs out hides them";
    EXPECT_TRUE(ui.IsVisible(FormId::Picture));
    Second();
    EXPECT_EQ(Text(ex.controls.clock), "00:03");
}

TEST_F(Clock, TwoPausesAndNoThird) {
    SetRow("33");
    Press(kVkF);
    ui.MouseDown(ex.controls.pause);
    Press(kVkF);
    ui.MouseDown(ex.controls.pause);
    EXPECT_EQ(ex.exercise().PausesLeft(), 0);
    Press(kVkF);
    EXPECT_FALSE(ex.exercise().PauseActive());
    EXPECT_FALSE(ui.IsEnabled(ex.controls.pause));
    ex.OnPauseMouseDown();  // even if it were reached
    EXPECT_FALSE(ex.exercise().PauseActive());
    EXPECT_EQ(ui.messages.size(), 2u);
    // A countdown that runs out with no pause left does not enable it either.
    SetRow("33");
    Press(kVkF);
    ex.OnPauseMouseDown();
    Press(kVkF);
    ex.OnPauseMouseDown();
    Second(120);
    EXPECT_FALSE(ex.exercise().PauseActive());
    EXPECT_FALSE(ui.IsEnabled(ex.controls.pause));
}

TEST_F(Clock, RestartStartsTheClockAndPausesOver) {
    StartLesson(1, {"аовл аовл"});
    Press(kVkF);
    Second(7);
    ui.MouseDown(ex.controls.pause);
    Second(4);
    ui.MouseDown(ex.controls.restart);
    EXPECT_LT(ui.LogIndex("Disable Form2.BReset"), ui.LogIndex("Show Fprogres"));
    EXPECT_TRUE(ui.IsEnabled(ex.controls.restart));
    EXPECT_FALSE(ui.TimerEnabled(ex.controls.clockTimer));
    EXPECT_EQ(Text(ex.controls.clock), "00:00");
    EXPECT_EQ(ex.exercise().Seconds(), 0);
    EXPECT_EQ(ex.exercise().PausesLeft(), 2);
    EXPECT_FALSE(ui.IsEnabled(ex.controls.pause));
    // No pause goes on into the new exercise; the first keystroke starts the clock.
    EXPECT_FALSE(ex.exercise().PauseActive());
    EXPECT_EQ(ui.control(ex.controls.clock).color, kWindowTextColor);
    Press(kVkF);
    EXPECT_TRUE(ex.exercise().ClockRunning());
    EXPECT_TRUE(ui.TimerEnabled(ex.controls.clockTimer));
    EXPECT_TRUE(ui.IsEnabled(ex.controls.pause));
    EXPECT_EQ(ui.control(ex.controls.clock).color, kWindowTextColor);
    Second();
    EXPECT_EQ(Text(ex.controls.clock), "00:01");
}

TEST_F(Clock, FailedRestartLeavesResetUsable) {
    StartLesson(1, {"аовл"});
    WriteTestFile("data\\text\\L1.txt", Utf16Lines({"Урок 1", "Начинаем!", "abc", "1", "TEXT", "ао", "ENDEX"}));
    ui.MouseDown(ex.controls.restart);
    EXPECT_EQ(ui.errors.size(), 1u);
    EXPECT_TRUE(ui.IsEnabled(ex.controls.restart));
}

TEST_F(ExerciseControls, WindowAndControls) {
    const FormSpec& f = ui.form(FormId::Exercise).desc;
    EXPECT_EQ(f.border, BorderStyle::Single);
    EXPECT_TRUE(f.clientSize);
    EXPECT_EQ(f.width, 874);
    EXPECT_EQ(f.height, 539);
    EXPECT_TRUE(f.centered);
    EXPECT_TRUE(f.keyPreview);
    EXPECT_TRUE(f.doubleBuffered);
    EXPECT_EQ(f.font.face, "MS Sans Serif");
    EXPECT_EQ(f.font.points, 8);
    const ExerciseWindow::Controls& c = ex.controls;
    for (LabelHandle figure : {c.clock, c.errors}) {
        const ControlSpec* control = f.Find(figure);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->font.face, "Arial");
        EXPECT_EQ(control->font.pixelHeight, 19);
        EXPECT_TRUE(control->font.bold);
    }
    // Other programs find the clock and the error count by their names.
    EXPECT_EQ(f.Find(c.clock)->name, "Ltimp");
    EXPECT_EQ(f.Find(c.errors)->name, "Lgres");
    EXPECT_TRUE(f.Find(c.lines)->smooth);
    for (ButtonHandle button : {c.pause, c.restart, c.exit}) {
        const ControlSpec* control = f.Find(button);
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(control->takesFocus) << control->name;
        EXPECT_EQ(control->tabOrder, -1) << control->name;
        EXPECT_TRUE(control->onMouseDown) << control->name;
        EXPECT_FALSE(control->onClick) << control->name;
    }
    EXPECT_FALSE(f.Find(c.pause)->enabled);
    EXPECT_EQ(f.Find(c.rules)->text, "?");
    EXPECT_EQ(f.Find(c.info)->text, "i");
    ASSERT_EQ(f.timers.size(), 2u);
    EXPECT_EQ(f.Find(c.clockTimer)->name, "Timer1");
    EXPECT_EQ(f.Find(c.clockTimer)->intervalMs, 1000u);
    EXPECT_FALSE(f.Find(c.clockTimer)->enabled);
    EXPECT_EQ(f.Find(c.keyTimer)->name, "keytimer");
    EXPECT_EQ(f.Find(c.keyTimer)->intervalMs, 1u);
    EXPECT_TRUE(f.Find(c.keyTimer)->enabled);

    EXPECT_EQ(Text(ex.controls.timeCaption), "Время:");
    EXPECT_EQ(Text(ex.controls.errorsCaption), "Количество ошибок:");
    EXPECT_EQ(Text(ex.controls.linesCaption), "Пройденно:");
    EXPECT_EQ(Text(ex.controls.pause), "Пауза");
    EXPECT_EQ(Text(ex.controls.restart), "Начать заново");
    EXPECT_EQ(Text(ex.controls.exit), "Выход");
}

TEST_F(ExerciseControls, ClickOnTheWindowHidesTheSmallWindows) {
    for (FormId id :
         {FormId::Picture, FormId::Rules, FormId::Info, FormId::DonationsView, FormId::Donations, FormId::Closing})
        ui.Show(id);
    Forget();
    ui.ClickBackground(FormId::Exercise);
    EXPECT_EQ(ui.log, (std::vector<std::string>{"Hide Fpic", "Hide fh", "Hide Fi", "Hide Donatii2"}));
    EXPECT_TRUE(ui.IsVisible(FormId::Donations));
    EXPECT_TRUE(ui.IsVisible(FormId::Closing));
}

TEST_F(ExerciseControls, RulesAndInfoLeaveTheClockRunning) {
    SetRow("33");
    Press(kVkF);
    ui.Click(ex.controls.rules);
    EXPECT_TRUE(ui.IsVisible(FormId::Rules));
    ui.Click(ex.controls.info);
    EXPECT_TRUE(ui.IsVisible(FormId::Info));
    EXPECT_TRUE(ex.exercise().ClockRunning());
    EXPECT_TRUE(ui.TimerEnabled(ex.controls.clockTimer));
}

TEST_F(ExerciseControls, ExitButtonClosesTheMainWindow) {
    ui.MouseDown(ex.controls.exit);
    EXPECT_NE(ui.LogIndex("Close Form1"), -1);
    EXPECT_TRUE(ui.terminated);
}

TEST_F(ExerciseControls, CloseBoxEndsTheProgram) {
    ui.CloseBox(FormId::Exercise);
    EXPECT_TRUE(ui.terminated);
    EXPECT_TRUE(ex.KeyboardBitmap.Empty());
    EXPECT_TRUE(ex.TextBitmap.Empty());
    ui.Paint(FormId::Exercise);  // a late repaint must not fail
    EXPECT_TRUE(ui.errors.empty());
}

TEST(ExerciseWindowCreation, MissingBackgroundIsReportedButTypingWorks) {
    TempDataDir dir;
    FakeUi ui;
    Tastora app(ui);
    ui.CreateForm(app.exercise.Layout());
    // No picture files at all: reported, but the window is still made ready for typing.
    EXPECT_FALSE(RunGuarded(ui, [&] { app.exercise.OnCreate(); }));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("k.jpg"), std::string::npos);
    EXPECT_NE(ui.errors[0].find("alb.jpg"), std::string::npos);
    ASSERT_EQ(app.exercise.KeyboardBitmap.Width(), 857);
    EXPECT_EQ(app.exercise.TextBitmap.Height(), 233);
    EXPECT_EQ(app.exercise.KeyCodeMap[70], 33);
    EXPECT_EQ(app.exercise.KeyPositions[61].x, 785);
    EXPECT_EQ(ui.Text(app.exercise.controls.restart), "Начать заново");
}

}  // namespace
}  // namespace typing_test
}  // namespace tastora
