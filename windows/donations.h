#pragma once
// The two donations windows, both showing data\rus.txt: DonationsWindow leads on to the course
// (or ends the program once the closing address has been read), DonationsViewWindow only closes.
#include "core/form_layout.h"
#include "session/session.h"

namespace tastora {

class DonationsWindow {
public:
    DonationsWindow(UiPort& ui, CourseFlow& flow) : ui_(ui), flow_(flow) {}
    FormSpec Layout();
    void OnCreate();
    // "Далее": the program body ends the program after the closing address, otherwise starts
    // the exercise at the profile's level.
    void OnNextClick();

    struct Controls {
        EditHandle text;
        ButtonHandle next;
    } controls;

private:
    UiPort& ui_;
    CourseFlow& flow_;
};

class DonationsViewWindow {
public:
    explicit DonationsViewWindow(UiPort& ui) : ui_(ui) {}
    FormSpec Layout();
    void OnCreate();
    // "Выход": hides the window.
    void OnExitClick();

    struct Controls {
        EditHandle text;
        ButtonHandle exit;
    } controls;

private:
    UiPort& ui_;
};

}  // namespace tastora
