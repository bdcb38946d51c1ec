// The on-screen keyboard and the text area, checked by their pixels: where cells and keys
// are drawn, which picture each state shows, which pictures an exercise loads, and what the
// window is shown.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/image_io.h"
#include "exercise/exercise.h"
#include "tests/support/exercise_data.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

class PicturesTest : public ::testing::Test {
protected:
    TempDataDir dir;
    FakeUi ui;
    Tastora app{ui};
    ExerciseWindow& ex = app.exercise;

    void SetUp() override {
        LinkCoursePictures();
        WriteLetterTable();
        app.Run();
        app.session.userName = "Анна";
        ui.Show(FormId::Exercise);
        ASSERT_EQ(ex.KeyboardBitmap.Width(), 857);
        ASSERT_EQ(ex.TextBitmap.Width(), 737);
        ui.errors.clear();
    }

    bool StartLesson(int letterSet, const std::vector<std::string>& lines) {
        WriteTestFile("data\\text\\L1.txt", LessonFileBytes("Урок", "Начинаем", letterSet, lines));
        ui.errors.clear();
        return RunGuarded(ui, [&] { ex.StartExercise(1.1); });
    }

    // The state (1..5) in which key n shows on the keyboard bitmap; 0 for the bare k.jpg.
    int KeyLook(int n) {
        const KeyPoint p = ex.KeyPositions[n];
        const Rgb c = ex.KeyboardBitmap.At(p.x + 20, p.y + 20);
        for (int state = 1; state <= 5; ++state)
            if (NearColour(c, KeyPictureColour(n, state))) return state;
        return NearColour(c, kKeyboardColour) ? 0 : -1;
    }
    // The look (0..5) of cell (c, r) on the text bitmap; -1 for the bare background.
    int CellLook(int key, int c, int r) {
        const Rgb px = ex.TextBitmap.At(18 * (c - 1) + 9, 30 * (r - 1) + 15);
        for (int look = 0; look < 6; ++look)
            if (NearColour(px, CharPictureColour(key, look))) return look;
        return -1;
    }
    const Bitmap& Screen() { return ui.form(FormId::Exercise).screen; }
};

TEST_F(PicturesTest, CellFortySevenSitsAt702And180) {
    ASSERT_TRUE(StartLesson(1, {"фыва"}));
    const int blits = ui.form(FormId::Exercise).blits;
    ex.DrawCell(Cell::Parse("33r"), 40, 7);
    const Rgb wrong = CharPictureColour(33, 2);
    EXPECT_TRUE(NearColour(ex.TextBitmap.At(702, 180), wrong));
    EXPECT_TRUE(NearColour(ex.TextBitmap.At(719, 209), wrong));
    EXPECT_FALSE(NearColour(ex.TextBitmap.At(701, 180), wrong));
    EXPECT_FALSE(NearColour(ex.TextBitmap.At(702, 179), wrong));
    EXPECT_TRUE(NearColour(ex.TextBitmap.At(720, 211), kTextAreaColour)) << "right of the grid";
    // One copy of the text bitmap, at (16, 8) of the window.
    EXPECT_EQ(ui.form(FormId::Exercise).blits, blits + 1);
    EXPECT_TRUE(NearColour(Screen().At(16 + 702, 8 + 180), wrong));
    // Cell (1, 1) at the origin.
    ex.DrawCell(Cell::Parse("33ub"), 1, 1);
    EXPECT_TRUE(NearColour(ex.TextBitmap.At(0, 0), CharPictureColour(33, 4)));
    EXPECT_TRUE(NearColour(ex.TextBitmap.At(17, 29), CharPictureColour(33, 4)));
}

TEST_F(PicturesTest, CellCodesPickTheirLook) {
    ASSERT_TRUE(StartLesson(6, {"фыва"}));
    const char* suffixes[6] = {"", "b", "r", "u", "ub", "ur"};
    for (int look = 0; look < 6; ++look) {
        ex.DrawCell(Cell::Parse("33" + std::string(suffixes[look])), 3, 2);
        EXPECT_EQ(CellLook(33, 3, 2), look) << suffixes[look];
        ex.DrawCell(Cell::Parse("2" + std::string(suffixes[look])), 4, 2);
        EXPECT_EQ(CellLook(2, 4, 2), look) << "one-digit key, " << suffixes[look];
    }
    // A suffix outside the six, a key out of range, no code: nothing drawn.
    ex.DrawCell(Cell::Parse("33"), 5, 2);
    for (const char* code : {"33x", "33bb", "99", "0", "x1", ""}) {
        ex.DrawCell(Cell::Parse(code), 5, 2);
        EXPECT_EQ(CellLook(33, 5, 2), 0) << code;
    }
}

