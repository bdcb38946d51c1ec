#pragma once
// A stand-in for the program body's moves between windows: it records the exercises that a
// window starts, so that a window can be tested on its own.
#include <vector>

#include "session/session.h"

namespace tastora {

struct RecordingFlow : CourseFlow {
    std::vector<double> started;  // the levels of StartExercise, in order
    void StartExercise(double level) override { started.push_back(level); }
    void ExerciseFinished(const ExerciseResult&) override {}
    bool GenerateReviewText() override { return true; }
};

}  // namespace tastora
