#pragma once
// The full-screen presentation player: a borderless, maximised window whose panel holds the
// Shockwave Flash control. After a completed lesson it plays the lesson's book movie; key
// presses show the lesson's presentation (lessons 1 to 6) and lead on to what comes next.
#include <cstdint>
#include <string>

#include "core/flash_members.h"
#include "core/form_layout.h"
#include "session/session.h"

namespace tastora {

class PlayerWindow {
public:
    PlayerWindow(UiPort& ui, Session& session, CourseFlow& flow) : ui_(ui), session_(session), flow_(flow) {}
    FormSpec Layout();

    // Loads a movie (full path) into the control and starts it; does not show the window.
    void PlaySwf(const std::string& path);
    // The control always covers the whole screen, whatever the panel's size.
    void OnPanelResize();
    // Every key-down (auto-repeat included) leads on: presentation, then the next step. The
    // lesson is the one of Session::PreviousLevel; Session::PresentationShown is set once the
    // presentation has been started.
    void OnKeyDown(uint16_t& key);
    // Drops right-button presses for every window of the program (handled: the message is dropped).
    void OnApplicationMessage(uint32_t message, bool& handled);

    // Leaves the player for what follows the lesson, whatever it shows, and stops the movie:
    // the window's close (it has no close box, but the system's close command reaches it).
    void Leave();

    // What follows lesson N once its movies are over: the donations window after lesson 5,
    // the closing address after lesson 16, the next exercise otherwise.
    void GoOnAfterLesson(int lesson);

    struct Controls {
        PanelHandle panel;
        ActiveXHandle flash;
    } controls;

private:
    void FitToScreen();

    UiPort& ui_;
    Session& session_;
    CourseFlow& flow_;
};

}  // namespace tastora
