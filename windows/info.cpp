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

ControlSpec Label(const char* name, int left, int top, int width, const std::string& text) {
    ControlSpec l;
    l.name = name;
    l.kind = ControlKind::Label;
    l.left = left;
    l.top = top;
    l.width = width;
    l.height = 13;
    l.text = text;
    l.autoSize = true;
    l.wordWrap = false;
    l.takesFocus = false;
    return l;
}

}  // namespace

FormSpec TFi::Layout() {
    FormSpec f;
    f.id = FormId::Fi;
    f.caption = "Info";
    f.border = BorderStyle::Sizeable;
    f.clientSize = false;
    f.width = 373;
    f.height = 211;
    f.centered = true;

    ControlSpec title = Label("Label1", 8, 8, 200, "Tastora 1.3.ru");
    title.height = 24;
    title.font = FontSpec{"MS Sans Serif", 0, 24, true};
    f.controls.push_back(title);
    for (const Credit& c : kCredits) f.controls.push_back(Label(c.name, c.left, c.top, c.width, c.text));
    f.controls.push_back(Label("lab", 24, 152, 150, "Email: tastora@example.org"));

    ControlSpec exit;
    exit.name = "Button1";
    exit.kind = ControlKind::Button;
    exit.left = 280;
    exit.top = 144;
    exit.width = 75;
    exit.height = 25;
    exit.text = kExit;
    exit.defaultButton = true;
    exit.tabOrder = 0;
    exit.onClick = [this] { Button1Click(); };
    f.controls.push_back(exit);

    ControlSpec donations;
    donations.name = "Button2";
    donations.kind = ControlKind::Button;
    donations.left = 184;
    donations.top = 144;
    donations.width = 91;
    donations.height = 25;
    donations.text = kDonations;
    donations.tabOrder = 1;
    donations.onClick = [this] { Button2Click(); };
    f.controls.push_back(donations);

    f.onCreate = [this] { FormCreate(); };
    f.onClick = [this] { FormClick(); };
    return f;
}

void TFi::FormCreate() {
    UiPort& ui = app_.ui;
    for (const Credit& c : kCredits) ui.SetText(FormId::Fi, c.name, c.text);
    ui.SetText(FormId::Fi, "Button1", kExit);
    ui.SetText(FormId::Fi, "Button2", kDonations);
}

void TFi::Button1Click() { app_.ui.Hide(FormId::Fi); }
void TFi::Button2Click() { app_.ui.Show(FormId::Donatii2); }
void TFi::FormClick() { app_.ui.Hide(FormId::Donatii2); }

}  // namespace tastora
