#pragma once
// Shared set-up of the typing tests: the program started on the fake window system with a
// profile logged in, helpers that lay cells out directly or start a small lesson (the course
// keyboard's letter table and solid-colour pictures), and the learner's key presses.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/ini.h"
#include "exercise/exercise.h"
#include "tests/support/exercise_data.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace typing_test {

// Virtual-key codes used by the tests.
constexpr uint16_t kVkShift = 16, kVkCtrl = 17, kVkAlt = 18, kVkCapsLock = 20, kVkSpace = 32;
constexpr uint16_t kVkA = 65, kVkD = 68, kVkF = 70, kVkJ = 74, kVkK = 75, kVkY = 89, kVkZ = 90;
constexpr uint16_t kVk2 = 50;

const char kHoldWarning[] = "Выполняя упражнение, не удерживайте долго клавишу в нажатом состоянии.";
const char kRestartMessage[] =
    "К сожалению, вы допустили слишком много ошибок, поэтому вам следует повторить данное "
    "упражнение.";
const char kPauseMessage[] =
    "У вас в распоряжении 2 минуты. По истечении паузы секундометр начнёт отсчитывать время.\r"
    "Вы можете продолжить работу в любой момент.\r"
    "Вы располагаете только 2-мя паузами для каждого упражнения.";

// The pictures of an exercise with LetterSet n (the keys of its sets and the next-key
// highlights) and the letter table of the course keyboard.
inline void WriteLessonPictures(int letterSet) {
    WriteLetterTable();
    WriteTestFile("data\\pictures\\butoane\\k.jpg", SolidJpeg(857, 289, kKeyboardColour));
    static const char* kKeySuffix[6] = {"", "", "u", "b", "h", "uh"};
    static const char* kCharSuffix[6] = {"", "b", "r", "u", "ub", "ur"};
    const KeySet keys = LetterSet(letterSet);
    for (int n = 1; n <= kKeyCount; ++n) {
        if (!keys.test(size_t(n))) continue;
        const std::string key = "data\\pictures\\butoane\\" + std::to_string(n);
        for (int state : {1, 3, 4})
            WriteTestFile(key + kKeySuffix[state] + ".jpg",
                          SolidJpeg(KeyPictureWidth(n), 55, KeyPictureColour(n, state)));
        const std::string chr = "data\\pictures\\caractere\\" + std::to_string(n);
        for (int look = 0; look < 6; ++look)
            WriteTestFile(chr + kCharSuffix[look] + ".jpg", SolidJpeg(18, 30, CharPictureColour(n, look)));
    }
}

// LetterSet 6 written out, so that the direct tests do not depend on the lesson loader.
inline KeySet AllTypingKeys() {
    KeySet s;
    for (int n = 1; n <= 13; ++n) s.set(size_t(n));
    for (int n = 16; n <= 28; ++n) s.set(size_t(n));
    for (int n = 30; n <= 40; ++n) s.set(size_t(n));
    for (int n = 42; n <= 53; ++n) s.set(size_t(n));
    s.set(size_t(kSpaceKey));
    return s;
}

class TypingTest : public ::testing::Test {
protected:
    TempDataDir dir;
    FakeUi ui;
    Tastora app{ui};
    ExerciseWindow& ex = app.exercise;
    const std::string profile = "Анна";

    void SetUp() override {
        app.Run();
        ASSERT_EQ(ex.KeyCodeMap[kVkF], 33) << "the key table is filled at creation";
        app.session.userName = profile;
        app.session.CurrentLevel = 1.1;
        ui.Show(FormId::Exercise);
        Forget();
    }

    void Forget() {
        ui.log.clear();
        ui.messages.clear();
        ui.errors.clear();
    }

    // Lays cell codes out on row 1 from column 1, the rest of the grid blank, and puts the
    // cursor on the first; every key of LetterSet 6 is on the keyboard, drawn in a known
    // colour per state (or the keys given).
    void SetCells(const std::vector<std::string>& codes, KeySet keyboard = AllTypingKeys()) {
        std::vector<Cell> cells;
        for (const std::string& code : codes) cells.push_back(Cell::Parse(code));
        ex.exercise().LayOutRow(cells, KeySets{keyboard, AllTypingKeys(), AllTypingKeys()});
        for (int n = 1; n <= kKeyCount; ++n)
            for (int s = 1; s <= 5; ++s) ex.KeyPictures[s][n] = Bitmap(40, 40, KeyPictureColour(n, s));
        ex.ErrorStatsFile = std::make_unique<ProfileStore>();
    }

    // A row of n pending cells of the same code.
    void SetRow(const std::string& code, int n = 30) { SetCells(std::vector<std::string>(size_t(n), code)); }

    // The state in which key n is drawn on the window, 0 when none of the five.
    int KeyLook(int n) {
        const KeyPoint p = ex.KeyPositions[n];
        const Rgb c = ui.form(FormId::Exercise).screen.At(8 + p.x + 20, 248 + p.y + 20);
        for (int s = 1; s <= 5; ++s)
            if (NearColour(c, KeyPictureColour(n, s))) return s;
        return 0;
    }

    void Press(uint16_t key) { ui.KeyPress(FormId::Exercise, key); }
    void PressShifted(uint16_t key) {
        ui.KeyDown(FormId::Exercise, kVkShift);
        ui.KeyPress(FormId::Exercise, key);
        ui.KeyUp(FormId::Exercise, kVkShift);
    }
    void Wrong(int times, uint16_t key = kVkA) {
        for (int i = 0; i < times; ++i) ui.KeyDown(FormId::Exercise, key);  // held down: no key-ups
    }
    // One second of the exercise clock, when its timer runs.
    void Second(int times = 1) {
        for (int i = 0; i < times; ++i)
            if (ui.TimerEnabled(ex.controls.clockTimer)) ui.Tick(ex.controls.clockTimer);
    }

    int Counter(const std::string& key) { return IniFile("data\\users.ini").ReadInteger(profile, key, 0); }

    // Starts an exercise at level 1.1 from a lesson of the given text lines.
    void StartLesson(int letterSet, const std::vector<std::string>& lines) {
        WriteLessonPictures(letterSet);
        WriteTestFile("data\\text\\L1.txt", LessonFileBytes("Урок 1", "Начинаем!", letterSet, lines));
        app.session.CurrentLevel = 1.1;
        ex.StartExercise(1.1);
        ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
        Forget();
    }
    std::string CellAt(int c, int r = 1) { return ex.exercise().At(c, r).Code(); }
    std::string Text(ControlRef control) { return ui.Text(control); }
};

}  // namespace typing_test
}  // namespace tastora