TEST_F(PicturesTest, KeySixtyOneSitsAt785And230) {
    ASSERT_TRUE(StartLesson(6, {"фыва"}));
    // No letter set has it; with it in the keyboard set it is drawn where it belongs.
    EXPECT_EQ(ex.DrawKey(17, 0, kKeyNormal), 0) << "not on this keyboard";
    KeySets keys = ex.exercise().Keys();
    keys.keyboard.set(61);
    ex.exercise().SetKeys(keys);
    ex.KeyPictures[kKeyNormal][61] = Bitmap(72, 55, KeyPictureColour(61, 1));
    const int blits = ui.form(FormId::Exercise).blits;
    EXPECT_EQ(ex.DrawKey(17, 0, kKeyNormal), 61) << "generic Ctrl is the right Ctrl key";
    EXPECT_EQ(ui.form(FormId::Exercise).blits, blits + 1);
    EXPECT_TRUE(NearColour(ex.KeyboardBitmap.At(785, 230), KeyPictureColour(61, 1)));
    EXPECT_TRUE(NearColour(ex.KeyboardBitmap.At(856, 284), KeyPictureColour(61, 1)));
    EXPECT_FALSE(NearColour(ex.KeyboardBitmap.At(784, 230), KeyPictureColour(61, 1)));
    EXPECT_FALSE(NearColour(ex.KeyboardBitmap.At(785, 229), KeyPictureColour(61, 1)));
    EXPECT_TRUE(NearColour(Screen().At(8 + 785, 248 + 230), KeyPictureColour(61, 1)));
}

TEST_F(PicturesTest, KeysDrawTheirStatesAndOnlyWhenOnTheKeyboard) {
    ASSERT_TRUE(StartLesson(1, {"фыва"}));
    for (int state = 1; state <= 4; ++state) {
        EXPECT_EQ(ex.DrawKey(0, 33, state), 33);
        EXPECT_EQ(KeyLook(33), state);
    }
    // By virtual-key code: F is key 33.
    EXPECT_EQ(ex.DrawKey(70, 0, kKeyPressed), 33);
    EXPECT_EQ(KeyLook(33), kKeyPressed);
    // State 0 or an unknown one draws nothing but still names the key.
    EXPECT_EQ(ex.DrawKey(0, 33, 0), 33);
    EXPECT_EQ(ex.DrawKey(0, 33, 9), 33);
    EXPECT_EQ(KeyLook(33), kKeyPressed);
    // Keys outside the keyboard set: 0, nothing drawn, nothing copied.
    const int blits = ui.form(FormId::Exercise).blits;
    EXPECT_EQ(ex.DrawKey(0, 19, kKeyPressed), 0);
    EXPECT_EQ(ex.DrawKey(82, 0, kKeyPressed), 0) << "R is key 19";
    EXPECT_EQ(ex.DrawKey(9, 0, kKeyPressed), 0) << "Tab has no key number";
    EXPECT_EQ(ex.DrawKey(0xFFFF, 0, kKeyPressed), 0);
    EXPECT_EQ(ex.DrawKey(0, 300, kKeyPressed), 0);
    EXPECT_EQ(KeyLook(19), 0);
    EXPECT_EQ(ui.form(FormId::Exercise).blits, blits);
    // 116 is in set 1 but is no key: named, never drawn.
    EXPECT_EQ(ex.DrawKey(0, 116, kKeyPressed), 116);
}

TEST_F(PicturesTest, NextShiftedOnlyForDigitRowAndThreePunctuationKeys) {
    ASSERT_TRUE(StartLesson(6, {"фыва"}));
    for (int n : {1, 2, 13, 50, 51, 52}) {
        ex.DrawKey(0, n, kKeyNextShifted);
        EXPECT_EQ(KeyLook(n), kKeyNextShifted) << n;
    }
    for (int n : {16, 28, 33, 49}) {
        ex.DrawKey(0, n, kKeyNext);
        EXPECT_EQ(ex.DrawKey(0, n, kKeyNextShifted), n);
        EXPECT_EQ(KeyLook(n), kKeyNext) << n << " keeps its look";
    }
}

TEST_F(PicturesTest, KeyWithoutHighlightPictureIsNeverHighlighted) {
    OwnPictureFolder("butoane");
    RemoveFile("data\\pictures\\butoane\\31h.jpg");
    ASSERT_TRUE(StartLesson(1, {"ыва"}));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(KeyLook(31), kKeyNormal) << "the first key of the exercise stays normal";
    ex.DrawKey(0, 31, kKeyPressed);
    ex.DrawKey(0, 31, kKeyNext);
    EXPECT_EQ(KeyLook(31), kKeyPressed) << "the next state draws nothing";
    ex.DrawKey(0, 32, kKeyNext);
    EXPECT_EQ(KeyLook(32), kKeyNext);
}

