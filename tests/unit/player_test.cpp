// The presentation player and the provisioning of its Flash control, on the fake window
// system: what the learner sees after each lesson, the right-button filter, the control's
// failures, the installation of the program's own control file, and RunAndWait.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/files.h"
#include "core/regional.h"
#include "tests/support/exercise_data.h"
#include "tests/support/fake_ui.h"
#include "tests/support/recording_flow.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

const char kTarget[] = "C:\\windows\\system32\\SWFLASH.OCX";
const char kRegsvr[] = "C:\\windows\\system32\\regsvr32.exe /s C:\\WINDOWS\\SYSTEM32\\SWFLASH.OCX";
const char kNotFound[] = "Unable to find Macromedia Shockwave Flash.";
const char kNotRegistered[] = "Unable to register Macromedia Shockwave Flash.";
const char kBeside[] = "C:\\Tastora\\SWFLASH.OCX";
const char kUserFolder[] = "C:\\Users\\u\\AppData\\Local\\Tastora";
const char kUserCopy[] = "C:\\Users\\u\\AppData\\Local\\Tastora\\SWFLASH.OCX";

std::string Movie(const std::string& folder, int lesson) {
    return AbsolutePath("data\\pictures\\" + folder + "\\" + std::to_string(lesson) + ".swf");
}

// One run of the program on the fake window system, in a data folder of its own.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteLetterTable();
        LinkCoursePictures();
    }
    void Start() {
        app.Run();
        ui.log.clear();
        ui.errors.clear();  // the windows' own files are not part of these tests
    }
    // Lesson N just completed (its test or review passed), the profile at the next exercise;
    // then "Далее".
    void Complete(int lesson) {
        const int next = lesson + 1;
        WriteTestFile("data\\text\\L" + std::to_string(next) + ".txt",
                      LessonFileBytes("Урок " + std::to_string(next), "Начинаем!", 1, {"фыва олдж"}));
        app.session.PreviousLevel = lesson + (lesson % 4 == 0 ? 0.3 : 0.2);
        app.session.ExercisePassed = true;
        app.session.LevelCompleted = true;
        app.session.CurrentLevel = next + 0.1;
        ui.Show(FormId::Results);
        ui.log.clear();
        ui.PressEnter(FormId::Results);
    }
    std::string Put(int dispid) {
        const auto& p = ui.control(app.player.controls.flash).properties;
        auto it = p.find(dispid);
        return it == p.end() ? std::string() : it->second;
    }
    // What the screen shows now.
    std::string Seen() {
        if (ui.IsVisible(FormId::Player))
            return Put(flash::DispidOf(flash::Member::Movie)).find("prezentari") != std::string::npos ? "presentation"
                                                                                                      : "book";
        if (ui.IsVisible(FormId::Donations)) return "donations";
        if (ui.IsVisible(FormId::Closing)) return "closing";
        if (ui.IsVisible(FormId::Exercise)) return "exercise " + ui.Caption(FormId::Exercise);
        return "nothing";
    }

    TempDataDir dir;
    FakeUi ui;
    Tastora app{ui};
};

// Lesson N of the table "what the learner sees": one fresh run each.
class LessonEnd : public PlayerTest, public ::testing::WithParamInterface<int> {};

TEST_P(LessonEnd, WhatTheLearnerSees) {
    const int n = GetParam();
    const std::string next = "exercise Урок " + std::to_string(n + 1);
    std::vector<std::string> expected;  // after "Далее", then after each key
    if (n == 5)
        expected = {"book", "presentation", "donations"};
    else if (n <= 6)
        expected = {"book", "presentation", next};
    else if (n < 16)
        expected = {"book", next};
    else
        expected = {"book", "closing"};

    Start();
    Complete(n);
    std::vector<std::string> seen = {Seen()};
    EXPECT_EQ(Put(flash::DispidOf(flash::Member::Movie)), Movie("carti", n));
    EXPECT_FALSE(ui.IsVisible(FormId::Results));
    EXPECT_FALSE(app.session.PresentationShown);
    while (ui.IsVisible(FormId::Player) && seen.size() < 4) {
        ui.KeyDown(FormId::Player, 'A');
        seen.push_back(Seen());
    }
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
    // The hidden player keeps the presentation of lessons 1 to 6, stopped.
    if (n <= 6) {
        EXPECT_EQ(Put(flash::DispidOf(flash::Member::Movie)), Movie("prezentari", n));
    }
    EXPECT_EQ(Put(flash::DispidOf(flash::Member::Playing)), "false");
    if (n == 5) {
        ui.Click(app.donations.controls.next);
        EXPECT_EQ(Seen(), next);
    }
}

