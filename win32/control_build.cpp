// Controls built from their descriptions, by the traits of their kind: window class, styles,
// subclassing and set-up messages come from one table, the description adds its settings.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include "core/errors.h"
#include "win32/platform_win32.h"
#include "win32/ui_parts.h"
#include "win32/wide.h"

namespace tastora {

namespace {

constexpr int kComboDropHeight = 160;  // room for the drop-down list
// The designer name of a control, as a global atom (read by the end-to-end tests' probe).
const wchar_t kNameProp[] = L"Tastora.Name";

constexpr DWORD kMemoStyle = ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
// Room between a rich-text box's border and its text, in pixels: the overhang of an italic
// letter at the right end of a right-aligned line stays inside the box.
constexpr int kRichEditMargin = 6;

// clang-format off
const ControlTraits kTraits[] = {
    // kind, class, style, ex-style,
    //   read-only, scroll bar, no wrap, default button, smooth,
    //   subclassed, tab stop, first focus, set-up messages
    {ControlKind::Label, L"STATIC", SS_NOTIFY, 0,
        0, 0, SS_LEFTNOWORDWRAP, 0, 0,
        Subclassed::Never, true, false, {}},
    {ControlKind::Button, L"BUTTON", BS_PUSHBUTTON, 0,
        0, 0, 0, BS_DEFPUSHBUTTON, 0,
        Subclassed::ActingOnMouseDown, true, true, {}},
    {ControlKind::FlatButton, L"BUTTON", BS_PUSHBUTTON | BS_FLAT, 0,
        0, 0, 0, 0, 0,
        Subclassed::Always, false, false, {}},
    {ControlKind::ComboBox, L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0,
        CBS_DROPDOWNLIST, 0, 0, 0, 0,
        Subclassed::Never, true, true, {{CB_LIMITTEXT, 0, 0}}},
    {ControlKind::Edit, L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
        ES_READONLY, 0, 0, 0, 0,
        Subclassed::Never, true, true, {{EM_SETLIMITTEXT, 0, 0}}},
    {ControlKind::PasswordEdit, L"EDIT", ES_PASSWORD | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
        ES_READONLY, 0, 0, 0, 0,
        Subclassed::Never, true, true, {{EM_SETPASSWORDCHAR, L'*', 0}, {EM_SETLIMITTEXT, 0, 0}}},
    {ControlKind::Memo, L"EDIT", kMemoStyle, WS_EX_CLIENTEDGE,
        ES_READONLY, WS_VSCROLL, ES_AUTOHSCROLL | WS_HSCROLL, 0, 0,
        Subclassed::WithClickHandler, true, true, {{EM_SETLIMITTEXT, 0, 0}}},
    {ControlKind::RichEdit, RICHEDIT_CLASSW, kMemoStyle, WS_EX_CLIENTEDGE,
        ES_READONLY, WS_VSCROLL, 0, 0, 0,
        Subclassed::WithClickHandler, true, true, {{EM_EXLIMITTEXT, 0, 64 << 20}}},
    {ControlKind::ProgressBar, PROGRESS_CLASSW, 0, 0,
        0, 0, 0, 0, PBS_SMOOTH,
        Subclassed::WithClickHandler, true, false, {{PBM_SETRANGE32, 0, 100}}},
    {ControlKind::Image, kImageClass, 0, 0,
        0, 0, 0, 0, 0,
        Subclassed::Never, true, false, {}},
    {ControlKind::Panel, kPanelClass, 0, 0,
        0, 0, 0, 0, 0,
        Subclassed::Never, true, false, {}},
    {ControlKind::ActiveX, nullptr, 0, 0,
        0, 0, 0, 0, 0,
        Subclassed::Never, true, true, {}},
    // The rows' texts are asked for when shown (LVN_GETDISPINFO): a list of any length opens at once.
    {ControlKind::List, WC_LISTVIEWW, LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE,
        0, 0, 0, 0, 0,
        Subclassed::Never, true, true,
        {{LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER}}},
};
// clang-format on

bool IsSubclassed(const ControlTraits& t, const ControlSpec& desc) {
    switch (t.subclassed) {
        case Subclassed::Never: return false;
        case Subclassed::Always: return true;
        case Subclassed::WithClickHandler: return bool(desc.onClick);
        case Subclassed::ActingOnMouseDown: return !desc.takesFocus || bool(desc.onMouseDown);
    }
    return false;
}

DWORD StyleOf(const ControlTraits& t, const ControlSpec& desc, bool subclassed) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | t.style;
    if (desc.visible) style |= WS_VISIBLE;
    if (!desc.enabled) style |= WS_DISABLED;
    // A button that acts on mouse-down never takes the focus, nor does a speed button.
    const bool neverFocused = subclassed && t.subclassed == Subclassed::ActingOnMouseDown;
    if (t.tabStop && !neverFocused && desc.tabOrder >= 0 && desc.takesFocus) style |= WS_TABSTOP;
    if (desc.readOnly) style |= t.readOnlyStyle;
    if (desc.verticalScrollBar) style |= t.scrollBarStyle;
    if (!desc.wordWrap || desc.autoSize) style |= t.noWrapStyle;
    if (desc.defaultButton) style |= t.defaultButtonStyle;
    if (desc.smooth) style |= t.smoothStyle;
    return style;
}

}  // namespace

const wchar_t kImageClass[] = L"TastoraImage";
const wchar_t kPanelClass[] = L"TastoraPanel";

const ControlTraits& TraitsOf(ControlKind kind) {
    for (const auto& t : kTraits)
        if (t.kind == kind) return t;
    return kTraits[0];
}

