#pragma once
// Lesson sources (content/lessons/NN.txt), their checks against the key sets and the grid,
// and the lesson files the program reads (data\text\L<N>.txt, T<N>.txt).
#include <set>
#include <string>
#include <vector>

#include "exercise/layout.h"
#include "exercise/letter_table.h"
#include "keytable.h"

namespace course {

constexpr int kLessonCount = 16;
constexpr int kGridColumns = tastora::kTextColumns;
constexpr int kGridRows = tastora::kTextRows;

struct Exercise {
    std::string source;    // file:line of the section, for messages
    std::string fileName;  // "L5.txt", "T5.txt"
    std::u32string caption;
    std::u32string message;
    int set = 0;
    std::vector<std::u32string> lines;
    std::vector<std::string> lineSources;  // file:line of each text line
    // Characters the learner types, the space after each line included.
    size_t TypedChars() const;
};

struct Lesson {
    int number = 0;
    std::set<char32_t> newChars;     // characters this lesson introduces
    std::string newSource;           // file:line of its 'new:' list
    std::set<char32_t> newCapitals;  // the capitals that CAPS stands for (typed with Shift)
    Exercise exercise;
    Exercise test;
};

// Reads content/lessons/01.txt .. 16.txt.
std::vector<Lesson> LoadLessons(const std::string& folder, const KeyTable& keys);

// The text grid as the program lays a lesson line out: cell codes per row, "57b" blank.
struct Grid {
    std::string cells[kGridRows][kGridColumns];
    int rowsUsed = 0;
};
// Lays one line out with the exercise window's own layout and the written letter table as
// the program reads it; throws (naming `where`) when a character is missing from the letter
// table or the line needs more than 7 rows.
Grid LayOut(const std::u32string& line, const tastora::LetterTable& table, int set, const std::string& where);

// The checks that look at the course as a learner types it, each violation named by the
// source file and line (all of them, one a line): no row that ends exactly at column 40 (the
// space after it would be hidden), every key a lesson introduces typed at least
// kMinNewKeyUses times in its exercise (CAPS: Shift, over all capitals), no test line that
// copies a line of its exercise. Empty when the course keeps them all.
constexpr int kMinNewKeyUses = 12;
std::vector<std::string> LearnerProblems(const Lesson& lesson, const tastora::LetterTable& table);

// Every check of one lesson file's content (header lines, characters, key sets, grid).
void CheckExercise(const Exercise& ex, const std::set<char32_t>& learnt, const std::vector<LetterLine>& letters,
                   const tastora::LetterTable& table);

// The lesson file: UTF-16LE with BOM, CR LF, header, "TEXT", text lines, "ENDEX".
std::string EncodeLessonFile(const Exercise& ex);
// Reads a lesson file back the way the exercise window does and compares it with `ex`.
void ReadBackLessonFile(const std::string& path, const Exercise& ex);

// Header lines 1 and 2 as the program turns them into Windows-1251 (the high-byte rule).
std::string HeaderToCp1251(const std::u16string& line);

}  // namespace course
