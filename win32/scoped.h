#pragma once
// Owners of Win32 handles and of the thread's COM apartment: each frees what it holds when it
// goes (or is given another handle), so that no handle is freed by hand.
#include <windows.h>
#include <objbase.h>

namespace tastora {

// Owns one handle of type H; Free::Free(h) frees it. Moves, never copies.
template <class H, class Free>
class Scoped {
public:
    Scoped() = default;
    explicit Scoped(H h) : h_(h) {}
    ~Scoped() { reset(); }
    Scoped(Scoped&& other) noexcept : h_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    H get() const { return h_; }
    explicit operator bool() const { return h_ != H{}; }
    H release() {
        const H h = h_;
        h_ = H{};
        return h;
    }
    void reset(H h = H{}) {
        if (h_ != H{}) Free::Free(h_);
        h_ = h;
    }
    // For a function that hands out a handle through a pointer: the old one is freed first.
    H* put() {
        reset();
        return &h_;
    }

private:
    H h_{};
};

struct GdiObjectFree {
    static void Free(HGDIOBJ h) { DeleteObject(h); }
};
struct DcFree {
    static void Free(HDC h) { DeleteDC(h); }
};
struct WindowFree {
    static void Free(HWND h) { DestroyWindow(h); }
};
struct ModuleFree {
    static void Free(HMODULE h) { FreeLibrary(h); }
};
struct HookFree {
    static void Free(HHOOK h) { UnhookWindowsHookEx(h); }
};
struct AtomFree {
    static void Free(ATOM a) { GlobalDeleteAtom(a); }
};
struct KernelObjectFree {
    static void Free(HANDLE h) { CloseHandle(h); }
};

template <class T>
using ScopedGdiObject = Scoped<T, GdiObjectFree>;  // fonts, bitmaps, brushes (not stock ones)
using ScopedDc = Scoped<HDC, DcFree>;              // a memory DC (CreateCompatibleDC)
using ScopedWindow = Scoped<HWND, WindowFree>;
using ScopedModule = Scoped<HMODULE, ModuleFree>;
using ScopedHook = Scoped<HHOOK, HookFree>;
using ScopedAtom = Scoped<ATOM, AtomFree>;  // a global atom
// Files, processes, threads. CreateFile's INVALID_HANDLE_VALUE is never stored: see Opened.
using ScopedKernelObject = Scoped<HANDLE, KernelObjectFree>;

inline ScopedKernelObject Opened(HANDLE h) { return ScopedKernelObject(h == INVALID_HANDLE_VALUE ? nullptr : h); }

// Closes it at once; false when closing fails (for a file: its data may not be written out).
inline bool CloseNow(ScopedKernelObject& h) { return CloseHandle(h.release()) != 0; }

// One reference to a COM object through its interface I, released when it goes.
template <class I>
struct ComRelease {
    static void Free(I* p) { p->Release(); }
};
template <class I>
using ComRef = Scoped<I*, ComRelease<I>>;

// An object selected into a DC for a scope; the DC's previous one comes back at its end.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (previous_) SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The thread's single-threaded COM apartment for the life of the object. Objects that hold
// COM interfaces (the ActiveX controls of the windows) must be gone before it goes.
class ScopedCom {
public:
    ScopedCom() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ScopedCom() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

private:
    HRESULT result_;
};

}  // namespace tastora
