// tastora-teacher.exe, the teacher's class journal: the learners of a data folder in a
// virtual list, one learner's pictures, the teacher's help and the export. The logic is
// journal/; this file only shows it.
//
//   tastora-teacher.exe                                  the window
//   tastora-teacher.exe /export FILE.csv|FILE.html [DATA-FOLDER]
//                                                        the export without a window: exit
//                                                        code 0, or a message and 2
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/files.h"
#include "core/ini.h"
#include "journal/journal.h"
#include "journal/teacher_password.h"
#include "win32/back_buffer.h"
#include "win32/scoped.h"
#include "win32/teacher/crypto_win32.h"
#include "win32/teacher/password_dialog.h"
#include "win32/wide.h"

namespace tastora {
namespace {

constexpr wchar_t kTitle[] = L"Tastora — журнал класса";
constexpr wchar_t kClassName[] = L"TastoraJournal";
constexpr wchar_t kRegistryKey[] = L"Software\\Tastora\\Journal";
constexpr int kClientWidth = 1000, kClientHeight = 700;
constexpr int kDetailLeft = 8, kDetailTop = 324;

// The window's controls, by id.
enum ControlId {
    kFolderCaption = 100,
    kFolderPath,
    kFolderButton,
    kExportButton,
    kFilterCaption,
    kFilterEdit,
    kList,
    kLearnerText,
    kMissedText,
    kClearPasswordButton,
    kLessonCombo,
    kMoveButton,
    kResetButton,
    kDeleteButton,
    kPasswordButton,
    kStatusText,
};
constexpr UINT kOfferPassword = WM_APP + 1;

// One control as laid out: its window class, name (for programs that look at the window),
// caption, style and place.
struct ControlDesc {
    ControlId id;
    const wchar_t* windowClass;
    const wchar_t* name;
    const wchar_t* text;
    DWORD style;
    int left, top, width, height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const ControlDesc kLayout[] = {
    {kFolderCaption, L"STATIC", L"FolderCaption", L"Папка данных:", kChild, 8, 12, 100, 18},
    {kFolderPath, L"STATIC", L"FolderPath", L"", kChild | SS_PATHELLIPSIS, 110, 12, 560, 18},
    {kFolderButton, L"BUTTON", L"FolderButton", L"Другая папка…", kChild | WS_TABSTOP, 680, 6, 150, 26},
    {kExportButton, L"BUTTON", L"ExportButton", L"Экспорт…", kChild | WS_TABSTOP, 842, 6, 150, 26},
    {kFilterCaption, L"STATIC", L"FilterCaption", L"Поиск по имени:", kChild, 8, 42, 120, 18},
    {kFilterEdit, L"EDIT", L"FilterEdit", L"", kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 130, 38, 300, 22},
    {kList, WC_LISTVIEWW, L"LearnerList", L"",
     kChild | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 8, 66, 984, 250},
    {kLearnerText, L"STATIC", L"LearnerText", L"Выберите ученика в списке.", kChild, 8, 540, 600, 18},
    {kMissedText, L"STATIC", L"MissedText", L"", kChild, 8, 562, 984, 34},
    {kClearPasswordButton, L"BUTTON", L"ClearPasswordButton", L"Сбросить пароль", kChild | WS_TABSTOP, 8, 604, 150, 28},
    {kLessonCombo, L"COMBOBOX", L"LessonCombo", L"", kChild | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 170, 606, 100,
     300},
    {kMoveButton, L"BUTTON", L"MoveButton", L"Перевести на урок", kChild | WS_TABSTOP, 276, 604, 150, 28},
    {kResetButton, L"BUTTON", L"ResetButton", L"Обнулить ошибки", kChild | WS_TABSTOP, 438, 604, 150, 28},
    {kDeleteButton, L"BUTTON", L"DeleteButton", L"Удалить учеников", kChild | WS_TABSTOP, 600, 604, 150, 28},
    {kPasswordButton, L"BUTTON", L"PasswordButton", L"Пароль учителя…", kChild | WS_TABSTOP, 842, 604, 150, 28},
    {kStatusText, L"STATIC", L"StatusText", L"", kChild, 8, 646, 984, 48},
};

const int kColumnWidths[kColumnCount] = {200, 165, 125, 145, 135, 70, 110};

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring p(path, n);
    const size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : p.substr(0, slash);
}

char RegionalSeparator() {
    wchar_t buf[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 1 && buf[0] > 0 && buf[0] < 128)
        return char(buf[0]);
    return '.';
}

// The user's settings of the journal (HKCU): the last data folder, whether a teacher's
// password was offered already.
std::wstring RememberedFolder() {
    wchar_t buf[2048] = {};
    DWORD size = sizeof buf - sizeof(wchar_t), type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"";
    const LONG r = RegQueryValueExW(key, L"DataFolder", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS && type == REG_SZ ? std::wstring(buf) : std::wstring();
}

void RememberSetting(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void RememberFolder(const std::wstring& folder) {
    RememberSetting(L"DataFolder", REG_SZ, folder.c_str(), DWORD((folder.size() + 1) * sizeof(wchar_t)));
}

// True the first time it is asked for this user.
bool FirstPasswordOffer() {
    DWORD value = 0, size = sizeof value, type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistryKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExW(key, L"PasswordOffered", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    if (type == REG_DWORD && value == 1) return false;
    value = 1;
    RememberSetting(L"PasswordOffered", REG_DWORD, &value, sizeof value);
    return true;
}

bool IsFolder(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Plural(size_t n, const char* one, const char* few, const char* many) {
    const size_t d = n % 10, h = n % 100;
    if (d == 1 && h != 11) return one;
    if (d >= 2 && d <= 4 && (h < 12 || h > 14)) return few;
    return many;
}

// For the performance checks: TASTORA_TIMING=<file> names a file where the journal appends
// "journal_open_ms=<n>" (reading the class and filling the list) and "journal_sort_ms=<n>"
// (a sort by a column header); normal runs write nothing.
class Timing {
public:
    Timing() {
        wchar_t path[1024];
        const DWORD n = GetEnvironmentVariableW(L"TASTORA_TIMING", path, 1024);
        if (n > 0 && n < 1024) file_.assign(path, n);
        QueryPerformanceCounter(&start_);
    }
    void Done(const char* what) const {
        if (file_.empty()) return;
        LARGE_INTEGER now, freq;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&freq);
        const std::string line = std::string(what) +
                                 "_ms=" + std::to_string(int((now.QuadPart - start_.QuadPart) * 1000 / freq.QuadPart)) +
                                 "\r\n";
        AppendToFile(Narrow(file_), line);
    }

private:
    std::wstring file_;
    LARGE_INTEGER start_{};
};

class JournalWindow {
public:
    explicit JournalWindow(HINSTANCE instance) : instance_(instance) {}

    int Run(int show) {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &JournalWindow::Proc;
        wc.hInstance = instance_;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.hIcon = LoadIconW(instance_, L"MAINICON");
        wc.lpszClassName = kClassName;
        RegisterClassExW(&wc);
        RECT r = {0, 0, kClientWidth, kClientHeight};
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        AdjustWindowRect(&r, style, FALSE);
        window_.reset(CreateWindowExW(0, kClassName, kTitle, style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                                      r.bottom - r.top, nullptr, nullptr, instance_, this));
        if (!window_) return 1;
        ShowWindow(window_.get(), show);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (IsDialogMessageW(window_.get(), &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return 0;
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<JournalWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
        try {
            return self->Handle(hwnd, msg, wp, lp);
        } catch (const std::exception& e) {
            MessageBoxW(hwnd, Wide(e.what()).c_str(), kTitle, MB_OK | MB_ICONERROR);
            return 0;
        }
    }

    LRESULT Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
            case WM_CREATE: OnCreate(hwnd); return 0;
            case kOfferPassword: OfferPassword(); return 0;
            case WM_ACTIVATE:
                // Back in the journal: what another copy of the program wrote meanwhile is shown.
                if (LOWORD(wp) != WA_INACTIVE && Stamps() != stamps_) Reload();
                break;
            case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
            case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lp));
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                if (!buffer_.Empty()) buffer_.PaintTo(dc, ps.rcPaint);
                EndPaint(hwnd, &ps);
                return 0;
            }
            case WM_ERASEBKGND: return 1;  // the back buffer covers the client area
            case WM_CTLCOLORSTATIC: {
                SetBkColor(HDC(wp), GetSysColor(COLOR_BTNFACE));
                return LRESULT(GetSysColorBrush(COLOR_BTNFACE));
            }
            case WM_DESTROY: PostQuitMessage(0); return 0;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    HWND Item(ControlId id) const { return GetDlgItem(window_.get() ? window_.get() : hwnd_, id); }

    void OnCreate(HWND hwnd) {
        hwnd_ = hwnd;
        font_.reset(
            CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma"));
        for (const ControlDesc& d : kLayout) {
            HWND c = CreateWindowExW(d.id == kList || d.id == kFilterEdit ? WS_EX_CLIENTEDGE : 0, d.windowClass, d.text,
                                     d.style, d.left, d.top, d.width, d.height, hwnd, HMENU(INT_PTR(d.id)), instance_,
                                     nullptr);
            SendMessageW(c, WM_SETFONT, WPARAM(font_.get()), TRUE);
            names_.emplace_back(GlobalAddAtomW(d.name));
            SetPropW(c, L"Tastora.Name", HANDLE(ULONG_PTR(names_.back().get())));
        }
        HWND list = Item(kList);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
        for (int c = 0; c < kColumnCount; ++c) {
            std::wstring title = Wide(kColumnTitles[c]);
            LVCOLUMNW col = {};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
            col.fmt = c >= int(Column::Lessons) ? LVCFMT_RIGHT : LVCFMT_LEFT;
            if (c == 0) col.fmt = LVCFMT_LEFT;
            col.cx = kColumnWidths[c];
            col.pszText = &title[0];
            col.iSubItem = c;
            ListView_InsertColumn(list, c, &col);
        }
        HWND combo = Item(kLessonCombo);
        for (int n = 1; n <= kCourseLessons; ++n)
            SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(Wide("Урок " + std::to_string(n)).c_str()));
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
        // The face colour in the buffer's byte order (0x00RRGGBB).
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        background_ = MakeRgb(GetRValue(face), GetGValue(face), GetBValue(face));
        buffer_.Resize(kClientWidth, kClientHeight, background_);

        std::wstring folder = RememberedFolder();
        if (folder.empty() || !IsFolder(folder)) folder = ExeFolder() + L"\\data";
        Open(folder);
        PostMessageW(hwnd, kOfferPassword, 0, 0);
    }

    // At the first start: the teacher may protect the changes by a password.
    void OfferPassword() {
        if (TeacherPasswordSet(Narrow(folder_)) || !FirstPasswordOffer()) return;
        if (MessageBoxW(hwnd_,
                        L"Задать пароль учителя? Журнал будет спрашивать его перед каждым изменением данных "
                        L"учеников. Его можно задать и позже кнопкой «Пароль учителя…».",
                        kTitle, MB_YESNO | MB_ICONQUESTION) == IDYES)
            ChangePassword();
    }

    // Before a change: the teacher's password, when the folder has one.
    bool TeacherAllows() {
        const std::string folder = Narrow(folder_);
        if (!TeacherPasswordSet(folder)) return true;
        std::wstring typed;
        if (!AskPassword(hwnd_, instance_, L"Введите пароль учителя:", false, typed)) return false;
        if (CheckTeacherPassword(folder, Narrow(typed), crypto_)) return true;
        MessageBoxW(hwnd_, L"Неверный пароль учителя. Данные не изменены.", kTitle, MB_OK | MB_ICONWARNING);
        return false;
    }

    void ChangePassword() {
        if (!TeacherAllows()) return;
        std::wstring typed;
        if (!AskPassword(hwnd_, instance_, L"Новый пароль учителя, два раза (пустой пароль снимает защиту):", true,
                         typed))
            return;
        SetTeacherPassword(Narrow(folder_), Narrow(typed), crypto_);
        MessageBoxW(hwnd_, typed.empty() ? L"Пароль учителя снят." : L"Пароль учителя сохранён.", kTitle,
                    MB_OK | MB_ICONINFORMATION);
    }

    void Open(const std::wstring& folder) {
        folder_ = folder;
        SetWindowTextW(Item(kFolderPath), folder.c_str());
        Reload();
    }

    // The versions of the two files the list was read from.
    std::pair<FileStamp, FileStamp> Stamps() const {
        std::pair<FileStamp, FileStamp> s;
        GetFileStamp(Narrow(folder_) + "\\users.ini", s.first);
        GetFileStamp(Narrow(folder_) + "\\lista.txt", s.second);
        return s;
    }

    void Reload() {
        const Timing timing;
        stamps_ = Stamps();
        IniFile::ForgetAll();
        shown_ = kNothingShown;
        journal_ = ReadClass(Narrow(folder_), RegionalSeparator());
        Refilter();
        std::string status = "Учеников: " + std::to_string(journal_.learners.size()) + ".";
        for (const auto& p : journal_.problems) status += " " + p;
        SetWindowTextW(Item(kStatusText), Wide(status).c_str());
        timing.Done("journal_open");
    }

    void Refilter() {
        const std::string keep = Selected().empty() ? "" : journal_.learners[size_t(Selected()[0])].name;
        rows_ = VisibleRows(journal_, Narrow(WindowText(Item(kFilterEdit))), sortColumn_, ascending_);
        HWND list = Item(kList);
        refiltering_ = true;  // the selection is made again below: one detail at the end
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemCountEx(list, int(rows_.size()), 0);
        InvalidateRect(list, nullptr, FALSE);
        for (size_t i = 0; i < rows_.size(); ++i)
            if (!keep.empty() && journal_.learners[size_t(rows_[i])].name == keep) {
                ListView_SetItemState(list, int(i), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
                ListView_EnsureVisible(list, int(i), FALSE);
                break;
            }
        refiltering_ = false;
        ShowDetail();
    }

    static std::wstring WindowText(HWND h) {
        std::wstring s(size_t(GetWindowTextLengthW(h)) + 1, L'\0');
        s.resize(size_t(GetWindowTextW(h, &s[0], int(s.size()))));
        return s;
    }

    // The learners selected in the list (indices into the class).
    std::vector<int> Selected() const {
        std::vector<int> out;
        HWND list = Item(kList);
        if (!list) return out;
        for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0 && size_t(i) < rows_.size();
             i = ListView_GetNextItem(list, i, LVNI_SELECTED))
            out.push_back(rows_[size_t(i)]);
        return out;
    }

    std::string CourseFolder() const {
        const std::wstring own = ExeFolder() + L"\\data";
        return Narrow(IsFolder(own + L"\\pictures") ? own : folder_);
    }

    void ShowDetail() {
        const std::vector<int> selected = Selected();
        // The same learner (or none) as shown: nothing to compose again.
        const int now = selected.size() == 1 ? selected[0] : -int(selected.size()) - 1;
        if (now == shown_) return;
        shown_ = now;
        Bitmap picture(kClientWidth - 2 * kDetailLeft, 210, background_);
        if (selected.size() == 1) {
            const Learner& l = journal_.learners[size_t(selected[0])];
            picture.Draw(DetailPicture(l, CourseFolder()), 0, 0);
            const auto errors = KeyErrors(l);
            const int most = *std::max_element(errors.begin(), errors.end());
            SetWindowTextW(Item(kLearnerText),
                           Wide(l.name + ": " + l.standing + (l.hasPassword ? "" : ", без пароля")).c_str());
            std::string missed = "Ошибки по клавишам: белый — 0, красный — " + std::to_string(most) + ".";
            const auto top = TopMissedKeys(l, CourseFolder());
            if (!top.empty()) {
                missed += " Чаще всего: ";
                for (size_t k = 0; k < top.size(); ++k) missed += (k ? "; " : "") + top[k];
                missed += ".";
            }
            SetWindowTextW(Item(kMissedText), Wide(missed).c_str());
        } else {
            SetWindowTextW(Item(kLearnerText),
                           selected.empty()
                               ? L"Выберите ученика в списке."
                               : Wide("Выбрано учеников: " + std::to_string(selected.size()) + ".").c_str());
            SetWindowTextW(Item(kMissedText), L"");
        }
        const RECT r = buffer_.CopyIn(picture, kDetailLeft, kDetailTop, 0, 0, picture.Width(), picture.Height());
        InvalidateRect(hwnd_, &r, FALSE);
    }

    void OnCommand(int id, int code) {
        switch (id) {
            case kFilterEdit:
                if (code == EN_CHANGE) Refilter();
                break;
            case kFolderButton: ChooseFolder(); break;
            case kExportButton: Export(); break;
            case kClearPasswordButton:
                Act("Сбросить пароль", "Сбросить пароль ученика «%s»? Он войдёт в программу с пустым паролем.",
                    [](const std::string& f, const std::string& n) { ClearPassword(f, n); });
                break;
            case kMoveButton: {
                const int lesson = int(SendMessageW(Item(kLessonCombo), CB_GETCURSEL, 0, 0)) + 1;
                const std::string lessonText = std::to_string(lesson);
                const char sep = RegionalSeparator();
                Act("Перевести на урок",
                    "Перевести ученика «%s» на начало урока " + lessonText + "? Он начнёт с упражнения урока.",
                    [lesson, sep](const std::string& f, const std::string& n) { MoveToLesson(f, n, lesson, sep); });
                break;
            }
            case kResetButton:
                Act("Обнулить ошибки", "Обнулить счётчики ошибок ученика «%s»? Карта ошибок станет пустой.",
                    [](const std::string& f, const std::string& n) { ResetCounters(f, n); });
                break;
            case kDeleteButton: DeleteSelected(); break;
            case kPasswordButton: ChangePassword(); break;
        }
    }

    template <class Fn>
    void Act(const char* what, const std::string& question, Fn action) {
        const std::vector<int> selected = Selected();
        if (selected.size() != 1) {
            MessageBoxW(hwnd_, L"Выберите в списке одного ученика.", kTitle, MB_OK | MB_ICONINFORMATION);
            return;
        }
        const std::string name = journal_.learners[size_t(selected[0])].name;
        std::string text = question;
        text.replace(text.find("%s"), 2, name);
        if (MessageBoxW(hwnd_, Wide(text).c_str(), Wide(what).c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
            IDYES)
            return;
        if (!TeacherAllows()) return;
        try {
            action(Narrow(folder_), name);
        } catch (const TastoraError& e) {
            MessageBoxW(hwnd_, Wide(e.what()).c_str(), kTitle, MB_OK | MB_ICONERROR);
        }
        Reload();
    }

    void DeleteSelected() {
        const std::vector<int> selected = Selected();
        if (selected.empty()) {
            MessageBoxW(hwnd_, L"Выберите в списке учеников, которых нужно удалить.", kTitle,
                        MB_OK | MB_ICONINFORMATION);
            return;
        }
        std::vector<std::string> names;
        std::string list;
        for (int i : selected) {
            names.push_back(journal_.learners[size_t(i)].name);
            if (names.size() <= 10) list += "\n" + names.back();
        }
        if (names.size() > 10) list += "\n…";
        const std::string text = "Удалить " + std::to_string(names.size()) + " " +
                                 Plural(names.size(), "ученика", "учеников", "учеников") +
                                 " вместе с их результатами? Это нельзя отменить." + list;
        if (MessageBoxW(hwnd_, Wide(text).c_str(), L"Удаление учеников", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) !=
            IDYES)
            return;
        if (!TeacherAllows()) return;
        try {
            DeleteLearners(Narrow(folder_), names);
        } catch (const TastoraError& e) {
            MessageBoxW(hwnd_, Wide(e.what()).c_str(), kTitle, MB_OK | MB_ICONERROR);
        }
        Reload();
    }

    void ChooseFolder() {
        BROWSEINFOW bi = {};
        bi.hwndOwner = hwnd_;
        bi.lpszTitle = L"Выберите папку data класса (в ней лежат users.ini и lista.txt):";
        bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
        if (!pidl) return;
        wchar_t path[MAX_PATH] = {};
        const bool ok = SHGetPathFromIDListW(pidl, path);
        CoTaskMemFree(pidl);
        if (!ok) return;
        RememberFolder(path);
        Open(path);
    }

    void Export() {
        wchar_t file[MAX_PATH] = L"журнал.csv";
        OPENFILENAMEW of = {};
        of.lStructSize = sizeof of;
        of.hwndOwner = hwnd_;
        of.lpstrFilter = L"Таблица CSV (*.csv)\0*.csv\0Страница HTML с графиками (*.html)\0*.html\0";
        of.lpstrFile = file;
        of.nMaxFile = MAX_PATH;
        of.lpstrDefExt = L"csv";
        of.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!GetSaveFileNameW(&of)) return;
        Reload();  // the class as it is now
        std::wstring name = file;
        if (of.nFilterIndex == 2 && name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".csv") == 0)
            name = name.substr(0, name.size() - 4) + L".html";
        ExportClass(journal_, Narrow(name), CourseFolder());
        MessageBoxW(hwnd_, (L"Журнал сохранён: " + name).c_str(), kTitle, MB_OK | MB_ICONINFORMATION);
    }

    LRESULT OnNotify(NMHDR* h) {
        if (h->idFrom != kList) return 0;
        switch (h->code) {
            case LVN_GETDISPINFOW: {
                auto* di = reinterpret_cast<NMLVDISPINFOW*>(h);
                if ((di->item.mask & LVIF_TEXT) && di->item.iItem >= 0 && size_t(di->item.iItem) < rows_.size() &&
                    di->item.iSubItem >= 0 && di->item.iSubItem < kColumnCount) {
                    const Learner& l = journal_.learners[size_t(rows_[size_t(di->item.iItem)])];
                    cell_ = Wide(CellText(l, Column(di->item.iSubItem)));
                    lstrcpynW(di->item.pszText, cell_.c_str(), di->item.cchTextMax);
                }
                return 0;
            }
            case LVN_COLUMNCLICK: {
                const Column c = Column(reinterpret_cast<NMLISTVIEW*>(h)->iSubItem);
                ascending_ = c == sortColumn_ ? !ascending_ : true;
                sortColumn_ = c;
                const Timing timing;
                Refilter();
                UpdateWindow(Item(kList));
                timing.Done("journal_sort");
                return 0;
            }
            case LVN_ITEMCHANGED:
            case LVN_ODSTATECHANGED:
                if (!refiltering_) ShowDetail();
                return 0;
            case LVN_KEYDOWN: {
                // Delete: the selected learners (after the confirmation); F5: read the folder again.
                const WORD key = reinterpret_cast<NMLVKEYDOWN*>(h)->wVKey;
                if (key == VK_DELETE) DeleteSelected();
                if (key == VK_F5) Reload();
                return 0;
            }
            case NM_CUSTOMDRAW: return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(h));
        }
        return 0;
    }

    // The progress column: a small bar under its number.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* cd) {
        switch (cd->nmcd.dwDrawStage) {
            case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
            case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
            case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
                const size_t row = size_t(cd->nmcd.dwItemSpec);
                if (cd->iSubItem != int(Column::Progress) || row >= rows_.size()) return CDRF_DODEFAULT;
                RECT r = {};
                ListView_GetSubItemRect(Item(kList), int(row), cd->iSubItem, LVIR_BOUNDS, &r);
                const Learner& l = journal_.learners[size_t(rows_[row])];
                const bool selected = ListView_GetItemState(Item(kList), int(row), LVIS_SELECTED) != 0;
                FillRect(cd->nmcd.hdc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
                RECT bar = {r.left + 4, r.top + 4, r.left + 4 + (r.right - r.left - 48) * l.progress / 100,
                            r.bottom - 4};
                RECT frame = {r.left + 4, r.top + 4, r.right - 44, r.bottom - 4};
                FrameRect(cd->nmcd.hdc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
                ScopedGdiObject<HBRUSH> green(CreateSolidBrush(RGB(60, 160, 70)));
                FillRect(cd->nmcd.hdc, &bar, green.get());
                RECT text = {r.right - 42, r.top, r.right - 2, r.bottom};
                SetBkMode(cd->nmcd.hdc, TRANSPARENT);
                SetTextColor(cd->nmcd.hdc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
                const std::wstring t = Wide(CellText(l, Column::Progress));
                DrawTextW(cd->nmcd.hdc, t.c_str(), -1, &text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
                return CDRF_SKIPDEFAULT;
            }
        }
        return CDRF_DODEFAULT;
    }

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    ScopedGdiObject<HFONT> font_;
    std::vector<ScopedAtom> names_;
    BackBuffer buffer_;
    Rgb background_ = 0;
    std::wstring folder_;
    ClassJournal journal_;
    std::vector<int> rows_;
    Column sortColumn_ = Column::Name;
    bool ascending_ = true;
    std::wstring cell_;
    std::pair<FileStamp, FileStamp> stamps_;
    static constexpr int kNothingShown = INT32_MIN;
    int shown_ = kNothingShown;
    bool refiltering_ = false;  // the learner in the detail pane, or minus the number selected, minus 1
    Win32Crypto crypto_;
    ScopedWindow window_;  // last, so it goes first: its messages use everything above
};

// The export for a script: "/export FILE [DATA-FOLDER]". A message goes to the standard
// error handle the script gave (or the console it runs in), and the exit code says how it went.
int ExportFromCommandLine(const std::vector<std::wstring>& args) {
    auto say = [](const std::string& text) {
        HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
        if (!err || err == INVALID_HANDLE_VALUE) {
            if (AttachConsole(ATTACH_PARENT_PROCESS)) err = GetStdHandle(STD_ERROR_HANDLE);
        }
        if (!err || err == INVALID_HANDLE_VALUE) return;
        const std::string line = text + "\r\n";
        DWORD written = 0;
        if (GetFileType(err) == FILE_TYPE_CHAR) {
            const std::wstring w = Wide(line);
            WriteConsoleW(err, w.c_str(), DWORD(w.size()), &written, nullptr);
        } else {
            WriteFile(err, line.data(), DWORD(line.size()), &written, nullptr);
        }
    };
    if (args.size() < 3 || args.size() > 4) {
        say("Используйте: tastora-teacher.exe /export ФАЙЛ.csv|ФАЙЛ.html [ПАПКА-DATA]");
        return 2;
    }
    const std::wstring folder = args.size() == 4 ? args[3] : ExeFolder() + L"\\data";
    if (!IsFolder(folder)) {
        say("Папки данных нет: " + Narrow(folder));
        return 2;
    }
    if (!FileExists(Narrow(folder) + "\\users.ini") && !FileExists(Narrow(folder) + "\\lista.txt")) {
        say("В папке нет ни users.ini, ни lista.txt: это не папка data программы Tastora: " + Narrow(folder));
        return 2;
    }
    try {
        const ClassJournal journal = ReadClass(Narrow(folder), RegionalSeparator());
        const std::wstring own = ExeFolder() + L"\\data";
        ExportClass(journal, Narrow(args[2]), Narrow(IsFolder(own + L"\\pictures") ? own : folder));
        for (const auto& p : journal.problems) say(p);
        return 0;
    } catch (const std::exception& e) {
        say(e.what());
        return 2;
    }
}

}  // namespace
}  // namespace tastora

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv, argv + (argv ? argc : 0));
    LocalFree(argv);
    if (args.size() >= 2 && (_wcsicmp(args[1].c_str(), L"/export") == 0 || _wcsicmp(args[1].c_str(), L"-export") == 0))
        return tastora::ExportFromCommandLine(args);
    try {
        const tastora::ScopedCom com;
        tastora::JournalWindow window(instance);
        return window.Run(show);
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, tastora::Wide(e.what()).c_str(), tastora::kTitle, MB_OK | MB_ICONERROR);
    }
    return 1;
}
