#pragma once
// The typing rules with four illustrations, shown in the picture window.
#include <array>

#include "core/form_layout.h"
#include "windows/picture.h"

namespace tastora {

class RulesWindow {
public:
    RulesWindow(UiPort& ui, PictureWindow& picture) : ui_(ui), picture_(picture) {}
    FormSpec Layout();
    void OnCreate();
    // "Рисунок 1" to "Рисунок 4" (number 1 to 4): the illustration in the picture window.
    void OnPictureClick(int number);
    // "Выход": hides the rules and the picture.
    void OnExitClick();
    // A click on the background or on the text hides the picture only.
    void OnBackgroundClick();
    void OnTextClick();

    struct Controls {
        EditHandle text;
        std::array<ButtonHandle, 4> pictures;  // "Рисунок 1" to "Рисунок 4"
        ButtonHandle exit;
    } controls;

private:
    UiPort& ui_;
    PictureWindow& picture_;
};

}  // namespace tastora
