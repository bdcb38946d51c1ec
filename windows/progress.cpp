#include "windows/progress.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TFprogres::Layout() {
    FormSpec f;
    f.id = FormId::Fprogres;
    f.caption = "Fprogres";
    f.border = BorderStyle::None;
    f.clientSize = true;
    f.width = 273;
    f.height = 33;
    f.centered = true;

    // Range 0 to 100, the window system's default for a progress bar.
    ControlSpec bar;
    bar.name = "ProgressBar1";
    bar.kind = ControlKind::ProgressBar;
    bar.left = 8;
    bar.top = 8;
    bar.width = 257;
    bar.height = 17;
    bar.takesFocus = false;
    f.controls.push_back(bar);
    return f;
}

}  // namespace tastora
