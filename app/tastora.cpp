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
    }
    return FormSpec{};
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
