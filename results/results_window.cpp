// The results window: its layout, the graph picture, and "Далее" leading on.
#include <exception>
#include <string>

#include "core/errors.h"
#include "core/image_io.h"
#include "results/results.h"

namespace tastora {

namespace {

const char kGraphPicture[] = "data\\pictures\\graph.bmp";

}  // namespace

FormSpec ResultsWindow::Layout() {
    FormSpec f = MakeForm(FormId::Results, "Form3", BorderStyle::ToolWindow, true, 629, 275);
    // Every figure and its caption in bold; only the graph's title keeps the window's font.
    auto boldLabel = [&f](const char* name, int left, int top, int width) {
        ControlSpec label = MakeControl(name, ControlKind::Label, left, top, width, 20, name);
        label.font = FontSpec{"MS Sans Serif", 0, 16, true};
        return f.Add<LabelHandle>(label);
    };
    controls.verdict = boldLabel("Label7", 8, 8, 6);
    controls.graphTitle = f.Add<LabelHandle>(MakeControl("Label10", ControlKind::Label, 296, 40, 258, 13, "Label10"));
    controls.timeCaption = boldLabel("Label4", 8, 64, 120);
    controls.time = boldLabel("Label2", 168, 64, 55);
    controls.errorsCaption = boldLabel("Label5", 8, 88, 111);
    controls.errors = boldLabel("Label1", 168, 88, 55);
    controls.speedCaption = boldLabel("Label6", 8, 112, 86);
    controls.speed = boldLabel("Label3", 168, 112, 55);
    controls.rhythmCaption = boldLabel("Label8", 8, 136, 118);
    controls.rhythm = boldLabel("Label9", 168, 136, 55);

    ControlSpec next = MakeControl("Button1", ControlKind::Button, 536, 240, 75, 25, "Button1", 0);
    next.defaultButton = true;
    next.onClick = [this] { OnNextClick(); };
    controls.next = f.Add<ButtonHandle>(next);

    f.onCreate = [this] { OnCreate(); };
    f.onPaint = [this] { OnPaint(); };
    f.onClose = [this] { OnClose(); };
    return f;
}

void ResultsWindow::OnCreate() {
    SpeedGraph = Bitmap(kSpeedGraphWidth, kSpeedGraphHeight);
    // Without its picture the graph is drawn on the blank bitmap; the window still gets its
    // texts, and the failure is reported once they are set.
    std::string loadError;
    try {
        SpeedGraph = LoadBmp(kGraphPicture);
    } catch (const std::exception& e) {
        loadError = e.what();
    }
    ui_.SetText(controls.timeCaption, "Общее время:");
    ui_.SetText(controls.errorsCaption, "Кол. ошибок:");
    ui_.SetText(controls.speedCaption, "Скорость:");
    ui_.SetText(controls.rhythmCaption, "Ритмичность:");
    ui_.SetText(controls.graphTitle, "График изменения скорости на протяжении курса");
    ui_.SetCaption(FormId::Results, "Результаты");
    ui_.SetText(controls.next, "Далее");
    if (!loadError.empty()) throw TastoraError(loadError);
}

void ResultsWindow::OnPaint() { ui_.Blit(FormId::Results, SpeedGraph, kSpeedGraphLeft, kSpeedGraphTop); }

void ResultsWindow::OnClose() { flow_.Report(CourseEvent::ResultsClosed); }

void ResultsWindow::OnNextClick() { flow_.Report(CourseEvent::ResultsLeft); }

}  // namespace tastora
