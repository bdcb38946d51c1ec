#pragma once
// Laying a lesson line out on the 40 x 7 text grid of typed cells.
#include <cstdint>
#include <string>

#include "exercise/keys.h"
#include "exercise/letter_table.h"

namespace tastora {

constexpr int kTextColumns = 40;
constexpr int kTextRows = 7;
// How a character of the text looks: still to type, typed right, typed wrong.
enum class Mark : uint8_t { kToType = 0, kDone = 1, kWrong = 2 };

// One cell of the grid: the key that types it (0 for a cell that holds nothing), whether
// Shift goes with it, and its look.
struct Cell {
    uint8_t key = 0;
    bool shifted = false;
    Mark mark = Mark::kToType;

    bool Empty() const { return key == 0; }
    // A cell that waits to be typed.
    bool Pending() const { return key != 0 && mark == Mark::kToType; }
    // The picture of the cell among the six looks of its key: to type, done, wrong, then
    // the same three shifted.
    int Look() const { return (shifted ? 3 : 0) + int(mark); }
    // The code of the cell as the course data and the key counters spell it: the key number,
    // "u" when shifted, "b" when done, "r" when wrong ("" for an empty cell).
    std::string Code() const;
    // The cell of a code; an empty cell when the code is none.
    static Cell Parse(const std::string& code);
    bool operator==(const Cell& o) const { return key == o.key && shifted == o.shifted && mark == o.mark; }
    bool operator!=(const Cell& o) const { return !(*this == o); }
};

// The blank cell: the space shown as done.
constexpr Cell kBlankCell{57, false, Mark::kDone};

// Cells by [column][row], columns 1..40 and rows 1..7 (index 0 unused).
using TextCells = Cell[kTextColumns + 1][kTextRows + 1];

// What laying a line out met on the way.
struct LayoutNotes {
    // Characters that did not fit into the 7 rows and were left out.
    bool cut = false;
    // The first character the letter table lacks (0 when none); such characters are shown
    // as blank cells and are never typed.
    char16_t missing = 0;
    bool hasMissing = false;
    // continues[r]: row r was ended by a word longer than 40 characters that goes on in the
    // next row (no space was dropped there).
    bool continues[kTextRows + 1] = {};
};

// Lays one lesson line out: one space is appended, every cell becomes blank, then the
// characters are placed with word wrap (a word that would end beyond column 40 starts a new
// row, a space never starts a row). A character becomes its key from the letter table, to
// be typed when its key is in plainKeys (unshifted) or shiftedKeys (shifted), otherwise only
// shown as done. A word longer than 40 characters is broken at the end of the row. Never
// writes outside the grid.
// grid may be null to only check the line.
LayoutNotes LayOutText(const std::u16string& line, const LetterTable& letters, const KeySet& plainKeys,
                       const KeySet& shiftedKeys, TextCells* grid);

}  // namespace tastora
