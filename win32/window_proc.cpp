// The window procedures of the forms and of the application window, each message handled by
// its own function; every handler of the core runs guarded.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "win32/ui_parts.h"
#include "win32/wide.h"

namespace tastora {

namespace {
constexpr UINT kActivateNewest = WM_APP + 1;
}  // namespace

LRESULT CALLBACK Win32Ui::AppProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Win32Ui* ui = g_ui;
    if (!ui || ui->destroying_) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_ACTIVATE:
            // The task-bar button was pressed: the keyboard goes on to the window in front.
            if (LOWORD(wp) != WA_INACTIVE) PostMessageW(hwnd, kActivateNewest, 0, 0);
            return 0;
        case kActivateNewest:
            if (GetActiveWindow() == hwnd)
                if (Form* f = ui->NewestShown(nullptr)) ui->Activate(*f);
            return 0;
        case WM_TIMER:
            if (wp != kIdleTimer) return 0;
            KillTimer(hwnd, kIdleTimer);
            ui->RunIdleTasks();
            return 0;
        case WM_CLOSE:
            // "Close" on the task-bar button: as the main window's close box.
            ui->Close(ui->mainForm_);
            return 0;
        default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT CALLBACK Win32Ui::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form* f = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        f = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(f));
        if (f) f->hwnd = hwnd;
    }
    if (!f || !f->ui || f->ui->destroying_) return DefWindowProcW(hwnd, msg, wp, lp);
    return f->ui->HandleFormMessage(*f, hwnd, msg, wp, lp);
}

LRESULT Win32Ui::HandleFormMessage(Form& f, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: OnCommand(f, wp, lp); return 0;
        case WM_NOTIFY: return OnNotify(f, reinterpret_cast<NMHDR*>(lp));
        case DM_GETDEFID: return OnDefaultButton(f);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            if (const LRESULT brush = OnControlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), msg))
                return brush;
            break;
        case WM_ERASEBKGND: return 1;  // WM_PAINT covers the whole area
        case WM_PAINT: OnPaint(f, hwnd); return 0;
        case WM_PRINTCLIENT: OnPrintClient(f, hwnd, reinterpret_cast<HDC>(wp)); return 0;
        case WM_SIZE: OnSize(f, wp, lp); break;
        case WM_ACTIVATE:
            if (OnActivate(f, hwnd, wp)) return 0;
            break;
        case WM_LBUTTONDOWN: Guard(f.desc.onClick); return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (OnKey(f, msg, wp)) return 0;
            break;
        case WM_TIMER: OnTimer(f, wp); return 0;
        case WM_CLOSE: OnClose(f, hwnd); return 0;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Enter presses the focused push button, else the default button.
LRESULT Win32Ui::OnDefaultButton(Form& f) {
    HWND focus = GetFocus();
    for (auto& c : f.controls)
        if (c && c->hwnd == focus && c->desc.kind == ControlKind::Button && !c->oldProc)
            return MAKELRESULT(c->id, DC_HASDEFID);
    return f.defaultId ? MAKELRESULT(f.defaultId, DC_HASDEFID) : 0;
}

// The colours of labels and text boxes: the brush to paint with, or 0 for the system's own.
LRESULT Win32Ui::OnControlColor(HDC dc, HWND control, UINT msg) {
    Control* c = ControlOf(control);
    if (!c) return 0;
    const bool edit = c->desc.kind == ControlKind::Memo || c->desc.kind == ControlKind::PasswordEdit ||
                      c->desc.kind == ControlKind::Edit;
    const bool ownColor = c->color != kWindowTextColor;
    if (ownColor) ::SetTextColor(dc, ToColorRef(c->color));
    if (edit && IsWindowEnabled(c->hwnd)) {
        // A read-only box keeps the white of an edit box.
        if (msg == WM_CTLCOLORSTATIC && !ownColor) ::SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        if (msg != WM_CTLCOLORSTATIC && !ownColor) return 0;
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(windowBrush_);
    }
    if (msg == WM_CTLCOLORSTATIC && c->desc.kind == ControlKind::Label) {
        if (!ownColor) ::SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(faceBrush_);
    }
    return 0;
}

