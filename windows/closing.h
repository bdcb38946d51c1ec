#pragma once
// The closing address shown when the course is finished.
#include "core/form_layout.h"
#include "session/session.h"

namespace tastora {

class ClosingWindow {
public:
    ClosingWindow(UiPort& ui, CourseFlow& flow) : ui_(ui), flow_(flow) {}
    FormSpec Layout();
    void OnCreate();
    // "Выход": the program body marks the course as finished (Session::CourseFinished, never
    // reset while the program runs) and shows the donations window, whose "Далее" then ends
    // the program.
    void OnExitClick();

    struct Controls {
        RichEditHandle text;
        ButtonHandle exit;
    } controls;

private:
    UiPort& ui_;
    CourseFlow& flow_;
};

}  // namespace tastora
