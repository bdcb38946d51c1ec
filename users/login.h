#pragma once
// The login window: choose, create or delete a profile and start. A login hands the profile's
// name and course level to the program body.
#include <string>

#include "core/form_layout.h"
#include "session/session.h"

namespace tastora {

class LoginWindow {
public:
    LoginWindow(UiPort& ui, CourseFlow& flow) : ui_(ui), flow_(flow) {}
    FormSpec Layout();

    void OnCreate();
    // The learner edited or picked the name.
    void OnNameChange();
    // "Новое": offers a name to type, or creates and opens the profile of the typed name.
    void OnNewClick();
    // "Начать": opens the profile after its password (in new-profile mode a new name is
    // created first).
    void OnStartClick();
    // "Удалить": deletes the profile after its password and a confirmation.
    void OnDeleteClick();

    // The learner has pressed "Новое"; never reset while the program runs.
    bool NewUserMode = false;

    // Text of the name box while no name has been chosen; never taken as a profile name.
    static constexpr const char* kNoName = "Выберите имя";

    struct Controls {
        LabelHandle nameLabel, passwordLabel;
        ComboHandle name;
        EditHandle password;
        ButtonHandle newProfile, deleteProfile, start;
    } controls;

private:
    // "Начать" with NewUserMode set: creates the profile of a new name and opens it; the
    // profile of an existing name is opened as by OpenExistingProfile.
    void OpenNewProfile(const std::string& name, const std::string& password);
    // "Начать" otherwise: checks the password and opens the profile.
    void OpenExistingProfile(const std::string& name, const std::string& password);
    // Shows the text and says false when no profile can be opened under this name.
    bool UsableExistingName(const std::string& name);
    // Tells the learner why the login stops and puts the focus where the fault is.
    void Refuse(const std::string& message, ControlRef focus);

    UiPort& ui_;
    CourseFlow& flow_;
    // The name box still holds the "Имя" that "Новое" put there: no name has been typed.
    bool nameUntouched_ = false;
};

}  // namespace tastora
