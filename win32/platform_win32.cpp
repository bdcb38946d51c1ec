#include "win32/platform_win32.h"

#include <vector>

#include "win32/resource_ids.h"
#include "win32/scoped.h"
#include "win32/wide.h"

namespace tastora {

std::string SystemErrorText(DWORD code) {
    wchar_t* buf = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring text = n && buf ? std::wstring(buf, n) : std::wstring();
    if (buf) LocalFree(buf);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text.empty() ? "код " + std::to_string(code) : Narrow(text);
}

std::string Win32Platform::SystemMessage(uint32_t code) { return SystemErrorText(code); }

std::string Win32Platform::SystemDirectory() {
    wchar_t buf[2048];
    const UINT n = GetSystemDirectoryW(buf, 2048);
    if (n == 0 || n >= 2048) return std::string();
    return Narrow(std::wstring(buf, n));
}

namespace {

// The copy of the control's manifest beside a copy of the control outside the program's folder.
constexpr char kControlManifestFile[] = "Tastora.Control.manifest";

// A resource of the program itself, by name and type.
uint32_t LoadResourceBytes(const wchar_t* name, const wchar_t* type, std::string& bytes) {
    HRSRC info = FindResourceW(nullptr, name, type);
    if (!info) return GetLastError() ? GetLastError() : ERROR_RESOURCE_NAME_NOT_FOUND;
    const DWORD size = SizeofResource(nullptr, info);
    HGLOBAL data = LoadResource(nullptr, info);
    const void* p = data ? LockResource(data) : nullptr;
    if (!p) return GetLastError() ? GetLastError() : ERROR_RESOURCE_DATA_NOT_FOUND;
    bytes.assign(static_cast<const char*>(p), size);
    return 0;
}

}  // namespace

uint32_t Win32Platform::LoadRcData(const std::string& name, std::string& bytes) {
    return LoadResourceBytes(Wide(name).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */, bytes);
}

uint32_t Win32Platform::CreateFileWith(const std::string& path, const std::string& bytes) {
    ScopedKernelObject file = Opened(
        CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD written = 0;
    const bool ok =
        WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    const DWORD error = ok ? 0 : GetLastError();
    // Closed here: a failure to close (the data not written out) is a failure to write.
    if (!CloseNow(file) && ok) return GetLastError();
    return ok ? 0 : (error ? error : ERROR_WRITE_FAULT);
}

uintptr_t Win32Platform::LoadModule(const std::string& path) {
    return reinterpret_cast<uintptr_t>(LoadLibraryW(Wide(path).c_str()));
}

bool Win32Platform::ModuleHasExport(uintptr_t module, const std::string& name) {
    return GetProcAddress(reinterpret_cast<HMODULE>(module), name.c_str()) != nullptr;
}

void Win32Platform::UnloadModule(uintptr_t module) { FreeLibrary(reinterpret_cast<HMODULE>(module)); }

std::string Win32Platform::ShortPathName(const std::string& path) {
    std::vector<wchar_t> buf(2048, L'\0');
    const DWORD n = GetShortPathNameW(Wide(path).c_str(), buf.data(), 2048);
    if (n == 0 || n >= 2048) return std::string();
    return Narrow(std::wstring(buf.data(), n));
}

std::string Win32Platform::ProcessDirectory() {
    const DWORD need = GetCurrentDirectoryW(0, nullptr);
    if (need == 0) return std::string();
    std::vector<wchar_t> buf(need + 1, L'\0');
    const DWORD n = GetCurrentDirectoryW(need + 1, buf.data());
    return n == 0 || n > need ? std::string() : Narrow(std::wstring(buf.data(), n));
}

bool Win32Platform::RunProcess(const std::string& commandLine, const std::string& workDir, uint16_t showMode,
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
    const ScopedKernelObject process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    exitCode = int32_t(code);
    return true;
}

std::string Win32Platform::ProgramDirectory() {
    std::vector<wchar_t> buf(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0 || n >= buf.size()) return std::string();
    std::wstring path(buf.data(), n);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : Narrow(path.substr(0, slash));
}

std::string Win32Platform::EnvironmentVariable(const std::string& name) {
    const std::wstring wide = Wide(name);
    const DWORD need = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (need == 0) return std::string();
    std::vector<wchar_t> buf(need + 1, L'\0');
    const DWORD n = GetEnvironmentVariableW(wide.c_str(), buf.data(), need + 1);
    return n == 0 || n > need ? std::string() : Narrow(std::wstring(buf.data(), n));
}

bool Win32Platform::FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

uint32_t Win32Platform::ReadWholeFile(const std::string& path, std::string& bytes) {
    constexpr LONGLONG kLargest = 64ll << 20;  // far more than a control file
    ScopedKernelObject file = Opened(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return GetLastError();
    if (size.QuadPart > kLargest) return ERROR_FILE_TOO_LARGE;
    bytes.assign(size_t(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), &bytes[0], DWORD(bytes.size()), &read, nullptr)) return GetLastError();
    if (read != bytes.size()) return ERROR_HANDLE_EOF;
    return 0;
}

uint32_t Win32Platform::CreateFolder(const std::string& path) {
    if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return 0;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    return error;
}

uint32_t Win32Platform::UseControlFolder(const std::string& folder) {
    controlContext_.Reset();
    if (folder.empty()) return 0;
    ActivationContext context;
    DWORD error = 0;
    if (_wcsicmp(Wide(folder).c_str(), Wide(ProgramDirectory()).c_str()) == 0) {
        error = context.Create(GetModuleHandleW(nullptr), TASTORA_CONTROL_MANIFEST_ID, Wide(folder));
    } else {
        // Elsewhere from a copy of the manifest in that folder: Wine looks for the files of a
        // context in the folder of its manifest (Windows in the assembly folder given).
        const std::string path = folder + "\\" + kControlManifestFile;
        std::string manifest, existing;
        error = LoadResourceBytes(MAKEINTRESOURCEW(TASTORA_CONTROL_MANIFEST_ID), MAKEINTRESOURCEW(24) /* RT_MANIFEST */,
                                  manifest);
        if (error == 0 && (ReadWholeFile(path, existing) != 0 || existing != manifest))
            error = CreateFileWith(path, manifest);
        if (error == 0) error = context.CreateFromFile(Wide(path), Wide(folder));
    }
    if (error == 0) controlContext_ = context;
    return error;
}

}  // namespace tastora
