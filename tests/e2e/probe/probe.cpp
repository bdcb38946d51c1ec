// probe.exe: looks at the windows of a running tastora.exe from outside, for the end-to-end
// tests. It runs under the same Wine prefix (wineserver) as the program and prints JSON.
//
//   probe windows                     top-level windows of tastora.exe (forms, message boxes)
//   probe controls <form>             child controls of a form (class name "TForm1" or caption);
//                                     a list view also with its rows, selection and places
//   probe msgbox                      the open message boxes with their texts, buttons and owner
//   probe focus                       the window and control that have the keyboard focus
//   probe memory                      memory counters of the program's process
//   probe idle <ms>                   waits until the program waits for input
//   probe screenshot <form> <out.bmp> the window's pixels from the screen, as a 24-bit BMP
//   probe closebox <form>             where on the screen the title-bar close button is
//   probe close <form>                posts the system's close command (WM_CLOSE) to a window
//   probe show <form> [maximized]     shows a window as it is (for screenshots of the layout)
//   probe hide <form>                 hides it again
//   probe serve                       reads commands from stdin, one per line, arguments
//                                     separated by tabs; answers one JSON line each
//   target <path of tastora.exe>      (serve) looks only at the program started from there,
//                                     so that runs in other folders do not mix in; empty:
//                                     any tastora.exe
// Every answer is one line of JSON; failures are {"error": "..."}.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#define PSAPI_VERSION 2
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/e2e/bmp_capture.h"

namespace {

const DWORD kSendTimeoutMs = 2000;

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), &w[0], n);
    return w;
}

std::string Quote(const std::wstring& w) {
    const std::string s = Utf8(w);
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

std::string Bool(bool b) { return b ? "true" : "false"; }

std::string Rect(const RECT& r) {
    char buf[96];
    snprintf(buf, sizeof buf, "[%ld, %ld, %ld, %ld]", long(r.left), long(r.top), long(r.right), long(r.bottom));
    return buf;
}

std::string Handle(HWND h) {
    char buf[32];
    snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(h)));
    return buf;
}

std::string Error(const std::string& text) { return "{\"error\": " + Quote(FromUtf8(text)) + "}"; }

std::wstring ClassOf(HWND h) {
    wchar_t buf[256] = {};
    GetClassNameW(h, buf, 256);
    return buf;
}

// A control's text, asked of the window itself (edit boxes keep it outside the caption).
std::wstring TextOf(HWND h) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len)) return L"";
    if (len > (1u << 24)) len = 1u << 24;
    std::wstring buf(size_t(len) + 2, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, WPARAM(len + 1), reinterpret_cast<LPARAM>(&buf[0]), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &got))
        return L"";
    buf.resize(wcsnlen(buf.c_str(), buf.size()));
    return buf;
}

std::wstring CaptionOf(HWND h) {
    wchar_t buf[1024] = {};
    GetWindowTextW(h, buf, 1024);
    return buf;
}

// The program looked at: its full path (lower case), or empty for any tastora.exe.
std::wstring g_target;

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = wchar_t(towlower(c));
    return s;
}

bool IsProgramProcess(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) return false;
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = MAX_PATH * 2;
    const BOOL ok = QueryFullProcessImageNameW(p, 0, path, &n);
    CloseHandle(p);
    if (!ok) return false;
    const std::wstring s = Lower(std::wstring(path, n));
    if (!g_target.empty()) return s == g_target;
    const size_t slash = s.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? s : s.substr(slash + 1)) == L"tastora.exe";
}

std::vector<HWND> g_found;

BOOL CALLBACK CollectTop(HWND h, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (IsProgramProcess(pid)) g_found.push_back(h);
    return TRUE;
}

std::vector<HWND> ProgramWindows() {
    g_found.clear();
    EnumWindows(CollectTop, 0);
    return g_found;
}

BOOL CALLBACK CollectChild(HWND h, LPARAM) {
    g_found.push_back(h);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    g_found.clear();
    EnumChildWindows(parent, CollectChild, 0);
    return g_found;
}

// A form by its class name ("TForm1") or its caption; the visible one first.
HWND FindForm(const std::wstring& key) {
    HWND hidden = nullptr;
    for (HWND h : ProgramWindows()) {
        if (ClassOf(h) == key || CaptionOf(h) == key) {
            if (IsWindowVisible(h)) return h;
            if (!hidden) hidden = h;
        }
    }
    return hidden;
}

