#pragma once
// Platform-free description of a window: its frame, its controls (named by the handles that
// Add hands out, and by their designer names for programs that look at the windows), its timers and the handlers bound
// to its events. The window layer builds real windows from it; the tests' fake keeps the same description.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/ui_port.h"

namespace tastora {

struct FontSpec {
    std::string face;     // empty: the window's default font
    int points = 0;       // size in points, or
    int pixelHeight = 0;  // character height in pixels (when points is 0)
    bool bold = false;
};

enum class ControlKind {
    Label,
    Button,        // push button
    FlatButton,    // small flat button (speed button)
    ComboBox,      // editable text field with a drop-down list (read-only: the list only)
    Edit,          // one-line text box
    PasswordEdit,  // every character shown as "*"
    Memo,          // multi-line text box
    RichEdit,      // rich-text box
    ProgressBar,
    Image,
    Panel,
    ActiveX,  // an ActiveX control, created by its class id and activated in place
    List,     // virtual list of rows in columns with headers (ListHandle)
};

struct ListColumn {
    std::string title;
    int width = 100;
    bool alignRight = false;
};

struct ControlSpec {
    std::string name;  // designer name: "Baccept", "Ltimp", ...
    ControlKind kind = ControlKind::Label;
    int left = 0, top = 0, width = 0, height = 0;
    std::string text;  // caption or content as laid out (placeholder until FormCreate)
    FontSpec font;
    int tabOrder = -1;  // -1: no tab stop
    bool enabled = true;
    bool visible = true;
    bool defaultButton = false;  // Enter presses it while it is enabled
    bool takesFocus = true;      // false: never takes the focus (mouse-down buttons)
    bool readOnly = false;
    bool wordWrap = true;
    bool verticalScrollBar = false;
    bool smooth = false;       // progress bar
    bool autoSize = false;     // label or image takes the size of its content
    bool alignClient = false;  // panel filling the client area
    PanelHandle parent;        // a panel of the same window, described before it; none: the window
    std::string classId;       // ActiveX: "{xxxxxxxx-...}"
    // ActiveX: the settings the control starts with (property bag names and values).
    std::vector<std::pair<std::string, std::string>> settings;
    std::function<void()> onResize;  // the control's size changed
    std::function<void()> onClick;
    std::function<void()> onMouseDown;  // any mouse button
    std::function<void()> onChange;     // the user edited or picked the text (not set by the program);
                                        // a list: the user changed the selection
    // A list: its columns, the text of a cell, the click on a column's header, a key pressed
    // in it, and a column whose cells are per cents shown as bars.
    std::vector<ListColumn> columns;
    std::function<std::string(int row, int column)> cellText;
    std::function<void(int column)> onColumnClick;
    std::function<void(uint16_t key)> onKey;
    int barColumn = -1;
};

struct TimerSpec {
    std::string name;
    unsigned intervalMs = 1000;
    bool enabled = false;
    std::function<void()> onTimer;
};

enum class BorderStyle {
    Sizeable,    // ordinary resizable frame
    Single,      // fixed single border, system menu and minimise box only
    ToolWindow,  // small caption with a close button only, fixed size
    None,        // no border, no caption
};

struct FormSpec {
    FormId id = FormId::Login;
    std::string caption;  // as laid out; FormCreate may replace it
    BorderStyle border = BorderStyle::Sizeable;
    bool clientSize = true;  // width/height give the client area (else the outer size)
    int width = 0, height = 0;
    bool centered = true;  // centred on the desktop, else at left/top
    int left = 0, top = 0;
    bool maximized = false;
    FontSpec font{"MS Sans Serif", 8, 0, false};
    bool keyPreview = false;  // the window sees every key event before its controls
    bool doubleBuffered = false;
    std::vector<ControlSpec> controls;
    std::vector<TimerSpec> timers;

    // Adds a control to the description: the handle that names it from now on.
    template <class H>
    H Add(ControlSpec control) {
        controls.push_back(std::move(control));
        H h;
        h.form = id;
        h.index = int(controls.size()) - 1;
        return h;
    }
    TimerHandle AddTimer(TimerSpec timer);
    // The description of a control that Add handed out; null for any other handle.
    ControlSpec* Find(ControlRef control);
    const ControlSpec* Find(ControlRef control) const;
    const TimerSpec* Find(TimerHandle timer) const;

    std::function<void()> onCreate;                // run once, right after the window is built
    std::function<void()> onPaint;                 // repaint: copy the pictures (UiPort::Blit)
    std::function<void()> onClick;                 // click on the window background
    std::function<void()> onClose;                 // title-bar close; without it the window is hidden
    std::function<void()> onActivate;              // the user turned to the window
    std::function<void(uint16_t& key)> onKeyDown;  // key code may be set to 0 to swallow it
    std::function<void(uint16_t& key)> onKeyUp;
};

// A control as the designer places it; everything else keeps its default. A label sizes
// itself to its text and does not wrap.
ControlSpec MakeControl(std::string name, ControlKind kind, int left, int top, int width, int height,
                        std::string text = {}, int tabOrder = -1);

// A window centred on the desktop with the default font; clientSize: width and height give the
// client area rather than the outer size.
FormSpec MakeForm(FormId id, std::string caption, BorderStyle border, bool clientSize, int width, int height);

}  // namespace tastora
