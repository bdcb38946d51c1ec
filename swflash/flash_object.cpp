#include "swflash/flash_object.h"

#include <olectl.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "swflash/control_window.h"
#include "swflash/module.h"

namespace tastora {
namespace swflash {

namespace {

// Movies larger than this are not read: a presentation is a few megabytes at most.
constexpr DWORD kMaxMovieBytes = 64u << 20;

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

std::u16string FromBstr(BSTR s) {
    if (!s) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(s), SysStringLen(s));
}

HRESULT ToBstr(const std::u16string& s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), UINT(s.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The full path of a file name (relative names against the current folder); "" when none.
// (A movie's path is shorter than 2,048 characters.)
std::u16string FullPath(const std::u16string& name) {
    wchar_t buffer[2048];
    const DWORD n = GetFullPathNameW(reinterpret_cast<const wchar_t*>(name.c_str()), 2048, buffer, nullptr);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n < 2048 ? n : 0);
}

// The folder of the host's executable (its own movies may lie on the share it runs from).
std::u16string HostFolder() {
    wchar_t buffer[2048];
    DWORD n = GetModuleFileNameW(nullptr, buffer, 2048);
    if (n >= 2048) n = 0;
    while (n > 0 && buffer[n - 1] != L'\\' && buffer[n - 1] != L'/') --n;
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n ? n - 1 : 0);
}

// The whole movie named by a host, or false when it cannot or may not be read: missing, a
// folder, too large, or no file on this machine (see MovieFileAllowed).
bool ReadWholeFile(const std::u16string& name, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const std::u16string fileName = MovieFileName(name);
    if (fileName.empty()) return false;
    const std::u16string path = FullPath(fileName);
    if (path.empty() || !MovieFileAllowed(path, HostFolder())) return false;
    // Identification only: a server behind the name cannot act as the caller.
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } closer{file};
    // Only files on a disk: a console, pipe or device that got past the names could block the read.
    LARGE_INTEGER size = {};
    bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) && size.QuadPart <= kMaxMovieBytes;
    if (ok) bytes.resize(size_t(size.QuadPart));  // may throw: the caller guards
    DWORD got = 0;
    size_t filled = 0;
    while (ok && filled < bytes.size()) {
        if (!ReadFile(file, bytes.data() + filled, DWORD(bytes.size() - filled), &got, nullptr) || got == 0) break;
        filled += got;
    }
    bytes.resize(filled);  // a file that shrank while read gives what was there
    return ok;
}

// Runs work of the SWF library, which may run out of memory on a hostile movie; no C++
// exception may cross a COM call or a window procedure. False when it failed.
template <class Work>
bool Guarded(Work&& work) {
    try {
        work();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

FlashObject::FlashObject() { ModuleAddRef(); }

FlashObject::~FlashObject() {
    if (hwnd_) DestroyWindow(hwnd_);
    OnWindowDestroyed();
    if (frame_) frame_->Release();
    if (inPlaceSite_) inPlaceSite_->Release();
    if (site_) site_->Release();
    if (adviseHolder_) adviseHolder_->Release();
    ModuleRelease();
}

HRESULT FlashObject::Create(REFIID riid, void** out) {
    auto* object = new (std::nothrow) FlashObject();
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
}

// --- IUnknown

HRESULT FlashObject::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIidIShockwaveFlash)
        *out = static_cast<IShockwaveFlash*>(this);
    else if (riid == IID_IOleObject)
        *out = static_cast<IOleObject*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject)
        *out = static_cast<IOleInPlaceObject*>(this);
    else if (riid == IID_IOleInPlaceActiveObject)
        *out = static_cast<IOleInPlaceActiveObject*>(this);
    else if (riid == IID_IOleControl)
        *out = static_cast<IOleControl*>(this);
    else if (riid == IID_IPersist || riid == IID_IPersistStreamInit)
        *out = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_IPersistPropertyBag)
        *out = static_cast<IPersistPropertyBag*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG FlashObject::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

ULONG FlashObject::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
}

// --- IDispatch

