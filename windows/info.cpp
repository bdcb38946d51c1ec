#include "windows/info.h"

#include "app/tastora.h"

namespace tastora {

namespace {

struct Credit {
    const char* name;
    int left, top, width;
    const char* text;  // set by FormCreate
};

// In the order FormCreate sets them.
const Credit kCredits[] = {
    {"Label2", 8, 40, 45, "Авторы:"},
    {"Label3", 56, 40, 300, "Е. П. Орлова, преподаватель учебного центра"},
    {"Label4", 104, 56, 250, "«Клавиатура без секретов»;"},
    {"Label5", 48, 72, 310, "А. В. Смирнов, методист курса;"},
    {"Label8", 48, 88, 310, "Н. С. Кузнецова, редактор упражнений."},
    {"Label6", 8, 104, 350, "Программирование: Д. И. Волков."},
    {"Label7", 8, 120, 350, "Оформление и реклама: М. А. Белова."},
};

const char* const kExit = "Выход";
const char* const kDonations = "Пожертвования";

}  // namespace

FormSpec InfoWindow::Layout() {
    FormSpec f = MakeForm(FormId::Info, "Info", BorderStyle::Sizeable, false, 373, 211);

    ControlSpec title = MakeControl("Label1", ControlKind::Label, 8, 8, 200, 24, "Tastora 1.3.ru");
    title.font = FontSpec{"MS Sans Serif", 0, 24, true};
    f.controls.push_back(title);
    for (const Credit& c : kCredits)
        f.controls.push_back(MakeControl(c.name, ControlKind::Label, c.left, c.top, c.width, 13, c.text));
    f.controls.push_back(MakeControl("lab", ControlKind::Label, 24, 152, 150, 13, "Email: tastora@example.org"));
    for (ControlSpec& label : f.controls) label.takesFocus = false;

    ControlSpec exit = MakeControl("Button1", ControlKind::Button, 280, 144, 75, 25, kExit, 0);
    exit.defaultButton = true;
    exit.onClick = [this] { Button1Click(); };
    ControlSpec donations = MakeControl("Button2", ControlKind::Button, 184, 144, 91, 25, kDonations, 1);
    donations.onClick = [this] { Button2Click(); };
    f.controls.push_back(exit);
    f.controls.push_back(donations);

    f.onCreate = [this] { FormCreate(); };
    f.onClick = [this] { FormClick(); };
    return f;
}

void InfoWindow::FormCreate() {
    UiPort& ui = app_.ui;
    for (const Credit& c : kCredits) ui.SetText(FormId::Info, c.name, c.text);
    ui.SetText(FormId::Info, "Button1", kExit);
    ui.SetText(FormId::Info, "Button2", kDonations);
}

void InfoWindow::Button1Click() { app_.ui.Hide(FormId::Info); }
void InfoWindow::Button2Click() { app_.ui.Show(FormId::DonationsView); }
void InfoWindow::FormClick() { app_.ui.Hide(FormId::DonationsView); }

}  // namespace tastora
