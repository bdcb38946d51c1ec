#include "windows/picture.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TFpic::Layout() {
    FormSpec f;
    f.id = FormId::Fpic;
    f.caption = "Рисунок";
    f.border = BorderStyle::Sizeable;
    f.clientSize = false;
    f.width = 696;
    f.height = 480;
    f.centered = false;
    f.left = 337;
    f.top = 179;

    // The image takes the size of the picture it is given.
    ControlSpec image;
    image.name = "Image1";
    image.kind = ControlKind::Image;
    image.left = 0;
    image.top = 0;
    image.autoSize = true;
    image.takesFocus = false;
    f.controls.push_back(image);
    return f;
}

}  // namespace tastora
