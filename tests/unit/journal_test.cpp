// The teacher's class journal: reading damaged stores, the rows, sorting, the teacher's help
// (nothing else of users.ini changes), the export.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/data_lock.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/ini.h"
#include "core/text.h"
#include "journal/journal.h"
#include "journal/teacher_password.h"
#include "tests/support/crypto_standin.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

// A class in data\: lista.txt and users.ini from UTF-8 lines.
void WriteClass(const std::vector<std::string>& list, const std::string& ini) {
    std::string l;
    for (const auto& n : list) l += Cp(n) + "\r\n";
    WriteTestFile("data\\lista.txt", l);
    WriteTestFile("data\\users.ini", Cp(ini));
    IniFile::ForgetAll();
}

const Learner* Find(const ClassJournal& j, const std::string& name) {
    for (const auto& l : j.learners)
        if (l.name == name) return &l;
    return nullptr;
}

const char kClass[] =
    "[Анна]\r\nnivel=7,2\r\npass=YWJj\r\n1,1=40\r\n1,2=55\r\n6.2=90\r\n12=3\r\n12u=2\r\n35=9\r\ndoi=2\r\n"
    "[Борис]\r\nnivel=17,1\r\npass=\r\n16.2=150\r\n"
    "[=Вред]\r\nnivel=1.1\r\n"
    "[Глеб]\r\nnivel=42,5\r\n";

TEST(Journal, RowsOfAClass) {
    TempDataDir dir;
    WriteClass({"Анна", "Борис", "=Вред", "Глеб", "Денис"}, kClass);
    const ClassJournal j = ReadClass("data", ',');
    ASSERT_EQ(j.learners.size(), 5u);
    struct Row {
        const char* name;
        const char* standing;
        int lessons, last, best;
        int64_t errors;
        bool password;
    };
    const Row rows[] = {
        {"Анна", "Урок 7, тест", 6, 90, 90, 14, true},           {"Борис", "Курс пройден", 16, 150, 150, 0, false},
        {"=Вред", "Урок 1, упражнение", 0, 0, 0, 0, false},      {"Глеб", "Неверный уровень: 42,5", 0, 0, 0, 0, false},
        {"Денис", "Нет профиля в users.ini", 0, 0, 0, 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Learner* l = Find(j, r.name);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->standing, r.standing);
        EXPECT_EQ(l->lessonsCompleted, r.lessons);
        EXPECT_EQ(l->lastSpeed, r.last);
        EXPECT_EQ(l->bestSpeed, r.best);
        EXPECT_EQ(l->errorTotal, r.errors);
        EXPECT_EQ(l->hasPassword, r.password);
    }
    EXPECT_EQ(Find(j, "Борис")->progress, 100);
    EXPECT_TRUE(j.problems.empty());
}

