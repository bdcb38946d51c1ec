#pragma once
// The small borderless progress window shown while an exercise loads. StartExercise shows
// it, advances the bar and hides it again; the window has no handlers of its own.
#include "core/form_layout.h"

namespace tastora {

class Tastora;

class ProgressWindow {
public:
    explicit ProgressWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();

    struct Controls {
        ProgressHandle bar;  // 0 to 100
    } controls;

    // Shows the window with an empty bar.
    void Show();
    // Moves the bar to this percentage.
    void Advance(int percent);
    // Hides the window, its bar back at 0.
    void Hide();

private:
    Tastora& app_;
};

}  // namespace tastora
