// Module and process services of the window layer: the program's own resources, files
// outside data\ (the control file in the system directory), libraries, short paths and
// processes started and waited for.
#include <windows.h>

#include <string>
#include <vector>

#include "win32/ui_win32.h"
#include "win32/wide.h"

namespace tastora {

int Win32Ui::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int Win32Ui::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

uint32_t Win32Ui::LoadRcData(const std::string& name, std::string& bytes) {
    HRSRC info = FindResourceW(nullptr, Wide(name).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) return GetLastError() ? GetLastError() : ERROR_RESOURCE_NAME_NOT_FOUND;
    const DWORD size = SizeofResource(nullptr, info);
    HGLOBAL data = LoadResource(nullptr, info);
    const void* p = data ? LockResource(data) : nullptr;
    if (!p) return GetLastError() ? GetLastError() : ERROR_RESOURCE_DATA_NOT_FOUND;
    bytes.assign(static_cast<const char*>(p), size);
    return 0;
}

uint32_t Win32Ui::CreateFileWith(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    const DWORD error = ok ? 0 : GetLastError();
    if (!CloseHandle(h) && ok) return GetLastError();
    return ok ? 0 : (error ? error : ERROR_WRITE_FAULT);
}

uintptr_t Win32Ui::LoadModule(const std::string& path) {
    return reinterpret_cast<uintptr_t>(LoadLibraryW(Wide(path).c_str()));
}

bool Win32Ui::ModuleHasExport(uintptr_t module, const std::string& name) {
    return GetProcAddress(reinterpret_cast<HMODULE>(module), name.c_str()) != nullptr;
}

void Win32Ui::UnloadModule(uintptr_t module) { FreeLibrary(reinterpret_cast<HMODULE>(module)); }

std::string Win32Ui::ShortPathName(const std::string& path) {
    std::vector<wchar_t> buf(2048, L'\0');
    const DWORD n = GetShortPathNameW(Wide(path).c_str(), buf.data(), 2048);
    if (n == 0 || n >= 2048) return std::string();
    return Narrow(std::wstring(buf.data(), n));
}

std::string Win32Ui::ProcessDirectory() {
    const DWORD need = GetCurrentDirectoryW(0, nullptr);
    if (need == 0) return std::string();
    std::vector<wchar_t> buf(need + 1, L'\0');
    const DWORD n = GetCurrentDirectoryW(need + 1, buf.data());
    return n == 0 || n > need ? std::string() : Narrow(std::wstring(buf.data(), n));
}

bool Win32Ui::RunProcess(const std::string& commandLine, const std::string& workDir, uint16_t showMode,
                         int32_t& exitCode, uint32_t& error) {
    // The command line must be writable.
    std::wstring command = Wide(commandLine);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    const std::wstring directory = Wide(workDir);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = showMode;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                        nullptr, directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
        error = GetLastError();
        return false;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    exitCode = int32_t(code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return true;
}

}  // namespace tastora
