#include "core/ini.h"

#include <cstring>

#include "core/data_lock.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/regional.h"
#include "core/text.h"

namespace tastora {

namespace {

// Longest value handed back, in characters (bytes of the code page).
constexpr size_t kMaxValue = 2047;

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A';
}

// Name or value as the profile services take it: surrounding blanks dropped.
std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// A section or key name as the lookups compare it: code-page bytes, trimmed, upper case.
std::string UpperName(const std::string& utf8) { return UpperCp1251(Trimmed(Utf8ToCp1251(utf8))); }

bool EqualNoCase(const char* a, size_t n, const std::string& upperB) {
    if (n != upperB.size()) return false;
    for (size_t i = 0; i < n; ++i)
        if (UpperCp1251(uint8_t(a[i])) != uint8_t(upperB[i])) return false;
    return true;
}

// A section header line: "[name]", blanks allowed around; the name runs to the last "]".
struct Header {
    size_t lineStart = 0;  // first byte of the header line
    size_t nameBegin = 0, nameEnd = 0;
    size_t bodyBegin = 0;  // first byte of the line after the header
};

// A view of the file's bytes that finds headers, sections and keys in one pass without
// copying lines.
class IniText {
public:
    explicit IniText(const std::string& bytes) : s_(bytes) {
        // A UTF-8 byte-order mark left by an editor does not hide the first section.
        if (s_.size() >= 3 && s_.compare(0, 3, "\xEF\xBB\xBF") == 0) base_ = 3;
    }

    // The next header whose "[" lies at or after `from`. Every line is looked at once: a
    // line whose first non-blank byte is not "[" is skipped whole, so a lookup stays linear
    // in the file's size whatever the lines hold. `from` is the start of a line.
    bool NextHeader(size_t from, Header& h) const {
        const char* data = s_.data();
        const size_t n = s_.size();
        while (from < n) {
            const void* hit = std::memchr(data + from, '[', n - from);
            if (!hit) return false;
            const size_t p = size_t(static_cast<const char*>(hit) - data);
            // Only blanks may stand before it on its line; otherwise the line holds no header.
            size_t b = p;
            while (b > base_ && (data[b - 1] == ' ' || data[b - 1] == '\t')) --b;
            if (b > base_ && data[b - 1] != '\n') {
                from = LineAfter(p);
                continue;
            }
            const void* lf = std::memchr(data + p, '\n', n - p);
            const size_t lineEnd = lf ? size_t(static_cast<const char*>(lf) - data) : n;
            size_t close = lineEnd;
            while (close > p + 1 && data[close - 1] != ']') --close;
            if (close > p + 1) {  // data[close - 1] is the last "]"
                size_t nb = p + 1, ne = close - 1;
                while (nb < ne && IsBlank(data[nb])) ++nb;
                while (ne > nb && IsBlank(data[ne - 1])) --ne;
                h.lineStart = b;
                h.nameBegin = nb;
                h.nameEnd = ne;
                h.bodyBegin = lf ? lineEnd + 1 : n;
                return true;
            }
            from = lf ? lineEnd + 1 : n;  // "[" without "]": an ordinary line
        }
        return false;
    }

    // The first section of that name (upper-case code-page bytes); body = its lines up to
    // the next header.
    bool FindSection(const std::string& upperName, Header& h, size_t& bodyEnd, size_t from = 0) const {
        Header cur;
        bool have = NextHeader(from, cur);
        while (have) {
            Header next;
            const bool haveNext = NextHeader(cur.bodyBegin, next);
            if (EqualNoCase(s_.data() + cur.nameBegin, cur.nameEnd - cur.nameBegin, upperName)) {
                h = cur;
                bodyEnd = haveNext ? next.lineStart : s_.size();
                return true;
            }
            cur = next;
            have = haveNext;
        }
        return false;
    }

    struct Key {
        size_t lineBegin, lineNext;   // the whole line, through its LF
        size_t keyBegin, keyEnd;      // trimmed name
        size_t equals;                // position of "="
        size_t valueBegin, valueEnd;  // trimmed value
    };

