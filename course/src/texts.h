#pragma once
// The Windows-1251 texts of the course: typing rules, donations text, closing address (RTF),
// and the per-lesson limits data\rez.ini.
#include <string>
#include <vector>

#include "lessons.h"

namespace course {

// A UTF-8 source text as Windows-1251 with CR LF line ends.
std::string PlainText1251(const std::string& sourcePath);

// The closing address as RTF: the first line of the source is the title, blank lines
// separate paragraphs. Cyrillic is written as \'xx escapes of code page 1251.
std::string ClosingAddressRtf(const std::string& sourcePath);
// The plain text an RTF reader would show, for checking (paragraphs joined by "\n").
std::string RtfToText1251(const std::string& rtf, const std::string& name);

struct LessonLimits {
    int seconds = 0;
    int errors = 0;
    int targetSpeed = 0;  // characters per minute
    size_t chars = 0;
};
// Limits of each lesson from the length of its exercise and a target speed that grows over
// the course; the explanation is in course/README.md.
LessonLimits LimitsFor(const Lesson& lesson);
std::string RezIni(const std::vector<Lesson>& lessons);

}  // namespace course
