#include "results/review_file.h"

#include <cstdint>
#include <cstdio>

#include "core/text.h"

namespace tastora {

namespace {

constexpr size_t kLongestKeptName = 64;
constexpr size_t kLongestMappedPart = 32;

bool IsForbiddenByte(uint8_t b) {
    if (b < 0x20 || b == 0x7F) return true;
    switch (b) {
        case '\\': case '/': case ':': case '*': case '?':
        case '"': case '<': case '>': case '|':
            return true;
        default:
            return false;
    }
}

// CON, PRN, AUX, NUL, COM0..COM9, LPT0..LPT9 (with any extension: "con.x" is the device
// too), CONIN$, CONOUT$, CLOCK$.
bool IsDeviceName(const std::string& cp1251) {
    std::string base = cp1251.substr(0, cp1251.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = UpperCp1251(base);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$" || base == "CLOCK$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '0' && base[3] <= '9';
}

// The names of the course's own lesson files: L<digits>, T<digits>, <digits>.
bool IsLessonFileName(const std::string& cp1251) {
    size_t i = 0;
    if (!cp1251.empty() && (cp1251[0] == 'L' || cp1251[0] == 'l' || cp1251[0] == 'T' || cp1251[0] == 't'))
        i = 1;
    if (i == cp1251.size()) return false;
    for (; i < cp1251.size(); ++i)
        if (cp1251[i] < '0' || cp1251[i] > '9') return false;
    return true;
}

uint32_t Fnv1a(const std::string& bytes) {
    uint32_t h = 2166136261u;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

}  // namespace

bool IsSafeReviewName(const std::string& profileName) {
    bool lossless = true;
    const std::string cp = Utf8ToCp1251(profileName, &lossless);
    if (!lossless || cp.empty() || cp.size() > kLongestKeptName) return false;
    for (unsigned char c : cp)
        if (IsForbiddenByte(c)) return false;
    if (cp.front() == ' ' || cp.back() == ' ' || cp.back() == '.') return false;
    return !IsDeviceName(cp) && !IsLessonFileName(cp);
}

std::string ReviewFileName(const std::string& profileName) {
    if (IsSafeReviewName(profileName)) return profileName + ".txt";

    bool lossless = true;
    const std::string cp = Utf8ToCp1251(profileName, &lossless);
    // The same profile whatever the letter case it was typed in (INI names ignore case).
    const uint32_t hash = Fnv1a(lossless ? UpperCp1251(cp) : profileName);
    std::string part;
    for (unsigned char c : cp) {
        if (part.size() >= kLongestMappedPart) break;
        part += IsForbiddenByte(c) ? '_' : char(c);
    }
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", unsigned(hash));
    // '?' stands for a character that Windows-1251 lacks; it is forbidden above and so
    // already replaced.
    return "_" + Cp1251ToUtf8(part) + "_" + digits + ".txt";
}

std::string ReviewFilePath(const std::string& profileName) {
    return "data\\text\\" + ReviewFileName(profileName);
}

}  // namespace tastora
