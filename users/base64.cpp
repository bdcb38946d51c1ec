#include "users/base64.h"

#include <cstdint>

#include "core/errors.h"

namespace tastora {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string EncodeBase64(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v =
            uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (rest == 2) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool DecodeBase64(const std::string& text, std::string& bytes) {
    bytes.clear();
    if (text.size() % 4 != 0) throw TastoraError("Uneven size in DecodeToStream.");
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        // Fill only at the end of the last group: "xx==" or "xxx=".
        int fill = 0;
        if (last && text[i + 3] == '=') fill = text[i + 2] == '=' ? 2 : 1;
        int s[4];
        for (int k = 0; k < 4 - fill; ++k)
            if ((s[k] = Sextet(text[i + k])) < 0) return false;
        for (int k = 4 - fill; k < 4; ++k) s[k] = 0;
        const uint32_t v = uint32_t(s[0]) << 18 | uint32_t(s[1]) << 12 | uint32_t(s[2]) << 6 | uint32_t(s[3]);
        out += char(v >> 16);
        if (fill < 2) out += char((v >> 8) & 0xFF);
        if (fill < 1) out += char(v & 0xFF);
    }
    bytes.swap(out);
    return true;
}

}  // namespace tastora
