#pragma once
// Shared set-up of the results tests: the program started on the fake window system with a
// profile logged in, a Russian letter table and a home-key table in the temporary data
// folder, and helpers to read the profile back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/ini.h"
#include "core/text.h"
#include "results/results.h"
#include "session/review_name.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace results_test {

const char kFailText[] = "К сожалению вы не прошли данное упражнение.\rПопытайтесь ещё раз";
const char kToTestText[] = "Поздравляем вас! Вы перешли к тесту.";
const char kToNextText[] = "Поздравляем вас! Вы перешли к следующему упражнению.";
const char kToReviewText[] = "Поздравляем вас! Вы перешли к упражнению для повторения.";
const char kCourseDoneText[] = "Поздравляем вас! Вы успешно закончили весь курс обучения.";

// The letter table of the Russian layout: 47 unshifted characters and the space (lines
// 1..48), then some shifted ones.
inline std::vector<std::string> LetterTableLines() {
    std::vector<std::string> lines;
    auto add = [&lines](const std::u16string& chars, int firstKey) {
        for (size_t i = 0; i < chars.size(); ++i)
            lines.push_back(Utf16ToUtf8(chars.substr(i, 1)) + std::to_string(firstKey + int(i)));
    };
    add(u"ё1234567890-=", 1);
    add(u"йцукенгшщзхъ\\", 16);
    add(u"фывапролджэ", 30);
    add(u"ячсмитьбю.", 43);
    lines.push_back(" 57");
    add(u"Ё!\"№;%:?*()_+", 1);
    add(u"ЙЦУКЕНГШЩЗХЪ/", 16);
    return lines;
}

// The character of a key in that table (unshifted).
inline char16_t CharOfKey(int key) {
    static const std::u16string row1 = u"ё1234567890-=", row2 = u"йцукенгшщзхъ\\", row3 = u"фывапролджэ",
                                row4 = u"ячсмитьбю.";
    if (key >= 1 && key <= 13) return row1[size_t(key - 1)];
    if (key >= 16 && key <= 28) return row2[size_t(key - 16)];
    if (key >= 30 && key <= 40) return row3[size_t(key - 30)];
    if (key >= 43 && key <= 52) return row4[size_t(key - 43)];
    if (key == 57) return u' ';
    return 0;
}

// Home keys by finger: the left hand's ф ы в а (30..33), the right hand's о л д ж (36..39);
// the home keys themselves have none. The table ends with the line of key 52.
inline std::string HomeTableText() {
    static const int pairs[][2] = {{1, 30},  {2, 30},  {3, 31},  {4, 32},  {5, 33},  {6, 33},  {7, 36},  {8, 36},
                                   {9, 37},  {10, 38}, {11, 39}, {12, 39}, {13, 39}, {16, 30}, {17, 31}, {18, 32},
                                   {19, 33}, {20, 33}, {21, 36}, {22, 36}, {23, 37}, {24, 38}, {25, 39}, {26, 39},
                                   {27, 39}, {28, 39}, {34, 33}, {35, 36}, {40, 39}, {43, 30}, {44, 31}, {45, 32},
                                   {46, 33}, {47, 33}, {48, 36}, {49, 36}, {50, 37}, {51, 38}, {52, 39}};
    std::string text;
    for (const auto& p : pairs) text += std::to_string(p[0]) + " " + std::to_string(p[1]) + "\r\n";
    return text;
}

// The home key of a key in that table (0: none).
inline int HomeOfKey(int key) {
    if (key >= 1 && key <= 13) {
        static const int h[] = {30, 30, 31, 32, 33, 33, 36, 36, 37, 38, 39, 39, 39};
        return h[key - 1];
    }
    if (key >= 16 && key <= 28) {
        static const int h[] = {30, 31, 32, 33, 33, 36, 36, 37, 38, 39, 39, 39, 39};
        return h[key - 16];
    }
    if (key == 34) return 33;
    if (key == 35) return 36;
    if (key == 40) return 39;
    if (key >= 43 && key <= 52) {
        static const int h[] = {30, 31, 32, 33, 33, 36, 36, 37, 38, 39};
        return h[key - 43];
    }
    return 0;
}

// The program started with the profile "Анна" logged in at a level.
class ResultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTestFile("data\\litere.txt", Utf16Lines(LetterTableLines()));
        WriteTestFile("data\\home.txt", HomeTableText());
        app.Run();
        ui.log.clear();
        ui.errors.clear();
        ui.messages.clear();
        LogIn("Анна", 1.1);
    }

    void LogIn(const std::string& name, double level) {
        IniFile users("data\\users.ini");
        users.WriteFloat(name, "nivel", level, ui.decimalSeparator);
        users.WriteString(name, "pass", "");
        app.session.userName = name;
        app.session.CurrentLevel = level;
    }

    void SetLimits(int lesson, int seconds, int errors) {
        IniFile limits("data\\rez.ini");
        limits.WriteInteger(std::to_string(lesson), "Ltimp", seconds);
        limits.WriteInteger(std::to_string(lesson), "Lgres", errors);
    }

    std::string Profile(const std::string& key) {
        return IniFile("data\\users.ini").ReadString(app.session.userName, key, "<none>");
    }
    void SetProfile(const std::string& key, const std::string& value) {
        IniFile("data\\users.ini").WriteString(app.session.userName, key, value);
    }

    // As the exercise hands its result over at the end marker.
    void Finish(int errors, int correct, int seconds) {
        app.ExerciseFinished(ExerciseResult{errors, correct, seconds});
    }

    std::string Label(LabelHandle label) { return ui.Text(label); }

    TempDataDir dir;
    FakeUi ui;
    Tastora app{ui};
    const ResultsWindow::Controls& rows = app.results.controls;
};

}  // namespace results_test
}  // namespace tastora
