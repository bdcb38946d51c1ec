// The exercise clock, the pauses and the controls of the exercise window on the fake window
// system.
#include "tests/unit/typing_fixture.h"

#include "core/errors.h"

namespace tastora {
namespace typing_test {
namespace {

using Clock = TypingTest;
using ExerciseControls = TypingTest;

const ControlSpec* FindControl(const FormSpec& desc, const std::string& name) {
    for (const auto& c : desc.controls)
        if (c.name == name) return &c;
    return nullptr;
}

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
    EXPECT_EQ(ex.ElapsedSeconds, 0) << "stopped until the first keystroke";
    Press(kVkF);
    for (int t = 1; t <= 601; ++t) {
        Second();
        ASSERT_EQ(ex.ElapsedSeconds, t);
        ASSERT_EQ(Text("Ltimp"), ClockText(t));
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
    ui.MouseDown(FormId::Exercise, "BPauza");
    ui.onMessage = nullptr;
    ASSERT_EQ(ui.messages, std::vector<std::string>{kPauseMessage});
    EXPECT_EQ(Text("Ltimp"), "01:57");
    EXPECT_EQ(ui.control(FormId::Exercise, "Ltimp").color, MakeRgb(0, 0, 255));
    EXPECT_FALSE(ui.IsEnabled(FormId::Exercise, "BPauza"));
    EXPECT_EQ(ex.PausesLeft, 1);
    Second(116);
    EXPECT_EQ(Text("Ltimp"), "00:01");
    EXPECT_EQ(ex.ElapsedSeconds, 5) << "paused time is not counted";
    EXPECT_TRUE(ui.IsVisible(FormId::Rules));

    // Run out: 00:00 at the last tick, the windows of the rules hidden, then the clock again.
    Second();
    EXPECT_EQ(Text("Ltimp"), "00:00");
    EXPECT_FALSE(ex.PauseActive);
    EXPECT_FALSE(ui.IsVisible(FormId::Rules));
    EXPECT_FALSE(ui.IsVisible(FormId::Picture));
    EXPECT_EQ(ui.control(FormId::Exercise, "Ltimp").color, kWindowTextColor);
    EXPECT_TRUE(ui.IsEnabled(FormId::Exercise, "BPauza"));
    Second();
    EXPECT_EQ(Text("Ltimp"), "00:06");
}

TEST_F(Clock, KeystrokeEndsThePauseAndIsJudged) {
    SetRow("33");
    Press(kVkF);
    Second(2);
    ui.MouseDown(FormId::Exercise, "BPauza");
    ui.Show(FormId::Rules);
    ui.Show(FormId::Picture);
    Second(10);
    Press(kVkA);
    EXPECT_EQ(Cell(2), "33r");
    EXPECT_FALSE(ex.PauseActive);
    EXPECT_TRUE(ex.ClockRunning);
    EXPECT_TRUE(ui.IsEnabled(FormId::Exercise, "BPauza"));
    EXPECT_EQ(ui.control(FormId::Exercise, "Ltimp").color, kWindowTextColor);
    EXPECT_TRUE(ui.IsVisible(FormId::Rules)) << "only a countdown that runs out hides them";
    EXPECT_TRUE(ui.IsVisible(FormId::Picture));
    Second();
    EXPECT_EQ(Text("Ltimp"), "00:03");
}

TEST_F(Clock, TwoPausesAndNoThird) {
    SetRow("33");
    Press(kVkF);
    ui.MouseDown(FormId::Exercise, "BPauza");
    Press(kVkF);
    ui.MouseDown(FormId::Exercise, "BPauza");
    EXPECT_EQ(ex.PausesLeft, 0);
    Press(kVkF);
    EXPECT_FALSE(ex.PauseActive);
    EXPECT_FALSE(ui.IsEnabled(FormId::Exercise, "BPauza"));
    ex.BPauzaMouseDown();  // even if it were reached
    EXPECT_FALSE(ex.PauseActive);
    EXPECT_EQ(ui.messages.size(), 2u);
    // A countdown that runs out with no pause left does not enable it either.
    ex.PausesLeft = 0;
    ex.PauseActive = true;
    ex.PauseSecondsLeft = 1;
    Second();
    EXPECT_FALSE(ui.IsEnabled(FormId::Exercise, "BPauza"));
}

TEST_F(Clock, RestartStartsTheClockAndPausesOver) {
    StartLesson(1, {"аовл аовл"});
    Press(kVkF);
    Second(7);
    ui.MouseDown(FormId::Exercise, "BPauza");
    Second(4);
    ui.MouseDown(FormId::Exercise, "BReset");
    EXPECT_LT(ui.LogIndex("Disable Form2.BReset"), ui.LogIndex("Show Fprogres"));
    EXPECT_TRUE(ui.IsEnabled(FormId::Exercise, "BReset"));
    EXPECT_FALSE(ui.TimerEnabled(FormId::Exercise, "Timer1"));
    EXPECT_EQ(Text("Ltimp"), "00:00");
    EXPECT_EQ(ex.ElapsedSeconds, 0);
    EXPECT_EQ(ex.PausesLeft, 2);
    EXPECT_FALSE(ui.IsEnabled(FormId::Exercise, "BPauza"));
    // The pause is still on, and nothing counts it down; the first keystroke ends it.
    EXPECT_TRUE(ex.PauseActive);
    Press(kVkF);
    EXPECT_FALSE(ex.PauseActive);
    EXPECT_TRUE(ex.ClockRunning);
    EXPECT_TRUE(ui.TimerEnabled(FormId::Exercise, "Timer1"));
    EXPECT_TRUE(ui.IsEnabled(FormId::Exercise, "BPauza"));
    EXPECT_EQ(ui.control(FormId::Exercise, "Ltimp").color, kWindowTextColor);
    Second();
    EXPECT_EQ(Text("Ltimp"), "00:01");
}

TEST_F(Clock, FailedRestartLeavesResetUsable) {
    StartLesson(1, {"аовл"});
    WriteTestFile("data\\text\\L1.txt", Utf16Lines({"Урок 1", "Начинаем!", "abc", "1", "TEXT", "ао", "ENDEX"}));
    ui.MouseDown(FormId::Exercise, "BReset");
    EXPECT_EQ(ui.errors.size(), 1u);
    EXPECT_TRUE(ui.IsEnabled(FormId::Exercise, "BReset"));
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
    for (const char* name : {"Ltimp", "Lgres"}) {
        const ControlSpec* c = FindControl(f, name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->font.face, "Arial");
        EXPECT_EQ(c->font.pixelHeight, 19);
        EXPECT_TRUE(c->font.bold);
    }
    EXPECT_TRUE(FindControl(f, "ProgressBar1")->smooth);
    for (const char* name : {"BPauza", "BReset", "Button1"}) {
        const ControlSpec* c = FindControl(f, name);
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->takesFocus) << name;
        EXPECT_EQ(c->tabOrder, -1) << name;
        EXPECT_TRUE(c->onMouseDown) << name;
        EXPECT_FALSE(c->onClick) << name;
    }
    EXPECT_FALSE(FindControl(f, "BPauza")->enabled);
    EXPECT_EQ(FindControl(f, "SpeedButton1")->text, "?");
    EXPECT_EQ(FindControl(f, "SpeedButton2")->text, "i");
    ASSERT_EQ(f.timers.size(), 2u);
    EXPECT_EQ(f.timers[0].name, "Timer1");
    EXPECT_EQ(f.timers[0].intervalMs, 1000u);
    EXPECT_FALSE(f.timers[0].enabled);
    EXPECT_EQ(f.timers[1].name, "keytimer");
    EXPECT_EQ(f.timers[1].intervalMs, 1u);
    EXPECT_TRUE(f.timers[1].enabled);

