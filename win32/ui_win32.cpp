// The Win32 window layer: every window of the program is built from its description, every
// event goes through the guarded handlers of the core, and the pictures that the core copies
// to a window land in that window's back buffer, which WM_PAINT puts on the screen.
#include "win32/ui_win32.h"

#include <commctrl.h>
#include <objbase.h>
#include <richedit.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "core/errors.h"
#include "core/text.h"
#include "win32/activex_host.h"
#include "win32/wide.h"

namespace tastora {

namespace {

constexpr int kFirstControlId = 100;
constexpr int kDefaultFormWidth = 160;   // a window laid out without a size
constexpr int kDefaultFormHeight = 80;
constexpr int kComboDropHeight = 160;    // room for the drop-down list
const wchar_t kImageClass[] = L"TastoraImage";
const wchar_t kPanelClass[] = L"TastoraPanel";
const wchar_t kAppClass[] = L"TApplication";
constexpr UINT kActivateNewest = WM_APP + 1;
// The designer name of a control, as a global atom (read by the end-to-end tests' probe).
const wchar_t kNameProp[] = L"Tastora.Name";

std::wstring WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    if (n <= 0) return std::wstring();
    std::wstring buf(size_t(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, &buf[0], n + 1);
    buf.resize(got > 0 ? size_t(got) : 0);
    return buf;
}

// Multi-line edit boxes break lines only at CR LF.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            out += L"\r\n";
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else if (c == L'\n') {
            out += L"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

COLORREF ToColorRef(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

uint32_t ToRgb(COLORREF c) { return MakeRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

const wchar_t* FormClassName(FormId id) {
    switch (id) {
        case FormId::Login: return L"TForm1";
        case FormId::Exercise: return L"TForm2";
        case FormId::Results: return L"TForm3";
        case FormId::Closing: return L"TForm6";
        case FormId::Progress: return L"TFprogres";
        case FormId::Rules: return L"Tfh";
        case FormId::Picture: return L"TFpic";
        case FormId::Info: return L"TFi";
        case FormId::Donations: return L"TDonatii";
        case FormId::DonationsView: return L"TDonatii2";
        case FormId::Player: return L"TFLashplayer";
    }
    return L"TForm";
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring text = n && buf ? std::wstring(buf, n) : std::wstring();
    if (buf) LocalFree(buf);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text.empty() ? "код " + std::to_string(code) : Narrow(text);
}

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

struct RtfSource {
    const std::string* bytes;
    size_t pos;
};

DWORD CALLBACK RtfRead(DWORD_PTR cookie, LPBYTE buffer, LONG want, LONG* got) {
    RtfSource* src = reinterpret_cast<RtfSource*>(cookie);
    const size_t left = src->bytes->size() - src->pos;
    const size_t n = std::min(left, size_t(want > 0 ? want : 0));
    if (n) memcpy(buffer, src->bytes->data() + src->pos, n);
    src->pos += n;
    *got = LONG(n);
    return 0;
}

}  // namespace

// --- the windows as built

struct Win32Ui::Control {
    Form* form = nullptr;
    ControlSpec desc;
    HWND hwnd = nullptr;
    int id = 0;
    WNDPROC oldProc = nullptr;
    ATOM nameAtom = 0;
    uint32_t color = kWindowTextColor;
    Bitmap picture;            // image control
    bool settingText = false;  // the program sets the text: no change event
    bool pressed = false;      // left button went down on it (click tracking)
    bool alignClient = false;  // fills the window's client area
    std::unique_ptr<ActiveXHost> activeX;  // an ActiveX control in its holder window
};

struct Win32Ui::Form {
    struct Timer {
        TimerSpec desc;
        UINT_PTR id = 0;
        bool enabled = false;
        bool running = false;  // its handler is running (a message box inside it)
    };

    Win32Ui* ui = nullptr;
    FormSpec desc;
    HWND hwnd = nullptr;
    HFONT font = nullptr;
    std::vector<std::unique_ptr<Control>> controls;
    std::map<std::string, Control*> byName;
    std::vector<Timer> timers;
    int defaultId = 0;
    HWND lastFocus = nullptr;
    // The client area's back buffer (32-bit top-down), made when pictures are copied.
    HDC bufferDc = nullptr;
    HBITMAP bufferBitmap = nullptr;
    HGDIOBJ bufferOld = nullptr;
    uint32_t* bufferBits = nullptr;
    int bufferWidth = 0, bufferHeight = 0;
    bool painting = false;
    bool paintPending = false;

    Control* ById(int id) {
        const int i = id - kFirstControlId;
        return i >= 0 && size_t(i) < controls.size() ? controls[size_t(i)].get() : nullptr;
    }
};

namespace {
Win32Ui* g_ui = nullptr;
}

Win32Ui::Win32Ui(HINSTANCE instance) : instance_(instance) {
    g_ui = this;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    faceBrush_ = GetSysColorBrush(COLOR_BTNFACE);
    // Text is measured in a screen-compatible memory DC. Fonts keep their 96-DPI pixel size
    // at any display scaling: the windows are laid out in fixed pixels (the manifest says so
    // to Windows), and larger letters would be clipped by their controls.
    measureDc_ = CreateCompatibleDC(nullptr);
    windowBrush_ = GetSysColorBrush(COLOR_WINDOW);

    // Every window class shares the one cursor and the program's icon, loaded once here.
    arrowCursor_ = LoadCursorW(nullptr, IDC_ARROW);
    icon_ = LoadIconW(instance_, L"MAINICON");
    if (!icon_) icon_ = LoadIconW(nullptr, IDI_APPLICATION);

    WNDCLASSW wc = {};
    wc.hInstance = instance_;
    wc.hCursor = arrowCursor_;
    wc.lpfnWndProc = ImageProc;
    wc.lpszClassName = kImageClass;
    RegisterClassW(&wc);
    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = kPanelClass;
    RegisterClassW(&wc);

    // The forms are owned by the application window, so that none of them gets a task-bar
    // button of its own: the program's one button carries the application title. The window
    // has no size and lies off the screen.
    wc.lpfnWndProc = AppProc;
    wc.lpszClassName = kAppClass;
    wc.hIcon = icon_;
    RegisterClassW(&wc);
    appWindow_ = CreateWindowExW(0, kAppClass, title_.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                 -32000, -32000, 0, 0, nullptr, nullptr, instance_, nullptr);
}

Win32Ui::~Win32Ui() {
    destroying_ = true;
    for (auto& f : forms_) {
        if (!f) continue;
        for (auto& t : f->timers)
            if (t.enabled) KillTimer(f->hwnd, t.id);
        for (auto& c : f->controls) {
            if (!c) continue;
            c->activeX.reset();
            if (c->nameAtom) GlobalDeleteAtom(c->nameAtom);
        }
        if (f->hwnd) DestroyWindow(f->hwnd);
        if (f->bufferDc) {
            SelectObject(f->bufferDc, f->bufferOld);
            DeleteDC(f->bufferDc);
        }
        if (f->bufferBitmap) DeleteObject(f->bufferBitmap);
    }
    if (appWindow_) DestroyWindow(appWindow_);
    if (measureDc_) DeleteDC(measureDc_);
    for (HFONT font : ownedFonts_) DeleteObject(font);
    if (richEditLibrary_) FreeLibrary(richEditLibrary_);
    if (g_ui == this) g_ui = nullptr;
}

// --- application

void Win32Ui::InitializeCom() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialized_ = SUCCEEDED(hr);
}

void Win32Ui::UninitializeCom() {
    // The controls go before COM does.
    for (auto& f : forms_)
        if (f)
            for (auto& c : f->controls)
                if (c && c->activeX) c->activeX->Close();
    if (comInitialized_) CoUninitialize();
    comInitialized_ = false;
}

void Win32Ui::SetApplicationTitle(const std::string& title) {
    title_ = Wide(title);
    if (appWindow_) SetWindowTextW(appWindow_, title_.c_str());
}

std::string Win32Ui::SystemDirectory() {
    wchar_t buf[2048];
    const UINT n = GetSystemDirectoryW(buf, 2048);
    if (n == 0 || n >= 2048) return std::string();
    return Narrow(std::wstring(buf, n));
}

char Win32Ui::DecimalSeparator() {
    wchar_t buf[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 1 && buf[0] > 0 && buf[0] < 128)
        return char(buf[0]);
    return '.';
}

std::string Win32Ui::KeyboardLayoutName() {
    wchar_t buf[KL_NAMELENGTH] = {};
    if (!GetKeyboardLayoutNameW(buf)) return std::string();
    return Narrow(buf);
}

// The key state as of the message being handled (it follows the messages read, also those
// that a message box's own loop read).
bool Win32Ui::ShiftHeld() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

bool Win32Ui::KeyboardExchangesYZ() {
    // Scan code 0x15 is the key in the Y position of a US keyboard, 0x2C the one in the
    // Z position; a QWERTZ layout gives them the codes of Z and Y.
    HKL layout = GetKeyboardLayout(0);
    const UINT y = MapVirtualKeyExW(0x15, MAPVK_VSC_TO_VK, layout);
    const UINT z = MapVirtualKeyExW(0x2C, MAPVK_VSC_TO_VK, layout);
    if (y == 0 || z == 0) return true;  // the system cannot tell
    return y == 'Z' && z == 'Y';
}

void Win32Ui::Terminate() {
    quitting_ = true;
    PostQuitMessage(0);
}

void Win32Ui::RunEventLoop(FormId mainForm) {
    mainForm_ = mainForm;
    if (appWindow_) ShowWindow(appWindow_, SW_SHOWNOACTIVATE);
    Show(mainForm);
    if (HWND hwnd = FormHandle(mainForm)) UpdateWindow(hwnd);
    if (onMainWindowShown) onMainWindowShown();
    MSG msg;
    while (!quitting_) {
        const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) break;
        Dispatch(msg);
    }
}

void Win32Ui::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The loop that called us ends the program.
            quitting_ = true;
            PostQuitMessage(int(msg.wParam));
            break;
        }
        Dispatch(msg);
    }
}