std::wstring NameOf(HWND h) {
    const ATOM atom = ATOM(reinterpret_cast<ULONG_PTR>(GetPropW(h, L"Tastora.Name")));
    if (!atom) return L"";
    wchar_t buf[256] = {};
    return GlobalGetAtomNameW(atom, buf, 256) ? std::wstring(buf) : std::wstring();
}

HWND FocusOf(HWND anyWindow, HWND* active) {
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    const DWORD tid = GetWindowThreadProcessId(anyWindow, nullptr);
    if (!GetGUIThreadInfo(tid, &gti)) return nullptr;
    if (active) *active = gti.hwndActive;
    return gti.hwndFocus;
}

RECT ClientOnScreen(HWND h) {
    RECT rc = {};
    GetClientRect(h, &rc);
    POINT tl = {rc.left, rc.top}, br = {rc.right, rc.bottom};
    ClientToScreen(h, &tl);
    ClientToScreen(h, &br);
    return RECT{tl.x, tl.y, br.x, br.y};
}

// Whether the shell gives the window a button of its own in the task bar: a visible window
// that is marked as an application window, or that has no owner and is no tool window.
bool OnTaskBar(HWND h) {
    if (!IsWindowVisible(h)) return false;
    const LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
    if (ex & WS_EX_APPWINDOW) return true;
    return !GetWindow(h, GW_OWNER) && !(ex & WS_EX_TOOLWINDOW);
}

std::string WindowJson(HWND h, HWND active) {
    RECT r = {};
    GetWindowRect(h, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    std::string s = "{\"hwnd\": " + Handle(h) + ", \"pid\": " + std::to_string(pid) +
                    ", \"class\": " + Quote(ClassOf(h)) + ", \"caption\": " + Quote(CaptionOf(h)) +
                    ", \"visible\": " + Bool(IsWindowVisible(h)) + ", \"enabled\": " + Bool(IsWindowEnabled(h)) +
                    ", \"active\": " + Bool(h == active) + ", \"taskbar\": " + Bool(OnTaskBar(h)) +
                    ", \"rect\": " + Rect(r) + ", \"client\": " + Rect(ClientOnScreen(h)) + "}";
    return s;
}

std::string CmdWindows() {
    const std::vector<HWND> wins = ProgramWindows();
    HWND active = nullptr;
    if (!wins.empty()) FocusOf(wins.front(), &active);
    std::string s = "[";
    for (size_t i = 0; i < wins.size(); ++i) s += (i ? ", " : "") + WindowJson(wins[i], active);
    return s + "]";
}

std::string ComboItems(HWND h) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(h, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &count)) return "[]";
    std::string s = "[";
    for (DWORD_PTR i = 0; i < count && i < 10000; ++i) {
        DWORD_PTR len = 0;
        SendMessageTimeoutW(h, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len);
        if (len == DWORD_PTR(CB_ERR) || len > 65536) len = 0;
        std::wstring buf(size_t(len) + 2, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&buf[0]), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                            &got);
        buf.resize(wcsnlen(buf.c_str(), buf.size()));
        s += (i ? ", " : "") + Quote(buf);
    }
    return s + "]";
}

