#pragma once
// The full-screen presentation player: a borderless, maximised window whose panel holds the
// Shockwave Flash control. After a completed lesson it plays the lesson's book movie; its key
// presses and its close go to the program body, which shows the lesson's presentation
// (lessons 1 to 6) and leads on to what comes next.
#include <cstdint>
#include <string>

#include "core/flash_members.h"
#include "core/form_layout.h"
#include "session/session.h"

namespace tastora {

class PlayerWindow {
public:
    PlayerWindow(UiPort& ui, CourseFlow& flow) : ui_(ui), flow_(flow) {}
    FormSpec Layout();

    // Loads a movie (full path) into the control and starts it; does not show the window.
    void PlaySwf(const std::string& path);
    // The control always covers the whole screen, whatever the panel's size.
    void OnPanelResize();
    // Every key-down (auto-repeat included) leads on: presentation, then the next step.
    void OnKeyDown(uint16_t& key);
    // Stops the movie.
    void Stop();
    // Drops right-button presses for every window of the program (handled: the message is dropped).
    void OnApplicationMessage(uint32_t message, bool& handled);

    struct Controls {
        PanelHandle panel;
        ActiveXHandle flash;
    } controls;

private:
    void FitToScreen();

    UiPort& ui_;
    CourseFlow& flow_;
};

}  // namespace tastora