    // Calls fn(key) for every key line of [begin, end) until fn returns false.
    template <class Fn>
    void ForEachKey(size_t begin, size_t end, Fn fn) const {
        const char* data = s_.data();
        size_t pos = begin;
        while (pos < end) {
            const void* lf = std::memchr(data + pos, '\n', end - pos);
            const size_t lineEnd = lf ? size_t(static_cast<const char*>(lf) - data) : end;
            const size_t next = lf ? lineEnd + 1 : end;
            size_t first = pos;
            while (first < lineEnd && IsBlank(data[first])) ++first;
            if (first < lineEnd && data[first] != ';' && data[first] != '[') {
                const void* eq = std::memchr(data + first, '=', lineEnd - first);
                if (eq) {
                    Key k;
                    k.lineBegin = pos;
                    k.lineNext = next;
                    k.keyBegin = first;
                    k.equals = size_t(static_cast<const char*>(eq) - data);
                    k.keyEnd = k.equals;
                    while (k.keyEnd > first && IsBlank(data[k.keyEnd - 1])) --k.keyEnd;
                    // The end first: a rewrite replaces [equals + 1, valueEnd) and must
                    // keep the line's CR.
                    k.valueEnd = lineEnd;
                    while (k.valueEnd > k.equals + 1 && IsBlank(data[k.valueEnd - 1])) --k.valueEnd;
                    k.valueBegin = k.equals + 1;
                    while (k.valueBegin < k.valueEnd && IsBlank(data[k.valueBegin])) ++k.valueBegin;
                    if (k.keyEnd > k.keyBegin && !fn(k)) return;
                }
            }
            pos = next;
        }
    }

    bool FindKey(size_t begin, size_t end, const std::string& upperKey, Key& found) const {
        bool ok = false;
        ForEachKey(begin, end, [&](const Key& k) {
            if (EqualNoCase(s_.data() + k.keyBegin, k.keyEnd - k.keyBegin, upperKey)) {
                found = k;
                ok = true;
                return false;
            }
            return true;
        });
        return ok;
    }

    // The start of the line after the one holding position p (the end of the text when none).
    size_t LineAfter(size_t p) const {
        const void* lf = std::memchr(s_.data() + p, '\n', s_.size() - p);
        return lf ? size_t(static_cast<const char*>(lf) - s_.data()) + 1 : s_.size();
    }

    std::string Slice(size_t b, size_t e) const { return s_.substr(b, e - b); }
    bool EndsWithLineBreak() const { return s_.empty() || s_.back() == '\n'; }

private:
    const std::string& s_;
    size_t base_ = 0;
};

// A value as the profile services return it: a pair of matching quotes around it is dropped.
std::string Unquoted(std::string v) {
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    return v;
}

bool HasLineBreakOrNul(const std::string& s) {
    for (char c : s)
        if (c == '\r' || c == '\n' || c == '\0') return true;
    return false;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) {
    std::string bytes;
    if (ReadWholeFile(path_, bytes)) {
        const IniText ini(bytes);
        Header h;
        size_t bodyEnd = 0;
        IniText::Key k;
        if (ini.FindSection(UpperName(section), h, bodyEnd) &&
            ini.FindKey(h.bodyBegin, bodyEnd, UpperName(key), k)) {
            std::string value = Unquoted(ini.Slice(k.valueBegin, k.valueEnd));
            if (value.size() > kMaxValue) value.resize(kMaxValue);
            return Cp1251ToUtf8(value);
        }
    }
    return def;
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key, int32_t def) {
    int32_t v = 0;
    return ParseInt(ReadString(section, key, ""), v) ? v : def;
}

double IniFile::ReadFloat(const std::string& section, const std::string& key, double def, char decimalSeparator) {
    double v = 0;
    return ParseReal(ReadString(section, key, ""), decimalSeparator, v) ? v : def;
}

bool IniFile::SectionHasKeys(const std::string& section) {
    std::string bytes;
    if (!ReadWholeFile(path_, bytes)) return false;
    const IniText ini(bytes);
    Header h;
    size_t bodyEnd = 0;
    if (!ini.FindSection(UpperName(section), h, bodyEnd)) return false;
    bool any = false;
    ini.ForEachKey(h.bodyBegin, bodyEnd, [&](const IniText::Key&) {
        any = true;
        return false;
    });
    return any;
}

bool IniFile::SectionExists(const std::string& section) {
    std::string bytes;
    if (!ReadWholeFile(path_, bytes)) return false;
    Header h;
    size_t bodyEnd = 0;
    return IniText(bytes).FindSection(UpperName(section), h, bodyEnd);
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) {
    std::vector<std::string> keys;
    std::string bytes;
    if (!ReadWholeFile(path_, bytes)) return keys;
    const IniText ini(bytes);
    Header h;
    size_t bodyEnd = 0;
    if (!ini.FindSection(UpperName(section), h, bodyEnd)) return keys;
    ini.ForEachKey(h.bodyBegin, bodyEnd, [&](const IniText::Key& k) {
        keys.push_back(Cp1251ToUtf8(ini.Slice(k.keyBegin, k.keyEnd)));
        return true;
    });
    return keys;
}

namespace {

// The file's bytes with key = value set in its section, as one write leaves them.
std::string WithValue(const std::string& bytes, const std::string& sec, const std::string& name,
                      const std::string& val) {
    const IniText ini(bytes);
    std::string out;
    out.reserve(bytes.size() + sec.size() + name.size() + val.size() + 16);

    Header h;
    size_t bodyEnd = 0;
    if (!ini.FindSection(UpperCp1251(sec), h, bodyEnd)) {
        // A new section goes at the end of the file.
        out = bytes;
        if (!ini.EndsWithLineBreak()) out += "\r\n";
        out += '[';
        out += sec;
        out += "]\r\n";
        out += name;
        out += '=';
        out += val;
        out += "\r\n";
    } else {
        IniText::Key k;
        if (ini.FindKey(h.bodyBegin, bodyEnd, UpperCp1251(name), k)) {
            // The key keeps its line and its spelling; only the value changes.
            out.append(bytes, 0, k.equals + 1);
            out += val;
            out.append(bytes, k.valueEnd, std::string::npos);
        } else {
            // A new key goes after the last key line of its section.
            size_t at = h.bodyBegin;
            ini.ForEachKey(h.bodyBegin, bodyEnd, [&](const IniText::Key& key) {
                at = key.lineNext;
                return true;
            });
            out.append(bytes, 0, at);
            if (at == bytes.size() && !ini.EndsWithLineBreak()) out += "\r\n";
            out += name;
            out += '=';
            out += val;
            out += "\r\n";
            out.append(bytes, at, std::string::npos);
        }
    }
    return out;
}

}  // namespace

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    WriteStrings(section, {{key, value}});
}

