#pragma once
// The information window (authors of the course).
#include <string>

#include "core/bitmap.h"
#include "core/form_spec.h"

namespace tastora {

class Tastora;

class TFi {
public:
    explicit TFi(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    void Button1Click();
    void Button2Click();
    void FormClick();


private:
    Tastora& app_;
};

}  // namespace tastora
