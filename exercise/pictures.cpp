// The on-screen keyboard and the text area: key and character pictures composed into the
// two bitmaps of the exercise window, which the window then shows.
#include "core/errors.h"
#include "core/files.h"
#include "core/image_io.h"
#include "exercise/exercise.h"

namespace tastora {

namespace {

constexpr const char* kKeyFolder = "data\\pictures\\butoane\\";
constexpr const char* kCharFolder = "data\\pictures\\caractere\\";
constexpr int kCellWidth = 18, kCellHeight = 30;

// Character looks, in the order of CharPictures (see Cell::Look).
enum CharLook { kToType = 0, kDone = 1, kWrong = 2, kShiftedToType = 3, kShiftedDone = 4, kShiftedWrong = 5 };

}  // namespace

void ExerciseWindow::ComposeKey(int n, int state) {
    if (n < 1 || n > kKeyCount || state < kKeyNormal || state > kKeyNextShifted) return;
    if (state == kKeyNextShifted && !HasNextShiftedFace(n)) return;
    KeyboardBitmap.Draw(KeyPictures[state][n], KeyPositions[n].x, KeyPositions[n].y);
}

int ExerciseWindow::DrawKey(uint16_t code, int n, int state) {
    if (n == 0) n = code < 256 ? KeyCodeMap[code] : 0;
    if (n <= 0 || n > 255 || !exercise_->Keys().keyboard.test(size_t(n))) return 0;
    ComposeKey(n, state);
    // Only the key's own rectangle changed (nothing for a key or state without a picture).
    if (n <= kKeyCount && state >= kKeyNormal && state <= kKeyNextShifted) {
        const Bitmap& face = KeyPictures[state][n];
        ui_.BlitPart(FormId::Exercise, KeyboardBitmap, kKeyboardLeft, kKeyboardTop, KeyPositions[n].x,
                     KeyPositions[n].y, face.Width(), face.Height());
    }
    return n;
}

void ExerciseWindow::ComposeCell(const Cell& cell, int c, int r) {
    if (cell.key < 1 || cell.key > kKeyCount) return;
    TextBitmap.Draw(CharPictures[cell.Look()][cell.key], kCellWidth * (c - 1), kCellHeight * (r - 1));
}

void ExerciseWindow::DrawCell(const Cell& cell, int c, int r) {
    ComposeCell(cell, c, r);
    ui_.BlitPart(FormId::Exercise, TextBitmap, kTextLeft, kTextTop, kCellWidth * (c - 1), kCellHeight * (r - 1),
                 kCellWidth, kCellHeight);
}

void ExerciseWindow::DrawTextGrid() {
    for (int r = 1; r <= kGridRows; ++r)
        for (int c = 1; c <= kGridColumns; ++c)
            if (!exercise_->At(c, r).Empty()) ComposeCell(exercise_->At(c, r), c, r);
    // One copy for the whole grid.
    ui_.Blit(FormId::Exercise, TextBitmap, kTextLeft, kTextTop);
}

void ExerciseWindow::LoadKeyPictures() {
    // Every picture comes afresh from its file; what this exercise does not load draws nothing.
    for (auto& table : KeyPictures)
        for (Bitmap& picture : table) picture = Bitmap();
    for (auto& table : CharPictures)
        for (Bitmap& picture : table) picture = Bitmap();

    for (int n = 1; n <= kKeyCount; ++n) {
        const std::string key = kKeyFolder + std::to_string(n);
        const std::string chr = kCharFolder + std::to_string(n);
        const KeySets& keys = exercise_->Keys();
        const bool onKeyboard = keys.keyboard.test(size_t(n));
        const bool plain = keys.plain.test(size_t(n));
        const bool shifted = keys.shifted.test(size_t(n));
        if (onKeyboard) {
            KeyPictures[kKeyNormal][n] = LoadJpeg(key + ".jpg");
            KeyPictures[kKeyPressed][n] = LoadJpeg(key + "b.jpg");
            KeyPictures[kKeyShiftedFace][n] = LoadOptionalJpeg(key + "u.jpg");
            ComposeKey(n, kKeyNormal);
        }
        if (plain) {
            CharPictures[kToType][n] = LoadJpeg(chr + ".jpg");
            CharPictures[kDone][n] = LoadJpeg(chr + "b.jpg");
            CharPictures[kWrong][n] = LoadJpeg(chr + "r.jpg");
        }
        if (shifted) {
            CharPictures[kShiftedToType][n] = LoadJpeg(chr + "u.jpg");
            CharPictures[kShiftedDone][n] = LoadJpeg(chr + "ub.jpg");
            CharPictures[kShiftedWrong][n] = LoadJpeg(chr + "ur.jpg");
        }
        // Characters outside the sets are shown as done and need their done pictures.
        if (!plain) CharPictures[kDone][n] = LoadOptionalJpeg(chr + "b.jpg");
        if (!shifted) CharPictures[kShiftedDone][n] = LoadOptionalJpeg(chr + "ub.jpg");
        // The highlights, for the keys that can show them.
        if (onKeyboard) {
            KeyPictures[kKeyNext][n] = LoadOptionalJpeg(key + "h.jpg");
            if (HasNextShiftedFace(n)) KeyPictures[kKeyNextShifted][n] = LoadOptionalJpeg(key + "uh.jpg");
        }
    }
    ui_.Blit(FormId::Exercise, KeyboardBitmap, kKeyboardLeft, kKeyboardTop);
}

void ExerciseWindow::OnPaint() {
    ui_.Blit(FormId::Exercise, KeyboardBitmap, kKeyboardLeft, kKeyboardTop);
    ui_.Blit(FormId::Exercise, TextBitmap, kTextLeft, kTextTop);
}

}  // namespace tastora
