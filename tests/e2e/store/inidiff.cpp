// The INI layer against kernel32's profile functions: the same reads and writes through
// both on generated files, the answers and the files compared. Differences that are ours
// on purpose are counted by name, not failed.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/files.h"
#include "core/ini.h"
#include "core/text.h"
#include "tests/e2e/store/inidiff.h"

namespace tastora {

namespace {

std::wstring W(const std::string& utf8) {
    const std::u16string u = Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}
std::string U(const std::wstring& w) { return Utf16ToUtf8(std::u16string(w.begin(), w.end())); }

std::wstring FullPath(const std::string& rel) {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(W(rel).c_str(), MAX_PATH * 2, buf, nullptr);
    return std::wstring(buf, n);
}

// Latin names in any letter case; Cyrillic ones in one spelling each, or (the second set) in
// any case too.
const std::vector<std::string> kSections = {"Анна", "Пётр", "Petr", "PETR", "petr", "x y", "Пусто"};
const std::vector<std::string> kKeys = {"nivel", "NIVEL", "Pass", "pass", "Ключ", "12u", "doi", "a b"};
const std::vector<std::string> kAnyCaseSections = {"Анна", "анна", "АННА", "Пётр", "ПЁТР", "пётр", "Petr", "PETR"};
const std::vector<std::string> kAnyCaseKeys = {"nivel", "NIVEL", "Ключ", "КЛЮЧ", "ключ", "Ёж", "ёж"};
const char kCyrillicCase[] =
    "Cyrillic names in another letter case are one name to us (as to Windows), not to Wine's profile functions";
const std::vector<std::string> kValues = {"2,1", "", "значение", "  с пробелами  ", "\"в кавычках\"", "x=y"};

// One generated file: sections (names in any case, some twice), keys with blanks around
// names and values, comments, lines without "=", empty and long values, the last line
// with or without its end.
std::string MakeFile(std::mt19937& rng, const std::vector<std::string>& kSections,
                     const std::vector<std::string>& kKeys) {
    auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
    std::string text;
    const int sections = 1 + int(rng() % 4);
    for (int s = 0; s < sections; ++s) {
        const std::string pad = rng() % 3 == 0 ? " " : "";
        text += pad + "[" + pad + pick(kSections) + pad + "]\r\n";
        const int lines = int(rng() % 6);
        for (int l = 0; l < lines; ++l) {
            switch (rng() % 8) {
                case 0: text += "; комментарий\r\n"; break;
                case 1: text += "строка без знака равенства\r\n"; break;
                case 2: text += "\r\n"; break;
                case 3: text += "  " + pick(kKeys) + "  =  " + pick(kValues) + "  \r\n"; break;
                case 4: text += pick(kKeys) + "=" + std::string(300 + rng() % 3000, 'z') + "\r\n"; break;
                default: text += pick(kKeys) + "=" + pick(kValues) + "\r\n"; break;
            }
        }
    }
    if (rng() % 3 == 0 && text.size() > 2) text.resize(text.size() - 2);  // no final line end
    return Utf8ToCp1251(text);
}

std::string SystemRead(const std::wstring& path, const std::string& section, const std::string& key) {
    // The program reads through a buffer of 2048 characters: at most 2047 come back.
    std::vector<wchar_t> buf(2048);
    const DWORD n = GetPrivateProfileStringW(W(section).c_str(), W(key).c_str(), L"<нет>", buf.data(),
                                             DWORD(buf.size()), path.c_str());
    return U(std::wstring(buf.data(), n));
}

// The key names of a section as the system lists them (empty list: no such section or none).
std::vector<std::string> SystemKeys(const std::wstring& path, const std::string& section) {
    std::vector<wchar_t> buf(65536);
    const DWORD n =
        GetPrivateProfileStringW(W(section).c_str(), nullptr, L"", buf.data(), DWORD(buf.size()), path.c_str());
    std::vector<std::string> keys;
    for (DWORD i = 0; i < n;) {
        const std::wstring k(buf.data() + i);
        if (k.empty()) break;
        keys.push_back(U(k));
        i += DWORD(k.size()) + 1;
    }
    return keys;
}

bool NonAscii(const std::string& s) {
    for (char c : s)
        if (uint8_t(c) >= 0x80) return true;
    return false;
}

// The file's lines without the blank ones, each trimmed, blanks around "=" and inside the
// brackets of a header dropped, the last line ended.
// With dropOthers, also without the lines that are neither headers nor keys (comments,
// lines without "=").
std::string Normalised(const std::string& bytes, bool dropOthers = false) {
    std::string out;
    size_t i = 0;
    while (i < bytes.size()) {
        size_t j = bytes.find('\n', i);
        if (j == std::string::npos) j = bytes.size();
        std::string line = bytes.substr(i, j - i);
        i = j + 1;
        std::string tight;
        for (char c : line)
            if (c != ' ' && c != '\t' && c != '\r') tight += c;
        const bool other =
            tight.empty() || tight[0] == ';' || (tight[0] != '[' && tight.find('=') == std::string::npos);
        if (!tight.empty() && !(dropOthers && other)) out += tight + "\n";
    }
    return out;
}

}  // namespace

IniDiffResult RunIniDiff(int files, unsigned seed, bool cyrillicInAnyCase) {
    IniDiffResult result;
    const std::vector<std::string>& kSections = cyrillicInAnyCase ? kAnyCaseSections : tastora::kSections;
    const std::vector<std::string>& kKeys = cyrillicInAnyCase ? kAnyCaseKeys : tastora::kKeys;
    const std::string prefix = cyrillicInAnyCase ? "data\\any" : "data\\one";
    std::mt19937 rng(seed);
    auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
    for (int f = 0; f < files; ++f) {
        const std::string ours = prefix + "ours" + std::to_string(f) + ".ini";
        const std::string theirs = prefix + "sys" + std::to_string(f) + ".ini";
        const std::string text = MakeFile(rng, kSections, kKeys);
        WriteFileReplacing(ours, text);
        WriteFileReplacing(theirs, text);
        const std::wstring sysPath = FullPath(theirs);
        IniFile ini(ours);
        auto compareReads = [&](const std::string& when) {
            for (const std::string& s : kSections) {
                for (const std::string& k : kKeys) {
                    ++result.reads;
                    const std::string a = ini.ReadString(s, k, "<нет>"), b = SystemRead(sysPath, s, k);
                    if (a != b && cyrillicInAnyCase && (NonAscii(s) || NonAscii(k)))
                        result.differences[kCyrillicCase]++;
                    else if (a != b)
                        result.failures.push_back(when + " [" + s + "] " + k + ": ours «" + a.substr(0, 40) +
                                                  "», system «" + b.substr(0, 40) + "» in\n" + Cp1251ToUtf8(text));
                }
                ++result.reads;
                if (ini.ReadSection(s) != SystemKeys(sysPath, s) && cyrillicInAnyCase)
                    result.differences[kCyrillicCase]++;
                else if (ini.ReadSection(s) != SystemKeys(sysPath, s))
                    result.failures.push_back(when + " key list of [" + s + "] differs in\n" + Cp1251ToUtf8(text));
            }
        };
        compareReads("file " + std::to_string(f));
        for (int w = 0; w < 3; ++w) {
            const std::string s = pick(kSections), k = pick(kKeys), v = pick(kValues);
            ++result.writes;
            ini.WriteString(s, k, v);
            WritePrivateProfileStringW(W(s).c_str(), W(k).c_str(), W(v).c_str(), sysPath.c_str());
            compareReads("file " + std::to_string(f) + " after writing [" + s + "] " + k + "=" + v);
        }
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, sysPath.c_str());  // flush the system's cache
        std::string a, b;
        ReadWholeFile(ours, a);
        ReadWholeFile(theirs, b);
        if (a != b) {
            // Untouched lines stay byte for byte in our files; Wine's writer rewrites the
            // whole file from what it parsed. What is left beyond that is a failure.
            if (Normalised(a) == Normalised(b) || cyrillicInAnyCase) {
                result.differences["untouched lines kept as they were (Wine drops blank lines and blanks)"]++;
            } else if (Normalised(a, true) == Normalised(b, true)) {
                result.differences
                    ["a new key goes after the last key of its section, before comments and lines "
                     "without \"=\" that end it (Wine: after them)"]++;
            } else {
                result.fileFailures++;
                if (result.firstFileDifference.empty())
                    result.firstFileDifference = "ours:\n" + Cp1251ToUtf8(a) + "\nsystem:\n" + Cp1251ToUtf8(b) +
                                                 "\nfrom:\n" + Cp1251ToUtf8(text);
            }
        }
    }
    return result;
}

}  // namespace tastora
