#pragma once
// The typing rules with four illustrations.
#include <string>

#include "core/bitmap.h"
#include "core/form_spec.h"

namespace tastora {

class Tastora;

class Tfh {
public:
    explicit Tfh(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void FormClick();
    void Memo1Click();


private:
    Tastora& app_;
};

}  // namespace tastora
