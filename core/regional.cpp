#include "core/regional.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tastora {

// The general format of the Windows runtime: the value rounded to 15 significant digits,
// trailing zeros dropped, fixed notation while the exponent is below 15 and the value is
// at least 0.00001, otherwise d,dddE-x.
std::string FormatReal(double value, char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // "%.14e" gives exactly 15 significant digits, correctly rounded; only the digits and
    // the exponent are taken from it, so the C library's own decimal point does not matter.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    if (std::isinf(std::strtod(buf, nullptr))) {
        // Rounded to 15 digits the largest reals pass the largest double (1.79769313486232E308
        // would read back as infinite): their 15 digits are cut instead of rounded.
        char longer[64];
        std::snprintf(longer, sizeof longer, "%.20e", std::fabs(value));
        const char* e = std::strchr(longer, 'e');
        std::snprintf(buf, sizeof buf, "%.16s%s", longer, e ? e : "");
    }
    std::string digits;
    int exponent = 0;
    const char* p = buf;
    for (; *p && *p != 'e' && *p != 'E'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    if (*p) exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out;
    if (value < 0) out += '-';
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits, 1, std::string::npos);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent < 0) {
        out += '0';
        out += decimalSeparator;
        out.append(size_t(-exponent - 1), '0');
        out += digits;
    } else {
        const size_t whole = size_t(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits;
            out.append(whole - digits.size(), '0');
        } else {
            out.append(digits, 0, whole);
            out += decimalSeparator;
            out.append(digits, whole, std::string::npos);
        }
    }
    return out;
}

// Blanks around, an optional sign, digits with at most one regional separator (at least
// one digit), an optional exponent E[sign]digits. Nothing else: a point under Russian
// settings (or a comma under English ones) makes the text no number.
bool ParseReal(const std::string& text, char decimalSeparator, double& value) {
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
    if (i == n || n - i > 400) return false;

    // Rebuilt for strtod with the decimal point of the C library's current locale.
    const char* lc = std::localeconv()->decimal_point;
    const std::string point = lc && *lc ? lc : ".";
    std::string plain;
    if (text[i] == '+' || text[i] == '-') plain += text[i++];
    int mantissaDigits = 0;
    bool seenSeparator = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            plain += c;
            ++mantissaDigits;
        } else if (c == decimalSeparator && !seenSeparator) {
            seenSeparator = true;
            plain += point;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return false;
    if (i < n) {
        if (text[i] != 'e' && text[i] != 'E') return false;
        plain += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
        int expDigits = 0;
        for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++expDigits) plain += text[i];
        if (expDigits == 0 || i < n) return false;
    }
    char* end = nullptr;
    const double v = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

}  // namespace tastora
