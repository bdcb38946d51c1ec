#pragma once
// The information window: the authors of the course and a contact address.
#include <array>

#include "core/form_layout.h"

namespace tastora {

class InfoWindow {
public:
    explicit InfoWindow(UiPort& ui) : ui_(ui) {}
    FormSpec Layout();
    void OnCreate();
    // "Выход": hides the window.
    void OnExitClick();
    // "Пожертвования": shows the closable donations window.
    void OnDonationsClick();
    // A click on the background hides the donations window opened from here.
    void OnBackgroundClick();

    struct Controls {
        LabelHandle title;
        std::array<LabelHandle, 7> credits;  // "Авторы:" and the lines after it
        LabelHandle email;
        ButtonHandle exit, donations;
    } controls;

private:
    UiPort& ui_;
};

}  // namespace tastora
