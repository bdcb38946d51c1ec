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
            for (int r = 1; r <= kTextRows; ++r) (*grid)[c][r] = "57b";

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
        std::string code;
        if (!hit.Found()) {
            code = "57b";
        } else if (!hit.Shifted() || k == kSpaceKey) {
            code = std::to_string(k);
            if (!plainKeys.test(size_t(k))) code += "b";
        } else {
            code = std::to_string(k) + (shiftedKeys.test(size_t(k)) ? "u" : "ub");
        }
        if (grid) (*grid)[c][r] = code;
        ++c;
    }
    return notes;
}

bool SplitCellCode(const std::string& code, int& key, std::string& suffix) {
    key = 0;
    suffix.clear();
    if (code.empty() || code[0] < '0' || code[0] > '9') return false;
    key = code[0] - '0';
    size_t i = 1;
    if (code.size() > 1 && code[1] >= '0' && code[1] <= '9') {
        key = key * 10 + (code[1] - '0');
        i = 2;
    }
    suffix = code.substr(i);
    return true;
}

}  // namespace tastora