TEST_F(PicturesTest, MissingOptionalPicturesDrawNothing) {
    OwnPictureFolder("butoane");
    OwnPictureFolder("caractere");
    RemoveFile("data\\pictures\\butoane\\33u.jpg");
    RemoveFile("data\\pictures\\butoane\\2uh.jpg");
    ASSERT_TRUE(StartLesson(6, {"фыва"}));
    EXPECT_TRUE(ui.errors.empty());
    ex.DrawKey(0, 33, kKeyShiftedFace);
    EXPECT_EQ(KeyLook(33), kKeyNormal);
    ex.DrawKey(0, 2, kKeyNextShifted);
    EXPECT_EQ(KeyLook(2), kKeyNormal);
    // A character outside the sets without its done picture.
    RemoveFile("data\\pictures\\caractere\\19b.jpg");
    ASSERT_TRUE(StartLesson(1, {"фыва"}));
    EXPECT_TRUE(ui.errors.empty());
    ex.DrawCell(Cell::Parse("33"), 1, 1);
    ex.DrawCell(Cell::Parse("19b"), 1, 1);
    EXPECT_EQ(CellLook(33, 1, 1), 0);
}

TEST_F(PicturesTest, CharactersOutsideTheSetsShowTheirDonePictures) {
    ASSERT_TRUE(StartLesson(1, {"фк Ф"}));
    EXPECT_EQ(CellLook(30, 1, 1), 0);
    EXPECT_EQ(CellLook(19, 2, 1), 1) << "к of set 2";
    EXPECT_EQ(CellLook(30, 4, 1), 4) << "shifted Ф without set 6";
    EXPECT_EQ(CellLook(57, 5, 1), 0) << "the added space";
    EXPECT_EQ(CellLook(57, 6, 1), 1) << "blank cells show the done space";
    EXPECT_EQ(CellLook(57, 40, 7), 1);
}

TEST_F(PicturesTest, RequiredPictureMissingStopsTheStart) {
    OwnPictureFolder("butoane");
    OwnPictureFolder("caractere");
    for (const char* name : {"butoane\\33b.jpg", "caractere\\33r.jpg", "butoane\\k.jpg"}) {
        const std::string path = std::string("data\\pictures\\") + name;
        const std::string bytes = ReadTestFile(path);
        RemoveFile(path);
        ui.messages.clear();
        EXPECT_FALSE(StartLesson(1, {"фыва"})) << name;
        ASSERT_EQ(ui.errors.size(), 1u) << name;
        EXPECT_EQ(ui.errors[0], "Не удаётся открыть файл " + path + ".");
        EXPECT_TRUE(ui.messages.empty()) << "no start message";
        EXPECT_FALSE(ui.IsVisible(FormId::Progress));
        EXPECT_TRUE(ui.IsEnabled(ex.controls.restart));
        WriteTestFile(path, bytes);
    }
    // A shifted picture is required only with set 6.
    RemoveFile("data\\pictures\\caractere\\33ur.jpg");
    EXPECT_TRUE(StartLesson(5, {"фыва"}));
    EXPECT_FALSE(StartLesson(6, {"фыва"}));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удаётся открыть файл data\\pictures\\caractere\\33ur.jpg.");
}

TEST_F(PicturesTest, DamagedPictureIsAnErrorEvenWhenOptional) {
    OwnPictureFolder("butoane");
    WriteTestFile("data\\pictures\\butoane\\33h.jpg", "not a picture");
    EXPECT_FALSE(StartLesson(1, {"фыва"}));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Файл data\\pictures\\butoane\\33h.jpg повреждён или не является рисунком.");
}

TEST_F(PicturesTest, SetSixThenSetOneRedrawsTheBareKeyboard) {
    ASSERT_TRUE(StartLesson(6, {"фыва"}));
    for (int n : {2, 16, 42, 53, 33}) EXPECT_GE(KeyLook(n), kKeyNormal) << n;
    ex.DrawKey(0, 2, kKeyPressed);
    ASSERT_TRUE(StartLesson(1, {"фыва"}));
    for (int n : {2, 16, 42, 53}) EXPECT_EQ(KeyLook(n), 0) << n << " is no longer on the keyboard";
    for (int n : {30, 31, 32, 33, 36, 37, 38, 39, 57}) EXPECT_EQ(KeyLook(n), n == 30 ? kKeyNext : kKeyNormal) << n;
    // And so does the screen.
    const KeyPoint p = ex.KeyPositions[2];
    EXPECT_TRUE(NearColour(Screen().At(8 + p.x + 20, 248 + p.y + 20), kKeyboardColour));
    // Pictures of keys left out are not kept either.
    EXPECT_TRUE(ex.KeyPictures[kKeyNormal][2].Empty());
    EXPECT_TRUE(ex.KeyPictures[kKeyNext][42].Empty());
}