INSTANTIATE_TEST_SUITE_P(Lessons, LessonEnd, ::testing::Range(1, 17));

TEST_F(PlayerTest, TheMovieCoversTheScreenWhateverThePanel) {
    ui.screenWidth = 800;
    ui.screenHeight = 600;
    Start();
    app.player.PlaySwf("C:\\m.swf");
    const Rect screen{0, 0, 800, 600};
    auto covers = [&] {
        const Rect r = ui.Bounds(app.player.controls.flash);
        return r.left == screen.left && r.top == screen.top && r.width == screen.width && r.height == screen.height;
    };
    EXPECT_TRUE(covers());
    EXPECT_LT(ui.LogIndex("Put ShockwaveFlash1 102=C:\\m.swf"), ui.LogIndex("Invoke ShockwaveFlash1 112"));
    ui.SetBounds(app.player.controls.flash, Rect{96, 32, 192, 192});
    ui.SetBounds(app.player.controls.panel, Rect{0, 0, 300, 200});
    EXPECT_TRUE(covers());
}

TEST_F(PlayerTest, AFailingControlStopsTheHandler) {
    Start();
    ui.failDispatchCode = long(0x80004005);
    Complete(3);
    EXPECT_EQ(ui.errors.size(), 1u);
    EXPECT_TRUE(ui.IsVisible(FormId::Results));  // the window switch is skipped
    EXPECT_FALSE(ui.IsVisible(FormId::Player));

    // In the player: the presentation is tried again on the next key.
    ui.failDispatchCode = 0;
    Complete(3);
    ui.failDispatchCode = long(0x80004005);
    ui.KeyDown(FormId::Player, ' ');
    EXPECT_FALSE(app.session.PresentationShown);
    EXPECT_TRUE(ui.IsVisible(FormId::Player));
    ui.failDispatchCode = 0;
    ui.KeyDown(FormId::Player, ' ');
    EXPECT_TRUE(app.session.PresentationShown);
    EXPECT_EQ(Put(flash::DispidOf(flash::Member::Movie)), Movie("prezentari", 3));
}

TEST_F(PlayerTest, RightButtonPressesAreDroppedOnlyWithThePlayer) {
    struct Case {
        bool control;
        uint32_t message;
        bool delivered;
    } cases[] = {{true, 0x0204, false}, {true, 0x0205, true},  {true, 0x0206, true},
                 {true, 0x0201, true},  {false, 0x0204, true}, {false, 0x0205, true}};
    for (const Case& c : cases) {
        TempDataDir own;
        FakeUi system;
        if (!c.control) {
            system.registeredClasses.clear();
            system.resources.clear();
        }
        Tastora program(system);
        program.Run();
        EXPECT_EQ(program.FlashPlayerCreated, c.control);
        EXPECT_EQ(system.Deliver(c.message), c.delivered) << std::hex << c.message << " control " << c.control;
    }
}

TEST_F(PlayerTest, WithoutAPlayerTheCourseGoesOnAsAfterTheLastKey) {
    ui.registeredClasses.clear();
    ui.registrationAllowed = false;
    Start();
    ASSERT_FALSE(app.FlashPlayerCreated);
    const struct {
        int lesson;
        std::string seen;
    } cases[] = {{3, "exercise Урок 4"}, {5, "donations"}, {9, "exercise Урок 10"}, {16, "closing"}};
    for (const auto& c : cases) {
        ui.Hide(FormId::Exercise);
        ui.Hide(FormId::Donations);
        ui.Hide(FormId::Closing);
        Complete(c.lesson);
        EXPECT_EQ(Seen(), c.seen) << c.lesson;
        EXPECT_FALSE(ui.IsVisible(FormId::Results));
        EXPECT_EQ(ui.Count("Show flashplayer"), 0);
        EXPECT_EQ(ui.Count("Put "), 0);
    }
}

