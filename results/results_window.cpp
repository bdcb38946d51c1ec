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
constexpr int kGraphX = 272;
constexpr int kGraphY = 64;

ControlSpec BoldLabel(const std::string& name, int left, int top, int width, int height) {
    ControlSpec c;
    c.name = name;
    c.kind = ControlKind::Label;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.text = name;
    c.font = FontSpec{"MS Sans Serif", 0, 16, true};
    c.autoSize = true;
    c.wordWrap = false;
    return c;
}

}  // namespace

FormSpec TForm3::Layout() {
    FormSpec f;
    f.id = FormId::Form3;
    f.caption = "Form3";
    f.border = BorderStyle::ToolWindow;
    f.clientSize = true;
    f.width = 629;
    f.height = 275;
    f.centered = true;
    f.font = FontSpec{"MS Sans Serif", 8, 0, false};

    ControlSpec button;
    button.name = "Button1";
    button.kind = ControlKind::Button;
    button.left = 536;
    button.top = 240;
    button.width = 75;
    button.height = 25;
    button.text = "Button1";
    button.tabOrder = 0;
    button.defaultButton = true;
    button.onClick = [this] { Button1Click(); };

    ControlSpec graphTitle;
    graphTitle.name = "Label10";
    graphTitle.kind = ControlKind::Label;
    graphTitle.left = 296;
    graphTitle.top = 40;
    graphTitle.width = 258;
    graphTitle.height = 13;
    graphTitle.text = "Label10";
    graphTitle.autoSize = true;
    graphTitle.wordWrap = false;

    f.controls = {
        BoldLabel("Label7", 8, 8, 6, 20),
        graphTitle,
        BoldLabel("Label4", 8, 64, 120, 20),
        BoldLabel("Label2", 168, 64, 55, 20),
        BoldLabel("Label5", 8, 88, 111, 20),
        BoldLabel("Label1", 168, 88, 55, 20),
        BoldLabel("Label6", 8, 112, 86, 20),
        BoldLabel("Label3", 168, 112, 55, 20),
        BoldLabel("Label8", 8, 136, 118, 20),
        BoldLabel("Label9", 168, 136, 55, 20),
        button,
    };

    f.onCreate = [this] { FormCreate(); };
    f.onPaint = [this] { FormPaint(); };
    f.onClose = [this] { FormClose(); };
    return f;
}

void TForm3::FormCreate() {
    UiPort& ui = app_.ui;
    SpeedGraph = Bitmap(330, 160);
    // Without its picture the graph is drawn on the blank bitmap; the window still gets its
    // texts, and the failure is reported once they are set.
    std::string loadError;
    try {
        SpeedGraph = LoadBmp(kGraphPicture);
    } catch (const std::exception& e) {
        loadError = e.what();
    }
    ui.SetText(FormId::Form3, "Label4", "Общее время:");
    ui.SetText(FormId::Form3, "Label5", "Кол. ошибок:");
    ui.SetText(FormId::Form3, "Label6", "Скорость:");
    ui.SetText(FormId::Form3, "Label8", "Ритмичность:");
    ui.SetText(FormId::Form3, "Label10", "График изменения скорости на протяжении курса");
    ui.SetCaption(FormId::Form3, "Результаты");
    ui.SetText(FormId::Form3, "Button1", "Далее");
    if (!loadError.empty()) throw TastoraError(loadError);
}

void TForm3::FormPaint() { app_.ui.Blit(FormId::Form3, SpeedGraph, kGraphX, kGraphY); }

void TForm3::FormClose() { app_.ui.Terminate(); }

void TForm3::Button1Click() {
    UiPort& ui = app_.ui;
    if (ExercisePassed && LevelCompleted) {
        const int lesson = LessonOf(PreviousLevel);
        if (app_.FlashPlayerCreated && app_.flashplayer.CanPlay()) {
            // The lesson's book movie; the player leads on from there.
            app_.flashplayer.PresentationShown = false;
            app_.flashplayer.PlaySwf(
                AbsolutePath("data\\pictures\\carti\\" + std::to_string(lesson) + ".swf"));
            ui.Hide(FormId::Form3);
            ui.Show(FormId::flashplayer);
            return;
        }
        // No movie can be shown: straight on, as the player would lead after it.
        if (lesson >= 16) {
            ui.Show(FormId::Form6);
            ui.Hide(FormId::Form3);
            return;
        }
    }
    ui.Hide(FormId::Form3);
    ui.Show(FormId::Form2);
    app_.Form2.StartExercise(app_.Form1.CurrentLevel);
}

}  // namespace tastora
