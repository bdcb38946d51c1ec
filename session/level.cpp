#include "session/level.h"

#include <cmath>

namespace tastora {

namespace {

// NaN, infinities and values beyond ±10^6 are no level.
bool IsSensibleLevel(double level) { return std::isfinite(level) && std::fabs(level) <= 1e6; }

}  // namespace

// --- levels --------------------------------------------------------------------------------

int64_t LevelTenths(double level) {
    if (!IsSensibleLevel(level)) return 0;
    return std::llround(level * 10.0);
}

int LevelKindOf(double level) {
    const int64_t d = LevelTenths(level) % 10;
    return d >= kKindExercise && d <= kKindReview ? int(d) : kKindNone;
}

int LessonOf(double level) {
    if (!IsSensibleLevel(level)) return 0;
    return int(std::llround(level));
}

int LimitSectionOf(double level) {
    if (!IsSensibleLevel(level)) return 0;
    return int(std::trunc(level));
}

double MakeLevel(int lesson, int kind) {
    // One correctly rounded division: the double nearest to lesson.kind, which prints
    // back as lesson.kind with at most 15 significant digits.
    return double(int64_t(lesson) * 10 + kind) / 10.0;
}

bool IsReviewLesson(int lesson) { return lesson == 4 || lesson == 8 || lesson == 12 || lesson == 16; }

}  // namespace tastora
