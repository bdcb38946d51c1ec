// The evaluation of an exercise with the speed graph (target 5 ms) and the review generator
// (target 30 ms), on a profile file of ten learners part-way through the course.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/ini.h"
#include "core/text.h"
#include "tests/support/exercise_data.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

const char kLearner[] = "Анна";

// Ten profiles with their levels, speeds and error counters; "Анна" is the fifth.
void WriteUsersIni() {
    std::string text;
    for (int p = 0; p < 10; ++p) {
        text += "[" + (p == 4 ? std::string(kLearner) : "Ученик " + std::to_string(p)) + "]\r\n";
        text += "nivel=9,1\r\npass=cXdl\r\ndoi=1\r\n";
        for (int lesson = 1; lesson <= 8; ++lesson)
            for (int kind = 1; kind <= 3; ++kind)
                if (kind < 3 || lesson % 4 == 0)
                    text += std::to_string(lesson) + "," + std::to_string(kind) + "=" +
                            std::to_string(60 + 10 * lesson + kind) + "\r\n";
        for (int k = 1; k <= 56; ++k) text += std::to_string(k) + "=" + std::to_string(k % 7) + "\r\n";
        for (int k = 1; k <= 56; ++k) text += std::to_string(k) + "u=" + std::to_string(k % 3) + "\r\n";
    }
    WriteTestFile("data\\users.ini", Utf8ToCp1251(text));
}

void WriteHomeTable() {
    std::string text;
    for (int key = 1; key <= 52; ++key) text += std::to_string(key) + " " + std::to_string(30 + key % 4) + "\r\n";
    WriteTestFile("data\\home.txt", text);
}

struct Program {
    Program() : app(ui) {
        WriteUsersIni();
        WriteHomeTable();
        WriteLetterTable();
        WriteTestFile("data\\rez.ini", "[9]\r\nLtimp=300\r\nLgres=10\r\n");
        app.Run();
        ui.errors.clear();  // pictures that these runs do not need
        app.login.CurrentUserName = kLearner;
    }
    TempDataDir dir;
    FakeUi ui;
    Tastora app;
};

void BM_EvaluateExercise(benchmark::State& state) {
    Program p;
    for (int k = 1; k <= 200; ++k) p.app.session.PauseHistogram[size_t(k)] = 200 - k;
    for (auto _ : state) {
        // A passed exercise: three profile writes, 64 reads for the graph, the graph drawn.
        p.app.login.CurrentLevel = 9.1;
        p.app.results.EvaluateExercise(3, 400, 150);
    }
    if (!p.ui.errors.empty()) state.SkipWithError(p.ui.errors.front().c_str());
}
BENCHMARK(BM_EvaluateExercise)->Unit(benchmark::kMillisecond);

void BM_GenerateReviewText(benchmark::State& state) {
    Program p;
    IniFile users("data\\users.ini");
    for (auto _ : state) {
        state.PauseTiming();
        // Errors on 24 keys since the last review, shifted ones among them.
        for (int k = 16; k <= 27; ++k) {
            users.WriteInteger(kLearner, std::to_string(k), k);
            users.WriteInteger(kLearner, std::to_string(k) + "u", 1);
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(p.app.results.GenerateReviewText());
    }
    if (!p.ui.errors.empty()) state.SkipWithError(p.ui.errors.front().c_str());
    if (!p.ui.messages.empty()) state.SkipWithError(p.ui.messages.front().c_str());
}
BENCHMARK(BM_GenerateReviewText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tastora
