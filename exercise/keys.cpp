#include "exercise/keys.h"

namespace tastora {

bool HasNextShiftedFace(int key) { return (key >= 1 && key <= 13) || (key >= 50 && key <= 52); }

KeySet LetterSet(int n) {
    KeySet s;
    if (n < 1 || n > 6) return s;
    // Set 1: the home row, the space bar and 116, a number that no key bears.
    for (int k : {30, 31, 32, 33, 36, 37, 38, 39, kSpaceKey, 116}) s.set(size_t(k));
    if (n >= 2)
        for (int k : {19, 20, 21, 22, 34, 35, 46, 47, 48, 49}) s.set(size_t(k));
    if (n >= 3)
        for (int k : {17, 18, 23, 24, 44, 45, 50, 51}) s.set(size_t(k));
    if (n >= 4)
        for (int k : {16, 25, 26, 27, 28, 40, 43, 52}) s.set(size_t(k));
    if (n >= 5)
        for (int k = 1; k <= 13; ++k) s.set(size_t(k));  // the digit row
    if (n >= 6) {
        s.set(size_t(kLeftShiftKey));
        s.set(size_t(kRightShiftKey));
    }
    return s;
}

KeySet PlainKeysOf(int letterSet) { return LetterSet(letterSet == 6 ? 5 : letterSet); }

void FillKeyCodeMap(int (&map)[256]) {
    for (int& m : map) m = 0;
    // Virtual-key codes by key number; 0 marks a key that no code reaches (Tab, the left
    // Shift, Ctrl and Alt keys): those are known by their numbers only.
    // One row of the keyboard per line.
    // clang-format off
    static const int kCodes[kKeyCount + 1] = {
        0,
        // row 1: 1..14  ` 1 2 3 4 5 6 7 8 9 0 - = Backspace
        192, 49, 50, 51, 52, 53, 54, 55, 56, 57, 48, 189, 187, 8,
        // row 2: 15..28  Tab Q W E R T Y U I O P [ ] backslash
        0, 81, 87, 69, 82, 84, 89, 85, 73, 79, 80, 219, 221, 220,
        // row 3: 29..41  Caps-Lock A S D F G H J K L ; ' Enter
        20, 65, 83, 68, 70, 71, 72, 74, 75, 76, 186, 222, 13,
        // row 4: 42..53  left-Shift Z X C V B N M , . / right-Shift (generic Shift)
        0, 90, 88, 67, 86, 66, 78, 77, 188, 190, 191, 16,
        // row 5: 54..61  left-Ctrl left-Windows left-Alt space right-Alt (generic Alt)
        //                right-Windows Menu right-Ctrl (generic Ctrl)
        0, 91, 0, 32, 18, 92, 93, 17,
    };
    // clang-format on
    for (int n = 1; n <= kKeyCount; ++n)
        if (kCodes[n] != 0) map[kCodes[n]] = n;
}

void FillKeyPositions(KeyPoint (&positions)[kKeyCount + 1]) {
    positions[0] = KeyPoint{};
    positions[1] = {0, 0};
    for (int n = 2; n <= 14; ++n) positions[n] = {59 + 57 * (n - 2), 0};
    positions[15] = {0, 59};
    for (int n = 16; n <= 28; ++n) positions[n] = {86 + 57 * (n - 16), 59};
    positions[29] = {0, 116};
    for (int n = 30; n <= 41; ++n) positions[n] = {101 + 57 * (n - 30), 116};
    positions[42] = {0, 173};
    for (int n = 43; n <= 53; ++n) positions[n] = {131 + 57 * (n - 43), 173};
    static const int kBottomRow[8] = {0, 74, 145, 216, 572, 643, 714, 785};
    for (int n = 54; n <= 61; ++n) positions[n] = {kBottomRow[n - 54], 230};
}

}  // namespace tastora
