#pragma once
// Reading the generated files back through the program's own readers, when the program's
// logic library is linked in (otherwise this check does nothing).
#include <vector>

#include "keytable.h"
#include "lessons.h"
#include "output.h"

namespace course {

void CheckWithProgramReaders(const Output& out, const KeyTable& keys, const std::vector<Lesson>& lessons,
                             const std::vector<LetterLine>& letters);

}  // namespace course
