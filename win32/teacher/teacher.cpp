// tastora-teacher.exe, the teacher's class journal: the journal's window (journal/) on the
// program's window layer. This file holds the entry point, the export without a window and
// what the window needs of the system beside the window layer.
//
//   tastora-teacher.exe                                  the window
//   tastora-teacher.exe /export FILE.csv|FILE.html [DATA-FOLDER]
//                                                        the export without a window: exit
//                                                        code 0, or a message and 2
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <exception>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/files.h"
#include "journal/journal.h"
#include "journal/journal_window.h"
#include "win32/scoped.h"
#include "win32/teacher/crypto_win32.h"
#include "win32/ui_win32.h"
#include "win32/wide.h"

namespace tastora {
namespace {

constexpr wchar_t kRegistryKey[] = L"Software\\Tastora\\Journal";

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

// The system beside the window layer: the user's settings in the registry, the shell's folder
// and file dialogs, CryptoAPI, and for the performance checks
// (TASTORA_TIMING=<file>) "journal_open_ms=<n>" and "journal_sort_ms=<n>" appended to the file.
class Win32JournalHost : public JournalHost {
public:
    explicit Win32JournalHost(Win32Ui& ui) : ui_(ui) {
        wchar_t path[1024];
        const DWORD n = GetEnvironmentVariableW(L"TASTORA_TIMING", path, 1024);
        if (n > 0 && n < 1024) timingFile_ = Narrow(std::wstring(path, n));
    }
    std::string ProgramFolder() override { return Narrow(ExeFolder()); }
    bool IsFolder(const std::string& path) override { return tastora::IsFolder(Wide(path)); }
    std::string RememberedFolder() override { return Narrow(tastora::RememberedFolder()); }
    void RememberFolder(const std::string& folder) override { tastora::RememberFolder(Wide(folder)); }
    bool FirstPasswordOffer() override { return tastora::FirstPasswordOffer(); }

    std::string ChooseFolder() override {
        BROWSEINFOW bi = {};
        bi.hwndOwner = Owner();
        bi.lpszTitle = L"Выберите папку data класса (в ней лежат users.ini и lista.txt):";
        bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
        if (!pidl) return "";
        wchar_t path[MAX_PATH] = {};
        const bool ok = SHGetPathFromIDListW(pidl, path);
        CoTaskMemFree(pidl);
        return ok ? Narrow(path) : "";
    }

    std::string ChooseExportFile() override {
        wchar_t file[MAX_PATH] = L"журнал.csv";
        OPENFILENAMEW of = {};
        of.lStructSize = sizeof of;
        of.hwndOwner = Owner();
        of.lpstrFilter = L"Таблица CSV (*.csv)\0*.csv\0Страница HTML с графиками (*.html)\0*.html\0";
        of.lpstrFile = file;
        of.nMaxFile = MAX_PATH;
        of.lpstrDefExt = L"csv";
        of.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!GetSaveFileNameW(&of)) return "";
        std::wstring name = file;
        if (of.nFilterIndex == 2 && name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".csv") == 0)
            name = name.substr(0, name.size() - 4) + L".html";
        return Narrow(name);
    }

    Rgb FaceColor() override {
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        return MakeRgb(GetRValue(face), GetGValue(face), GetBValue(face));
    }
    CryptoPort& Crypto() override { return crypto_; }

    int64_t TimingStart() override {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return now.QuadPart;
    }
    void TimingDone(const char* what, int64_t start) override {
        if (timingFile_.empty()) return;
        // What was timed is on the screen.
        if (HWND window = Owner()) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        LARGE_INTEGER now, freq;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&freq);
        AppendToFile(timingFile_, std::string(what) + "_ms=" +
                                      std::to_string(int((now.QuadPart - start) * 1000 / freq.QuadPart)) + "\r\n");
    }

private:
    HWND Owner() const { return ui_.FormHandle(FormId::Journal); }
    Win32Ui& ui_;
    Win32Crypto crypto_;
    std::string timingFile_;
};

int RunJournal(HINSTANCE instance) {
    Win32Ui ui(instance);
    Win32JournalHost host(ui);
    JournalWindow window(ui, host);
    ui.SetApplicationTitle(kJournalTitle);
    const FormSpec desc = window.Layout();
    ui.CreateForm(desc);
    RunGuarded(ui, desc.onCreate);
    ui.CreateForm(window.PasswordLayout(false));
    ui.CreateForm(window.PasswordLayout(true));
    RunGuarded(ui, [&] { window.Start(); });
    ui.onMainWindowShown = [&] { RunGuarded(ui, [&] { window.OnShown(); }); };
    ui.RunEventLoop(FormId::Journal);
    return 0;
}

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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv, argv + (argv ? argc : 0));
    LocalFree(argv);
    if (args.size() >= 2 && (_wcsicmp(args[1].c_str(), L"/export") == 0 || _wcsicmp(args[1].c_str(), L"-export") == 0))
        return tastora::ExportFromCommandLine(args);
    try {
        const tastora::ScopedCom com;
        return tastora::RunJournal(instance);
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, tastora::Wide(e.what()).c_str(), tastora::Wide(tastora::kJournalTitle).c_str(),
                    MB_OK | MB_ICONERROR);
    }
    return 1;
}
