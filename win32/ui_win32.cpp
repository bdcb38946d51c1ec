// The Win32 window layer itself: its life, the application window that owns every form, the
// keyboard and regional settings, and the records of the windows and controls as built.
#include "win32/ui_win32.h"

#include <commctrl.h>

#include "win32/ui_parts.h"
#include "win32/wide.h"

namespace tastora {

namespace {
const wchar_t kAppClass[] = L"TApplication";
}  // namespace

Win32Ui* g_ui = nullptr;

Win32Ui::Registration::Registration(Win32Ui* ui) { g_ui = ui; }
Win32Ui::Registration::~Registration() { g_ui = nullptr; }

Win32Ui::Win32Ui(HINSTANCE instance) : registration_(this), instance_(instance) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    faceBrush_ = GetSysColorBrush(COLOR_BTNFACE);
    windowBrush_ = GetSysColorBrush(COLOR_WINDOW);
    // Text is measured in a screen-compatible memory DC. Fonts keep their 96-DPI pixel size
    // at any display scaling: the windows are laid out in fixed pixels (the manifest says so
    // to Windows), and larger letters would be clipped by their controls.
    measureDc_.reset(CreateCompatibleDC(nullptr));
    // Every window class shares the one cursor and the program's icon, loaded once here.
    arrowCursor_ = LoadCursorW(nullptr, IDC_ARROW);
    icon_ = LoadIconW(instance_, L"MAINICON");
    if (!icon_) icon_ = LoadIconW(nullptr, IDI_APPLICATION);
    RegisterClasses();
    // The forms are owned by the application window, so that none of them gets a task-bar
    // button of its own: the program's one button carries the application title. The window
    // has no size and lies off the screen.
    appWindow_.reset(CreateWindowExW(0, kAppClass, title_.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                     -32000, -32000, 0, 0, nullptr, nullptr, instance_, nullptr));
}

// The members go in the order that their declarations give (see Form for a window's parts);
// no handler of the core runs any more.
Win32Ui::~Win32Ui() { destroying_ = true; }

// The classes of pictures, panels and the application window; each window registers its own.
void Win32Ui::RegisterClasses() {
    WNDCLASSW wc = {};
    wc.hInstance = instance_;
    wc.hCursor = arrowCursor_;
    wc.lpfnWndProc = ImageProc;
    wc.lpszClassName = kImageClass;
    RegisterClassW(&wc);
    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = kPanelClass;
    RegisterClassW(&wc);
    wc.lpfnWndProc = AppProc;
    wc.lpszClassName = kAppClass;
    wc.hIcon = icon_;
    RegisterClassW(&wc);
}

void Win32Ui::SetApplicationTitle(const std::string& title) {
    title_ = Wide(title);
    if (appWindow_) SetWindowTextW(appWindow_.get(), title_.c_str());
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

int Win32Ui::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int Win32Ui::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// --- the records of the windows and controls

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

Win32Ui::Control* Win32Ui::ControlOf(HWND hwnd) const {
    auto it = controlsByHwnd_.find(hwnd);
    return it == controlsByHwnd_.end() ? nullptr : it->second;
}

HWND Win32Ui::FormHandle(FormId id) const {
    const auto& f = forms_[int(id)];
    return f ? f->hwnd : nullptr;
}

HFONT Win32Ui::FontFor(const FontSpec& desc, const FontSpec& base) { return fonts_.For(desc, base, dpi_); }

// --- helpers of every part

std::wstring WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    if (n <= 0) return std::wstring();
    std::wstring buf(size_t(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, &buf[0], n + 1);
    buf.resize(got > 0 ? size_t(got) : 0);
    return buf;
}

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
        case FormId::Journal: return L"TastoraJournal";
        case FormId::JournalPassword:
        case FormId::JournalNewPassword: return L"TastoraJournalPassword";
    }
    return L"TForm";
}

}  // namespace tastora
