// A small ActiveX container for the end-to-end tests of SWFLASH.OCX: it creates the control
// by its CLSID in a window of its own, either through its own client site or through ATL's
// host (atl.dll), and runs the commands of its command line in order, printing one line per
// command:
//   create              CoCreateInstance and in-place activation        create=0xHRESULT
//   put:NAME=VALUE      IDispatch property put (true/false, integers, else text)
//   get:NAME            IDispatch property get                           get:NAME=VALUE
//   call:NAME[=N]       IDispatch method
//   dispid:NAME         GetIDsOfNames                                    dispid:NAME=ID or 0xHRESULT
//   invoke:ID           IDispatch property get of a raw DISPID           invoke:ID=0xHRESULT
//   noargs:ID           IDispatch method call of a raw DISPID with one argument counted
//                       and no argument array                            noargs:ID=0xHRESULT
//   slot:N[=VALUE]      a vtable call: 10 put_Playing, 22 put_Movie, 28 Play
//   wait:MS             runs the message loop for MS milliseconds
//   shot:FILE           saves the window's client area as a 24-bit BMP
//   key:VK              a key press sent to the control's window         keys=N (seen by the host)
//   size:W,H            resizes the window and the control
//   time:PATH           put Movie with the first frame painted           time_ms=T
//   cpu:MS              the process's CPU share while the loop runs      cpu_percent=P
//   release             closes and releases the control, frees unused DLLs loaded=0|1
// Options before the commands: --atl (ATL's host), --size W,H (default 320,240).
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/bmp_capture.h"

namespace {

const CLSID kClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

HWND g_host = nullptr;       // the top-level window
HWND g_container = nullptr;  // ATL's container window (ATL mode)
int g_keys = 0;              // key-down messages the host window received
IOleObject* g_object = nullptr;
IDispatch* g_dispatch = nullptr;
IUnknown* g_atlContainer = nullptr;
int g_width = 320, g_height = 240;

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

std::string Narrow(const std::wstring& s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const LONG left = LONG(end - GetTickCount());
        if (left <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left), QS_ALLINPUT);
    }
}

// --- our own client site: IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame in one object

class Site : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override {
        *m = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
        *w = g_host;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        ++activations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        *frame = this;
        *doc = nullptr;
        SetRect(pos, 0, 0, g_width, g_height);
        *clip = *pos;
        info->fMDIApp = FALSE;
        info->hwndFrame = g_host;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        --activations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }
    // IOleInPlaceUIWindow, IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    int activations = 0;
};

Site g_site;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) ++g_keys;
    if (message == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(HDC(wParam), &r, HBRUSH(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND ControlWindow() {
    IOleWindow* window = nullptr;
    HWND hwnd = nullptr;
    if (g_object && SUCCEEDED(g_object->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)))) {
        window->GetWindow(&hwnd);
        window->Release();
    }
    return hwnd;
}

HRESULT CreateWithSite() {
    HRESULT hr =
        CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, reinterpret_cast<void**>(&g_object));
    if (FAILED(hr)) return hr;
    IPersistStreamInit* persist = nullptr;
    if (SUCCEEDED(g_object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)))) {
        persist->InitNew();
        persist->Release();
    }
    hr = g_object->SetClientSite(&g_site);
    if (FAILED(hr)) return hr;
    RECT r = {0, 0, g_width, g_height};
    hr = g_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &g_site, 0, g_host, &r);
    if (FAILED(hr)) return hr;
    return g_object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&g_dispatch));
}

HRESULT CreateWithAtl() {
    HMODULE atl = LoadLibraryW(L"atl.dll");
    if (!atl) return HRESULT_FROM_WIN32(GetLastError());
    using InitFn = BOOL(WINAPI*)();
    using CreateFn = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**);
    using GetFn = HRESULT(WINAPI*)(HWND, IUnknown**);
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto create = reinterpret_cast<CreateFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxCreateControl")));
    auto get = reinterpret_cast<GetFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    if (!init || !create || !get) return E_NOTIMPL;
    init();
    g_container = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, g_width, g_height, g_host, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HRESULT hr = create(L"{D27CDB6E-AE6D-11CF-96B8-444553540000}", g_container, nullptr, &g_atlContainer);
    if (FAILED(hr)) return hr;
    IUnknown* control = nullptr;
    hr = get(g_container, &control);
    if (FAILED(hr)) return hr;
    control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&g_object));
    hr = control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&g_dispatch));
    control->Release();
    return hr;
}

VARIANT ValueOf(const std::wstring& text) {
    VARIANT v;
    VariantInit(&v);
    wchar_t* end = nullptr;
    const long number = wcstol(text.c_str(), &end, 10);
    if (text == L"true" || text == L"false") {
        v.vt = VT_BOOL;
        v.boolVal = text == L"true" ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (!text.empty() && end && *end == 0) {
        v.vt = VT_I4;
        v.lVal = number;
    } else {
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(text.c_str());
    }
    return v;
}

DISPID IdOf(const std::wstring& name, HRESULT* hr) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    *hr = g_dispatch ? g_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id) : E_POINTER;
    return id;
}

