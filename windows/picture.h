#pragma once
// The picture window of the typing rules: one illustration at a time, captioned, sized
// and shown by the picture buttons of the rules window.
#include <string>

#include "core/form_layout.h"

namespace tastora {

class PictureWindow {
public:
    explicit PictureWindow(UiPort& ui) : ui_(ui) {}
    FormSpec Layout();

    // Captions the window, loads the JPEG picture into it, gives the window this outer size
    // (whatever the picture's own size) and shows it. A picture that cannot be loaded raises
    // TastoraError after the caption has been set; the window keeps its size and visibility.
    void ShowPicture(const std::string& caption, const std::string& path, int height, int width);
    void Hide();

    struct Controls {
        ImageHandle image;
    } controls;

private:
    UiPort& ui_;
};

}  // namespace tastora
