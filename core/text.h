#pragma once
// Character sets: the program keeps its texts as UTF-8, its files are Windows-1251, its
// lessons and the letter table UTF-16; the window system takes UTF-16.
#include <cstdint>
#include <string>

namespace tastora {

// The Unicode character of a Windows-1251 byte (0x98, which has none, gives U+FFFD).
char16_t Cp1251ToUnicode(uint8_t byte);
// The Windows-1251 byte of a Unicode character, or -1 when the code page has none.
int UnicodeToCp1251(char32_t ch);

std::string Cp1251ToUtf8(const std::string& bytes);
// Appends one character in UTF-8 (1 to 4 bytes).
void AppendUtf8(std::string& out, char32_t c);
// Characters that Windows-1251 lacks become '?'; *lossless (when given) tells whether any did.
std::string Utf8ToCp1251(const std::string& utf8, bool* lossless = nullptr);

std::u16string Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const std::u16string& utf16);

// Case folding of Windows-1251 text as the INI services compare names (Latin and Cyrillic).
uint8_t UpperCp1251(uint8_t byte);
std::string UpperCp1251(const std::string& bytes);
bool EqualNoCaseCp1251(const std::string& a, const std::string& b);

// Decimal integer as the program writes and reads it: optional sign, digits, nothing else
// (surrounding blanks allowed). Returns false when the text does not convert or overflows.
bool ParseInt(const std::string& text, int32_t& value);

}  // namespace tastora
