#pragma once
// UTF-8 texts of the core and the UTF-16 strings of the Win32 API.
#include <string>

#include "core/text.h"

namespace tastora {

inline std::wstring Wide(const std::string& utf8) {
    const std::u16string s = Utf8ToUtf16(utf8);
    return std::wstring(s.begin(), s.end());
}

inline std::string Narrow(const std::wstring& w) { return Utf16ToUtf8(std::u16string(w.begin(), w.end())); }

}  // namespace tastora
