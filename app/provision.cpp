// Making sure that the presentation window can host the Flash control. The program's own
// copy of the control file beside the program (where the installer and the portable zip put
// it) is used through an activation context, without any registration. Otherwise a
// registered control is used; when COM does not know one, the program installs the copy that
// it carries as its resource FLASH into the system directory and registers it, and where the
// system directory cannot be written (a standard user), into the user's own application data
// folder, used through an activation context again.
#include <exception>
#include <string>

#include "app/tastora.h"
#include "core/errors.h"
#include "core/text.h"

namespace tastora {

namespace {

constexpr char kControlFile[] = "\\SWFLASH.OCX";
constexpr size_t kCommandLineMax = 512;  // characters, without the terminator
constexpr size_t kDirectoryMax = 255;
constexpr uint32_t kErrorFileNameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE

// The system's text without its trailing blanks, line breaks and full stops.
std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '.' ||
                             text.back() == '\t'))
        text.pop_back();
    return text;
}

}  // namespace

void Tastora::CreatePlayerWindow() {
    const FormSpec desc = LayoutOf(FormId::Player);
    ui.CreateForm(desc);
    FlashPlayerCreated = true;
    ui.SetMessageFilter([this](uint32_t message) {
        bool handled = false;
        player.OnApplicationMessage(message, handled);
        return handled;
    });
    RunGuarded(ui, desc.onCreate);
}

void Tastora::ProvisionFlashControl() {
    std::string failure;
    const std::string programDirectory = platform.ProgramDirectory();
    if (!programDirectory.empty() && platform.FileExists(programDirectory + kControlFile) &&
        CreatePlayerWindowFrom(programDirectory, failure))
        return;

    try {
        CreatePlayerWindow();
        return;
    } catch (const ComError&) {
        // The control is not registered (or not usable): install it below.
    }

    // The control file from the program's resource into the system directory.
    const std::string target = SystemDirectory + kControlFile;
    std::string bytes;
    uint32_t error = platform.LoadRcData("FLASH", bytes);
    if (error != 0) {
        ui.ShowMessage("Не удалось записать файл " + target + ": " + Trimmed(platform.SystemMessage(error)) +
                       ".\nПрограмма будет работать без презентаций.");
        return;
    }
    error = platform.CreateFileWith(target, bytes);
    if (error != 0) {
        // Not writable for this user, or in use: the user's own copy instead.
        ProvisionForUser(bytes, target + ": " + Trimmed(platform.SystemMessage(error)));
        return;
    }

    try {
        const uintptr_t module = platform.LoadModule(target);
        if (module >= 32) {
            if (platform.ModuleHasExport(module, "DllRegisterServer")) {
                const std::string shortPath = platform.ShortPathName(target);
                if (shortPath.empty()) throw TastoraError("no short path");
                RunAndWait(SystemDirectory + "\\regsvr32.exe /s " + shortPath, 0);
            }
            platform.UnloadModule(module);
        }
    } catch (const std::exception&) {
        ui.ShowMessage("Unable to register Macromedia Shockwave Flash.");
        return;
    }

    try {
        CreatePlayerWindow();
    } catch (const std::exception&) {
        ui.ShowMessage("Unable to find Macromedia Shockwave Flash.");
    }
}

bool Tastora::CreatePlayerWindowFrom(const std::string& folder, std::string& failure) {
    const uint32_t error = platform.UseControlFolder(folder);
    if (error != 0) {
        failure = Trimmed(platform.SystemMessage(error));
        return false;
    }
    try {
        CreatePlayerWindow();
        return true;
    } catch (const ComError& e) {
        failure = Trimmed(e.what());
    }
    platform.UseControlFolder(std::string());
    return false;
}

void Tastora::ProvisionForUser(const std::string& bytes, const std::string& systemFailure) {
    // %LOCALAPPDATA%, or %APPDATA% where there is none (Windows XP).
    std::string base = platform.EnvironmentVariable("LOCALAPPDATA");
    if (base.empty()) base = platform.EnvironmentVariable("APPDATA");
    std::string userFailure = "папка данных пользователя не найдена (не заданы LOCALAPPDATA и APPDATA)";
    if (!base.empty()) {
        const std::string folder = base + "\\Tastora";
        const std::string file = folder + kControlFile;
        std::string existing;
        const bool present = platform.ReadWholeFile(file, existing) == 0;
        // A copy of another build of the control (an older program's) is replaced.
        uint32_t error = 0;
        if (!present || existing != bytes) {
            error = platform.CreateFolder(folder);
            if (error == 0) error = platform.CreateFileWith(file, bytes);
        }
        // A copy that could not be replaced (in use by another start) is still worth a try.
        std::string failure;
        if ((error == 0 || present) && CreatePlayerWindowFrom(folder, failure)) return;
        userFailure = file + ": " + (error != 0 ? Trimmed(platform.SystemMessage(error)) : failure);
    }
    ui.ShowMessage("Не удалось установить проигрыватель презентаций SWFLASH.OCX.\n" + systemFailure + ".\n" +
                   userFailure + ".\nПрограмма будет работать без презентаций.");
}

int32_t Tastora::RunAndWait(const std::string& commandLine, uint16_t showMode) {
    const std::string directory = platform.ProcessDirectory();
    int32_t exitCode = -1;
    uint32_t error = kErrorFileNameTooLong;
    // A command line or directory longer than its buffer is refused, never cut.
    const bool fits =
        Utf8ToUtf16(commandLine).size() <= kCommandLineMax && Utf8ToUtf16(directory).size() <= kDirectoryMax;
    if (fits && platform.RunProcess(commandLine, directory, showMode, exitCode, error)) return exitCode;
    ui.ShowMessageBox(Trimmed(platform.SystemMessage(error)), "Yipes!");
    return -1;
}

}  // namespace tastora
