#include "windows/progress.h"

#include <algorithm>

namespace tastora {

FormSpec ProgressWindow::Layout() {
    FormSpec f = MakeForm(FormId::Progress, "Fprogres", BorderStyle::None, true, 273, 33);

    // Range 0 to 100, the window system's default for a progress bar.
    ControlSpec bar = MakeControl("ProgressBar1", ControlKind::ProgressBar, 8, 8, 257, 17);
    bar.takesFocus = false;
    controls.bar = f.Add<ProgressHandle>(bar);
    return f;
}

void ProgressWindow::Show() {
    ui_.Show(FormId::Progress);
    ui_.SetProgress(controls.bar, 0);
}

void ProgressWindow::Advance(int percent) { ui_.SetProgress(controls.bar, std::clamp(percent, 0, 100)); }

void ProgressWindow::Hide() {
    ui_.Hide(FormId::Progress);
    ui_.SetProgress(controls.bar, 0);
}

}  // namespace tastora
