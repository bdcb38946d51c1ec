#include "windows/progress.h"

#include "app/tastora.h"

namespace tastora {

FormSpec ProgressWindow::Layout() {
    FormSpec f = MakeForm(FormId::Progress, "Fprogres", BorderStyle::None, true, 273, 33);

    // Range 0 to 100, the window system's default for a progress bar.
    ControlSpec bar = MakeControl("ProgressBar1", ControlKind::ProgressBar, 8, 8, 257, 17);
    bar.takesFocus = false;
    f.controls.push_back(bar);
    return f;
}

}  // namespace tastora
