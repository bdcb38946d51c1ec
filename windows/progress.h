#pragma once
// The small borderless progress window shown while an exercise loads: the exercise window
// shows it, advances its bar step by step and hides it again.
#include "core/form_layout.h"

namespace tastora {

class ProgressWindow {
public:
    explicit ProgressWindow(UiPort& ui) : ui_(ui) {}
    FormSpec Layout();

    // Shows the window with an empty bar.
    void Show();
    // Moves the bar to this percentage (kept within 0 to 100).
    void Advance(int percent);
    // Hides the window and empties the bar for the next time.
    void Hide();

    struct Controls {
        ProgressHandle bar;
    } controls;

private:
    UiPort& ui_;
};

}  // namespace tastora
