#pragma once
// The window system of Tastora on Win32: real windows and controls built from the window
// descriptions, the event loop, message boxes and the pictures copied to the windows. Its parts:
//   ui_win32.cpp        the layer itself, the application window, keyboard and regional settings
//   form_build.cpp      windows built from their descriptions, their timers
//   control_build.cpp   controls built from their descriptions, by the traits of their kind
//   window_proc.cpp     the window procedures and their message handlers
//   control_proc.cpp    the subclassed controls' messages (buttons, clickable boxes)
//   picture_panel.cpp   picture and panel controls
//   forms.cpp           showing, hiding and activating windows; the focus
//   controls.cpp        the controls' texts, states, pictures, geometry, ActiveX properties
//   event_loop.cpp      the event loop, key preview, deferred repaints, timings
//   dialogs.cpp         message boxes and the confirmation
//   fonts.*, back_buffer.*, scoped.h, activex_host.*: fonts, back buffers, scoped handles, ActiveX
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/bitmap.h"
#include "core/form_layout.h"
#include "core/ui_port.h"
#include "win32/activation.h"
#include "win32/fonts.h"
#include "win32/scoped.h"

namespace tastora {

class ActiveXHost;

class Win32Ui : public UiPort {
public:
    explicit Win32Ui(HINSTANCE instance);
    ~Win32Ui() override;
    Win32Ui(const Win32Ui&) = delete;
    Win32Ui& operator=(const Win32Ui&) = delete;

    // --- UiPort
    void SetApplicationTitle(const std::string& title) override;
    void CreateForm(const FormSpec& desc) override;
    void RunEventLoop(FormId mainForm) override;
    void Terminate() override;
    void ProcessMessages() override;
    char DecimalSeparator() override;
    std::string KeyboardLayoutName() override;
    bool ShiftHeld() override;
    bool KeyboardExchangesYZ() override;

    void Show(FormId form) override;
    void Hide(FormId form) override;
    void ShowModal(FormId form) override;
    bool IsVisible(FormId form) override;
    void Close(FormId form) override;
    void SetCaption(FormId form, const std::string& caption) override;
    std::string Caption(FormId form) override;
    void SetOuterHeight(FormId form, int height) override;
    void SetOuterWidth(FormId form, int width) override;

    void SetText(ControlRef control, const std::string& text) override;
    std::string Text(ControlRef control) override;
    void SetEnabled(ControlRef control, bool enabled) override;
    bool IsEnabled(ControlRef control) override;
    void SetFocus(ControlRef control) override;
    void SelectAll(EditHandle control) override;
    void SetItems(ComboHandle control, const std::vector<std::string>& items) override;
    void SetProgress(ProgressHandle control, int position) override;
    void SetProgressMax(ProgressHandle control, int maximum) override;
    void SetTextColor(ControlRef control, uint32_t color) override;
    bool LoadRichText(RichEditHandle control, const std::string& rtf) override;
    void SetImage(ImageHandle control, const Bitmap& picture) override;
    void SetTimerEnabled(TimerHandle timer, bool enabled) override;
    void SetRowCount(ListHandle list, int rows) override;
    std::vector<int> SelectedRows(ListHandle list) override;
    void SelectRow(ListHandle list, int row) override;
    void SetSortArrow(ListHandle list, int column, bool ascending) override;
    void Blit(FormId form, const Bitmap& picture, int x, int y) override;
    void BlitPart(FormId form, const Bitmap& picture, int x, int y, int left, int top, int width, int height) override;
    void RunWhenIdle(std::function<void()> task) override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ShowMessageBox(const std::string& text, const std::string& caption) override;
    bool ConfirmChange(const std::string& text, const std::string& caption) override;
    Rect Bounds(ControlRef control) override;
    void SetBounds(ControlRef control, const Rect& bounds) override;
    void SetAlignClient(ControlRef control, bool fill) override;
    int ScreenWidth() override;
    int ScreenHeight() override;
    void PutControlProperty(ActiveXHandle control, int dispid, const std::string& text) override;
    void PutControlProperty(ActiveXHandle control, int dispid, bool value) override;
    void InvokeControlMethod(ActiveXHandle control, int dispid) override;
    void SetMessageFilter(std::function<bool(uint32_t message)> filter) override;

    // --- for the Win32 parts of later features (ActiveX hosting, message filters)
    // The window of a form, or null when it was not built.
    HWND FormHandle(FormId form) const;
    // Sees every message that the event loop fetches, before anything else; true drops it.
    std::function<bool(const MSG&)> messageFilter;
    // The activation context inside which ActiveX controls are created and called (empty: none);
    // the platform layer sets it for the Flash control's own copies.
    ActivationContext controlContext;
    // Runs once, when the main window has been shown by the event loop.
    std::function<void()> onMainWindowShown;
    // For the performance checks (empty: off): each key press that repaints a window
    // appends "key_paint_ms=<n>" here, the time from the key event to the repainted window.
    std::wstring timingFile;
    void AppendTiming(const std::string& line);
    // During a key press that is being timed: "<what>_ms=<n> <window>", the time from the key
    // event to now.
    void NoteKeyTiming(const char* what, const char* window);
    // The program's start (set by the entry point) and, with a timing file, "stamp_ms=<n> <what>":
    // the time from that start to now, to see where the start-up goes.
    LARGE_INTEGER programStart = {};
    void StampTiming(const char* what);

private:
    struct Control;
    struct Form;

