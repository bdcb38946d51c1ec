// One keystroke in the exercise window: the press judged, the counters kept in memory, the
// key and the cell drawn, and each picture drawn on copied to the window once at the end of
// the event (as the window layer copies them). Targets: 100 us without the users.ini write
// of a wrong keystroke; 5 ms for a wrong keystroke including that write, on a profile file
// of normal size. The release, and the handling without any copy, are shown beside them.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/text.h"
#include "tests/support/exercise_data.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

// The fake window system, lean where a keystroke goes: the copies to the window are
// gathered and made once at the end of the event, and the controls keep their state
// without a log.
class BenchUi : public FakeUi {
public:
    void Blit(FormId form, const Bitmap& picture, int x, int y) override { pending_[&picture] = Pending{form, x, y}; }
    void SetText(ControlRef c, const std::string& text) override { control(c).text = text; }
    void SetEnabled(ControlRef c, bool enabled) override { control(c).enabled = enabled; }
    void SetTimerEnabled(TimerHandle timer, bool enabled) override {
        Form& f = form(timer.form);
        f.timers.at(size_t(timer.index)) = enabled;
    }
    void SetTextColor(ControlRef c, uint32_t color) override { control(c).color = color; }
    // The end of the event: each picture drawn on is copied to its window once.
    void Flush() {
        for (const auto& p : pending_) form(p.second.form).screen.Draw(*p.first, p.second.x, p.second.y);
        pending_.clear();
    }
    void Discard() { pending_.clear(); }

private:
    struct Pending {
        FormId form;
        int x, y;
    };
    std::map<const Bitmap*, Pending> pending_;
};

const char kProfile[] = "Анна";

// Ten profiles with their levels, speeds and counters, the learner's among them.
void WriteUsersIni() {
    std::string text;
    for (int p = 0; p < 10; ++p) {
        text += "[" + (p == 5 ? std::string(kProfile) : "Ученик " + std::to_string(p)) + "]\r\n";
        text += "nivel=6,1\r\npass=cGFyb2xq\r\ndoi=1\r\n";
        for (const char* speed : {"1,1", "1,2", "2,1", "2,2", "3,1", "3,2", "4,1", "4,2", "5,1", "5,2"})
            text += std::string(speed) + "=" + std::to_string(100 + p) + "\r\n";
        for (int k = 1; k <= 57; ++k) text += std::to_string(k) + "=" + std::to_string(k % 9) + "\r\n";
        for (int k = 1; k <= 56; ++k) text += std::to_string(k) + "u=" + std::to_string(k % 4) + "\r\n";
    }
    WriteTestFile("data\\users.ini", Utf8ToCp1251(text));
}

// The program with a set-6 exercise on screen, the cursor on its first cell ("а", key 33).
struct Typing {
    TempDataDir dir;
    BenchUi ui;
    Tastora app{ui};
    ExerciseWindow& ex = app.exercise;
    std::vector<Cell> row;  // the first row as the start lays it out
    KeySets keys;
    int correct = 0, errors = 0;  // over the keystrokes rewound

    Typing() {
        WriteCoursePictures();
        WriteLetterTable();
        WriteUsersIni();
        WriteTestFile("data\\text\\L6.txt", LessonFileBytes("Урок 6", "Начинаем", 6, {"аоаоао лвлвлв Аоао, аоао."}));
        app.Run();
        app.session.userName = kProfile;
        app.session.CurrentLevel = 6.1;
        ui.Show(FormId::Exercise);
        ex.StartExercise(6.1);
        ui.Flush();
        for (int c = 1; c <= kGridColumns; ++c) row.push_back(ex.exercise().At(c, 1));
        keys = ex.exercise().Keys();
    }
    // The first row again, the cursor on its first cell, as before the keystroke (and no
    // hold warning in the middle of the measurement).
    void Rewind() {
        correct += ex.exercise().Correct();
        errors += ex.exercise().Errors();
        ex.exercise().LayOutRow(row, keys);
    }
    // The press: one event, judged and drawn, its pictures copied to the window once.
    void Press(uint16_t key, bool copy = true) {
        ex.OnKeyDown(key);
        if (copy)
            ui.Flush();
        else
            ui.Discard();
    }
    void Release(uint16_t key, bool copy = true) {
        ex.OnKeyUp(key);
        if (copy)
            ui.Flush();
        else
            ui.Discard();
    }
};

constexpr uint16_t kVkF = 70;  // key 33, the expected one
constexpr uint16_t kVkJ = 74;  // key 36

void BM_PressRight(benchmark::State& state) {
    Typing e;
    for (auto _ : state) {
        e.Press(kVkF);
        e.Rewind();
    }
    state.counters["correct"] = e.correct;
}
BENCHMARK(BM_PressRight)->Unit(benchmark::kMicrosecond);

// A wrong keystroke without the counter's write to users.ini.
void BM_PressWrongInMemory(benchmark::State& state) {
    Typing e;
    e.app.session.userName.clear();
    for (auto _ : state) {
        e.Press(kVkJ);
        e.Rewind();
    }
    state.counters["errors"] = e.errors;
}
BENCHMARK(BM_PressWrongInMemory)->Unit(benchmark::kMicrosecond);

// A wrong keystroke including the counter's write to users.ini.
void BM_PressWrongWithCounterWrite(benchmark::State& state) {
    Typing e;
    for (auto _ : state) {
        e.Press(kVkJ);
        e.Rewind();
    }
    state.counters["errors"] = e.errors;
}
BENCHMARK(BM_PressWrongWithCounterWrite)->Unit(benchmark::kMillisecond);

// The release: the key drawn back and the next key highlighted, one copy.
void BM_Release(benchmark::State& state) {
    Typing e;
    for (auto _ : state) e.Release(kVkF);
}
BENCHMARK(BM_Release)->Unit(benchmark::kMicrosecond);

// Press and release handled by the program alone, without the copies to the window.
void BM_KeystrokeWithoutCopies(benchmark::State& state) {
    Typing e;
    for (auto _ : state) {
        e.Press(kVkF, false);
        e.Release(kVkF, false);
        e.Rewind();
    }
}
BENCHMARK(BM_KeystrokeWithoutCopies)->Unit(benchmark::kMicrosecond);

// The key timer's tick, a key going down and up between ticks.
void BM_KeyTimerTick(benchmark::State& state) {
    KeyGaps gaps;
    GapHistogram histogram{};
    bool released = false;
    for (auto _ : state) {
        gaps.Tick(histogram);
        released = !released;
        if (released)
            gaps.Released();
        else
            gaps.Pressed();
    }
    benchmark::DoNotOptimize(histogram);
}
BENCHMARK(BM_KeyTimerTick);

}  // namespace
}  // namespace tastora
