#pragma once
// A small ActiveX container: one control, created by its class id through COM, activated in
// place inside a holder window of its own (a child window that the window layer places like
// any control), and reached through its IDispatch. With an activation context, every call into
// the control (its creation included) runs inside that context, so that COM finds the class
// and loads its file through the context's manifest.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "win32/activation.h"
#include "win32/scoped.h"

namespace tastora {

class ActiveXSite;

class ActiveXHost {
public:
    using Settings = std::vector<std::pair<std::wstring, std::wstring>>;

    // Makes the holder window (child of parent, at bounds) and the control in it, started with
    // the settings (a property bag), inside the activation context (an empty one: none).
    // Throws ComError when COM cannot create or activate it.
    static std::unique_ptr<ActiveXHost> Create(HINSTANCE instance, HWND parent, int id, const std::wstring& classId,
                                               const RECT& bounds, const Settings& settings,
                                               const ActivationContext& context);
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
    ActivationContext context_;
    ComRef<ActiveXSite> site_;
    ComRef<IOleObject> object_;
    ComRef<IOleInPlaceObject> inPlace_;
    ComRef<IDispatch> dispatch_;
};

}  // namespace tastora