TEST(Journal, DamagedStoresShowWhatCanBeRead) {
    struct Case {
        const char* what;
        std::vector<std::string> list;
        const char* ini;
        size_t learners;
        const char* problem;  // a part of the one problem reported, "" for none
    };
    const Case cases[] = {
        {"no files", {}, nullptr, 0, "Файла users.ini нет"},
        {"lines without =", {"Анна"}, "[Анна]\r\nnivel=2,1\r\nмусор\r\n[сломано\r\n=5\r\n", 1, "строки: 3, 4, 5"},
        {"key before any section", {"Анна"}, "x=1\r\n[Анна]\r\nnivel=2,1\r\n", 1, "строки: 1"},
        {"unlisted profile", {}, "[Ира]\r\nnivel=3,1\r\n[Пусто]\r\n", 1, ""},
        {"truncated in a key", {"Анна"}, "[Анна]\r\nnivel=2,", 1, ""},
        {"level of another region", {"Анна"}, "[Анна]\r\nnivel=3.2\r\n", 1, ""},
        {"name listed twice", {"Анна", "анна"}, "[Анна]\r\nnivel=2,1\r\n", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDataDir dir;
        if (c.ini) WriteClass(c.list, c.ini);
        const ClassJournal j = ReadClass("data", ',');
        EXPECT_EQ(j.learners.size(), c.learners);
        std::string problems;
        for (const auto& p : j.problems) problems += p + "\n";
        if (*c.problem) {
            EXPECT_NE(problems.find(c.problem), std::string::npos) << problems;
        } else if (c.ini && !c.list.empty()) {
            EXPECT_EQ(problems, "");
        }
    }
    TempDataDir dir;
    WriteClass({"Анна"}, "[Анна]\r\nnivel=3.2\r\n");
    EXPECT_EQ(ReadClass("data", ',').learners[0].standing, "Урок 3, тест");
}

// Every seed of the INI reader's fuzz corpus as a class's users.ini: what can be read is shown.
TEST(Journal, FuzzCorpusAsAClass) {
    const std::string corpus =
        std::string(__FILE__).substr(0, std::string(__FILE__).rfind("/tests/")) + "/fuzz/corpus/ini";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        TempDataDir dir;
        std::string bytes = ReadTestFile(entry.path().string());
        WriteTestFile("data\\users.ini",
                      bytes.substr(std::min(bytes.size(), bytes.find('\n', bytes.find('\n') + 1) + 1)));
        WriteTestFile("data\\lista.txt", Cp("Анна\r\n"));
        IniFile::ForgetAll();
        const ClassJournal j = ReadClass("data", ',');
        ASSERT_FALSE(j.learners.empty()) << entry.path();
        EXPECT_FALSE(j.learners[0].standing.empty());
        ++files;
    }
    EXPECT_GT(files, 0);
}

