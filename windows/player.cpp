#include "windows/player.h"

#include "app/tastora.h"
#include "core/files.h"
#include "results/results.h"

namespace tastora {

namespace {

constexpr uint32_t kRightButtonDown = 0x0204;

void FitToScreen(UiPort& ui) {
    ui.SetBounds(FormId::Player, "ShockwaveFlash1", Rect{0, 0, ui.ScreenWidth(), ui.ScreenHeight()});
}

}  // namespace

PlayerWindow::PlayerWindow(Tastora& app) : PresentationShown(app.session.PresentationShown), app_(app) {}

FormSpec PlayerWindow::Layout() {
    FormSpec f = MakeForm(FormId::Player, "flashplayer", BorderStyle::None, true, 696, 480);
    f.maximized = true;
    f.keyPreview = true;

    // Lies behind the movie and fills the window.
    ControlSpec panel = MakeControl("Panel1", ControlKind::Panel, 0, 0, 696, 480, "Panel1");
    panel.alignClient = true;
    panel.takesFocus = false;
    panel.onResize = [this] { Panel1Resize(); };

    ControlSpec flash = MakeControl("ShockwaveFlash1", ControlKind::ActiveX, 96, 32, 192, 192);
    flash.parent = "Panel1";
    flash.classId = kFlashClassId;
    flash.settings = {{"Quality", "High"}, {"Scale", "ShowAll"}, {"WMode", "Window"}, {"Movie", ""}};
    f.controls = {panel, flash};

    f.onCreate = [this] { FormCreate(); };
    f.onKeyDown = [this](uint16_t& key) { FormKeyDown(key); };
    return f;
}

void PlayerWindow::FormCreate() {}

void PlayerWindow::PlaySwf(const std::string& path) {
    UiPort& ui = app_.ui;
    // A size change of the panel and back: the control is placed anew.
    ui.SetAlignClient(FormId::Player, "Panel1", false);
    Rect r = ui.Bounds(FormId::Player, "Panel1");
    ui.SetBounds(FormId::Player, "Panel1", Rect{r.left, r.top, r.width - 1, r.height - 1});
    r = ui.Bounds(FormId::Player, "Panel1");
    ui.SetBounds(FormId::Player, "Panel1", Rect{r.left, r.top, r.width + 1, r.height + 1});
    ui.SetAlignClient(FormId::Player, "Panel1", true);

    ui.PutControlProperty(FormId::Player, "ShockwaveFlash1", kDispidMovie, path);
    ui.InvokeControlMethod(FormId::Player, "ShockwaveFlash1", kDispidPlay);
    FitToScreen(ui);
}

void PlayerWindow::Panel1Resize() { FitToScreen(app_.ui); }

void PlayerWindow::GoOnAfterLesson(int lesson) {
    UiPort& ui = app_.ui;
    if (lesson == 5) {
        ui.Show(FormId::Donations);
    } else if (lesson >= 16) {
        ui.Show(FormId::Closing);
    } else {
        ui.Show(FormId::Exercise);
        app_.exercise.StartExercise(app_.login.CurrentLevel);
    }
}

void PlayerWindow::FormKeyDown(uint16_t&) {
    UiPort& ui = app_.ui;
    const int lesson = LessonOf(app_.session.PreviousLevel);
    if (lesson != 16 && (PresentationShown || lesson > 6)) {
        ui.Hide(FormId::Player);
        GoOnAfterLesson(lesson);
        // After lesson 5 the donations window leads on; the player stays as it is.
        if (lesson == 5) return;
    }
    if (lesson == 16) {
        ui.Show(FormId::Closing);
        ui.Hide(FormId::Player);
    }
    if (lesson <= 6)
        PlaySwf(AbsolutePath("data\\pictures\\prezentari\\" + std::to_string(lesson) + ".swf"));
    PresentationShown = true;
    ui.PutControlProperty(FormId::Player, "ShockwaveFlash1", kDispidPlaying, false);
}

void PlayerWindow::ApplicationEvents1Message(uint32_t message, bool& handled) {
    if (message == kRightButtonDown) handled = true;
}

}  // namespace tastora
