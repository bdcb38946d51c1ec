// Making sure that the presentation window can host the Flash control: the program carries
// the control file as its resource FLASH and installs and registers it when COM does not
// know the control.
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
    try {
        CreatePlayerWindow();
        return;
    } catch (const ComError&) {
        // The control is not registered (or not usable): install it below.
    }

    // The control file from the program's resource into the system directory. Without it the
    // program goes on without presentations, after one message.
    const std::string target = SystemDirectory + kControlFile;
    std::string bytes;
    uint32_t error = platform.LoadRcData("FLASH", bytes);
    if (error == 0) error = platform.CreateFileWith(target, bytes);
    if (error != 0) {
        ui.ShowMessage("Не удалось записать файл " + target + ": " + Trimmed(platform.SystemMessage(error)) +
                       ".\nПрограмма будет работать без презентаций.");
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