// A list view's rows (the texts of every column), which are selected, and where on the screen
// each row and column header lies. The structures go through memory of the program's process,
// as a list view answers only with pointers into its own.
std::string ListViewJson(HWND h) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    HANDLE p = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!p) return ", \"rows\": []";
    const SIZE_T textChars = 512;
    BYTE* remote = static_cast<BYTE*>(VirtualAllocEx(p, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    auto send = [&](HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &r);
        return r;
    };
    auto screen = [&](HWND w, RECT r) {
        MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return Rect(r);
    };
    HWND header = HWND(send(h, LVM_GETHEADER, 0, 0));
    const int columns = header ? int(send(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    std::string s = ", \"columns\": [";
    for (int c = 0; c < columns && remote; ++c) {
        RECT r = {};
        send(header, HDM_GETITEMRECT, c, LPARAM(remote));
        ReadProcessMemory(p, remote, &r, sizeof r, nullptr);
        s += (c ? ", " : "") + screen(header, r);
    }
    s += "], \"rows\": [";
    const int count = int(send(h, LVM_GETITEMCOUNT, 0, 0));
    std::string selected, rects;
    for (int i = 0; i < count && i < 500 && remote; ++i) {
        s += i ? ", [" : "[";
        for (int c = 0; c < columns; ++c) {
            LVITEMW item = {};
            item.iSubItem = c;
            item.cchTextMax = int(textChars);
            item.pszText = reinterpret_cast<LPWSTR>(remote + 1024);
            WriteProcessMemory(p, remote, &item, sizeof item, nullptr);
            send(h, LVM_GETITEMTEXTW, i, LPARAM(remote));
            wchar_t text[textChars + 1] = {};
            ReadProcessMemory(p, remote + 1024, text, textChars * sizeof(wchar_t), nullptr);
            s += (c ? ", " : "") + Quote(text);
        }
        s += "]";
        if (send(h, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED)
            selected += (selected.empty() ? "" : ", ") + std::to_string(i);
        RECT r = {LVIR_BOUNDS, 0, 0, 0};
        WriteProcessMemory(p, remote, &r, sizeof r, nullptr);
        send(h, LVM_GETITEMRECT, i, LPARAM(remote));
        ReadProcessMemory(p, remote, &r, sizeof r, nullptr);
        rects += (i ? ", " : "") + screen(h, r);
    }
    if (remote) VirtualFreeEx(p, remote, 0, MEM_RELEASE);
    CloseHandle(p);
    return s + "], \"selected\": [" + selected + "], \"row_rects\": [" + rects + "]";
}

std::string CmdControls(const std::wstring& key) {
    HWND form = FindForm(key);
    if (!form) return Error("no window " + Utf8(key));
    HWND active = nullptr;
    HWND focus = FocusOf(form, &active);
    std::string s = "{\"form\": " + WindowJson(form, active) + ", \"controls\": [";
    bool first = true;
    for (HWND h : Children(form)) {
        const std::wstring cls = ClassOf(h);
        // The edit box inside a combo box belongs to the combo box.
        if (GetParent(h) != form && NameOf(h).empty()) continue;
        RECT r = {};
        GetWindowRect(h, &r);
        const bool focused = focus && (focus == h || IsChild(h, focus));
        std::string c = "{\"hwnd\": " + Handle(h) + ", \"name\": " + Quote(NameOf(h)) + ", \"class\": " + Quote(cls) +
                        ", \"text\": " + Quote(TextOf(h)) + ", \"enabled\": " + Bool(IsWindowEnabled(h)) +
                        ", \"visible\": " + Bool(IsWindowVisible(h)) + ", \"focused\": " + Bool(focused) +
                        ", \"rect\": " + Rect(r);
        std::wstring lower = cls;
        for (auto& ch : lower) ch = wchar_t(towlower(ch));
        if (lower == L"combobox") c += ", \"items\": " + ComboItems(h);
        if (lower == L"syslistview32") c += ListViewJson(h);
        if (lower == L"msctls_progress32") {
            DWORD_PTR pos = 0, hi = 0;
            SendMessageTimeoutW(h, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &pos);
            SendMessageTimeoutW(h, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &hi);
            c += ", \"position\": " + std::to_string(long(pos)) + ", \"max\": " + std::to_string(long(hi));
        }
        if (lower == L"button") {
            const LONG style = GetWindowLongW(h, GWL_STYLE);
            c += ", \"default\": " + Bool((style & 0x0F) == BS_DEFPUSHBUTTON);
        }
        s += (first ? "" : ", ") + c + "}";
        first = false;
    }
    return s + "]}";
}

std::string CmdMsgbox() {
    std::string s = "[";
    bool first = true;
    for (HWND h : ProgramWindows()) {
        if (ClassOf(h) != L"#32770" || !IsWindowVisible(h)) continue;
        std::wstring text;
        std::string buttons = "[";
        bool firstButton = true;
        bool icon = false;
        for (HWND c : Children(h)) {
            std::wstring cls = ClassOf(c);
            for (auto& ch : cls) ch = wchar_t(towlower(ch));
            const LONG style = GetWindowLongW(c, GWL_STYLE);
            if (cls == L"button") {
                RECT r = {};
                GetWindowRect(c, &r);
                buttons +=
                    std::string(firstButton ? "" : ", ") + "{\"text\": " + Quote(TextOf(c)) +
                    ", \"id\": " + std::to_string(GetDlgCtrlID(c)) + ", \"enabled\": " + Bool(IsWindowEnabled(c)) +
                    ", \"default\": " + Bool((style & 0x0F) == BS_DEFPUSHBUTTON) + ", \"rect\": " + Rect(r) + "}";
                firstButton = false;
            } else if (cls == L"static") {
                if ((style & SS_TYPEMASK) == SS_ICON) {
                    DWORD_PTR hicon = 0;
                    SendMessageTimeoutW(c, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &hicon);
                    icon = icon || (IsWindowVisible(c) && hicon != 0);
                    continue;
                }
                const std::wstring t = TextOf(c);
                if (!t.empty()) text += (text.empty() ? L"" : L"\n") + t;
            }
        }
        RECT r = {};
        GetWindowRect(h, &r);
        HWND owner = GetWindow(h, GW_OWNER);
        s += std::string(first ? "" : ", ") + "{\"hwnd\": " + Handle(h) + ", \"caption\": " + Quote(CaptionOf(h)) +
             ", \"owner\": " + Quote(owner ? ClassOf(owner) : std::wstring()) + ", \"text\": " + Quote(text) +
             ", \"icon\": " + Bool(icon) + ", \"rect\": " + Rect(r) + ", \"buttons\": " + buttons + "]}";
        first = false;
    }
    return s + "]";
}

std::string CmdFocus() {
    const std::vector<HWND> wins = ProgramWindows();
    if (wins.empty()) return Error("no program window");
    HWND active = nullptr;
    HWND focus = FocusOf(wins.front(), &active);
    std::wstring name;
    HWND nameOwner = focus;
    while (nameOwner && NameOf(nameOwner).empty() && GetParent(nameOwner)) nameOwner = GetParent(nameOwner);
    if (nameOwner) name = NameOf(nameOwner);
    HWND top = focus ? GetAncestor(focus, GA_ROOT) : nullptr;
    return "{\"focus\": " + Handle(focus) + ", \"name\": " + Quote(name) +
           ", \"form\": " + Quote(top ? ClassOf(top) : L"") + ", \"active\": " + Handle(active) +
           ", \"activeClass\": " + Quote(active ? ClassOf(active) : L"") + "}";
}

DWORD ProgramPid() {
    for (HWND h : ProgramWindows()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid) return pid;
    }
    return 0;
}

std::string CmdMemory() {
    const DWORD pid = ProgramPid();
    if (!pid) return Error("no program window");
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!p) return Error("cannot open the process");
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    const BOOL ok = GetProcessMemoryInfo(p, &pmc, sizeof pmc);
    CloseHandle(p);
    if (!ok) return Error("GetProcessMemoryInfo failed");
    return "{\"pid\": " + std::to_string(pid) + ", \"workingSet\": " + std::to_string(pmc.WorkingSetSize) +
           ", \"peakWorkingSet\": " + std::to_string(pmc.PeakWorkingSetSize) +
           ", \"pagefileUsage\": " + std::to_string(pmc.PagefileUsage) +
           ", \"peakPagefileUsage\": " + std::to_string(pmc.PeakPagefileUsage) + "}";
}

std::string CmdIdle(const std::wstring& ms) {
    const DWORD pid = ProgramPid();
    if (!pid) return Error("no program window");
    HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!p) return Error("cannot open the process");
    const DWORD r = WaitForInputIdle(p, DWORD(_wtoi(ms.c_str())));
    CloseHandle(p);
    return "{\"idle\": " + Bool(r == 0) + "}";
}

