#pragma once
// Key numbers 1..61: the keys of the main block of a PC keyboard, row by row from the top
// left (57 the space bar, 42 and 53 the Shift keys), and the built-in key sets.
#include <bitset>
#include <cstdint>

namespace tastora {

// A set of key numbers (bits 0..255).
using KeySet = std::bitset<256>;

constexpr int kKeyCount = 61;
constexpr int kSpaceKey = 57;
constexpr int kLeftShiftKey = 42;
constexpr int kRightShiftKey = 53;

struct KeyPoint {
    int x = 0, y = 0;
};

// The keys that show a shifted symbol as the key to press next (a "next shifted" picture):
// the digit row (1 to 13) and 50 to 52.
bool HasNextShiftedFace(int key);

// LetterSet 1..6; any other number gives an empty set.
KeySet LetterSet(int n);
// The keys whose unshifted characters a lesson of letter set n (1..6) types: sets 1 to 5
// themselves, set 5 for set 6 (which adds the Shift keys); empty for any other number.
KeySet PlainKeysOf(int letterSet);
// Virtual-key code -> key number (0 for codes that no key of the table has).
void FillKeyCodeMap(int (&map)[256]);
// Top-left corner of each key's picture on the keyboard bitmap, by key number (index 0 unused).
void FillKeyPositions(KeyPoint (&positions)[kKeyCount + 1]);

}  // namespace tastora
