// The COM server: DllMain, the class factory, DllGetClassObject, DllCanUnloadNow and the
// registration of the class.
#include "swflash/module.h"

#include <ole2.h>

#include <string>
#include <vector>

#include "swflash/control_window.h"
#include "swflash/core/control.h"
#include "swflash/flash_object.h"
#include "swflash/shockwave_flash.h"

namespace tastora {
namespace swflash {

namespace {

HINSTANCE g_instance = nullptr;
LONG g_references = 0;  // live objects and server locks

class ClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its references keep the server loaded like a lock does.
    ULONG STDMETHODCALLTYPE AddRef() override {
        ModuleAddRef();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ModuleRelease();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return FlashObject::Create(riid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ModuleAddRef();
        else
            ModuleRelease();
        return S_OK;
    }
};

ClassFactory g_factory;

const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::u16string ModulePath() {
    wchar_t buffer[32768];  // the longest path there is
    const DWORD n = GetModuleFileNameW(g_instance, buffer, 32768);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n < 32768 ? n : 0);
}

// Whether the key holds the value with this text (paths compared without case).
bool HoldsValue(HKEY key, const RegistryValue& value) {
    DWORD type = 0, bytes = 0;
    const wchar_t* name = Wide(value.name);
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) return false;
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, 0);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS)
        return false;
    return lstrcmpiW(data.data(), Wide(value.data)) == 0;
}

// What registration keeps of another server that held the class before: a key that was
// there already gets the marker value (it stays when unregistering), a value it overwrote
// (even one of the same text) is saved beside it under the saved-value name, and
// unregistering puts it back.
constexpr wchar_t kKeptMarker[] = L"Tastora.KeptKey";
// The name a value is saved under (the server's value names are short).
struct SavedName {
    wchar_t text[64] = L"Tastora.Saved";
    explicit SavedName(const std::u16string& name) {
        if (!name.empty()) lstrcatW(lstrcatW(text, L"."), Wide(name));
    }
};

bool HasValue(HKEY key, const wchar_t* name) {
    return RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Copies a value (any type, up to 4 KB: a longer one fails the registration) within a key.
LONG CopyValue(HKEY key, const wchar_t* from, const wchar_t* to) {
    BYTE data[4096];
    DWORD type = 0, bytes = sizeof data;
    const LONG r = RegQueryValueExW(key, from, nullptr, &type, data, &bytes);
    return r != ERROR_SUCCESS ? r : RegSetValueExW(key, to, 0, type, data, bytes);
}

// Whether the class's server is this module (its InprocServer32 names this file).
bool ServerIsOurs(const std::vector<RegistryKey>& keys) {
    for (const auto& k : keys) {
        const size_t n = k.path.size();
        if (n < 15 || lstrcmpiW(Wide(k.path) + n - 15, L"\\InprocServer32") != 0) continue;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Wide(k.path), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        const bool ours = HoldsValue(key, k.values.front());
        RegCloseKey(key);
        return ours;
    }
    return false;
}

// Takes back what registration wrote, deepest key first: values it saved go back, its own
// values go (a value another server has written since is kept), and the keys that it made
// and that are left empty. A key that was there before stays.
HRESULT RemoveRegistration(const std::vector<RegistryKey>& keys) {
    HRESULT result = S_OK;
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
        HKEY key = nullptr;
        LONG r = RegOpenKeyExW(HKEY_CLASSES_ROOT, Wide(k->path), 0, KEY_READ | KEY_SET_VALUE, &key);
        if (r == ERROR_FILE_NOT_FOUND) continue;
        if (r != ERROR_SUCCESS) {
            result = HRESULT_FROM_WIN32(r);
            continue;
        }
        for (const auto& v : k->values) {
            const SavedName saved(v.name);
            if (HasValue(key, saved.text)) {
                r = CopyValue(key, saved.text, Wide(v.name));
                if (r == ERROR_SUCCESS) r = RegDeleteValueW(key, saved.text);
            } else if (HoldsValue(key, v)) {
                r = RegDeleteValueW(key, Wide(v.name));
            } else {
                r = ERROR_SUCCESS;
            }
            if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) result = HRESULT_FROM_WIN32(r);
        }
        const bool kept = RegDeleteValueW(key, kKeptMarker) == ERROR_SUCCESS;
        DWORD subkeys = 1, values = 1;
        r = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr);
        RegCloseKey(key);
        if (!kept && r == ERROR_SUCCESS && subkeys == 0 && values == 0) {
            r = RegDeleteKeyW(HKEY_CLASSES_ROOT, Wide(k->path));
            if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) result = HRESULT_FROM_WIN32(r);
        }
    }
    return result;
}