    // The record of a window, made empty when there is none yet.
    Form& form(FormId id);
    Form* FormOf(HWND hwnd) const;
    // The control that a handle names, or null (a handle that no description handed out).
    Control* ControlAt(ControlRef control);
    Control* ControlOf(HWND hwnd) const;

    // --- building (form_build.cpp, control_build.cpp)
    void RegisterClasses();
    HWND CreateFormWindow(Form& f);
    void CreateControls(Form& f);
    void CreateTimers(Form& f);
    void DestroyForm(Form& f);
    ActiveXHost& ActiveX(ControlRef control);
    HFONT FontFor(const FontSpec& desc, const FontSpec& fallback);
    void CreateControl(Form& f, const ControlSpec& desc, int id);
    HWND CreateControlWindow(Form& f, Control& c, DWORD style, DWORD exStyle, const std::wstring& text);
    void SetUpControl(Control& c, bool subclass, const std::wstring& laterText);
    void SizeLabel(Control& c);
    void SizeImage(Control& c);
    void SetControlText(Control& c, const std::wstring& text);
    void ActivateFirstControl(Form& f);
    // Makes a shown window the active one with the keyboard focus in it.
    void Activate(Form& f);
    // The visible window that the program showed last, other than `except`, or null.
    Form* NewestShown(HWND except) const;
    void Dispatch(MSG& msg);
    bool PreviewKey(MSG& msg);
    bool RepaintPending();  // true when a window was repainted
    // The tasks of RunWhenIdle, run by the application window's timer: a timer message comes
    // only when no other message waits, and the wait that precedes it is where the window
    // system puts what was drawn on the screen.
    void RunIdleTasks();
    // Hands what was drawn to the display now: a wait of no time (Wine does it whenever the
    // thread waits for messages).
    static void ShowDrawn();
    void EnsureBuffer(Form& f);
    // Runs one handler of the core, guarded: a failure is shown in the error box.
    void Guard(const std::function<void()>& handler);
    int MessageBoxOf(const std::wstring& text, const std::wstring& caption, UINT type);

    // --- messages (window_proc.cpp, control_proc.cpp, picture_panel.cpp)
    static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK AppProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static bool TrackClick(Control* c, UINT msg);  // left-button click on a picture or panel
    static LRESULT CALLBACK ImageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleFormMessage(Form& f, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnDefaultButton(Form& f);
    LRESULT OnControlColor(HDC dc, HWND control, UINT msg);
    void OnPaint(Form& f, HWND hwnd);
    void OnPrintClient(Form& f, HWND hwnd, HDC dc);
    void OnSize(Form& f, WPARAM wp, LPARAM lp);
    bool OnActivate(Form& f, HWND hwnd, WPARAM wp);  // true: handled
    bool OnKey(Form& f, UINT msg, WPARAM wp);        // true: the key was swallowed
    void OnTimer(Form& f, WPARAM id);
    void OnClose(Form& f, HWND hwnd);
    void OnCommand(Form& f, WPARAM wp, LPARAM lp);
    void OnComboPicked(Control& c);
    LRESULT OnNotify(Form& f, NMHDR* header);
    LRESULT OnListDraw(Control& c, NMLVCUSTOMDRAW* draw);  // the bars of a list's bar column
    LRESULT HandleControlMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnMouseDownButtonMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnSpeedButtonMessage(Control& c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    // The layer is the process's one (the window procedures find it), for its whole life.
    struct Registration {
        explicit Registration(Win32Ui* ui);
        ~Registration();
    } registration_;
    HINSTANCE instance_;
    std::wstring title_ = L"Tastora";
    bool quitting_ = false;
    bool destroying_ = false;
    // What the windows use goes after them (declared before them).
    ScopedModule richEditLibrary_;
    FontCache fonts_;
    ScopedDc measureDc_;
    int dpi_ = 96;                // the DPI the layouts are drawn for: fonts are sized for it
    HBRUSH faceBrush_ = nullptr;  // system brushes: never deleted
    HBRUSH windowBrush_ = nullptr;
    HCURSOR arrowCursor_ = nullptr;
    HICON icon_ = nullptr;  // shared (LoadIcon): never destroyed
    // The application window: never seen itself, it owns every form and stands for the
    // program in the task bar under the application title. It goes after the forms.
    ScopedWindow appWindow_;
    std::unordered_map<HWND, Control*> controlsByHwnd_;
    std::unique_ptr<Form> forms_[kFormCount];
    FormId mainForm_ = FormId::Login;
    // The windows in the order the program showed them, the newest last: when the active
    // window is hidden, the newest one still shown takes over the keyboard.
    std::vector<FormId> shownOrder_;
    // The key press being timed (timingFile set): its start and the time it waited queued.
    bool loopRunning_ = false;
    std::vector<std::function<void()>> idleTasks_;
    bool timedKey_ = false;
    LARGE_INTEGER timedKeyStart_ = {};
    double timedKeyQueued_ = 0;
};

}  // namespace tastora
