// The results window: its layout, the graph picture, and "Далее" leading on.
#include <exception>
#include <string>

#include "app/tastora.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/image_io.h"
#include "results/results.h"

namespace tastora {

namespace {

const char kGraphPicture[] = "data\\pictures\\graph.bmp";

}  // namespace

FormSpec ResultsWindow::Layout() {
    FormSpec f = MakeForm(FormId::Results, "Form3", BorderStyle::ToolWindow, true, 629, 275);

    ControlSpec button = MakeControl("Button1", ControlKind::Button, 536, 240, 75, 25, "Button1", 0);
    button.defaultButton = true;
    button.onClick = [this] { Button1Click(); };

    f.controls = {
        MakeControl("Label7", ControlKind::Label, 8, 8, 6, 20, "Label7"),
        MakeControl("Label10", ControlKind::Label, 296, 40, 258, 13, "Label10"),
        MakeControl("Label4", ControlKind::Label, 8, 64, 120, 20, "Label4"),
        MakeControl("Label2", ControlKind::Label, 168, 64, 55, 20, "Label2"),
        MakeControl("Label5", ControlKind::Label, 8, 88, 111, 20, "Label5"),
        MakeControl("Label1", ControlKind::Label, 168, 88, 55, 20, "Label1"),
        MakeControl("Label6", ControlKind::Label, 8, 112, 86, 20, "Label6"),
        MakeControl("Label3", ControlKind::Label, 168, 112, 55, 20, "Label3"),
        MakeControl("Label8", ControlKind::Label, 8, 136, 118, 20, "Label8"),
        MakeControl("Label9", ControlKind::Label, 168, 136, 55, 20, "Label9"),
        button,
    };
    // Every figure and its caption in bold; only the graph's title keeps the window's font.
    const FontSpec bold{"MS Sans Serif", 0, 16, true};
    for (ControlSpec& c : f.controls)
        if (c.kind == ControlKind::Label && c.name != "Label10") c.font = bold;

    f.onCreate = [this] { FormCreate(); };
    f.onPaint = [this] { FormPaint(); };
    f.onClose = [this] { FormClose(); };
    return f;
}

void ResultsWindow::FormCreate() {
    UiPort& ui = app_.ui;
    SpeedGraph = Bitmap(kSpeedGraphWidth, kSpeedGraphHeight);
    // Without its picture the graph is drawn on the blank bitmap; the window still gets its
    // texts, and the failure is reported once they are set.
    std::string loadError;
    try {
        SpeedGraph = LoadBmp(kGraphPicture);
    } catch (const std::exception& e) {
        loadError = e.what();
    }
    ui.SetText(FormId::Results, "Label4", "Общее время:");
    ui.SetText(FormId::Results, "Label5", "Кол. ошибок:");
    ui.SetText(FormId::Results, "Label6", "Скорость:");
    ui.SetText(FormId::Results, "Label8", "Ритмичность:");
    ui.SetText(FormId::Results, "Label10", "График изменения скорости на протяжении курса");
    ui.SetCaption(FormId::Results, "Результаты");
    ui.SetText(FormId::Results, "Button1", "Далее");
    if (!loadError.empty()) throw TastoraError(loadError);
}

void ResultsWindow::FormPaint() { app_.ui.Blit(FormId::Results, SpeedGraph, kSpeedGraphLeft, kSpeedGraphTop); }

void ResultsWindow::FormClose() { app_.ui.Terminate(); }

void ResultsWindow::Button1Click() {
    UiPort& ui = app_.ui;
    if (ExercisePassed && LevelCompleted) {
        const int lesson = LessonOf(app_.session.PreviousLevel);
        if (!app_.FlashPlayerCreated) {
            // No player on this machine: on as the player would lead after its last key.
            ui.Hide(FormId::Results);
            app_.player.GoOnAfterLesson(lesson);
            return;
        }
        // The lesson's book movie; the player leads on from there.
        app_.session.PresentationShown = false;
        app_.player.PlaySwf(AbsolutePath("data\\pictures\\carti\\" + std::to_string(lesson) + ".swf"));
        ui.Hide(FormId::Results);
        ui.Show(FormId::Player);
        return;
    }
    ui.Hide(FormId::Results);
    ui.Show(FormId::Exercise);
    app_.exercise.StartExercise(app_.login.CurrentLevel);
}

}  // namespace tastora
