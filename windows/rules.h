#pragma once
// The typing rules with four illustrations.
#include <string>

#include "core/form_layout.h"

namespace tastora {

class Tastora;

class RulesWindow {
public:
    explicit RulesWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    // "Рисунок 1" to "Рисунок 4": the illustration in the picture window.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    // "Выход": hides the rules and the picture.
    void Button5Click();
    // A click on the background or on the text hides the picture only.
    void FormClick();
    void Memo1Click();

private:
    // Captions the picture window, loads the picture into it, sizes and shows it. A picture
    // that cannot be loaded ends the handler after the caption has been set.
    void ShowPicture(const std::string& caption, const std::string& path, int height, int width);

    Tastora& app_;
};

}  // namespace tastora
