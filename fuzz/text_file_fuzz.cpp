// The texts of the auxiliary windows (Windows-1251, or UTF-8 / UTF-16 with a mark).
#include <cstdlib>
#include <string>

#include "core/text.h"
#include "windows/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = tastora::DecodeWindowText(std::string(reinterpret_cast<const char*>(data), size));
    // Every line end is CR LF and no NUL is left.
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\0') abort();
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) abort();
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) abort();
    }
    return 0;
}
