// The container of the ActiveX control: client site, in-place site and frame in one object,
// and a read-only property bag for the control's starting settings. Written directly on
// COM, so that it behaves the same on Windows and under Wine (no ATL or MFC host involved).
#include "win32/activex_host.h"

#include <ocidl.h>
#include <ole2.h>

#include <cwchar>

#include "core/errors.h"
#include "win32/wide.h"

namespace tastora {

namespace {

const wchar_t kHolderClass[] = L"TastoraActiveX";

std::string ComText(HRESULT hr, const wchar_t* what) {
    wchar_t* buf = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   DWORD(hr), 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring text = buf ? buf : L"";
    if (buf) LocalFree(buf);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    wchar_t code[16];
    swprintf(code, 16, L"%08lX", static_cast<unsigned long>(hr));
    return Narrow(std::wstring(what) + L": " + (text.empty() ? std::wstring(L"ошибка 0x") + code : text));
}

void Check(HRESULT hr, const wchar_t* what) {
    if (FAILED(hr)) throw ComError(long(hr), ComText(hr, what));
}

// The control's starting settings, read by name without regard to case.
class SettingsBag : public IPropertyBag {
public:
    explicit SettingsBag(const ActiveXHost::Settings& settings) : settings_(settings) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IPropertyBag) return E_NOINTERFACE;
        *out = static_cast<IPropertyBag*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives on the creator's stack
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value) return E_POINTER;
        for (const auto& s : settings_)
            if (_wcsicmp(s.first.c_str(), name) == 0) {
                const VARTYPE wanted = V_VT(value);
                VariantInit(value);
                V_VT(value) = VT_BSTR;
                V_BSTR(value) = SysAllocString(s.second.c_str());
                if (wanted != VT_EMPTY && wanted != VT_BSTR) return VariantChangeType(value, value, 0, wanted);
                return S_OK;
            }
        return E_INVALIDARG;
    }
    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

private:
    const ActiveXHost::Settings& settings_;
    ULONG refs_ = 1;
};

}  // namespace

// Client site, in-place site and in-place frame of one control in its holder window.
class ActiveXSite : public IOleClientSite, public IOleInPlaceSiteEx, public IOleInPlaceFrame {
public:
    explicit ActiveXSite(HWND holder) : holder_(holder) {}
    IOleInPlaceObject* inPlace = nullptr;  // not owned

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx)
            *out = static_cast<IOleInPlaceSiteEx*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of the site and of the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = holder_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        GetClientRect(holder_, pos);
        *clip = *pos;
        info->fMDIApp = FALSE;
        info->hwndFrame = GetAncestor(holder_, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    // IOleInPlaceSiteEx
    STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD) override {
        if (noRedraw) *noRedraw = FALSE;
        return S_OK;
    }
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override { return S_OK; }
    STDMETHODIMP RequestUIActivate() override { return S_OK; }

    STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
        if (inPlace && rect) inPlace->SetObjectRects(rect, rect);
        return S_OK;
    }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or accelerators.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    virtual ~ActiveXSite() = default;
    HWND holder_;
    ULONG refs_ = 1;
};

namespace {

bool RegisterHolderClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kHolderClass;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

std::unique_ptr<ActiveXHost> ActiveXHost::Create(HINSTANCE instance, HWND parent, int id, const std::wstring& classId,
                                                 const RECT& bounds, const Settings& settings,
                                                 const ActivationContext& context) {
    static bool registered = false;
    if (!registered) registered = RegisterHolderClass(instance, HolderProc);
    CLSID clsid;
    Check(CLSIDFromString(const_cast<wchar_t*>(classId.c_str()), &clsid), L"CLSIDFromString");

    std::unique_ptr<ActiveXHost> host(new ActiveXHost);
    host->context_ = context;
    host->holder_ = CreateWindowExW(0, kHolderClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                    bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                    parent, reinterpret_cast<HMENU>(INT_PTR(id)), instance, nullptr);
    if (!host->holder_) Check(HRESULT_FROM_WIN32(GetLastError()), L"CreateWindowEx");
    SetWindowLongPtrW(host->holder_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host.get()));
    host->site_.reset(new ActiveXSite(host->holder_));
    try {
        host->Start(clsid, settings);
    } catch (...) {
        host->Close();
        DestroyWindow(host->holder_);
        host->holder_ = nullptr;
        throw;
    }
    return host;
}

