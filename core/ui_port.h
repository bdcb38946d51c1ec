#pragma once
// What the handlers need from the window system. The Win32 layer implements it; the native
// tests use a recording fake. Texts are UTF-8; controls are named by the typed handles that
// their window's description hands out.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/rect.h"

namespace tastora {

// The program's windows, in the order of creation.
enum class FormId {
    Login,               // choose, create or delete a profile; the main window
    Exercise,            // the typing exercise
    Results,             // the results of an exercise
    Closing,             // the closing address after the course
    Progress,            // progress while an exercise loads
    Rules,               // the typing rules
    Picture,             // the rules' picture
    Info,                // about the program
    Donations,           // donations, leading on to the course
    DonationsView,       // donations, opened from the info window; only closes
    Player,              // the presentations
    Journal,             // the class journal of tastora-teacher.exe (the typing program never makes these)
    JournalPassword,     // the journal asks for the teacher's password
    JournalNewPassword,  // the journal asks for a new teacher's password, twice
};
constexpr int kFormCount = 14;
constexpr int kProgramFormCount = 11;   // Login .. Player: the windows of tastora.exe
const char* FormObjectName(FormId id);  // "Form1", "Fprogres", ...

struct FormSpec;

// A control of a window as the window's description hands it out (FormSpec::Add): the
// window and the control's place in the description. Typed by what the control is, so
// that a call that the control cannot take does not compile.
struct ControlRef {
    FormId form = FormId::Login;
    int index = -1;  // -1: handed out by no description
};
struct LabelHandle : ControlRef {};
struct ButtonHandle : ControlRef {};  // push button or flat button
struct EditHandle : ControlRef {};    // one-line or multi-line text box
struct ComboHandle : EditHandle {};   // text box with a drop-down list
struct RichEditHandle : ControlRef {};
struct ProgressHandle : ControlRef {};
struct ImageHandle : ControlRef {};
struct PanelHandle : ControlRef {};
struct ActiveXHandle : ControlRef {};
struct ListHandle : ControlRef {};  // a virtual list of rows and columns (its texts asked for)
// A timer of a window, by its place among the window's timers.
struct TimerHandle {
    FormId form = FormId::Login;
    int index = -1;
};

// The system's window-text colour, as opposed to an explicit 0x00RRGGBB colour.
constexpr uint32_t kWindowTextColor = 0xFF000000u;

class UiPort {
public:
    virtual ~UiPort() = default;

    // --- application
    virtual void SetApplicationTitle(const std::string& title) = 0;
    // Builds a window from its description, hidden. Throws when the window cannot be built.
    virtual void CreateForm(const FormSpec& desc) = 0;
    // Shows the main window and dispatches events until the program is ended.
    virtual void RunEventLoop(FormId mainForm) = 0;
    // Ends the program: the event loop returns.
    virtual void Terminate() = 0;
    // Lets the window system handle the pending messages once.
    virtual void ProcessMessages() = 0;
    // The regional decimal separator of the user (',' under Russian settings).
    virtual char DecimalSeparator() = 0;
    // The active keyboard layout's name: eight hexadecimal digits ("00000419").
    virtual std::string KeyboardLayoutName() = 0;
    // Whether the active layout gives the key in the Y position of a US keyboard the code of
    // Z, and the key in the Z position the code of Y (a QWERTZ layout). A window system that
    // cannot tell answers true.
    virtual bool KeyboardExchangesYZ() { return true; }
    // Whether a Shift key is down as the key event being handled found it (the keyboard's
    // state, not a memory of earlier events: a release that went to a message box counts).
    virtual bool ShiftHeld() = 0;

    // --- windows
    virtual void Show(FormId form) = 0;
    virtual void Hide(FormId form) = 0;
    // Shows the window over the others, which take no input meanwhile, and returns once it is
    // hidden (by its handlers or its close button).
    virtual void ShowModal(FormId form) = 0;
    virtual bool IsVisible(FormId form) = 0;
    // As the title-bar close button: the main window's close ends the program.
    virtual void Close(FormId form) = 0;
    virtual void SetCaption(FormId form, const std::string& caption) = 0;
    virtual std::string Caption(FormId form) = 0;
    virtual void SetOuterHeight(FormId form, int height) = 0;
    virtual void SetOuterWidth(FormId form, int width) = 0;

