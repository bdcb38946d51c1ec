// The end-of-exercise evaluation: speed, rhythm, the verdict against the lesson's limits,
// the move to the next level, the speeds stored per level and the speed graph.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/ini.h"
#include "core/regional.h"
#include "exercise/exercise.h"
#include "results/results.h"
#include "users/user_store.h"

namespace tastora {

namespace {

const char kLimitsIni[] = "data\\rez.ini";
constexpr int kDefaultTimeLimit = 600;
constexpr int kDefaultErrorLimit = 5000;
constexpr int kLastLesson = 16;

const char kFailText[] = "К сожалению вы не прошли данное упражнение.\rПопытайтесь ещё раз";
const char kToTestText[] = "Поздравляем вас! Вы перешли к тесту.";
const char kToNextText[] = "Поздравляем вас! Вы перешли к следующему упражнению.";
const char kToReviewText[] = "Поздравляем вас! Вы перешли к упражнению для повторения.";
const char kCourseDoneText[] = "Поздравляем вас! Вы успешно закончили весь курс обучения.";

// The graph: x of the first course point, pixels per step, the row of speed 0.
constexpr int kGraphLeft = 33;
constexpr int kGraphStep = 8;
constexpr int kGraphZeroRow = 147;
// Negative speeds beyond this (only a damaged profile holds them) are drawn at this depth;
// the lines then stay a few thousand pixels long at most.
constexpr int kGraphLargestSpeed = 4000;

int ClampToInt(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int(v);
}

int GraphRow(int speed) {
    const int s = std::max(-kGraphLargestSpeed, speed);
    // Truncated toward zero, as trunc(speed / 2). A speed above the picture (over 295
    // characters per minute) is drawn on its top row: above the highest scale mark, and seen.
    return std::max(0, kGraphZeroRow - s / 2);
}

}  // namespace

// --- speed and rhythm ------------------------------------------------------------------------

int ComputeSpeed(int correct, int seconds) {
    if (correct <= 0) return 0;
    const int64_t s = seconds < 1 ? 1 : seconds;
    return ClampToInt(int64_t(correct) * 60 / s);
}

bool ComputeRhythm(const GapHistogram& h, int& rhythm) {
    int64_t total = 0, weighted = 0;
    for (int k = 1; k <= 200; ++k) {
        total += h[k];
        weighted += int64_t(k) * h[k];
    }
    if (total <= 0) {
        if (h[0] <= 0) return false;
        rhythm = ClampToInt(-int64_t(h[0]));
        return true;
    }
    const int64_t m = weighted / total;
    const int64_t w = std::max<int64_t>(m / 2, 5);
    int64_t lo = m - w, hi = m + w;
    if (lo <= 0) lo = 1;
    if (hi >= 200) hi = 200;
    int64_t inside = 0;
    for (int64_t k = lo; k <= hi; ++k) inside += h[size_t(k)];
    rhythm = ClampToInt(inside * 100 / total - h[0]);
    return true;
}

std::string RhythmText(const GapHistogram& histogram) {
    int rhythm = 0;
    if (!ComputeRhythm(histogram, rhythm)) return "—";
    return std::to_string(rhythm) + "%";
}

// --- the graph ------------------------------------------------------------------------------

void DrawSpeedPolyline(Bitmap& graph, const std::array<int, kGraphPoints>& speeds) {
    int x = kGraphLeft, y = GraphRow(speeds[0]);
    for (int i = 2; i <= kGraphPoints; ++i) {
        const int speed = speeds[size_t(i - 1)];
        if (speed == 0) continue;
        const int nx = kGraphLeft + kGraphStep * (i - 1), ny = GraphRow(speed);
        graph.Line(x, y, nx, ny, kBlack);
        x = nx;
        y = ny;
    }
    // Every recorded speed gets a mark of 3 x 3 pixels around its point: the first
    // exercise's speed has no line yet, and a lone point beside the axis would not be seen.
    for (int i = 1; i <= kGraphPoints; ++i) {
        const int speed = speeds[size_t(i - 1)];
        if (speed == 0) continue;
        const int px = kGraphLeft + kGraphStep * (i - 1), py = GraphRow(speed);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) graph.Plot(px + dx, py + dy, kBlack);
    }
}

void ResultsWindow::RedrawSpeedGraph() {
    IniFile users(kUsersIni);
    const std::string& user = session_.userName;
    std::array<int, kGraphPoints> speeds{};
    // Levels are keys in the regional format of the day they were written: read both.
    for (int lesson = 1; lesson <= kLastLesson; ++lesson)
        for (int kind = kKindExercise; kind <= kKindTest; ++kind) {
            const std::string n = std::to_string(lesson), d = std::to_string(kind);
            int v = users.ReadInteger(user, n + "." + d, 0);
            if (v == 0) v = users.ReadInteger(user, n + "," + d, 0);
            speeds[size_t(2 * (lesson - 1) + (kind - 1))] = v;
        }
    if (SpeedGraph.Empty()) SpeedGraph = Bitmap(kSpeedGraphWidth, kSpeedGraphHeight);
    DrawSpeedPolyline(SpeedGraph, speeds);
    // The window is on screen: show the new lines at once.
    ui_.Blit(FormId::Results, SpeedGraph, kSpeedGraphLeft, kSpeedGraphTop);
}

