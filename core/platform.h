#pragma once
// What the program body needs from the operating system beside the windows: the system
// directory and the module, file and process services that install the Flash control. The Win32
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

    // The folder of the program's own executable (no final backslash).
    virtual std::string ProgramDirectory() = 0;
    // The value of an environment variable; empty when it is not set.
    virtual std::string EnvironmentVariable(const std::string& name) = 0;
    // Whether a file (not a folder) of that name exists.
    virtual bool FileExists(const std::string& path) = 0;
    // Reads a whole file: 0, or the system error code (missing, a folder, unreadable).
    virtual uint32_t ReadWholeFile(const std::string& path, std::string& bytes) = 0;
    // Creates a folder; one that exists already is fine.
    virtual uint32_t CreateFolder(const std::string& path) = 0;
    // From now on the Flash control is created and called inside an activation context that
    // names SWFLASH.OCX in this folder, ahead of any registration of the class; an empty folder
    // ends that. 0, or the system error code when the context cannot be made (then none is used).
    virtual uint32_t UseControlFolder(const std::string& folder) = 0;
};

}  // namespace tastora