void IniFile::WriteStrings(const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& values) {
    if (values.empty()) return;
    const std::string sec = Trimmed(Utf8ToCp1251(section));
    const TastoraError failure("Unable to write to " + path_);
    std::vector<std::pair<std::string, std::string>> pairs;
    pairs.reserve(values.size());
    for (const auto& v : values) {
        const std::string name = Trimmed(Utf8ToCp1251(v.first));
        const std::string val = Utf8ToCp1251(v.second);
        // What the file's syntax cannot hold is refused rather than written half-way.
        if (sec.empty() || name.empty() || HasLineBreakOrNul(sec) || HasLineBreakOrNul(name) ||
            HasLineBreakOrNul(val) || name.find('=') != std::string::npos || name[0] == ';' || name[0] == '[')
            throw failure;
        pairs.emplace_back(name, val);
    }

    const DataLock lock;  // another copy of the program must not write between read and replace
    std::string bytes;
    if (!ReadWholeFile(path_, bytes)) {
        // A file that exists but cannot be read would be lost by a rewrite.
        if (FileExists(path_)) throw failure;
        bytes.clear();
    }
    for (const auto& p : pairs) bytes = WithValue(bytes, sec, p.first, p.second);
    if (!WriteFileReplacing(path_, bytes)) throw failure;
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteFloat(const std::string& section, const std::string& key, double value, char decimalSeparator) {
    WriteString(section, key, FormatReal(value, decimalSeparator));
}

void IniFile::EraseSection(const std::string& section) {
    const DataLock lock;
    std::string bytes;
    if (!ReadWholeFile(path_, bytes)) {
        if (FileExists(path_)) throw TastoraError("Unable to write to " + path_);
        return;  // no file, no section
    }
    const std::string upper = UpperName(section);
    const IniText ini(bytes);
    // Every section of that name goes, so that no second copy takes the profile's place.
    std::string out;
    size_t kept = 0, from = 0;
    Header h;
    size_t bodyEnd = 0;
    bool any = false;
    while (ini.FindSection(upper, h, bodyEnd, from)) {
        out.append(bytes, kept, h.lineStart - kept);
        kept = bodyEnd;
        from = bodyEnd;
        any = true;
    }
    if (!any) return;
    out.append(bytes, kept, std::string::npos);
    if (!WriteFileReplacing(path_, out)) throw TastoraError("Unable to write to " + path_);
}

}  // namespace tastora
