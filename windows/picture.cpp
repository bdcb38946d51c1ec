#include "windows/picture.h"

#include "core/image_io.h"

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
    controls.image = f.Add<ImageHandle>(image);
    return f;
}

void PictureWindow::ShowPicture(const std::string& caption, const std::string& path, int height, int width) {
    ui_.SetCaption(FormId::Picture, caption);
    const Bitmap picture = LoadJpeg(path);
    ui_.SetImage(controls.image, picture);
    ui_.SetOuterHeight(FormId::Picture, height);
    ui_.SetOuterWidth(FormId::Picture, width);
    ui_.Show(FormId::Picture);
}

void PictureWindow::Hide() { ui_.Hide(FormId::Picture); }

}  // namespace tastora
