#pragma once
// The teacher's class journal: every learner of a data folder (lista.txt and users.ini) at a
// glance, one learner in detail, the teacher's help (password, lesson, counters, deletion)
// and the export of the class for the school's records.
// A data folder is named as the files layer takes paths: "data", "C:\\Класс\\data",
// "\\\\server\\class\\data".
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "users/profile_store.h"

namespace tastora {

struct Learner {
    std::string name;         // as lista.txt holds it (or the section's name when unlisted)
    bool listed = false;      // in lista.txt
    bool hasProfile = false;  // users.ini holds its section with at least one key
    bool hasPassword = false;
    std::string levelText;      // nivel as stored ("" when missing)
    int64_t levelTenths = 0;    // 11 for 1.1; the program's default when missing
    bool levelInCourse = true;  // 1.1 .. 16.3 or 17.1
    std::string standing;       // "Урок 7, тест", "Курс пройден", ...
    int lessonsCompleted = 0;
    int lastSpeed = 0, bestSpeed = 0;                             // characters per minute, 0: none
    std::array<int, kSpeedPoints> speeds{};                       // exercise and test of lessons 1..16
    std::array<int, kCountedKeys + 1> errors{}, shiftedErrors{};  // [key], index 0 unused
    int64_t errorTotal = 0;
    int progress = 0;      // per cent of the course
    std::string sortName;  // upper-case code-page bytes, for sorting and the filter
};

struct ClassJournal {
    std::string folder;
    std::vector<Learner> learners;
    // What could not be read, in the teacher's words (damaged lines, missing files).
    std::vector<std::string> problems;
};

// Reads the class of a data folder. Never fails: what cannot be read is named in problems.
// decimalSeparator: the regional one, tried first for levels.
ClassJournal ReadClass(const std::string& folder, char decimalSeparator);

// Where a level stands, in words: "Урок 7, упражнение", "Урок 7, тест", "Урок 8,
// повторение", "Курс пройден", or "Неверный уровень: <text>".
std::string StandingText(int64_t levelTenths, bool inCourse, const std::string& levelText);

// --- the list ------------------------------------------------------------------------------
enum class Column { Name, Standing, Lessons, LastSpeed, BestSpeed, Errors, Progress };
constexpr int kColumnCount = 7;
extern const char* const kColumnTitles[kColumnCount];

// The rows (indices into learners) whose name holds the filter text (letter case ignored),
// in the order of the column; ties keep the order of the class.
std::vector<int> VisibleRows(const ClassJournal& journal, const std::string& filter, Column column, bool ascending);
// One cell's text as the list and the export show it.
std::string CellText(const Learner& learner, Column column);

// --- one learner ---------------------------------------------------------------------------
// The errors at each key (plain and shifted together), [key] for keys 1..56.
std::array<int, kCountedKeys + 1> KeyErrors(const Learner& learner);
// The five most-missed keys in words, most first: "«А» — 12 ошибок". Characters come from
// the course's letter table in courseFolder; empty when the learner has no errors.
std::vector<std::string> TopMissedKeys(const Learner& learner, const std::string& courseFolder);
// The speed graph of the course: the course's graph picture (courseFolder\pictures\graph.bmp)
// with every passed level's speed; a speed above the picture is drawn at its top edge.
Bitmap SpeedGraphPicture(const Learner& learner, const std::string& courseFolder);
// The keyboard of the course (its key pictures at their places, in grey) with each key tinted by the
// learner's errors at it, from light yellow (one error) to red (the most), and below it the
// legend: the colour scale from 0 to the largest count.
Bitmap HeatMapPicture(const Learner& learner, const std::string& courseFolder);
constexpr int kHeatLegendHeight = 24;
// The colour of a key with count errors when the most missed key has most.
Rgb HeatColour(int count, int most);

// The two pictures side by side, as the journal window shows them: the speed graph, and the
// heat map at two thirds of its size.
Bitmap DetailPicture(const Learner& learner, const std::string& courseFolder);
// The picture at another size, every pixel the mean of the pixels it covers.
Bitmap Scaled(const Bitmap& picture, int width, int height);

// --- the teacher's help ----------------------------------------------------------------------
// Each holds the data lock of the folder for the whole action and replaces each file it
// changes once; nothing else of the files changes. Raises TastoraError (a Russian message)
// when the learner is gone, the files cannot be written or the lock is busy.
void ClearPassword(const std::string& folder, const std::string& name);
// nivel = <lesson>.1 in the separator the stored level uses (the regional one otherwise), and
// doi = 1 when the profile holds doi.
void MoveToLesson(const std::string& folder, const std::string& name, int lesson, char decimalSeparator);
// Every error counter the profile holds that is not 0 becomes 0.
void ResetCounters(const std::string& folder, const std::string& name);
// The sections of all these learners from users.ini (one replacement) and the first line
// equal to each name from lista.txt (one replacement; blank lines dropped, as the program does).
void DeleteLearners(const std::string& folder, const std::vector<std::string>& names);

// --- export --------------------------------------------------------------------------------
// The class table as CSV for a spreadsheet in a Russian locale: UTF-8 with a byte-order
// mark, ";" between cells, CR LF after rows; a cell with ";", a quote or a line break is
// quoted, and one that starts with "=", "+", "-", "@", a tab or a CR gets a "'" in front
// inside quotes, so that no spreadsheet takes it for a formula.
std::string ClassCsv(const ClassJournal& journal, const std::vector<int>& rows);
std::string CsvCell(const std::string& text);
// A printable page: the table, then every learner with the graph, the heat map and the most
// missed keys (pictures as PNG data: addresses).
std::string ClassHtml(const ClassJournal& journal, const std::vector<int>& rows, const std::string& courseFolder);
// Writes the export chosen by the file's extension (.csv or .html). Raises TastoraError.
void ExportClass(const ClassJournal& journal, const std::string& file, const std::string& courseFolder);

// A PNG file of the picture (RGB, zlib-compressed).
std::string EncodePng(const Bitmap& bitmap);

}  // namespace tastora
