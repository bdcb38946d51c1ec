#include "core/ui_port.h"

#include "core/errors.h"

namespace tastora {

const char* FormObjectName(FormId id) {
    switch (id) {
        case FormId::Form1: return "Form1";
        case FormId::Form2: return "Form2";
        case FormId::Form3: return "Form3";
        case FormId::Form6: return "Form6";
        case FormId::Fprogres: return "Fprogres";
        case FormId::fh: return "fh";
        case FormId::Fpic: return "Fpic";
        case FormId::Fi: return "Fi";
        case FormId::Donatii: return "Donatii";
        case FormId::Donatii2: return "Donatii2";
        case FormId::flashplayer: return "flashplayer";
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
