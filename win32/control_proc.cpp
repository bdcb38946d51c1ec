// The messages of subclassed controls: push buttons that act on mouse-down, speed buttons,
// and boxes and bars with a click handler.
#include "win32/ui_parts.h"

namespace tastora {

namespace {

bool Inside(HWND hwnd, LPARAM lp) {
    RECT r;
    GetClientRect(hwnd, &r);
    const POINT p = {short(LOWORD(lp)), short(HIWORD(lp))};
    return PtInRect(&r, p) != FALSE;
}

}  // namespace

LRESULT CALLBACK Win32Ui::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Control* c = g_ui ? g_ui->ControlOf(hwnd) : nullptr;
    if (!c || !c->oldProc) return DefWindowProcW(hwnd, msg, wp, lp);
    if (!g_ui || g_ui->destroying_) return CallWindowProcW(c->oldProc, hwnd, msg, wp, lp);
    return g_ui->HandleControlMessage(*c, hwnd, msg, wp, lp);
}

LRESULT Win32Ui::HandleControlMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (c.desc.kind == ControlKind::Button) return OnMouseDownButtonMessage(c, hwnd, msg, wp, lp);
    if (c.desc.kind == ControlKind::FlatButton) return OnSpeedButtonMessage(c, hwnd, msg, wp, lp);
    // Boxes and bars with a click handler: a click is a press and release inside.
    if (msg == WM_LBUTTONDOWN) c.pressed = true;
    if (msg == WM_LBUTTONUP) {
        const bool wasPressed = c.pressed;
        c.pressed = false;
        const LRESULT r = CallWindowProcW(c.oldProc, hwnd, msg, wp, lp);
        if (wasPressed) Guard(c.desc.onClick);
        return r;
    }
    return CallWindowProcW(c.oldProc, hwnd, msg, wp, lp);
}

// A push button that acts at once on any mouse button and keeps the focus where it is.
LRESULT Win32Ui::OnMouseDownButtonMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            if (IsWindowEnabled(hwnd)) Guard(c.desc.onMouseDown);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
        case WM_SETFOCUS: return 0;
        default: return CallWindowProcW(c.oldProc, hwnd, msg, wp, lp);
    }
}

// A speed button: pressed by the mouse, never focused; a click is a press and release inside.
LRESULT Win32Ui::OnSpeedButtonMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            c.pressed = true;
            SetCapture(hwnd);
            SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
            if (c.desc.onMouseDown) Guard(c.desc.onMouseDown);
            return 0;
        case WM_MOUSEMOVE:
            if (c.pressed) SendMessageW(hwnd, BM_SETSTATE, Inside(hwnd, lp) ? TRUE : FALSE, 0);
            return 0;
        case WM_LBUTTONUP:
            if (c.pressed) {
                c.pressed = false;
                ReleaseCapture();
                SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
                if (Inside(hwnd, lp) && IsWindowEnabled(hwnd)) Guard(c.desc.onClick);
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (c.pressed) {
                c.pressed = false;
                SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
            }
            break;
        case WM_SETFOCUS: return 0;
        default: break;
    }
    return CallWindowProcW(c.oldProc, hwnd, msg, wp, lp);
}

}  // namespace tastora
