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

FormSpec TForm6::Layout() {
    FormSpec f = MakeForm(FormId::Form6, kCaption, BorderStyle::Sizeable, false, 512, 488);

    ControlSpec rich = MakeControl("RichEdit1", ControlKind::RichEdit, 8, 8, 489, 401, kPlaceholder, 1);
    rich.readOnly = true;
    ControlSpec exit = MakeControl("Button1", ControlKind::Button, 416, 416, 75, 25, kExit, 0);
    exit.defaultButton = true;
    exit.onClick = [this] { Button1Click(); };
    f.controls = {rich, exit};

    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TForm6::FormCreate() {
    UiPort& ui = app_.ui;
    ui.SetText(FormId::Form6, "Button1", kExit);
    ui.SetCaption(FormId::Form6, kCaption);
    // Rich text, or plain text when the file is not valid rich text.
    LoadRichTextFromFile(ui, FormId::Form6, "RichEdit1", "data\\zac.txt");
}

void TForm6::Button1Click() {
    CourseFinished = true;
    app_.ui.Show(FormId::Donatii);
    app_.ui.Hide(FormId::Form6);
}

}  // namespace tastora
