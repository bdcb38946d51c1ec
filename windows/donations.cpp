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

FormSpec DonationsWindow::Layout() {
    FormSpec f = DonationsLayout(FormId::Donations, 519, 497, 432, "Далее");
    f.controls[1].onClick = [this] { Button1Click(); };
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void DonationsWindow::FormCreate() { DonationsCreate(app_.ui, FormId::Donations, "Далее"); }

void DonationsWindow::Button1Click() {
    if (app_.closing.CourseFinished) {
        // The course is over: closing the main window ends the program.
        app_.ui.Close(FormId::Login);
        return;
    }
    app_.ui.Show(FormId::Exercise);
    app_.ui.Hide(FormId::Donations);
    app_.exercise.StartExercise(app_.login.CurrentLevel);
}

FormSpec DonationsViewWindow::Layout() {
    FormSpec f = DonationsLayout(FormId::DonationsView, 515, 489, 424, "Выход");
    f.controls[1].onClick = [this] { Button1Click(); };
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void DonationsViewWindow::FormCreate() { DonationsCreate(app_.ui, FormId::DonationsView, "Выход"); }

void DonationsViewWindow::Button1Click() { app_.ui.Hide(FormId::DonationsView); }

}  // namespace tastora
