#include "win32/teacher/password_dialog.h"

#include "win32/scoped.h"

namespace tastora {

namespace {

constexpr wchar_t kClass[] = L"TastoraJournalPassword";
enum { kPrompt = 10, kFirst, kSecond, kMismatch };

struct State {
    bool twice = false;
    bool done = false;
    bool accepted = false;
    std::wstring password;
};

std::wstring TextOf(HWND h) {
    std::wstring s(size_t(GetWindowTextLengthW(h)) + 1, L'\0');
    s.resize(size_t(GetWindowTextW(h, &s[0], int(s.size()))));
    return s;
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) {
                const std::wstring first = TextOf(GetDlgItem(hwnd, kFirst));
                if (state->twice && first != TextOf(GetDlgItem(hwnd, kSecond))) {
                    SetWindowTextW(GetDlgItem(hwnd, kMismatch), L"Пароли не совпадают. Введите их ещё раз.");
                    SetWindowTextW(GetDlgItem(hwnd, kSecond), L"");
                    SetFocus(GetDlgItem(hwnd, kSecond));
                    return 0;
                }
                state->password = first;
                state->accepted = true;
                state->done = true;
            } else if (LOWORD(wp) == IDCANCEL) {
                state->done = true;
            }
            return 0;
        case WM_CLOSE: state->done = true; return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool AskPassword(HWND owner, HINSTANCE instance, const std::wstring& prompt, bool twice, std::wstring& password) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);  // again on a later call: refused, the class stays

    State state;
    state.twice = twice;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT r = {0, 0, 380, twice ? 170 : 130};
    AdjustWindowRect(&r, style, FALSE);
    RECT o = {};
    GetWindowRect(owner, &o);
    const int w = r.right - r.left, h = r.bottom - r.top;
    ScopedWindow dialog(CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, L"Пароль учителя", style,
                                        (o.left + o.right - w) / 2, (o.top + o.bottom - h) / 2, w, h, owner, nullptr,
                                        instance, &state));
    if (!dialog) return false;
    HFONT font = HFONT(SendMessageW(owner, WM_GETFONT, 0, 0));
    if (!font) font = HFONT(GetStockObject(DEFAULT_GUI_FONT));
    struct Item {
        int id;
        const wchar_t* cls;
        const wchar_t* text;
        DWORD style;
        int x, y, w, h;
    };
    const int buttons = twice ? 130 : 90;
    const Item items[] = {
        {kPrompt, L"STATIC", prompt.c_str(), 0, 12, 10, 356, 34},
        {kFirst, L"EDIT", L"", WS_TABSTOP | WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL, 12, 50, 356, 22},
        {kSecond, L"EDIT", L"", WS_TABSTOP | WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL, 12, 80, 356, 22},
        {kMismatch, L"STATIC", L"", 0, 12, 106, 356, 18},
        {IDOK, L"BUTTON", L"ОК", WS_TABSTOP | BS_DEFPUSHBUTTON, 178, buttons, 90, 28},
        {IDCANCEL, L"BUTTON", L"Отмена", WS_TABSTOP, 278, buttons, 90, 28},
    };
    for (const Item& it : items) {
        if (!twice && (it.id == kSecond || it.id == kMismatch)) continue;
        HWND c = CreateWindowExW(0, it.cls, it.text, WS_CHILD | WS_VISIBLE | it.style, it.x, it.y, it.w, it.h,
                                 dialog.get(), HMENU(INT_PTR(it.id)), instance, nullptr);
        SendMessageW(c, WM_SETFONT, WPARAM(font), TRUE);
    }
    EnableWindow(owner, FALSE);
    ShowWindow(dialog.get(), SW_SHOW);
    SetFocus(GetDlgItem(dialog.get(), kFirst));
    MSG msg;
    while (!state.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(dialog.get(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (msg.message == WM_QUIT && !state.done) PostQuitMessage(int(msg.wParam));
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
    dialog.reset();
    password = state.password;
    SecureZeroMemory(&state.password[0], state.password.size() * sizeof(wchar_t));
    return state.accepted;
}

}  // namespace tastora
