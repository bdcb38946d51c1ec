#pragma once
// The login window: choose, create or delete a profile and start.
#include <string>

#include "core/form_spec.h"

namespace tastora {

class Tastora;

class TForm1 {
public:
    explicit TForm1(Tastora& app) : app_(app) {}
    FormSpec Layout();

    void FormCreate();
    void cbalegenumeChange();
    void BnouClick();
    void BacceptClick();
    void BStergeClick();

    // The learner has pressed "Новое"; never reset while the program runs.
    bool NewUserMode = false;
    // Course level of the logged-in profile (0 until a login succeeds).
    double CurrentLevel = 0;
    // Name of the logged-in profile (empty until a login succeeds).
    std::string CurrentUserName;

private:
    Tastora& app_;
};

}  // namespace tastora