// ---------------------------------------------------------------- the road

std::string Written(const Move& m) {
    switch (m.kind) {
        case Move::Show: return std::string("Show ") + FormObjectName(m.form);
        case Move::Hide: return std::string("Hide ") + FormObjectName(m.form);
        case Move::StartExercise: return "Start " + FormatReal(m.level, '.');
        case Move::PlayBook: return "Book " + std::to_string(m.lesson);
        case Move::PlayPresentation: return "Presentation " + std::to_string(m.lesson);
        case Move::StopMovie: return "Stop";
        case Move::PresentationShown: return "Shown";
        case Move::PresentationNotShown: return "NotShown";
        case Move::FinishCourse: return "Finished";
        case Move::EndProgram: return "End";
        case Move::Terminate: return "Terminate";
    }
    return "?";
}

// Every step of the course from the login to the end, as the program body takes it.
TEST(Road, EveryStepOfTheCourse) {
    using E = CourseEvent;
    enum Step { Login, NewProfile, Event };
    struct Row {
        const char* moment;
        Step step;
        E event;
        double previous, current;  // the lesson judged last; the profile's level
        bool passed, completed, shown, finished;
        std::vector<std::string> moves;
        bool player = true;
    };
    const std::string ex = "Show Form2", book = "Show flashplayer", gone = "Hide flashplayer";
    const Row rows[] = {
        {"login at the start", Login, {}, 0, 1.1, 0, 0, 0, 0, {"Hide Form1", ex, "Start 1.1"}},
        {"login at the last review", Login, {}, 0, 16.3, 0, 0, 0, 0, {"Hide Form1", ex, "Start 16.3"}},
        {"login after the course", Login, {}, 0, 17.1, 0, 0, 0, 0, {"Hide Form1", "Show Form6"}},
        {"a new profile", NewProfile, {}, 0, 1.1, 0, 0, 0, 0, {"Hide Form1", "Show Donatii"}},
        {"new profile's donations", Event, E::DonationsLeft, 0, 1.1, 0, 0, 0, 0, {ex, "Hide Donatii", "Start 1.1"}},
        {"exercise typed", Event, E::ExerciseEnded, 0, 2.1, 0, 0, 0, 0, {"Show Form3", "Hide Form2"}},
        {"a fail", Event, E::ResultsLeft, 2.1, 2.1, 0, 0, 0, 0, {"Hide Form3", ex, "Start 2.1"}},
        {"on to the test", Event, E::ResultsLeft, 2.1, 2.2, 1, 0, 0, 0, {"Hide Form3", ex, "Start 2.2"}},
        {"on to the review", Event, E::ResultsLeft, 4.2, 4.3, 1, 0, 0, 0, {"Hide Form3", ex, "Start 4.3"}},
        {"lesson 1 done", Event, E::ResultsLeft, 1.2, 2.1, 1, 1, 1, 0, {"NotShown", "Book 1", "Hide Form3", book}},
        {"lesson 1's book", Event, E::MovieKey, 1.2, 2.1, 1, 1, 0, 0, {"Presentation 1", "Shown", "Stop"}},
        {"lesson 1's presentation",
         Event,
         E::MovieKey,
         1.2,
         2.1,
         1,
         1,
         1,
         0,
         {gone, ex, "Start 2.1", "Presentation 1", "Shown", "Stop"}},
        {"lesson 4 done after its review",
         Event,
         E::ResultsLeft,
         4.3,
         5.1,
         1,
         1,
         0,
         0,
         {"NotShown", "Book 4", "Hide Form3", book}},
        {"lesson 5's book", Event, E::MovieKey, 5.2, 6.1, 1, 1, 0, 0, {"Presentation 5", "Shown", "Stop"}},
        {"lesson 5's presentation", Event, E::MovieKey, 5.2, 6.1, 1, 1, 1, 0, {gone, "Show Donatii"}},
        {"donations after lesson 5", Event, E::DonationsLeft, 5.2, 6.1, 1, 1, 1, 0, {ex, "Hide Donatii", "Start 6.1"}},
        {"lesson 6's presentation",
         Event,
         E::MovieKey,
         6.2,
         7.1,
         1,
         1,
         1,
         0,
         {gone, ex, "Start 7.1", "Presentation 6", "Shown", "Stop"}},
        {"lesson 7's book", Event, E::MovieKey, 7.2, 8.1, 1, 1, 0, 0, {gone, ex, "Start 8.1", "Shown", "Stop"}},
        {"lesson 12's book", Event, E::MovieKey, 12.3, 13.1, 1, 1, 0, 0, {gone, ex, "Start 13.1", "Shown", "Stop"}},
        {"lesson 16 done", Event, E::ResultsLeft, 16.3, 16.3, 1, 1, 0, 0, {"NotShown", "Book 16", "Hide Form3", book}},
        {"lesson 16's book", Event, E::MovieKey, 16.3, 16.3, 1, 1, 0, 0, {"Show Form6", gone, "Shown", "Stop"}},
        {"closing address", Event, E::ClosingLeft, 16.3, 16.3, 1, 1, 1, 0, {"Finished", "Show Donatii", "Hide Form6"}},
        {"donations after the course", Event, E::DonationsLeft, 16.3, 16.3, 1, 1, 1, 1, {"End"}},
        // The player closed by the system whatever it shows.
        {"player closed after lesson 3", Event, E::PlayerClosed, 3.2, 4.1, 1, 1, 1, 0, {gone, ex, "Start 4.1", "Stop"}},
        {"player closed after lesson 5", Event, E::PlayerClosed, 5.2, 6.1, 1, 1, 0, 0, {gone, "Show Donatii", "Stop"}},
        {"player closed after lesson 16", Event, E::PlayerClosed, 16.3, 16.3, 1, 1, 0, 0, {gone, "Show Form6", "Stop"}},
        // Without a presentation window a completed lesson leads on as after the player.
        {"lesson 3 without player",
         Event,
         E::ResultsLeft,
         3.2,
         4.1,
         1,
         1,
         0,
         0,
         {"Hide Form3", ex, "Start 4.1"},
         false},
        {"lesson 5 without player", Event, E::ResultsLeft, 5.2, 6.1, 1, 1, 0, 0, {"Hide Form3", "Show Donatii"}, false},
        {"lesson 16 without player",
         Event,
         E::ResultsLeft,
         16.3,
         16.3,
         1,
         1,
         0,
         0,
         {"Hide Form3", "Show Form6"},
         false},
        {"exercise's Выход", Event, E::ExerciseLeft, 0, 3.1, 0, 0, 0, 0, {"End"}},
        {"results closed", Event, E::ResultsClosed, 3.1, 3.1, 0, 0, 0, 0, {"Terminate"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.moment);
        Session s;
        s.PreviousLevel = r.previous;
        s.CurrentLevel = r.current;
        s.ExercisePassed = r.passed;
        s.LevelCompleted = r.completed;
        s.PresentationShown = r.shown;
        s.CourseFinished = r.finished;
        const RoadState state{s, r.player, {}};
        const std::vector<Move> moves =
            r.step == Event ? Road(state, r.event) : RoadAfterLogin(state, r.step == NewProfile);
        std::vector<std::string> written;
        for (const Move& m : moves) written.push_back(Written(m));
        EXPECT_EQ(written, r.moves);
    }
}

// The windows on their own: each tells the program body what happened and moves no window.
TEST(Road, WindowsReportTheirStepAndMoveNothing) {
    FakeUi ui;
    Session session;
    RecordingFlow flow;
    ProgressWindow progress(ui);
    ExerciseWindow exercise(ui, session, flow, progress);
    ResultsWindow results(ui, session, flow);
    PlayerWindow player(ui, flow);
    DonationsWindow donations(ui, flow);
    ClosingWindow closing(ui, flow);
    for (const FormSpec& f :
         {exercise.Layout(), results.Layout(), player.Layout(), donations.Layout(), closing.Layout()})
        ui.CreateForm(f);
    const struct {
        std::function<void()> act;
        CourseEvent reported;
    } cases[] = {
        {[&] { ui.MouseDown(exercise.controls.exit); }, CourseEvent::ExerciseLeft},
        {[&] { ui.Click(results.controls.next); }, CourseEvent::ResultsLeft},
        {[&] { ui.form(FormId::Results).desc.onClose(); }, CourseEvent::ResultsClosed},  // its close box
        {[&] { ui.KeyDown(FormId::Player, 'A'); }, CourseEvent::MovieKey},
        {[&] { ui.Click(donations.controls.next); }, CourseEvent::DonationsLeft},
        {[&] { ui.Click(closing.controls.exit); }, CourseEvent::ClosingLeft},
    };
    for (const auto& c : cases) {
        ui.log.clear();
        flow.events.clear();
        c.act();
        EXPECT_EQ(flow.events, std::vector<CourseEvent>{c.reported}) << int(c.reported);
        EXPECT_EQ(ui.Count("Show ") + ui.Count("Hide ") + ui.Count("Close "), 0) << int(c.reported);
        EXPECT_FALSE(ui.terminated);
    }
    EXPECT_TRUE(flow.finished.empty() && flow.logins.empty());
}

// ---------------------------------------------------------------- close boxes

// The close box (or the system's close command) of every window at the moments it can be
// the last one shown: the program goes on in a window or ends, never runs on unseen.
TEST(CloseBox, NeverLeavesTheProgramWithoutAWindow) {
    using F = FormId;
    const struct {
        const char* moment;
        std::vector<F> shown;
        F closed;
        double previous;  // the lesson just completed, for the player
        bool courseFinished;
        std::vector<std::string> after;  // the windows shown then (none: the program ended)
    } cases[] = {
        {"donations of a new profile: its Далее", {F::Donations}, F::Donations, 0, false, {"Form2"}},
        {"donations after the closing address: the end", {F::Donations}, F::Donations, 0, true, {}},
        {"closing address: its Выход", {F::Closing}, F::Closing, 0, false, {"Donatii"}},
        {"book movie of lesson 3: the exercise", {F::Player}, F::Player, 3.2, false, {"Form2"}},
        {"presentation of lesson 5: donations", {F::Player}, F::Player, 5.2, false, {"Donatii"}},
        {"book movie of lesson 9: the exercise", {F::Player}, F::Player, 9.2, false, {"Form2"}},
        {"book movie of lesson 16: closing address", {F::Player}, F::Player, 16.3, false, {"Form6"}},
        {"results: the end", {F::Results}, F::Results, 0, false, {}},
        {"exercise: the end", {F::Exercise}, F::Exercise, 0, false, {}},
        {"login: the end", {F::Login}, F::Login, 0, false, {}},
        // Beside a window of the course only the closed window goes.
        {"rules over the exercise", {F::Exercise, F::Rules, F::Picture}, F::Rules, 0, false, {"Form2", "Fpic"}},
        {"info over the results", {F::Results, F::Info, F::DonationsView}, F::Info, 0, false, {"Donatii2", "Form3"}},
        {"progress over the exercise", {F::Exercise, F::Progress}, F::Progress, 0, false, {"Form2"}},
        {"rules left over under the donations", {F::Rules, F::Donations}, F::Donations, 0, false, {"Form2", "fh"}},
        {"donations beside the exercise", {F::Exercise, F::Donations}, F::Donations, 0, false, {"Form2"}},
        // Windows that lead nowhere, left alone: the last one ends the program.
        {"picture beside the rules", {F::Rules, F::Picture}, F::Picture, 0, false, {"fh"}},
        {"rules alone", {F::Rules}, F::Rules, 0, false, {}},
        {"donations of the info window alone", {F::DonationsView}, F::DonationsView, 0, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.moment);
        TempDataDir dir;
        WriteLetterTable();
        LinkCoursePictures();
        WriteTestFile("data\\text\\L4.txt", LessonFileBytes("Урок 4", "Начинаем!", 1, {"фыва олдж"}));
        FakeUi ui;
        Tastora app(ui);
        app.Run();
        ui.Hide(F::Login);
        for (F id : c.shown) ui.Show(id);
        app.session.CurrentLevel = 4.1;
        app.session.PreviousLevel = c.previous;
        app.session.CourseFinished = c.courseFinished;
        ui.CloseBox(c.closed);

        std::vector<std::string> after;
        for (int i = 0; i < kFormCount; ++i)
            if (ui.IsVisible(F(i))) after.push_back(FormObjectName(F(i)));
        if (ui.terminated) after.clear();
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(ui.terminated, c.after.empty());
    }
}

// ---------------------------------------------------------------- provisioning

struct Provisioning {
    const char* name;
    std::function<void(FakeUi&)> arrange;
    bool created;
    std::vector<std::string> messages;  // in order, at most one
    std::vector<std::string> processes;
    bool fileWritten;
};

TEST(ProvisionFlashControl, FailureTable) {
    const std::string notWritten = "Не удалось записать файл C:\\windows\\system32\\SWFLASH.OCX: Системная ошибка ";
    const Provisioning cases[] = {
        {"registered", [](FakeUi&) {}, true, {}, {}, false},
        {"installed and registered", [](FakeUi& u) { u.registeredClasses.clear(); }, true, {}, {kRegsvr}, true},
        {"an old file replaced",
         [](FakeUi& u) {
             u.registeredClasses.clear();
             u.files[kTarget] = "old";
         },
         true,
         {},
         {kRegsvr},
         true},
        {"registration refused",
         [](FakeUi& u) {
             u.registeredClasses.clear();
             u.registrationAllowed = false;
         },
         false,
         {kNotFound},
         {kRegsvr},
         true},
        {"resource missing",
         [](FakeUi& u) {
             u.registeredClasses.clear();
             u.resources.clear();
         },
         false,
         {notWritten + "1814.\nПрограмма будет работать без презентаций."},
         {},
         false},
        {"system directory not writable",
         [](FakeUi& u) {
             u.registeredClasses.clear();
             u.createFileError = 5;
         },
         false,
         {"Не удалось установить проигрыватель презентаций SWFLASH.OCX.\n" + std::string(kTarget) +
          ": Системная ошибка 5.\n" + kUserCopy + ": Системная ошибка 5.\nПрограмма будет работать без презентаций."},
         {},
         false},
        {"the resource is no library",
         [](FakeUi& u) {
             u.registeredClasses.clear();
             u.resources["FLASH"] = "not a module";
         },
         false,
         {kNotFound},
         {},
         true},
        {"no DllRegisterServer",
         [](FakeUi& u) {
             u.registeredClasses.clear();
             u.resources["FLASH"] = "MZ only DllGetClassObject";
         },
         false,
         {kNotFound},
         {},
         true},
    };
    for (const Provisioning& c : cases) {
        SCOPED_TRACE(c.name);
        TempDataDir dir;
        FakeUi ui;
        c.arrange(ui);
        const std::string before = ui.resources.count("FLASH") ? ui.resources["FLASH"] : "";
        Tastora app(ui);
        EXPECT_EQ(app.Run(), 0);
        EXPECT_EQ(app.FlashPlayerCreated, c.created);
        EXPECT_EQ(ui.messages, c.messages);
        EXPECT_EQ(ui.processes, c.processes);
        EXPECT_EQ(ui.files.count(kTarget) == 1 && ui.files[kTarget] == before, c.fileWritten);
        EXPECT_TRUE(ui.loadedModules.empty());  // unloaded again
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_TRUE(ui.loopRan);  // the login window follows
        EXPECT_TRUE(ui.IsVisible(FormId::Login));
        if (!c.processes.empty()) {
            EXPECT_NE(ui.LogIndex("Run " + std::string(kRegsvr) + " in C:\\Tastora show 0"), -1);
        }
    }
}

// The program's own copies: beside the program (the installer's and the zip's), and the
// user's when the system directory cannot be written. Each is used through an activation
// context; nothing is registered.
TEST(ProvisionFlashControl, OwnCopiesBesideTheProgramAndForTheUser) {
    const std::string control = "MZ\x90 control DllRegisterServer DllGetClassObject";
    const std::string twoFailures = "Не удалось установить проигрыватель презентаций SWFLASH.OCX.\n" +
                                    std::string(kTarget) + ": Системная ошибка 5.\n";
    const std::string noPresentations = ".\nПрограмма будет работать без презентаций.";
    struct Case {
        const char* name;
        std::function<void(FakeUi&)> arrange;
        bool created;
        std::string folder;                // the activation context's at the end
        std::vector<std::string> written;  // files written, in order
        std::vector<std::string> messages;
        bool registered;  // regsvr32 ran
    };
    auto notRegistered = [](FakeUi& u) { u.registeredClasses.clear(); };
    auto systemLocked = [](FakeUi& u) {
        u.registeredClasses.clear();
        u.writeErrors["C:\\windows\\system32"] = 5;
    };
    const Case cases[] = {
        {"beside the program, registered nowhere",
         [&](FakeUi& u) {
             notRegistered(u);
             u.files[kBeside] = u.resources["FLASH"];
         },
         true,
         "C:\\Tastora",
         {},
         {},
         false},
        {"beside the program and registered: the one beside wins",
         [&](FakeUi& u) { u.files[kBeside] = u.resources["FLASH"]; },
         true,
         "C:\\Tastora",
         {},
         {},
         false},
        {"a damaged file beside, a registered control",
         [&](FakeUi& u) { u.files[kBeside] = "damaged"; },
         true,
         "",
         {},
         {},
         false},
        {"a damaged file beside, nothing registered: the system directory as before",
         [&](FakeUi& u) {
             notRegistered(u);
             u.files[kBeside] = "damaged";
         },
         true,
         "",
         {kTarget},
         {},
         true},
        {"no context to be had beside the program",
         [&](FakeUi& u) {
             notRegistered(u);
             u.files[kBeside] = u.resources["FLASH"];
             u.contextError = 14001;
         },
         true,
         "",
         {kTarget},
         {},
         true},
        {"system directory locked: the user's copy", systemLocked, true, kUserFolder, {kUserCopy}, {}, false},
        {"no LOCALAPPDATA (XP): under APPDATA",
         [&](FakeUi& u) {
             systemLocked(u);
             u.environment.erase("LOCALAPPDATA");
         },
         true,
         "C:\\Users\\u\\AppData\\Roaming\\Tastora",
         {"C:\\Users\\u\\AppData\\Roaming\\Tastora\\SWFLASH.OCX"},
         {},
         false},
        {"the user's copy is the program's: kept",
         [&](FakeUi& u) {
             systemLocked(u);
             u.files[kUserCopy] = u.resources["FLASH"];
         },
         true,
         kUserFolder,
         {},
         {},
         false},
        {"an older user's copy is replaced",
         [&](FakeUi& u) {
             systemLocked(u);
             u.files[kUserCopy] = "MZ older build DllGetClassObject";
         },
         true,
         kUserFolder,
         {kUserCopy},
         {},
         false},
        {"an older user's copy in use is still used",
         [&](FakeUi& u) {
             systemLocked(u);
             u.files[kUserCopy] = "MZ older build DllGetClassObject";
             u.writeErrors[kUserFolder] = 32;
         },
         true,
         kUserFolder,
         {},
         {},
         false},
        {"the user's folder locked too: one message",
         [&](FakeUi& u) {
             systemLocked(u);
             u.writeErrors[kUserFolder] = 5;
         },
         false,
         "",
         {},
         {twoFailures + kUserCopy + ": Системная ошибка 5" + noPresentations},
         false},
        {"a damaged user's copy that cannot be replaced",
         [&](FakeUi& u) {
             systemLocked(u);
             u.files[kUserCopy] = "damaged";
             u.writeErrors[kUserFolder] = 32;
         },
         false,
         "",
         {},
         {twoFailures + kUserCopy + ": Системная ошибка 32" + noPresentations},
         false},
        {"no context for the user's copy",
         [&](FakeUi& u) {
             systemLocked(u);
             u.contextError = 14001;
         },
         false,
         "",
         {kUserCopy},
         {twoFailures + kUserCopy + ": Системная ошибка 14001" + noPresentations},
         false},
        {"no application data folder at all",
         [&](FakeUi& u) {
             systemLocked(u);
             u.environment.clear();
         },
         false,
         "",
         {},
         {twoFailures + "папка данных пользователя не найдена (не заданы LOCALAPPDATA и APPDATA)" + noPresentations},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDataDir dir;
        FakeUi ui;
        ui.resources["FLASH"] = control;
        c.arrange(ui);
        Tastora app(ui);
        EXPECT_EQ(app.Run(), 0);
        EXPECT_EQ(app.FlashPlayerCreated, c.created);
        EXPECT_EQ(ui.controlFolder, c.folder);
        std::vector<std::string> written;
        for (const auto& entry : ui.log)
            if (entry.rfind("CreateFile ", 0) == 0 && ui.files.count(entry.substr(11)) &&
                ui.files[entry.substr(11)] == control)
                written.push_back(entry.substr(11));
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(ui.messages, c.messages);
        EXPECT_EQ(ui.processes.empty(), !c.registered);
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_TRUE(ui.IsVisible(FormId::Login));
    }
}

TEST(ProvisionFlashControl, RegistrationThatCannotStartOrHasNoShortPath) {
    {
        TempDataDir dir;
        FakeUi ui;
        ui.registeredClasses.clear();
        ui.onProcess = [](const std::string&, int32_t&, uint32_t& error) {
            error = 2;
            return false;
        };
        Tastora app(ui);
        app.Run();
        EXPECT_EQ(ui.boxes, std::vector<std::string>{"Yipes!: Системная ошибка 2"});
        EXPECT_EQ(ui.messages, std::vector<std::string>{kNotFound});
        EXPECT_TRUE(ui.loadedModules.empty());
    }
    {
        // A failure inside the registration steps ends them with the other message.
        struct NoShortPath : FakeUi {
            std::string ShortPathName(const std::string&) override { return {}; }
        };
        TempDataDir dir;
        NoShortPath ui;
        ui.registeredClasses.clear();
        Tastora app(ui);
        app.Run();
        EXPECT_EQ(ui.messages, std::vector<std::string>{kNotRegistered});
        EXPECT_TRUE(ui.processes.empty());
        EXPECT_FALSE(app.FlashPlayerCreated);
    }
}

TEST(ProvisionFlashControl, AnotherFailureOfTheWindowIsNotHandled) {
    TempDataDir dir;
    FakeUi ui;
    ui.failCreateOf = int(FormId::Player);
    Tastora app(ui);
    EXPECT_ANY_THROW(app.Run());
    EXPECT_TRUE(ui.files.empty());
}

TEST(RunAndWait, LimitsAndFailures) {
    const std::string longDir(255, 'd');
    struct Case {
        std::string command, directory;
        bool starts;
        int32_t result;
        bool box;
    } cases[] = {
        {"prog /x", "C:\\", true, 7, false},
        {std::string(512, 'p'), "C:\\", true, 7, false},
        {std::string(170, 'p') + "пп", "C:\\", true, 7, false},  // characters, not bytes
        {std::string(513, 'p'), "C:\\", true, -1, true},
        {"prog", longDir, true, 7, false},
        {"prog", longDir + "d", true, -1, true},
        {"missing.exe", "C:\\", false, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.substr(0, 20) + " in " + c.directory.substr(0, 20));
        FakeUi ui;
        ui.processDirectory = c.directory;
        ui.onProcess = [&c](const std::string&, int32_t& exitCode, uint32_t& error) {
            exitCode = 7;
            error = 2;
            return c.starts;
        };
        Tastora app(ui);
        EXPECT_EQ(app.RunAndWait(c.command, 0), c.result);
        EXPECT_EQ(ui.boxes.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(ui.boxes[0].rfind("Yipes!: Системная ошибка ", 0), 0u);
        }
        // A command line that does not fit is never cut and started.
        for (const auto& p : ui.processes) EXPECT_EQ(p, c.command);
    }
}

}  // namespace
}  // namespace tastora