// Creates the control, gives it its site and starting settings and activates it in place.
void ActiveXHost::Start(const CLSID& clsid, const Settings& settings) {
    const ActivationScope scope(context_);
    Check(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, reinterpret_cast<void**>(object_.put())),
        L"CoCreateInstance");
    IOleObject* object = object_.get();
    DWORD misc = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    IOleClientSite* site = static_cast<IOleClientSite*>(site_.get());
    if (misc & OLEMISC_SETCLIENTSITEFIRST) Check(object->SetClientSite(site), L"SetClientSite");

    // The starting settings, or the control's own defaults when it takes no property bag.
    SettingsBag bag(settings);
    ComRef<IPersistPropertyBag> persistBag;
    ComRef<IPersistStreamInit> persistStream;
    if (SUCCEEDED(object->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(persistBag.put())))) {
        if (FAILED(persistBag.get()->Load(&bag, nullptr))) persistBag.get()->InitNew();
    } else if (SUCCEEDED(
                   object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(persistStream.put())))) {
        persistStream.get()->InitNew();
    }
    if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) Check(object->SetClientSite(site), L"SetClientSite");

    Check(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch_.put())), L"IDispatch");
    RECT rc;
    GetClientRect(holder_, &rc);
    Check(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, holder_, &rc), L"DoVerb");
    if (SUCCEEDED(object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(inPlace_.put()))))
        site_.get()->inPlace = inPlace_.get();
    Fit();
}

ActiveXHost::~ActiveXHost() {
    Close();
    if (holder_) SetWindowLongPtrW(holder_, GWLP_USERDATA, 0);
}

// In this order: the control leaves its place, lets go of the site, and the references go.
void ActiveXHost::Close() {
    const ActivationScope scope(context_);
    if (site_) site_.get()->inPlace = nullptr;
    if (inPlace_) inPlace_.get()->InPlaceDeactivate();
    inPlace_.reset();
    dispatch_.reset();
    if (object_) {
        object_.get()->Close(OLECLOSE_NOSAVE);
        object_.get()->SetClientSite(nullptr);
    }
    object_.reset();
    site_.reset();
}

void ActiveXHost::Fit() {
    if (!inPlace_ || !holder_) return;
    const ActivationScope scope(context_);
    RECT rc;
    GetClientRect(holder_, &rc);
    inPlace_.get()->SetObjectRects(&rc, &rc);
}

void ActiveXHost::Put(DISPID dispid, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    Invoke(dispid, DISPATCH_PROPERTYPUT, params);
}

void ActiveXHost::Call(DISPID dispid) {
    DISPPARAMS params = {nullptr, nullptr, 0, 0};
    Invoke(dispid, DISPATCH_METHOD, params);
}

void ActiveXHost::Invoke(DISPID dispid, WORD flags, DISPPARAMS& params) {
    if (!dispatch_) throw ComError(long(E_POINTER), ComText(E_POINTER, L"IDispatch"));
    const ActivationScope scope(context_);
    EXCEPINFO info = {};
    const HRESULT hr =
        dispatch_.get()->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, &info, nullptr);
    const std::wstring description = info.bstrDescription ? info.bstrDescription : L"";
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    SysFreeString(info.bstrDescription);
    // The control's own description of the failure when it gave one.
    if (FAILED(hr) && !description.empty()) throw ComError(long(hr), Narrow(description));
    Check(hr, L"IDispatch::Invoke");
}

LRESULT CALLBACK ActiveXHost::HolderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE) {
        if (auto* host = reinterpret_cast<ActiveXHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) host->Fit();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace tastora
