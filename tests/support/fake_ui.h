#pragma once
// A recording stand-in for the window system: it keeps every window's description and
// the state that the handlers set (texts, enabled, visible, focus, timers, the pictures
// copied to the windows), records the calls in order, and lets a test act as the learner
// (click, type, pick, press keys, tick timers, answer dialogs). It stands for the platform
// services too, logged in the same order as the window calls.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/form_layout.h"
#include "core/platform.h"
#include "core/ui_port.h"

namespace tastora {

class FakeUi : public UiPort, public PlatformPort {
public:
    struct Control {
        std::string text;
        bool enabled = true;
        std::vector<std::string> items;
        int progress = 0;
        int progressMax = 100;
        uint32_t color = kWindowTextColor;
        Bitmap image;
        bool allSelected = false;
        Rect bounds;
        bool alignClient = false;
        std::map<int, std::string> properties;  // ActiveX: what was put, by dispatch id
        int rowCount = 0;                       // a list: its rows, the selected ones, its sort arrow
        std::vector<int> selection;
        int sortColumn = -1;
        bool sortAscending = true;
    };
    struct Form {
        FormSpec desc;
        bool created = false;
        bool visible = false;
        std::string caption;
        int outerWidth = 0, outerHeight = 0;
        std::vector<Control> controls;  // by their handles (the places in the description)
        std::vector<bool> timers;       // enabled, by their handles
        Bitmap screen;                  // the client area as the copies left it
        int blits = 0;                  // copies made to this window
        long long copiedPixels = 0;     // pixels those copies covered
    };

    FakeUi();

    // --- UiPort
    void SetApplicationTitle(const std::string& title) override;
    void CreateForm(const FormSpec& desc) override;
    void RunEventLoop(FormId mainForm) override;
    void Terminate() override;
    void ProcessMessages() override;
    char DecimalSeparator() override { return decimalSeparator; }
    std::string KeyboardLayoutName() override { return keyboardLayout; }
    bool KeyboardExchangesYZ() override { return keyboardExchangesYZ; }
    bool ShiftHeld() override { return shiftHeld; }
    void Show(FormId form) override;
    void Hide(FormId form) override;
    // Shown, then onModal acts in it (without it the close button is pressed); returns hidden.
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
    // A control or timer by its designer name, for tests that act by names; a name that
    // the window does not have fails the test.
    ControlRef FindControl(FormId form, const std::string& name);
    TimerHandle FindTimer(FormId form, const std::string& name);
    void Blit(FormId form, const Bitmap& picture, int x, int y) override;
    void BlitPart(FormId form, const Bitmap& picture, int x, int y, int left, int top, int width, int height) override;
    // Kept until the learner's action that asked for it has been handled (the event loop
    // going idle), or until RunIdleTasks while holdIdleTasks is set.
    void RunWhenIdle(std::function<void()> task) override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ShowMessageBox(const std::string& text, const std::string& caption) override;
    // Recorded and answered as Confirm: "Confirm <caption>: <text> -> Yes".
    bool ConfirmChange(const std::string& text, const std::string& caption) override;
    Rect Bounds(ControlRef control) override;
    void SetBounds(ControlRef control, const Rect& bounds) override;
    void SetAlignClient(ControlRef control, bool fill) override;
    int ScreenWidth() override { return screenWidth; }
    int ScreenHeight() override { return screenHeight; }
    void PutControlProperty(ActiveXHandle control, int dispid, const std::string& text) override;
    void PutControlProperty(ActiveXHandle control, int dispid, bool value) override;
    void InvokeControlMethod(ActiveXHandle control, int dispid) override;
    void SetMessageFilter(std::function<bool(uint32_t message)> filter) override;

    // --- PlatformPort
    std::string SystemDirectory() override { return systemDirectory; }
    uint32_t LoadRcData(const std::string& name, std::string& bytes) override;
    uint32_t CreateFileWith(const std::string& path, const std::string& bytes) override;
    uintptr_t LoadModule(const std::string& path) override;
    bool ModuleHasExport(uintptr_t module, const std::string& name) override;
    void UnloadModule(uintptr_t module) override;
    std::string ShortPathName(const std::string& path) override;
    std::string ProcessDirectory() override { return processDirectory; }
    bool RunProcess(const std::string& commandLine, const std::string& workDir, uint16_t showMode, int32_t& exitCode,
                    uint32_t& error) override;
    std::string SystemMessage(uint32_t code) override;
    std::string ProgramDirectory() override { return programDirectory; }
    std::string EnvironmentVariable(const std::string& name) override;
    bool FileExists(const std::string& path) override { return files.count(path) == 1; }
    uint32_t ReadWholeFile(const std::string& path, std::string& bytes) override;
    uint32_t CreateFolder(const std::string& path) override;
    uint32_t UseControlFolder(const std::string& folder) override;

