#pragma once
// The results window: time, errors, speed, rhythm, verdict and the speed graph; the evaluation of an exercise and the
// review-text generator.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/bitmap.h"
#include "core/form_layout.h"
#include "core/ui_port.h"
#include "session/level.h"
#include "session/session.h"
#include "users/profile_store.h"

namespace tastora {

// --- speed, rhythm and the graph ---------------------------------------------------------
// Characters per minute, trunc(correct × 60 / seconds) computed exactly. The clock counts
// whole seconds, so an exercise finished before its first tick (0 seconds) is counted as
// one second: the speed shown and stored is then correct × 60.
int ComputeSpeed(int correct, int seconds);
// The rhythm score from the key-gap histogram (slot 0: gaps over 200 ticks). False when no
// gap of 1 to 200 ticks has been recorded and no long one either: there is nothing to judge.
// When only long gaps were recorded, the share inside the window counts as 0, so the
// score is minus the number of long gaps.
bool ComputeRhythm(const GapHistogram& histogram, int& rhythm);
// The rhythm row's text: "87%", "-3%", or "—" when nothing was measured.
std::string RhythmText(const GapHistogram& histogram);

constexpr int kGraphPoints = kSpeedPoints;
// The speed graph: its picture's size (without data\pictures\graph.bmp a blank bitmap of
// this size) and its place in the results window.
constexpr int kSpeedGraphWidth = 330, kSpeedGraphHeight = 160;
constexpr int kSpeedGraphLeft = 272, kSpeedGraphTop = 64;
// Draws the speed polyline of the course (exercise and test of lessons 1..16) onto the
// graph: 8 pixels per step from x = 33, speed 0 on row 147, one row per 2 characters per
// minute, solid black, a gap for every point whose speed is 0; a speed above the picture
// is drawn on its top row. Every recorded speed is also marked by 3 x 3 pixels around its
// point, so that a single speed already shows.
void DrawSpeedPolyline(Bitmap& graph, const std::array<int, kGraphPoints>& speeds);

// --- the evaluation ----------------------------------------------------------------------
// The limits of a lesson's exercise (data\rez.ini): the clock must stay under seconds, the
// errors at most errors.
struct ExerciseLimits {
    int seconds, errors;
};

enum class Verdict { Failed, ToTest, ToReview, ToNextLesson, CourseDone };

struct Evaluation {
    Verdict verdict = Verdict::Failed;
    int speed = 0;
    double level = 0;  // the level in memory afterwards (after the course, the last one judged)
    // Whether the lesson has been completed; none: as it was (a fail, or on to the review).
    std::optional<bool> lessonCompleted;
    ProfileStep stored;  // what the profile keeps of it
};

// Judges the result of the level's exercise, test or review. An exercise passes within its
// limits or at the lenient second attempt; tests and reviews always pass; a level of no
// known kind never passes. A fail asks for the second attempt. A pass moves on: exercise ->
// test (speed stored, attempt flag back to 1); the test of a review lesson -> its review
// (only the level stored) when reviewPossible; any other test or a review -> the next
// lesson's exercise (speed stored), after lesson 16 the end of the course (the profile
// stored as lesson 17, the level in memory kept).
Evaluation EvaluateResult(double level, const ExerciseResult& result, const ExerciseLimits& limits, bool secondAttempt,
                          bool reviewPossible = true);

// --- the results window ----------------------------------------------------------------
// What an evaluation makes of the session's level: the level judged, the level that follows,
// whether the exercise was passed and whether the lesson moved on.
struct EvaluatedLevel {
    double previous = 0, current = 0;
    bool passed = false, completed = false;
};

class ResultsWindow {
public:
    ResultsWindow(UiPort& ui, const Session& session, CourseFlow& flow) : ui_(ui), session_(session), flow_(flow) {}
    FormSpec Layout();
    void OnCreate();
    void OnPaint();
    void OnClose();
    // "Далее": the program body leads on (back to the exercise, or the lesson's book movie
    // after a completed lesson).
    void OnNextClick();

    // Fills the window with the exercise's errors and time, judges the exercise, moves and
    // stores the level, draws the speed graph; the session's new level and verdict. A failure
    // (an unwritable profile file, a damaged letter table) is shown in the error box and ends
    // the evaluation, whose result then holds what was decided so far; it never reaches the
    // caller.
    EvaluatedLevel EvaluateExercise(const ExerciseResult& result);
    // Writes the profile's review lesson from its per-key error counters. True when the
    // review file has been written; false when the review cannot be made (the learner has
    // been told why and goes on without it). A malformed line of the letter table raises
    // ConvertError.
    bool GenerateReviewText();

    struct Controls {
        LabelHandle verdict, graphTitle;
        LabelHandle timeCaption, time, errorsCaption, errors, speedCaption, speed, rhythmCaption, rhythm;
        ButtonHandle next;
    } controls;

    Bitmap SpeedGraph;

    // The seed of each random line of a review; by default the high-resolution clock
    // mixed with a counter, so that lines made within one clock tick still differ.
    std::function<uint64_t()> ReviewSeed;

private:
    void Evaluate(const ExerciseResult& result);
    ExerciseLimits ReadLimits(double level) const;
    void RedrawSpeedGraph();

    UiPort& ui_;
    const Session& session_;
    CourseFlow& flow_;
    // The evaluation under way.
    EvaluatedLevel judged_;
};

}  // namespace tastora
