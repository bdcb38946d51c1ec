// The hardening targets: the lock adds at most 1 ms to a profile write on a local disk
// (BM_DataLock against BM_ProfileWrite, which includes it), and a lookup in a 1 MB users.ini
// of any content takes at most 10 ms (BM_HostileLookup, one file shape per argument).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "core/data_lock.h"
#include "core/ini.h"
#include "tests/support/test_files.h"
#include "users/user_store.h"

namespace tastora {
namespace {

constexpr size_t kMegabyte = 1u << 20;

void BM_DataLock(benchmark::State& state) {
    TempDataDir dir;
    for (auto _ : state) {
        const DataLock lock;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DataLock)->Unit(benchmark::kMicrosecond);

// A level write into a small profile store: read, lock, replace (flushed to disk).
void BM_ProfileWrite(benchmark::State& state) {
    TempDataDir dir;
    CreateProfile("Анна", "пароль", ',');
    IniFile ini(kUsersIni);
    int n = 0;
    for (auto _ : state) ini.WriteInteger("Анна", "12u", ++n);
}
BENCHMARK(BM_ProfileWrite)->Unit(benchmark::kMicrosecond);

// 1 MB files built to be hard on a reader, the section looked up missing (the whole file read).
std::string HostileFile(int shape) {
    std::string s;
    std::mt19937 rng(7);
    while (s.size() < kMegabyte) {
        switch (shape) {
            case 0: s += "x" + std::string(64 * 1024, '[') + "\r\n"; break;       // "[" that starts nothing
            case 1: s += std::string(64 * 1024, '[') + "\r\n"; break;             // headers never closed
            case 2: s += "[" + std::to_string(s.size()) + "]\r\nk=v\r\n"; break;  // tens of thousands of sections
            case 3: s += std::string(64 * 1024, '=') + "\r\n"; break;             // key lines of "="
            case 4: s += std::string(64 * 1024, ' ') + "[a]\r\n"; break;          // blanks before headers
            default: s += char(rng()); break;                                     // random bytes
        }
    }
    return s;
}

void BM_HostileLookup(benchmark::State& state) {
    TempDataDir dir;
    WriteTestFile(kUsersIni, HostileFile(int(state.range(0))));
    IniFile ini(kUsersIni);
    for (auto _ : state) benchmark::DoNotOptimize(ini.ReadString("Нет такого", "nivel", ""));
}
BENCHMARK(BM_HostileLookup)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tastora
