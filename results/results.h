#pragma once
// The results window: time, errors, speed, rhythm, verdict and the speed graph; the evaluation of an exercise and the review-text generator.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/bitmap.h"
#include "core/form_layout.h"
#include "session/level.h"

namespace tastora {

class Tastora;

// --- speed, rhythm and the graph ---------------------------------------------------------
// Characters per minute, trunc(correct × 60 / seconds) computed exactly. The clock counts
// whole seconds, so an exercise finished before its first tick (0 seconds) is counted as
// one second: the speed shown and stored is then correct × 60.
int ComputeSpeed(int correct, int seconds);
// The rhythm score from the key-gap histogram (slot 0: gaps over 200 ticks). False when no
// gap of 1 to 200 ticks has been recorded and no long one either: there is nothing to judge.
// When only long gaps were recorded, the share inside the window counts as 0, so the
// score is minus the number of long gaps.
bool ComputeRhythm(const std::array<int32_t, 201>& histogram, int& rhythm);
// The rhythm row's text: "87%", "-3%", or "—" when nothing was measured.
std::string RhythmText(const std::array<int32_t, 201>& histogram);

constexpr int kGraphPoints = 32;
// The speed graph: its picture's size (without data\pictures\graph.bmp a blank bitmap of
// this size) and its place in the results window.
constexpr int kSpeedGraphWidth = 330, kSpeedGraphHeight = 160;
constexpr int kSpeedGraphLeft = 272, kSpeedGraphTop = 64;
// Draws the speed polyline of the course (exercise and test of lessons 1..16) onto the
// graph: 8 pixels per step from x = 33, speed 0 on row 147, one row per 2 characters per
// minute, solid black, a gap for every point whose speed is 0. Every recorded speed is
// also marked by 3 x 3 pixels around its point, so that a single speed already shows.
void DrawSpeedPolyline(Bitmap& graph, const std::array<int, kGraphPoints>& speeds);

// --- the results window ----------------------------------------------------------------
class ResultsWindow {
public:
    explicit ResultsWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    void FormPaint();
    void FormClose();
    void Button1Click();

    // Judges a finished exercise, moves and stores the level, draws the speed graph.
    // A failure (an unwritable profile file, a damaged letter table) is shown in the error
    // box and ends the evaluation; it never reaches the caller.
    void EvaluateExercise(int errors, int correct, int seconds);
    // Writes the profile's review lesson from its per-key error counters. True when the
    // review file has been written; false when the review cannot be made (the learner has
    // been told why and goes on without it). A malformed line of the letter table raises
    // ConvertError.
    bool GenerateReviewText();

    double PreviousLevel = 0;
    bool ExercisePassed = false;
    bool LevelCompleted = false;
    Bitmap SpeedGraph;

    // The seed of each random line of a review; by default the high-resolution clock
    // mixed with a counter, so that lines made within one clock tick still differ.
    std::function<uint64_t()> ReviewSeed;

private:
    void Evaluate(int errors, int correct, int seconds);
    void RedrawSpeedGraph();

    Tastora& app_;
};

}  // namespace tastora
