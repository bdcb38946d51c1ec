// The end-of-exercise evaluation: speed, rhythm, the verdict against the lesson's limits and
// the move to the next level, what the profile keeps of it, and the speed graph.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/ini.h"
#include "exercise/exercise.h"
#include "results/results.h"
#include "users/profile_store.h"

namespace tastora {

namespace {

const char kLimitsIni[] = "data\\rez.ini";
constexpr int kDefaultTimeLimit = 600;
constexpr int kDefaultErrorLimit = 5000;
constexpr int kLastLesson = kCourseLessons;

const char kFailText[] = "К сожалению вы не прошли данное упражнение.\rПопытайтесь ещё раз";
const char kToTestText[] = "Поздравляем вас! Вы перешли к тесту.";
const char kToNextText[] = "Поздравляем вас! Вы перешли к следующему упражнению.";
const char kToReviewText[] = "Поздравляем вас! Вы перешли к упражнению для повторения.";
const char kCourseDoneText[] = "Поздравляем вас! Вы успешно закончили весь курс обучения.";

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::ToTest: return kToTestText;
        case Verdict::ToReview: return kToReviewText;
        case Verdict::ToNextLesson: return kToNextText;
        case Verdict::CourseDone: return kCourseDoneText;
        case Verdict::Failed: break;
    }
    return kFailText;
}

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
    const std::array<int, kGraphPoints> speeds = ProfileStore().Speeds(session_.userName);
    if (SpeedGraph.Empty()) SpeedGraph = Bitmap(kSpeedGraphWidth, kSpeedGraphHeight);
    DrawSpeedPolyline(SpeedGraph, speeds);
    // The window is on screen: show the new lines at once.
    ui_.Blit(FormId::Results, SpeedGraph, kSpeedGraphLeft, kSpeedGraphTop);
}

// --- the evaluation ---------------------------------------------------------------------------

Evaluation EvaluateResult(double level, const ExerciseResult& result, const ExerciseLimits& limits, bool secondAttempt,
                          bool reviewPossible) {
    Evaluation e;
    e.level = level;
    e.speed = ComputeSpeed(result.correct, result.seconds);
    const int kind = LevelKindOf(level);
    const bool withinLimits = result.errors <= limits.errors && result.seconds < limits.seconds;
    const bool passed =
        kind == kKindExercise ? withinLimits || secondAttempt : kind == kKindTest || kind == kKindReview;
    if (!passed) {
        e.stored.attempt = ProfileStep::SecondAttempt;
        return e;
    }
    const int lesson = LessonOf(level);
    e.stored.storeLevel = true;
    e.stored.speedLevel = MakeLevel(lesson, kind);
    e.stored.speed = e.speed;
    if (kind == kKindExercise) {
        e.verdict = Verdict::ToTest;
        e.level = e.stored.level = MakeLevel(lesson, kKindTest);
        e.stored.storeSpeed = true;
        e.stored.attempt = ProfileStep::FirstAttempt;
        e.lessonCompleted = false;
    } else if (kind == kKindTest && IsReviewLesson(lesson) && reviewPossible) {
        e.verdict = Verdict::ToReview;
        e.level = e.stored.level = MakeLevel(lesson, kKindReview);
    } else {
        const bool last = lesson >= kLastLesson;
        e.verdict = last ? Verdict::CourseDone : Verdict::ToNextLesson;
        e.stored.level = MakeLevel(std::min(lesson, kLastLesson) + 1, kKindExercise);
        if (!last) e.level = e.stored.level;
        e.stored.storeSpeed = true;
        e.lessonCompleted = true;
    }
    return e;
}

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
    const std::string& user = session_.userName;

    // The level judged now is kept for "Далее" and the player.
    judged_.previous = level;
    judged_.passed = false;

    const ExerciseLimits limits = ReadLimits(level);
    ProfileStore store;
    const bool secondAttempt = store.SecondAttempt(user);
    Evaluation e = EvaluateResult(level, result, limits, secondAttempt);
    ui_.SetText(controls.speed, std::to_string(e.speed));
    ui_.SetText(controls.rhythm, RhythmText(session_.PauseHistogram));
    ui_.SetText(controls.verdict, VerdictText(e.verdict));
    judged_.passed = e.verdict != Verdict::Failed;
    // The review is made from the counters now; without one the learner goes on as after any
    // other test.
    if (e.verdict == Verdict::ToReview && !GenerateReviewText()) {
        e = EvaluateResult(level, result, limits, secondAttempt, false);
        ui_.SetText(controls.verdict, VerdictText(e.verdict));
    }

    store.Store(user, e.stored, ui_.DecimalSeparator());
    judged_.current = e.level;
    if (e.lessonCompleted) judged_.completed = *e.lessonCompleted;

    RedrawSpeedGraph();
}

ExerciseLimits ResultsWindow::ReadLimits(double level) const {
    IniFile limits(kLimitsIni);
    const std::string section = std::to_string(LimitSectionOf(level));
    return ExerciseLimits{limits.ReadInteger(section, "Ltimp", kDefaultTimeLimit),
                          limits.ReadInteger(section, "Lgres", kDefaultErrorLimit)};
}

}  // namespace tastora
