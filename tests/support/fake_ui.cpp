#include "tests/support/fake_ui.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#if __has_include(<gtest/gtest.h>)
#include <gtest/gtest.h>
#define TASTORA_FAKE_FAULT(what) ADD_FAILURE() << (what)
#else
// The Windows build of the benchmarks has no GoogleTest: the fault is printed, and the
// exception that follows ends the measurement.
#include <cstdio>
#define TASTORA_FAKE_FAULT(what) std::fprintf(stderr, "failure: %s\n", (what).c_str())
#endif

#include "core/errors.h"

namespace tastora {

namespace {
std::string Name(FormId id) { return FormObjectName(id); }

// A call on a control that the window does not have is a fault of the code under test: the
// test fails, whatever the handler does with the exception.
[[noreturn]] void Fail(const std::string& what) {
    TASTORA_FAKE_FAULT(what);
    throw std::logic_error(what);
}
}  // namespace

FakeUi::FakeUi() {
    // The Flash control is registered, and the program carries its own copy.
    registeredClasses.push_back("{D27CDB6E-AE6D-11CF-96B8-444553540000}");
    static const char kControl[] = "MZ\x90\0 control DllRegisterServer DllGetClassObject";
    resources["FLASH"] = std::string(kControl, sizeof kControl - 1);
}

FakeUi::Form& FakeUi::form(FormId id) { return forms_[int(id)]; }

FakeUi::Control& FakeUi::control(FormId id, const std::string& name) { return control(FindControl(id, name)); }

FakeUi::Control& FakeUi::control(ControlRef ref) {
    SpecOf(ref);
    return form(ref.form).controls[size_t(ref.index)];
}

ControlSpec& FakeUi::SpecOf(ControlRef ref) {
    Form& f = form(ref.form);
    ControlSpec* c = f.created ? f.desc.Find(ref) : nullptr;
    if (!c) Fail("window " + Name(ref.form) + " has no control number " + std::to_string(ref.index));
    return *c;
}

const TimerSpec& FakeUi::SpecOf(TimerHandle timer) {
    const Form& f = form(timer.form);
    const TimerSpec* t = f.created ? f.desc.Find(timer) : nullptr;
    if (!t) Fail("window " + Name(timer.form) + " has no timer number " + std::to_string(timer.index));
    return *t;
}

ControlRef FakeUi::FindControl(FormId id, const std::string& name) {
    const auto& controls = form(id).desc.controls;
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].name == name) return ControlRef{id, int(i)};
    Fail("window " + Name(id) + " has no control " + name);
}

TimerHandle FakeUi::FindTimer(FormId id, const std::string& name) {
    const auto& timers = form(id).desc.timers;
    for (size_t i = 0; i < timers.size(); ++i)
        if (timers[i].name == name) return TimerHandle{id, int(i)};
    Fail("window " + Name(id) + " has no timer " + name);
}

void FakeUi::SetApplicationTitle(const std::string& title) {
    applicationTitle = title;
    log.push_back("Title " + title);
}

void FakeUi::CreateForm(const FormSpec& desc) {
    log.push_back("Create " + Name(desc.id));
    if (int(desc.id) == failCreateOf) throw std::runtime_error("cannot build " + Name(desc.id));
    for (const auto& c : desc.controls) {
        if (c.kind != ControlKind::ActiveX) continue;
        if (!controlFolder.empty()) {
            // The context names the file: the class is found there or not at all.
            auto file = files.find(controlFolder + "\\SWFLASH.OCX");
            if (file == files.end() || file->second.compare(0, 2, "MZ") != 0 ||
                file->second.find("DllGetClassObject") == std::string::npos)
                throw ComError(long(0x8007007E), "Не найден указанный модуль.");
        } else if (std::find(registeredClasses.begin(), registeredClasses.end(), c.classId) ==
                   registeredClasses.end()) {
            throw ComError(long(0x80040154), "Класс не зарегистрирован.");
        }
    }
    Form& f = form(desc.id);
    f = Form();
    f.desc = desc;
    f.created = true;
    f.caption = desc.caption;
    f.outerWidth = desc.width;
    f.outerHeight = desc.height;
    f.controls.resize(desc.controls.size());
    for (size_t i = 0; i < desc.controls.size(); ++i) {
        const ControlSpec& c = desc.controls[i];
        // As the window system builds them: a holder is a panel of the window, built first.
        const ControlSpec* holder = c.parent.index >= 0 ? f.desc.Find(c.parent) : nullptr;
        if (c.parent.index >= 0 && (!holder || holder->kind != ControlKind::Panel || c.parent.index >= int(i)))
            Fail("control " + c.name + " of " + Name(desc.id) + " has no panel to be in");
        Control& ctl = f.controls[i];
        ctl.text = c.text;
        ctl.enabled = c.enabled;
        ctl.bounds = Rect{c.left, c.top, c.width, c.height};
        ctl.alignClient = c.alignClient;
        if (c.alignClient)
            ctl.bounds = desc.maximized ? Rect{0, 0, screenWidth, screenHeight} : Rect{0, 0, desc.width, desc.height};
    }
    for (const auto& t : desc.timers) f.timers.push_back(t.enabled);
    f.screen = Bitmap(desc.width > 0 ? desc.width : 1, desc.height > 0 ? desc.height : 1, 0x808080);
}