HRESULT Put(const std::wstring& name, const std::wstring& value) {
    HRESULT hr;
    const DISPID id = IdOf(name, &hr);
    if (FAILED(hr)) return hr;
    VARIANT v = ValueOf(value);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&v, &named, 1, 1};
    hr =
        g_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    VariantClear(&v);
    return hr;
}

std::string Text(VARIANT& v) {
    VARIANT s;
    VariantInit(&s);
    if (FAILED(VariantChangeType(&s, &v, VARIANT_ALPHABOOL, VT_BSTR))) return "?";
    std::string out = Narrow(s.bstrVal ? s.bstrVal : L"");
    VariantClear(&s);
    return out;
}

bool SaveShot(const std::wstring& file) {
    HDC window = GetDC(g_host);
    const bool ok = SaveBmp24(window, 0, 0, g_width, g_height, file);
    ReleaseDC(g_host, window);
    return ok;
}

double Seconds(const FILETIME& t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; }

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

double NowMs() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

void Run(const std::wstring& command, bool atl) {
    const size_t colon = command.find(L':');
    const std::wstring verb = command.substr(0, colon);
    const std::wstring rest = colon == std::wstring::npos ? L"" : command.substr(colon + 1);
    const size_t eq = rest.find(L'=');
    const std::wstring name = rest.substr(0, eq);
    const std::wstring value = eq == std::wstring::npos ? L"" : rest.substr(eq + 1);
    const std::string head =
        Narrow(command.substr(0, colon == std::wstring::npos ? command.size() : colon + 1 + name.size()));
    if (verb == L"create") {
        Say("create=0x%08lX", static_cast<unsigned long>(atl ? CreateWithAtl() : CreateWithSite()));
    } else if (verb == L"put") {
        Say("%s=0x%08lX", head.c_str(), static_cast<unsigned long>(Put(name, value)));
    } else if (verb == L"get") {
        HRESULT hr;
        const DISPID id = IdOf(name, &hr);
        VARIANT v;
        VariantInit(&v);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (SUCCEEDED(hr))
            hr = g_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &v, nullptr,
                                    nullptr);
        if (SUCCEEDED(hr))
            Say("%s=%s", head.c_str(), Text(v).c_str());
        else
            Say("%s=0x%08lX", head.c_str(), static_cast<unsigned long>(hr));
        VariantClear(&v);
    } else if (verb == L"call") {
        HRESULT hr;
        const DISPID id = IdOf(name, &hr);
        VARIANT arg = ValueOf(value), result;
        VariantInit(&result);
        DISPPARAMS params = {&arg, nullptr, value.empty() ? 0u : 1u, 0};
        if (SUCCEEDED(hr))
            hr = g_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                    nullptr);
        Say("%s=0x%08lX %s", head.c_str(), static_cast<unsigned long>(hr),
            result.vt == VT_EMPTY ? "" : Text(result).c_str());
        VariantClear(&arg);
        VariantClear(&result);
    } else if (verb == L"dispid") {
        HRESULT hr;
        const DISPID id = IdOf(name, &hr);
        if (SUCCEEDED(hr))
            Say("%s=%ld", head.c_str(), long(id));
        else
            Say("%s=0x%08lX", head.c_str(), static_cast<unsigned long>(hr));
    } else if (verb == L"invoke") {
        VARIANT v;
        VariantInit(&v);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        const HRESULT hr = g_dispatch ? g_dispatch->Invoke(DISPID(_wtol(name.c_str())), IID_NULL, LOCALE_USER_DEFAULT,
                                                           DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr)
                                      : E_POINTER;
        Say("%s=0x%08lX", head.c_str(), static_cast<unsigned long>(hr));
        VariantClear(&v);
    } else if (verb == L"noargs") {
        DISPPARAMS broken = {nullptr, nullptr, 1, 0};
        const HRESULT hr = g_dispatch ? g_dispatch->Invoke(DISPID(_wtol(name.c_str())), IID_NULL, LOCALE_USER_DEFAULT,
                                                           DISPATCH_METHOD, &broken, nullptr, nullptr, nullptr)
                                      : E_POINTER;
        Say("%s=0x%08lX", head.c_str(), static_cast<unsigned long>(hr));
    } else if (verb == L"slot") {
        // Straight through the vtable, as a host compiled against the type library calls.
        void** vtable = g_dispatch ? *reinterpret_cast<void***>(g_dispatch) : nullptr;
        const int slot = _wtoi(name.c_str());
        HRESULT hr = E_POINTER;
        if (vtable && slot == 10) {
            using Fn = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, VARIANT_BOOL);
            hr = reinterpret_cast<Fn>(vtable[10])(g_dispatch, value == L"true" ? VARIANT_TRUE : VARIANT_FALSE);
        } else if (vtable && slot == 22) {
            using Fn = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, BSTR);
            BSTR path = SysAllocString(value.c_str());
            hr = reinterpret_cast<Fn>(vtable[22])(g_dispatch, path);
            SysFreeString(path);
        } else if (vtable && slot == 28) {
            using Fn = HRESULT(STDMETHODCALLTYPE*)(IDispatch*);
            hr = reinterpret_cast<Fn>(vtable[28])(g_dispatch);
        } else if (vtable && slot > 6) {
            // Any other member with no arguments that a caller may reach: a getter with a
            // place for its result (unused members must answer E_NOTIMPL, not crash).
            using Fn = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, void*);
            VARIANT scratch[4] = {};
            hr = reinterpret_cast<Fn>(vtable[slot])(g_dispatch, scratch);
        }
        Say("%s=0x%08lX", head.c_str(), static_cast<unsigned long>(hr));
    } else if (verb == L"wait") {
        Pump(DWORD(_wtoi(rest.c_str())));
    } else if (verb == L"shot") {
        Pump(50);
        Say("shot=%d", SaveShot(rest) ? 1 : 0);
    } else if (verb == L"key") {
        HWND control = ControlWindow();
        if (control) {
            SetFocus(control);
            PostMessageW(control, WM_KEYDOWN, WPARAM(_wtoi(rest.c_str())), 1);
        }
        Pump(100);
        Say("keys=%d", g_keys);
    } else if (verb == L"size") {
        swscanf(rest.c_str(), L"%d,%d", &g_width, &g_height);
        SetWindowPos(g_host, nullptr, 0, 0, g_width, g_height, SWP_NOZORDER | SWP_NOMOVE);
        RECT r = {0, 0, g_width, g_height};
        IOleInPlaceObject* inplace = nullptr;
        if (atl && g_container) {
            MoveWindow(g_container, 0, 0, g_width, g_height, TRUE);
        } else if (g_object &&
                   SUCCEEDED(g_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inplace)))) {
            inplace->SetObjectRects(&r, &r);
            inplace->Release();
        }
        Pump(50);
        Say("size=%d,%d", g_width, g_height);
    } else if (verb == L"time") {
        // put Movie up to its first frame painted into the window.
        const double start = NowMs();
        const HRESULT hr = Put(L"Movie", rest);
        if (HWND control = ControlWindow()) UpdateWindow(control);
        GdiFlush();
        Say("time_ms=%.2f hr=0x%08lX", NowMs() - start, static_cast<unsigned long>(hr));
    } else if (verb == L"cpu") {
        const double ms = _wtof(rest.c_str());
        const double cpu0 = CpuSeconds(), t0 = NowMs();
        Pump(DWORD(ms));
        Say("cpu_percent=%.1f", (CpuSeconds() - cpu0) * 1000.0 * 100.0 / (NowMs() - t0));
    } else if (verb == L"release") {
        if (g_dispatch) g_dispatch->Release(), g_dispatch = nullptr;
        if (g_object) {
            g_object->Close(OLECLOSE_NOSAVE);
            g_object->SetClientSite(nullptr);
            g_object->Release();
            g_object = nullptr;
        }
        if (g_atlContainer) g_atlContainer->Release(), g_atlContainer = nullptr;
        if (g_container) DestroyWindow(g_container), g_container = nullptr;
        Pump(50);
        CoFreeUnusedLibrariesEx(0, 0);
        CoFreeUnusedLibraries();
        Say("loaded=%d activations=%d", GetModuleHandleW(L"SWFLASH.OCX") ? 1 : 0, g_site.activations);
    } else {
        Say("unknown command %s", Narrow(command).c_str());
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool atl = false;
    int first = 1;
    for (; first < argc && argv[first][0] == L'-' && argv[first][1] == L'-'; ++first) {
        const std::wstring option = argv[first];
        if (option == L"--atl") atl = true;
        if (option == L"--size" && first + 1 < argc) swscanf(argv[++first], L"%d,%d", &g_width, &g_height);
    }
    if (FAILED(OleInitialize(nullptr))) return 3;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = L"OcxHostWindow";
    RegisterClassExW(&wc);
    g_host = CreateWindowExW(0, L"OcxHostWindow", L"ocxhost", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, g_width,
                             g_height, nullptr, nullptr, wc.hInstance, nullptr);
    Pump(50);
    for (int i = first; i < argc; ++i) Run(argv[i], atl);
    Run(L"release", atl);
    DestroyWindow(g_host);
    OleUninitialize();
    return 0;
}
