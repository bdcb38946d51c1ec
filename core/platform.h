#pragma once
// What the program body needs from the operating system beside the windows: the system
// directory and the module and process services that install the Flash control. The Win32
// layer implements it; the native tests use the recording fake. Texts are UTF-8; 0 or a
// system error code where a code is returned.
#include <cstdint>
#include <string>

namespace tastora {

class PlatformPort {
public:
    virtual ~PlatformPort() = default;

    // The Windows system directory.
    virtual std::string SystemDirectory() = 0;
    // The RCDATA resource of that name (matched without regard to case) of the program itself.
    virtual uint32_t LoadRcData(const std::string& name, std::string& bytes) = 0;
    // Creates the file, replacing one of that name, with these bytes.
    virtual uint32_t CreateFileWith(const std::string& path, const std::string& bytes) = 0;
    // Loads a library into this process: its handle value (below 32: failure).
    virtual uintptr_t LoadModule(const std::string& path) = 0;
    virtual bool ModuleHasExport(uintptr_t module, const std::string& name) = 0;
    virtual void UnloadModule(uintptr_t module) = 0;
    // The 8.3 form of a path (at most 2047 characters); empty on failure.
    virtual std::string ShortPathName(const std::string& path) = 0;
    // The process's current directory.
    virtual std::string ProcessDirectory() = 0;
    // Starts a command line (a new console, the main window shown with showMode) in workDir and
    // waits for its end without a time-out. False, with the system error code, when it cannot
    // be started.
    virtual bool RunProcess(const std::string& commandLine, const std::string& workDir, uint16_t showMode,
                            int32_t& exitCode, uint32_t& error) = 0;
    // The system's text for an error code.
    virtual std::string SystemMessage(uint32_t code) = 0;
};

}  // namespace tastora
