#pragma once
// The closing address shown when the course is finished.
#include "core/form_layout.h"
#include "session/session.h"

namespace tastora {

class ClosingWindow {
public:
    ClosingWindow(UiPort& ui, Session& session) : ui_(ui), session_(session) {}
    FormSpec Layout();
    void OnCreate();
    // "Выход": marks the course as finished (Session::CourseFinished, never reset while the
    // program runs) and shows the donations window, whose "Далее" then ends the program.
    void OnExitClick();

    struct Controls {
        RichEditHandle text;
        ButtonHandle exit;
    } controls;

private:
    UiPort& ui_;
    Session& session_;
};

}  // namespace tastora
