#include "core/ini.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>

#include "core/data_lock.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/regional.h"
#include "core/text.h"

namespace tastora {

namespace {

// Longest value handed back, in characters (bytes of the code page).
constexpr size_t kMaxValue = 2047;

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A'; }

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

// The program's parse of one file: its bytes as last read or written, the stamp of that
// version, and where its section headers lie.
struct IniFile::Parse {
    bool loaded = false;  // false: to be read before use
    bool exists = false;  // the file could be read
    FileStamp stamp;
    std::string bytes;
    bool indexed = false;
    std::vector<Header> headers;                    // in file order
    std::unordered_map<std::string, size_t> first;  // upper-case name -> its first header

    void Load(const std::string& path) {
        exists = ReadWholeFile(path, bytes, 64u << 20, &stamp);
        if (!exists) bytes.clear();
        loaded = true;
        indexed = false;
    }

    void Index() {
        if (indexed) return;
        headers.clear();
        first.clear();
        const IniText ini(bytes);
        Header h;
        for (size_t from = 0; ini.NextHeader(from, h); from = h.bodyBegin) {
            first.emplace(UpperCp1251(bytes.substr(h.nameBegin, h.nameEnd - h.nameBegin)), headers.size());
            headers.push_back(h);
        }
        indexed = true;
    }

    // The first section of that name (upper-case code-page bytes): its header's index and
    // the end of its body.
    bool Find(const std::string& upperName, size_t& index, size_t& bodyEnd) {
        Index();
        const auto it = first.find(upperName);
        if (it == first.end()) return false;
        index = it->second;
        bodyEnd = index + 1 < headers.size() ? headers[index + 1].lineStart : bytes.size();
        return true;
    }

    // The values of section sec (code-page bytes, trimmed) written over the old ones, when
    // every key exists and keeps its value's length and the bytes that change lie within one
    // page of the file: one write of a few bytes, which a killed process makes whole or not
    // at all, and whose cost does not grow with the file. The file is then what the
    // replacement would have made it. False: nothing written, the file is to be replaced.
    bool WriteInPlace(const std::string& path, const std::string& sec,
                      const std::vector<std::pair<std::string, std::string>>& pairs) {
        constexpr size_t kPage = 4096;
        size_t index = 0, bodyEnd = 0;
        if (!exists || !Find(UpperCp1251(sec), index, bodyEnd)) return false;
        const IniText ini(bytes);
        std::vector<std::pair<size_t, const std::string*>> edits;  // where each value goes
        size_t first = std::string::npos, last = 0;                // the bytes that change
        for (const auto& v : pairs) {
            IniText::Key k;
            if (!ini.FindKey(headers[index].bodyBegin, bodyEnd, UpperCp1251(v.first), k)) return false;
            const size_t at = k.equals + 1;
            if (k.valueEnd - at != v.second.size()) return false;
            edits.emplace_back(at, &v.second);
            for (size_t i = 0; i < v.second.size(); ++i)
                if (bytes[at + i] != v.second[i]) {
                    first = std::min(first, at + i);
                    last = std::max(last, at + i + 1);
                }
        }
        if (first == std::string::npos) return true;  // every value is there already
        if (first / kPage != (last - 1) / kPage) return false;
        std::string span = bytes.substr(first, last - first);
        for (const auto& e : edits)
            for (size_t i = 0; i < e.second->size(); ++i)
                if (e.first + i >= first && e.first + i < last) span[e.first + i - first] = (*e.second)[i];
        if (!WriteFileAt(path, first, span, stamp.written)) return false;
        bytes.replace(first, span.size(), span);
        return true;
    }

