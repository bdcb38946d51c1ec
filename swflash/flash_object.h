#pragma once
// The control object: IShockwaveFlash (dual, with IDispatch) and the OLE control interfaces
// that a container uses to site it, activate it in place as a child window, move and close
// it, and hand it its initial settings.
#include <windows.h>
#include <ocidl.h>
#include <ole2.h>

#include <cstdint>

#include "swflash/core/control.h"
#include "swflash/shockwave_flash.h"

namespace tastora {
namespace swflash {

class FlashObject final : public IShockwaveFlash,
                          public IOleObject,
                          public IOleInPlaceObject,
                          public IOleInPlaceActiveObject,
                          public IOleControl,
                          public IPersistStreamInit,
                          public IPersistPropertyBag {
public:
    static HRESULT Create(REFIID riid, void** out);

    // --- IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // --- IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT* argError) override;

    // --- IShockwaveFlash: the members the control has
    HRESULT STDMETHODCALLTYPE get_ReadyState(long* state) override;
    HRESULT STDMETHODCALLTYPE get_TotalFrames(long* frames) override;
    HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL* playing) override;
    HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL playing) override;
    HRESULT STDMETHODCALLTYPE get_Quality(int* quality) override;
    HRESULT STDMETHODCALLTYPE put_Quality(int quality) override;
    HRESULT STDMETHODCALLTYPE get_ScaleMode(int* scale) override;
    HRESULT STDMETHODCALLTYPE put_ScaleMode(int scale) override;
    HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL* loop) override;
    HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL loop) override;
    HRESULT STDMETHODCALLTYPE get_Movie(BSTR* path) override;
    HRESULT STDMETHODCALLTYPE put_Movie(BSTR path) override;
    HRESULT STDMETHODCALLTYPE get_FrameNum(long* frame) override;
    HRESULT STDMETHODCALLTYPE put_FrameNum(long frame) override;
    HRESULT STDMETHODCALLTYPE Play() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Back() override;
    HRESULT STDMETHODCALLTYPE Forward() override;
    HRESULT STDMETHODCALLTYPE Rewind() override;
    HRESULT STDMETHODCALLTYPE StopPlay() override;
    HRESULT STDMETHODCALLTYPE GotoFrame(long frame) override;
    HRESULT STDMETHODCALLTYPE CurrentFrame(long* frame) override;
    HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL* playing) override;
    HRESULT STDMETHODCALLTYPE FlashVersion(long* version) override;
    HRESULT STDMETHODCALLTYPE get_WMode(BSTR* mode) override;
    HRESULT STDMETHODCALLTYPE put_WMode(BSTR mode) override;
    HRESULT STDMETHODCALLTYPE get_Scale(BSTR* scale) override;
    HRESULT STDMETHODCALLTYPE put_Scale(BSTR scale) override;
    HRESULT STDMETHODCALLTYPE get_Quality2(BSTR* quality) override;
    HRESULT STDMETHODCALLTYPE put_Quality2(BSTR quality) override;

    // --- IShockwaveFlash: the members it has not
    HRESULT STDMETHODCALLTYPE get_AlignMode(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AlignMode(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_BackgroundColor(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_BackgroundColor(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetZoomRect(long, long, long, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Zoom(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pan(long, long, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PercentLoaded(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FrameLoaded(long, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SAlign(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_SAlign(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Base(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Base(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_BGColor(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_BGColor(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadMovie(int, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TPlay(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TStopPlay(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVariable(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVariable(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TSetProperty(BSTR, int, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGetProperty(BSTR, int, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TCallFrame(BSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TCallLabel(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TSetPropertyNum(BSTR, int, double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGetPropertyNum(BSTR, int, double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SWRemote(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_SWRemote(BSTR) override { return E_NOTIMPL; }

    // --- IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** out) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT bounds) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override;
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* out) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // --- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    // --- IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

    // --- IPersist, IPersistStreamInit, IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
    HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override { return E_NOTIMPL; }

    // --- from the control's window
    void OnWindowDestroyed();
    void OnTimer();
    void Paint(HDC dc, const RECT& client);

private:
    FlashObject();
    ~FlashObject();

    HRESULT ActivateInPlace(IOleClientSite* site, HWND parent, LPCRECT bounds, bool uiActivate);
    // Follows the playback state with the window timer and repaints a changed picture.
    void Refresh(bool paintNow);
    bool Visible() const;
    HRESULT PutDispatchValue(const DispatchMember& m, VARIANT& value, UINT* argError);
    HRESULT GetDispatchValue(const DispatchMember& m, VARIANT* result);
    HRESULT CallDispatchMethod(const DispatchMember& m, DISPPARAMS* params, VARIANT* result, UINT* argError);

    LONG references_ = 1;
    FlashControl control_;
    IOleClientSite* site_ = nullptr;
    IOleInPlaceSite* inPlaceSite_ = nullptr;
    IOleInPlaceFrame* frame_ = nullptr;
    IOleAdviseHolder* adviseHolder_ = nullptr;
    HWND hwnd_ = nullptr;
    bool uiActive_ = false;
    SIZEL extent_ = {5080, 5080};  // 192 pixels at 96 dpi, in HIMETRIC
    int timerPeriod_ = 0;
    // The back buffer: a DIB section of the client size and the picture it holds.
    HDC bufferDc_ = nullptr;
    HBITMAP buffer_ = nullptr;
    HGDIOBJ bufferOld_ = nullptr;
    uint8_t* bufferBits_ = nullptr;
    int bufferWidth_ = 0, bufferHeight_ = 0;
    uint64_t bufferVersion_ = 0;
};

}  // namespace swflash
}  // namespace tastora
