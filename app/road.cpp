#include "app/road.h"

#include <algorithm>
#include <cmath>

#include "session/level.h"

namespace tastora {

namespace {

constexpr int kDonationsLesson = 5;   // its presentation leads to the donations window
constexpr int kLastPresentation = 6;  // lessons 1..6 have a presentation after the book
constexpr int kLastLesson = 16;       // its book leads to the closing address
constexpr int kFinishedLesson = 17;   // the lesson of a profile that has finished the course (17.1)

Move Show(FormId form) { return Move{Move::Show, form}; }
Move Hide(FormId form) { return Move{Move::Hide, form}; }
Move Simple(Move::Kind kind) { return Move{kind}; }
Move Play(Move::Kind kind, int lesson) {
    Move m{kind};
    m.lesson = lesson;
    return m;
}
Move Start(double level) {
    Move m{Move::StartExercise, FormId::Exercise};
    m.level = level;
    return m;
}

void Append(std::vector<Move>& moves, std::vector<Move> more) { moves.insert(moves.end(), more.begin(), more.end()); }

// What follows lesson N once its movies are over: the donations window after lesson 5, the
// closing address after the last lesson, the next exercise otherwise.
std::vector<Move> AfterLesson(const Session& s, int lesson) {
    if (lesson == kDonationsLesson) return {Show(FormId::Donations)};
    if (lesson >= kLastLesson) return {Show(FormId::Closing)};
    return {Show(FormId::Exercise), Start(s.CurrentLevel)};
}

// Every key in the player leads on: the lesson's presentation first (lessons 1 to 6), then
// what follows the lesson. The hidden player keeps its presentation, stopped.
std::vector<Move> AfterMovieKey(const Session& s) {
    const int lesson = LessonOf(s.PreviousLevel);
    std::vector<Move> moves;
    if (lesson != kLastLesson && (s.PresentationShown || lesson > kLastPresentation)) {
        moves.push_back(Hide(FormId::Player));
        Append(moves, AfterLesson(s, lesson));
        // The donations window leads on from here; the player stays as it is.
        if (lesson == kDonationsLesson) return moves;
    }
    if (lesson == kLastLesson) {
        moves.push_back(Show(FormId::Closing));
        moves.push_back(Hide(FormId::Player));
    }
    if (lesson <= kLastPresentation) moves.push_back(Play(Move::PlayPresentation, lesson));
    moves.push_back(Simple(Move::PresentationShown));
    moves.push_back(Simple(Move::StopMovie));
    return moves;
}

std::vector<Move> AfterResults(const RoadState& state) {
    const Session& s = state.session;
    if (!(s.ExercisePassed && s.LevelCompleted))
        return {Hide(FormId::Results), Show(FormId::Exercise), Start(s.CurrentLevel)};
    const int lesson = LessonOf(s.PreviousLevel);
    if (!state.playerCreated) {
        // No player on this machine: on as the player would lead after its last key.
        std::vector<Move> moves{Hide(FormId::Results)};
        Append(moves, AfterLesson(s, lesson));
        return moves;
    }
    // The lesson's book movie; the player leads on from there.
    return {Simple(Move::PresentationNotShown), Play(Move::PlayBook, lesson), Hide(FormId::Results),
            Show(FormId::Player)};
}

// The windows on the learner's way through the course: one of them is always on the screen,
// and each leads on (or ends the program). The others are opened beside them.
bool LeadsOn(FormId id) {
    switch (id) {
        case FormId::Login:
        case FormId::Exercise:
        case FormId::Results:
        case FormId::Player:
        case FormId::Donations:
        case FormId::Closing: return true;
        default: return false;
    }
}

}  // namespace

std::vector<Move> Road(const RoadState& state, CourseEvent event) {
    const Session& s = state.session;
    switch (event) {
        case CourseEvent::ExerciseEnded: return {Show(FormId::Results), Hide(FormId::Exercise)};
        case CourseEvent::ResultsLeft: return AfterResults(state);
        case CourseEvent::MovieKey: return AfterMovieKey(s);
        case CourseEvent::PlayerClosed: {
            std::vector<Move> moves{Hide(FormId::Player)};
            Append(moves, AfterLesson(s, LessonOf(s.PreviousLevel)));
            moves.push_back(Simple(Move::StopMovie));
            return moves;
        }
        case CourseEvent::DonationsLeft:
            // After the closing address the course is over: closing the main window ends the program.
            if (s.CourseFinished) return {Simple(Move::EndProgram)};
            return {Show(FormId::Exercise), Hide(FormId::Donations), Start(s.CurrentLevel)};
        case CourseEvent::ClosingLeft:
            return {Simple(Move::FinishCourse), Show(FormId::Donations), Hide(FormId::Closing)};
        case CourseEvent::ExerciseLeft: return {Simple(Move::EndProgram)};
        case CourseEvent::ResultsClosed: return {Simple(Move::Terminate)};
    }
    return {};
}

std::vector<Move> RoadAfterLogin(const RoadState& state, bool created) {
    const double level = state.session.CurrentLevel;
    // A new profile sees the donations window first, and its "Далее" starts the exercise; a
    // profile past the last review exercise has finished the course.
    if (created) return {Hide(FormId::Login), Show(FormId::Donations)};
    if (std::nearbyint(level) == kFinishedLesson) return {Hide(FormId::Login), Show(FormId::Closing)};
    return {Hide(FormId::Login), Show(FormId::Exercise), Start(level)};
}

std::vector<Move> RoadAfterCloseBox(const RoadState& state, FormId closed) {
    const auto& shown = state.shown;
    const auto others = [&](bool (*which)(FormId)) {
        return std::any_of(shown.begin(), shown.end(), [&](FormId id) { return id != closed && which(id); });
    };
    // The learner goes on from another window: this one is only hidden.
    if (others(LeadsOn)) return {};
    // Hidden, it would leave the learner without a way on: it leads on as its own button does.
    switch (closed) {
        case FormId::Donations: return Road(state, CourseEvent::DonationsLeft);
        case FormId::Closing: return Road(state, CourseEvent::ClosingLeft);
        case FormId::Player: return Road(state, CourseEvent::PlayerClosed);
        default: break;
    }
    // A window that leads nowhere and was the last one shown: the program ends, as when its
    // main window is closed, rather than run on without a window.
    if (!others([](FormId) { return true; })) return {Simple(Move::EndProgram)};
    return {};
}

}  // namespace tastora
