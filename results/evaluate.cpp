// The end-of-exercise evaluation: speed, rhythm, the verdict against the lesson's limits,
// the move to the next level, the speeds stored per level and the speed graph.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "app/tastora.h"
#include "core/errors.h"
#include "core/ini.h"
#include "core/regional.h"
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
// Speeds beyond this (only a damaged profile holds them) are drawn at this height; the
// lines then stay a few thousand pixels long at most.
constexpr int kGraphLargestSpeed = 4000;

int ClampToInt(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int(v);
}

int GraphRow(int speed) {
    const int s = std::max(-kGraphLargestSpeed, std::min(speed, kGraphLargestSpeed));
    return kGraphZeroRow - s / 2;  // truncated toward zero, as trunc(speed / 2)
}

}  // namespace

// --- speed and rhythm ------------------------------------------------------------------------

int ComputeSpeed(int correct, int seconds) {
    if (correct <= 0) return 0;
    const int64_t s = seconds < 1 ? 1 : seconds;
    return ClampToInt(int64_t(correct) * 60 / s);
}

bool ComputeRhythm(const std::array<int32_t, 201>& h, int& rhythm) {
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

std::string RhythmText(const std::array<int32_t, 201>& histogram) {
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
    const std::string& user = app_.login.CurrentUserName;
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
    app_.ui.Blit(FormId::Results, SpeedGraph, kSpeedGraphLeft, kSpeedGraphTop);
}

// --- the evaluation ---------------------------------------------------------------------------

void ResultsWindow::EvaluateExercise(int errors, int correct, int seconds) {
    RunGuarded(app_.ui, [&] { Evaluate(errors, correct, seconds); });
}

void ResultsWindow::Evaluate(int errors, int correct, int seconds) {
    UiPort& ui = app_.ui;
    double& level = app_.login.CurrentLevel;
    const std::string& user = app_.login.CurrentUserName;

    // 1.
    ui.Hide(FormId::Exercise);
    PreviousLevel = level;
    ExercisePassed = false;

    // 2, 3.
    const int speed = ComputeSpeed(correct, seconds);
    ui.SetText(FormId::Results, "Label3", std::to_string(speed));
    ui.SetText(FormId::Results, "Label9", RhythmText(app_.session.PauseHistogram));

    // 4.
    int timeLimit, errorLimit;
    {
        IniFile limits(kLimitsIni);
        const std::string section = std::to_string(LimitSectionOf(level));
        timeLimit = limits.ReadInteger(section, "Ltimp", kDefaultTimeLimit);
        errorLimit = limits.ReadInteger(section, "Lgres", kDefaultErrorLimit);
    }

    // 5.
    ui.SetText(FormId::Results, "Label7", kFailText);

    // 6.
    IniFile users(kUsersIni);
    const int kind = LevelKindOf(level);
    const int lesson = LessonOf(level);
    const bool withinLimits = errors <= errorLimit && seconds < timeLimit;
    // A level of no known kind can never pass.
    bool passed = kind == kKindExercise ? withinLimits : kind == kKindTest || kind == kKindReview;
    if (!passed && kind == kKindExercise) passed = users.ReadInteger(user, "doi", 1) == 2;

    const char sep = ui.DecimalSeparator();
    if (passed) {
        // 7.
        ExercisePassed = true;
        // The profile's keys of one move are written together, in the order level, speed, doi.
        const std::string speedKey = FormatReal(MakeLevel(lesson, kind), sep);
        // Moves the profile to the first exercise of the next lesson (or, after the last
        // lesson, to the end of the course, while the level in memory stays).
        auto completeLesson = [&] {
            if (lesson >= kLastLesson) {
                ui.SetText(FormId::Results, "Label7", kCourseDoneText);
                users.WriteStrings(user, {{"nivel", FormatReal(MakeLevel(kLastLesson + 1, kKindExercise), sep)},
                                          {speedKey, std::to_string(speed)}});
            } else {
                const double next = MakeLevel(lesson + 1, kKindExercise);
                users.WriteStrings(user, {{"nivel", FormatReal(next, sep)}, {speedKey, std::to_string(speed)}});
                level = next;
            }
            LevelCompleted = true;
        };

        if (kind == kKindExercise) {
            ui.SetText(FormId::Results, "Label7", kToTestText);
            const double next = MakeLevel(lesson, kKindTest);
            users.WriteStrings(user, {{"nivel", FormatReal(next, sep)}, {speedKey, std::to_string(speed)}, {"doi", "1"}});
            LevelCompleted = false;
            level = next;
        } else if (kind == kKindTest && IsReviewLesson(lesson)) {
            ui.SetText(FormId::Results, "Label7", kToReviewText);
            if (GenerateReviewText()) {
                const double next = MakeLevel(lesson, kKindReview);
                users.WriteFloat(user, "nivel", next, sep);
                level = next;
            } else {
                // No review could be made: the learner goes on as after any other test.
                ui.SetText(FormId::Results, "Label7", kToNextText);
                completeLesson();
            }
        } else {
            ui.SetText(FormId::Results, "Label7", kToNextText);
            completeLesson();
        }
    } else {
        // 8.
        users.WriteInteger(user, "doi", 2);
    }

    // 9.
    RedrawSpeedGraph();
}

}  // namespace tastora
