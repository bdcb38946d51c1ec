// The yardstick of Tastora's start-up: a plain Win32 program that loads the same DLLs
// (the same import table as tastora.exe), initialises common controls and COM as Tastora
// does, creates as many windows (eleven top-level windows owned by a hidden application
// window, with some forty-five controls of the same kinds among them), shows the first one
// and exits. Whatever start-up time Tastora has beyond this program's is its own work.
//
// Built with BASELINE_HOSTS_CONTROL (baseline_control.exe), it also creates a twelfth, hidden
// window hosting the Flash control SWFLASH.OCX by the platform's own means: the control found
// through an activation context from control.manifest beside the program, and the container
// of ATL (the window class AtlAxWin of atl.dll). Tastora's start-up beyond this one is then
// its own work with the control: its host, the context, the way it loads.
//
//   baseline.exe [milliseconds]   stays that long after its window is shown (default 0), so
//                                 that a tool polling the windows sees it; then exits
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>

#include <cwchar>
#ifdef BASELINE_HOSTS_CONTROL
#include <string>
#endif

namespace {

// A function of a DLL that tastora.exe imports but that start-up here does not call: taking
// its address keeps the import, so the loader does the same work for both programs.
const void* const volatile kImports[] = {
    reinterpret_cast<const void*>(&SysAllocString),  // oleaut32
};

const wchar_t kFormClass[] = L"TastoraBaselineForm";
const wchar_t kAppClass[] = L"TastoraBaselineApp";
constexpr UINT_PTR kExitTimer = 1;

UINT g_holdMs = 0;

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            if (wp == kExitTimer) PostQuitMessage(0);
            return 0;
        case WM_CLOSE: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// Controls of the kinds that Tastora's windows hold, dealt out over the windows.
struct ControlKind {
    const wchar_t* cls;
    DWORD style;
    int count;
};
const ControlKind kControls[] = {
    {L"STATIC", SS_LEFT, 22},
    {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 14},
    {L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 1},
    {L"EDIT", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER, 2},
    {L"EDIT", ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 1},
    {PROGRESS_CLASSW, 0, 2},
    {L"STATIC", SS_BITMAP, 2},
};
constexpr int kForms = 11;

#ifdef BASELINE_HOSTS_CONTROL
// The Flash control in a hidden window of its own; false when it could not be created.
bool HostControl(HINSTANCE instance, HWND owner) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    std::wstring folder(path, n);
    folder.resize(folder.find_last_of(L'\\') + 1);
    const std::wstring manifest = folder + L"control.manifest";
    ACTCTXW actctx = {};
    actctx.cbSize = sizeof actctx;
    actctx.dwFlags = ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
    actctx.lpSource = manifest.c_str();
    actctx.lpAssemblyDirectory = folder.c_str();
    const HANDLE context = CreateActCtxW(&actctx);
    if (context == INVALID_HANDLE_VALUE) return false;
    ULONG_PTR cookie = 0;
    ActivateActCtx(context, &cookie);
    HMODULE atl = LoadLibraryW(L"atl.dll");
    using AxInit = BOOL(WINAPI*)();
    const auto init = atl ? reinterpret_cast<AxInit>(GetProcAddress(atl, "AtlAxWinInit")) : nullptr;
    HWND control = nullptr;
    if (init && init()) {
        HWND window = CreateWindowExW(0, kFormClass, L"flashplayer", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 640, 480, owner,
                                      nullptr, instance, nullptr);
        control = CreateWindowExW(0, L"AtlAxWin", L"{D27CDB6E-AE6D-11CF-96B8-444553540000}", WS_CHILD | WS_VISIBLE, 0,
                                  0, 640, 480, window, nullptr, instance, nullptr);
    }
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
    // Something was created inside the container: the control's own window or its object.
    return control && (GetWindow(control, GW_CHILD) || GetWindowLongPtrW(control, GWLP_USERDATA));
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
    g_holdMs = UINT(wcstoul(args, nullptr, 10));
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    WNDCLASSW wc = {};
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpfnWndProc = FormProc;
    wc.lpszClassName = kAppClass;
    RegisterClassW(&wc);
    wc.lpszClassName = kFormClass;
    RegisterClassW(&wc);
    HWND app = CreateWindowExW(0, kAppClass, L"Baseline", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, -32000,
                               -32000, 0, 0, nullptr, nullptr, instance, nullptr);

    HWND forms[kForms] = {};
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (int f = 0; f < kForms; ++f) {
        wchar_t caption[32];
        swprintf(caption, 32, L"Окно %d", f + 1);
        forms[f] = CreateWindowExW(0, kFormClass, caption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                                   100 + 10 * f, 100 + 10 * f, 420, 320, app, nullptr, instance, nullptr);
    }
    int n = 0;
    for (const ControlKind& kind : kControls) {
        for (int i = 0; i < kind.count; ++i, ++n) {
            HWND c = CreateWindowExW(0, kind.cls, L"Текст", WS_CHILD | WS_VISIBLE | kind.style, 8 + 90 * (n % 4),
                                     8 + 26 * (n / 4 % 10), 84, 22, forms[n % kForms],
                                     reinterpret_cast<HMENU>(INT_PTR(100 + n)), instance, nullptr);
            SendMessageW(c, WM_SETFONT, WPARAM(font), FALSE);
        }
    }

#ifdef BASELINE_HOSTS_CONTROL
    if (!HostControl(instance, app)) return 2;
#endif
    ShowWindow(forms[0], SW_SHOWNORMAL);
    UpdateWindow(forms[0]);
    SetTimer(forms[0], kExitTimer, g_holdMs, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    for (HWND f : forms) DestroyWindow(f);
    DestroyWindow(app);
    if (SUCCEEDED(com)) CoUninitialize();
    return kImports[0] ? 0 : 1;
}
