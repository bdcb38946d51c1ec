// The exercise window's speed: starting an exercise of set 6 (every key and character
// picture, some 500 JPEG files, decoded afresh at every start) and one line change (read,
// lay out, compose all 280 cells, one copy), with the memory the pictures of one exercise
// take.
#include <benchmark/benchmark.h>

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

// The key of the cell under the cursor (Shift held for a shifted one), 0 when none.
uint16_t RightKey(const ExerciseWindow& ex) {
    const Cell* cell = ex.exercise().CursorCell();
    for (int vk = 1; vk < 256 && cell; ++vk)
        if (ex.KeyCodeMap[vk] == cell->key) return uint16_t(vk);
    return 0;
}

// The cursor stands on the last cell of the line to type: the next right key uses it up.
bool OnLastCell(const Exercise& exercise) {
    for (int r = kGridRows; r >= 1; --r)
        for (int c = kGridColumns; c >= 1; --c)
            if (exercise.At(c, r).Pending()) return exercise.CursorCell() == &exercise.At(c, r);
    return false;
}

// The keystroke that uses the line up: the next line read, laid out and drawn. The keys
// before it are typed once; every round starts from the exercise as it stood then.
void LineChange(benchmark::State& state) {
    Course course(3);
    CountingUi& ui = course.ui;
    ExerciseWindow& ex = course.app.exercise;
    ex.StartExercise(1.1);
    while (!OnLastCell(ex.exercise())) {
        const uint16_t code = RightKey(ex);
        const bool shifted = ex.exercise().CursorCell()->shifted;
        if (shifted) ui.KeyDown(FormId::Exercise, 16);
        ui.KeyPress(FormId::Exercise, code);
        if (shifted) ui.KeyUp(FormId::Exercise, 16);
    }
    const Exercise before = ex.exercise();
    uint16_t code = RightKey(ex);
    int copies = 0;
    for (auto _ : state) {
        const int copied = ui.copies;
        ex.OnKeyDown(code);
        copies += ui.copies - copied;
        state.PauseTiming();
        ex.exercise() = before;
        code = RightKey(ex);
        ui.log.clear();
        state.ResumeTiming();
    }
    if (!ui.errors.empty()) state.SkipWithError(ui.errors.front().c_str());
    state.counters["copies_per_line"] = benchmark::Counter(copies, benchmark::Counter::kAvgIterations);
}
BENCHMARK(LineChange)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tastora
