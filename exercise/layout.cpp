#include "exercise/layout.h"

#include <vector>

namespace tastora {

LayoutNotes LayOutText(const std::u16string& line, const LetterTable& letters, const KeySet& plainKeys,
                       const KeySet& shiftedKeys, TextCells* grid) {
    LayoutNotes notes;
    const std::u16string text = line + u' ';
    const size_t n = text.size();
    if (grid)
        for (int c = 1; c <= kTextColumns; ++c)
            for (int r = 1; r <= kTextRows; ++r) (*grid)[c][r] = kBlankCell;

    // For every character: where its word ends (the next space) and whether that word is
    // longer than a row. One pass from the end keeps long lines linear.
    std::vector<size_t> nextSpace(n);
    size_t next = n - 1;
    for (size_t i = n; i-- > 0;) {
        if (text[i] == u' ') next = i;
        nextSpace[i] = next;
    }

    int c = 1, r = 1;
    size_t wordStart = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t ch = text[i];
        if (i == 0 || text[i - 1] == u' ') wordStart = i;
        const LetterHit hit = letters.Find(ch);
        const int k = hit.key;

        // Word wrap: p is the 1-based position of the first space from here on.
        const size_t p = nextSpace[i] - i + 1;
        const bool longWord = ch != u' ' && nextSpace[i] - wordStart > size_t(kTextColumns);
        bool wrap;
        if (c == kTextColumns + 1) {
            wrap = true;
            if (longWord && i != wordStart && r <= kTextRows) notes.continues[r] = true;
        } else if (longWord) {
            // A word that no row can hold starts a row of its own and is broken at its end.
            wrap = i == wordStart && c > 1;
        } else {
            wrap = size_t(c) + p >= size_t(kTextColumns) + 3;
        }
        if (wrap) {
            ++r;
            c = 1;
        }
        // A space never starts a row.
        if (c == 1 && k == kSpaceKey) continue;
        if (!hit.Found()) {
            if (!notes.hasMissing) {
                notes.hasMissing = true;
                notes.missing = ch;
            }
        }
        if (r > kTextRows) {
            notes.cut = true;
            break;
        }
        Cell cell = kBlankCell;
        if (hit.Found()) {
            cell.key = uint8_t(k);
            cell.shifted = hit.Shifted() && k != kSpaceKey;
            const KeySet& typed = cell.shifted ? shiftedKeys : plainKeys;
            cell.mark = typed.test(size_t(k)) ? Mark::kToType : Mark::kDone;
        }
        if (grid) (*grid)[c][r] = cell;
        ++c;
    }
    return notes;
}

std::string Cell::Code() const {
    if (Empty()) return "";
    std::string code = std::to_string(key);
    if (shifted) code += 'u';
    if (mark == Mark::kDone) code += 'b';
    if (mark == Mark::kWrong) code += 'r';
    return code;
}

Cell Cell::Parse(const std::string& code) {
    Cell cell;
    size_t i = 0;
    int key = 0;
    while (i < code.size() && i < 2 && code[i] >= '0' && code[i] <= '9') key = key * 10 + (code[i++] - '0');
    if (i == 0 || key > 255) return Cell();
    std::string suffix = code.substr(i);
    if (!suffix.empty() && suffix[0] == 'u') {
        cell.shifted = true;
        suffix.erase(0, 1);
    }
    if (suffix == "b")
        cell.mark = Mark::kDone;
    else if (suffix == "r")
        cell.mark = Mark::kWrong;
    else if (!suffix.empty())
        return Cell();
    cell.key = uint8_t(key);
    return cell;
}

}  // namespace tastora