void Win32Ui::CreateControl(Form& f, const ControlSpec& desc, int id) {
    auto owned = std::unique_ptr<Control>(new Control);
    Control& c = *owned;
    c.form = &f;
    c.desc = desc;
    c.id = id;
    c.alignClient = desc.alignClient;
    f.controls[size_t(id - kFirstControlId)] = std::move(owned);

    const ControlTraits& traits = TraitsOf(desc.kind);
    const bool subclass = IsSubclassed(traits, desc);
    if (desc.defaultButton && traits.defaultButtonStyle) f.defaultId = id;
    if (desc.kind == ControlKind::RichEdit && !richEditLibrary_) richEditLibrary_.reset(LoadLibraryW(L"riched20.dll"));
    std::wstring text = Wide(desc.text);
    if (desc.kind == ControlKind::Memo) text = WithCrLf(text);
    // The text comes with the window (no change event); a combo box takes it afterwards.
    const bool textLater = desc.kind == ControlKind::ComboBox;
    c.hwnd = CreateControlWindow(f, c, StyleOf(traits, desc, subclass), traits.exStyle, textLater ? L"" : text);
    if (!c.hwnd)
        throw TastoraError("Не удалось создать элемент " + desc.name + " окна " + FormObjectName(f.desc.id) + ": " +
                           SystemErrorText(GetLastError()));
    controlsByHwnd_[c.hwnd] = &c;
    SetUpControl(c, subclass, textLater ? text : std::wstring());
}

HWND Win32Ui::CreateControlWindow(Form& f, Control& c, DWORD style, DWORD exStyle, const std::wstring& text) {
    const ControlSpec& desc = c.desc;
    HWND parent = f.hwnd;
    if (desc.parent.index >= 0) {
        // A panel built before the control: the description hands out its handle first.
        const size_t panel = size_t(desc.parent.index);
        const Control* holder =
            desc.parent.form == f.desc.id && panel < f.controls.size() ? f.controls[panel].get() : nullptr;
        if (!holder || !holder->hwnd || holder->desc.kind != ControlKind::Panel)
            throw TastoraError("Не удалось создать элемент " + desc.name + " окна " + FormObjectName(f.desc.id) +
                               ": нет панели, в которой он должен быть.");
        parent = holder->hwnd;
    }
    int left = desc.left, top = desc.top, width = desc.width;
    int height = desc.kind == ControlKind::ComboBox ? desc.height + kComboDropHeight : desc.height;
    if (desc.alignClient) {
        RECT rc;
        GetClientRect(parent, &rc);
        left = 0;
        top = 0;
        width = rc.right;
        height = rc.bottom;
    }
    if (desc.kind == ControlKind::ActiveX) {
        ActiveXHost::Settings settings;
        for (const auto& s : desc.settings) settings.emplace_back(Wide(s.first), Wide(s.second));
        const RECT bounds = {left, top, left + width, top + height};
        f.activeXHosts.push_back(
            ActiveXHost::Create(instance_, parent, c.id, Wide(desc.classId), bounds, settings, controlContext));
        c.activeX = f.activeXHosts.back().get();
        return c.activeX->Window();
    }
    return CreateWindowExW(exStyle, TraitsOf(desc.kind).windowClass, text.c_str(), style, left, top, width, height,
                           parent, reinterpret_cast<HMENU>(INT_PTR(c.id)), instance_, nullptr);
}

// The name, the font, the kind's set-up messages, the subclassing and a text that comes after.
void Win32Ui::SetUpControl(Control& c, bool subclass, const std::wstring& laterText) {
    const ControlSpec& desc = c.desc;
    if (!desc.name.empty()) {
        c.nameAtom.reset(GlobalAddAtomW(Wide(desc.name).c_str()));
        if (c.nameAtom) SetPropW(c.hwnd, kNameProp, reinterpret_cast<HANDLE>(ULONG_PTR(c.nameAtom.get())));
    }
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(desc.font, c.form->desc.font)), FALSE);
    for (const auto& setup : TraitsOf(desc.kind).setup)
        if (setup.message) SendMessageW(c.hwnd, setup.message, setup.wp, setup.lp);
    if (subclass)
        c.oldProc =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(c.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc)));
    if (desc.kind == ControlKind::ComboBox) SetControlText(c, laterText);
    if (desc.kind == ControlKind::List) {
        for (size_t i = 0; i < desc.columns.size(); ++i) {
            std::wstring title = Wide(desc.columns[i].title);
            LVCOLUMNW col = {};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
            // The first column of a list view is always aligned left.
            col.fmt = desc.columns[i].alignRight && i > 0 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            col.cx = desc.columns[i].width;
            col.pszText = &title[0];
            col.iSubItem = int(i);
            SendMessageW(c.hwnd, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
        }
    }
    if (desc.kind == ControlKind::Label && desc.autoSize) SizeLabel(c);
    if (desc.kind == ControlKind::RichEdit) {
        // The text is laid out inside the margins (the box keeps its size).
        RECT r;
        GetClientRect(c.hwnd, &r);
        r.left += kRichEditMargin;
        r.right -= kRichEditMargin;
        if (r.right > r.left) SendMessageW(c.hwnd, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
    }
}

void Win32Ui::SizeLabel(Control& c) {
    std::wstring text = WindowText(c.hwnd);
    if (text.empty()) text = L" ";
    if (!measureDc_) return;
    RECT r = {0, 0, 0, 0};
    {
        ScopedSelect font(measureDc_.get(), reinterpret_cast<HFONT>(SendMessageW(c.hwnd, WM_GETFONT, 0, 0)));
        DrawTextW(measureDc_.get(), text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_EXPANDTABS | DT_LEFT);
    }
    SetWindowPos(c.hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ui::SizeImage(Control& c) {
    if (!c.desc.autoSize || c.picture.Empty()) return;
    SetWindowPos(c.hwnd, nullptr, 0, 0, c.picture.Width(), c.picture.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tastora