void FakeUi::RunEventLoop(FormId mainForm) {
    log.push_back("EventLoop");
    loopRan = true;
    Show(mainForm);
}

void FakeUi::Terminate() {
    terminated = true;
    log.push_back("Terminate");
}

void FakeUi::ProcessMessages() {
    ++processMessagesCalls;
    log.push_back("ProcessMessages");
}

void FakeUi::Show(FormId id) {
    form(id).visible = true;
    log.push_back("Show " + Name(id));
}
void FakeUi::Hide(FormId id) {
    form(id).visible = false;
    log.push_back("Hide " + Name(id));
}
bool FakeUi::IsVisible(FormId id) { return form(id).visible; }

void FakeUi::Close(FormId id) {
    log.push_back("Close " + Name(id));
    CloseBox(id);
}

void FakeUi::SetCaption(FormId id, const std::string& caption) {
    form(id).caption = caption;
    log.push_back("Caption " + Name(id) + "=" + caption);
}
std::string FakeUi::Caption(FormId id) { return form(id).caption; }
void FakeUi::SetOuterHeight(FormId id, int h) {
    form(id).outerHeight = h;
    log.push_back("Height " + Name(id) + "=" + std::to_string(h));
}
void FakeUi::SetOuterWidth(FormId id, int w) {
    form(id).outerWidth = w;
    log.push_back("Width " + Name(id) + "=" + std::to_string(w));
}

void FakeUi::SetText(ControlRef ref, const std::string& text) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    Control& c = control(ref);
    c.text = text;
    c.allSelected = false;
    log.push_back("Text " + Name(id) + "." + name + "=" + text);
}
std::string FakeUi::Text(ControlRef ref) { return control(ref).text; }
void FakeUi::SetEnabled(ControlRef ref, bool enabled) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    control(ref).enabled = enabled;
    log.push_back(std::string(enabled ? "Enable " : "Disable ") + Name(id) + "." + name);
}
bool FakeUi::IsEnabled(ControlRef ref) { return control(ref).enabled; }
void FakeUi::SetFocus(ControlRef ref) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    focusForm = Name(id);
    focusControl = name;
    log.push_back("Focus " + Name(id) + "." + name);
}
void FakeUi::SelectAll(EditHandle ref) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    control(ref).allSelected = true;
    log.push_back("SelectAll " + Name(id) + "." + name);
}
void FakeUi::SetItems(ComboHandle ref, const std::vector<std::string>& items) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    control(ref).items = items;
    log.push_back("Items " + Name(id) + "." + name + "=" + std::to_string(items.size()));
}
void FakeUi::SetProgress(ProgressHandle ref, int position) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    control(ref).progress = position;
    log.push_back("Progress " + Name(id) + "." + name + "=" + std::to_string(position));
}
void FakeUi::SetProgressMax(ProgressHandle ref, int maximum) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    control(ref).progressMax = maximum;
    log.push_back("ProgressMax " + Name(id) + "." + name + "=" + std::to_string(maximum));
}
void FakeUi::SetTextColor(ControlRef ref, uint32_t color) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    control(ref).color = color;
    log.push_back("Color " + Name(id) + "." + name);
}
bool FakeUi::LoadRichText(RichEditHandle ref, const std::string& rtf) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    const bool ok = rtf.compare(0, 5, "{\\rtf") == 0;
    if (ok) control(ref).text = rtf;
    log.push_back(std::string("RichText ") + Name(id) + "." + name + (ok ? "" : " rejected"));
    return ok;
}
void FakeUi::SetImage(ImageHandle ref, const Bitmap& picture) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    control(ref).image = picture;
    log.push_back("Image " + Name(id) + "." + name);
}
void FakeUi::SetTimerEnabled(TimerHandle handle, bool enabled) {
    const FormId id = handle.form;
    const std::string timer = NameOf(handle);
    form(id).timers[size_t(handle.index)] = enabled;
    log.push_back(std::string(enabled ? "TimerOn " : "TimerOff ") + Name(id) + "." + timer);
}
bool FakeUi::TimerEnabled(FormId id, const std::string& timer) { return TimerEnabled(FindTimer(id, timer)); }
bool FakeUi::TimerEnabled(TimerHandle timer) {
    SpecOf(timer);
    return form(timer.form).timers[size_t(timer.index)];
}

