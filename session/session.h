#pragma once
// The learner's session: who is logged in and where the course stands. The program body
// owns the one Session and is the only code that writes it (but for the key-gap histogram, which
// the exercise's key timer counts into); the windows that need it read it, none keeps a copy.
#include <array>
#include <cstdint>
#include <string>

namespace tastora {

// Key gaps in timer ticks: slots 1..200 count gaps of that many ticks, slot 0 the longer ones.
using GapHistogram = std::array<int32_t, 201>;

// What a finished exercise hands to its evaluation.
struct ExerciseResult {
    int errors = 0;
    int correct = 0;      // characters typed right
    int seconds = 0;      // on the clock, pauses not counted
    GapHistogram gaps{};  // the key gaps counted since the last result, for the session's histogram
};

struct Session {
    // The logged-in profile (empty until a login succeeds).
    std::string userName;
    // The profile's course level (0 until a login succeeds) and the level of the exercise
    // that was evaluated last.
    double CurrentLevel = 0;
    double PreviousLevel = 0;
    // The key-gap histogram: the gaps of every finished exercise are added to it.
    GapHistogram PauseHistogram{};
    // The verdict of the last evaluation: the exercise was passed; the level moved on.
    bool ExercisePassed = false;
    bool LevelCompleted = false;
    // A presentation has been shown since the last evaluation.
    bool PresentationShown = false;
    // The closing address has been read: the donations window ends the program.
    bool CourseFinished = false;
};

// What a window tells the program body about the learner's way through the course. The
// program body alone decides which window comes next and carries the move out; no window
// shows or hides another one.
enum class CourseEvent {
    ExerciseEnded,  // the exercise's text is typed: the results window judges it
    ResultsLeft,    // the results window's "Далее" (a completed lesson leads to its book movie)
    MovieKey,       // a key went down in the presentation player
    PlayerClosed,   // the presentation player was closed
    DonationsLeft,  // the donations window's "Далее"
    ClosingLeft,    // the closing address's "Выход": the course is finished
    ExerciseLeft,   // the exercise window's "Выход": the program ends
    ResultsClosed,  // the results window's close box: the program ends
};

class CourseFlow {
public:
    virtual ~CourseFlow() = default;
    // A profile has been opened (created just now when created is true) at its stored level.
    virtual void LoggedIn(const std::string& name, double level, bool created) = 0;
    // The exercise has ended: the results window judges it.
    virtual void ExerciseFinished(const ExerciseResult& result) = 0;
    // Any other step on the way through the course.
    virtual void Report(CourseEvent event) = 0;
    // Writes the profile's review lesson: false when it cannot be made (the learner has been
    // told why).
    virtual bool GenerateReviewText() = 0;
};

}  // namespace tastora