HRESULT FlashObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT FlashObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT FlashObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        const DispatchMember* m =
            i == 0 && names[i] ? FindMember(std::u16string(reinterpret_cast<const char16_t*>(names[i]))) : nullptr;
        ids[i] = m ? m->dispid : DISPID_UNKNOWN;
        if (!m) hr = DISP_E_UNKNOWNNAME;  // the members have no named arguments
    }
    return hr;
}

HRESULT FlashObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                            UINT* argError) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const DispatchMember* m = FindMember(long(id));
    if (!m) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    // Counts that promise arguments the arrays do not hold.
    if ((params->cArgs && !params->rgvarg) || (params->cNamedArgs && !params->rgdispidNamedArgs) ||
        params->cNamedArgs > params->cArgs)
        return E_INVALIDARG;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (m->kind != MemberKind::Property) return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTOPTIONAL;
        return PutDispatchValue(*m, params->rgvarg[0], argError);
    }
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (m->kind == MemberKind::Method) {
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        return CallDispatchMethod(*m, params, result, argError);
    }
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    return GetDispatchValue(*m, result);
}

namespace {

VARTYPE VariantTypeOf(flash::ValueType type) {
    switch (type) {
        case flash::ValueType::Bool: return VT_BOOL;
        case flash::ValueType::Int: return VT_I4;
        default: return VT_BSTR;
    }
}

// The argument as the member takes it; DISP_E_TYPEMISMATCH when it cannot be turned into that.
HRESULT ArgumentOf(const DispatchMember& m, VARIANT& argument, VARIANT& v, UINT* argError) {
    VariantInit(&v);
    if (SUCCEEDED(VariantChangeType(&v, &argument, 0, VariantTypeOf(m.type)))) return S_OK;
    if (argError) *argError = 0;
    return DISP_E_TYPEMISMATCH;
}

// Hands a value got as the member's type to the caller (or frees it when it is not wanted).
HRESULT Answer(flash::ValueType type, HRESULT hr, long number, VARIANT_BOOL flag, BSTR text, VARIANT* result) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VariantTypeOf(type);
    if (v.vt == VT_BOOL)
        v.boolVal = flag;
    else if (v.vt == VT_I4)
        v.lVal = number;
    else
        v.bstrVal = text;
    if (SUCCEEDED(hr) && result)
        *result = v;
    else
        VariantClear(&v);
    return hr;
}

}  // namespace

HRESULT FlashObject::PutDispatchValue(const DispatchMember& m, VARIANT& value, UINT* argError) {
    VARIANT v;
    HRESULT hr = ArgumentOf(m, value, v, argError);
    if (FAILED(hr)) return hr;
    using flash::Member;
    switch (m.member) {
        case Member::Playing: hr = put_Playing(v.boolVal); break;
        case Member::Loop: hr = put_Loop(v.boolVal); break;
        case Member::Quality: hr = put_Quality(int(v.lVal)); break;
        case Member::ScaleMode: hr = put_ScaleMode(int(v.lVal)); break;
        case Member::FrameNum: hr = put_FrameNum(v.lVal); break;
        case Member::Movie: hr = put_Movie(v.bstrVal); break;
        case Member::WMode: hr = put_WMode(v.bstrVal); break;
        case Member::Scale: hr = put_Scale(v.bstrVal); break;
        case Member::Quality2: hr = put_Quality2(v.bstrVal); break;
        default: hr = DISP_E_MEMBERNOTFOUND; break;
    }
    VariantClear(&v);
    return hr;
}

HRESULT FlashObject::GetDispatchValue(const DispatchMember& m, VARIANT* result) {
    HRESULT hr = DISP_E_MEMBERNOTFOUND;
    long number = 0;
    int small = 0;
    VARIANT_BOOL flag = VARIANT_FALSE;
    BSTR text = nullptr;
    using flash::Member;
    switch (m.member) {
        case Member::ReadyState: hr = get_ReadyState(&number); break;
        case Member::TotalFrames: hr = get_TotalFrames(&number); break;
        case Member::FrameNum: hr = get_FrameNum(&number); break;
        case Member::Playing: hr = get_Playing(&flag); break;
        case Member::Loop: hr = get_Loop(&flag); break;
        case Member::Quality: hr = get_Quality(&small), number = small; break;
        case Member::ScaleMode: hr = get_ScaleMode(&small), number = small; break;
        case Member::Movie: hr = get_Movie(&text); break;
        case Member::WMode: hr = get_WMode(&text); break;
        case Member::Scale: hr = get_Scale(&text); break;
        case Member::Quality2: hr = get_Quality2(&text); break;
        default: break;
    }
    return Answer(m.type, hr, number, flag, text, result);
}

