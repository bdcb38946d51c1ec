// Windows built from their descriptions: the window class, the frame, the controls in tab
// order and the timers. A window whose parts cannot all be built is not created at all.
#include <algorithm>
#include <climits>

#include "core/errors.h"
#include "win32/platform_win32.h"
#include "win32/ui_parts.h"
#include "win32/wide.h"

namespace tastora {

namespace {

constexpr int kDefaultFormWidth = 160;  // a window laid out without a size
constexpr int kDefaultFormHeight = 80;

struct FrameStyle {
    DWORD style, exStyle;
};

FrameStyle FrameOf(BorderStyle border) {
    const DWORD base = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (border) {
        case BorderStyle::Sizeable: return {base | WS_OVERLAPPEDWINDOW, 0};
        case BorderStyle::Single: return {base | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0};
        case BorderStyle::ToolWindow: return {base | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW};
        case BorderStyle::None: return {base | WS_POPUP, 0};
    }
    return {base, 0};
}

TastoraError NotBuilt(FormId id) {
    return TastoraError(std::string("Не удалось создать окно ") + FormObjectName(id) + ": " +
                        SystemErrorText(GetLastError()));
}

}  // namespace

void Win32Ui::CreateForm(const FormSpec& desc) {
    const int index = int(desc.id);
    if (index < 0 || index >= kFormCount) throw TastoraError("Неизвестное окно.");
    if (forms_[index] && forms_[index]->hwnd)
        throw TastoraError(std::string("Окно ") + FormObjectName(desc.id) + " уже создано.");
    StampTiming((std::string("create ") + FormObjectName(desc.id)).c_str());
    Form& f = form(desc.id);
    f.desc = desc;
    CreateFormWindow(f);
    try {
        CreateControls(f);
    } catch (...) {
        DestroyForm(f);
        throw;
    }
    CreateTimers(f);
    if (desc.onPaint) EnsureBuffer(f);
    StampTiming(FormObjectName(desc.id));
}

HWND Win32Ui::CreateFormWindow(Form& f) {
    const FormSpec& desc = f.desc;
    const wchar_t* cls = FormClassName(desc.id);
    // Each window has a class of its own, registered once; no look-up first (under Wine a
    // failed class look-up costs as much as the registration).
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = instance_;
    wc.hCursor = arrowCursor_;
    wc.hIcon = icon_;
    wc.lpszClassName = cls;
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) throw NotBuilt(desc.id);

    const FrameStyle frame = FrameOf(desc.border);
    int width = desc.width > 0 ? desc.width : kDefaultFormWidth;
    int height = desc.height > 0 ? desc.height : kDefaultFormHeight;
    if (desc.clientSize) {
        RECT r = {0, 0, width, height};
        AdjustWindowRectEx(&r, frame.style, FALSE, frame.exStyle);
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    int x = desc.left, y = desc.top;
    if (desc.centered) {
        x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
        y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    }
    HWND hwnd = CreateWindowExW(frame.exStyle, cls, Wide(desc.caption).c_str(), frame.style, x, y, width, height,
                                appWindow_.get(), nullptr, instance_, &f);
    if (!hwnd) throw NotBuilt(desc.id);
    f.hwnd = hwnd;
    f.window.reset(hwnd);
    return hwnd;
}

void Win32Ui::CreateControls(Form& f) {
    const FormSpec& desc = f.desc;
    // Controls are made in tab order, which is the order of the Tab key among them.
    std::vector<size_t> order(desc.controls.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int ta = desc.controls[a].tabOrder < 0 ? INT_MAX : desc.controls[a].tabOrder;
        const int tb = desc.controls[b].tabOrder < 0 ? INT_MAX : desc.controls[b].tabOrder;
        return ta < tb;
    });
    f.controls.resize(desc.controls.size());
    for (size_t i : order) CreateControl(f, desc.controls[i], kFirstControlId + int(i));
    // Labels lie under the other controls, and a later label over an earlier one: a label
    // that has grown with its text (the two-line verdict of the results window) must not
    // paint over its neighbours.
    for (size_t i = f.controls.size(); i-- > 0;) {
        const Control* c = f.controls[i].get();
        if (c && c->hwnd && c->desc.kind == ControlKind::Label)
            SetWindowPos(c->hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Win32Ui::CreateTimers(Form& f) {
    for (size_t i = 0; i < f.desc.timers.size(); ++i) {
        Form::Timer t;
        t.desc = f.desc.timers[i];
        t.id = UINT_PTR(i + 1);
        f.timers.push_back(t);
    }
    for (auto& t : f.timers)
        if (t.desc.enabled)
            t.enabled = SetTimer(f.hwnd, t.id, t.desc.intervalMs > 0 ? t.desc.intervalMs : 1, nullptr) != 0;
}

void Win32Ui::DestroyForm(Form& f) {
    for (auto& c : f.controls)
        if (c) controlsByHwnd_.erase(c->hwnd);
    forms_[int(f.desc.id)].reset();
}

}  // namespace tastora
