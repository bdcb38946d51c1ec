#pragma once
// Activation contexts: Windows' side-by-side lookup, here for COM classes that a manifest
// names with their file (registration-free COM). A context is held by reference count and
// activated for a scope on the calling thread.
#include <windows.h>

#include <string>

namespace tastora {

class ActivationContext {
public:
    ActivationContext() = default;
    ~ActivationContext() { Reset(); }
    ActivationContext(const ActivationContext& other);
    ActivationContext& operator=(const ActivationContext& other);

    // The context of the module's manifest resource, with the files that it names looked up in
    // folder: 0, or the system error code (then the context is empty).
    DWORD Create(HMODULE module, WORD resourceId, const std::wstring& folder);
    // The context of a manifest file, with the files that it names looked up in folder.
    DWORD CreateFromFile(const std::wstring& manifest, const std::wstring& folder);
    void Reset();
    bool Empty() const { return handle_ == INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle_; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Activates a context (an empty one: nothing) from construction to destruction.
class ActivationScope {
public:
    explicit ActivationScope(const ActivationContext& context) {
        if (!context.Empty() && ActivateActCtx(context.Handle(), &cookie_)) active_ = true;
    }
    ~ActivationScope() {
        if (active_) DeactivateActCtx(0, cookie_);
    }
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

}  // namespace tastora
