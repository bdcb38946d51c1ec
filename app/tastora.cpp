#include "app/tastora.h"

#include "core/errors.h"

namespace tastora {

Tastora::Tastora(UiPort& port, PlatformPort& system)
    : ui(port),
      platform(system),
      login(ui, session, *this),
      exercise(ui, session, *this, progress),
      results(port, session, *this, player, FlashPlayerCreated),
      closing(ui, session),
      progress(ui),
      rules(ui, picture),
      picture(ui),
      info(ui),
      donations(ui, session, *this),
      donationsView(ui),
      player(ui, session, *this) {}

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

namespace {

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

void Tastora::OnCloseBox(FormId id) {
    bool leadingShown = false, anyShown = false;
    for (int i = 0; i < kProgramFormCount; ++i) {
        const FormId other = FormId(i);
        if (other == id || !ui.IsVisible(other)) continue;
        anyShown = true;
        leadingShown = leadingShown || LeadsOn(other);
    }
    // The learner goes on from another window: this one is only hidden.
    if (leadingShown) return;
    // Hidden, it would leave the learner without a way on: it leads on as its own button does.
    switch (id) {
        case FormId::Donations: donations.OnNextClick(); return;
        case FormId::Closing: closing.OnExitClick(); return;
        case FormId::Player: player.Leave(); return;
        default: break;
    }
    // A window that leads nowhere and was the last one shown: the program ends, as when its
    // main window is closed, rather than run on without a window.
    if (!anyShown) ui.Close(FormId::Login);
}

void Tastora::StartExercise(double level) { exercise.StartExercise(level); }

void Tastora::ExerciseFinished(const ExerciseResult& result) { results.EvaluateExercise(result); }

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