    // --- acting as the learner (handlers run guarded, as the window layer runs them)
    void Click(FormId form, const std::string& control);
    void Click(ControlRef control);
    void MouseDown(FormId form, const std::string& control);
    void MouseDown(ControlRef control);
    // Types into an edit or combo box: the text is replaced and the change handler runs.
    void Type(FormId form, const std::string& control, const std::string& text);
    void Type(ControlRef control, const std::string& text);
    // Presses Enter: the default button is clicked when it is enabled.
    void PressEnter(FormId form);
    void KeyDown(FormId form, uint16_t key);
    void KeyUp(FormId form, uint16_t key);
    void KeyPress(FormId form, uint16_t key);  // down, then up
    void Tick(FormId form, const std::string& timer);
    void Tick(TimerHandle timer);
    void ClickBackground(FormId form);
    void CloseBox(FormId form);  // the title-bar close button
    void Paint(FormId form);
    void Activate(FormId form);  // the user turns to the window
    // A list as the user works it: selects rows (the selection handler runs), clicks a column's
    // header, presses a key in it; and the texts it shows, row by row.
    void SelectRows(ControlRef list, const std::vector<int>& rows);
    void ClickHeader(ControlRef list, int column);
    void ListKey(ControlRef list, uint16_t key);
    std::vector<std::vector<std::string>> Rows(ControlRef list);
    // A message fetched by the event loop: false when the program's filter dropped it.
    bool Deliver(uint32_t message);

    // --- inspection
    Form& form(FormId id);
    // A control or timer that the window does not have fails the test.
    Control& control(FormId id, const std::string& name);
    Control& control(ControlRef ref);
    bool TimerEnabled(FormId id, const std::string& timer);
    bool TimerEnabled(TimerHandle timer);
    // Calls recorded in order, e.g. "Show Form2", "Message <text>", "Error <text>".
    std::vector<std::string> log;
    std::vector<std::string> messages;   // ShowMessage texts
    std::vector<std::string> errors;     // ShowError texts
    std::vector<std::string> questions;  // Confirm texts
    std::deque<bool> confirmAnswers;     // answers for Confirm (No when empty)
    // Runs while a message box is "open" (after it has been recorded).
    std::function<void(const std::string&)> onMessage;
    std::vector<std::function<void()>> idleTasks;
    bool holdIdleTasks = false;
    void RunIdleTasks();
    std::function<void(FormId)> onModal;
    std::string focusForm, focusControl;  // FormObjectName and control of the focus
    std::string applicationTitle;
    bool terminated = false;
    bool loopRan = false;
    int processMessagesCalls = 0;
    // Makes CreateForm fail for this window (a window that cannot be built).
    int failCreateOf = -1;

    std::string systemDirectory = "C:\\windows\\system32";
    char decimalSeparator = ',';
    std::string keyboardLayout = "00000419";
    bool keyboardExchangesYZ = true;  // Y and Z swapped in the layout (QWERTZ)
    // The keyboard's Shift: KeyDown and KeyUp of Shift move it; a test may change it alone
    // (a release that another window received).
    bool shiftHeld = false;

    // --- the system around the program: screen, COM registrations, files, modules, processes
    int screenWidth = 1280, screenHeight = 1024;
    std::vector<std::string> registeredClasses;    // class ids that COM can create
    long failDispatchCode = 0;                     // non-zero: every put and call fails with it
    std::map<std::string, std::string> resources;  // RCDATA by upper-case name
    std::map<std::string, std::string> files;      // files outside data\ that the program wrote
    uint32_t createFileError = 0;                  // non-zero: file creation fails with it
    std::map<std::string, uint32_t> writeErrors;   // by folder: creating a file in it fails with it
    std::string programDirectory = "C:\\Tastora";
    std::map<std::string, std::string> environment = {{"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"},
                                                      {"APPDATA", "C:\\Users\\u\\AppData\\Roaming"}};
    // The activation context: its folder (where SWFLASH.OCX makes the class creatable without a
    // registration, ahead of one), or a failure to make it.
    std::string controlFolder;
    uint32_t contextError = 0;
    std::vector<uintptr_t> loadedModules;
    std::vector<std::string> processes;  // command lines started
    // Answers a started command line (exit code); the default registers the control when the
    // command is "<system>\regsvr32.exe /s <file>" and the file is a module exporting
    // DllRegisterServer. false: the process cannot be started (error set).
    std::function<bool(const std::string& commandLine, int32_t& exitCode, uint32_t& error)> onProcess;
    bool registrationAllowed = true;
    std::string processDirectory = "C:\\Tastora";
    std::vector<std::string> boxes;  // ShowMessageBox: "caption: text"
    std::function<bool(uint32_t)> messageFilter;

    // Index of the first log entry equal to text, or -1.
    int LogIndex(const std::string& text) const;
    int Count(const std::string& prefix) const;

private:
    Form forms_[kFormCount];
    std::map<uintptr_t, std::string> modulePaths_;
    void Idle();  // the event loop has handled the learner's action
    // The description of a handed-out control or timer; fails the test on any other handle.
    ControlSpec& SpecOf(ControlRef control);
    const TimerSpec& SpecOf(TimerHandle timer);
    // The designer name, for the log.
    std::string NameOf(ControlRef control) { return SpecOf(control).name; }
    std::string NameOf(TimerHandle timer) { return SpecOf(timer).name; }
};

}  // namespace tastora
