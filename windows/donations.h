#pragma once
// The two donations windows, both showing data\rus.txt: DonationsWindow leads on to the course
// (or ends the program once the closing address has been read), DonationsViewWindow only closes.
#include "core/form_layout.h"

namespace tastora {

class Tastora;

class DonationsWindow {
public:
    explicit DonationsWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    // "Далее": ends the program after the closing address, otherwise starts the exercise
    // at the profile's level.
    void Button1Click();

private:
    Tastora& app_;
};

class DonationsViewWindow {
public:
    explicit DonationsViewWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    // "Выход": hides the window.
    void Button1Click();

private:
    Tastora& app_;
};

}  // namespace tastora
