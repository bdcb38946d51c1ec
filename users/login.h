#pragma once
// The login window: choose, create or delete a profile and start.
#include <string>

#include "core/form_layout.h"

namespace tastora {

class Tastora;

class LoginWindow {
public:
    explicit LoginWindow(Tastora& app);
    FormSpec Layout();

    void FormCreate();
    void cbalegenumeChange();
    void BnouClick();
    void BacceptClick();
    void BStergeClick();

    // The learner has pressed "Новое"; never reset while the program runs.
    bool NewUserMode = false;
    // Course level of the logged-in profile (0 until a login succeeds): the session's.
    double& CurrentLevel;
    // Name of the logged-in profile (empty until a login succeeds): the session's.
    std::string& CurrentUserName;

    // Text of the name box while no name has been chosen; never taken as a profile name.
    static constexpr const char* kNoName = "Выберите имя";

private:
    // "Начать" with NewUserMode set: creates the profile if needed and opens it.
    void OpenNewProfile(const std::string& name, const std::string& password);
    // "Начать" otherwise: checks the password and opens the profile.
    void OpenExistingProfile(const std::string& name, const std::string& password);
    // Shows the text and says false when no profile can be opened under this name.
    bool UsableExistingName(const std::string& name);
    void LoggedIn(const std::string& name, double level);

    Tastora& app_;
    // The name box still holds the "Имя" that "Новое" put there: no name has been typed.
    bool nameUntouched_ = false;
};

}  // namespace tastora
