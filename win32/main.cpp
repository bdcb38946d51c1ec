// Entry point of tastora.exe: the program body on the Win32 window layer.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include "app/tastora.h"
#include "core/text.h"
#include "win32/platform_win32.h"
#include "win32/scoped.h"
#include "win32/ui_win32.h"
#include "win32/wide.h"

namespace {

void ShowFatal(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Tastora", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// For the performance checks: TASTORA_TIMING=<file> names a file where the window layer
// appends its measurements; normal runs write nothing.
std::wstring TimingFile() {
    wchar_t path[1024];
    const DWORD n = GetEnvironmentVariableW(L"TASTORA_TIMING", path, 1024);
    return n == 0 || n >= 1024 ? std::wstring() : std::wstring(path, n);
}

// The time from entering the program to the login window on the screen: "startup_ms=<n>".
void RecordStartupTime(tastora::Win32Ui& port, const LARGE_INTEGER& start) {
    if (port.timingFile.empty()) return;
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    const double ms = double(now.QuadPart - start.QuadPart) * 1000.0 / double(freq.QuadPart);
    char line[64];
    snprintf(line, sizeof line, "startup_ms=%d\r\n", int(ms + 0.5));
    port.AppendTiming(line);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    try {
        // COM for the whole run: the windows (with the ActiveX control) go before it does.
        tastora::ScopedCom com;
        tastora::Win32Ui port(instance);
        port.timingFile = TimingFile();
        port.programStart = start;
        port.StampTiming("window layer");
        port.onMainWindowShown = [&port, &start] { RecordStartupTime(port, start); };
        tastora::Win32Platform platform(port.controlContext);
        tastora::Tastora app(port, platform);
        port.StampTiming("program body");
        return app.Run();
    } catch (const std::exception& e) {
        ShowFatal(tastora::Wide(e.what()));
    } catch (...) {
        ShowFatal(L"Непредвиденная ошибка. Программа будет закрыта.");
    }
    return 1;
}
