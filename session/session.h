#pragma once
// The learner's session: who is logged in and where the course stands. The program body
// owns the one Session and hands it to the windows that need it; no window keeps a copy.
#include <array>
#include <cstdint>
#include <string>

namespace tastora {

// Key gaps in timer ticks: slots 1..200 count gaps of that many ticks, slot 0 the longer ones.
using GapHistogram = std::array<int32_t, 201>;

// What a finished exercise hands to its evaluation (its key gaps are in the session).
struct ExerciseResult {
    int errors = 0;
    int correct = 0;  // characters typed right
    int seconds = 0;  // on the clock, pauses not counted
};

struct Session {
    // The logged-in profile (empty until a login succeeds).
    std::string userName;
    // The profile's course level (0 until a login succeeds) and the level of the exercise
    // that was evaluated last.
    double CurrentLevel = 0;
    double PreviousLevel = 0;
    // The key-gap histogram of the running exercise.
    GapHistogram PauseHistogram{};
    // The verdict of the last evaluation: the exercise was passed; the level moved on.
    bool ExercisePassed = false;
    bool LevelCompleted = false;
    // A presentation has been shown since the last evaluation.
    bool PresentationShown = false;
    // The closing address has been read: the donations window ends the program.
    bool CourseFinished = false;
};

// The moves between windows that a window asks of the program body, so that no window
// needs to know the one that comes after it.
class CourseFlow {
public:
    virtual ~CourseFlow() = default;
    // Opens the exercise window at this level.
    virtual void StartExercise(double level) = 0;
    // The exercise has ended: the results window judges it.
    virtual void ExerciseFinished(const ExerciseResult& result) = 0;
    // Writes the profile's review lesson: false when it cannot be made (the learner has been
    // told why).
    virtual bool GenerateReviewText() = 0;
};

}  // namespace tastora
