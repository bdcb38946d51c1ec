#include "users/login.h"

#include "users/user_store.h"

namespace tastora {

namespace {

constexpr FormId kForm = FormId::Login;
const char kWrongPassword[] = "Вы указали неправильный пароль";
const char kNoSuchProfile[] = "Пользователь с таким именем не найден";
const char kNewName[] = "Имя";
const char kDeleteQuestion[] = "Вы уверены в том, что хотите удалить данного пользователя?";

}  // namespace

FormSpec LoginWindow::Layout() {
    FormSpec f = MakeForm(kForm, "Tastora 1.3", BorderStyle::ToolWindow, true, 248, 110);

    // Placeholder captions: OnCreate sets the texts.
    controls.nameLabel = f.Add<LabelHandle>(MakeControl("Label1", ControlKind::Label, 8, 0, 17, 13, "Label1"));
    ControlSpec name = MakeControl("cbalegenume", ControlKind::ComboBox, 8, 16, 153, 21, "cbalegenume", 0);
    name.onChange = [this] { OnNameChange(); };
    controls.name = f.Add<ComboHandle>(name);
    controls.passwordLabel = f.Add<LabelHandle>(MakeControl("Label2", ControlKind::Label, 8, 40, 36, 13, "Label2"));
    controls.password = f.Add<EditHandle>(MakeControl("MEparola", ControlKind::PasswordEdit, 8, 56, 153, 21, "", 1));

    ControlSpec newProfile = MakeControl("Bnou", ControlKind::Button, 168, 16, 75, 25, "Bnou", 2);
    newProfile.onClick = [this] { OnNewClick(); };
    controls.newProfile = f.Add<ButtonHandle>(newProfile);
    ControlSpec deleteProfile = MakeControl("BSterge", ControlKind::Button, 168, 48, 75, 25, "BSterge", 3);
    deleteProfile.enabled = false;
    deleteProfile.onClick = [this] { OnDeleteClick(); };
    controls.deleteProfile = f.Add<ButtonHandle>(deleteProfile);
    ControlSpec start = MakeControl("Baccept", ControlKind::Button, 168, 80, 75, 25, "Baccept", 4);
    start.enabled = false;
    start.defaultButton = true;
    start.onClick = [this] { OnStartClick(); };
    controls.start = f.Add<ButtonHandle>(start);

    f.onCreate = [this] { OnCreate(); };
    return f;
}

void LoginWindow::OnCreate() {
    // At start-up the list holds at least one entry (an empty one for a missing file).
    ui_.SetItems(controls.name, LoadNames(true));
    ui_.SetText(controls.nameLabel, "Имя:");
    ui_.SetText(controls.name, kNoName);
    ui_.SetText(controls.passwordLabel, "Пароль:");
    ui_.SetText(controls.newProfile, "Новое");
    ui_.SetText(controls.deleteProfile, "Удалить");
    ui_.SetText(controls.start, "Начать");
}

void LoginWindow::OnNameChange() {
    const std::string name = ui_.Text(controls.name);
    nameUntouched_ = false;
    if (name.empty()) return;
    if (name != kNoName) {
        const bool exists = ProfileExists(name);
        ui_.SetEnabled(controls.start, exists);
        ui_.SetEnabled(controls.deleteProfile, exists);
        ui_.SetEnabled(controls.newProfile, !exists);
    }
    if (NewUserMode) ui_.SetEnabled(controls.start, true);
}

void LoginWindow::OnNewClick() {
    if (ui_.Text(controls.name) == kNoName) {
        ui_.SetText(controls.name, kNewName);
        ui_.SetText(controls.password, "");
        ui_.SelectAll(controls.name);
        NewUserMode = true;
        nameUntouched_ = true;
        ui_.SetFocus(controls.name);
        return;
    }
    NewUserMode = true;
    OpenNewProfile(ui_.Text(controls.name), ui_.Text(controls.password));
}

void LoginWindow::OnStartClick() {
    const std::string name = ui_.Text(controls.name);
    const std::string password = ui_.Text(controls.password);
    if (NewUserMode)
        OpenNewProfile(name, password);
    else
        OpenExistingProfile(name, password);
}

void LoginWindow::Refuse(const std::string& message, ControlRef focus) {
    ui_.ShowMessage(message);
    ui_.SetFocus(focus);
}

void LoginWindow::OpenNewProfile(const std::string& name, const std::string& password) {
    // The "Имя" that "Новое" offers is a prompt too (a double click on "Новое" would
    // otherwise create a profile of that name without a password).
    if (name == kNoName || (nameUntouched_ && name == kNewName)) {
        Refuse("Вы не указали имя пользователя", controls.name);
        return;
    }
    if (ProfileExists(name)) {
        // Only a new name makes a profile: an existing one is opened as always, with its
        // password, whatever button led here.
        OpenExistingProfile(name, password);
        return;
    }
    // A name that the store cannot hold is refused before anything is written.
    const std::string problem = ProfileNameProblem(name);
    if (!problem.empty()) {
        Refuse(problem, controls.name);
        return;
    }
    CreateProfile(name, password, ui_.DecimalSeparator());
    flow_.LoggedIn(name, ReadLevel(name, ui_.DecimalSeparator()), true);
}

void LoginWindow::OpenExistingProfile(const std::string& name, const std::string& password) {
    if (!UsableExistingName(name)) return;
    if (!CheckPassword(name, password)) {
        Refuse(kWrongPassword, controls.password);
        return;
    }
    flow_.LoggedIn(name, ReadLevel(name, ui_.DecimalSeparator()), false);
}

bool LoginWindow::UsableExistingName(const std::string& name) {
    // The buttons may still be enabled from an earlier name when the box has been
    // emptied or holds the placeholder; such a text names no profile.
    if (name.empty() || name == kNoName || !ProfileExists(name)) {
        Refuse(kNoSuchProfile, controls.name);
        return false;
    }
    return true;
}

void LoginWindow::OnDeleteClick() {
    const std::string name = ui_.Text(controls.name);
    if (name.empty() || name == kNoName || !ProfileExists(name)) {
        ui_.ShowMessage(kNoSuchProfile);
        return;
    }
    if (!CheckPassword(name, ui_.Text(controls.password))) {
        ui_.ShowMessage(kWrongPassword);
        return;
    }
    if (!ui_.Confirm(kDeleteQuestion)) return;
    DeleteProfile(name);
    ui_.SetText(controls.name, kNoName);
    ui_.SetText(controls.password, "");
    // The whole file, one entry per line: no empty entry for an emptied list.
    ui_.SetItems(controls.name, LoadNames(false));
    ui_.SetEnabled(controls.start, false);
    ui_.SetEnabled(controls.deleteProfile, false);
    // The focus was on the button, now disabled: the name box takes it.
    ui_.SetFocus(controls.name);
}

}  // namespace tastora
