#pragma once
// The program body: every window of Tastora, created once at start-up, the event loop, and the
// steps of the course that the windows report (the road of app/road.h carried out).
#include <cstdint>
#include <string>
#include <type_traits>

#include "app/road.h"
#include "core/form_layout.h"
#include "core/platform.h"
#include "core/ui_port.h"
#include "exercise/exercise.h"
#include "results/results.h"
#include "session/session.h"
#include "users/login.h"
#include "windows/closing.h"
#include "windows/donations.h"
#include "windows/info.h"
#include "windows/picture.h"
#include "windows/player.h"
#include "windows/progress.h"
#include "windows/rules.h"

namespace tastora {

class Tastora : public CourseFlow {
public:
    Tastora(UiPort& port, PlatformPort& system);
    // A port that serves as both (the tests' recording fake, which logs the window and the
    // platform calls in one order).
    template <class Both,
              class = std::enable_if_t<std::is_base_of_v<UiPort, Both> && std::is_base_of_v<PlatformPort, Both>>>
    explicit Tastora(Both& ports) : Tastora(static_cast<UiPort&>(ports), static_cast<PlatformPort&>(ports)) {}
    Tastora(const Tastora&) = delete;
    Tastora& operator=(const Tastora&) = delete;

    // Start-up, event loop and clean-up (COM is the caller's); the process's exit code.
    int Run();

    // The window description of one window, its handlers bound to this program.
    FormSpec LayoutOf(FormId id);
    // The close box of a window that has no close handler of its own, before the window is
    // hidden (RoadAfterCloseBox).
    void OnCloseBox(FormId id);

    // Creates the presentation window: with the control file beside the program when it is
    // there, else with the registered control; when COM does not know the control, installs
    // the program's own copy in the system directory, registers it and tries once more, or,
    // where the system directory cannot be written, uses a copy in the user's application data
    // folder. Without the window the program goes on without presentations (after at most one
    // message).
    void ProvisionFlashControl();
    // Starts a command line and waits for its end: its exit code, or -1 (after the "Yipes!"
    // box with the system's text) when it cannot be started.
    int32_t RunAndWait(const std::string& commandLine, uint16_t showMode);

    // --- the steps that the windows report: the program body writes the session and moves the
    // windows as the road says (app/road.h)
    void LoggedIn(const std::string& name, double level, bool created) override;
    void ExerciseFinished(const ExerciseResult& result) override;
    void Report(CourseEvent event) override;
    bool GenerateReviewText() override;

    UiPort& ui;
    PlatformPort& platform;
    // The learner's session: owned and written here, read by the windows that need it.
    Session session;
    // The Windows system directory, read once at start-up (at most 2047 characters).
    std::string SystemDirectory;

    // The windows, in the order of creation.
    LoginWindow login;
    ExerciseWindow exercise;
    ResultsWindow results;
    ClosingWindow closing;
    ProgressWindow progress;
    RulesWindow rules;
    PictureWindow picture;
    InfoWindow info;
    DonationsWindow donations;
    DonationsViewWindow donationsView;
    PlayerWindow player;
    // False when the presentation window could not be created: no presentation is offered
    // (a completed lesson then leads on as the player would).
    bool FlashPlayerCreated = false;

private:
    FormSpec OwnLayout(FormId id);
    // The session and the windows on the screen, as the road takes them.
    RoadState Where() const;
    // Carries out the moves in order; a failing move (the control's call) ends the step there.
    void Go(const std::vector<Move>& moves);
    void CreatePlayerWindow();
    // Creates the presentation window with the control file in this folder (an activation
    // context, no registration). False, with the reason, when COM cannot create it that way.
    bool CreatePlayerWindowFrom(const std::string& folder, std::string& failure);
    // The fallback for a system directory that cannot be written: the control file in the
    // user's application data folder; when that fails too, one message with both reasons.
    void ProvisionForUser(const std::string& bytes, const std::string& systemFailure);
};

}  // namespace tastora
