#include "windows/donations.h"

#include <functional>
#include <utility>

#include "windows/text_file.h"

namespace tastora {

namespace {

const char* const kCaption = "Пожертвования";
const char* const kTextFile = "data\\rus.txt";
const char* const kNext = "Далее";
const char* const kExit = "Выход";
const char* const kPlaceholder =
    "Текст о пожертвованиях не найден.\r\n"
    "Он должен находиться в файле data\\rus.txt.";

// Both windows: a read-only memo without scroll bars over a single button.
FormSpec DonationsLayout(FormId id, int width, int memoWidth, int buttonLeft, const char* button,
                         std::function<void()> onClick, EditHandle& text, ButtonHandle& buttonHandle) {
    FormSpec f = MakeForm(id, kCaption, BorderStyle::Sizeable, false, width, 591);
    ControlSpec memo = MakeControl("Memo1", ControlKind::Memo, 8, 8, memoWidth, 513, kPlaceholder, 1);
    memo.readOnly = true;
    text = f.Add<EditHandle>(memo);
    ControlSpec b = MakeControl("Button1", ControlKind::Button, buttonLeft, 528, 75, 25, button, 0);
    b.onClick = std::move(onClick);
    buttonHandle = f.Add<ButtonHandle>(b);
    return f;
}

// Caption, text, then the button: a missing text file leaves the button as laid out.
void DonationsCreate(UiPort& ui, FormId id, EditHandle text, ButtonHandle button, const char* caption) {
    ui.SetCaption(id, kCaption);
    LoadMemoFromFile(ui, text, kTextFile);
    ui.SetText(button, caption);
}

}  // namespace

FormSpec DonationsWindow::Layout() {
    FormSpec f = DonationsLayout(
        FormId::Donations, 519, 497, 432, kNext, [this] { OnNextClick(); }, controls.text, controls.next);
    f.onCreate = [this] { OnCreate(); };
    return f;
}

void DonationsWindow::OnCreate() { DonationsCreate(ui_, FormId::Donations, controls.text, controls.next, kNext); }

void DonationsWindow::OnNextClick() { flow_.Report(CourseEvent::DonationsLeft); }

FormSpec DonationsViewWindow::Layout() {
    FormSpec f = DonationsLayout(
        FormId::DonationsView, 515, 489, 424, kExit, [this] { OnExitClick(); }, controls.text, controls.exit);
    f.onCreate = [this] { OnCreate(); };
    return f;
}

void DonationsViewWindow::OnCreate() {
    DonationsCreate(ui_, FormId::DonationsView, controls.text, controls.exit, kExit);
}

void DonationsViewWindow::OnExitClick() { ui_.Hide(FormId::DonationsView); }

}  // namespace tastora
