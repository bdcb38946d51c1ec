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
    FormSpec f;
    f.id = FormId::Form6;
    f.caption = kCaption;
    f.border = BorderStyle::Sizeable;
    f.clientSize = false;
    f.width = 512;
    f.height = 488;
    f.centered = true;

    ControlSpec rich;
    rich.name = "RichEdit1";
    rich.kind = ControlKind::RichEdit;
    rich.left = 8;
    rich.top = 8;
    rich.width = 489;
    rich.height = 401;
    rich.text = kPlaceholder;
    rich.readOnly = true;
    rich.wordWrap = true;
    rich.tabOrder = 1;
    f.controls.push_back(rich);

    ControlSpec exit;
    exit.name = "Button1";
    exit.kind = ControlKind::Button;
    exit.left = 416;
    exit.top = 416;
    exit.width = 75;
    exit.height = 25;
    exit.text = kExit;
    exit.defaultButton = true;
    exit.tabOrder = 0;
    exit.onClick = [this] { Button1Click(); };
    f.controls.push_back(exit);

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
