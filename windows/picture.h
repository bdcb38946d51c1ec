#pragma once
// The picture window of the typing rules: one illustration at a time, captioned, sized
// and shown by the picture buttons of the rules window.
#include "core/form_layout.h"

namespace tastora {

class Tastora;

class PictureWindow {
public:
    explicit PictureWindow(Tastora& app) : app_(app) {}
    FormSpec Layout();

private:
    Tastora& app_;
};

}  // namespace tastora