HRESULT FlashObject::CallDispatchMethod(const DispatchMember& m, DISPPARAMS* params, VARIANT* result, UINT* argError) {
    using flash::Member;
    const UINT wanted = m.member == Member::GotoFrame ? 1 : 0;
    if (params->cArgs != wanted) return DISP_E_BADPARAMCOUNT;
    long number = 0;
    VARIANT_BOOL flag = VARIANT_FALSE;
    HRESULT hr = DISP_E_MEMBERNOTFOUND;
    switch (m.member) {
        case Member::Play: return Play();
        case Member::Stop: return Stop();
        case Member::Back: return Back();
        case Member::Forward: return Forward();
        case Member::Rewind: return Rewind();
        case Member::StopPlay: return StopPlay();
        case Member::GotoFrame: {
            VARIANT v;
            hr = ArgumentOf(m, params->rgvarg[0], v, argError);
            return FAILED(hr) ? hr : GotoFrame(v.lVal);
        }
        case Member::CurrentFrame: hr = CurrentFrame(&number); break;
        case Member::FlashVersion: hr = FlashVersion(&number); break;
        case Member::IsPlaying: hr = IsPlaying(&flag); break;
        default: return DISP_E_MEMBERNOTFOUND;
    }
    return Answer(m.type, hr, number, flag, nullptr, result);
}

// --- IShockwaveFlash

HRESULT FlashObject::get_ReadyState(long* state) {
    if (!state) return E_POINTER;
    *state = 4;  // loading is synchronous: always complete
    return S_OK;
}

HRESULT FlashObject::get_TotalFrames(long* frames) {
    if (!frames) return E_POINTER;
    *frames = control_.FrameCount();
    return S_OK;
}

HRESULT FlashObject::get_Playing(VARIANT_BOOL* playing) { return IsPlaying(playing); }

HRESULT FlashObject::put_Playing(VARIANT_BOOL playing) {
    control_.SetPlaying(playing != VARIANT_FALSE, NowMs(), Visible());
    Refresh(false);
    return S_OK;
}

HRESULT FlashObject::get_Quality(int* quality) {
    if (!quality) return E_POINTER;
    *quality = int(control_.quality);
    return S_OK;
}

HRESULT FlashObject::put_Quality(int quality) {
    if (quality < 0 || quality > 5) return E_INVALIDARG;
    control_.quality = Quality(quality);
    Refresh(false);
    return S_OK;
}

HRESULT FlashObject::get_ScaleMode(int* scale) {
    if (!scale) return E_POINTER;
    *scale = int(control_.scaleMode);
    return S_OK;
}

HRESULT FlashObject::put_ScaleMode(int scale) {
    if (scale < 0 || scale > 3) return E_INVALIDARG;
    control_.scaleMode = ScaleMode(scale);
    return S_OK;
}

