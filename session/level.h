#pragma once
// Course levels and their arithmetic, shared by the login, the exercise, the results and
// the presentations.
#include <cstdint>

namespace tastora {

// --- course levels -------------------------------------------------------------------
// A level N.d is kept as a 64-bit real: N the lesson, d the kind (1 exercise, 2 test,
// 3 review exercise). Moves are computed on the integers (N, d) and stored as the real
// nearest to N.d, so the course runs 1.1, 1.2, 2.1, ... 16.3, 17.1 without drift and
// every stored level prints with one decimal.
enum LevelKind { kKindNone = 0, kKindExercise = 1, kKindTest = 2, kKindReview = 3 };

// round(level × 10), or 0 for a value that is no sensible level (NaN, beyond ±10^6).
int64_t LevelTenths(double level);
// The kind d = round(level × 10) mod 10: 1, 2, 3, or kKindNone for any other digit.
int LevelKindOf(double level);
// The lesson number as the review checks and the presentations take it: round(level).
int LessonOf(double level);
// The lesson whose limits apply: trunc(level), as the section name of data\rez.ini.
int LimitSectionOf(double level);
// The real nearest to lesson.kind (e.g. 2, 1 -> 2.1).
double MakeLevel(int lesson, int kind);
// True for the lessons after whose test a review exercise follows (4, 8, 12, 16).
bool IsReviewLesson(int lesson);

}  // namespace tastora
