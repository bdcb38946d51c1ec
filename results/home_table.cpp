#include "results/home_table.h"

#include "core/files.h"
#include "core/text.h"

namespace tastora {

namespace {

constexpr int kLastHomeEntry = 52;  // the table is read up to the line of this key

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The next field of blank-separated text from i on (empty at the end of the text).
std::string NextField(const std::string& text, size_t& i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    return text.substr(start, i - start);
}

}  // namespace

HomeTableState ParseHomeTable(const std::string& bytes, HomeTable& home) {
    home.fill(0);
    bool damaged = false;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Two numbers; the rest of the line is skipped.
        size_t i = 0;
        const std::string first = NextField(line, i);
        if (first.empty()) continue;  // a blank line
        int32_t key = 0, homeKey = 0;
        if (!ParseInt(first, key) || !ParseInt(NextField(line, i), homeKey) || key < 1 || key > kKeyCount ||
            homeKey < 0 || homeKey > kKeyCount) {
            damaged = true;
            continue;
        }
        home[size_t(key)] = homeKey;
        if (key == kLastHomeEntry) return damaged ? HomeTableState::Damaged : HomeTableState::Complete;
    }
    return HomeTableState::Damaged;  // no line for key 52
}

HomeTableState ReadHomeTable(HomeTable& home) {
    home.fill(0);
    std::string bytes;
    if (!ReadWholeFile(kHomeTablePath, bytes, 1u << 20)) return HomeTableState::Missing;
    return ParseHomeTable(bytes, home);
}

}  // namespace tastora
