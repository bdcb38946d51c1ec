#include "windows/closing.h"

#include "windows/text_file.h"

namespace tastora {

namespace {

const char* const kCaption = "ЗАКЛЮЧИТЕЛЬНОЕ ОБРАЩЕНИЕ.";
const char* const kExit = "Выход";
const char* const kPlaceholder =
    "Поздравляем! Вы прошли весь курс слепой печати.\r\n"
    "(Текст заключительного обращения не найден: нет файла data\\zac.txt.)";

}  // namespace

FormSpec ClosingWindow::Layout() {
    FormSpec f = MakeForm(FormId::Closing, kCaption, BorderStyle::Sizeable, false, 512, 488);

    ControlSpec rich = MakeControl("RichEdit1", ControlKind::RichEdit, 8, 8, 489, 401, kPlaceholder, 1);
    rich.readOnly = true;
    controls.text = f.Add<RichEditHandle>(rich);
    ControlSpec exit = MakeControl("Button1", ControlKind::Button, 416, 416, 75, 25, kExit, 0);
    exit.defaultButton = true;
    exit.onClick = [this] { OnExitClick(); };
    controls.exit = f.Add<ButtonHandle>(exit);

    f.onCreate = [this] { OnCreate(); };
    return f;
}

void ClosingWindow::OnCreate() {
    ui_.SetText(controls.exit, kExit);
    ui_.SetCaption(FormId::Closing, kCaption);
    // Rich text, or plain text when the file is not valid rich text.
    LoadRichTextFromFile(ui_, controls.text, "data\\zac.txt");
}

void ClosingWindow::OnExitClick() { flow_.Report(CourseEvent::ClosingLeft); }

}  // namespace tastora