void FakeUi::Blit(FormId id, const Bitmap& picture, int x, int y) {
    BlitPart(id, picture, x, y, 0, 0, picture.Width(), picture.Height());
}

void FakeUi::BlitPart(FormId id, const Bitmap& picture, int x, int y, int left, int top, int width, int height) {
    Form& f = form(id);
    f.screen.DrawPart(picture, x, y, left, top, width, height);
    ++f.blits;
    f.copiedPixels += (long long)(std::min(width, picture.Width())) * std::min(height, picture.Height());
}

void FakeUi::ShowMessage(const std::string& text) {
    messages.push_back(text);
    log.push_back("Message " + text);
    if (onMessage) onMessage(text);
}
void FakeUi::ShowError(const std::string& text) {
    errors.push_back(text);
    log.push_back("Error " + text);
}
bool FakeUi::Confirm(const std::string& text) {
    questions.push_back(text);
    bool answer = false;
    if (!confirmAnswers.empty()) {
        answer = confirmAnswers.front();
        confirmAnswers.pop_front();
    }
    log.push_back(std::string("Confirm ") + text + (answer ? " -> Yes" : " -> No"));
    return answer;
}

void FakeUi::ShowModal(FormId id) {
    log.push_back("Modal " + Name(id));
    Show(id);
    if (onModal)
        onModal(id);
    else
        CloseBox(id);
    if (IsVisible(id)) Hide(id);
}

bool FakeUi::ConfirmChange(const std::string& text, const std::string& caption) {
    return Confirm(caption + ": " + text);
}

void FakeUi::SetRowCount(ListHandle list, int rows) {
    Control& c = control(list);
    c.rowCount = rows;
    c.selection.clear();
    log.push_back("Rows " + NameOf(list) + " " + std::to_string(rows));
}
std::vector<int> FakeUi::SelectedRows(ListHandle list) { return control(list).selection; }
void FakeUi::SelectRow(ListHandle list, int row) {
    Control& c = control(list);
    if (row < -1 || row >= c.rowCount) Fail("no row " + std::to_string(row) + " in " + NameOf(list));
    c.selection.clear();
    if (row >= 0) c.selection.push_back(row);
}
void FakeUi::SetSortArrow(ListHandle list, int column, bool ascending) {
    control(list).sortColumn = column;
    control(list).sortAscending = ascending;
}
void FakeUi::Activate(FormId id) { RunGuarded(*this, form(id).desc.onActivate); }
void FakeUi::SelectRows(ControlRef list, const std::vector<int>& rows) {
    Control& c = control(list);
    for (int r : rows)
        if (r < 0 || r >= c.rowCount) Fail("no row " + std::to_string(r) + " in " + NameOf(list));
    c.selection = rows;
    RunGuarded(*this, form(list.form).desc.Find(list)->onChange);
}
void FakeUi::ClickHeader(ControlRef list, int column) {
    const ControlSpec* listDesc = form(list.form).desc.Find(list);
    if (!listDesc || column < 0 || size_t(column) >= listDesc->columns.size())
        Fail("no column " + std::to_string(column));
    RunGuarded(*this, [&] { listDesc->onColumnClick(column); });
}
void FakeUi::ListKey(ControlRef list, uint16_t key) {
    const ControlSpec* listDesc = form(list.form).desc.Find(list);
    if (listDesc && listDesc->onKey) RunGuarded(*this, [&] { listDesc->onKey(key); });
}
std::vector<std::vector<std::string>> FakeUi::Rows(ControlRef list) {
    const ControlSpec* listDesc = form(list.form).desc.Find(list);
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < control(list).rowCount; ++r) {
        rows.emplace_back();
        for (size_t col = 0; col < listDesc->columns.size(); ++col)
            rows.back().push_back(listDesc->cellText(r, int(col)));
    }
    return rows;
}

