#pragma once
// The small borderless progress window shown while an exercise loads.
#include <string>

#include "core/bitmap.h"
#include "core/form_spec.h"

namespace tastora {

class Tastora;

class TFprogres {
public:
    explicit TFprogres(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();


private:
    Tastora& app_;
};

}  // namespace tastora
