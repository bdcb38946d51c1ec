#include "util.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/text.h"

namespace course {

std::u32string DecodeUtf8(const std::string& text, const std::string& file) {
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra;
        char32_t cp;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else
            throw CourseError(file, "malformed UTF-8 at byte " + std::to_string(i));
        if (i + size_t(extra) >= text.size() && extra > 0)
            throw CourseError(file, "truncated UTF-8 at byte " + std::to_string(i));
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) throw CourseError(file, "malformed UTF-8 at byte " + std::to_string(i));
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            throw CourseError(file, "invalid character at byte " + std::to_string(i));
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

std::string EncodeUtf8(char32_t ch) {
    std::string s;
    tastora::AppendUtf8(s, ch);
    return s;
}

std::string EncodeUtf8(const std::u32string& text) {
    std::string s;
    for (char32_t c : text) s += EncodeUtf8(c);
    return s;
}

int ToCp1251(char32_t ch) { return tastora::UnicodeToCp1251(ch); }

std::string DescribeChar(char32_t ch) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "U+%04X", unsigned(ch));
    std::string s = buf;
    if (ch >= 0x20 && ch != 0x7F) s += " '" + EncodeUtf8(ch) + "'";
    return s;
}

std::string ToCp1251(const std::u32string& text, const std::string& file) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        int b = ToCp1251(c);
        if (b < 0) throw CourseError(file, "character " + DescribeChar(c) + " has no Windows-1251 code");
        out += char(b);
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CourseError(path, "cannot open for reading");
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    // Written beside the file and renamed over it: a failure never leaves half a file.
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw CourseError(path, std::string("cannot create: ") + std::strerror(errno));
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            throw CourseError(path, "write failed");
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        throw CourseError(path, std::string("cannot replace: ") + std::strerror(errno));
    }
}

void MakeDirs(const std::string& path) {
    std::string cur;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            if (!cur.empty() && cur != "/") {
                if (mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST)
                    throw CourseError(cur, std::string("cannot create folder: ") + std::strerror(errno));
            }
        }
        if (i < path.size()) cur += path[i];
    }
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (char c : text) {
        if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) {
        if (cur.back() == '\r') cur.pop_back();
        lines.push_back(cur);
    }
    return lines;
}

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace course
