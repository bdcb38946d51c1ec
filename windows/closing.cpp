#include "windows/closing.h"

#include "app/tastora.h"
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
    ControlSpec exit = MakeControl("Button1", ControlKind::Button, 416, 416, 75, 25, kExit, 0);
    exit.defaultButton = true;
    exit.onClick = [this] { Button1Click(); };
    f.controls = {rich, exit};

    f.onCreate = [this] { FormCreate(); };
    return f;
}

void ClosingWindow::FormCreate() {
    UiPort& ui = app_.ui;
    ui.SetText(FormId::Closing, "Button1", kExit);
    ui.SetCaption(FormId::Closing, kCaption);
    // Rich text, or plain text when the file is not valid rich text.
    LoadRichTextFromFile(ui, FormId::Closing, "RichEdit1", "data\\zac.txt");
}

void ClosingWindow::Button1Click() {
    CourseFinished = true;
    app_.ui.Show(FormId::Donations);
    app_.ui.Hide(FormId::Closing);
}

}  // namespace tastora
