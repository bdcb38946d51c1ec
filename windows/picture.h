#pragma once
// The picture window of the typing rules.
#include <string>

#include "core/bitmap.h"
#include "core/form_spec.h"

namespace tastora {

class Tastora;

class TFpic {
public:
    explicit TFpic(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();


private:
    Tastora& app_;
};

}  // namespace tastora
