// Lesson files (the course's and the generated review files): every line to the end marker,
// the header lines as the window shows them, a look ahead and back.
#include <cstdlib>

#include "exercise/lesson_file.h"
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tastora;
    fuzz::PutFile("data\\text\\L1.txt", data, size);
    LessonFileReader reader;
    if (!reader.Open("data\\text\\L1.txt")) abort();
    std::u16string line;
    for (int n = 0; n < 1000000; ++n) {
        const size_t at = reader.Tell();
        const LessonFileReader::LineEnd end = reader.ReadLine(line, n >= 3);
        if (n < 2) LessonHeaderText(line);
        if (end != LessonFileReader::kLine) return 0;
        if (reader.Tell() <= at) abort();  // every line read moves on
        if (n == 5) {
            reader.Seek(at);
            reader.ReadLine(line);
        }
    }
    abort();  // more lines than bytes
}
