// data\users.ini of 1,000 profiles with 120 keys each: one read, one write (with the safe
// replace) and one login (password check and level read). Targets: 5 ms, 10 ms, 10 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "core/ini.h"
#include "core/text.h"
#include "tests/support/test_files.h"
#include "users/base64.h"
#include "users/user_store.h"

namespace tastora {
namespace {

constexpr int kProfiles = 1000;

std::string ProfileName(int i) { return "Ученик " + std::to_string(i); }

// nivel, pass, doi, five speeds and the 112 per-key counters: 120 keys a profile.
void WriteLargeUsersIni() {
    std::string text;
    for (int p = 0; p < kProfiles; ++p) {
        text += "[" + ProfileName(p) + "]\r\n";
        text += "nivel=3,1\r\n";
        text += "pass=" + EncodeBase64(Utf8ToCp1251("пароль" + std::to_string(p))) + "\r\n";
        text += "doi=1\r\n";
        for (const char* speed : {"1,1", "1,2", "2,1", "2,2", "3,1"}) text += std::string(speed) + "=120\r\n";
        for (int k = 1; k <= 56; ++k) text += std::to_string(k) + "=" + std::to_string(k % 7) + "\r\n";
        for (int k = 1; k <= 56; ++k) text += std::to_string(k) + "u=" + std::to_string(k % 3) + "\r\n";
    }
    WriteTestFile(kUsersIni, Utf8ToCp1251(text));
}

void BM_IniRead(benchmark::State& state) {
    TempDataDir dir;
    WriteLargeUsersIni();
    const std::string last = ProfileName(kProfiles - 1);  // the far end of the file
    // Each read its own operation: the file's stamp is checked every time.
    for (auto _ : state) benchmark::DoNotOptimize(IniFile(kUsersIni).ReadInteger(last, "56u", -1));
}
BENCHMARK(BM_IniRead)->Unit(benchmark::kMillisecond);

void BM_IniWrite(benchmark::State& state) {
    TempDataDir dir;
    WriteLargeUsersIni();
    IniFile ini(kUsersIni);
    const std::string middle = ProfileName(kProfiles / 2);
    int n = 0;
    for (auto _ : state) ini.WriteInteger(middle, "12u", ++n);
}
BENCHMARK(BM_IniWrite)->Unit(benchmark::kMillisecond);

void BM_Login(benchmark::State& state) {
    TempDataDir dir;
    WriteLargeUsersIni();
    const std::string last = ProfileName(kProfiles - 1);
    const std::string password = "пароль" + std::to_string(kProfiles - 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ProfileExists(last));
        benchmark::DoNotOptimize(CheckPassword(last, password));
        benchmark::DoNotOptimize(ReadLevel(last, ','));
    }
}
BENCHMARK(BM_Login)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tastora