HRESULT FlashObject::get_Loop(VARIANT_BOOL* loop) {
    if (!loop) return E_POINTER;
    *loop = control_.loop ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT FlashObject::put_Loop(VARIANT_BOOL loop) {
    control_.loop = loop != VARIANT_FALSE;
    return S_OK;
}

HRESULT FlashObject::get_Movie(BSTR* path) { return ToBstr(control_.MoviePath(), path); }

HRESULT FlashObject::put_Movie(BSTR path) {
    const bool loaded = Guarded([&] {
        const std::u16string name = FromBstr(path);
        std::vector<uint8_t> bytes;
        ReadWholeFile(name, bytes);
        control_.LoadMovie(name, bytes.data(), bytes.size());
    });
    // Out of memory: the background, as for a missing file.
    if (!loaded) Guarded([&] { control_.LoadMovie(std::u16string(), nullptr, 0); });
    Refresh(true);
    return S_OK;
}

// Frame numbers of this interface count from 0.
HRESULT FlashObject::get_FrameNum(long* frame) { return CurrentFrame(frame); }

HRESULT FlashObject::put_FrameNum(long frame) { return GotoFrame(frame); }

HRESULT FlashObject::Play() {
    control_.Play(NowMs());
    Refresh(false);
    return S_OK;
}

HRESULT FlashObject::Stop() {
    control_.SetPlaying(false, NowMs(), false);
    Refresh(false);
    return S_OK;
}

HRESULT FlashObject::StopPlay() { return Stop(); }

HRESULT FlashObject::Back() { return GotoFrame(control_.CurrentFrame() - 2); }

HRESULT FlashObject::Forward() { return GotoFrame(control_.CurrentFrame()); }

HRESULT FlashObject::Rewind() {
    control_.SetPlaying(false, NowMs(), false);
    return GotoFrame(0);
}

HRESULT FlashObject::GotoFrame(long frame) {
    if (frame >= 0 && frame < 0x7FFFFFFF) Guarded([&] { control_.GotoFrame(int(frame) + 1, NowMs()); });
    Refresh(false);
    return S_OK;
}

HRESULT FlashObject::CurrentFrame(long* frame) {
    if (!frame) return E_POINTER;
    *frame = control_.HasMovie() ? control_.CurrentFrame() - 1 : 0;
    return S_OK;
}

HRESULT FlashObject::IsPlaying(VARIANT_BOOL* playing) {
    if (!playing) return E_POINTER;
    *playing = control_.Playing() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT FlashObject::FlashVersion(long* version) {
    if (!version) return E_POINTER;
    *version = 0x00050000;  // 5.0
    return S_OK;
}

HRESULT FlashObject::get_WMode(BSTR* mode) { return ToBstr(control_.windowMode, mode); }

HRESULT FlashObject::put_WMode(BSTR mode) {
    const std::u16string name = FromBstr(mode);
    if (!IsWindowModeName(name)) return E_INVALIDARG;
    control_.windowMode = name;
    return S_OK;
}

HRESULT FlashObject::get_Scale(BSTR* scale) { return ToBstr(ScaleModeName(control_.scaleMode), scale); }

HRESULT FlashObject::put_Scale(BSTR scale) {
    const auto mode = ScaleModeFromName(FromBstr(scale));
    if (!mode) return E_INVALIDARG;
    control_.scaleMode = *mode;
    return S_OK;
}

HRESULT FlashObject::get_Quality2(BSTR* quality) { return ToBstr(QualityName(control_.quality), quality); }

HRESULT FlashObject::put_Quality2(BSTR quality) {
    const auto q = QualityFromName(FromBstr(quality));
    if (!q) return E_INVALIDARG;
    control_.quality = *q;
    Refresh(false);
    return S_OK;
}

// --- IOleObject

HRESULT FlashObject::SetClientSite(IOleClientSite* site) {
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    return S_OK;
}

HRESULT FlashObject::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = site_;
    if (site_) site_->AddRef();
    return S_OK;
}

HRESULT FlashObject::Close(DWORD) {
    InPlaceDeactivate();
    if (adviseHolder_) adviseHolder_->SendOnClose();
    return S_OK;
}

HRESULT FlashObject::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT FlashObject::GetClipboardData(DWORD, IDataObject** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT FlashObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT bounds) {
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_OPEN:
        case OLEIVERB_INPLACEACTIVATE: return ActivateInPlace(site, parent, bounds, false);
        case OLEIVERB_UIACTIVATE: return ActivateInPlace(site, parent, bounds, true);
        case OLEIVERB_HIDE:
            if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
            return S_OK;
        default: return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT FlashObject::EnumVerbs(IEnumOLEVERB** out) {
    if (out) *out = nullptr;
    return OLE_S_USEREG;
}

HRESULT FlashObject::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT FlashObject::GetUserType(DWORD, LPOLESTR* out) {
    if (out) *out = nullptr;
    return OLE_S_USEREG;
}

HRESULT FlashObject::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return E_NOTIMPL;
    if (!size) return E_POINTER;
    extent_ = *size;
    return S_OK;
}

HRESULT FlashObject::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return E_NOTIMPL;
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT FlashObject::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!adviseHolder_) {
        const HRESULT hr = CreateOleAdviseHolder(&adviseHolder_);
        if (FAILED(hr)) return hr;
    }
    return adviseHolder_->Advise(sink, cookie);
}

