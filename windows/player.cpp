#include "windows/player.h"

#include "app/tastora.h"
#include "core/files.h"
#include "results/results.h"

namespace tastora {

namespace {

constexpr uint32_t kRightButtonDown = 0x0204;

void FitToScreen(UiPort& ui) {
    ui.SetBounds(FormId::flashplayer, "ShockwaveFlash1", Rect{0, 0, ui.ScreenWidth(), ui.ScreenHeight()});
}

}  // namespace

FormSpec TFLashplayer::Layout() {
    FormSpec f = MakeForm(FormId::flashplayer, "flashplayer", BorderStyle::None, true, 696, 480);
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

void TFLashplayer::FormCreate() {}

void TFLashplayer::PlaySwf(const std::string& path) {
    UiPort& ui = app_.ui;
    // A size change of the panel and back: the control is placed anew.
    ui.SetAlignClient(FormId::flashplayer, "Panel1", false);
    Rect r = ui.Bounds(FormId::flashplayer, "Panel1");
    ui.SetBounds(FormId::flashplayer, "Panel1", Rect{r.left, r.top, r.width - 1, r.height - 1});
    r = ui.Bounds(FormId::flashplayer, "Panel1");
    ui.SetBounds(FormId::flashplayer, "Panel1", Rect{r.left, r.top, r.width + 1, r.height + 1});
    ui.SetAlignClient(FormId::flashplayer, "Panel1", true);

    ui.PutControlProperty(FormId::flashplayer, "ShockwaveFlash1", kDispidMovie, path);
    ui.InvokeControlMethod(FormId::flashplayer, "ShockwaveFlash1", kDispidPlay);
    FitToScreen(ui);
}

void TFLashplayer::Panel1Resize() { FitToScreen(app_.ui); }

void TFLashplayer::GoOnAfterLesson(int lesson) {
    UiPort& ui = app_.ui;
    if (lesson == 5) {
        ui.Show(FormId::Donatii);
    } else if (lesson >= 16) {
        ui.Show(FormId::Form6);
    } else {
        ui.Show(FormId::Form2);
        app_.Form2.StartExercise(app_.Form1.CurrentLevel);
    }
}

void TFLashplayer::FormKeyDown(uint16_t&) {
    UiPort& ui = app_.ui;
    const int lesson = LessonOf(app_.Form3.PreviousLevel);
    if (lesson != 16 && (PresentationShown || lesson > 6)) {
        ui.Hide(FormId::flashplayer);
        GoOnAfterLesson(lesson);
        // After lesson 5 the donations window leads on; the player stays as it is.
        if (lesson == 5) return;
    }
    if (lesson == 16) {
        ui.Show(FormId::Form6);
        ui.Hide(FormId::flashplayer);
    }
    if (lesson <= 6)
        PlaySwf(AbsolutePath("data\\pictures\\prezentari\\" + std::to_string(lesson) + ".swf"));
    PresentationShown = true;
    ui.PutControlProperty(FormId::flashplayer, "ShockwaveFlash1", kDispidPlaying, false);
}

void TFLashplayer::ApplicationEvents1Message(uint32_t message, bool& handled) {
    if (message == kRightButtonDown) handled = true;
}

}  // namespace tastora
