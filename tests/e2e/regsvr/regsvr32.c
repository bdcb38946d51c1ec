/* A stand-in for regsvr32.exe in a Wine prefix of the end-to-end tests. It appends how it was
   started to C:\regsvr32.log (its command line, and whether its window was to be hidden),
   then registers the library named last on its command line as "regsvr32 /s" does, or
   refuses with exit code 5 when TASTORA_REGSVR_REFUSE is set in its environment. */
#include <windows.h>
#include <ole2.h>
#include <wchar.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR args, int show) {
    (void)instance;
    (void)previous;
    (void)args;
    const wchar_t* line = GetCommandLineW();
    STARTUPINFOW si;
    GetStartupInfoW(&si);
    HANDLE log = CreateFileW(L"C:\\regsvr32.log", FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (log != INVALID_HANDLE_VALUE) {
        char text[4200];
        int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, text, 4000, NULL, NULL);
        if (n > 0) {
            n = (int)strlen(text);
            n += wsprintfA(text + n, "|usestartup=%d|show=%d\r\n", (si.dwFlags & STARTF_USESHOWWINDOW) ? 1 : 0,
                           (int)si.wShowWindow);
            DWORD written;
            WriteFile(log, text, (DWORD)n, &written, NULL);
        }
        CloseHandle(log);
    }
    (void)show;
    if (GetEnvironmentVariableW(L"TASTORA_REGSVR_REFUSE", NULL, 0) > 0) return 5;

    const wchar_t* path = wcsrchr(line, L' ');
    if (!path) return 2;
    ++path;
    OleInitialize(NULL);
    HMODULE module = LoadLibraryW(path);
    if (!module) return 3;
    typedef HRESULT(WINAPI * Register)(void);
    Register reg = (Register)(void (*)(void))GetProcAddress(module, "DllRegisterServer");
    HRESULT hr = reg ? reg() : E_FAIL;
    FreeLibrary(module);
    OleUninitialize();
    return SUCCEEDED(hr) ? 0 : 4;
}
