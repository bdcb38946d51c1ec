#include "users/login.h"

#include <cmath>

#include "app/tastora.h"
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

    // Placeholder captions: FormCreate sets the texts.
    ControlSpec names = MakeControl("cbalegenume", ControlKind::ComboBox, 8, 16, 153, 21, "cbalegenume", 0);
    names.onChange = [this] { cbalegenumeChange(); };
    ControlSpec nou = MakeControl("Bnou", ControlKind::Button, 168, 16, 75, 25, "Bnou", 2);
    nou.onClick = [this] { BnouClick(); };
    ControlSpec sterge = MakeControl("BSterge", ControlKind::Button, 168, 48, 75, 25, "BSterge", 3);
    sterge.enabled = false;
    sterge.onClick = [this] { BStergeClick(); };
    ControlSpec accept = MakeControl("Baccept", ControlKind::Button, 168, 80, 75, 25, "Baccept", 4);
    accept.enabled = false;
    accept.defaultButton = true;
    accept.onClick = [this] { BacceptClick(); };

    f.controls = {
        MakeControl("Label1", ControlKind::Label, 8, 0, 17, 13, "Label1"),
        names,
        MakeControl("Label2", ControlKind::Label, 8, 40, 36, 13, "Label2"),
        MakeControl("MEparola", ControlKind::PasswordEdit, 8, 56, 153, 21, "", 1),
        nou,
        sterge,
        accept,
    };

    f.onCreate = [this] { FormCreate(); };
    return f;
}

void LoginWindow::FormCreate() {
    UiPort& ui = app_.ui;
    // At start-up the list holds at least one entry (an empty one for a missing file).
    ui.SetItems(kForm, "cbalegenume", LoadNames(true));
    ui.SetText(kForm, "Label1", "Имя:");
    ui.SetText(kForm, "cbalegenume", kNoName);
    ui.SetText(kForm, "Label2", "Пароль:");
    ui.SetText(kForm, "Bnou", "Новое");
    ui.SetText(kForm, "BSterge", "Удалить");
    ui.SetText(kForm, "Baccept", "Начать");
}

void LoginWindow::cbalegenumeChange() {
    UiPort& ui = app_.ui;
    const std::string name = ui.Text(kForm, "cbalegenume");
    nameUntouched_ = false;
    if (name.empty()) return;
    if (name != kNoName) {
        const bool exists = ProfileExists(name);
        ui.SetEnabled(kForm, "Baccept", exists);
        ui.SetEnabled(kForm, "BSterge", exists);
        ui.SetEnabled(kForm, "Bnou", !exists);
    }
    if (NewUserMode) ui.SetEnabled(kForm, "Baccept", true);
}

void LoginWindow::BnouClick() {
    UiPort& ui = app_.ui;
    if (ui.Text(kForm, "cbalegenume") == kNoName) {
        ui.SetText(kForm, "cbalegenume", kNewName);
        ui.SetText(kForm, "MEparola", "");
        ui.SelectAll(kForm, "cbalegenume");
        NewUserMode = true;
        nameUntouched_ = true;
        ui.SetFocus(kForm, "cbalegenume");
        return;
    }
    NewUserMode = true;
    OpenNewProfile(ui.Text(kForm, "cbalegenume"), ui.Text(kForm, "MEparola"));
}

void LoginWindow::BacceptClick() {
    UiPort& ui = app_.ui;
    const std::string name = ui.Text(kForm, "cbalegenume");
    const std::string password = ui.Text(kForm, "MEparola");
    if (NewUserMode)
        OpenNewProfile(name, password);
    else
        OpenExistingProfile(name, password);
}

void LoginWindow::OpenNewProfile(const std::string& name, const std::string& password) {
    UiPort& ui = app_.ui;
    // The "Имя" that "Новое" offers is a prompt too (a double click on "Новое" would
    // otherwise create a profile of that name without a password).
    if (name == kNoName || (nameUntouched_ && name == kNewName)) {
        ui.ShowMessage("Вы не указали имя пользователя");
        ui.SetFocus(kForm, "cbalegenume");
        return;
    }
    if (!ProfileExists(name)) {
        // A name that the store cannot hold is refused before anything is written.
        const std::string problem = ProfileNameProblem(name);
        if (!problem.empty()) {
            ui.ShowMessage(problem);
            ui.SetFocus(kForm, "cbalegenume");
            return;
        }
        CreateProfile(name, password, ui.DecimalSeparator());
    } else if (!UsableExistingName(name)) {
        return;
    }
    LoggedIn(name, ReadLevel(name, ui.DecimalSeparator()));
    // A new profile sees the donations window first; its "Далее" starts the exercise.
    ui.Show(FormId::Donations);
}

void LoginWindow::OpenExistingProfile(const std::string& name, const std::string& password) {
    UiPort& ui = app_.ui;
    if (!UsableExistingName(name)) return;
    if (!CheckPassword(name, password)) {
        ui.ShowMessage(kWrongPassword);
        ui.SetFocus(kForm, "MEparola");
        return;
    }
    LoggedIn(name, ReadLevel(name, ui.DecimalSeparator()));
    // The stored level after the last review exercise of lesson 16 is 17.1: the course is over.
    if (std::nearbyint(CurrentLevel) == 17) {
        ui.Show(FormId::Closing);
    } else {
        ui.Show(FormId::Exercise);
        app_.exercise.StartExercise(CurrentLevel);
    }
}

bool LoginWindow::UsableExistingName(const std::string& name) {
    UiPort& ui = app_.ui;
    // The buttons may still be enabled from an earlier name when the box has been
    // emptied or holds the placeholder; such a text names no profile.
    if (name.empty() || name == kNoName || !ProfileExists(name)) {
        ui.ShowMessage(kNoSuchProfile);
        ui.SetFocus(kForm, "cbalegenume");
        return false;
    }
    return true;
}

void LoginWindow::LoggedIn(const std::string& name, double level) {
    CurrentLevel = level;
    app_.ui.Hide(kForm);
    CurrentUserName = name;
    app_.session.userName = name;  // until the login keeps them in the session only
    app_.session.CurrentLevel = level;
}

void LoginWindow::BStergeClick() {
    UiPort& ui = app_.ui;
    const std::string name = ui.Text(kForm, "cbalegenume");
    if (name.empty() || name == kNoName || !ProfileExists(name)) {
        ui.ShowMessage(kNoSuchProfile);
        return;
    }
    if (!CheckPassword(name, ui.Text(kForm, "MEparola"))) {
        ui.ShowMessage(kWrongPassword);
        return;
    }
    if (!ui.Confirm(kDeleteQuestion)) return;
    DeleteProfile(name);
    ui.SetText(kForm, "cbalegenume", kNoName);
    ui.SetText(kForm, "MEparola", "");
    // The whole file, one entry per line: no empty entry for an emptied list.
    ui.SetItems(kForm, "cbalegenume", LoadNames(false));
    ui.SetEnabled(kForm, "Baccept", false);
    ui.SetEnabled(kForm, "BSterge", false);
    // The focus was on the button, now disabled: the name box takes it.
    ui.SetFocus(kForm, "cbalegenume");
}

}  // namespace tastora
