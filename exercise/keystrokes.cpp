// The learner's keys in the exercise window: the key by its position (a Romanian layout
// exchanges Y and Z), handed to the exercise, and what the keystroke changed drawn; wrong
// keystrokes go to the profile's per-key counters as soon as the learner has seen them; the
// key timer measures the gaps between a release and the next press.
#include <cstdint>
#include <memory>
#include <string>

#include "core/errors.h"
#include "exercise/exercise.h"
#include "users/profile_store.h"

namespace tastora {

namespace {

constexpr uint16_t kVkY = 89;
constexpr uint16_t kVkZ = 90;
constexpr int kRomanianLanguage = 0x18;

const char kHoldWarning[] = "Выполняя упражнение, не удерживайте долго клавишу в нажатом состоянии.";
const char kRestartMessage[] =
    "К сожалению, вы допустили слишком много ошибок, поэтому вам следует повторить данное "
    "упражнение.";

// The primary language of a keyboard layout name ("00000418" -> 0x18); -1 when the name is
// not a hexadecimal number of at most eight digits.
int PrimaryLanguage(const std::string& layoutName) {
    if (layoutName.empty() || layoutName.size() > 8) return -1;
    uint32_t value = 0;
    for (char ch : layoutName) {
        int digit;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else
            return -1;
        value = value * 16 + uint32_t(digit);
    }
    return int(value & 0x3FF);
}

// Under a Romanian layout the keys Y and Z give each other's codes; judge them by position.
// A Romanian layout that keeps them in place (as the window system may give it) needs no
// exchange: the physical key is what counts.
void MapRomanianLayout(UiPort& ui, uint16_t& key) {
    if (key != kVkY && key != kVkZ) return;
    if (PrimaryLanguage(ui.KeyboardLayoutName()) != kRomanianLanguage) return;
    if (!ui.KeyboardExchangesYZ()) return;
    key = key == kVkY ? kVkZ : kVkY;
}

}  // namespace

void ExerciseWindow::OnKeyDown(uint16_t& key) {
    MapRomanianLayout(ui_, key);
    gaps_.Pressed();
    const ExerciseChanges changes = exercise_->KeyDown(key, ui_.ShiftHeld());
    if (changes.swallowed) key = 0;
    Show(changes);
}

void ExerciseWindow::OnKeyUp(uint16_t& key) {
    MapRomanianLayout(ui_, key);
    Show(exercise_->KeyUp(key, ui_.ShiftHeld()));
    gaps_.Released();
}

// What a step changed: the pictures and figures of the window, the wrong key's counter, the
// result of a finished exercise, the warning about a key held down.
void ExerciseWindow::Show(const ExerciseChanges& changes) {
    for (int i = 0; i < changes.drawCount; ++i) {
        const ExerciseChanges::Draw& d = changes.draws[size_t(i)];
        if (d.column == 0)
            DrawKey(0, d.key, d.state);
        else
            DrawCell(exercise_->At(d.column, d.row), d.column, d.row);
    }
    if (!changes.wrongCell.Empty()) CountError(changes.wrongCell);
    if (changes.linesDone >= 0) ui_.SetProgress(controls.lines, changes.linesDone);
    if (changes.relaid) DrawTextGrid();
    if (changes.judged) ui_.SetText(controls.errors, std::to_string(exercise_->Errors()));
    if (changes.clockStarted) {
        ui_.SetTimerEnabled(controls.clockTimer, true);
        if (changes.pauseAvailable) ui_.SetEnabled(controls.pause, true);
    }
    if (changes.pauseEnded) {
        if (changes.pauseAvailable) ui_.SetEnabled(controls.pause, true);
        ui_.SetTextColor(controls.clock, kWindowTextColor);
    }
    if (changes.finished) EndExercise();
    if (changes.hold == ExerciseChanges::kHoldWarning) {
        ui_.ShowMessage(kHoldWarning);
        ResetKeyLooks();
    } else if (changes.hold == ExerciseChanges::kHoldRestart) {
        ui_.ShowMessage(kRestartMessage);
        ResetKeyLooks();
        RestartExercise();
    }
}

void ExerciseWindow::ResetKeyLooks() {
    for (int n = 1; n <= kSpaceKey; ++n) DrawKey(0, n, kKeyNormal);
}

// The profile's counter of the key: counted now, written once the learner sees the key's
// answer on the screen, together with the wrong keys typed meanwhile. A failed write is
// reported then, but the keystroke still counts as an error.
void ExerciseWindow::CountError(const Cell& expected) {
    const std::string& profile = session_.userName;
    if (profile.empty()) return;
    const bool asked = PendingErrors.Pending();
    PendingErrors.Add(profile, expected.key, expected.shifted);
    if (!asked) ui_.RunWhenIdle([this] { WriteErrorCounts(); });
}

void ExerciseWindow::WriteErrorCounts() {
    if (!PendingErrors.Pending()) return;
    try {
        if (!ErrorStatsFile) ErrorStatsFile = std::make_unique<ProfileStore>();
        PendingErrors.Write(*ErrorStatsFile);
    } catch (const TastoraError& e) {
        ui_.ShowError(e.what());
    }
}

void ExerciseWindow::OnKeyTimerTick() { gaps_.Tick(gapsToHand_); }

}  // namespace tastora