// Unregisters only when the class is ours: another server's registration is not touched.
HRESULT Unregister() {
    const auto keys = ServerRegistryKeys(ModulePath());
    return ServerIsOurs(keys) ? RemoveRegistration(keys) : S_OK;
}

HRESULT Register() {
    const std::u16string path = ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    const auto keys = ServerRegistryKeys(path);
    // Registering again over ourselves changes nothing of what is kept for later.
    const bool again = ServerIsOurs(keys);
    for (const auto& k : keys) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        LONG r = RegCreateKeyExW(HKEY_CLASSES_ROOT, Wide(k.path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, &disposition);
        if (r == ERROR_SUCCESS && !again && disposition == REG_OPENED_EXISTING_KEY && !HasValue(key, kKeptMarker)) {
            const wchar_t one[] = L"1";
            r = RegSetValueExW(key, kKeptMarker, 0, REG_SZ, reinterpret_cast<const BYTE*>(one), sizeof one);
        }
        for (size_t i = 0; r == ERROR_SUCCESS && i < k.values.size(); ++i) {
            const auto& v = k.values[i];
            const SavedName saved(v.name);
            if (!again && HasValue(key, Wide(v.name)) && !HasValue(key, saved.text))
                r = CopyValue(key, Wide(v.name), saved.text);
            if (r == ERROR_SUCCESS)
                r = RegSetValueExW(key, Wide(v.name), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.data.c_str()),
                                   DWORD((v.data.size() + 1) * sizeof(char16_t)));
        }
        if (key) RegCloseKey(key);
        if (r != ERROR_SUCCESS) {
            RemoveRegistration(keys);  // no half registration stays behind
            return HRESULT_FROM_WIN32(r);
        }
    }
    return S_OK;
}

}  // namespace

HINSTANCE ModuleInstance() { return g_instance; }
void ModuleAddRef() { InterlockedIncrement(&g_references); }
void ModuleRelease() { InterlockedDecrement(&g_references); }

}  // namespace swflash
}  // namespace tastora

using namespace tastora::swflash;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        UnregisterControlWindowClass();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != kClsidShockwaveFlash) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_references == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return Register(); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return Unregister(); }

// regsvr32 /n /i:user SWFLASH.OCX registers the class for the current user only, under
// HKEY_CURRENT_USER\Software\Classes (no administrator rights needed), and regsvr32 /u /n
// /i:user removes that again: the same writer as DllRegisterServer's, with HKEY_CLASSES_ROOT
// standing for the user's classes while it runs. "machine" (or nothing) is the machine-wide
// registration of DllRegisterServer.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, PCWSTR commandLine) {
    const bool perUser = commandLine && lstrcmpiW(commandLine, L"user") == 0;
    if (!perUser) {
        if (commandLine && *commandLine && lstrcmpiW(commandLine, L"machine") != 0) return E_INVALIDARG;
        return install ? DllRegisterServer() : DllUnregisterServer();
    }
    HKEY classes = nullptr;
    LONG r = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &classes, nullptr);
    if (r != ERROR_SUCCESS) return HRESULT_FROM_WIN32(r);
    r = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes);
    HRESULT result = HRESULT_FROM_WIN32(r);
    if (r == ERROR_SUCCESS) {
        result = install ? DllRegisterServer() : DllUnregisterServer();
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    RegCloseKey(classes);
    return result;
}
