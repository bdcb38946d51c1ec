#pragma once
// The inside of the Win32 window layer, shared by its parts: the windows and controls as
// built, the traits of each kind of control and the small helpers they all use.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/form_layout.h"
#include "win32/activex_host.h"
#include "win32/back_buffer.h"
#include "win32/scoped.h"
#include "win32/ui_win32.h"

namespace tastora {

constexpr int kFirstControlId = 100;
constexpr UINT_PTR kIdleTimer = 1;   // the application window's timer of RunWhenIdle
extern const wchar_t kImageClass[];  // picture controls (picture_panel.cpp)
extern const wchar_t kPanelClass[];  // panels (picture_panel.cpp)

// How a kind of control is subclassed (its messages go through the window layer first).
enum class Subclassed {
    Never,
    Always,             // a speed button: pressed by the mouse, never focused
    WithClickHandler,   // a box or bar with a click handler
    ActingOnMouseDown,  // a push button that never takes the focus or acts on mouse-down
};

// What a kind of control is made of: its window class, its styles (beside WS_CHILD and
// WS_CLIPSIBLINGS), the styles that the description's settings add, its subclassing and the
// messages that set it up once it exists.
struct ControlTraits {
    ControlKind kind;
    const wchar_t* windowClass;  // null: made by a host of its own (ActiveX)
    DWORD style;
    DWORD exStyle;
    DWORD readOnlyStyle;       // when read-only
    DWORD scrollBarStyle;      // when it has a vertical scroll bar
    DWORD noWrapStyle;         // when it does not wrap its lines (or sizes itself)
    DWORD defaultButtonStyle;  // when it is the default button
    DWORD smoothStyle;         // when smooth (progress bar)
    Subclassed subclassed;
    bool tabStop;     // may be a tab stop
    bool firstFocus;  // may take the focus when its window is activated
    struct Setup {
        UINT message;
        WPARAM wp;
        LPARAM lp;
    } setup[2];  // message 0: none
};
const ControlTraits& TraitsOf(ControlKind kind);

// A control as built.
struct Win32Ui::Control {
    Form* form = nullptr;
    ControlSpec desc;
    HWND hwnd = nullptr;
    int id = 0;
    WNDPROC oldProc = nullptr;  // subclassed: the class's own procedure
    ScopedAtom nameAtom;        // the designer name, as the window property kNameProp
    uint32_t color = kWindowTextColor;
    Bitmap picture;                  // image control
    bool settingText = false;        // the program sets the text: no change event
    bool pressed = false;            // left button went down on it (click tracking)
    bool alignClient = false;        // fills the window's client area
    ActiveXHost* activeX = nullptr;  // an ActiveX control in its holder window (owned by the form)
    std::wstring cell;               // a list: the text of the cell it asked for last
};

// A window as built. Its parts go in this order: the ActiveX controls (while COM and every
// window are still there), then the window with its child windows, then the controls' records
// (their procedures still find them while the windows are destroyed).
struct Win32Ui::Form {
    struct Timer {
        TimerSpec desc;
        UINT_PTR id = 0;
        bool enabled = false;
        bool running = false;  // its handler is running (a message box inside it)
    };

    Win32Ui* ui = nullptr;
    FormSpec desc;
    std::vector<std::unique_ptr<Control>> controls;
    HWND hwnd = nullptr;  // set as soon as the window exists
    ScopedWindow window;  // owns hwnd
    std::vector<std::unique_ptr<ActiveXHost>> activeXHosts;
    std::vector<Timer> timers;
    int defaultId = 0;
    HWND lastFocus = nullptr;
    BackBuffer buffer;  // the client area, made when pictures are copied
    bool painting = false;
    bool paintPending = false;
    // What the current event copied into the buffer, in order, not yet on the screen; and
    // whether the paint under way is the one that puts it there (the buffer is up to date).
    std::vector<RECT> copiedRects;
    bool showingCopied = false;

    Control* ById(int id) {
        const int i = id - kFirstControlId;
        return i >= 0 && size_t(i) < controls.size() ? controls[size_t(i)].get() : nullptr;
    }
};

// The one window layer of the process (the window procedures find it here).
extern Win32Ui* g_ui;

std::wstring WindowText(HWND hwnd);
// Multi-line edit boxes break lines only at CR LF.
std::wstring WithCrLf(const std::wstring& text);
inline COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }
// The window class registered for a window: other programs look it up.
const wchar_t* FormClassName(FormId id);

}  // namespace tastora
