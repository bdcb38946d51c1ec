// Controls and timers by their designer names: a bridge for the windows that still name
// them so (to be removed with UiPort's bridge, this file as a whole).
#include "win32/ui_parts.h"

namespace tastora {

ControlRef Win32Ui::FindControl(FormId id, const std::string& name) {
    auto& f = forms_[int(id)];
    if (f)
        for (size_t i = 0; i < f->controls.size(); ++i)
            if (f->controls[i] && f->controls[i]->desc.name == name) return ControlRef{id, int(i)};
    OutputDebugStringA(("Tastora: no control " + name + "\n").c_str());
    return ControlRef{id, -1};
}

TimerHandle Win32Ui::FindTimer(FormId id, const std::string& name) {
    auto& f = forms_[int(id)];
    if (f)
        for (size_t i = 0; i < f->timers.size(); ++i)
            if (f->timers[i].desc.name == name) return TimerHandle{id, int(i)};
    return TimerHandle{id, -1};
}

}  // namespace tastora
