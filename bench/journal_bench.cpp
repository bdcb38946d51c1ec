// The class journal with a large class: 10,000 learners, each with a level, a password, 32
// speeds and 40 error counters (about 9 MB of users.ini). Targets under Wine: opening the
// class (reading both files and making every row) under 1 s, a sort by any column under 100 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "core/ini.h"
#include "core/text.h"
#include "journal/journal.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

constexpr int kLearners = 10000;

void WriteLargeClass() {
    std::string list, ini;
    for (int i = 0; i < kLearners; ++i) {
        const std::string name = Utf8ToCp1251("Ученик " + std::to_string(i * 7919 % kLearners));
        list += name + "\r\n";
        ini += "[" + name + "]\r\nnivel=" + std::to_string(1 + i % 16) + ",2\r\npass=YWJj\r\ndoi=1\r\n";
        for (int n = 1; n <= 16; ++n)
            for (int d = 1; d <= 2; ++d)
                ini +=
                    std::to_string(n) + "," + std::to_string(d) + "=" + std::to_string(30 + (i + n * 7) % 200) + "\r\n";
        for (int k = 1; k <= 20; ++k)
            ini += std::to_string(k) + "=" + std::to_string((i + k) % 9) + "\r\n" + std::to_string(k) +
                   "u=" + std::to_string((i * k) % 5) + "\r\n";
    }
    WriteTestFile("data\\lista.txt", list);
    WriteTestFile("data\\users.ini", ini);
}

void BM_OpenClass(benchmark::State& state) {
    TempDataDir dir;
    WriteLargeClass();
    for (auto _ : state) {
        IniFile::ForgetAll();  // read from the file each time, as a fresh start does
        const ClassJournal j = ReadClass("data", ',');
        benchmark::DoNotOptimize(j.learners.data());
    }
}
BENCHMARK(BM_OpenClass)->Unit(benchmark::kMillisecond);

// Sorting by each column in turn (the argument), descending, with an empty filter.
void BM_SortClass(benchmark::State& state) {
    TempDataDir dir;
    WriteLargeClass();
    const ClassJournal j = ReadClass("data", ',');
    for (auto _ : state) {
        const auto rows = VisibleRows(j, "", Column(state.range(0)), false);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_SortClass)->DenseRange(0, kColumnCount - 1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tastora
