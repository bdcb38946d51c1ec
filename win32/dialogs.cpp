// Message boxes and the confirmation: modal over every window of the program, owned by the
// window the learner works in (or by the main window while none is shown), which gets the
// keyboard back when the box is closed.
#include <cwchar>

#include "win32/ui_parts.h"
#include "win32/wide.h"

namespace tastora {

namespace {

// The confirmation's buttons are named the same in every system language.
HHOOK g_confirmHook = nullptr;

LRESULT CALLBACK ConfirmHookProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wp);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (wcscmp(cls, L"#32770") == 0) {
            SetDlgItemTextW(box, IDYES, L"&Yes");
            SetDlgItemTextW(box, IDNO, L"&No");
        }
    }
    return CallNextHookEx(g_confirmHook, code, wp, lp);
}

}  // namespace

int Win32Ui::MessageBoxOf(const std::wstring& text, const std::wstring& caption, UINT type) {
    HWND owner = GetActiveWindow();
    if (!owner || !FormOf(owner) || !IsWindowVisible(owner)) {
        Form* newest = NewestShown(nullptr);
        owner = newest ? newest->hwnd : nullptr;
    }
    // With no window on the screen (the start-up's boxes, before the login window is shown)
    // the main window owns the box all the same, shown or not.
    if (!owner) owner = FormHandle(mainForm_);
    // Like every modal dialog of the program, the box disables all the other windows.
    std::vector<HWND> disabled;
    for (auto& f : forms_)
        if (f && f->hwnd && f->hwnd != owner && IsWindowVisible(f->hwnd) && IsWindowEnabled(f->hwnd)) {
            EnableWindow(f->hwnd, FALSE);
            disabled.push_back(f->hwnd);
        }
    if (GetCapture()) ReleaseCapture();
    const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), type | (owner ? 0 : MB_TASKMODAL));
    for (HWND h : disabled)
        if (IsWindow(h)) EnableWindow(h, TRUE);
    if (owner && IsWindowVisible(owner))
        if (Form* f = FormOf(owner)) Activate(*f);
    return answer;
}

void Win32Ui::ShowMessage(const std::string& text) {
    NoteKeyTiming("message", "box");
    MessageBoxOf(Wide(text), title_, MB_OK);
}

void Win32Ui::ShowError(const std::string& text) { MessageBoxOf(Wide(text), title_, MB_OK | MB_ICONERROR); }

void Win32Ui::ShowMessageBox(const std::string& text, const std::string& caption) {
    MessageBoxOf(Wide(text), Wide(caption), MB_OK);
}

bool Win32Ui::Confirm(const std::string& text) {
    const HHOOK previous = g_confirmHook;
    ScopedHook hook(SetWindowsHookExW(WH_CBT, ConfirmHookProc, nullptr, GetCurrentThreadId()));
    g_confirmHook = hook.get();
    const int answer = MessageBoxOf(Wide(text), L"Confirm", MB_YESNO | MB_ICONQUESTION);
    hook.reset();
    g_confirmHook = previous;
    return answer == IDYES;
}

}  // namespace tastora

namespace tastora {

bool Win32Ui::ConfirmChange(const std::string& text, const std::string& caption) {
    return MessageBoxOf(Wide(text), Wide(caption), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace tastora
