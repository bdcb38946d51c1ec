// The INI layer against kernel32's profile functions: the same reads and writes through
// both on generated files, the answers and the files compared. Differences that are ours
// on purpose are counted by name, not failed.
#include <windows.h>

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

const std::vector<std::string> kSections = {"Анна", "анна", "АННА", "Пётр", "ПЁТР", "Petr", "PETR", "x y", "Пусто"};
const std::vector<std::string> kKeys = {"nivel", "NIVEL", "pass", "Ключ", "КЛЮЧ", "12u", "doi", "a b"};
const std::vector<std::string> kValues = {"2,1", "", "значение", "  с пробелами  ", "\"в кавычках\"", "x=y"};

// One generated file: sections (names in any case, some twice), keys with blanks around
// names and values, comments, lines without "=", empty and long values, the last line
// with or without its end.
std::string MakeFile(std::mt19937& rng) {
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
                case 4: text += pick(kKeys) + "=" + std::string(300 + rng() % 3000, 'ж') + "\r\n"; break;
                default: text += pick(kKeys) + "=" + pick(kValues) + "\r\n"; break;
            }
        }
    }
    if (rng() % 3 == 0 && text.size() > 2) text.resize(text.size() - 2);  // no final line end
    return Utf8ToCp1251(text);
}

std::string SystemRead(const std::wstring& path, const std::string& section, const std::string& key) {
    std::vector<wchar_t> buf(4096);
    const DWORD n = GetPrivateProfileStringW(W(section).c_str(), W(key).c_str(), L"<нет>", buf.data(),
                                             DWORD(buf.size()), path.c_str());
    return U(std::wstring(buf.data(), n));
}

// The key names of a section as the system lists them (empty list: no such section or none).
std::vector<std::string> SystemKeys(const std::wstring& path, const std::string& section) {
    std::vector<wchar_t> buf(65536);
    const DWORD n = GetPrivateProfileStringW(W(section).c_str(), nullptr, L"", buf.data(), DWORD(buf.size()),
                                             path.c_str());
    std::vector<std::string> keys;
    for (DWORD i = 0; i < n;) {
        const std::wstring k(buf.data() + i);
        if (k.empty()) break;
        keys.push_back(U(k));
        i += DWORD(k.size()) + 1;
    }
    return keys;
}

}  // namespace

IniDiffResult RunIniDiff(int files, unsigned seed) {
    IniDiffResult result;
    std::mt19937 rng(seed);
    auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
    for (int f = 0; f < files; ++f) {
        const std::string ours = "data\\ours" + std::to_string(f) + ".ini";
        const std::string theirs = "data\\sys" + std::to_string(f) + ".ini";
        const std::string text = MakeFile(rng);
        WriteFileReplacing(ours, text);
        WriteFileReplacing(theirs, text);
        const std::wstring sysPath = FullPath(theirs);
        IniFile ini(ours);
        auto compareReads = [&](const std::string& when) {
            for (const std::string& s : kSections) {
                for (const std::string& k : kKeys) {
                    ++result.reads;
                    const std::string a = ini.ReadString(s, k, "<нет>"), b = SystemRead(sysPath, s, k);
                    if (a != b)
                        result.failures.push_back(when + " [" + s + "] " + k + ": ours «" + a.substr(0, 40) +
                                                  "», system «" + b.substr(0, 40) + "» in\n" + Cp1251ToUtf8(text));
                }
                ++result.reads;
                if (ini.ReadSection(s) != SystemKeys(sysPath, s))
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
            result.differences["file bytes differ after writes"]++;
            if (result.firstFileDifference.empty())
                result.firstFileDifference = "ours:\n" + Cp1251ToUtf8(a) + "\nsystem:\n" + Cp1251ToUtf8(b);
        }
    }
    return result;
}

}  // namespace tastora