// The window's own painting (into its back buffer), then the buffer on the screen.
void Win32Ui::OnPaint(Form& f, HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    // The pictures are drawn into the buffer by the paint handler, except for the paint that
    // shows what was just copied there: the buffer holds it already.
    if (f.desc.onPaint && !f.painting && !f.showingCopied) {
        EnsureBuffer(f);
        f.painting = true;
        Guard(f.desc.onPaint);
        f.painting = false;
    }
    if (!f.buffer.Empty())
        f.buffer.PaintTo(dc, ps.rcPaint);
    else
        FillRect(dc, &ps.rcPaint, faceBrush_);
    EndPaint(hwnd, &ps);
}

void Win32Ui::OnPrintClient(Form& f, HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (!f.buffer.Empty())
        f.buffer.PaintTo(dc, rc);
    else
        FillRect(dc, &rc, faceBrush_);
}

// The back buffer and the controls that fill the client area follow its size.
void Win32Ui::OnSize(Form& f, WPARAM wp, LPARAM lp) {
    if (wp == SIZE_MINIMIZED) return;
    if (!f.buffer.Empty()) EnsureBuffer(f);
    for (auto& c : f.controls)
        if (c && c->alignClient && c->hwnd) MoveWindow(c->hwnd, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
}

bool Win32Ui::OnActivate(Form& f, HWND hwnd, WPARAM wp) {
    if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) f.lastFocus = focus;
        return false;
    }
    if (HIWORD(wp)) return false;  // minimised
    // The window the learner turned to counts as the newest one shown.
    auto& order = shownOrder_;
    if (std::find(order.begin(), order.end(), f.desc.id) != order.end()) {
        order.erase(std::remove(order.begin(), order.end(), f.desc.id), order.end());
        order.push_back(f.desc.id);
    }
    ActivateFirstControl(f);
    Guard(f.desc.onActivate);
    return true;
}

// Without key preview the window sees the keys that come to itself; a key code set to 0 is
// swallowed.
bool Win32Ui::OnKey(Form& f, UINT msg, WPARAM wp) {
    const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    const auto& handler = down ? f.desc.onKeyDown : f.desc.onKeyUp;
    if (f.desc.keyPreview || !handler) return false;
    uint16_t key = uint16_t(wp);
    Guard([&] { handler(key); });
    return key == 0;
}

void Win32Ui::OnTimer(Form& f, WPARAM id) {
    for (auto& t : f.timers)
        if (t.id == id) {
            // A tick that comes while the same timer's handler still runs (it shows a
            // message box) is dropped, so a failing handler cannot pile up boxes.
            if (!t.enabled || t.running) return;
            t.running = true;
            const std::function<void()> handler = t.desc.onTimer;
            Guard(handler);
            t.running = false;
            return;
        }
}

void Win32Ui::OnClose(Form& f, HWND hwnd) {
    Guard(f.desc.onClose);
    if (f.desc.id == mainForm_) {
        // Closing the main window ends the program.
        ShowWindow(hwnd, SW_HIDE);
        Terminate();
    } else {
        Hide(f.desc.id);
    }
}

void Win32Ui::OnCommand(Form& f, WPARAM wp, LPARAM lp) {
    if (!lp) return;  // menus and accelerators: none
    Control* c = f.ById(LOWORD(wp));
    if (!c || c->hwnd != reinterpret_cast<HWND>(lp)) return;
    const UINT code = HIWORD(wp);
    switch (c->desc.kind) {
        case ControlKind::Button:
        case ControlKind::FlatButton:
            if (code == BN_CLICKED && IsWindowEnabled(c->hwnd)) Guard(c->desc.onClick);
            break;
        case ControlKind::Label:
            if (code == STN_CLICKED) Guard(c->desc.onClick);
            break;
        case ControlKind::ComboBox:
            if (code == CBN_EDITCHANGE && !c->settingText) Guard(c->desc.onChange);
            if (code == CBN_SELCHANGE) OnComboPicked(*c);
            break;
        case ControlKind::PasswordEdit:
        case ControlKind::Edit:
        case ControlKind::Memo:
            if (code == EN_CHANGE && !c->settingText) Guard(c->desc.onChange);
            break;
        default: break;
    }
}

