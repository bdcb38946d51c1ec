#pragma once
// The platform services of the program body on Win32: the system directory, the program's
// own resources, files outside data\ (the control file in the system directory), libraries,
// short paths, processes started and waited for, and the activation context of the Flash
// control's own copies.
#include <windows.h>

#include <string>

#include "core/platform.h"
#include "win32/activation.h"

namespace tastora {

class Win32Platform : public PlatformPort {
public:
    // controlContext: where the window layer takes the context for its ActiveX controls.
    explicit Win32Platform(ActivationContext& controlContext) : controlContext_(controlContext) {}
    std::string SystemDirectory() override;
    uint32_t LoadRcData(const std::string& name, std::string& bytes) override;
    uint32_t CreateFileWith(const std::string& path, const std::string& bytes) override;
    uintptr_t LoadModule(const std::string& path) override;
    bool ModuleHasExport(uintptr_t module, const std::string& name) override;
    void UnloadModule(uintptr_t module) override;
    std::string ShortPathName(const std::string& path) override;
    std::string ProcessDirectory() override;
    bool RunProcess(const std::string& commandLine, const std::string& workDir, uint16_t showMode, int32_t& exitCode,
                    uint32_t& error) override;
    std::string SystemMessage(uint32_t code) override;
    std::string ProgramDirectory() override;
    std::string EnvironmentVariable(const std::string& name) override;
    bool FileExists(const std::string& path) override;
    uint32_t ReadWholeFile(const std::string& path, std::string& bytes) override;
    uint32_t CreateFolder(const std::string& path) override;
    uint32_t UseControlFolder(const std::string& folder) override;

private:
    ActivationContext& controlContext_;
};

// The system's text for an error code, without its line break ("код <n>" when it has none).
std::string SystemErrorText(DWORD code);

}  // namespace tastora
