#include "core/form_layout.h"

#include <utility>

namespace tastora {

ControlSpec MakeControl(std::string name, ControlKind kind, int left, int top, int width, int height, std::string text,
                        int tabOrder) {
    ControlSpec c;
    c.name = std::move(name);
    c.kind = kind;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.text = std::move(text);
    c.tabOrder = tabOrder;
    if (kind == ControlKind::Label) {
        c.autoSize = true;
        c.wordWrap = false;
    }
    return c;
}

FormSpec MakeForm(FormId id, std::string caption, BorderStyle border, bool clientSize, int width, int height) {
    FormSpec f;
    f.id = id;
    f.caption = std::move(caption);
    f.border = border;
    f.clientSize = clientSize;
    f.width = width;
    f.height = height;
    return f;
}

TimerHandle FormSpec::AddTimer(TimerSpec timer) {
    timers.push_back(std::move(timer));
    TimerHandle h;
    h.form = id;
    h.index = int(timers.size()) - 1;
    return h;
}

ControlSpec* FormSpec::Find(ControlRef control) {
    if (control.form != id || control.index < 0 || control.index >= int(controls.size())) return nullptr;
    return &controls[size_t(control.index)];
}

const ControlSpec* FormSpec::Find(ControlRef control) const { return const_cast<FormSpec*>(this)->Find(control); }

const TimerSpec* FormSpec::Find(TimerHandle timer) const {
    if (timer.form != id || timer.index < 0 || timer.index >= int(timers.size())) return nullptr;
    return &timers[size_t(timer.index)];
}

}  // namespace tastora
