// Picture and panel controls, drawn here: a picture shows its bitmap on the face colour, a
// panel is a raised face with its caption centred and may hold other controls. A click on
// either is a press and release of the left button on it.
#include "win32/ui_parts.h"

namespace tastora {

namespace {
const wchar_t kFontProp[] = L"Tastora.Font";
}  // namespace

bool Win32Ui::TrackClick(Control* c, UINT msg) {
    if (msg == WM_LBUTTONDOWN) {
        if (c) c->pressed = true;
        return true;
    }
    if (msg == WM_LBUTTONUP) {
        if (c && c->pressed && g_ui) {
            c->pressed = false;
            g_ui->Guard(c->desc.onClick);
        }
        return true;
    }
    return false;
}

LRESULT CALLBACK Win32Ui::ImageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Control* c = g_ui ? g_ui->ControlOf(hwnd) : nullptr;
    if (TrackClick(c, msg)) return 0;
    if (msg == WM_ERASEBKGND) return 1;
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (c && !c->picture.Empty()) {
        const BITMAPINFO bmi = TopDownInfo(c->picture.Width(), c->picture.Height());
        SetDIBitsToDevice(dc, 0, 0, DWORD(c->picture.Width()), DWORD(c->picture.Height()), 0, 0, 0,
                          UINT(c->picture.Height()), c->picture.Data(), &bmi, DIB_RGB_COLORS);
        ExcludeClipRect(dc, 0, 0, c->picture.Width(), c->picture.Height());
    }
    FillRect(dc, &rc, g_ui ? g_ui->faceBrush_ : GetSysColorBrush(COLOR_BTNFACE));
    EndPaint(hwnd, &ps);
    return 0;
}

namespace {

void PaintPanel(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);
    const std::wstring text = WindowText(hwnd);
    if (!text.empty()) {
        ScopedSelect font(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, text.c_str(), int(text.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT CALLBACK Win32Ui::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Control* c = g_ui ? g_ui->ControlOf(hwnd) : nullptr;
    if (TrackClick(c, msg)) return 0;
    switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: PaintPanel(hwnd); return 0;
        case WM_SIZE:
            if (c && c->desc.onResize && g_ui) g_ui->Guard(c->desc.onResize);
            return 0;
        case WM_SETFONT:
            SetPropW(hwnd, kFontProp, reinterpret_cast<HANDLE>(wp));
            if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(hwnd, kFontProp));
        case WM_SETTEXT: {
            const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
            InvalidateRect(hwnd, nullptr, TRUE);
            return r;
        }
        default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace tastora