// A list's requests and events: the texts of the cells it shows, a click on a column's header,
// a change of the selection that the user made, a key, the bars of its bar column.
LRESULT Win32Ui::OnNotify(Form& f, NMHDR* h) {
    Control* c = h ? f.ById(int(h->idFrom)) : nullptr;
    if (!c || c->hwnd != h->hwndFrom || c->desc.kind != ControlKind::List) return 0;
    const ControlSpec& desc = c->desc;
    switch (h->code) {
        case LVN_GETDISPINFOW: {
            auto* di = reinterpret_cast<NMLVDISPINFOW*>(h);
            if ((di->item.mask & LVIF_TEXT) && di->item.cchTextMax > 0 && desc.cellText) {
                c->cell.clear();
                Guard([&] { c->cell = Wide(desc.cellText(di->item.iItem, di->item.iSubItem)); });
                lstrcpynW(di->item.pszText, c->cell.c_str(), di->item.cchTextMax);
            }
            return 0;
        }
        case LVN_COLUMNCLICK: {
            const int column = reinterpret_cast<NMLISTVIEW*>(h)->iSubItem;
            if (desc.onColumnClick) Guard([&] { desc.onColumnClick(column); });
            return 0;
        }
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED:
            if (!c->settingText) Guard(desc.onChange);
            return 0;
        case LVN_KEYDOWN: {
            const uint16_t key = reinterpret_cast<NMLVKEYDOWN*>(h)->wVKey;
            if (desc.onKey) Guard([&] { desc.onKey(key); });
            return 0;
        }
        case NM_CUSTOMDRAW:
            return desc.barColumn >= 0 ? OnListDraw(*c, reinterpret_cast<NMLVCUSTOMDRAW*>(h)) : CDRF_DODEFAULT;
    }
    return 0;
}

// A cell of the bar column: a small bar of its per cent beside the number.
LRESULT Win32Ui::OnListDraw(Control& c, NMLVCUSTOMDRAW* cd) {
    switch (cd->nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            if (cd->iSubItem != c.desc.barColumn || !c.desc.cellText) return CDRF_DODEFAULT;
            const int row = int(cd->nmcd.dwItemSpec);
            std::wstring text;
            Guard([&] { text = Wide(c.desc.cellText(row, cd->iSubItem)); });
            const int percent = std::max(0, std::min(100, _wtoi(text.c_str())));
            RECT r = {};
            ListView_GetSubItemRect(c.hwnd, row, cd->iSubItem, LVIR_BOUNDS, &r);
            const bool selected = ListView_GetItemState(c.hwnd, row, LVIS_SELECTED) != 0;
            HDC dc = cd->nmcd.hdc;
            FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
            RECT bar = {r.left + 4, r.top + 4, r.left + 4 + (r.right - r.left - 48) * percent / 100, r.bottom - 4};
            RECT frame = {r.left + 4, r.top + 4, r.right - 44, r.bottom - 4};
            FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
            ScopedGdiObject<HBRUSH> green(CreateSolidBrush(RGB(60, 160, 70)));
            FillRect(dc, &bar, green.get());
            RECT number = {r.right - 42, r.top, r.right - 2, r.bottom};
            SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            DrawTextW(dc, text.c_str(), -1, &number, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
            return CDRF_SKIPDEFAULT;
        }
    }
    return CDRF_DODEFAULT;
}

// An entry picked from a combo box's list is the text by the time the handler runs.
void Win32Ui::OnComboPicked(Control& c) {
    const LRESULT index = SendMessageW(c.hwnd, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return;
    const LRESULT len = SendMessageW(c.hwnd, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (len == CB_ERR) return;
    std::wstring item(size_t(len) + 1, L'\0');
    const LRESULT got = SendMessageW(c.hwnd, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&item[0]));
    item.resize(got > 0 ? size_t(got) : 0);
    c.settingText = true;
    SetWindowTextW(c.hwnd, item.c_str());
    c.settingText = false;
    Guard(c.desc.onChange);
}

}  // namespace tastora