// --- the evaluation ---------------------------------------------------------------------------

EvaluatedLevel ResultsWindow::EvaluateExercise(const ExerciseResult& result) {
    judged_ =
        EvaluatedLevel{session_.PreviousLevel, session_.CurrentLevel, session_.ExercisePassed, session_.LevelCompleted};
    ui_.SetText(controls.errors, std::to_string(result.errors));
    ui_.SetText(controls.time, ClockText(result.seconds));
    RunGuarded(ui_, [&] { Evaluate(result); });
    return judged_;
}

void ResultsWindow::Evaluate(const ExerciseResult& result) {
    const double level = session_.CurrentLevel;

    // The level judged now is kept for "Далее" and the player.
    judged_.previous = level;
    judged_.passed = false;

    // Speed and rhythm.
    const int speed = ComputeSpeed(result.correct, result.seconds);
    ui_.SetText(controls.speed, std::to_string(speed));
    ui_.SetText(controls.rhythm, RhythmText(session_.PauseHistogram));

    // The verdict: a fail unless the exercise passes. Tests and reviews always pass; an
    // exercise within its limits (errors inclusive, time strict) or at the lenient second
    // attempt ("doi" 2). A level of no known kind never passes.
    const Limits limits = ReadLimits(level);
    ui_.SetText(controls.verdict, kFailText);
    IniFile users(kUsersIni);
    const int kind = LevelKindOf(level);
    const bool withinLimits = result.errors <= limits.errors && result.seconds < limits.seconds;
    bool passed = kind == kKindExercise ? withinLimits : kind == kKindTest || kind == kKindReview;
    if (!passed && kind == kKindExercise) passed = users.ReadInteger(session_.userName, "doi", 1) == 2;

    if (passed) {
        judged_.passed = true;
        MoveLevel(speed);
    } else {
        // The next attempt at this exercise is judged leniently.
        users.WriteInteger(session_.userName, "doi", 2);
    }

    RedrawSpeedGraph();
}

ResultsWindow::Limits ResultsWindow::ReadLimits(double level) const {
    IniFile limits(kLimitsIni);
    const std::string section = std::to_string(LimitSectionOf(level));
    return Limits{limits.ReadInteger(section, "Ltimp", kDefaultTimeLimit),
                  limits.ReadInteger(section, "Lgres", kDefaultErrorLimit)};
}

// A passed exercise moves the level on: exercise -> test; the test of a review lesson -> the
// review (when one can be made); any other test or a review -> the next lesson. The
// profile's keys of one move are written together, in the order level, speed, doi.
void ResultsWindow::MoveLevel(int speed) {
    double& level = judged_.current;
    const std::string& user = session_.userName;
    const int kind = LevelKindOf(level);
    const int lesson = LessonOf(level);
    const char sep = ui_.DecimalSeparator();
    const std::string speedKey = FormatReal(MakeLevel(lesson, kind), sep);
    IniFile users(kUsersIni);

    if (kind == kKindExercise) {
        ui_.SetText(controls.verdict, kToTestText);
        const double next = MakeLevel(lesson, kKindTest);
        users.WriteStrings(user, {{"nivel", FormatReal(next, sep)}, {speedKey, std::to_string(speed)}, {"doi", "1"}});
        judged_.completed = false;
        level = next;
    } else if (kind == kKindTest && IsReviewLesson(lesson)) {
        ui_.SetText(controls.verdict, kToReviewText);
        if (GenerateReviewText()) {
            const double next = MakeLevel(lesson, kKindReview);
            users.WriteFloat(user, "nivel", next, sep);
            level = next;
        } else {
            // No review could be made: the learner goes on as after any other test.
            ui_.SetText(controls.verdict, kToNextText);
            CompleteLesson(lesson, speedKey, speed);
        }
    } else {
        ui_.SetText(controls.verdict, kToNextText);
        CompleteLesson(lesson, speedKey, speed);
    }
}

// Moves the profile to the first exercise of the next lesson (or, after the last lesson, to
// the end of the course, while the level in memory stays).
void ResultsWindow::CompleteLesson(int lesson, const std::string& speedKey, int speed) {
    const char sep = ui_.DecimalSeparator();
    const int nextLesson = std::min(lesson, kLastLesson) + 1;
    const double next = MakeLevel(nextLesson, kKindExercise);
    if (lesson >= kLastLesson) ui_.SetText(controls.verdict, kCourseDoneText);
    IniFile(kUsersIni).WriteStrings(session_.userName,
                                    {{"nivel", FormatReal(next, sep)}, {speedKey, std::to_string(speed)}});
    if (lesson < kLastLesson) judged_.current = next;
    judged_.completed = true;
}

}  // namespace tastora
