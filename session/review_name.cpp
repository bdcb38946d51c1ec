#include "session/review_name.h"

#include <cstdint>
#include <cstdio>

#include "core/text.h"

namespace tastora {

namespace {

// A file name has at most 255 characters, ".txt" included.
constexpr size_t kLongestKeptName = 255 - 4;
constexpr size_t kLongestMappedPart = 32;

// The names of the course's own lesson files: L<digits>, T<digits>, <digits>.
bool IsLessonFileName(const std::string& cp1251) {
    size_t i = 0;
    if (!cp1251.empty() && (cp1251[0] == 'L' || cp1251[0] == 'l' || cp1251[0] == 'T' || cp1251[0] == 't')) i = 1;
    if (i == cp1251.size()) return false;
    for (; i < cp1251.size(); ++i)
        if (cp1251[i] < '0' || cp1251[i] > '9') return false;
    return true;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// The form of a mapped name: "_<part>_<8 hex digits>" (in any letter case, as the file
// system compares names). A profile whose name has this form is mapped itself, so that no
// kept name can ever be the file of another profile's mapped name.
bool HasMappedForm(const std::string& cp1251) {
    const size_t n = cp1251.size();
    if (n < 10 || cp1251.front() != '_' || cp1251[n - 9] != '_') return false;
    for (size_t i = n - 8; i < n; ++i)
        if (!IsHexDigit(cp1251[i])) return false;
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

bool IsForbiddenFileNameByte(uint8_t b) {
    if (b < 0x20 || b == 0x7F) return true;
    switch (b) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|': return true;
        default: return false;
    }
}

bool IsDeviceName(const std::string& cp1251, std::string* base) {
    std::string name = cp1251.substr(0, cp1251.find('.'));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (base) *base = name;
    name = UpperCp1251(name);
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" || name == "CONOUT$" ||
        name == "CLOCK$")
        return true;
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) && name[3] >= '0' &&
           name[3] <= '9';
}

bool IsSafeReviewName(const std::string& profileName) {
    bool lossless = true;
    const std::string cp = Utf8ToCp1251(profileName, &lossless);
    if (!lossless || cp.empty() || cp.size() > kLongestKeptName) return false;
    for (unsigned char c : cp)
        if (IsForbiddenFileNameByte(c)) return false;
    // Windows drops blanks and dots at the end of a file name: "a." would be the file "a".
    if (cp.back() == ' ' || cp.back() == '.') return false;
    return !IsDeviceName(cp) && !IsLessonFileName(cp) && !HasMappedForm(cp);
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
        part += IsForbiddenFileNameByte(c) ? '_' : char(c);
    }
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", unsigned(hash));
    // '?' stands for a character that Windows-1251 lacks; it is forbidden above and so
    // already replaced.
    return "_" + Cp1251ToUtf8(part) + "_" + digits + ".txt";
}

std::string ReviewFilePath(const std::string& profileName) { return "data\\text\\" + ReviewFileName(profileName); }

}  // namespace tastora