void Win32Ui::Dispatch(MSG& msg) {
    if (messageFilter && messageFilter(msg)) return;
    const bool timed = !timingFile.empty() && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN);
    LARGE_INTEGER start = {};
    DWORD queued = 0;
    if (timed) {
        QueryPerformanceCounter(&start);
        queued = GetTickCount() - msg.time;  // the time the event waited in the queue
        if (queued > 60000) queued = 0;
    }
    if (timed) {
        timedKeyStart_ = start;
        timedKeyQueued_ = double(queued);
        timedKey_ = true;
    }
    bool painted = false;
    if (PreviewKey(msg)) {
        painted = RepaintPending();
    } else {
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        Form* f = FormOf(root);
        if (!(f && !f->desc.keyPreview && IsDialogMessageW(root, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        painted = RepaintPending();
    }
    if (timed) timedKey_ = false;  // nested loops (the progress window's) leave it alone
    if (timed && painted) {
        LARGE_INTEGER now, freq;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&freq);
        const double ms = double(queued) + double(now.QuadPart - start.QuadPart) * 1000.0 / double(freq.QuadPart);
        char line[64];
        snprintf(line, sizeof line, "key_paint_ms=%.1f\r\n", ms);
        AppendTiming(line);
    }
}

void Win32Ui::NoteKeyTiming(const char* what, const char* window) {
    if (!timedKey_) return;
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    const double ms = timedKeyQueued_ + double(now.QuadPart - timedKeyStart_.QuadPart) * 1000.0 / double(freq.QuadPart);
    char line[96];
    snprintf(line, sizeof line, "%s_ms=%.1f %s\r\n", what, ms, window);
    AppendTiming(line);
}

void Win32Ui::AppendTiming(const std::string& line) {
    if (timingFile.empty()) return;
    HANDLE h = CreateFileW(timingFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(h);
}

// A window with key preview sees the key events of all its controls first; a key code set
// to 0 is swallowed. True when the message is not to be dispatched.
bool Win32Ui::PreviewKey(MSG& msg) {
    const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if (!down && !up) return false;
    if (!msg.hwnd) return false;
    Form* f = FormOf(GetAncestor(msg.hwnd, GA_ROOT));
    if (!f || !f->desc.keyPreview) return false;
    const auto& handler = down ? f->desc.onKeyDown : f->desc.onKeyUp;
    if (!handler) return false;
    uint16_t key = uint16_t(msg.wParam);
    Guard([&] { handler(key); });
    if (key == 0) return true;
    msg.wParam = key;
    return false;
}

bool Win32Ui::RepaintPending() {
    bool any = false;
    for (auto& f : forms_)
        if (f && f->paintPending) {
            f->paintPending = false;
            if (f->hwnd) UpdateWindow(f->hwnd);
            any = true;
        }
    return any;
}

void Win32Ui::Guard(const std::function<void()>& handler) {
    if (!handler || destroying_) return;
    try {
        RunGuarded(*this, handler);
    } catch (...) {
        // Even showing the failure failed (no memory); the program goes on.
    }
}

// --- building windows

Win32Ui::Form& Win32Ui::form(FormId id) {
    auto& f = forms_[int(id)];
    if (!f) {
        f.reset(new Form);
        f->ui = this;
        f->desc.id = id;
    }
    return *f;
}

Win32Ui::Form* Win32Ui::FormOf(HWND hwnd) const {
    if (!hwnd) return nullptr;
    for (auto& f : forms_)
        if (f && f->hwnd == hwnd) return f.get();
    return nullptr;
}

Win32Ui::Control* Win32Ui::ControlAt(ControlRef ref) {
    auto& f = forms_[int(ref.form)];
    if (!f || !f->hwnd || ref.index < 0 || size_t(ref.index) >= f->controls.size()) {
        OutputDebugStringA("Tastora: a control that its window does not have\n");
        return nullptr;
    }
    return f->controls[size_t(ref.index)].get();
}

ControlRef Win32Ui::FindControl(FormId id, const std::string& name) {
    auto& f = forms_[int(id)];
    if (f)
        for (size_t i = 0; i < f->controls.size(); ++i)
            if (f->controls[i] && f->controls[i]->desc.name == name) return ControlRef{id, int(i)};
    OutputDebugStringA(("Tastora: no control " + name + "\n").c_str());
    return ControlRef{id, -1};
}

TimerHandle Win32Ui::FindTimer(FormId id, const std::string& name) {
    auto& f = forms_[int(id)];
    if (f)
        for (size_t i = 0; i < f->timers.size(); ++i)
            if (f->timers[i].desc.name == name) return TimerHandle{id, int(i)};
    return TimerHandle{id, -1};
}

Win32Ui::Control* Win32Ui::ControlOf(HWND hwnd) const {
    auto it = controlsByHwnd_.find(hwnd);
    return it == controlsByHwnd_.end() ? nullptr : it->second;
}

HWND Win32Ui::FormHandle(FormId id) const {
    const auto& f = forms_[int(id)];
    return f ? f->hwnd : nullptr;
}

HWND Win32Ui::ControlHandle(FormId id, const std::string& name) const {
    const auto& f = forms_[int(id)];
    if (!f) return nullptr;
    auto it = f->byName.find(name);
    return it == f->byName.end() ? nullptr : it->second->hwnd;
}

HFONT Win32Ui::FontFor(const FontSpec& desc, const FontSpec& base) {
    const bool inherits = desc.face.empty() && desc.points == 0 && desc.pixelHeight == 0 && !desc.bold;
    const FontSpec& s = inherits ? base : desc;
    std::string face = s.face.empty() ? base.face : s.face;
    if (face.empty()) face = "MS Sans Serif";
    int height;
    if (s.pixelHeight > 0) {
        height = -s.pixelHeight;
    } else {
        int points = s.points > 0 ? s.points : (base.points > 0 ? base.points : 8);
        if (s.points == 0 && base.pixelHeight > 0 && base.points == 0) {
            height = -base.pixelHeight;
        } else {
            height = -MulDiv(points, dpi_, 72);
        }
    }
    const int weight = s.bold ? FW_BOLD : FW_NORMAL;
    const std::wstring wface = Wide(face);
    const auto key = std::make_pair(wface, std::make_pair(height, weight));
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    // Cyrillic glyphs whatever the system's code page.
    lf.lfCharSet = RUSSIAN_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    wcsncpy(lf.lfFaceName, wface.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    else ownedFonts_.push_back(font);
    fonts_[key] = font;
    return font;
}

void Win32Ui::CreateForm(const FormSpec& desc) {
    const int index = int(desc.id);
    if (index < 0 || index >= kFormCount) throw TastoraError("Неизвестное окно.");
    if (forms_[index] && forms_[index]->hwnd) throw TastoraError(std::string("Окно ") + FormObjectName(desc.id) + " уже создано.");
    Form& f = form(desc.id);
    f.desc = desc;

    const wchar_t* cls = FormClassName(desc.id);
    // Each window has a class of its own, registered once; no look-up first (under Wine a
    // failed class look-up costs as much as the registration).
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = instance_;
    wc.hCursor = arrowCursor_;
    wc.hIcon = icon_;
    wc.lpszClassName = cls;
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw TastoraError(std::string("Не удалось создать окно ") + FormObjectName(desc.id) + ": " +
                           SystemErrorText(GetLastError()));

    DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    switch (desc.border) {
        case BorderStyle::Sizeable: style |= WS_OVERLAPPEDWINDOW; break;
        case BorderStyle::Single: style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
        case BorderStyle::ToolWindow:
            style |= WS_CAPTION | WS_SYSMENU;
            exStyle |= WS_EX_TOOLWINDOW;
            break;
        case BorderStyle::None: style |= WS_POPUP; break;
    }

    int width = desc.width > 0 ? desc.width : kDefaultFormWidth;
    int height = desc.height > 0 ? desc.height : kDefaultFormHeight;
    if (desc.clientSize) {
        RECT r = {0, 0, width, height};
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    int x = desc.left, y = desc.top;
    if (desc.centered) {
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    }
    f.font = FontFor(desc.font, FontSpec{"MS Sans Serif", 8, 0, false});

    HWND hwnd = CreateWindowExW(exStyle, cls, Wide(desc.caption).c_str(), style, x, y, width, height,
                                appWindow_, nullptr, instance_, &f);
    if (!hwnd)
        throw TastoraError(std::string("Не удалось создать окно ") + FormObjectName(desc.id) + ": " +
                           SystemErrorText(GetLastError()));
    f.hwnd = hwnd;

    // Controls are made in tab order, which is the order of the Tab key among them.
    std::vector<size_t> order(desc.controls.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int ta = desc.controls[a].tabOrder < 0 ? INT_MAX : desc.controls[a].tabOrder;
        const int tb = desc.controls[b].tabOrder < 0 ? INT_MAX : desc.controls[b].tabOrder;
        return ta < tb;
    });
    f.controls.resize(desc.controls.size());
    try {
        for (size_t i : order) CreateControl(f, desc.controls[i], kFirstControlId + int(i));
    } catch (...) {
        // A window whose controls cannot all be built is not created at all.
        DestroyForm(f);
        throw;
    }
    // Labels lie under the other controls, and a later label over an earlier one: a label
    // that has grown with its text (the two-line verdict of the results window) must not
    // paint over its neighbours.
    for (size_t i = f.controls.size(); i-- > 0;) {
        const Control* c = f.controls[i].get();
        if (c && c->hwnd && c->desc.kind == ControlKind::Label)
            SetWindowPos(c->hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    for (size_t i = 0; i < desc.timers.size(); ++i) {
        Form::Timer t;
        t.desc = desc.timers[i];
        t.id = UINT_PTR(i + 1);
        f.timers.push_back(t);
    }
    for (auto& t : f.timers)
        if (t.desc.enabled) {
            t.enabled = SetTimer(hwnd, t.id, t.desc.intervalMs > 0 ? t.desc.intervalMs : 1, nullptr) != 0;
        }
    if (desc.onPaint) EnsureBuffer(f);
}

void Win32Ui::DestroyForm(Form& f) {
    const int index = int(f.desc.id);
    for (auto& c : f.controls) {
        if (!c) continue;
        c->activeX.reset();
        if (c->nameAtom) GlobalDeleteAtom(c->nameAtom);
        controlsByHwnd_.erase(c->hwnd);
    }
    if (f.hwnd) DestroyWindow(f.hwnd);
    forms_[index].reset();
}

void Win32Ui::CreateControl(Form& f, const ControlSpec& desc, int id) {
    auto owned = std::unique_ptr<Control>(new Control);
    Control& c = *owned;
    c.form = &f;
    c.desc = desc;
    c.id = id;
    f.controls[size_t(id - kFirstControlId)] = std::move(owned);
    if (!desc.name.empty()) f.byName[desc.name] = &c;

    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (desc.visible) style |= WS_VISIBLE;
    if (!desc.enabled) style |= WS_DISABLED;
    const bool tabStop = desc.tabOrder >= 0 && desc.takesFocus;
    if (tabStop) style |= WS_TABSTOP;
    DWORD exStyle = 0;
    const wchar_t* cls = L"STATIC";
    int height = desc.height;
    bool subclass = false;

    switch (desc.kind) {
        case ControlKind::Label:
            cls = L"STATIC";
            style |= SS_NOTIFY | ((desc.wordWrap && !desc.autoSize) ? SS_LEFT : SS_LEFTNOWORDWRAP);
            break;
        case ControlKind::Button:
            cls = L"BUTTON";
            style |= desc.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            if (desc.defaultButton) f.defaultId = id;
            // A button that acts on mouse-down never takes the focus.
            subclass = !desc.takesFocus || bool(desc.onMouseDown);
            if (subclass) style &= ~WS_TABSTOP;
            break;
        case ControlKind::FlatButton:
            cls = L"BUTTON";
            style |= BS_PUSHBUTTON | BS_FLAT;
            style &= ~WS_TABSTOP;
            subclass = true;  // a speed button never takes the focus
            break;
        case ControlKind::ComboBox:
            cls = L"COMBOBOX";
            style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
            height = desc.height + kComboDropHeight;
            break;
        case ControlKind::PasswordEdit:
            cls = L"EDIT";
            style |= ES_PASSWORD | ES_AUTOHSCROLL;
            if (desc.readOnly) style |= ES_READONLY;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Memo:
            cls = L"EDIT";
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
            if (desc.readOnly) style |= ES_READONLY;
            if (!desc.wordWrap) style |= ES_AUTOHSCROLL | WS_HSCROLL;
            if (desc.verticalScrollBar) style |= WS_VSCROLL;
            exStyle |= WS_EX_CLIENTEDGE;
            subclass = bool(desc.onClick);
            break;
        case ControlKind::RichEdit:
            if (!richEditLibrary_) richEditLibrary_ = LoadLibraryW(L"riched20.dll");
            cls = RICHEDIT_CLASSW;
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
            if (desc.readOnly) style |= ES_READONLY;
            if (desc.verticalScrollBar) style |= WS_VSCROLL;
            exStyle |= WS_EX_CLIENTEDGE;
            subclass = bool(desc.onClick);
            break;
        case ControlKind::ProgressBar:
            cls = PROGRESS_CLASSW;
            if (desc.smooth) style |= PBS_SMOOTH;
            subclass = bool(desc.onClick);
            break;
        case ControlKind::Image:
            cls = kImageClass;
            break;
        case ControlKind::Panel:
            cls = kPanelClass;
            break;
        case ControlKind::ActiveX:
            break;
    }
    c.alignClient = desc.alignClient;
    HWND parent = f.hwnd;
    if (!desc.parent.empty()) {
        auto it = f.byName.find(desc.parent);
        if (it != f.byName.end() && it->second->hwnd) parent = it->second->hwnd;
    }

    int left = desc.left, top = desc.top, width = desc.width;
    if (desc.alignClient) {
        RECT rc;
        GetClientRect(parent, &rc);
        left = 0;
        top = 0;
        width = rc.right;
        height = rc.bottom;
    }
    std::wstring text = Wide(desc.text);
    if (desc.kind == ControlKind::Memo) text = WithCrLf(text);
    // The text comes with the window (no change event); a combo box takes it afterwards.
    const bool textLater = desc.kind == ControlKind::ComboBox;
    if (desc.kind == ControlKind::ActiveX) {
        ActiveXHost::Settings settings;
        for (const auto& s : desc.settings) settings.emplace_back(Wide(s.first), Wide(s.second));
        const RECT bounds = {left, top, left + width, top + height};
        c.activeX = ActiveXHost::Create(instance_, parent, id, Wide(desc.classId), bounds, settings);
        c.hwnd = c.activeX->Window();
    } else {
        c.hwnd = CreateWindowExW(exStyle, cls, textLater ? L"" : text.c_str(), style, left, top, width, height,
                                 parent, reinterpret_cast<HMENU>(INT_PTR(id)), instance_, nullptr);
    }
    if (!c.hwnd)
        throw TastoraError("Не удалось создать элемент " + desc.name + " окна " + FormObjectName(f.desc.id) +
                           ": " + SystemErrorText(GetLastError()));
    controlsByHwnd_[c.hwnd] = &c;
    if (!desc.name.empty()) {
        c.nameAtom = GlobalAddAtomW(Wide(desc.name).c_str());
        if (c.nameAtom) SetPropW(c.hwnd, kNameProp, reinterpret_cast<HANDLE>(ULONG_PTR(c.nameAtom)));
    }
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(desc.font, f.desc.font)), FALSE);

    switch (desc.kind) {
        case ControlKind::PasswordEdit:
            SendMessageW(c.hwnd, EM_SETPASSWORDCHAR, L'*', 0);
            SendMessageW(c.hwnd, EM_SETLIMITTEXT, 0, 0);
            break;
        case ControlKind::Memo:
            SendMessageW(c.hwnd, EM_SETLIMITTEXT, 0, 0);
            break;
        case ControlKind::RichEdit:
            SendMessageW(c.hwnd, EM_EXLIMITTEXT, 0, 64 << 20);
            break;
        case ControlKind::ComboBox:
            SendMessageW(c.hwnd, CB_LIMITTEXT, 0, 0);
            break;
        case ControlKind::ProgressBar:
            SendMessageW(c.hwnd, PBM_SETRANGE32, 0, 100);
            break;
        default:
            break;
    }
    if (subclass) {
        c.oldProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(c.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc)));
    }
    if (textLater) {
        c.settingText = true;
        SetWindowTextW(c.hwnd, text.c_str());
        c.settingText = false;
    }
    if (desc.kind == ControlKind::Label && desc.autoSize) SizeLabel(c);
}

void Win32Ui::SizeLabel(Control& c) {
    std::wstring text = WindowText(c.hwnd);
    if (text.empty()) text = L" ";
    if (!measureDc_) return;
    HGDIOBJ old = SelectObject(measureDc_, reinterpret_cast<HFONT>(SendMessageW(c.hwnd, WM_GETFONT, 0, 0)));
    RECT r = {0, 0, 0, 0};
    DrawTextW(measureDc_, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_EXPANDTABS | DT_LEFT);
    SelectObject(measureDc_, old);
    SetWindowPos(c.hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ui::SizeImage(Control& c) {
    if (!c.desc.autoSize || c.picture.Empty()) return;
    SetWindowPos(c.hwnd, nullptr, 0, 0, c.picture.Width(), c.picture.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A 32-bit top-down device-independent bitmap of w x h: the memory layout of the core's
// pictures (0x00RRGGBB rows from the top).
static BITMAPINFO TopDownInfo(int w, int h) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

void Win32Ui::EnsureBuffer(Form& f) {
    if (f.bufferBitmap && IsIconic(f.hwnd)) return;  // a minimised window keeps its pictures
    RECT rc;
    GetClientRect(f.hwnd, &rc);
    const int w = std::max<int>(1, rc.right - rc.left), h = std::max<int>(1, rc.bottom - rc.top);
    if (f.bufferBitmap && f.bufferWidth == w && f.bufferHeight == h) return;
    BITMAPINFO bmi = TopDownInfo(w, h);
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) return;
    uint32_t* p = static_cast<uint32_t*>(bits);
    std::fill(p, p + size_t(w) * size_t(h), ToRgb(GetSysColor(COLOR_BTNFACE)));
    if (f.bufferBits) {  // keep what was drawn where it still fits
        const int cw = std::min(w, f.bufferWidth), ch = std::min(h, f.bufferHeight);
        for (int y = 0; y < ch; ++y)
            memcpy(p + size_t(y) * size_t(w), f.bufferBits + size_t(y) * size_t(f.bufferWidth),
                   size_t(cw) * 4);
    }
    if (!f.bufferDc) {
        f.bufferDc = CreateCompatibleDC(nullptr);
        f.bufferOld = SelectObject(f.bufferDc, bmp);
    } else {
        SelectObject(f.bufferDc, bmp);
    }
    if (f.bufferBitmap) DeleteObject(f.bufferBitmap);
    f.bufferBitmap = bmp;
    f.bufferBits = p;
    f.bufferWidth = w;
    f.bufferHeight = h;
}

// --- windows

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
    HWND hwnd = FormHandle(id);
    if (!hwnd) return;
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, std::max(0, height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ui::SetOuterWidth(FormId id, int width) {
    HWND hwnd = FormHandle(id);
    if (!hwnd) return;
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, std::max(0, width), r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- controls

void Win32Ui::SetControlText(Control& c, const std::wstring& text) {
    c.settingText = true;
    SetWindowTextW(c.hwnd, c.desc.kind == ControlKind::Memo ? WithCrLf(text).c_str() : text.c_str());
    c.settingText = false;
    if (c.desc.kind == ControlKind::Label && c.desc.autoSize) SizeLabel(c);
}

void Win32Ui::SetText(ControlRef ref, const std::string& text) {
    if (Control* c = ControlAt(ref)) SetControlText(*c, Wide(text));
}

std::string Win32Ui::Text(ControlRef ref) {
    Control* c = ControlAt(ref);
    return c ? Narrow(WindowText(c->hwnd)) : std::string();
}

void Win32Ui::SetEnabled(ControlRef ref, bool enabled) {
    if (Control* c = ControlAt(ref)) EnableWindow(c->hwnd, enabled ? TRUE : FALSE);
}

bool Win32Ui::IsEnabled(ControlRef ref) {
    Control* c = ControlAt(ref);
    return c && IsWindowEnabled(c->hwnd);
}

void Win32Ui::SetFocus(ControlRef ref) {
    Control* c = ControlAt(ref);
    if (!c || !c->desc.takesFocus) return;
    Form& f = *c->form;
    // A hidden or disabled control cannot take the focus; a hidden window gets it when shown.
    if (!IsWindowEnabled(c->hwnd)) return;
    f.lastFocus = c->hwnd;
    if (IsWindowVisible(f.hwnd) && IsWindowVisible(c->hwnd)) ::SetFocus(c->hwnd);
}

void Win32Ui::SelectAll(EditHandle ref) {
    Control* c = ControlAt(ref);
    if (!c) return;
    if (c->desc.kind == ControlKind::ComboBox)
        SendMessageW(c->hwnd, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    else
        SendMessageW(c->hwnd, EM_SETSEL, 0, -1);
}

void Win32Ui::SetItems(ComboHandle ref, const std::vector<std::string>& items) {
    Control* c = ControlAt(ref);
    if (!c || c->desc.kind != ControlKind::ComboBox) return;
    // The list changes; the text in the field stays.
    const std::wstring keep = WindowText(c->hwnd);
    c->settingText = true;
    SendMessageW(c->hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(c->hwnd, CB_RESETCONTENT, 0, 0);
    for (const auto& item : items)
        SendMessageW(c->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    SetWindowTextW(c->hwnd, keep.c_str());
    SendMessageW(c->hwnd, WM_SETREDRAW, TRUE, 0);
    c->settingText = false;
    InvalidateRect(c->hwnd, nullptr, TRUE);
}

void Win32Ui::SetProgress(ProgressHandle ref, int position) {
    if (Control* c = ControlAt(ref)) {
        SendMessageW(c->hwnd, PBM_SETPOS, WPARAM(position), 0);
        // The bar is seen moving even while a lesson loads in one handler.
        UpdateWindow(c->hwnd);
    }
}

void Win32Ui::SetProgressMax(ProgressHandle ref, int maximum) {
    if (Control* c = ControlAt(ref)) SendMessageW(c->hwnd, PBM_SETRANGE32, 0, LPARAM(maximum));
}

void Win32Ui::SetTextColor(ControlRef ref, uint32_t color) {
    if (Control* c = ControlAt(ref)) {
        c->color = color;
        InvalidateRect(c->hwnd, nullptr, TRUE);
    }
}

bool Win32Ui::LoadRichText(RichEditHandle ref, const std::string& rtf) {
    Control* c = ControlAt(ref);
    if (!c || c->desc.kind != ControlKind::RichEdit) return false;
    // Only rich text is streamed in; anything else is the caller's to show as plain text.
    if (rtf.compare(0, 5, "{\\rtf") != 0) return false;
    RtfSource src{&rtf, 0};
    EDITSTREAM es = {};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&src);
    es.pfnCallback = RtfRead;
    c->settingText = true;
    SendMessageW(c->hwnd, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es));
    c->settingText = false;
    return es.dwError == 0;
}

void Win32Ui::SetImage(ImageHandle ref, const Bitmap& picture) {
    Control* c = ControlAt(ref);
    if (!c || c->desc.kind != ControlKind::Image) return;
    c->picture = picture;
    SizeImage(*c);
    InvalidateRect(c->hwnd, nullptr, FALSE);
}

// --- timers

void Win32Ui::SetTimerEnabled(TimerHandle timer, bool enabled) {
    auto& fp = forms_[int(timer.form)];
    if (!fp || !fp->hwnd || timer.index < 0 || size_t(timer.index) >= fp->timers.size()) return;
    auto& t = fp->timers[size_t(timer.index)];
    if (t.enabled == enabled) return;
    if (enabled)
        t.enabled = SetTimer(fp->hwnd, t.id, t.desc.intervalMs > 0 ? t.desc.intervalMs : 1, nullptr) != 0;
    else {
        KillTimer(fp->hwnd, t.id);
        t.enabled = false;
    }
}

// --- pictures

void Win32Ui::Blit(FormId id, const Bitmap& picture, int x, int y) {
    BlitPart(id, picture, x, y, 0, 0, picture.Width(), picture.Height());
}

void Win32Ui::BlitPart(FormId id, const Bitmap& picture, int x, int y, int left, int top, int width,
                       int height) {
    auto& fp = forms_[int(id)];
    if (!fp || !fp->hwnd || picture.Empty()) return;
    Form& f = *fp;
    EnsureBuffer(f);
    if (!f.bufferBits) return;
    // The part, clipped to the picture, then to the window's buffer.
    left = std::max(0, left), top = std::max(0, top);
    const int right = std::min(picture.Width(), left + width), bottom = std::min(picture.Height(), top + height);
    const int x0 = std::max(0, x + left), y0 = std::max(0, y + top);
    const int x1 = std::min(f.bufferWidth, x + right);
    const int y1 = std::min(f.bufferHeight, y + bottom);
    if (x0 >= x1 || y0 >= y1) return;
    for (int row = y0; row < y1; ++row)
        memcpy(f.bufferBits + size_t(row) * size_t(f.bufferWidth) + size_t(x0),
               picture.Data() + size_t(row - y) * size_t(picture.Width()) + size_t(x0 - x),
               size_t(x1 - x0) * 4);
    if (!f.painting) {
        // The screen gets the new pixels once the current event has been handled.
        RECT r = {x0, y0, x1, y1};
        InvalidateRect(f.hwnd, &r, FALSE);
        f.paintPending = true;
    }
}

// --- dialogs

int Win32Ui::MessageBoxOf(const std::wstring& text, const std::wstring& caption, UINT type) {
    // The box belongs to the window the learner works in, which gets the keyboard back
    // when the box is closed.
    HWND owner = GetActiveWindow();
    if (!owner || !FormOf(owner) || !IsWindowVisible(owner)) {
        Form* newest = NewestShown(nullptr);
        owner = newest ? newest->hwnd : nullptr;
    }
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

void Win32Ui::ShowError(const std::string& text) {
    MessageBoxOf(Wide(text), title_, MB_OK | MB_ICONERROR);
}

bool Win32Ui::Confirm(const std::string& text) {
    HHOOK previous = g_confirmHook;
    g_confirmHook = SetWindowsHookExW(WH_CBT, ConfirmHookProc, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxOf(Wide(text), L"Confirm", MB_YESNO | MB_ICONQUESTION);
    if (g_confirmHook) UnhookWindowsHookEx(g_confirmHook);
    g_confirmHook = previous;
    return answer == IDYES;
}

// --- geometry and ActiveX controls

Rect Win32Ui::Bounds(ControlRef ref) {
    Control* c = ControlAt(ref);
    if (!c || !c->hwnd) return Rect{};
    RECT r;
    GetWindowRect(c->hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(c->hwnd), reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32Ui::SetBounds(ControlRef ref, const Rect& b) {
    if (Control* c = ControlAt(ref))
        SetWindowPos(c->hwnd, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ui::SetAlignClient(ControlRef ref, bool fill) {
    Control* c = ControlAt(ref);
    if (!c) return;
    c->alignClient = fill;
    RECT rc;
    if (fill && GetClientRect(GetParent(c->hwnd), &rc))
        SetWindowPos(c->hwnd, nullptr, 0, 0, rc.right, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

ActiveXHost& Win32Ui::ActiveX(ControlRef ref) {
    Control* c = ControlAt(ref);
    if (!c || !c->activeX) throw TastoraError("Нет элемента управления ActiveX.");
    return *c->activeX;
}

void Win32Ui::PutControlProperty(ActiveXHandle ref, int dispid, const std::string& text) {
    ActiveXHost& host = ActiveX(ref);
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(Wide(text).c_str());
    try {
        host.Put(dispid, v);
    } catch (...) {
        VariantClear(&v);
        throw;
    }
    VariantClear(&v);
}

void Win32Ui::PutControlProperty(ActiveXHandle ref, int dispid, bool value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    ActiveX(ref).Put(dispid, v);
}

void Win32Ui::InvokeControlMethod(ActiveXHandle ref, int dispid) { ActiveX(ref).Call(dispid); }

void Win32Ui::SetMessageFilter(std::function<bool(uint32_t)> filter) {
    if (!filter) {
        messageFilter = nullptr;
        return;
    }
    messageFilter = [filter](const MSG& msg) { return filter(msg.message); };
}

std::string Win32Ui::SystemMessage(uint32_t code) { return SystemErrorText(code); }

void Win32Ui::ShowMessageBox(const std::string& text, const std::string& caption) {
    MessageBoxOf(Wide(text), Wide(caption), MB_OK);
}

// --- focus

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
        if (f && f->hwnd && f->hwnd != except && IsWindowVisible(f->hwnd) && IsWindowEnabled(f->hwnd))
            return f.get();
    }
    return nullptr;
}

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
        if (c->desc.kind == ControlKind::Label || c->desc.kind == ControlKind::Image ||
            c->desc.kind == ControlKind::ProgressBar || c->desc.kind == ControlKind::Panel ||
            c->desc.kind == ControlKind::FlatButton || c->oldProc)
            continue;
        if (!best || c->desc.tabOrder < best->desc.tabOrder) best = c.get();
    }
    ::SetFocus(best ? best->hwnd : f.hwnd);
}

// --- messages

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
        case WM_CLOSE:
            // "Close" on the task-bar button: as the main window's close box.
            ui->Close(ui->mainForm_);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
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
        case WM_COMMAND:
            OnCommand(f, wp, lp);
            return 0;
        case DM_GETDEFID: {
            // Enter presses the focused push button, else the default button.
            HWND focus = GetFocus();
            for (auto& c : f.controls)
                if (c && c->hwnd == focus && c->desc.kind == ControlKind::Button && !c->oldProc)
                    return MAKELRESULT(c->id, DC_HASDEFID);
            return f.defaultId ? MAKELRESULT(f.defaultId, DC_HASDEFID) : 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wp);
            Control* c = ControlOf(reinterpret_cast<HWND>(lp));
            if (!c) break;
            const bool edit = c->desc.kind == ControlKind::Memo || c->desc.kind == ControlKind::PasswordEdit;
            if (c->color != kWindowTextColor) ::SetTextColor(dc, ToColorRef(c->color));
            if (edit && IsWindowEnabled(c->hwnd)) {
                // A read-only box keeps the white of an edit box.
                if (msg == WM_CTLCOLORSTATIC) {
                    if (c->color == kWindowTextColor) ::SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                    return reinterpret_cast<LRESULT>(windowBrush_);
                }
                if (c->color != kWindowTextColor) {
                    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                    return reinterpret_cast<LRESULT>(windowBrush_);
                }
                break;
            }
            if (msg == WM_CTLCOLORSTATIC && c->desc.kind == ControlKind::Label) {
                if (c->color == kWindowTextColor) ::SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(faceBrush_);
            }
            break;
        }
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers the whole area
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (f.desc.onPaint && !f.painting) {
                EnsureBuffer(f);
                f.painting = true;
                Guard(f.desc.onPaint);
                f.painting = false;
            }
            if (f.bufferDc && f.bufferBitmap)
                BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                       ps.rcPaint.bottom - ps.rcPaint.top, f.bufferDc, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
            else
                FillRect(dc, &ps.rcPaint, faceBrush_);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: {
            HDC dc = reinterpret_cast<HDC>(wp);
            RECT rc;
            GetClientRect(hwnd, &rc);
            if (f.bufferDc && f.bufferBitmap)
                BitBlt(dc, 0, 0, rc.right, rc.bottom, f.bufferDc, 0, 0, SRCCOPY);
            else
                FillRect(dc, &rc, faceBrush_);
            return 0;
        }
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED) {
                if (f.bufferBitmap) EnsureBuffer(f);
                for (auto& c : f.controls)
                    if (c && c->alignClient && c->hwnd)
                        MoveWindow(c->hwnd, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd, focus)) f.lastFocus = focus;
            } else if (!HIWORD(wp)) {
                // The window the learner turned to counts as the newest one shown.
                auto& order = shownOrder_;
                if (std::find(order.begin(), order.end(), f.desc.id) != order.end()) {
                    order.erase(std::remove(order.begin(), order.end(), f.desc.id), order.end());
                    order.push_back(f.desc.id);
                }
                ActivateFirstControl(f);
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            Guard(f.desc.onClick);
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Without key preview the window sees the keys that come to itself.
            if (!f.desc.keyPreview && f.desc.onKeyDown) {
                uint16_t key = uint16_t(wp);
                Guard([&] { f.desc.onKeyDown(key); });
                if (key == 0) return 0;
            }
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (!f.desc.keyPreview && f.desc.onKeyUp) {
                uint16_t key = uint16_t(wp);
                Guard([&] { f.desc.onKeyUp(key); });
                if (key == 0) return 0;
            }
            break;
        case WM_TIMER:
            for (auto& t : f.timers)
                if (t.id == wp) {
                    // A tick that comes while the same timer's handler still runs (it shows a
                    // message box) is dropped, so a failing handler cannot pile up boxes.
                    if (!t.enabled || t.running) return 0;
                    t.running = true;
                    const std::function<void()> handler = t.desc.onTimer;
                    Guard(handler);
                    t.running = false;
                    return 0;
                }
            return 0;
        case WM_CLOSE:
            Guard(f.desc.onClose);
            if (f.desc.id == mainForm_) {
                // Closing the main window ends the program.
                ShowWindow(hwnd, SW_HIDE);
                Terminate();
            } else {
                Hide(f.desc.id);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
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
            if (code == CBN_EDITCHANGE) {
                if (!c->settingText) Guard(c->desc.onChange);
            } else if (code == CBN_SELCHANGE) {
                // The picked entry is the text by the time the handler runs.
                const LRESULT index = SendMessageW(c->hwnd, CB_GETCURSEL, 0, 0);
                if (index == CB_ERR) break;
                const LRESULT len = SendMessageW(c->hwnd, CB_GETLBTEXTLEN, WPARAM(index), 0);
                if (len == CB_ERR) break;
                std::wstring item(size_t(len) + 1, L'\0');
                const LRESULT got = SendMessageW(c->hwnd, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&item[0]));
                item.resize(got > 0 ? size_t(got) : 0);
                c->settingText = true;
                SetWindowTextW(c->hwnd, item.c_str());
                c->settingText = false;
                Guard(c->desc.onChange);
            }
            break;
        case ControlKind::PasswordEdit:
        case ControlKind::Memo:
            if (code == EN_CHANGE && !c->settingText) Guard(c->desc.onChange);
            break;
        default:
            break;
    }
}

LRESULT CALLBACK Win32Ui::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Control* c = g_ui ? g_ui->ControlOf(hwnd) : nullptr;
    if (!c || !c->oldProc) return DefWindowProcW(hwnd, msg, wp, lp);
    if (!g_ui || g_ui->destroying_) return CallWindowProcW(c->oldProc, hwnd, msg, wp, lp);
    return g_ui->HandleControlMessage(*c, hwnd, msg, wp, lp);
}

LRESULT Win32Ui::HandleControlMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const bool button = c.desc.kind == ControlKind::Button || c.desc.kind == ControlKind::FlatButton;
    const bool mouseDownButton = c.desc.kind == ControlKind::Button && (!c.desc.takesFocus || c.desc.onMouseDown);
    if (mouseDownButton) {
        switch (msg) {
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
            case WM_RBUTTONDBLCLK:
            case WM_MBUTTONDBLCLK:
                // Acts at once and keeps the focus where it is.
                if (IsWindowEnabled(hwnd)) Guard(c.desc.onMouseDown);
                return 0;
            case WM_LBUTTONUP:
            case WM_RBUTTONUP:
            case WM_MBUTTONUP:
                return 0;
            case WM_SETFOCUS:
                return 0;
            default:
                break;
        }
        return CallWindowProcW(c.oldProc, hwnd, msg, wp, lp);
    }
    if (button) {
        // A speed button: pressed by the mouse, never focused.
        switch (msg) {
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                c.pressed = true;
                SetCapture(hwnd);
                SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
                if (c.desc.onMouseDown) Guard(c.desc.onMouseDown);
                return 0;
            case WM_MOUSEMOVE:
                if (c.pressed) {
                    RECT r;
                    GetClientRect(hwnd, &r);
                    POINT p = {short(LOWORD(lp)), short(HIWORD(lp))};
                    SendMessageW(hwnd, BM_SETSTATE, PtInRect(&r, p) ? TRUE : FALSE, 0);
                }
                return 0;
            case WM_LBUTTONUP:
                if (c.pressed) {
                    c.pressed = false;
                    ReleaseCapture();
                    SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
                    RECT r;
                    GetClientRect(hwnd, &r);
                    POINT p = {short(LOWORD(lp)), short(HIWORD(lp))};
                    if (PtInRect(&r, p) && IsWindowEnabled(hwnd)) Guard(c.desc.onClick);
                }
                return 0;
            case WM_CAPTURECHANGED:
                if (c.pressed) {
                    c.pressed = false;
                    SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
                }
                break;
            case WM_SETFOCUS:
                return 0;
            default:
                break;
        }
        return CallWindowProcW(c.oldProc, hwnd, msg, wp, lp);
    }
    // Boxes and bars with a click handler: a click is a press and release inside.
    switch (msg) {
        case WM_LBUTTONDOWN:
            c.pressed = true;
            break;
        case WM_LBUTTONUP: {
            const bool wasPressed = c.pressed;
            c.pressed = false;
            const LRESULT r = CallWindowProcW(c.oldProc, hwnd, msg, wp, lp);
            if (wasPressed) Guard(c.desc.onClick);
            return r;
        }
        default:
            break;
    }
    return CallWindowProcW(c.oldProc, hwnd, msg, wp, lp);
}

// Pictures and panels, drawn here: a click is a press and release of the left button on them.
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
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
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
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Ui::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Control* c = g_ui ? g_ui->ControlOf(hwnd) : nullptr;
    if (TrackClick(c, msg)) return 0;
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
            DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);
            const std::wstring text = WindowText(hwnd);
            if (!text.empty()) {
                HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
                SetBkMode(dc, TRANSPARENT);
                ::SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
                DrawTextW(dc, text.c_str(), int(text.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
                SelectObject(dc, old);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SIZE:
            if (c && c->desc.onResize && g_ui) g_ui->Guard(c->desc.onResize);
            return 0;
        case WM_SETFONT:
            SetPropW(hwnd, L"Tastora.Font", reinterpret_cast<HANDLE>(wp));
            if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(GetPropW(hwnd, L"Tastora.Font"));
        case WM_SETTEXT: {
            const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
            InvalidateRect(hwnd, nullptr, TRUE);
            return r;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace tastora