    // --- controls (a handle that its window's description did not hand out names no control:
    // the window layer ignores it and the tests' fake fails the test)
    virtual void SetText(ControlRef control, const std::string& text) = 0;
    virtual std::string Text(ControlRef control) = 0;
    virtual void SetEnabled(ControlRef control, bool enabled) = 0;
    virtual bool IsEnabled(ControlRef control) = 0;
    virtual void SetFocus(ControlRef control) = 0;
    virtual void SelectAll(EditHandle control) = 0;
    // The drop-down list of a combo box.
    virtual void SetItems(ComboHandle control, const std::vector<std::string>& items) = 0;
    virtual void SetProgress(ProgressHandle control, int position) = 0;
    virtual void SetProgressMax(ProgressHandle control, int maximum) = 0;
    // 0x00RRGGBB or kWindowTextColor.
    virtual void SetTextColor(ControlRef control, uint32_t color) = 0;
    // Loads a rich-text box from RTF bytes; false when the bytes are not valid rich text.
    virtual bool LoadRichText(RichEditHandle control, const std::string& rtf) = 0;
    // The picture of an image control (it takes the picture's size when auto-sized).
    virtual void SetImage(ImageHandle control, const Bitmap& picture) = 0;

    // --- virtual lists: the rows' texts come from the description's rowText when shown
    // The number of rows; every row is shown again and none stays selected.
    virtual void SetRowCount(ListHandle list, int rows) = 0;
    // The selected rows, in order.
    virtual std::vector<int> SelectedRows(ListHandle list) = 0;
    // Selects one row (and no other), focused and scrolled into view; -1 selects none.
    // The selection handler does not run.
    virtual void SelectRow(ListHandle list, int row) = 0;
    // The arrow in a column's header that shows the order of the rows.
    virtual void SetSortArrow(ListHandle list, int column, bool ascending) = 0;

    // --- timers
    virtual void SetTimerEnabled(TimerHandle timer, bool enabled) = 0;

    // --- pictures: copies the bitmap onto the window's client area at (x, y). The window
    // layer may defer the copy to the end of the current event; the pixels shown are the
    // same. The bitmap must stay alive as long as the window can repaint from it.
    virtual void Blit(FormId form, const Bitmap& picture, int x, int y) = 0;
    // Copies only the rectangle (left, top, width, height) of the picture, to where Blit
    // would put it: what one keystroke changed. A port that cannot copies the whole picture.
    virtual void BlitPart(FormId form, const Bitmap& picture, int x, int y, int left, int top, int width, int height) {
        (void)left, (void)top, (void)width, (void)height;
        Blit(form, picture, x, y);
    }
    // Runs the task once the current event and the input already waiting have been handled
    // and what they copied is on the screen: for work that must not hold up what the learner
    // sees, such as a file write. Tasks asked for meanwhile run then too, in order. Until the
    // event loop runs (and after it has ended) a task runs at once.
    virtual void RunWhenIdle(std::function<void()> task) = 0;

    // --- dialogs (modal)
    // Message box captioned with the application title, OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // The application's error box for a failure.
    virtual void ShowError(const std::string& text) = 0;
    // Question icon, caption "Confirm", buttons "&Yes" and "&No"; true only for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // Any caption, OK button, owned by the application window.
    virtual void ShowMessageBox(const std::string& text, const std::string& caption) = 0;
    // A question before a change that cannot be undone: the caption, the system's own Yes and
    // No buttons, No as the default; true only for Yes.
    virtual bool ConfirmChange(const std::string& text, const std::string& caption) = 0;

    // --- geometry
    virtual Rect Bounds(ControlRef control) = 0;
    // Moves and sizes a control; its resize handler runs when its size changes.
    virtual void SetBounds(ControlRef control, const Rect& bounds) = 0;
    // Whether a control fills its window's client area (and follows it); true sizes it at once.
    virtual void SetAlignClient(ControlRef control, bool fill) = 0;
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;

    // --- ActiveX controls, through their IDispatch (a failure code raises ComError)
    virtual void PutControlProperty(ActiveXHandle control, int dispid, const std::string& text) = 0;
    virtual void PutControlProperty(ActiveXHandle control, int dispid, bool value) = 0;
    virtual void InvokeControlMethod(ActiveXHandle control, int dispid) = 0;

    // Sees the code of every message that the event loop fetches, for every window, before it is
    // translated and dispatched; true drops the message. An empty filter passes everything.
    virtual void SetMessageFilter(std::function<bool(uint32_t message)> filter) = 0;
};

}  // namespace tastora
