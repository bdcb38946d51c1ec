// The controls as the handlers see them: texts, states, lists, bars, colours, rich text,
// pictures, timers, geometry and the properties of ActiveX controls; and the pictures that
// the core copies to a window's back buffer.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "win32/ui_parts.h"
#include "win32/wide.h"

namespace tastora {

namespace {

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

uint32_t ToRgb(COLORREF c) { return MakeRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

void Win32Ui::SetControlText(Control& c, const std::wstring& text) {
    // A label that shows the text already is not drawn again (the error count after a right key).
    if (c.desc.kind == ControlKind::Label && WindowText(c.hwnd) == text) return;
    // The pictures copied before go to the screen first, as small parts (a label redrawn at
    // once would join them into one large part).
    if (c.form && c.form->paintPending) RepaintPending();
    c.settingText = true;
    if (c.desc.kind == ControlKind::ComboBox && c.desc.readOnly)
        // A combo box of its list only shows the entry picked.
        SendMessageW(c.hwnd, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str()));
    else
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
    for (const auto& item : items) SendMessageW(c->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    SendMessageW(c->hwnd, WM_SETREDRAW, TRUE, 0);
    c->settingText = false;
    // A combo box of its list only shows the entry it showed, else the one it was laid out with.
    SetControlText(*c, keep.empty() && c->desc.readOnly ? Wide(c->desc.text) : keep);
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

void Win32Ui::SetTimerEnabled(TimerHandle timer, bool enabled) {
    auto& fp = forms_[int(timer.form)];
    if (!fp || !fp->hwnd || timer.index < 0 || size_t(timer.index) >= fp->timers.size()) return;
    auto& t = fp->timers[size_t(timer.index)];
    if (t.enabled == enabled) return;
    if (enabled) {
        t.enabled = SetTimer(fp->hwnd, t.id, t.desc.intervalMs > 0 ? t.desc.intervalMs : 1, nullptr) != 0;
    } else {
        KillTimer(fp->hwnd, t.id);
        t.enabled = false;
    }
}

// --- virtual lists

void Win32Ui::SetRowCount(ListHandle ref, int rows) {
    Control* c = ControlAt(ref);
    if (!c || c->desc.kind != ControlKind::List) return;
    c->settingText = true;  // the program's own change: no selection event
    ListView_SetItemState(c->hwnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(c->hwnd, std::max(0, rows), 0);
    c->settingText = false;
    InvalidateRect(c->hwnd, nullptr, FALSE);
}

std::vector<int> Win32Ui::SelectedRows(ListHandle ref) {
    std::vector<int> rows;
    Control* c = ControlAt(ref);
    if (!c || c->desc.kind != ControlKind::List) return rows;
    for (int i = ListView_GetNextItem(c->hwnd, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(c->hwnd, i, LVNI_SELECTED))
        rows.push_back(i);
    return rows;
}

void Win32Ui::SelectRow(ListHandle ref, int row) {
    Control* c = ControlAt(ref);
    if (!c || c->desc.kind != ControlKind::List) return;
    c->settingText = true;
    ListView_SetItemState(c->hwnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        ListView_SetItemState(c->hwnd, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(c->hwnd, row, FALSE);
    }
    c->settingText = false;
}

void Win32Ui::SetSortArrow(ListHandle ref, int column, bool ascending) {
    Control* c = ControlAt(ref);
    if (!c || c->desc.kind != ControlKind::List) return;
    HWND header = ListView_GetHeader(c->hwnd);
    for (int i = 0; i < Header_GetItemCount(header); ++i) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, i, &item);
    }
}

// --- pictures

void Win32Ui::EnsureBuffer(Form& f) {
    if (!f.buffer.Empty() && IsIconic(f.hwnd)) return;  // a minimised window keeps its pictures
    RECT rc;
    GetClientRect(f.hwnd, &rc);
    f.buffer.Resize(rc.right - rc.left, rc.bottom - rc.top, ToRgb(GetSysColor(COLOR_BTNFACE)));
}

void Win32Ui::Blit(FormId id, const Bitmap& picture, int x, int y) {
    BlitPart(id, picture, x, y, 0, 0, picture.Width(), picture.Height());
}

void Win32Ui::BlitPart(FormId id, const Bitmap& picture, int x, int y, int left, int top, int width, int height) {
    auto& fp = forms_[int(id)];
    if (!fp || !fp->hwnd || picture.Empty()) return;
    Form& f = *fp;
    EnsureBuffer(f);
    const RECT changed = f.buffer.CopyIn(picture, x, y, left, top, width, height);
    if (IsRectEmpty(&changed) || f.painting) return;
    // The screen gets the new pixels once the current event has been handled.
    f.copiedRects.push_back(changed);
    f.paintPending = true;
}

// --- geometry

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

// --- ActiveX controls

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

}  // namespace tastora
