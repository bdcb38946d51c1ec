#pragma once
// The two donations windows: one leads on to the course, the other only closes.
#include <string>

#include "core/form_spec.h"

namespace tastora {

class Tastora;

class TDonatii {
public:
    explicit TDonatii(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    void Button1Click();

private:
    Tastora& app_;
};

class TDonatii2 {
public:
    explicit TDonatii2(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    void Button1Click();

private:
    Tastora& app_;
};

}  // namespace tastora
