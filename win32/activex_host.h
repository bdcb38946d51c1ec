#pragma once
// A small ActiveX container: one control, created by its class id through COM, activated in
// place inside a holder window of its own (a child window that the window layer places like
// any control), and reached through its IDispatch.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "win32/scoped.h"

namespace tastora {

class ActiveXSite;

class ActiveXHost {
public:
    using Settings = std::vector<std::pair<std::wstring, std::wstring>>;

    // Makes the holder window (child of parent, at bounds) and the control in it, started with
    // the settings (a property bag). Throws ComError when COM cannot create or activate it.
    static std::unique_ptr<ActiveXHost> Create(HINSTANCE instance, HWND parent, int id, const std::wstring& classId,
                                               const RECT& bounds, const Settings& settings);
    ~ActiveXHost();
    ActiveXHost(const ActiveXHost&) = delete;
    ActiveXHost& operator=(const ActiveXHost&) = delete;

    HWND Window() const { return holder_; }
    // A property put or a method call by dispatch id; a failure code raises ComError.
    void Put(DISPID dispid, VARIANT value);
    void Call(DISPID dispid);
    // Deactivates and releases the control (before COM is released); the holder stays.
    void Close();
    // The control fills its holder.
    void Fit();

private:
    ActiveXHost() = default;
    void Start(const CLSID& clsid, const Settings& settings);
    void Invoke(DISPID dispid, WORD flags, DISPPARAMS& params);
    static LRESULT CALLBACK HolderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND holder_ = nullptr;
    ComRef<ActiveXSite> site_;
    ComRef<IOleObject> object_;
    ComRef<IOleInPlaceObject> inPlace_;
    ComRef<IDispatch> dispatch_;
};

}  // namespace tastora
