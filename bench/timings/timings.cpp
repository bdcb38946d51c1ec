// Timings of the learner's operations, built both natively and for Windows (run under
// Wine) from the same source, so that the file-bound work is measured where learners run
// it: the start of an exercise of set 6 and set 1, a line change, a right and a wrong key,
// the evaluation with its graph, the review generator and the login to the exercise, on profile stores of
// 10, 1,000 and 10,000 learners. Prints one line per figure: name, median and 99th
// percentile in milliseconds. Usage: timings <generated data folder> [repeats]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/image_io.h"
#include "core/ini.h"
#include "core/text.h"
#include "exercise/exercise.h"
#include "tests/support/fake_ui.h"
#include "users/base64.h"
#include "users/user_store.h"

namespace fs = std::filesystem;
using namespace tastora;

namespace {

const char kLearner[] = "Анна";

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(fs::u8path(path), std::ios::binary) << bytes;
}

std::string Utf16Lines(const std::vector<std::string>& lines) {
    std::string out("\xFF\xFE", 2);
    for (const auto& line : lines)
        for (char16_t u : Utf8ToUtf16(line + "\r\n")) {
            out += char(u & 0xFF);
            out += char(u >> 8);
        }
    return out;
}

// A lesson of the given letter set: lines of its letters, 20 rows.
void WriteLesson(int set) {
    const std::string line =
        set == 6 ? "В 1998 году (вторник) цена выросла на 15% - с 200 до 230; \"Итого\": №7 * 3 + 4 = 25, а 19/20 _ не?"
                 : "фыва олдж фыва олдж ждло авыф фыва олдж ждло авыф фыва олдж ждло авыф фыва олдж ждло";
    std::vector<std::string> lines{"Урок 1", "Начинаем", std::to_string(set), "20", "TEXT"};
    for (int i = 0; i < 20; ++i) lines.push_back(line);
    lines.push_back("ENDEX");
    Write("data/text/L1.txt", Utf16Lines(lines));
}

// n profiles with levels, speeds and counters; the learner in the middle, password "пароль".
void WriteUsers(int n) {
    const std::string password = EncodeBase64(Utf8ToCp1251("пароль"));
    std::string text;
    for (int p = 0; p < n; ++p) {
        text += "[" + (p == n / 2 ? std::string(kLearner) : "Ученик " + std::to_string(p)) + "]\r\n";
        text += "nivel=9,1\r\npass=" + password + "\r\ndoi=1\r\n";
        for (int lesson = 1; lesson <= 8; ++lesson)
            for (int kind = 1; kind <= 2; ++kind)
                text +=
                    std::to_string(lesson) + "," + std::to_string(kind) + "=" + std::to_string(60 + lesson) + "\r\n";
        for (int k = 1; k <= 56; ++k) text += std::to_string(k) + "=" + std::to_string(k % 7) + "\r\n";
        for (int k = 1; k <= 56; ++k) text += std::to_string(k) + "u=" + std::to_string(k % 3) + "\r\n";
    }
    Write("data/users.ini", Utf8ToCp1251(text));
}

struct Figure {
    std::string name;
    std::vector<double> ms;
};
std::vector<Figure> figures;

void Record(const std::string& name, const std::vector<double>& ms) { figures.push_back({name, ms}); }

std::vector<double> Time(int repeats, const std::function<void()>& run) {
    std::vector<double> ms;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return ms;
}

double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

// The virtual key of key number n (0 when none).
uint16_t VkOf(const ExerciseWindow& ex, int n) {
    for (int vk = 1; vk < 256; ++vk)
        if (ex.KeyCodeMap[vk] == n) return uint16_t(vk);
    return 0;
}

// The keystroke that uses the first line up (the next line read, laid out and drawn), from
// the exercise as it stands on the line's last cell, the keys before it typed right.
std::vector<double> LineChanges(FakeUi& ui, ExerciseWindow& ex, int repeats) {
    auto onLastCell = [&ex] {
        const Exercise& e = ex.exercise();
        for (int r = kGridRows; r >= 1; --r)
            for (int c = kGridColumns; c >= 1; --c)
                if (e.At(c, r).Pending()) return e.CursorCell() == &e.At(c, r);
        return true;
    };
    auto rightKey = [&ex] {
        const Cell* cell = ex.exercise().CursorCell();
        const uint16_t vk = cell ? VkOf(ex, cell->key) : 0;
        return vk != 0 ? vk : uint16_t(32);
    };
    ex.StartExercise(1.1);
    while (!onLastCell()) {
        const uint16_t vk = rightKey();
        const bool shifted = ex.exercise().CursorCell()->shifted;
        if (shifted) ui.KeyDown(FormId::Exercise, 16);
        ui.KeyPress(FormId::Exercise, vk);
        if (shifted) ui.KeyUp(FormId::Exercise, 16);
    }
    const Exercise before = ex.exercise();
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        ex.exercise() = before;
        uint16_t vk = rightKey();
        times.push_back(Time(1, [&] { ex.OnKeyDown(vk); }).front());
        ui.log.clear();
    }
    return times;
}