TEST(Journal, SortingAndFilter) {
    TempDataDir dir;
    WriteClass(
        {"вера", "Анна", "Борис"},
        "[вера]\r\nnivel=3,1\r\n1,1=50\r\n[Анна]\r\nnivel=5,1\r\n1,1=30\r\n5=1\r\n[Борис]\r\nnivel=2,1\r\n1,1=40\r\n");
    const ClassJournal j = ReadClass("data", ',');
    auto names = [&](const std::vector<int>& rows) {
        std::string s;
        for (int i : rows) s += j.learners[size_t(i)].name + " ";
        return s;
    };
    struct Case {
        const char* filter;
        Column column;
        bool ascending;
        const char* expected;
    };
    const Case cases[] = {
        {"", Column::Name, true, "Анна Борис вера "},     {"", Column::Name, false, "вера Борис Анна "},
        {"", Column::Standing, true, "Борис вера Анна "}, {"", Column::LastSpeed, false, "вера Борис Анна "},
        {"", Column::Errors, false, "Анна вера Борис "},  {"АН", Column::Name, true, "Анна "},
        {"ер", Column::Progress, true, "вера "},          {"нет", Column::Name, true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names(VisibleRows(j, c.filter, c.column, c.ascending)), c.expected) << c.filter;
}

TEST(Journal, CsvCells) {
    const std::pair<const char*, const char*> cases[] = {
        {"Анна", "Анна"},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+7", "\"'+7\""},
        {"-2", "\"'-2\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"a;b", "\"a;b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"a=b", "a=b"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CsvCell(c.first), c.second) << c.first;

    TempDataDir dir;
    WriteClass({"=Вред"}, kClass);
    const ClassJournal j = ReadClass("data", ',');
    const std::string csv = ClassCsv(j, VisibleRows(j, "", Column::Name, true));
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(csv.find("\r\n\"'=Вред\";Урок 1, упражнение;0;;;0;0\r\n"), std::string::npos) << csv;
}

// Every action replaces users.ini with exactly the bytes expected: the rest of the file,
// comments, odd spacing and other profiles included, stays as it was.
TEST(Journal, ActionsChangeOnlyTheirKeys) {
    const std::string before =
        "; класс 5Б\r\n[Анна]\r\nnivel = 7,2\r\npass=YWJj\r\n12=3\r\n12u=0\r\n35 = 9\r\ndoi=2\r\n6,2=90\r\n\r\n"
        "[Борис]\r\nnivel=3.1\r\npass=eHl6\r\n5=1\r\n";
    struct Case {
        const char* what;
        std::function<void()> action;
        std::string after;
        const char* list;
    };
    auto replaced = [&](std::string s, const std::string& from, const std::string& to) {
        return s.replace(s.find(from), from.size(), to);
    };
    const Case cases[] = {
        {"clear password", [] { ClearPassword("data", "Анна"); }, replaced(before, "pass=YWJj", "pass="),
         "Анна\r\nБорис\r\n"},
        {"move to lesson 3", [] { MoveToLesson("data", "анна", 3, '.'); },
         replaced(replaced(before, "nivel = 7,2", "nivel =3,1"), "doi=2", "doi=1"), "Анна\r\nБорис\r\n"},
        {"move keeps the point", [] { MoveToLesson("data", "Борис", 12, ','); }, replaced(before, "3.1", "12.1"),
         "Анна\r\nБорис\r\n"},
        {"reset counters", [] { ResetCounters("data", "Анна"); },
         replaced(replaced(before, "12=3", "12=0"), "35 = 9", "35 =0"), "Анна\r\nБорис\r\n"},
        {"delete both",
         [] {
             DeleteLearners("data", {"Анна", "Борис"});
         },
         "; класс 5Б\r\n", ""},
        {"delete one", [] { DeleteLearners("data", {"Борис"}); }, before.substr(0, before.find("[Борис]")), "Анна\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDataDir dir;
        WriteClass({"Анна", "Борис"}, before);
        c.action();
        EXPECT_EQ(ReadTestFile("data/users.ini"), Cp(c.after));
        EXPECT_EQ(ReadTestFile("data/lista.txt"), Cp(c.list));
    }
}

TEST(Journal, ActionsRefuseWhatTheyCannotDo) {
    TempDataDir dir;
    WriteClass({"Анна"}, "[Анна]\r\nnivel=2,1\r\n");
    EXPECT_THROW(ClearPassword("data", "Нет такого"), TastoraError);
    EXPECT_THROW(MoveToLesson("data", "Анна", 17, ','), TastoraError);
    EXPECT_EQ(ReadTestFile("data/users.ini"), Cp("[Анна]\r\nnivel=2,1\r\n"));
    // Another copy holds the lock: the action waits, then says so, and writes nothing.
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    const pid_t other = fork();
    if (other == 0) {
        char c = TryLockFile("data\\tastora.lock") >= 0 ? 'y' : 'n';
        if (write(toParent[1], &c, 1) != 1 || read(toChild[0], &c, 1) != 1) _exit(1);
        _exit(0);
    }
    char held = 0;
    ASSERT_EQ(read(toParent[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    DataLock::SetWaitMilliseconds(50);
    try {
        ResetCounters("data", "Анна");
        ADD_FAILURE() << "no refusal";
    } catch (const TastoraError& e) {
        EXPECT_EQ(std::string(e.what()), kDataBusyMessage);
    }
    DataLock::SetWaitMilliseconds(10000);
    EXPECT_EQ(write(toChild[1], "x", 1), 1);
    waitpid(other, nullptr, 0);
    DataLock::SetLockFile("");
    EXPECT_EQ(ReadTestFile("data/users.ini"), Cp("[Анна]\r\nnivel=2,1\r\n"));
}

TEST(Journal, PicturesAndExport) {
    TempDataDir dir;
    WriteClass({"Анна", "Борис"}, kClass);
    const std::string course = GeneratedDataDir();
    const ClassJournal j = ReadClass("data", ',');
    const Learner& anna = *Find(j, "Анна");
    const auto top = TopMissedKeys(anna, course);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].substr(top[0].find(" — ")), " — 9 ошибок");
    EXPECT_EQ(top[1].substr(top[1].find(" — ")), " — 5 ошибок");
    EXPECT_TRUE(TopMissedKeys(*Find(j, "Борис"), course).empty());
    // A speed far above the graph is drawn on its top rows, not beyond.
    Learner fast = anna;
    fast.speeds.fill(0);
    fast.speeds[0] = 100000;
    const Bitmap graph = SpeedGraphPicture(fast, course), blank = SpeedGraphPicture(Learner(), course);
    bool topMarked = false;
    for (int x = 0; x < graph.Width(); ++x) topMarked = topMarked || graph.At(x, 0) != blank.At(x, 0);
    EXPECT_TRUE(topMarked);
    // The most missed key is red, an unmissed one keeps its picture.
    const Bitmap heat = HeatMapPicture(anna, course), none = HeatMapPicture(Learner(), course);
    EXPECT_EQ(heat.Height(), none.Height());
    EXPECT_FALSE(heat == none);
    EXPECT_EQ(HeatColour(9, 9), MakeRgb(200, 16, 16));
    EXPECT_EQ(HeatColour(0, 9), kWhite);

    ExportClass(j, "class.html", course);
    const std::string html = ReadTestFile("class.html");
    EXPECT_NE(html.find("data:image/png;base64,iVBORw0KGgo"), std::string::npos);
    EXPECT_NE(html.find("Урок 7, тест"), std::string::npos);
    EXPECT_THROW(ExportClass(j, "class.txt", course), TastoraError);
    ExportClass(j, "class.csv", course);
    EXPECT_EQ(ReadTestFile("class.csv"), ClassCsv(j, VisibleRows(j, "", Column::Name, true)));
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += std::string{digits[c >> 4], digits[c & 15]};
    return out;
}

TEST(TeacherPassword, Pbkdf2KnownVectors) {
    CryptoStandIn crypto;
    EXPECT_EQ(Hex(crypto.Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::pair<int, const char*> vectors[] = {
        {1, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
        {2, "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43"},
        {4096, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
    };
    for (const auto& v : vectors) EXPECT_EQ(Hex(Pbkdf2Sha256(crypto, "password", "salt", v.first, 32)), v.second);
}

TEST(TeacherPassword, SetCheckAndRemove) {
    TempDataDir dir;
    CryptoStandIn crypto;
    EXPECT_FALSE(TeacherPasswordSet("data"));
    EXPECT_TRUE(CheckTeacherPassword("data", "anything", crypto));
    SetTeacherPassword("data", "Учитель 5Б", crypto);
    const std::string stored = ReadTestFile("data/teacher.ini");
    EXPECT_EQ(stored.find(Cp("Учитель")), std::string::npos);
    EXPECT_TRUE(TeacherPasswordSet("data"));
    const std::pair<const char*, bool> tries[] = {
        {"Учитель 5Б", true}, {"учитель 5Б", false}, {"", false}, {"Учитель 5Б ", false}};
    for (const auto& t : tries) EXPECT_EQ(CheckTeacherPassword("data", t.first, crypto), t.second) << t.first;
    // A damaged record matches nothing; an empty new password removes it.
    for (const char* damaged : {"[teacher]\r\nrounds=1\r\n", "[teacher]\r\nsalt=abc\r\nhash=%%\r\nrounds=5\r\n"}) {
        WriteTestFile("data\\teacher.ini", damaged);
        EXPECT_TRUE(TeacherPasswordSet("data"));
        EXPECT_FALSE(CheckTeacherPassword("data", "", crypto)) << damaged;
    }
    SetTeacherPassword("data", "", crypto);
    EXPECT_FALSE(TeacherPasswordSet("data"));
    DataLock::SetLockFile("");
}

}  // namespace
}  // namespace tastora