    EXPECT_EQ(Text("Label2"), "Время:");
    EXPECT_EQ(Text("Label3"), "Количество ошибок:");
    EXPECT_EQ(Text("Label1"), "Пройденно:");
    EXPECT_EQ(Text("BPauza"), "Пауза");
    EXPECT_EQ(Text("BReset"), "Начать заново");
    EXPECT_EQ(Text("Button1"), "Выход");
}

TEST_F(ExerciseControls, ClickOnTheWindowHidesTheSmallWindows) {
    for (FormId id : {FormId::Picture, FormId::Rules, FormId::Info, FormId::DonationsView, FormId::Donations, FormId::Closing})
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
    ui.Click(FormId::Exercise, "SpeedButton1");
    EXPECT_TRUE(ui.IsVisible(FormId::Rules));
    ui.Click(FormId::Exercise, "SpeedButton2");
    EXPECT_TRUE(ui.IsVisible(FormId::Info));
    EXPECT_TRUE(ex.ClockRunning);
    EXPECT_TRUE(ui.TimerEnabled(FormId::Exercise, "Timer1"));
}

TEST_F(ExerciseControls, ExitButtonClosesTheMainWindow) {
    ui.MouseDown(FormId::Exercise, "Button1");
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
    EXPECT_FALSE(RunGuarded(ui, [&] { app.exercise.FormCreate(); }));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("k.jpg"), std::string::npos);
    EXPECT_NE(ui.errors[0].find("alb.jpg"), std::string::npos);
    ASSERT_EQ(app.exercise.KeyboardBitmap.Width(), 857);
    EXPECT_EQ(app.exercise.TextBitmap.Height(), 233);
    EXPECT_EQ(app.exercise.KeyCodeMap[70], 33);
    EXPECT_EQ(app.exercise.KeyPositions[61].x, 785);
    EXPECT_EQ(ui.Text(FormId::Exercise, "BReset"), "Начать заново");
}

}  // namespace
}  // namespace typing_test
}  // namespace tastora
