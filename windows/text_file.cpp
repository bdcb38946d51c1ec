#include "windows/text_file.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/image_io.h"
#include "core/text.h"

namespace tastora {

namespace {

bool StartsWith(const std::string& s, const char* prefix, size_t n) {
    return s.size() >= n && s.compare(0, n, prefix, n) == 0;
}

// The length of the longest prefix of s (at most limit bytes) that does not end inside a
// UTF-8 sequence.
size_t Utf8Cut(const std::string& s, size_t limit) {
    if (s.size() <= limit) return s.size();
    size_t cut = limit;
    // Step back over continuation bytes to the start of the character that straddles the cut.
    size_t back = 0;
    while (cut > 0 && back < 4 && (uint8_t(s[cut]) & 0xC0) == 0x80) {
        --cut;
        ++back;
    }
    return back < 4 ? cut : limit;
}

// Drops NUL characters and makes every line end CR LF.
std::string NormaliseLines(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 16);
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\0') continue;
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
    std::string bytes;
    if (ReadWholeFile(path, bytes, kMaxTextFileBytes)) return bytes;
    if (FileExists(path)) throw TastoraError("Файл " + path + " слишком велик или недоступен для чтения.");
    throw TastoraError(CannotOpenMessage(path));
}

std::string DecodeWindowText(const std::string& bytes) {
    std::string utf8;
    bool truncated = false;
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
        // UTF-8: malformed sequences become U+FFFD.
        const std::string body = bytes.substr(3);
        const size_t n = Utf8Cut(body, kMaxShownTextBytes);
        truncated = n < body.size();
        utf8 = Utf16ToUtf8(Utf8ToUtf16(body.substr(0, n)));
    } else if (StartsWith(bytes, "\xFF\xFE", 2)) {
        // UTF-16LE: an odd last byte is ignored, lone surrogates become U+FFFD.
        size_t n = (bytes.size() - 2) / 2;
        if (n > kMaxShownTextBytes / 2) {
            n = kMaxShownTextBytes / 2;
            truncated = true;
        }
        std::u16string units(n, u'\0');
        for (size_t i = 0; i < n; ++i) units[i] = char16_t(uint8_t(bytes[2 + 2 * i]) | uint8_t(bytes[3 + 2 * i]) << 8);
        utf8 = Utf16ToUtf8(units);
    } else {
        truncated = bytes.size() > kMaxShownTextBytes;
        utf8 = Cp1251ToUtf8(truncated ? bytes.substr(0, kMaxShownTextBytes) : bytes);
    }
    std::string text = NormaliseLines(utf8);
    if (truncated) {
        // Show whole lines only.
        const size_t end = text.rfind("\r\n");
        if (end != std::string::npos) text.resize(end + 2);
    }
    return text;
}

void LoadMemoFromFile(UiPort& ui, EditHandle memo, const std::string& path) {
    const std::string bytes = ReadTextFile(path);
    ui.SetText(memo, DecodeWindowText(bytes));
}

void LoadRichTextFromFile(UiPort& ui, RichEditHandle box, const std::string& path) {
    const std::string bytes = ReadTextFile(path);
    if (StartsWith(bytes, "{\\rtf", 5) && ui.LoadRichText(box, bytes)) return;
    ui.SetText(box, DecodeWindowText(bytes));
}

}  // namespace tastora
