#pragma once
// The small borderless progress window shown while an exercise loads. StartExercise shows
// it, moves the bar and hides it again; the window has no handlers of its own.
#include "core/form_layout.h"

namespace tastora {

class Tastora;

class ProgressWindow {
public:
    explicit ProgressWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();

private:
    Tastora& app_;
};

}  // namespace tastora
