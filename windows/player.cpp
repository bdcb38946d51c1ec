#include "windows/player.h"

namespace tastora {

namespace {

constexpr uint32_t kRightButtonDown = 0x0204;

}  // namespace

FormSpec PlayerWindow::Layout() {
    FormSpec f = MakeForm(FormId::Player, "flashplayer", BorderStyle::None, true, 696, 480);
    f.maximized = true;
    f.keyPreview = true;

    // Lies behind the movie and fills the window.
    ControlSpec panel = MakeControl("Panel1", ControlKind::Panel, 0, 0, 696, 480, "Panel1");
    panel.alignClient = true;
    panel.takesFocus = false;
    panel.onResize = [this] { OnPanelResize(); };
    controls.panel = f.Add<PanelHandle>(panel);

    ControlSpec flash = MakeControl("ShockwaveFlash1", ControlKind::ActiveX, 96, 32, 192, 192);
    flash.parent = controls.panel;
    flash.classId = flash::kClassId;
    flash.settings = {{"Quality", "High"}, {"Scale", "ShowAll"}, {"WMode", "Window"}, {"Movie", ""}};
    controls.flash = f.Add<ActiveXHandle>(flash);

    f.onKeyDown = [this](uint16_t& key) { OnKeyDown(key); };
    return f;
}

void PlayerWindow::FitToScreen() { ui_.SetBounds(controls.flash, Rect{0, 0, ui_.ScreenWidth(), ui_.ScreenHeight()}); }

void PlayerWindow::PlaySwf(const std::string& path) {
    // A size change of the panel and back: the control is placed anew.
    ui_.SetAlignClient(controls.panel, false);
    Rect r = ui_.Bounds(controls.panel);
    ui_.SetBounds(controls.panel, Rect{r.left, r.top, r.width - 1, r.height - 1});
    r = ui_.Bounds(controls.panel);
    ui_.SetBounds(controls.panel, Rect{r.left, r.top, r.width + 1, r.height + 1});
    ui_.SetAlignClient(controls.panel, true);

    ui_.PutControlProperty(controls.flash, flash::DispidOf(flash::Member::Movie), path);
    ui_.InvokeControlMethod(controls.flash, flash::DispidOf(flash::Member::Play));
    FitToScreen();
}

void PlayerWindow::OnPanelResize() { FitToScreen(); }

void PlayerWindow::Stop() { ui_.PutControlProperty(controls.flash, flash::DispidOf(flash::Member::Playing), false); }

void PlayerWindow::OnKeyDown(uint16_t&) { flow_.Report(CourseEvent::MovieKey); }

void PlayerWindow::OnApplicationMessage(uint32_t message, bool& handled) {
    if (message == kRightButtonDown) handled = true;
}

}  // namespace tastora
