// Showing, hiding and activating windows, their captions and sizes, and where the keyboard
// focus goes when a window becomes the active one.
#include <algorithm>

#include "win32/ui_parts.h"
#include "win32/wide.h"

namespace tastora {

namespace {

// A window that only shows something (the progress window: no frame, nothing to click or
// type into) is shown on top without taking the keyboard from the window underneath.
bool TakesActivation(const FormSpec& desc) {
    if (desc.border != BorderStyle::None) return true;
    if (desc.onKeyDown || desc.onKeyUp || desc.onClick || desc.onClose) return true;
    for (const auto& c : desc.controls)
        if ((c.takesFocus && c.tabOrder >= 0) || c.onClick || c.onMouseDown || c.onChange) return true;
    return false;
}

void SetOuterSize(HWND hwnd, int width, int height) {
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, width < 0 ? r.right - r.left : width, height < 0 ? r.bottom - r.top : height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void Win32Ui::Show(FormId id) {
    HWND hwnd = FormHandle(id);
    if (!hwnd) return;
    Form& f = form(id);
    if (!TakesActivation(f.desc)) {
        if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    shownOrder_.erase(std::remove(shownOrder_.begin(), shownOrder_.end(), id), shownOrder_.end());
    shownOrder_.push_back(id);
    if (IsWindowVisible(hwnd)) {
        if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    } else {
        ShowWindow(hwnd, f.desc.maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    }
    // The window that the program shows is the one the learner works in next, even when
    // the window that had the keyboard is being hidden (the login window after a login).
    Activate(f);
    if (timedKey_) {
        // For the performance checks: the window with its controls on the screen.
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        NoteKeyTiming("shown", Narrow(FormClassName(id)).c_str());
    }
}

void Win32Ui::Hide(FormId id) {
    HWND hwnd = FormHandle(id);
    if (!hwnd) return;
    shownOrder_.erase(std::remove(shownOrder_.begin(), shownOrder_.end(), id), shownOrder_.end());
    if (!IsWindowVisible(hwnd)) return;
    HWND focus = GetFocus();
    const bool hadKeyboard = GetActiveWindow() == hwnd || (focus && (focus == hwnd || IsChild(hwnd, focus)));
    ShowWindow(hwnd, SW_HIDE);
    if (!hadKeyboard) return;
    // The keyboard goes to the window shown last, not to whatever the system picks.
    if (Form* next = NewestShown(hwnd)) Activate(*next);
}

void Win32Ui::ShowModal(FormId id) {
    HWND hwnd = FormHandle(id);
    if (!hwnd) return;
    std::vector<HWND> disabled;
    for (auto& f : forms_)
        if (f && f->hwnd && f->hwnd != hwnd && IsWindowVisible(f->hwnd) && IsWindowEnabled(f->hwnd)) {
            EnableWindow(f->hwnd, FALSE);
            disabled.push_back(f->hwnd);
        }
    Show(id);
    MSG msg;
    while (!quitting_ && IsWindowVisible(hwnd)) {
        const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) {
            // The loop that called us ends the program.
            quitting_ = true;
            PostQuitMessage(r == 0 ? int(msg.wParam) : 1);
            break;
        }
        Dispatch(msg);
    }
    for (HWND h : disabled)
        if (IsWindow(h)) EnableWindow(h, TRUE);
    if (IsWindowVisible(hwnd)) Hide(id);
    if (Form* next = NewestShown(hwnd)) Activate(*next);
}

bool Win32Ui::IsVisible(FormId id) {
    HWND hwnd = FormHandle(id);
    return hwnd && IsWindowVisible(hwnd);
}

void Win32Ui::Close(FormId id) {
    if (HWND hwnd = FormHandle(id)) SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

void Win32Ui::SetCaption(FormId id, const std::string& caption) {
    if (HWND hwnd = FormHandle(id)) SetWindowTextW(hwnd, Wide(caption).c_str());
}

std::string Win32Ui::Caption(FormId id) {
    HWND hwnd = FormHandle(id);
    return hwnd ? Narrow(WindowText(hwnd)) : std::string();
}

void Win32Ui::SetOuterHeight(FormId id, int height) {
    if (HWND hwnd = FormHandle(id)) SetOuterSize(hwnd, -1, std::max(0, height));
}

void Win32Ui::SetOuterWidth(FormId id, int width) {
    if (HWND hwnd = FormHandle(id)) SetOuterSize(hwnd, std::max(0, width), -1);
}

// --- activation and focus

void Win32Ui::Activate(Form& f) {
    // A disabled window waits behind a message box, which keeps the keyboard until closed.
    if (!f.hwnd || !IsWindowVisible(f.hwnd) || !IsWindowEnabled(f.hwnd)) return;
    SetForegroundWindow(f.hwnd);
    if (GetActiveWindow() != f.hwnd) SetActiveWindow(f.hwnd);
    HWND focus = GetFocus();
    if (!focus || (focus != f.hwnd && !IsChild(f.hwnd, focus))) ActivateFirstControl(f);
}

Win32Ui::Form* Win32Ui::NewestShown(HWND except) const {
    for (auto it = shownOrder_.rbegin(); it != shownOrder_.rend(); ++it) {
        const auto& f = forms_[int(*it)];
        if (f && f->hwnd && f->hwnd != except && IsWindowVisible(f->hwnd) && IsWindowEnabled(f->hwnd)) return f.get();
    }
    return nullptr;
}

// The control that had the focus when the window was left, else the first in tab order that
// can take it, else the window itself.
void Win32Ui::ActivateFirstControl(Form& f) {
    if (f.lastFocus && IsWindow(f.lastFocus) && IsChild(f.hwnd, f.lastFocus) && IsWindowVisible(f.lastFocus) &&
        IsWindowEnabled(f.lastFocus)) {
        ::SetFocus(f.lastFocus);
        return;
    }
    Control* best = nullptr;
    for (auto& c : f.controls) {
        if (!c || c->desc.tabOrder < 0 || !c->desc.takesFocus) continue;
        if (!IsWindowVisible(c->hwnd) || !IsWindowEnabled(c->hwnd)) continue;
        if (!TraitsOf(c->desc.kind).firstFocus || c->oldProc) continue;
        if (!best || c->desc.tabOrder < best->desc.tabOrder) best = c.get();
    }
    ::SetFocus(best ? best->hwnd : f.hwnd);
}

}  // namespace tastora
