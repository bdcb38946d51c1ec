#include "windows/donations.h"

#include "app/tastora.h"
#include "windows/text_file.h"

namespace tastora {

namespace {

const char* const kCaption = "Пожертвования";
const char* const kTextFile = "data\\rus.txt";
const char* const kPlaceholder =
    "Текст о пожертвованиях не найден.\r\n"
    "Он должен находиться в файле data\\rus.txt.";

// Both windows: a read-only memo without scroll bars over a single button.
FormSpec DonationsLayout(FormId id, int width, int memoWidth, int buttonLeft, const char* button) {
    FormSpec f = MakeForm(id, kCaption, BorderStyle::Sizeable, false, width, 591);
    ControlSpec memo = MakeControl("Memo1", ControlKind::Memo, 8, 8, memoWidth, 513, kPlaceholder, 1);
    memo.readOnly = true;
    f.controls = {memo, MakeControl("Button1", ControlKind::Button, buttonLeft, 528, 75, 25, button, 0)};
    return f;
}

// Caption, text, then the button: a missing text file leaves the button as laid out.
void DonationsCreate(UiPort& ui, FormId id, const char* button) {
    ui.SetCaption(id, kCaption);
    LoadMemoFromFile(ui, id, "Memo1", kTextFile);
    ui.SetText(id, "Button1", button);
}

}  // namespace

FormSpec TDonatii::Layout() {
    FormSpec f = DonationsLayout(FormId::Donatii, 519, 497, 432, "Далее");
    f.controls[1].onClick = [this] { Button1Click(); };
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TDonatii::FormCreate() { DonationsCreate(app_.ui, FormId::Donatii, "Далее"); }

void TDonatii::Button1Click() {
    if (app_.Form6.CourseFinished) {
        // The course is over: closing the main window ends the program.
        app_.ui.Close(FormId::Form1);
        return;
    }
    app_.ui.Show(FormId::Form2);
    app_.ui.Hide(FormId::Donatii);
    app_.Form2.StartExercise(app_.Form1.CurrentLevel);
}

FormSpec TDonatii2::Layout() {
    FormSpec f = DonationsLayout(FormId::Donatii2, 515, 489, 424, "Выход");
    f.controls[1].onClick = [this] { Button1Click(); };
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TDonatii2::FormCreate() { DonationsCreate(app_.ui, FormId::Donatii2, "Выход"); }

void TDonatii2::Button1Click() { app_.ui.Hide(FormId::Donatii2); }

}  // namespace tastora
