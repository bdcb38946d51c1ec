#pragma once
// Reading the generated files back through the program's own readers.
#include <vector>

#include "exercise/letter_table.h"
#include "keytable.h"
#include "lessons.h"
#include "output.h"

namespace course {

// The letter table (`table`, as the program read it) finds every character on the key and
// line the course put it; the lesson files read as written; every picture decodes at its
// size.
void CheckWithProgramReaders(const Output& out, const tastora::LetterTable& table, const std::vector<Lesson>& lessons,
                             const std::vector<LetterLine>& letters);

}  // namespace course
