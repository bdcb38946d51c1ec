#include "windows/picture.h"

#include "app/tastora.h"

namespace tastora {

FormSpec PictureWindow::Layout() {
    FormSpec f = MakeForm(FormId::Picture, "Рисунок", BorderStyle::Sizeable, false, 696, 480);
    f.centered = false;
    f.left = 337;
    f.top = 179;

    // The image takes the size of the picture it is given.
    ControlSpec image = MakeControl("Image1", ControlKind::Image, 0, 0, 0, 0);
    image.autoSize = true;
    image.takesFocus = false;
    f.controls.push_back(image);
    return f;
}

}  // namespace tastora
