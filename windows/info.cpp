#include "windows/info.h"

#include <iterator>
#include <tuple>

namespace tastora {

namespace {

struct Credit {
    const char* name;
    int left, top, width;
    const char* text;  // set again by OnCreate
};

// In the order OnCreate sets them.
const Credit kCredits[] = {
    {"Label2", 8, 40, 45, "Авторы:"},
    {"Label3", 56, 40, 300, "Е. П. Орлова, преподаватель учебного центра"},
    {"Label4", 104, 56, 250, "«Клавиатура без секретов»;"},
    {"Label5", 48, 72, 310, "А. В. Смирнов, методист курса;"},
    {"Label8", 48, 88, 310, "Н. С. Кузнецова, редактор упражнений."},
    {"Label6", 8, 104, 350, "Программирование: Д. И. Волков."},
    {"Label7", 8, 120, 350, "Оформление и реклама: М. А. Белова."},
};
static_assert(std::size(kCredits) == std::tuple_size<decltype(InfoWindow::Controls::credits)>::value,
              "one label per credit line");

const char* const kExit = "Выход";
const char* const kDonations = "Пожертвования";

// A label of the window: never takes the focus.
ControlSpec InfoLabel(const char* name, int left, int top, int width, int height, const char* text) {
    ControlSpec label = MakeControl(name, ControlKind::Label, left, top, width, height, text);
    label.takesFocus = false;
    return label;
}

}  // namespace

FormSpec InfoWindow::Layout() {
    FormSpec f = MakeForm(FormId::Info, "Info", BorderStyle::Sizeable, false, 373, 211);

    ControlSpec title = InfoLabel("Label1", 8, 8, 200, 24, "Tastora 1.3.ru");
    title.font = FontSpec{"MS Sans Serif", 0, 24, true};
    controls.title = f.Add<LabelHandle>(title);
    for (size_t i = 0; i < std::size(kCredits); ++i) {
        const Credit& c = kCredits[i];
        controls.credits[i] = f.Add<LabelHandle>(InfoLabel(c.name, c.left, c.top, c.width, 13, c.text));
    }
    controls.email = f.Add<LabelHandle>(InfoLabel("lab", 24, 152, 150, 13, "Email: tastora@example.org"));

    ControlSpec exit = MakeControl("Button1", ControlKind::Button, 280, 144, 75, 25, kExit, 0);
    exit.defaultButton = true;
    exit.onClick = [this] { OnExitClick(); };
    controls.exit = f.Add<ButtonHandle>(exit);
    ControlSpec donations = MakeControl("Button2", ControlKind::Button, 184, 144, 91, 25, kDonations, 1);
    donations.onClick = [this] { OnDonationsClick(); };
    controls.donations = f.Add<ButtonHandle>(donations);

    f.onCreate = [this] { OnCreate(); };
    f.onClick = [this] { OnBackgroundClick(); };
    return f;
}

void InfoWindow::OnCreate() {
    for (size_t i = 0; i < std::size(kCredits); ++i) ui_.SetText(controls.credits[i], kCredits[i].text);
    ui_.SetText(controls.exit, kExit);
    ui_.SetText(controls.donations, kDonations);
}

void InfoWindow::OnExitClick() { ui_.Hide(FormId::Info); }
void InfoWindow::OnDonationsClick() { ui_.Show(FormId::DonationsView); }
void InfoWindow::OnBackgroundClick() { ui_.Hide(FormId::DonationsView); }

}  // namespace tastora
