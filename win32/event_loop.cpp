// The event loop: every message fetched passes the message filter and the key preview of its
// window, is dispatched, and the windows that got new pictures are repainted at once. For the
// performance checks it also times the key presses.
#include <algorithm>
#include <cstdio>

#include "core/errors.h"
#include "win32/ui_parts.h"

namespace tastora {

namespace {

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    return double(now.QuadPart - start.QuadPart) * 1000.0 / double(freq.QuadPart);
}

}  // namespace

void Win32Ui::Terminate() {
    quitting_ = true;
    PostQuitMessage(0);
}

void Win32Ui::RunEventLoop(FormId mainForm) {
    mainForm_ = mainForm;
    if (appWindow_) ShowWindow(appWindow_.get(), SW_SHOWNOACTIVATE);
    StampTiming("event loop");
    Show(mainForm);
    if (HWND hwnd = FormHandle(mainForm)) UpdateWindow(hwnd);
    StampTiming("main window shown");
    if (onMainWindowShown) onMainWindowShown();
    loopRunning_ = true;
    MSG msg;
    while (!quitting_) {
        const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) break;
        Dispatch(msg);
    }
    loopRunning_ = false;
    if (appWindow_) KillTimer(appWindow_.get(), kIdleTimer);
    RunIdleTasks();
}

void Win32Ui::RunWhenIdle(std::function<void()> task) {
    if (!loopRunning_ || !appWindow_) {
        Guard(task);
        return;
    }
    idleTasks_.push_back(std::move(task));
    if (idleTasks_.size() == 1 && !SetTimer(appWindow_.get(), kIdleTimer, USER_TIMER_MINIMUM, nullptr)) RunIdleTasks();
}

void Win32Ui::RunIdleTasks() {
    ShowDrawn();  // in case the timer's message came without a wait
    std::vector<std::function<void()>> tasks;
    tasks.swap(idleTasks_);
    for (const auto& task : tasks) Guard(task);
}

void Win32Ui::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The loop that called us ends the program.
            quitting_ = true;
            PostQuitMessage(int(msg.wParam));
            break;
        }
        Dispatch(msg);
    }
}

void Win32Ui::SetMessageFilter(std::function<bool(uint32_t)> filter) {
    if (!filter) {
        messageFilter = nullptr;
        return;
    }
    messageFilter = [filter](const MSG& msg) { return filter(msg.message); };
}

void Win32Ui::Dispatch(MSG& msg) {
    if (messageFilter && messageFilter(msg)) return;
    const bool timed = !timingFile.empty() && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN);
    if (timed) {
        QueryPerformanceCounter(&timedKeyStart_);
        const DWORD queued = GetTickCount() - msg.time;  // the time the event waited in the queue
        timedKeyQueued_ = queued > 60000 ? 0.0 : double(queued);
        timedKey_ = true;
    }
    const LARGE_INTEGER start = timedKeyStart_;
    const double queued = timedKeyQueued_;
    if (!PreviewKey(msg)) {
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        Form* f = FormOf(root);
        if (!(f && !f->desc.keyPreview && IsDialogMessageW(root, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    const bool painted = RepaintPending();
    if (!timed) return;
    timedKey_ = false;  // nested loops (the progress window's) leave it alone
    if (!painted) return;
    char line[64];
    snprintf(line, sizeof line, "key_paint_ms=%.1f\r\n", queued + MillisecondsSince(start));
    AppendTiming(line);
}

void Win32Ui::NoteKeyTiming(const char* what, const char* window) {
    if (!timedKey_) return;
    char line[96];
    snprintf(line, sizeof line, "%s_ms=%.1f %s\r\n", what, timedKeyQueued_ + MillisecondsSince(timedKeyStart_), window);
    AppendTiming(line);
}

void Win32Ui::StampTiming(const char* what) {
    if (timingFile.empty()) return;
    char line[128];
    snprintf(line, sizeof line, "stamp_ms=%.1f %s\r\n", MillisecondsSince(programStart), what);
    AppendTiming(line);
}

void Win32Ui::AppendTiming(const std::string& line) {
    if (timingFile.empty()) return;
    const ScopedKernelObject file =
        Opened(CreateFileW(timingFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), line.data(), DWORD(line.size()), &written, nullptr);
}

// A window with key preview sees the key events of all its controls first; a key code set
// to 0 is swallowed. True when the message is not to be dispatched.
bool Win32Ui::PreviewKey(MSG& msg) {
    const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if (!down && !up) return false;
    if (!msg.hwnd) return false;
    Form* f = FormOf(GetAncestor(msg.hwnd, GA_ROOT));
    if (!f || !f->desc.keyPreview) return false;
    const auto& handler = down ? f->desc.onKeyDown : f->desc.onKeyUp;
    if (!handler) return false;
    uint16_t key = uint16_t(msg.wParam);
    Guard([&] { handler(key); });
    if (key == 0) return true;
    msg.wParam = key;
    return false;
}

// Each picture part that the event copied goes to the screen on its own when there are a few,
// the smallest first (a key's cell before its key): the window system hands the bounding box
// of what was drawn to the display, and a cell at the top and a key at the bottom of the
// window would make that box most of the window. Many parts (a keyboard drawn afresh) go
// together.
bool Win32Ui::RepaintPending() {
    constexpr size_t kPartsShownOneByOne = 4;
    bool any = false;
    for (auto& f : forms_)
        if (f && f->paintPending) {
            f->paintPending = false;
            std::vector<RECT> rects;
            rects.swap(f->copiedRects);
            any = true;
            if (!f->hwnd) continue;
            const bool oneByOne = rects.size() <= kPartsShownOneByOne;
            std::stable_sort(rects.begin(), rects.end(), [](const RECT& a, const RECT& b) {
                return (a.right - a.left) * (a.bottom - a.top) < (b.right - b.left) * (b.bottom - b.top);
            });
            f->showingCopied = true;
            for (const RECT& r : rects) {
                InvalidateRect(f->hwnd, &r, FALSE);
                if (!oneByOne) continue;
                RedrawWindow(f->hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_NOCHILDREN);
                ShowDrawn();
            }
            f->showingCopied = false;
            UpdateWindow(f->hwnd);
        }
    return any;
}

void Win32Ui::ShowDrawn() { MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0); }

void Win32Ui::Guard(const std::function<void()>& handler) {
    if (!handler || destroying_) return;
    try {
        RunGuarded(*this, handler);
    } catch (...) {
        // Even showing the failure failed (no memory); the program goes on.
    }
}

}  // namespace tastora
