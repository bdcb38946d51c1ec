// The letter table data\litere.txt.
#include <cstdlib>

#include "exercise/letter_table.h"
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tastora;
    fuzz::PutFile(kLetterTablePath, data, size);
    LetterTable table;
    if (!table.Load()) abort();
    if (table.Lines().size() > size_t(LetterTable::kMaxLines)) abort();
    for (const LetterTable::Line& line : table.Lines()) {
        const LetterHit hit = table.Find(line.ch);
        if (line.key != 0 && (!hit.Found() || hit.key == 0)) abort();
        table.CharOfKey(line.key, hit.Shifted());
    }
    return 0;
}
