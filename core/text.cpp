#include "core/text.h"

#include <cerrno>
#include <cstdlib>

namespace tastora {

namespace {

// Windows-1251, bytes 0x80..0xBF (0xC0..0xFF are U+0410..U+044F).
const char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// Decodes one character at i (advancing i); malformed sequences give U+FFFD.
char32_t NextUtf8(const std::string& s, size_t& i) {
    const auto b0 = uint8_t(s[i++]);
    if (b0 < 0x80) return b0;
    int extra = 0;
    char32_t c = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        c = b0 & 0x07;
    } else
        return 0xFFFD;
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (uint8_t(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (uint8_t(s[i++]) & 0x3F);
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
    return c;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

char16_t Cp1251ToUnicode(uint8_t b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return char16_t(0x0410 + (b - 0xC0));
    return kHigh[b - 0x80];
}

int UnicodeToCp1251(char32_t c) {
    if (c < 0x80) return int(c);
    if (c >= 0x0410 && c <= 0x044F) return int(c - 0x0410 + 0xC0);
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == c && c != 0xFFFD) return 0x80 + i;
    return -1;
}

std::string Cp1251ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) AppendUtf8(out, Cp1251ToUnicode(uint8_t(ch)));
    return out;
}

std::string Utf8ToCp1251(const std::string& utf8, bool* lossless) {
    std::string out;
    out.reserve(utf8.size());
    bool ok = true;
    for (size_t i = 0; i < utf8.size();) {
        const int b = UnicodeToCp1251(NextUtf8(utf8, i));
        if (b < 0) {
            ok = false;
            out += '?';
        } else
            out += char(b);
    }
    if (lossless) *lossless = ok;
    return out;
}

std::u16string Utf8ToUtf16(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = NextUtf8(utf8, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

uint8_t UpperCp1251(uint8_t b) {
    if (b >= 'a' && b <= 'z') return uint8_t(b - 32);
    if (b >= 0xE0) return uint8_t(b - 32);  // а..я
    switch (b) {
        case 0xB8: return 0xA8;  // ё
        case 0x90: return 0x80;  // ђ
        case 0x83: return 0x81;  // ѓ
        case 0x9A: return 0x8A;  // љ
        case 0x9C: return 0x8C;  // њ
        case 0x9D: return 0x8D;  // ќ
        case 0x9E: return 0x8E;  // ћ
        case 0x9F: return 0x8F;  // џ
        case 0xA2: return 0xA1;  // ў
        case 0xBC: return 0xA3;  // ј
        case 0xB4: return 0xA5;  // ґ
        case 0xBA: return 0xAA;  // є
        case 0xBF: return 0xAF;  // ї
        case 0xB3: return 0xB2;  // і
        case 0xBE: return 0xBD;  // ѕ
        default: return b;
    }
}

std::string UpperCp1251(const std::string& bytes) {
    std::string out(bytes);
    for (char& c : out) c = char(UpperCp1251(uint8_t(c)));
    return out;
}

bool EqualNoCaseCp1251(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperCp1251(uint8_t(a[i])) != UpperCp1251(uint8_t(b[i]))) return false;
    return true;
}

bool ParseInt(const std::string& text, int32_t& value) {
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
    if (i == n) return false;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n) return false;
    int64_t v = 0;
    for (; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > 2147483647LL || v < -2147483648LL) return false;
    value = int32_t(v);
    return true;
}

}  // namespace tastora
