#include "core/form_layout.h"

#include <utility>

namespace tastora {

ControlSpec MakeControl(std::string name, ControlKind kind, int left, int top, int width, int height,
                        std::string text, int tabOrder) {
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

FormSpec MakeForm(FormId id, std::string caption, BorderStyle border, bool clientSize, int width,
                  int height) {
    FormSpec f;
    f.id = id;
    f.caption = std::move(caption);
    f.border = border;
    f.clientSize = clientSize;
    f.width = width;
    f.height = height;
    return f;
}

}  // namespace tastora
