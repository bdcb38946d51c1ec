#pragma once
// The learner's road through the course: which windows come and go on each step that a window
// reports, decided in this one place from the session; the program body carries the moves out.
#include <vector>

#include "core/ui_port.h"
#include "session/session.h"

namespace tastora {

struct Move {
    enum Kind {
        Show,                  // form
        Hide,                  // form
        StartExercise,         // at level
        PlayBook,              // the book movie of lesson
        PlayPresentation,      // the presentation of lesson
        StopMovie,             // the player's movie stops
        PresentationShown,     // Session::PresentationShown becomes true
        PresentationNotShown,  // and false
        FinishCourse,          // Session::CourseFinished becomes true
        EndProgram,            // the main window closes
        Terminate,             // the program ends at once
    } kind;
    FormId form = FormId::Login;
    double level = 0;
    int lesson = 0;
};

// Where the learner stands when a step is reported.
struct RoadState {
    const Session& session;
    // The presentation window exists (without it a completed lesson leads on as the player would).
    bool playerCreated = false;
    // The windows on the screen (for the close box: beside the window being closed).
    std::vector<FormId> shown;
};

// The moves of one step, in order. A profile just opened is written into the session first.
std::vector<Move> Road(const RoadState& state, CourseEvent event);
std::vector<Move> RoadAfterLogin(const RoadState& state, bool created);
// The close box of a window without a close handler of its own, before the window is hidden:
// a window whose hiding would leave no window to go on from does what its own way on does (the
// donations window's "Далее", the closing address's "Выход", the player's close); one that leads
// nowhere then ends the program. The program never runs on without a window on the screen.
std::vector<Move> RoadAfterCloseBox(const RoadState& state, FormId closed);

}  // namespace tastora
