#include "texts.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "util.h"

namespace course {

std::string PlainText1251(const std::string& sourcePath) {
    std::vector<std::string> lines = SplitLines(ReadFile(sourcePath));
    // Comment lines ('#' first) document the source and are left out.
    std::string out;
    bool first = true;
    for (const std::string& l : lines) {
        if (!l.empty() && l[0] == '#') continue;
        if (first && Trim(l).empty()) continue;
        first = false;
        out += ToCp1251(DecodeUtf8(l, sourcePath), sourcePath) + "\r\n";
    }
    while (out.size() >= 4 && out.compare(out.size() - 4, 4, "\r\n\r\n") == 0) out.resize(out.size() - 2);
    if (out.empty()) throw CourseError(sourcePath, "empty text");
    return out;
}

namespace {

std::string RtfEscape(const std::string& cp1251) {
    static const char* kHex = "0123456789abcdef";
    std::string out;
    for (char ch : cp1251) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x80) {
            out += "\\'";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

}  // namespace

std::string ClosingAddressRtf(const std::string& sourcePath) {
    std::vector<std::string> lines = SplitLines(ReadFile(sourcePath));
    std::vector<std::string> paras;
    std::string cur;
    for (const std::string& raw : lines) {
        if (!raw.empty() && raw[0] == '#') continue;
        std::string l = Trim(raw);
        if (l.empty()) {
            if (!cur.empty()) paras.push_back(cur);
            cur.clear();
        } else {
            cur += (cur.empty() ? "" : " ") + l;
        }
    }
    if (!cur.empty()) paras.push_back(cur);
    if (paras.size() < 2) throw CourseError(sourcePath, "needs a title line and at least one paragraph");
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049"
        "{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\r\n"
        "\\viewkind4\\uc1\\pard\\qc\\sa200\\b\\f0\\fs28 ";
    rtf += RtfEscape(ToCp1251(DecodeUtf8(paras[0], sourcePath), sourcePath)) + "\\b0\\par\r\n";
    for (size_t i = 1; i < paras.size(); ++i) {
        bool signature = i + 1 == paras.size();
        rtf += signature ? "\\pard\\qr\\sa120\\i\\fs22 " : "\\pard\\qj\\fi400\\sa120\\fs22 ";
        rtf += RtfEscape(ToCp1251(DecodeUtf8(paras[i], sourcePath), sourcePath));
        rtf += signature ? "\\i0\\par\r\n" : "\\par\r\n";
    }
    rtf += "}\r\n";
    return rtf;
}

namespace {

// The backslash sequence at rtf[i]: an escaped backslash or brace, a \'xx byte or a control
// word (of which only \par gives text). Returns the index of its last character.
size_t ReadControl(const std::string& rtf, size_t i, bool skipping, const std::string& name, std::string& text) {
    char d = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
    if (d == '\\' || d == '{' || d == '}') {
        if (!skipping) text += d;
        return i + 1;
    }
    if (d == '\'') {
        if (i + 3 >= rtf.size()) throw CourseError(name, "truncated \\' escape");
        int v = std::stoi(rtf.substr(i + 2, 2), nullptr, 16);
        if (!skipping) text += char(v);
        return i + 3;
    }
    size_t j = i + 1;
    while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
    std::string word = rtf.substr(i + 1, j - i - 1);
    while (j < rtf.size() && (std::isdigit(static_cast<unsigned char>(rtf[j])) || rtf[j] == '-')) ++j;
    if (j < rtf.size() && rtf[j] == ' ') ++j;
    if (word == "par" && !skipping) text += '\n';
    return j - 1;
}

}  // namespace

std::string RtfToText1251(const std::string& rtf, const std::string& name) {
    if (rtf.compare(0, 6, "{\\rtf1") != 0) throw CourseError(name, "does not start with {\\rtf1");
    if (rtf.find("\\ansicpg1251") == std::string::npos) throw CourseError(name, "no \\ansicpg1251");
    std::string text;
    int depth = 0;
    int skipGroupDepth = -1;
    for (size_t i = 0; i < rtf.size(); ++i) {
        char c = rtf[i];
        if (static_cast<unsigned char>(c) >= 0x80) throw CourseError(name, "RTF must be 7-bit; found a raw 8-bit byte");
        if (c == '{') {
            ++depth;
            if (rtf.compare(i + 1, 9, "\\fonttbl{") == 0 && skipGroupDepth < 0) skipGroupDepth = depth;
            continue;
        }
        if (c == '}') {
            if (depth == skipGroupDepth) skipGroupDepth = -1;
            if (--depth < 0) throw CourseError(name, "unbalanced braces");
            continue;
        }
        if (c == '\r' || c == '\n') continue;
        bool skipping = skipGroupDepth >= 0;
        if (c == '\\') {
            i = ReadControl(rtf, i, skipping, name, text);
            continue;
        }
        if (!skipping && depth >= 1) text += c;
    }
    if (depth != 0) throw CourseError(name, "unbalanced braces");
    return text;
}

LessonLimits LimitsFor(const Lesson& lesson) {
    LessonLimits l;
    l.chars = lesson.exercise.TypedChars();
    // 30 characters per minute in lesson 1, six more with every lesson: 120 in lesson 16.
    l.targetSpeed = 30 + 6 * (lesson.number - 1);
    double seconds = double(l.chars) * 60.0 / l.targetSpeed;
    l.seconds = int(std::ceil(seconds / 10.0)) * 10;
    // Three errors in a hundred characters, at least five.
    l.errors = std::max(5, int(std::ceil(double(l.chars) * 0.03)));
    return l;
}

std::string RezIni(const std::vector<Lesson>& lessons) {
    std::string out;
    for (const Lesson& lesson : lessons) {
        LessonLimits l = LimitsFor(lesson);
        out += "[" + std::to_string(lesson.number) + "]\r\n";
        out += "Ltimp=" + std::to_string(l.seconds) + "\r\n";
        out += "Lgres=" + std::to_string(l.errors) + "\r\n";
    }
    return out;
}

}  // namespace course