HRESULT FlashObject::Unadvise(DWORD cookie) {
    return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

HRESULT FlashObject::EnumAdvise(IEnumSTATDATA** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return adviseHolder_ ? adviseHolder_->EnumAdvise(out) : S_OK;
}

HRESULT FlashObject::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
}

// In-place activation: the container's site gives the parent window and the bounds; a
// container without an in-place site may pass them to DoVerb directly.
HRESULT FlashObject::ActivateInPlace(IOleClientSite* site, HWND parent, LPCRECT bounds, bool uiActivate) {
    if (!site) site = site_;
    if (!hwnd_) {
        IOleInPlaceSite* ips = nullptr;
        if (site) site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&ips));
        RECT position = {0, 0, 0, 0};
        if (bounds) position = *bounds;
        if (ips) {
            if (ips->CanInPlaceActivate() != S_OK) {
                ips->Release();
                return E_FAIL;
            }
            ips->OnInPlaceActivate();
            HWND siteWindow = nullptr;
            if (SUCCEEDED(ips->GetWindow(&siteWindow)) && siteWindow) parent = siteWindow;
            IOleInPlaceFrame* frame = nullptr;
            IOleInPlaceUIWindow* document = nullptr;
            RECT clip;
            OLEINPLACEFRAMEINFO info = {};
            info.cb = sizeof info;
            if (SUCCEEDED(ips->GetWindowContext(&frame, &document, &position, &clip, &info))) {
                if (document) document->Release();
                if (frame_) frame_->Release();
                frame_ = frame;
            }
        }
        if (!parent) {
            if (ips) {
                ips->OnInPlaceDeactivate();
                ips->Release();
            }
            return E_INVALIDARG;
        }
        hwnd_ = CreateControlWindow(this, parent, position);
        if (!hwnd_) {
            const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
            if (ips) {
                ips->OnInPlaceDeactivate();
                ips->Release();
            }
            return FAILED(hr) ? hr : E_FAIL;
        }
        if (inPlaceSite_) inPlaceSite_->Release();
        inPlaceSite_ = ips;
        ShowWindow(hwnd_, SW_SHOWNA);
        Refresh(false);
    } else if (!IsWindowVisible(hwnd_)) {
        ShowWindow(hwnd_, SW_SHOWNA);
    }
    if (uiActivate && !uiActive_) {
        uiActive_ = true;
        if (inPlaceSite_) inPlaceSite_->OnUIActivate();
        if (frame_) frame_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), L"Shockwave Flash");
        SetFocus(hwnd_);
    }
    return S_OK;
}

// --- IOleInPlaceObject, IOleInPlaceActiveObject

HRESULT FlashObject::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = hwnd_;
    return hwnd_ ? S_OK : E_FAIL;
}

