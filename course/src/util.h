#pragma once
// Small helpers of the course generator: failures that name a file, text encodings,
// file output.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace course {

// A violation found while building or checking the data; names the file concerned.
class CourseError : public std::runtime_error {
public:
    CourseError(const std::string& file, const std::string& what) : std::runtime_error(file + ": " + what) {}
};

// UTF-8 -> code points; throws CourseError(file, ...) on malformed input.
std::u32string DecodeUtf8(const std::string& text, const std::string& file);
std::string EncodeUtf8(char32_t ch);
std::string EncodeUtf8(const std::u32string& text);

// Windows-1251 byte of a character, or -1 when the code page lacks it.
int ToCp1251(char32_t ch);
// Whole text to Windows-1251; throws naming the first character that has no byte.
std::string ToCp1251(const std::u32string& text, const std::string& file);

// "U+0451 'ё'" for messages.
std::string DescribeChar(char32_t ch);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
void MakeDirs(const std::string& path);
bool FileExists(const std::string& path);

// Lines of a UTF-8 source file without their line ends (LF or CR LF).
std::vector<std::string> SplitLines(const std::string& text);
std::string Trim(const std::string& s);
bool StartsWith(const std::string& s, const std::string& prefix);

}  // namespace course