void Keys(FakeUi& ui, ExerciseWindow& ex, int profiles, int repeats) {
    std::vector<double> right, wrong, written;
    ui.holdIdleTasks = true;  // the counter writes timed on their own, as the event loop runs them
    for (int i = 0; i < repeats && !ex.exercise().Finished(); ++i) {
        const Cell* cell = ex.exercise().CursorCell();
        const int n = cell ? cell->key : 0;
        const bool shifted = cell && cell->shifted;
        const bool makeWrong = i % 3 == 2;  // never seven in a row
        uint16_t vk = VkOf(ex, makeWrong ? (n == 33 ? 36 : 33) : n);
        if (vk == 0) vk = 32;
        if (shifted && !makeWrong) ui.KeyDown(FormId::Exercise, 16);
        const int errors = ex.exercise().Errors();
        auto t0 = std::chrono::steady_clock::now();
        ui.KeyDown(FormId::Exercise, vk);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        (ex.exercise().Errors() > errors ? wrong : right).push_back(ms);
        if (!ui.idleTasks.empty()) {
            t0 = std::chrono::steady_clock::now();
            ui.RunIdleTasks();
            written.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        ui.KeyUp(FormId::Exercise, vk);
        if (shifted && !makeWrong) ui.KeyUp(FormId::Exercise, 16);
    }
    ui.holdIdleTasks = false;
    Record("right key, " + std::to_string(profiles) + " profiles", right);
    Record("wrong key, " + std::to_string(profiles) + " profiles", wrong);
    Record("wrong key's counter write, " + std::to_string(profiles) + " profiles", written);
}

// The start of an exercise of each set, first and again, and the line change of set 6.
void TimeExerciseStart(int set, int repeats) {
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    ui.errors.clear();
    WriteUsers(10);
    WriteLesson(set);
    app.session.userName = kLearner;
    app.session.CurrentLevel = 1.1;
    ExerciseWindow& ex = app.exercise;
    Record("StartExercise set " + std::to_string(set) + ", first", Time(1, [&] { ex.StartExercise(1.1); }));
    Record("StartExercise set " + std::to_string(set), Time(repeats, [&] { ex.StartExercise(1.1); }));
    Record("StartExercise set " + std::to_string(set) + ", decoding afresh", Time(repeats, [&] {
               ForgetKeptPictures();
               ex.StartExercise(1.1);
           }));
    if (!ui.errors.empty()) std::fprintf(stderr, "error: %s\n", ui.errors.front().c_str());
    if (set == 6) {
        Record("line change set 6", LineChanges(ui, ex, repeats));
    }
}

void TimeReview(Tastora& app, int profiles, int repeats) {
    std::vector<double> review;
    for (int i = 0; i < repeats; ++i) {
        IniFile users("data\\users.ini");
        for (int k = 16; k <= 27; ++k) users.WriteInteger(kLearner, std::to_string(k), k);
        const auto more = Time(1, [&] { app.results.GenerateReviewText(); });
        review.push_back(more.front());
    }
    Record("review generation, " + std::to_string(profiles) + " profiles", review);
}

// The login button with name and password typed, to the exercise window with its
// exercise started.
void TimeLogin(FakeUi& ui, Tastora& app, int profiles, int repeats) {
    app.login.NewUserMode = false;
    const LoginWindow::Controls& login = app.login.controls;
    Record("login to the exercise, " + std::to_string(profiles) + " profiles", Time(repeats, [&] {
               ui.SetText(login.name, kLearner);
               ui.SetText(login.password, "пароль");
               ui.SetEnabled(login.start, true);  // as choosing the name does
               ui.Show(FormId::Login);
               ui.Hide(FormId::Exercise);
               ui.Click(login.start);
               if (!ui.IsVisible(FormId::Exercise))
                   std::fprintf(stderr, "login: no exercise window (%s)\n",
                                ui.messages.empty() ? "" : ui.messages.back().c_str());
           }));
}

// The keys, the evaluation, the review and the login on a store of the given size.
void TimeProfileStore(int profiles, int repeats) {
    WriteUsers(profiles);
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    ui.errors.clear();
    app.session.userName = kLearner;
    app.session.CurrentLevel = 1.1;
    WriteLesson(6);
    app.exercise.StartExercise(1.1);
    Keys(ui, app.exercise, profiles, 3 * repeats);
    app.session.userName = kLearner;
    Record("evaluation, " + std::to_string(profiles) + " profiles", Time(repeats, [&] {
               app.session.CurrentLevel = 9.1;
               app.results.EvaluateExercise(ExerciseResult{3, 400, 150});
           }));
    TimeReview(app, profiles, repeats);
    TimeLogin(ui, app, profiles, repeats);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: timings <generated data folder> [repeats]\n");
        return 2;
    }
    const fs::path source = fs::absolute(fs::u8path(argv[1]));
    const int repeats = argc > 2 ? std::max(3, std::atoi(argv[2])) : 15;
    const fs::path work = fs::temp_directory_path() / ("tastora-timings-" + std::to_string(std::rand()));
    fs::create_directories(work);
    fs::copy(source, work / "data", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::current_path(work);

    for (int set : {1, 6}) TimeExerciseStart(set, repeats);
    for (int profiles : {10, 1000, 10000}) TimeProfileStore(profiles, repeats);

    for (const Figure& f : figures)
        std::printf("%-44s %9.3f %9.3f\n", f.name.c_str(), Quantile(f.ms, 0.5), Quantile(f.ms, 0.99));
    fs::current_path(work.parent_path());
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return 0;
}
