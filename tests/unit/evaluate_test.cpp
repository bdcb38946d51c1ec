// The evaluation of a finished exercise: speed, rhythm, the verdict against the limits,
// the level moves and what is stored, and the speed graph.
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <tuple>

#include "core/regional.h"
#include "tests/unit/results_fixture.h"

namespace tastora {
namespace results_test {
namespace {

// --- speed and rhythm --------------------------------------------------------------------

TEST(Speed, CharactersPerMinuteTruncated) {
    EXPECT_EQ(ComputeSpeed(97, 60), 97);
    EXPECT_EQ(ComputeSpeed(97, 59), 98);  // 98.6
    EXPECT_EQ(ComputeSpeed(23, 23), 60);  // exact, where 23 / (23 / 60) in doubles gives 59.99...
    EXPECT_EQ(ComputeSpeed(1, 61), 0);
}

TEST(Speed, UnderOneSecondCountsAsOneSecond) {
    EXPECT_EQ(ComputeSpeed(5, 0), 300);
    EXPECT_EQ(ComputeSpeed(0, 0), 0);
    EXPECT_EQ(ComputeSpeed(5, -3), 300);
}

TEST(Speed, HugeCountsDoNotOverflow) {
    EXPECT_EQ(ComputeSpeed(INT_MAX, 1), INT_MAX);
    EXPECT_EQ(ComputeSpeed(INT_MAX, 60), INT_MAX);
    EXPECT_EQ(ComputeSpeed(INT_MAX, INT_MAX), 60);
}

std::array<int32_t, 201> Histogram(std::initializer_list<std::pair<int, int32_t>> slots) {
    std::array<int32_t, 201> h{};
    for (const auto& s : slots) h[size_t(s.first)] = s.second;
    return h;
}

TEST(Rhythm, ExamplesOfTheWindowAroundTheMean) {
    // m = 10, w = 5, window 5..15: all inside, minus three long pauses.
    EXPECT_EQ(RhythmText(Histogram({{10, 20}, {0, 3}})), "97%");
    // Pauses of 1 tick only: m = 1, w = 5, window 1..6.
    EXPECT_EQ(RhythmText(Histogram({{1, 40}})), "100%");
    EXPECT_EQ(RhythmText(Histogram({{1, 40}, {0, 2}})), "98%");
    // m = trunc(380 / 20) = 19, w = 9, window 10..28: 18 of 20 inside.
    EXPECT_EQ(RhythmText(Histogram({{10, 18}, {100, 2}})), "90%");
    // m = 190, w = 95, window 95..200 (capped): 29 of 30 inside, trunc(96.67).
    EXPECT_EQ(RhythmText(Histogram({{200, 29}, {1, 1}})), "96%");
    // m = 86, window 43..129: 29 of 100, exactly (29 / 100 × 100 in doubles is 28.99...).
    EXPECT_EQ(RhythmText(Histogram({{1, 35}, {50, 29}, {200, 36}})), "29%");
}

TEST(Rhythm, ManyLongPausesMakeItNegative) { EXPECT_EQ(RhythmText(Histogram({{10, 5}, {0, 108}})), "-8%"); }

TEST(Rhythm, NothingMeasured) {
    int rhythm = 12345;
    EXPECT_FALSE(ComputeRhythm(Histogram({}), rhythm));
    EXPECT_EQ(RhythmText(Histogram({})), "—");
    // Only pauses longer than 200 ticks: none inside the window, one point off for each.
    EXPECT_EQ(RhythmText(Histogram({{0, 3}})), "-3%");
}

TEST(Rhythm, LargeCountersDoNotOverflow) { EXPECT_EQ(RhythmText(Histogram({{200, INT_MAX}, {199, INT_MAX}})), "100%"); }

// --- levels ---------------------------------------------------------------------------------

TEST(Levels, KindAndLesson) {
    EXPECT_EQ(LevelKindOf(2.1), kKindExercise);
    EXPECT_EQ(LevelKindOf(2.2), kKindTest);
    EXPECT_EQ(LevelKindOf(16.3), kKindReview);
    EXPECT_EQ(LevelKindOf(5.0), kKindNone);
    EXPECT_EQ(LevelKindOf(5.4), kKindNone);
    EXPECT_EQ(LevelKindOf(-1.1), kKindNone);
    EXPECT_EQ(LevelKindOf(1e300), kKindNone);
    EXPECT_EQ(LevelKindOf(std::nan("")), kKindNone);
    EXPECT_EQ(LessonOf(16.3), 16);
    EXPECT_EQ(LimitSectionOf(16.3), 16);
    EXPECT_EQ(LessonOf(3.95), 4);
    EXPECT_EQ(LimitSectionOf(3.95), 3);
}

TEST(Levels, EveryLevelOfTheCourseIsTheRealOfItsText) {
    for (int lesson = 1; lesson <= 17; ++lesson)
        for (int kind = 1; kind <= 3; ++kind) {
            const std::string text = std::to_string(lesson) + "." + std::to_string(kind);
            EXPECT_EQ(MakeLevel(lesson, kind), std::strtod(text.c_str(), nullptr)) << text;
            EXPECT_EQ(FormatReal(MakeLevel(lesson, kind), '.'), text);
            EXPECT_EQ(LevelKindOf(MakeLevel(lesson, kind)), kind);
            EXPECT_EQ(LessonOf(MakeLevel(lesson, kind)), lesson);
        }
}

// --- the verdict -------------------------------------------------------------------------------

// The judgement alone, over the course's road: every exercise passed within its limits,
// failed on errors or on time, passed at the second attempt; every test and review passed
// whatever its errors, leading where the road goes.
TEST(Judgement, TheWholeCourse) {
    const char road[] =
        "1.1 1.2 2.1 2.2 3.1 3.2 4.1 4.2 4.3 5.1 5.2 6.1 6.2 7.1 7.2 8.1 8.2 8.3 9.1 9.2 10.1 10.2 "
        "11.1 11.2 12.1 12.2 12.3 13.1 13.2 14.1 14.2 15.1 15.2 16.1 16.2 16.3 17.1";
    std::vector<double> levels;
    std::istringstream words(road);
    for (double v; words >> v;) levels.push_back(v);
    ASSERT_EQ(levels.size(), 37u);
    const ExerciseLimits limits{120, 4};
    const ExerciseResult within{4, 300, 119}, tooMany{5, 300, 10}, tooLong{0, 300, 120};
    using A = ProfileStep;
    // What is written: the level, the speed with the level it belongs to, the attempt flag.
    auto written = [](const A& s) {
        return std::make_tuple(s.storeLevel ? s.level : 0, s.storeSpeed ? s.speedLevel : 0, s.storeSpeed ? s.speed : 0,
                               s.attempt);
    };
    for (size_t i = 0; i + 1 < levels.size(); ++i) {
        const double level = levels[i], next = levels[i + 1];
        SCOPED_TRACE(level);
        const bool exercise = LevelKindOf(level) == kKindExercise;
        for (const auto& [result, second, passes] :
             {std::make_tuple(within, false, true), std::make_tuple(tooMany, false, !exercise),
              std::make_tuple(tooLong, false, !exercise), std::make_tuple(tooMany, true, true)}) {
            const Evaluation e = EvaluateResult(level, result, limits, second);
            EXPECT_EQ(e.speed, result.correct * 60 / result.seconds);
            if (!passes) {
                EXPECT_EQ(e.verdict, Verdict::Failed);
                EXPECT_EQ(e.level, level);
                EXPECT_FALSE(e.lessonCompleted.has_value());
                EXPECT_EQ(written(e.stored), std::make_tuple(0.0, 0.0, 0, A::SecondAttempt));
                continue;
            }
            const bool toReview = LevelKindOf(next) == kKindReview, done = next == 17.1;
            EXPECT_EQ(e.verdict, exercise   ? Verdict::ToTest
                                 : toReview ? Verdict::ToReview
                                 : done     ? Verdict::CourseDone
                                            : Verdict::ToNextLesson);
            EXPECT_EQ(e.level, done ? level : next);
            EXPECT_EQ(e.lessonCompleted, toReview ? std::nullopt : std::optional<bool>(!exercise));
            EXPECT_EQ(written(e.stored), std::make_tuple(next, toReview ? 0 : level, toReview ? 0 : e.speed,
                                                         exercise ? A::FirstAttempt : A::KeepAttempt));
        }
    }
    // Tests after which no review could be made, a level of no kind, and after the course.
    const struct {
        double level;
        bool reviewPossible;
        Verdict verdict;
        double after, stored;
    } others[] = {{4.2, false, Verdict::ToNextLesson, 5.1, 5.1}, {16.2, false, Verdict::CourseDone, 16.2, 17.1},
                  {5.0, true, Verdict::Failed, 5.0, 0},          {5.4, true, Verdict::Failed, 5.4, 0},
                  {17.1, true, Verdict::ToTest, 17.2, 17.2},     {17.2, true, Verdict::CourseDone, 17.2, 17.1}};
    for (const auto& c : others) {
        SCOPED_TRACE(c.level);
        const Evaluation e = EvaluateResult(c.level, within, limits, true, c.reviewPossible);
        EXPECT_EQ(e.verdict, c.verdict);
        EXPECT_EQ(e.level, c.after);
        EXPECT_EQ(e.stored.level, c.stored);
        EXPECT_EQ(e.stored.storeSpeed, c.verdict != Verdict::Failed);
    }
}

using EvaluateTest = ResultsTest;

TEST_F(EvaluateTest, ErrorsEqualToTheLimitAndOneSecondUnderPass) {
    LogIn("Анна", 3.1);
    SetLimits(3, 120, 4);
    Finish(4, 300, 119);
    EXPECT_TRUE(app.session.ExercisePassed);
    EXPECT_EQ(Label(rows.verdict), kToTestText);
    EXPECT_EQ(Profile("nivel"), "3,2");
    EXPECT_EQ(Profile("3,1"), "151");  // 300 in 119 s
    EXPECT_EQ(Profile("doi"), "1");
    EXPECT_EQ(app.session.CurrentLevel, 3.2);
    EXPECT_EQ(app.session.PreviousLevel, 3.1);
    EXPECT_FALSE(app.session.LevelCompleted);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(EvaluateTest, TimeEqualToTheLimitFailsOnceThenPasses) {
    LogIn("Анна", 3.1);
    SetLimits(3, 120, 4);
    Finish(0, 300, 120);
    EXPECT_FALSE(app.session.ExercisePassed);
    EXPECT_EQ(Label(rows.verdict), kFailText);
    EXPECT_EQ(Profile("doi"), "2");
    EXPECT_EQ(Profile("nivel"), "3,1");
    EXPECT_EQ(Profile("3,1"), "<none>");
    EXPECT_EQ(app.session.CurrentLevel, 3.1);

    // The second attempt passes whatever its time and errors, and sets doi back.
    Finish(50, 300, 500);
    EXPECT_TRUE(app.session.ExercisePassed);
    EXPECT_EQ(Label(rows.verdict), kToTestText);
    EXPECT_EQ(Profile("doi"), "1");
    EXPECT_EQ(Profile("nivel"), "3,2");
    EXPECT_EQ(Profile("3,1"), "36");

    // And the next exercise gets one strict attempt again.
    LogIn("Анна", 4.1);
    SetLimits(4, 120, 4);
    Finish(5, 300, 60);
    EXPECT_FALSE(app.session.ExercisePassed);
    EXPECT_EQ(Profile("doi"), "2");
}

TEST_F(EvaluateTest, OneErrorOverTheLimitFails) {
    LogIn("Анна", 2.1);
    SetLimits(2, 120, 4);
    Finish(5, 300, 10);
    EXPECT_FALSE(app.session.ExercisePassed);
    EXPECT_EQ(Label(rows.verdict), kFailText);
}

TEST_F(EvaluateTest, DefaultLimitsWithoutTheLimitsFile) {
    LogIn("Анна", 2.1);
    Finish(5000, 300, 599);
    EXPECT_TRUE(app.session.ExercisePassed);
    LogIn("Анна", 2.1);
    Finish(0, 300, 600);
    EXPECT_FALSE(app.session.ExercisePassed);
    LogIn("Анна", 2.1);
    SetProfile("doi", "1");
    Finish(5001, 300, 10);
    EXPECT_FALSE(app.session.ExercisePassed);
}

TEST_F(EvaluateTest, TheLimitsOfTheLessonApplyToAllItsKinds) {
    SetLimits(6, 30, 0);
    SetLimits(7, 600, 5000);
    LogIn("Анна", 6.1);
    Finish(1, 300, 10);
    EXPECT_FALSE(app.session.ExercisePassed);
    LogIn("Анна", 7.1);
    Finish(1, 300, 10);
    EXPECT_TRUE(app.session.ExercisePassed);
}

TEST_F(EvaluateTest, ATestWithTenThousandErrorsPasses) {
    LogIn("Анна", 5.2);
    SetLimits(5, 60, 3);
    Finish(10000, 97, 600);
    EXPECT_TRUE(app.session.ExercisePassed);
    EXPECT_TRUE(app.session.LevelCompleted);
    EXPECT_EQ(Label(rows.verdict), kToNextText);
    EXPECT_EQ(Profile("nivel"), "6,1");
    EXPECT_EQ(Profile("5,2"), "9");
    EXPECT_EQ(Profile("doi"), "<none>");
    EXPECT_EQ(app.session.CurrentLevel, 6.1);
}

TEST_F(EvaluateTest, ALevelOfNoKindNeverPasses) {
    LogIn("Анна", 5.0);
    SetProfile("doi", "2");
    Finish(0, 300, 10);
    EXPECT_FALSE(app.session.ExercisePassed);
    EXPECT_EQ(Label(rows.verdict), kFailText);
    EXPECT_EQ(Profile("nivel"), "5");
    EXPECT_EQ(Profile("doi"), "2");
}

TEST_F(EvaluateTest, PassingTest42LeadsToTheReview) {
    LogIn("Анна", 4.2);
    SetProfile("31", "7");
    Finish(3, 200, 100);
    EXPECT_TRUE(app.session.ExercisePassed);
    EXPECT_FALSE(app.session.LevelCompleted);
    EXPECT_EQ(Label(rows.verdict), kToReviewText);
    EXPECT_EQ(Profile("nivel"), "4,3");
    EXPECT_EQ(Profile("4,2"), "<none>");
    EXPECT_EQ(Profile("31"), "0");
    EXPECT_EQ(app.session.CurrentLevel, 4.3);
    EXPECT_TRUE(TestFileExists("data\\text\\Анна.txt"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EvaluateTest, PassingTheLastReviewEndsTheCourse) {
    LogIn("Анна", 16.3);
    Finish(3, 200, 100);
    EXPECT_TRUE(app.session.ExercisePassed);
    EXPECT_TRUE(app.session.LevelCompleted);
    EXPECT_EQ(Label(rows.verdict), kCourseDoneText);
    EXPECT_EQ(Profile("nivel"), "17,1");
    EXPECT_EQ(Profile("16,3"), "120");
    EXPECT_EQ(app.session.CurrentLevel, 16.3);
}

TEST_F(EvaluateTest, EnglishSettingsWriteLevelsWithAPoint) {
    ui.decimalSeparator = '.';
    LogIn("Анна", 16.3);
    Finish(3, 200, 100);
    EXPECT_EQ(Profile("nivel"), "17.1");
    EXPECT_EQ(Profile("16.3"), "120");
    EXPECT_EQ(Profile("16,3"), "<none>");
}

TEST_F(EvaluateTest, TheRowsAndTheWindowsAfterAnEvaluation) {
    LogIn("Анна", 1.1);
    ui.Show(FormId::Exercise);
    // The session's gaps and those the exercise hands on are judged together.
    app.session.PauseHistogram = Histogram({{10, 20}});
    app.ExerciseFinished(ExerciseResult{2, 97, 59, Histogram({{0, 3}})});
    EXPECT_EQ(Label(rows.errors), "2");
    EXPECT_EQ(Label(rows.time), "00:59");
    EXPECT_EQ(Label(rows.speed), "98");
    EXPECT_EQ(Label(rows.rhythm), "97%");
    EXPECT_FALSE(ui.IsVisible(FormId::Exercise));
    EXPECT_TRUE(ui.IsVisible(FormId::Results));
    // An hour and more on the clock: the minutes go on counting.
    Finish(0, 97, 3725);
    EXPECT_EQ(Label(rows.time), "62:05");
}

TEST_F(EvaluateTest, AnExerciseFinishedWithinASecond) {
    LogIn("Анна", 1.1);
    Finish(0, 4, 0);
    EXPECT_EQ(Label(rows.speed), "240");
    EXPECT_EQ(Label(rows.rhythm), "—");
    EXPECT_EQ(Profile("1,1"), "240");
}

TEST_F(EvaluateTest, AnUnwritableProfileFileIsReportedAndTheCallerGoesOn) {
    LogIn("Анна", 2.1);
    ASSERT_EQ(::chmod("data/users.ini", 0444), 0);
    Finish(0, 300, 10);  // must not throw
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Unable to write to data\\users.ini");
    EXPECT_EQ(Profile("nivel"), "2,1");
}

// --- the level walk ------------------------------------------------------------------------------

class LevelWalk : public ResultsTest, public ::testing::WithParamInterface<char> {};

TEST_P(LevelWalk, TheWholeCourse) {
    const char sep = GetParam();
    ui.decimalSeparator = sep;
    LogIn("Анна", 1.1);
    auto text = [sep](int lesson, int kind) { return std::to_string(lesson) + sep + std::to_string(kind); };

    std::vector<std::pair<int, int>> course;
    for (int lesson = 1; lesson <= 16; ++lesson) {
        course.push_back({lesson, 1});
        course.push_back({lesson, 2});
        if (lesson % 4 == 0) course.push_back({lesson, 3});
    }
    ASSERT_EQ(course.size(), 36u);
    for (size_t i = 0; i < course.size(); ++i) {
        const auto [lesson, kind] = course[i];
        const auto [nextLesson, nextKind] = i + 1 < course.size() ? course[i + 1] : std::make_pair(17, 1);
        ASSERT_EQ(app.session.CurrentLevel, MakeLevel(lesson, kind)) << text(lesson, kind);
        Finish(0, 100, 10);
        ASSERT_TRUE(app.session.ExercisePassed) << text(lesson, kind);
        EXPECT_EQ(Profile("nivel"), text(nextLesson, nextKind));
        const bool reviewFollows = kind == 2 && lesson % 4 == 0;
        EXPECT_EQ(Profile(text(lesson, kind)), reviewFollows ? "<none>" : "600") << text(lesson, kind);
        EXPECT_EQ(app.session.LevelCompleted, kind == 3 || (kind == 2 && !reviewFollows));
        if (nextLesson <= 16) {
            EXPECT_EQ(app.session.CurrentLevel, MakeLevel(nextLesson, nextKind));
        }
    }
    EXPECT_EQ(app.session.CurrentLevel, 16.3);
    EXPECT_EQ(Label(rows.verdict), kCourseDoneText);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(BothSeparators, LevelWalk, ::testing::Values(',', '.'));

// --- the graph --------------------------------------------------------------------------------

int BlackPixels(const Bitmap& b) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) n += b.At(x, y) == kBlack;
    return n;
}

// The 3 x 3 mark of a recorded speed.
void Mark(Bitmap& b, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) b.Plot(x + dx, y + dy, kBlack);
}

TEST(SpeedGraph, PolylineWithGaps) {
    Bitmap graph(330, 160);
    std::array<int, kGraphPoints> p{};
    p[0] = 100;   // (33, 97)
    p[2] = 100;   // (49, 97), point 2 is a gap
    p[3] = 116;   // (57, 89)
    p[31] = 116;  // (281, 89)
    DrawSpeedPolyline(graph, p);

    Bitmap expected(330, 160);
    for (int x = 33; x <= 48; ++x) expected.Set(x, 97, kBlack);
    for (int k = 0; k < 8; ++k) expected.Set(49 + k, 97 - k, kBlack);
    for (int x = 57; x <= 280; ++x) expected.Set(x, 89, kBlack);
    Mark(expected, 33, 97);
    Mark(expected, 49, 97);
    Mark(expected, 57, 89);
    Mark(expected, 281, 89);
    EXPECT_TRUE(graph == expected);
    EXPECT_EQ(BlackPixels(graph), BlackPixels(expected));
}

TEST(SpeedGraph, StartsOnTheZeroRowWhenTheFirstSpeedIsMissing) {
    Bitmap graph(330, 160);
    std::array<int, kGraphPoints> p{};
    p[1] = 50;  // (41, 122)
    DrawSpeedPolyline(graph, p);
    // No mark for the missing first speed, but the line starts on the zero row.
    EXPECT_EQ(graph.At(33, 147), kBlack);
    EXPECT_EQ(graph.At(32, 147), kWhite);
    for (int y = 121; y <= 123; ++y)
        for (int x = 40; x <= 42; ++x) EXPECT_EQ(graph.At(x, y), kBlack) << x << "," << y;
    // A steep line: one pixel per row.
    for (int y = 124; y <= 147; ++y) {
        int inRow = 0;
        for (int x = 0; x < 330; ++x) inRow += graph.At(x, y) == kBlack;
        EXPECT_EQ(inRow, 1) << y;
    }
    EXPECT_LE(BlackPixels(graph), 24 + 9 + 1);
}

TEST(SpeedGraph, NothingDrawnWithoutSpeeds) {
    Bitmap graph(330, 160);
    DrawSpeedPolyline(graph, {});
    EXPECT_EQ(BlackPixels(graph), 0);
}

TEST(SpeedGraph, EverySpeedIsSeenAndEveryOneThatFitsKeepsItsRow) {
    // Row 147 - trunc(speed / 2) while it is on the picture, the top row above it.
    const struct {
        int speed, row;
    } cases[] = {{1, 147}, {2, 146}, {97, 99}, {280, 7},  {294, 0},    {295, 0},
                 {296, 0}, {333, 0}, {377, 0}, {5000, 0}, {INT_MAX, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        // The speed alone: its mark, and nothing else.
        Bitmap graph(330, 160);
        std::array<int, kGraphPoints> p{};
        p[0] = c.speed;
        DrawSpeedPolyline(graph, p);
        Bitmap expected(330, 160);
        Mark(expected, 33, c.row);
        EXPECT_TRUE(graph == expected);
        EXPECT_EQ(graph.At(33, c.row), kBlack);

        // Followed by 100 at (41, 97): the line joins the two rows without a break.
        graph = Bitmap(330, 160);
        p[1] = 100;
        DrawSpeedPolyline(graph, p);
        for (int y = std::min(c.row, 97); y <= std::max(c.row, 97); ++y) {
            int inRow = 0;
            for (int x = 33; x <= 41; ++x) inRow += graph.At(x, y) == kBlack;
            EXPECT_GE(inRow, 1) << "row " << y;
        }
    }
}

TEST(SpeedGraph, DamagedSpeedsStayOnTheBitmap) {
    Bitmap graph(330, 160);
    std::array<int, kGraphPoints> p{};
    p[0] = INT_MAX;
    p[1] = INT_MIN;
    p[2] = -7;                    // (49, 150)
    p[3] = 80;                    // (57, 107)
    DrawSpeedPolyline(graph, p);  // returns, and writes nothing outside the picture
    EXPECT_EQ(graph.At(49, 150), kBlack);
    EXPECT_EQ(graph.At(53, 128), kBlack);  // half-way to (57, 107)
}

TEST_F(EvaluateTest, TheGraphReadsSpeedsWrittenUnderEitherSeparator) {
    LogIn("Анна", 2.1);
    SetProfile("1.1", "100");  // English settings: (33, 97)
    SetProfile("1,2", "116");  // Russian settings: (41, 89)
    SetLimits(2, 1, 0);
    Finish(5, 100, 100);  // a fail: the graph is drawn all the same
    const Bitmap& g = app.results.SpeedGraph;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(g.At(33 + k, 97 - k), kBlack) << k;
    // And it is on the window at (272, 64).
    const Bitmap& screen = ui.form(FormId::Results).screen;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(screen.At(272 + 33 + k, 64 + 97 - k), kBlack) << k;
}

TEST_F(EvaluateTest, AFastFirstLessonIsOnTheWindowsGraph) {
    LogIn("Анна", 1.1);
    Finish(0, 377, 60);
    const Bitmap& screen = ui.form(FormId::Results).screen;
    for (int x = 32; x <= 34; ++x) EXPECT_EQ(screen.At(272 + x, 64), kBlack) << x;
}

TEST_F(EvaluateTest, LinesOfEveryEvaluationStayOnTheGraph) {
    LogIn("Анна", 1.1);
    Finish(0, 100, 60);  // 1.1 at 100: a single point, no line yet
    Finish(0, 116, 60);  // 1.2 at 116: line (33, 97) - (41, 89)
    SetProfile("1,1", "0");
    SetProfile("1,2", "0");
    LogIn("Анна", 2.1);
    Finish(0, 60, 60);  // 2.1 at 60: (49, 117), from (33, 147)
    const Bitmap& g = app.results.SpeedGraph;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(g.At(33 + k, 97 - k), kBlack) << k;
    EXPECT_EQ(g.At(33, 147), kBlack);
    ui.form(FormId::Results).screen.Fill(kWhite);
    ui.Paint(FormId::Results);
    EXPECT_EQ(ui.form(FormId::Results).screen.At(272 + 33, 64 + 97), kBlack);
    EXPECT_EQ(ui.form(FormId::Results).screen.At(272 + 33, 64 + 147), kBlack);
}

}  // namespace
}  // namespace results_test
}  // namespace tastora
