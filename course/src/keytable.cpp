#include "keytable.h"

#include <map>
#include <set>
#include <sstream>

#include "util.h"

namespace course {

namespace {

Finger ParseFinger(const std::string& s, const std::string& where) {
    static const std::map<std::string, Finger> kNames = {{"LP", Finger::LP}, {"LR", Finger::LR}, {"LM", Finger::LM},
                                                         {"LI", Finger::LI}, {"RI", Finger::RI}, {"RM", Finger::RM},
                                                         {"RR", Finger::RR}, {"RP", Finger::RP}, {"TH", Finger::TH}};
    auto it = kNames.find(s);
    if (it == kNames.end()) throw CourseError(where, "unknown finger '" + s + "'");
    return it->second;
}

char32_t ParseChar(const std::string& field, const std::string& where) {
    if (field == "none") return kNone;
    if (field == "SP") return U' ';
    std::u32string u = DecodeUtf8(field, where);
    if (u.size() != 1) throw CourseError(where, "expected one character, got '" + field + "'");
    if (u[0] > 0xFFFF) throw CourseError(where, "character outside the 16-bit range");
    return u[0];
}

std::u32string ParseLabel(const std::string& field, const std::string& where) {
    if (field == "none") return {};
    std::u32string u = DecodeUtf8(field, where);
    for (char32_t& c : u)
        if (c == U'_') c = U' ';
    return u;
}

void PutUnit(std::string& out, char32_t u) {
    out += char(u & 0xFF);
    out += char((u >> 8) & 0xFF);
}

}  // namespace

KeyTable LoadKeyTable(const std::string& path) {
    KeyTable table;
    std::vector<std::string> lines = SplitLines(ReadFile(path));
    std::set<int> seen;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = Trim(lines[i]);
        if (line.empty() || line[0] == '#') continue;
        std::string where = path + ":" + std::to_string(i + 1);
        std::istringstream in(line);
        std::string f[7];
        for (auto& x : f)
            if (!(in >> x)) throw CourseError(where, "expected 7 fields: key plain shifted latin lshift finger home");
        std::string extra;
        if (in >> extra) throw CourseError(where, "more than 7 fields");
        Key k;
        try {
            k.number = std::stoi(f[0]);
            k.home = std::stoi(f[6]);
        } catch (...) {
            throw CourseError(where, "key and home must be numbers");
        }
        if (k.number < 1 || k.number > kKeyCount) throw CourseError(where, "key number out of 1..61");
        if (k.home < 0 || k.home > kKeyCount) throw CourseError(where, "home key out of 0..61");
        if (!seen.insert(k.number).second) throw CourseError(where, "key " + f[0] + " listed twice");
        k.plain = ParseChar(f[1], where);
        k.shifted = ParseChar(f[2], where);
        if ((k.plain == kNone) != (k.shifted == kNone)) throw CourseError(where, "a key has both characters or none");
        k.latin = ParseLabel(f[3], where);
        k.latinShifted = ParseLabel(f[4], where);
        k.finger = ParseFinger(f[5], where);
        if (k.plain == U' ' && k.number != kSpaceKey) throw CourseError(where, "only key 57 gives the space");
        table.keys[size_t(k.number)] = k;
    }
    for (int n = 1; n <= kKeyCount; ++n)
        if (!seen.count(n)) throw CourseError(path, "key " + std::to_string(n) + " is missing");
    if (table[kSpaceKey].plain != U' ') throw CourseError(path, "key 57 must be the space bar (SP)");
    // Every character belongs to one key only: the program finds a character's key by the
    // first line of the letter table that holds it.
    std::map<char32_t, int> owner;
    for (int n = 1; n <= kKeyCount; ++n) {
        const Key& k = table[n];
        if (!k.HasChars()) continue;
        for (char32_t c : {k.plain, k.shifted}) {
            if (n == kSpaceKey) continue;
            auto it = owner.find(c);
            if (it != owner.end() && it->second != n)
                throw CourseError(path, "character " + DescribeChar(c) + " is on keys " + std::to_string(it->second) +
                                            " and " + std::to_string(n));
            owner[c] = n;
        }
        if (k.plain == k.shifted && n != kSpaceKey)
            throw CourseError(path, "key " + std::to_string(n) + " gives the same character with and without Shift");
    }
    return table;
}

std::vector<LetterLine> MakeLetterTable(const KeyTable& table) {
    std::vector<LetterLine> lines;
    for (int n = 1; n <= kKeyCount; ++n)
        if (table[n].HasChars()) lines.push_back({table[n].plain, n});
    if (lines.size() != 48)
        throw CourseError("litere.txt",
                          "needs exactly 48 unshifted lines (with the space), has " + std::to_string(lines.size()));
    for (int n = 1; n <= kKeyCount; ++n)
        if (table[n].HasChars() && n != kSpaceKey) lines.push_back({table[n].shifted, n});
    if (lines.size() > 97) throw CourseError("litere.txt", "more than 97 lines");
    return lines;
}

std::string EncodeLetterTable(const std::vector<LetterLine>& lines) {
    std::string out;
    PutUnit(out, 0xFEFF);
    for (const LetterLine& l : lines) {
        PutUnit(out, l.ch);
        for (char d : std::to_string(l.key)) PutUnit(out, char32_t(d));
        PutUnit(out, U'\r');
        PutUnit(out, U'\n');
    }
    return out;
}

std::string EncodeHomeTable(const KeyTable& table) {
    std::string out;
    for (int n = 1; n <= 52; ++n) out += std::to_string(n) + " " + std::to_string(table[n].home) + "\r\n";
    return out;
}

LetterHit LookUp(const std::vector<LetterLine>& lines, char32_t ch) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].ch == ch) return {lines[i].key, int(i + 1)};
    return {};
}

KeySet PlainKeysOf(int set) { return set == 6 ? LetterSet(5) : LetterSet(set); }
KeySet ShiftedKeysOf(int set) { return set == 6 ? LetterSet(5) : KeySet(); }

KeyPlace KeyPlaceOf(int key) {
    constexpr int kHeight = 55, kGap = 2;
    struct Positions {
        tastora::KeyPoint at[kKeyCount + 1];
    };
    static const Positions positions = [] {
        Positions all;
        tastora::FillKeyPositions(all.at);
        return all;
    }();
    if (key < 1 || key > kKeyCount) return {0, 0, 0, 0};
    const tastora::KeyPoint at = positions.at[key];
    int right = kKeyboardWidth;
    if (key < kKeyCount && positions.at[key + 1].y == at.y) right = positions.at[key + 1].x - kGap;
    return {at.x, at.y, right - at.x, kHeight};
}

}  // namespace course
