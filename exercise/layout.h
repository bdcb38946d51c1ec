#pragma once
// Laying a lesson line out on the 40 x 7 text grid, and reading cell codes back.
#include <string>

#include "exercise/keys.h"
#include "exercise/letter_table.h"

namespace tastora {

constexpr int kTextColumns = 40;
constexpr int kTextRows = 7;
// Cell codes by [column][row], columns 1..40 and rows 1..7 (index 0 unused).
using TextCells = std::string[kTextColumns + 1][kTextRows + 1];

// What laying a line out met on the way.
struct LayoutNotes {
    // Characters that did not fit into the 7 rows and were left out.
    bool cut = false;
    // The first character the letter table lacks (0 when none); such characters are shown
    // as blank done cells ("57b") and are never typed.
    char16_t missing = 0;
    bool hasMissing = false;
    // continues[r]: row r was ended by a word longer than 40 characters that goes on in the
    // next row (no space was dropped there).
    bool continues[kTextRows + 1] = {};
};

// Lays one lesson line out: one space is appended, every cell becomes "57b", then the
// characters are placed with word wrap (a word that would end beyond column 40 starts a new
// row, a space never starts a row). A character is coded by its key from the letter table:
// the key alone when it is to be typed (unshifted and in plainKeys, shifted and in
// shiftedKeys with "u"), with "b" or "ub" when it is only shown as done. A word longer than
// 40 characters is broken at the end of the row. Never writes outside the grid.
// grid may be null to only check the line.
LayoutNotes LayOutText(const std::u16string& line, const LetterTable& letters, const KeySet& plainKeys,
                       const KeySet& shiftedKeys, TextCells* grid);

// Splits a cell code: the first character is the first digit of the key number, the second
// one a second digit when it is 0..9, the rest is the suffix. False (key 0) when the code
// does not start with a digit.
bool SplitCellCode(const std::string& code, int& key, std::string& suffix);

}  // namespace tastora
