#pragma once
// The results window: time, errors, speed, rhythm, verdict and the speed graph; the evaluation of an exercise and the review-text generator.
#include <string>

#include "core/bitmap.h"
#include "core/form_spec.h"

namespace tastora {

class Tastora;

class TForm3 {
public:
    explicit TForm3(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    void FormPaint();
    void FormClose();
    void Button1Click();

    // Judges a finished exercise, moves and stores the level, draws the speed graph.
    void EvaluateExercise(int errors, int correct, int seconds);
    // Writes the profile's review lesson from its per-key error counters.
    void GenerateReviewText();

    double PreviousLevel = 0;
    bool ExercisePassed = false;
    bool LevelCompleted = false;
    Bitmap SpeedGraph;

private:
    Tastora& app_;
};

}  // namespace tastora
