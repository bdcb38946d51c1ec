#pragma once
// The closing address shown when the course is finished.
#include <string>

#include "core/bitmap.h"
#include "core/form_spec.h"

namespace tastora {

class Tastora;

class TForm6 {
public:
    explicit TForm6(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();
    void Button1Click();

    bool CourseFinished = false;

private:
    Tastora& app_;
};

}  // namespace tastora
