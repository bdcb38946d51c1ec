#pragma once
// The closing address shown when the course is finished.
#include "core/form_layout.h"

namespace tastora {

class Tastora;

class ClosingWindow {
public:
    explicit ClosingWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    // "Выход": marks the course as finished and shows the donations window, whose "Далее"
    // then ends the program.
    void Button1Click();

    // Set once the closing address has been left; never reset while the program runs.
    bool CourseFinished = false;

private:
    Tastora& app_;
};

}  // namespace tastora
