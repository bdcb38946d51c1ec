#pragma once
// The wording of the course read as a learner reads it: the typing rules, the donations text,
// the closing address, the movie texts and the lesson lines. Spelling with ё against the
// word list content/yo.txt, one typography for dashes and quotes, and what a text may say at
// its place in the course (no review ahead in a book movie played after it, no whole
// alphabet before the last letter, the little finger as the weakest, no way back to the
// lessons in the closing address, capitals after a full stop once they are taught,
// equations that do not run together).
#include <string>
#include <vector>

#include "keytable.h"
#include "lessons.h"

namespace course {

// Every line that breaks a rule, one problem each, named by its source file and line
// ("<file>:<line>: <what is wrong>"). Empty when the wording keeps them all.
std::vector<std::string> WordingProblems(const std::string& content, const std::vector<Lesson>& lessons,
                                         const KeyTable& keys);

}  // namespace course
