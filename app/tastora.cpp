#include "app/tastora.h"

#include "core/errors.h"
#include "core/files.h"

namespace tastora {

Tastora::Tastora(UiPort& port, PlatformPort& system)
    : ui(port),
      platform(system),
      login(ui, *this),
      exercise(ui, session, *this, progress),
      results(port, session, *this),
      closing(ui, *this),
      progress(ui),
      rules(ui, picture),
      picture(ui),
      info(ui),
      donations(ui, *this),
      donationsView(ui),
      player(ui, *this) {}

FormSpec Tastora::LayoutOf(FormId id) {
    FormSpec desc = OwnLayout(id);
    // The login window's close ends the program, and the progress window (no frame, never
    // active) cannot be closed; every other window without a close handler of its own is
    // hidden by its close box, and may have to lead on (OnCloseBox).
    if (!desc.onClose && id != FormId::Login && id != FormId::Progress) desc.onClose = [this, id] { OnCloseBox(id); };
    return desc;
}

FormSpec Tastora::OwnLayout(FormId id) {
    switch (id) {
        case FormId::Login: return login.Layout();
        case FormId::Exercise: return exercise.Layout();
        case FormId::Results: return results.Layout();
        case FormId::Closing: return closing.Layout();
        case FormId::Progress: return progress.Layout();
        case FormId::Rules: return rules.Layout();
        case FormId::Picture: return picture.Layout();
        case FormId::Info: return info.Layout();
        case FormId::Donations: return donations.Layout();
        case FormId::DonationsView: return donationsView.Layout();
        case FormId::Player: return player.Layout();
        case FormId::Journal:
        case FormId::JournalPassword:
        case FormId::JournalNewPassword: break;
    }
    return FormSpec{};
}

RoadState Tastora::Where() const {
    RoadState state{session, FlashPlayerCreated, {}};
    for (int i = 0; i < kProgramFormCount; ++i)
        if (ui.IsVisible(FormId(i))) state.shown.push_back(FormId(i));
    return state;
}

void Tastora::Go(const std::vector<Move>& moves) {
    for (const Move& m : moves) {
        switch (m.kind) {
            case Move::Show: ui.Show(m.form); break;
            case Move::Hide: ui.Hide(m.form); break;
            case Move::StartExercise: exercise.StartExercise(m.level); break;
            case Move::PlayBook:
                player.PlaySwf(AbsolutePath("data\\pictures\\carti\\" + std::to_string(m.lesson) + ".swf"));
                break;
            case Move::PlayPresentation:
                player.PlaySwf(AbsolutePath("data\\pictures\\prezentari\\" + std::to_string(m.lesson) + ".swf"));
                break;
            case Move::StopMovie: player.Stop(); break;
            case Move::PresentationShown: session.PresentationShown = true; break;
            case Move::PresentationNotShown: session.PresentationShown = false; break;
            case Move::FinishCourse: session.CourseFinished = true; break;
            case Move::EndProgram: ui.Close(FormId::Login); break;
            case Move::Terminate: ui.Terminate(); break;
        }
    }
}

void Tastora::OnCloseBox(FormId id) { Go(RoadAfterCloseBox(Where(), id)); }

void Tastora::LoggedIn(const std::string& name, double level, bool created) {
    session.CurrentLevel = level;
    session.userName = name;
    Go(RoadAfterLogin(Where(), created));
}

void Tastora::ExerciseFinished(const ExerciseResult& result) {
    for (size_t gap = 0; gap < result.gaps.size(); ++gap) session.PauseHistogram[gap] += result.gaps[gap];
    Go(Road(Where(), CourseEvent::ExerciseEnded));
    // The verdict moves the session on, also as far as an evaluation got before a failure.
    const EvaluatedLevel judged = results.EvaluateExercise(result);
    session.PreviousLevel = judged.previous;
    session.CurrentLevel = judged.current;
    session.ExercisePassed = judged.passed;
    session.LevelCompleted = judged.completed;
}

void Tastora::Report(CourseEvent event) { Go(Road(Where(), event)); }

bool Tastora::GenerateReviewText() {
    exercise.WriteErrorCounts();  // the review is made from them
    return results.GenerateReviewText();
}

int Tastora::Run() {
    ui.SetApplicationTitle("Tastora");

    // Windows 1 to 10: each is built hidden from its layout, then its creation handler runs.
    // A failure inside a creation handler is shown and the start-up goes on.
    static const FormId kOrder[] = {FormId::Login,     FormId::Exercise,     FormId::Results, FormId::Closing,
                                    FormId::Progress,  FormId::Rules,        FormId::Picture, FormId::Info,
                                    FormId::Donations, FormId::DonationsView};
    for (FormId id : kOrder) {
        const FormSpec desc = LayoutOf(id);
        ui.CreateForm(desc);
        RunGuarded(ui, desc.onCreate);
    }

    SystemDirectory = platform.SystemDirectory();
    if (SystemDirectory.size() > 2047) SystemDirectory.resize(2047);

    // The presentation window comes last, with the Flash control installed if need be.
    ProvisionFlashControl();

    ui.RunEventLoop(FormId::Login);
    exercise.WriteErrorCounts();  // the wrong keys of the last moment

    session.userName.clear();
    return 0;
}

}  // namespace tastora
