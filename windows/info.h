#pragma once
// The information window: the authors of the course and a contact address.
#include "core/form_layout.h"

namespace tastora {

class Tastora;

class InfoWindow {
public:
    explicit InfoWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    // "Выход": hides the window.
    void Button1Click();
    // "Пожертвования": shows the closable donations window.
    void Button2Click();
    // A click on the background hides the donations window opened from here.
    void FormClick();

private:
    Tastora& app_;
};

}  // namespace tastora
