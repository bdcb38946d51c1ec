#include "core/ui_port.h"

#include "core/errors.h"

namespace tastora {

const char* FormObjectName(FormId id) {
    switch (id) {
        case FormId::Login: return "Form1";
        case FormId::Exercise: return "Form2";
        case FormId::Results: return "Form3";
        case FormId::Closing: return "Form6";
        case FormId::Progress: return "Fprogres";
        case FormId::Rules: return "fh";
        case FormId::Picture: return "Fpic";
        case FormId::Info: return "Fi";
        case FormId::Donations: return "Donatii";
        case FormId::DonationsView: return "Donatii2";
        case FormId::Player: return "flashplayer";
        case FormId::Journal: return "JournalWindow";
        case FormId::JournalPassword: return "JournalPassword";
        case FormId::JournalNewPassword: return "JournalNewPassword";
    }
    return "?";
}

bool RunGuarded(UiPort& ui, const std::function<void()>& handler) {
    if (!handler) return true;
    try {
        handler();
        return true;
    } catch (const std::bad_alloc&) {
        ui.ShowError("Недостаточно памяти.");
    } catch (const std::exception& e) {
        ui.ShowError(e.what());
    }
    return false;
}

}  // namespace tastora