    // Sets name = value in section sec (code-page bytes, trimmed) as one write of the
    // profile services leaves the file.
    void Set(const std::string& sec, const std::string& name, const std::string& val) {
        size_t index = 0, bodyEnd = 0;
        if (!Find(UpperCp1251(sec), index, bodyEnd)) {
            // A new section goes at the end of the file.
            if (!bytes.empty() && bytes.back() != '\n') bytes += "\r\n";
            bytes += '[' + sec + "]\r\n" + name + '=' + val + "\r\n";
            indexed = false;
            return;
        }
        const Header& h = headers[index];
        const IniText ini(bytes);
        IniText::Key k;
        ptrdiff_t moved = 0;
        if (ini.FindKey(h.bodyBegin, bodyEnd, UpperCp1251(name), k)) {
            // The key keeps its line and its spelling; only the value changes.
            bytes.replace(k.equals + 1, k.valueEnd - (k.equals + 1), val);
            moved = ptrdiff_t(val.size()) - ptrdiff_t(k.valueEnd - (k.equals + 1));
        } else {
            // A new key goes after the last key line of its section.
            size_t at = h.bodyBegin;
            ini.ForEachKey(h.bodyBegin, bodyEnd, [&](const IniText::Key& key) {
                at = key.lineNext;
                return true;
            });
            std::string line;
            if (at == bytes.size() && !ini.EndsWithLineBreak()) line = "\r\n";
            line += name + '=' + val + "\r\n";
            bytes.insert(at, line);
            moved = ptrdiff_t(line.size());
        }
        // Every later section moves with the text.
        for (size_t i = index + 1; i < headers.size(); ++i) {
            Header& later = headers[i];
            later.lineStart += moved;
            later.nameBegin += moved;
            later.nameEnd += moved;
            later.bodyBegin += moved;
        }
    }
};

namespace {

// The parses the program keeps, by absolute path. The program works on a handful of files;
// beyond that (tests with many folders) the kept ones are dropped.
constexpr size_t kKeptParses = 16;

std::map<std::string, IniFile::Parse>& Parses() {
    static std::map<std::string, IniFile::Parse> parses;
    return parses;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

void IniFile::ForgetAll() { Parses().clear(); }

IniFile::Parse& IniFile::Current(bool check) {
    auto& parses = Parses();
    if (!checked_) key_ = AbsolutePath(path_);
    auto it = parses.find(key_);
    if (it == parses.end()) {
        if (parses.size() >= kKeptParses) parses.clear();
        it = parses.emplace(key_, Parse()).first;
    }
    Parse& p = it->second;
    if (!p.loaded) {
        p.Load(path_);
    } else if (check || !checked_) {
        FileStamp now;
        const bool present = GetFileStamp(path_, now);
        if (present != p.exists || (present && now != p.stamp)) p.Load(path_);
    }
    checked_ = true;
    return p;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) {
    Parse& p = Current(false);
    size_t index = 0, bodyEnd = 0;
    IniText::Key k;
    if (p.Find(UpperName(section), index, bodyEnd) &&
        IniText(p.bytes).FindKey(p.headers[index].bodyBegin, bodyEnd, UpperName(key), k)) {
        std::string value = Unquoted(p.bytes.substr(k.valueBegin, k.valueEnd - k.valueBegin));
        if (value.size() > kMaxValue) value.resize(kMaxValue);
        return Cp1251ToUtf8(value);
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
    Parse& p = Current(false);
    size_t index = 0, bodyEnd = 0;
    if (!p.Find(UpperName(section), index, bodyEnd)) return false;
    bool any = false;
    IniText(p.bytes).ForEachKey(p.headers[index].bodyBegin, bodyEnd, [&](const IniText::Key&) {
        any = true;
        return false;
    });
    return any;
}

bool IniFile::SectionExists(const std::string& section) {
    Parse& p = Current(false);
    size_t index = 0, bodyEnd = 0;
    return p.Find(UpperName(section), index, bodyEnd);
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) {
    std::vector<std::string> keys;
    Parse& p = Current(false);
    size_t index = 0, bodyEnd = 0;
    if (!p.Find(UpperName(section), index, bodyEnd)) return keys;
    const IniText ini(p.bytes);
    ini.ForEachKey(p.headers[index].bodyBegin, bodyEnd, [&](const IniText::Key& k) {
        keys.push_back(Cp1251ToUtf8(ini.Slice(k.keyBegin, k.keyEnd)));
        return true;
    });
    return keys;
}

// After a write: the parse is the file's new version; when that cannot be told, the file
// is read again at the next lookup.
void IniFile::Written(Parse& p, bool ok) {
    if (ok) {
        p.exists = true;
        ok = GetFileStamp(path_, p.stamp);
    }
    if (!ok) p.loaded = false;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    WriteStrings(section, {{key, value}});
}

void IniFile::WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values) {
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

    const DataLock lock;  // another copy of the program must not write between check and replace
    Parse& p = Current(true);
    // A file that exists but cannot be read would be lost by a rewrite.
    if (!p.exists && FileExists(path_)) throw failure;
    if (p.WriteInPlace(path_, sec, pairs)) {
        Written(p, true);
        return;
    }
    for (const auto& v : pairs) p.Set(sec, v.first, v.second);
    const bool ok = WriteFileReplacing(path_, p.bytes, p.exists ? &p.stamp.written : nullptr);
    Written(p, ok);
    if (!ok) throw failure;
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteFloat(const std::string& section, const std::string& key, double value, char decimalSeparator) {
    WriteString(section, key, FormatReal(value, decimalSeparator));
}

void IniFile::EraseSection(const std::string& section) { EraseSections({section}); }

void IniFile::EraseSections(const std::vector<std::string>& sections) {
    const DataLock lock;
    Parse& p = Current(true);
    if (!p.exists) {
        if (FileExists(path_)) throw TastoraError("Unable to write to " + path_);
        return;  // no file, no section
    }
    std::vector<std::string> upper;
    for (const auto& name : sections) upper.push_back(UpperName(name));
    const std::string& bytes = p.bytes;
    Header h;
    // Every section of those names goes, so that no second copy takes the profile's place.
    std::string out;
    size_t kept = 0;
    bool any = false;
    const IniText ini(bytes);
    for (size_t from = 0; ini.NextHeader(from, h);) {
        Header next;
        const bool haveNext = ini.NextHeader(h.bodyBegin, next);
        const size_t bodyEnd = haveNext ? next.lineStart : bytes.size();
        for (const auto& u : upper)
            if (EqualNoCase(bytes.data() + h.nameBegin, h.nameEnd - h.nameBegin, u)) {
                out.append(bytes, kept, h.lineStart - kept);
                kept = bodyEnd;
                any = true;
                break;
            }
        if (!haveNext) break;
        from = next.lineStart;
    }
    if (!any) return;
    out.append(bytes, kept, std::string::npos);
    const bool ok = WriteFileReplacing(path_, out, &p.stamp.written);
    if (ok) {
        p.bytes = std::move(out);
        p.indexed = false;
    }
    Written(p, ok);
    if (!ok) throw TastoraError("Unable to write to " + path_);
}

IniFile::Contents IniFile::ReadAll() {
    Contents c;
    Parse& p = Current(false);
    c.exists = p.exists;
    const std::string& bytes = p.bytes;
    const char* data = bytes.data();
    size_t pos = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int line = 1;
    const IniText ini(bytes);
    Header h;
    bool haveHeader = ini.NextHeader(0, h);
    Section* current = nullptr;
    while (pos < bytes.size()) {
        const void* lf = std::memchr(data + pos, '\n', bytes.size() - pos);
        const size_t lineEnd = lf ? size_t(static_cast<const char*>(lf) - data) : bytes.size();
        const size_t next = lf ? lineEnd + 1 : bytes.size();
        if (haveHeader && h.lineStart >= pos && h.lineStart < next) {
            c.sections.push_back({Cp1251ToUtf8(ini.Slice(h.nameBegin, h.nameEnd)), {}});
            current = &c.sections.back();
            haveHeader = ini.NextHeader(h.bodyBegin, h);
        } else {
            size_t first = pos;
            while (first < lineEnd && IsBlank(data[first])) ++first;
            if (first < lineEnd && data[first] != ';') {
                bool read = false;
                ini.ForEachKey(pos, next, [&](const IniText::Key& k) {
                    if (current) {
                        std::string value = Unquoted(ini.Slice(k.valueBegin, k.valueEnd));
                        if (value.size() > kMaxValue) value.resize(kMaxValue);
                        current->values.emplace_back(Cp1251ToUtf8(ini.Slice(k.keyBegin, k.keyEnd)),
                                                     Cp1251ToUtf8(value));
                        read = true;
                    }
                    return false;
                });
                if (!read) c.unreadableLines.push_back(line);
            }
        }
        pos = next;
        ++line;
    }
    return c;
}

}  // namespace tastora