std::string CmdScreenshot(const std::wstring& key, const std::wstring& out) {
    HWND form = FindForm(key);
    if (!form) return Error("no window " + Utf8(key));
    RECT r = {};
    GetWindowRect(form, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return Error("empty window");
    HDC screen = GetDC(nullptr);
    const bool ok = SaveBmp24(screen, r.left, r.top, w, h, out);
    ReleaseDC(nullptr, screen);
    if (!ok) return Error("cannot write " + Utf8(out));
    return "{\"file\": " + Quote(out) + ", \"rect\": " + Rect(r) + "}";
}

// The close button as the window itself reports it (hit test), whoever draws the frame.
std::string CmdCloseBox(const std::wstring& key) {
    HWND form = FindForm(key);
    if (!form) return Error("no window " + Utf8(key));
    RECT r = {};
    GetWindowRect(form, &r);
    long minX = LONG_MAX, minY = LONG_MAX, maxX = LONG_MIN, maxY = LONG_MIN;
    for (long y = r.top; y < r.top + 48 && y < r.bottom; y += 1) {
        for (long x = r.right - 1; x >= r.right - 80 && x >= r.left; x -= 1) {
            DWORD_PTR hit = 0;
            if (!SendMessageTimeoutW(form, WM_NCHITTEST, 0, MAKELPARAM(short(x), short(y)), SMTO_ABORTIFHUNG,
                                     kSendTimeoutMs, &hit))
                return Error("the window does not answer");
            if (hit == HTCLOSE) {
                if (x < minX) minX = x;
                if (x > maxX) maxX = x;
                if (y < minY) minY = y;
                if (y > maxY) maxY = y;
            }
        }
    }
    if (minX == LONG_MAX) return Error("no close button");
    return "{\"x\": " + std::to_string((minX + maxX) / 2) + ", \"y\": " + std::to_string((minY + maxY) / 2) +
           ", \"rect\": [" + std::to_string(minX) + ", " + std::to_string(minY) + ", " + std::to_string(maxX + 1) +
           ", " + std::to_string(maxY + 1) + "]}";
}

// The system's close command to a window (what Alt+F4 or the close box sends), posted.
std::string CmdClose(const std::wstring& key) {
    HWND form = FindForm(key);
    if (!form) return Error("no window " + Utf8(key));
    return "{\"posted\": " + Bool(PostMessageW(form, WM_CLOSE, 0, 0) != 0) + "}";
}

std::string CmdShow(const std::wstring& key, bool show, bool maximized) {
    HWND form = FindForm(key);
    if (!form) return Error("no window " + Utf8(key));
    ShowWindow(form, show ? (maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL) : SW_HIDE);
    if (show) SetWindowPos(form, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return "{\"visible\": " + Bool(IsWindowVisible(form)) + "}";
}

std::string Run(const std::vector<std::wstring>& args) {
    if (args.empty()) return Error("no command");
    const std::wstring& cmd = args[0];
    if (cmd == L"windows") return CmdWindows();
    if (cmd == L"controls" && args.size() >= 2) return CmdControls(args[1]);
    if (cmd == L"msgbox") return CmdMsgbox();
    if (cmd == L"focus") return CmdFocus();
    if (cmd == L"memory") return CmdMemory();
    if (cmd == L"idle") return CmdIdle(args.size() >= 2 ? args[1] : L"5000");
    if (cmd == L"screenshot" && args.size() >= 3) return CmdScreenshot(args[1], args[2]);
    if (cmd == L"closebox" && args.size() >= 2) return CmdCloseBox(args[1]);
    if (cmd == L"close" && args.size() >= 2) return CmdClose(args[1]);
    if (cmd == L"show" && args.size() >= 2) return CmdShow(args[1], true, args.size() >= 3 && args[2] == L"maximized");
    if (cmd == L"hide" && args.size() >= 2) return CmdShow(args[1], false, false);
    if (cmd == L"target") {
        g_target = args.size() >= 2 ? Lower(args[1]) : std::wstring();
        return "{\"target\": " + Quote(g_target) + "}";
    }
    if (cmd == L"ping") return "{\"pong\": true}";
    return Error("unknown command " + Utf8(cmd));
}

void Answer(const std::string& line) {
    fwrite(line.data(), 1, line.size(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == L"serve") {
        std::string line;
        int ch;
        while ((ch = fgetc(stdin)) != EOF) {
            if (ch != '\n') {
                line += char(ch);
                continue;
            }
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line == "quit") break;
            std::vector<std::wstring> cmd;
            size_t start = 0;
            while (true) {
                const size_t tab = line.find('\t', start);
                cmd.push_back(FromUtf8(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
                if (tab == std::string::npos) break;
                start = tab + 1;
            }
            Answer(Run(cmd));
            line.clear();
        }
        return 0;
    }
    const std::string out = Run(args);
    Answer(out);
    return out.compare(0, 9, "{\"error\":") == 0 ? 1 : 0;
}