void FakeUi::Click(FormId id, const std::string& name) { Click(FindControl(id, name)); }
void FakeUi::MouseDown(FormId id, const std::string& name) { MouseDown(FindControl(id, name)); }
void FakeUi::Type(FormId id, const std::string& name, const std::string& text) { Type(FindControl(id, name), text); }
void FakeUi::Tick(FormId id, const std::string& timer) { Tick(FindTimer(id, timer)); }
void FakeUi::Click(ControlRef ref) {
    const ControlSpec& c = SpecOf(ref);
    if (!control(ref).enabled) return;  // a disabled control takes no click
    RunGuarded(*this, c.onClick);
    Idle();
}
void FakeUi::MouseDown(ControlRef ref) {
    const ControlSpec& c = SpecOf(ref);
    if (!control(ref).enabled) return;
    RunGuarded(*this, c.onMouseDown);
    Idle();
}
void FakeUi::Type(ControlRef ref, const std::string& text) {
    const ControlSpec& c = SpecOf(ref);
    control(ref).text = text;
    control(ref).allSelected = false;
    RunGuarded(*this, c.onChange);
    Idle();
}
void FakeUi::Tick(TimerHandle timer) {
    RunGuarded(*this, SpecOf(timer).onTimer);
    Idle();
}
void FakeUi::PressEnter(FormId id) {
    const auto& controls = form(id).desc.controls;
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].defaultButton) {
            const ControlSpec& c = controls[i];
            if (form(id).controls[i].enabled) RunGuarded(*this, c.onClick);
            Idle();
            return;
        }
}
void FakeUi::KeyDown(FormId id, uint16_t key) {
    if (key == 16) shiftHeld = true;
    auto& handler = form(id).desc.onKeyDown;
    if (handler) RunGuarded(*this, [&] { handler(key); });
    Idle();
}
void FakeUi::KeyUp(FormId id, uint16_t key) {
    if (key == 16) shiftHeld = false;
    auto& handler = form(id).desc.onKeyUp;
    if (handler) RunGuarded(*this, [&] { handler(key); });
    Idle();
}
void FakeUi::KeyPress(FormId id, uint16_t key) {
    KeyDown(id, key);
    KeyUp(id, key);
}
void FakeUi::RunWhenIdle(std::function<void()> task) {
    log.push_back("RunWhenIdle");
    idleTasks.push_back(std::move(task));
}
void FakeUi::RunIdleTasks() {
    std::vector<std::function<void()>> tasks;
    tasks.swap(idleTasks);
    for (const auto& task : tasks) RunGuarded(*this, task);
}
void FakeUi::Idle() {
    if (!holdIdleTasks) RunIdleTasks();
}
void FakeUi::ClickBackground(FormId id) {
    RunGuarded(*this, form(id).desc.onClick);
    Idle();
}
void FakeUi::CloseBox(FormId id) {
    Form& f = form(id);
    if (id == FormId::Login) {
        // Closing the main window ends the program.
        RunGuarded(*this, f.desc.onClose);
        f.visible = false;
        terminated = true;
        log.push_back("MainClosed");
        return;
    }
    if (f.desc.onClose) RunGuarded(*this, f.desc.onClose);
    Hide(id);
    Idle();
}
void FakeUi::Paint(FormId id) { RunGuarded(*this, form(id).desc.onPaint); }

void FakeUi::ShowMessageBox(const std::string& text, const std::string& caption) {
    boxes.push_back(caption + ": " + text);
    log.push_back("Box " + caption + ": " + text);
}

Rect FakeUi::Bounds(ControlRef ref) { return control(ref).bounds; }

void FakeUi::SetBounds(ControlRef ref, const Rect& r) {
    const FormId id = ref.form;
    const std::string name = NameOf(ref);
    Control& c = control(ref);
    const bool resized = c.bounds.width != r.width || c.bounds.height != r.height;
    c.bounds = r;
    log.push_back("Bounds " + Name(id) + "." + name + "=" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                  std::to_string(r.width) + "x" + std::to_string(r.height));
    const ControlSpec& desc = SpecOf(ref);
    if (resized && desc.onResize) RunGuarded(*this, desc.onResize);
}

void FakeUi::SetAlignClient(ControlRef ref, bool fill) {
    const FormId id = ref.form;
    control(ref).alignClient = fill;
    if (!fill) return;
    const FormSpec& d = form(id).desc;
    SetBounds(ref, d.maximized ? Rect{0, 0, screenWidth, screenHeight} : Rect{0, 0, d.width, d.height});
}

void FakeUi::PutControlProperty(ActiveXHandle ref, int dispid, const std::string& text) {
    const std::string name = NameOf(ref);
    log.push_back("Put " + name + " " + std::to_string(dispid) + "=" + text);
    if (failDispatchCode) throw ComError(failDispatchCode, "Сбой элемента управления.");
    control(ref).properties[dispid] = text;
}