HRESULT FlashObject::UIDeactivate() {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT FlashObject::InPlaceDeactivate() {
    UIDeactivate();
    if (hwnd_) DestroyWindow(hwnd_);  // clears hwnd_ through OnWindowDestroyed
    if (frame_) {
        frame_->Release();
        frame_ = nullptr;
    }
    if (inPlaceSite_) {
        IOleInPlaceSite* site = inPlaceSite_;
        inPlaceSite_ = nullptr;
        site->OnInPlaceDeactivate();
        site->Release();
    }
    return S_OK;
}

HRESULT FlashObject::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    if (hwnd_)
        SetWindowPos(hwnd_, nullptr, position->left, position->top, position->right - position->left,
                     position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

// --- IOleControl

HRESULT FlashObject::GetControlInfo(CONTROLINFO* info) {
    if (!info) return E_POINTER;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

// --- IPersist*

HRESULT FlashObject::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = kClsidShockwaveFlash;
    return S_OK;
}

HRESULT FlashObject::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

// The settings of an HTML <object>: Movie (or Src), Quality, Scale, WMode, Loop and Play
// (true unless it says otherwise).
HRESULT FlashObject::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) return E_POINTER;
    auto read = [&](const wchar_t* name, VARTYPE type, VARIANT& v) {
        VariantInit(&v);
        v.vt = type;
        if (FAILED(bag->Read(name, &v, log))) return false;
        if (v.vt == type) return true;
        VARIANT converted;
        VariantInit(&converted);
        const bool ok = SUCCEEDED(VariantChangeType(&converted, &v, 0, type));
        VariantClear(&v);
        v = converted;
        return ok;
    };
    VARIANT v;
    if (read(L"Quality", VT_BSTR, v)) put_Quality2(v.bstrVal);
    VariantClear(&v);
    if (read(L"Scale", VT_BSTR, v)) put_Scale(v.bstrVal);
    VariantClear(&v);
    if (read(L"WMode", VT_BSTR, v)) put_WMode(v.bstrVal);
    VariantClear(&v);
    if (read(L"Loop", VT_BOOL, v)) put_Loop(v.boolVal);
    VariantClear(&v);
    bool play = true;
    if (read(L"Play", VT_BOOL, v)) play = v.boolVal != VARIANT_FALSE;
    VariantClear(&v);
    if (read(L"Movie", VT_BSTR, v) || (VariantClear(&v), read(L"Src", VT_BSTR, v))) {
        put_Movie(v.bstrVal);
        if (play) Play();
    }
    VariantClear(&v);
    return S_OK;
}

// --- the window's side

bool FlashObject::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void FlashObject::Refresh(bool paintNow) {
    if (!hwnd_) return;
    const int period = control_.TimerPeriod();
    if (period != timerPeriod_) {
        if (period)
            SetTimer(hwnd_, 1, UINT(period), nullptr);
        else
            KillTimer(hwnd_, 1);
        timerPeriod_ = period;
    }
    if (control_.PictureVersion() != bufferVersion_) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        if (paintNow) UpdateWindow(hwnd_);
    }
}

void FlashObject::OnTimer() {
    if (!Guarded([&] { control_.OnTimer(NowMs()); })) control_.SetPlaying(false, NowMs(), false);
    Refresh(false);
}

void FlashObject::OnWindowDestroyed() {
    hwnd_ = nullptr;
    timerPeriod_ = 0;
    if (bufferDc_) {
        SelectObject(bufferDc_, bufferOld_);
        DeleteDC(bufferDc_);
        bufferDc_ = nullptr;
    }
    if (buffer_) {
        DeleteObject(buffer_);
        buffer_ = nullptr;
    }
    bufferBits_ = nullptr;
    bufferWidth_ = bufferHeight_ = 0;
    bufferVersion_ = 0;
}

void FlashObject::Paint(HDC dc, const RECT& client) {
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return;
    if (!buffer_ || width != bufferWidth_ || height != bufferHeight_) {
        if (!bufferDc_) {
            bufferDc_ = CreateCompatibleDC(dc);
            if (!bufferDc_) return;
        }
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap) return;
        HGDIOBJ old = SelectObject(bufferDc_, bitmap);
        if (buffer_)
            DeleteObject(buffer_);
        else
            bufferOld_ = old;
        buffer_ = bitmap;
        bufferBits_ = static_cast<uint8_t*>(bits);
        bufferWidth_ = width;
        bufferHeight_ = height;
        bufferVersion_ = 0;
    }
    if (bufferVersion_ != control_.PictureVersion()) {
        GdiFlush();
        if (!Guarded([&] { control_.Render(bufferBits_, width, height, width * 4); }))
            memset(bufferBits_, 0xFF, size_t(width) * size_t(height) * 4);  // white, as without a movie
        bufferVersion_ = control_.PictureVersion();
    }
    BitBlt(dc, client.left, client.top, width, height, bufferDc_, 0, 0, SRCCOPY);
}

}  // namespace swflash
}  // namespace tastora
