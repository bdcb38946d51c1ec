#include "win32/activation.h"

#include <vector>

namespace tastora {

ActivationContext::ActivationContext(const ActivationContext& other) : handle_(other.handle_) {
    if (!Empty()) AddRefActCtx(handle_);
}

ActivationContext& ActivationContext::operator=(const ActivationContext& other) {
    if (this != &other) {
        if (!other.Empty()) AddRefActCtx(other.handle_);
        Reset();
        handle_ = other.handle_;
    }
    return *this;
}

void ActivationContext::Reset() {
    if (!Empty()) ReleaseActCtx(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

DWORD ActivationContext::Create(HMODULE module, WORD resourceId, const std::wstring& folder) {
    Reset();
    // The module's path as the source too: Windows wants one with a resource name.
    std::vector<wchar_t> path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
    if (n == 0 || n >= path.size()) return GetLastError() ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
    ACTCTXW actctx = {};
    actctx.cbSize = sizeof actctx;
    actctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
    actctx.lpSource = path.data();
    actctx.lpResourceName = MAKEINTRESOURCEW(resourceId);
    actctx.hModule = module;
    actctx.lpAssemblyDirectory = folder.c_str();
    const HANDLE handle = CreateActCtxW(&actctx);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() ? GetLastError() : ERROR_SXS_CANT_GEN_ACTCTX;
    handle_ = handle;
    return 0;
}

DWORD ActivationContext::CreateFromFile(const std::wstring& manifest, const std::wstring& folder) {
    Reset();
    ACTCTXW actctx = {};
    actctx.cbSize = sizeof actctx;
    actctx.dwFlags = ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
    actctx.lpSource = manifest.c_str();
    actctx.lpAssemblyDirectory = folder.c_str();
    const HANDLE handle = CreateActCtxW(&actctx);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() ? GetLastError() : ERROR_SXS_CANT_GEN_ACTCTX;
    handle_ = handle;
    return 0;
}

}  // namespace tastora
