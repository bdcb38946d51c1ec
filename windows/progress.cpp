#include "windows/progress.h"

#include "app/tastora.h"

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
    app_.ui.Show(FormId::Progress);
    app_.ui.SetProgress(controls.bar, 0);
}

void ProgressWindow::Advance(int percent) { app_.ui.SetProgress(controls.bar, percent); }

void ProgressWindow::Hide() {
    app_.ui.Hide(FormId::Progress);
    app_.ui.SetProgress(controls.bar, 0);
}

}  // namespace tastora