void FakeUi::PutControlProperty(ActiveXHandle ref, int dispid, bool value) {
    PutControlProperty(ref, dispid, std::string(value ? "true" : "false"));
}

void FakeUi::InvokeControlMethod(ActiveXHandle ref, int dispid) {
    const std::string name = NameOf(ref);
    log.push_back("Invoke " + name + " " + std::to_string(dispid));
    if (failDispatchCode) throw ComError(failDispatchCode, "Сбой элемента управления.");
}

void FakeUi::SetMessageFilter(std::function<bool(uint32_t)> filter) {
    messageFilter = std::move(filter);
    log.push_back("MessageFilter");
}

bool FakeUi::Deliver(uint32_t message) { return !(messageFilter && messageFilter(message)); }

uint32_t FakeUi::LoadRcData(const std::string& name, std::string& bytes) {
    std::string upper = name;
    for (char& ch : upper) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    auto it = resources.find(upper);
    if (it == resources.end()) return 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND
    bytes = it->second;
    return 0;
}

uint32_t FakeUi::CreateFileWith(const std::string& path, const std::string& bytes) {
    log.push_back("CreateFile " + path);
    if (createFileError) return createFileError;
    for (const auto& e : writeErrors)
        if (path.compare(0, e.first.size() + 1, e.first + "\\") == 0) return e.second;
    files[path] = bytes;
    return 0;
}

uintptr_t FakeUi::LoadModule(const std::string& path) {
    log.push_back("LoadModule " + path);
    auto it = files.find(path);
    if (it == files.end() || it->second.compare(0, 2, "MZ") != 0) return 0;
    loadedModules.push_back(0x10000000u + uintptr_t(loadedModules.size()) * 0x10000u);
    modulePaths_[loadedModules.back()] = path;
    return loadedModules.back();
}

bool FakeUi::ModuleHasExport(uintptr_t module, const std::string& name) {
    auto path = modulePaths_.find(module);
    if (path == modulePaths_.end()) return false;
    auto file = files.find(path->second);
    return file != files.end() && file->second.find(name) != std::string::npos;
}

void FakeUi::UnloadModule(uintptr_t module) {
    log.push_back("UnloadModule");
    loadedModules.erase(std::remove(loadedModules.begin(), loadedModules.end(), module), loadedModules.end());
}

std::string FakeUi::ShortPathName(const std::string& path) {
    return files.count(path) ? "C:\\WINDOWS\\SYSTEM32\\SWFLASH.OCX" : std::string();
}

bool FakeUi::RunProcess(const std::string& commandLine, const std::string& workDir, uint16_t showMode,
                        int32_t& exitCode, uint32_t& error) {
    processes.push_back(commandLine);
    log.push_back("Run " + commandLine + " in " + workDir + " show " + std::to_string(showMode));
    if (onProcess) return onProcess(commandLine, exitCode, error);
    const std::string regsvr = systemDirectory + "\\regsvr32.exe /s ";
    exitCode = 3;
    if (commandLine.compare(0, regsvr.size(), regsvr) == 0 && registrationAllowed && !loadedModules.empty()) {
        registeredClasses.push_back("{D27CDB6E-AE6D-11CF-96B8-444553540000}");
        exitCode = 0;
    }
    return true;
}

std::string FakeUi::EnvironmentVariable(const std::string& name) {
    auto it = environment.find(name);
    return it == environment.end() ? std::string() : it->second;
}

uint32_t FakeUi::ReadWholeFile(const std::string& path, std::string& bytes) {
    auto it = files.find(path);
    if (it == files.end()) return 2;  // ERROR_FILE_NOT_FOUND
    bytes = it->second;
    return 0;
}

uint32_t FakeUi::CreateFolder(const std::string& path) {
    log.push_back("CreateFolder " + path);
    return 0;
}

uint32_t FakeUi::UseControlFolder(const std::string& folder) {
    log.push_back("ControlFolder " + folder);
    if (contextError && !folder.empty()) return contextError;
    controlFolder = folder;
    return 0;
}

std::string FakeUi::SystemMessage(uint32_t code) { return "Системная ошибка " + std::to_string(code) + ".\r\n"; }

int FakeUi::LogIndex(const std::string& text) const {
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i] == text) return int(i);
    return -1;
}
int FakeUi::Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : log)
        if (l.compare(0, prefix.size(), prefix) == 0) ++n;
    return n;
}

}  // namespace tastora
