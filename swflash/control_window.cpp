#include "swflash/control_window.h"

#include "swflash/flash_object.h"
#include "swflash/module.h"

namespace tastora {
namespace swflash {

namespace {

const wchar_t kWindowClass[] = L"TastoraSwfPlayer";
ATOM g_class = 0;

FlashObject* OwnerOf(HWND hwnd) { return reinterpret_cast<FlashObject*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    FlashObject* owner = OwnerOf(hwnd);
    if (!owner) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT client;
            GetClientRect(hwnd, &client);
            owner->Paint(dc, client);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND: return 1;  // the frame covers every pixel
        case WM_SIZE: InvalidateRect(hwnd, nullptr, FALSE); return 0;
        case WM_TIMER: owner->OnTimer(); return 0;
        case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_CHAR:
        case WM_SYSCHAR:
            // The movie takes no keys: they go to the window that hosts the control.
            if (HWND parent = GetParent(hwnd)) return SendMessageW(parent, message, wParam, lParam);
            break;
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            owner->OnWindowDestroyed();
            break;
        default: break;
    }
    // Right-button presses and everything else: the usual handling (no menu of our own).
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

HWND CreateControlWindow(FlashObject* owner, HWND parent, const RECT& bounds) {
    if (!g_class) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ControlWindowProc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kWindowClass;
        g_class = RegisterClassExW(&wc);
        if (!g_class && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    }
    return CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP, bounds.left, bounds.top,
                           bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr, ModuleInstance(),
                           owner);
}

void UnregisterControlWindowClass() {
    if (g_class) UnregisterClassW(kWindowClass, ModuleInstance());
    g_class = 0;
}

}  // namespace swflash
}  // namespace tastora
