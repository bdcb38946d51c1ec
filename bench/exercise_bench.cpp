// The exercise window's speed: starting an exercise of set 6 (every key and character
// picture, some 500 JPEG files, decoded afresh at every start) and one line change (read,
// lay out, compose all 280 cells, one copy), with the memory the pictures of one exercise
// take.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "exercise/exercise.h"
#include "tests/support/exercise_data.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

// A window system that only counts the copies: the real one coalesces them per event.
class CountingUi : public FakeUi {
public:
    void Blit(FormId, const Bitmap&, int, int) override { ++copies; }
    void ShowMessage(const std::string&) override {}
    int copies = 0;
};

// Lines of set 6: letters, capitals, digits and the shifted symbols, three rows each.
std::vector<std::string> TextLines(int count) {
    static const char* kLines[] = {
        "Съешь же ещё этих мягких французских булок, да выпей чаю! Быстрый бурый лис прыгнул через ленивую собаку.",
        "В 1998 году (вторник) цена выросла на 15% - с 200 до 230; \"Итого\": №7 * 3 + 4 = 25, а 19/20 _ не в счёт?",
        "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства, как и прежде.",
    };
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(kLines[i % 3]);
    return lines;
}

// The course data of the build when it is there, else the tests' pictures and table.
class Course {
public:
    explicit Course(int lines) {
        generated = CopyGeneratedData();
        if (!generated) {
            LinkCoursePictures();
            WriteLetterTable();
        }
        WriteTestFile("data\\text\\L1.txt", LessonFileBytes("Урок", "Начинаем", 6, TextLines(lines)));
        app.Run();
        app.session.userName = "bench";
    }
    size_t PictureBytes() const {
        size_t bytes = 0;
        auto add = [&bytes](const Bitmap& b) { bytes += size_t(b.Width()) * size_t(b.Height()) * sizeof(Rgb); };
        for (const auto& table : app.exercise.KeyPictures)
            for (const Bitmap& b : table) add(b);
        for (const auto& table : app.exercise.CharPictures)
            for (const Bitmap& b : table) add(b);
        add(app.exercise.KeyboardBitmap);
        add(app.exercise.TextBitmap);
        return bytes;
    }

    TempDataDir dir;
    bool generated = false;
    CountingUi ui;
    Tastora app{ui};
};

void StartExerciseOfSetSix(benchmark::State& state) {
    Course course(20);
    ExerciseWindow& ex = course.app.exercise;
    for (auto _ : state) {
        ex.StartExercise(1.1);
        course.ui.log.clear();
    }
    if (!course.ui.errors.empty()) state.SkipWithError(course.ui.errors.front().c_str());
    int pictures = 0;
    for (const auto& table : ex.KeyPictures)
        for (const Bitmap& b : table) pictures += !b.Empty();
    for (const auto& table : ex.CharPictures)
        for (const Bitmap& b : table) pictures += !b.Empty();
    state.counters["pictures"] = pictures;
    state.counters["picture_MB"] = double(course.PictureBytes()) / (1 << 20);
    state.counters["generated_data"] = course.generated;
    state.SetLabel(course.generated ? "course data of the build" : "test pictures");
}
BENCHMARK(StartExerciseOfSetSix)->Unit(benchmark::kMillisecond);

// The right keystroke on the cell under the cursor, Shift held for a shifted one; the time
// of the key's press alone.
double TypeRight(CountingUi& ui, ExerciseWindow& ex) {
    const Cell* cell = ex.exercise().CursorCell();
    uint16_t code = 0;
    for (int vk = 1; vk < 256 && code == 0; ++vk)
        if (cell && ex.KeyCodeMap[vk] == cell->key) code = uint16_t(vk);
    const bool shifted = cell && cell->shifted;
    if (shifted) ui.KeyDown(FormId::Exercise, 16);
    const auto start = std::chrono::steady_clock::now();
    ex.OnKeyDown(code);
    const auto end = std::chrono::steady_clock::now();
    ui.KeyUp(FormId::Exercise, code);
    if (shifted) ui.KeyUp(FormId::Exercise, 16);
    return std::chrono::duration<double>(end - start).count();
}

// The keystroke that uses the line up: the next line read, laid out and drawn. The keys
// before it are typed outside the measurement.
void LineChange(benchmark::State& state) {
    constexpr int kLines = 2000;
    Course course(kLines);
    ExerciseWindow& ex = course.app.exercise;
    ex.StartExercise(1.1);
    int copies = 0;
    for (auto _ : state) {
        if (ex.exercise().Finished()) ex.StartExercise(1.1);
        const int lines = ex.exercise().LinesStarted();
        double seconds = 0;
        int before = 0;
        while (ex.exercise().LinesStarted() == lines && !ex.exercise().Finished()) {
            before = course.ui.copies;
            seconds = TypeRight(course.ui, ex);
            course.ui.log.clear();
        }
        copies += course.ui.copies - before;
        state.SetIterationTime(seconds);
    }
    if (!course.ui.errors.empty()) state.SkipWithError(course.ui.errors.front().c_str());
    state.counters["copies_per_line"] = benchmark::Counter(copies, benchmark::Counter::kAvgIterations);
}
BENCHMARK(LineChange)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tastora
