#pragma once
// The keyboard of the course (content/keys.txt), the letter table and the home-key table made
// from it. The key numbers, the built-in key sets and where each key sits on the keyboard
// picture are the program's own (exercise/keys.h).
#include <array>
#include <string>
#include <vector>

#include "exercise/keys.h"

namespace course {

using tastora::KeySet;
using tastora::kKeyCount;
using tastora::kSpaceKey;
// The built-in key sets 1..6 (set 6 adds the Shift keys).
using tastora::LetterSet;
constexpr char32_t kNone = 0;

enum class Finger { LP, LR, LM, LI, RI, RM, RR, RP, TH };

struct Key {
    int number = 0;
    char32_t plain = kNone;  // kNone: the key gives no character
    char32_t shifted = kNone;
    std::u32string latin;  // Latin legend, or the name of a key without characters
    std::u32string latinShifted;
    Finger finger = Finger::TH;
    int home = 0;
    bool HasChars() const { return plain != kNone; }
};

struct KeyTable {
    std::array<Key, kKeyCount + 1> keys;  // index = key number; [0] unused
    const Key& operator[](int n) const { return keys[size_t(n)]; }
};

// Reads and checks content/keys.txt.
KeyTable LoadKeyTable(const std::string& path);

// One line of the letter table: a character and its key number.
struct LetterLine {
    char32_t ch;
    int key;
};
// Unshifted characters and the space (lines 1..48), then the shifted ones.
std::vector<LetterLine> MakeLetterTable(const KeyTable& table);
// The file itself: BOM, "<char><key>" CR LF per line, UTF-16LE.
std::string EncodeLetterTable(const std::vector<LetterLine>& lines);
// home.txt: "<key> <home>" CR LF for the keys 1..52.
std::string EncodeHomeTable(const KeyTable& table);

// Key number and 1-based line of the first line of the table holding ch; {0, 0} when none.
struct LetterHit {
    int key = 0;
    int line = 0;
};
LetterHit LookUp(const std::vector<LetterLine>& lines, char32_t ch);

// Keys whose plain / shifted characters a lesson of the given set asks to type.
KeySet PlainKeysOf(int set);
KeySet ShiftedKeysOf(int set);

struct KeyPlace {
    int x, y, w, h;
};
// Where each key's picture sits on the 857 x 289 keyboard picture (the program's key
// positions), and its size: 55 high, as wide as the room up to the next key of its row (2
// pixels apart) or the picture's right edge.
KeyPlace KeyPlaceOf(int key);
constexpr int kKeyboardWidth = 857;
constexpr int kKeyboardHeight = 289;

}  // namespace course