TEST_F(PicturesTest, TextGridIsDrawnWholeWithOneCopy) {
    ASSERT_TRUE(StartLesson(1, {"фыва олдж"}));
    ex.TextBitmap.Fill(0);
    const int blits = ui.form(FormId::Exercise).blits;
    ex.DrawTextGrid();
    EXPECT_EQ(ui.form(FormId::Exercise).blits, blits + 1);
    EXPECT_EQ(CellLook(30, 1, 1), 0);
    EXPECT_EQ(CellLook(57, 5, 1), 0);
    EXPECT_EQ(CellLook(39, 9, 1), 0);
    for (int r = 1; r <= 7; ++r)
        for (int c = r == 1 ? 11 : 1; c <= 40; ++c) ASSERT_EQ(CellLook(57, c, r), 1) << c << "," << r;
}

TEST_F(PicturesTest, ScreenAfterTheStartShowsTheFirstLineAndTheKeyToPress) {
    ASSERT_TRUE(StartLesson(1, {"олдж фыва"}));
    ui.form(FormId::Exercise).screen.Fill(0);
    ui.Paint(FormId::Exercise);
    const Bitmap& screen = Screen();
    // The text area at (16, 8): the line's first character, to be typed.
    EXPECT_TRUE(NearColour(screen.At(16 + 9, 8 + 15), CharPictureColour(36, 0)));
    EXPECT_TRUE(NearColour(screen.At(16 + 18 + 9, 8 + 15), CharPictureColour(37, 0)));
    EXPECT_TRUE(NearColour(screen.At(16 + 736, 8 + 232), kTextAreaColour));
    // The keyboard at (8, 248): key 36 highlighted, the others at rest.
    const KeyPoint o = ex.KeyPositions[36], f = ex.KeyPositions[30];
    EXPECT_TRUE(NearColour(screen.At(8 + o.x + 20, 248 + o.y + 20), KeyPictureColour(36, kKeyNext)));
    EXPECT_TRUE(NearColour(screen.At(8 + f.x + 20, 248 + f.y + 20), KeyPictureColour(30, kKeyNormal)));
    EXPECT_TRUE(NearColour(screen.At(8, 248), kKeyboardColour)) << "key 1 is not in set 1";
    EXPECT_TRUE(NearColour(screen.At(7, 247), 0)) << "nothing outside the two pictures";
}

TEST_F(PicturesTest, PicturesNeverLoadedDrawNothing) {
    // A fresh window: nothing loaded yet.
    Bitmap before = ex.TextBitmap;
    ex.DrawCell(Cell::Parse("33"), 1, 1);
    ex.DrawTextGrid();
    EXPECT_TRUE(ex.TextBitmap == before);
    ex.exercise().SetKeys(KeySets{LetterSet(1), {}, {}});
    Bitmap keyboard = ex.KeyboardBitmap;
    EXPECT_EQ(ex.DrawKey(0, 33, kKeyNormal), 33);
    EXPECT_TRUE(ex.KeyboardBitmap == keyboard);
}

// Pictures are kept decoded between exercises; a file replaced since (as an editor saves
// it), damaged or removed is seen at the next load.
TEST(KeptPictures, AChangedFileIsReadAgain) {
    TempDataDir dir;
    const std::string path = "data\\p.jpg";
    auto replace = [&](const std::string& bytes) {
        WriteTestFile("data\\q.jpg", bytes);
        ASSERT_EQ(std::rename("data/q.jpg", "data/p.jpg"), 0);
    };
    replace(SolidJpeg(10, 8, 0xFF0000));
    EXPECT_EQ(LoadJpeg(path).Width(), 10);
    EXPECT_EQ(LoadJpeg(path).Width(), 10);
    replace(SolidJpeg(12, 8, 0x0000FF));
    EXPECT_EQ(LoadJpeg(path).Width(), 12);
    replace(SolidJpeg(12, 8, 0x00FF00));
    EXPECT_TRUE(NearColour(LoadOptionalJpeg(path).At(5, 5), 0x00FF00));
    replace("not a picture");
    EXPECT_THROW(LoadJpeg(path), TastoraError);
    std::remove("data/p.jpg");
    EXPECT_TRUE(LoadOptionalJpeg(path).Empty());
    EXPECT_THROW(LoadJpeg(path), TastoraError);
}

}  // namespace
}  // namespace tastora
