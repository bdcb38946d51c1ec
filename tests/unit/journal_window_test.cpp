// The journal's window as the teacher works it, against the recording fake: the list, its
// order, filter and selection, the detail, and every change asked for, guarded by the
// teacher's password and followed by the class read again.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/ini.h"
#include "core/text.h"
#include "journal/journal_window.h"
#include "journal/teacher_password.h"
#include "tests/support/crypto_standin.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

const FormId J = FormId::Journal;

struct FakeHost : JournalHost {
    std::string remembered, chosenFolder, exportFile;
    std::set<std::string> folders = {"data"};
    bool firstOffer = false;
    CryptoStandIn crypto;

    std::string ProgramFolder() override { return "prog"; }
    bool IsFolder(const std::string& path) override { return folders.count(path) == 1; }
    std::string RememberedFolder() override { return remembered; }
    void RememberFolder(const std::string& folder) override { remembered = folder; }
    bool FirstPasswordOffer() override { return firstOffer; }
    std::string ChooseFolder() override { return chosenFolder; }
    std::string ChooseExportFile() override { return exportFile; }
    Rgb FaceColor() override { return 0xF0F0F0; }
    CryptoPort& Crypto() override { return crypto; }
};

const char kUsers[] =
    "[Анна]\r\nnivel=7,2\r\npass=YWJj\r\n1,1=40\r\n6,2=90\r\n12=3\r\n35=9\r\n"
    "[Борис]\r\nnivel=17,1\r\npass=\r\n16.2=150\r\n"
    "[Вера]\r\nnivel=3,1\r\n5=2\r\n1,1=35\r\n";

std::string Users() {
    std::string bytes;
    IniFile::ForgetAll();
    ReadWholeFile("data\\users.ini", bytes);
    return Cp1251ToUtf8(bytes);
}

struct JournalFixture : ::testing::Test {
    TempDataDir dir;
    FakeUi ui;
    FakeHost host;
    JournalWindow window{ui, host};
    ListHandle list;
    std::vector<std::string> passwords;  // typed in the password windows, in turn; none: closed

    // The teacher in a password window: the next password (twice in the new one's), or the
    // close button.
    void TypePassword(FormId id) {
        if (passwords.empty()) return ui.CloseBox(id);
        const std::string typed = passwords.front();
        passwords.erase(passwords.begin());
        ui.Type(id, "FirstEdit", typed);
        if (id == FormId::JournalNewPassword) ui.Type(id, "SecondEdit", typed);
        ui.PressEnter(id);
    }

    void SetUp() override {
        WriteTestFile("data\\lista.txt", Utf8ToCp1251("Анна\r\nБорис\r\nВера\r\n"));
        WriteTestFile("data\\users.ini", Utf8ToCp1251(kUsers));
        const FormSpec desc = window.Layout();
        list.form = J;
        for (size_t i = 0; i < desc.controls.size(); ++i)
            if (desc.controls[i].kind == ControlKind::List) list.index = int(i);
        ui.CreateForm(desc);
        desc.onCreate();
        ui.CreateForm(window.PasswordLayout(false));
        ui.CreateForm(window.PasswordLayout(true));
        ui.onModal = [this](FormId id) { TypePassword(id); };
        host.remembered = "data";
        window.Start();
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& row : ui.Rows(list)) names.push_back(row[0]);
        return names;
    }
    void Select(const std::vector<std::string>& names) {
        std::vector<int> rows;
        const auto shown = Names();
        for (const auto& n : names) rows.push_back(int(std::find(shown.begin(), shown.end(), n) - shown.begin()));
        ui.SelectRows(list, rows);
    }
    std::string Text(const char* control) { return ui.control(J, control).text; }
};

TEST_F(JournalFixture, ListOrderFilterAndDetail) {
    EXPECT_EQ(Text("FolderPath"), "data");
    EXPECT_EQ(Text("StatusText"), "Учеников: 3.");
    EXPECT_EQ(ui.control(J, "LessonCombo").items.size(), 16u);
    EXPECT_EQ(ui.Rows(list)[0], (std::vector<std::string>{"Анна", "Урок 7, тест", "6", "90", "90", "12", "38%"}));

    struct Step {
        std::function<void(JournalFixture&)> act;
        std::vector<std::string> names;
        std::string learnerText;
    };
    const Step steps[] = {
        {[](JournalFixture& t) { t.ui.ClickHeader(t.list, 0); }, {"Вера", "Борис", "Анна"}, "Выберите ученика"},
        {[](JournalFixture& t) { t.ui.ClickHeader(t.list, 5); }, {"Борис", "Вера", "Анна"}, "Выберите ученика"},
        {[](JournalFixture& t) { t.Select({"Вера"}); }, {"Борис", "Вера", "Анна"}, "Вера: Урок 3, упражнение, без"},
        // The learner stays selected (and shown) through a change of order or filter.
        {[](JournalFixture& t) { t.ui.ClickHeader(t.list, 5); }, {"Анна", "Вера", "Борис"}, "Вера: Урок 3"},
        {[](JournalFixture& t) { t.ui.Type(J, "FilterEdit", "ВЕР"); }, {"Вера"}, "Вера: Урок 3"},
        {[](JournalFixture& t) { t.ui.Type(J, "FilterEdit", ""); }, {"Анна", "Вера", "Борис"}, "Вера: Урок 3"},
        {[](JournalFixture& t) {
             t.Select({"Анна", "Борис"});
         },
         {"Анна", "Вера", "Борис"},
         "Выбрано учеников: 2."},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        steps[i].act(*this);
        EXPECT_EQ(Names(), steps[i].names);
        EXPECT_EQ(Text("LearnerText").compare(0, steps[i].learnerText.size(), steps[i].learnerText), 0)
            << Text("LearnerText");
    }
    EXPECT_EQ(ui.control(list).sortColumn, 5);
    EXPECT_FALSE(ui.control(list).sortAscending);

    // One learner's pictures go to the window once, and again on a repaint.
    Select({"Вера"});
    const int blits = ui.form(J).blits;
    EXPECT_NE(Text("MissedText").find("красный — 2."), std::string::npos) << Text("MissedText");
    Select({"Вера"});
    EXPECT_EQ(ui.form(J).blits, blits);
    ui.Paint(J);
    EXPECT_EQ(ui.form(J).blits, blits + 1);
}

TEST_F(JournalFixture, EachChangeIsAskedForAndGuarded) {
    const std::string reset = std::string(kUsers).replace(std::string(kUsers).find("5=2"), 3, "5=0");
    std::string moved = kUsers;
    moved.replace(moved.find("nivel=3,1"), 9, "nivel=5,1");
    std::string cleared = kUsers;
    cleared.replace(cleared.find("pass=YWJj"), 9, "pass=");
    struct Case {
        const char* name;
        std::vector<std::string> selected;
        std::function<void(JournalFixture&)> act;
        std::vector<bool> answers;
        const char* teacherPassword;  // the folder's, "" for none
        std::vector<std::string> typed;
        std::string users;    // users.ini afterwards
        std::string message;  // the box shown last ("" for none)
    };
    auto click = [](const char* button) { return [button](JournalFixture& t) { t.ui.Click(J, button); }; };
    const std::string pick = "Вера";
    const Case cases[] = {
        {"nobody selected", {}, click("ResetButton"), {true}, "", {}, kUsers, "Выберите в списке одного ученика."},
        {"two selected", {"Анна", "Вера"}, click("ResetButton"), {true}, "", {}, kUsers, "Выберите в списке одного"},
        {"answered no", {pick}, click("ResetButton"), {false}, "", {}, kUsers, ""},
        {"reset", {pick}, click("ResetButton"), {true}, "", {}, reset, ""},
        {"wrong password", {pick}, click("ResetButton"), {true}, "учитель", {"Учитель"}, kUsers, "Неверный пароль"},
        {"password window closed", {pick}, click("ResetButton"), {true}, "учитель", {}, kUsers, ""},
        {"right password", {pick}, click("ResetButton"), {true}, "учитель", {"учитель"}, reset, ""},
        {"moved",
         {pick},
         [](JournalFixture& t) {
             t.ui.Type(J, "LessonCombo", "Урок 5");
             t.ui.Click(J, "MoveButton");
         },
         {true},
         "",
         {},
         moved,
         ""},
        {"password cleared", {"Анна"}, click("ClearPasswordButton"), {true}, "", {}, cleared, ""},
        {"nobody to delete", {}, click("DeleteButton"), {true}, "", {}, kUsers, "Выберите в списке учеников"},
        {"two deleted by the key",
         {"Анна", "Вера"},
         [](JournalFixture& t) { t.ui.ListKey(t.list, 0x2E); },
         {true},
         "",
         {},
         "[Борис]\r\nnivel=17,1\r\npass=\r\n16.2=150\r\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteTestFile("data\\users.ini", Utf8ToCp1251(kUsers));
        WriteTestFile("data\\lista.txt", Utf8ToCp1251("Анна\r\nБорис\r\nВера\r\n"));
        RemoveFile("data\\teacher.ini");
        if (*c.teacherPassword) SetTeacherPassword("data", c.teacherPassword, host.crypto);
        ui.Type(J, "FilterEdit", "");
        ui.ListKey(list, 0x74);  // F5: the class as the files hold it
        Select(c.selected);
        ui.confirmAnswers.assign(c.answers.begin(), c.answers.end());
        passwords = c.typed;
        const size_t boxes = ui.boxes.size(), questions = ui.questions.size();
        c.act(*this);
        EXPECT_EQ(Users(), c.users);
        const bool asked = ui.questions.size() > questions;
        EXPECT_EQ(asked, c.message.find("Выберите") != 0);
        if (c.message.empty()) {
            EXPECT_EQ(ui.boxes.size(), boxes);
        } else {
            ASSERT_GT(ui.boxes.size(), boxes);
            EXPECT_NE(ui.boxes.back().find(c.message), std::string::npos) << ui.boxes.back();
        }
        // What the list shows is what the files hold.
        EXPECT_EQ(ui.Rows(list).size(), c.users == kUsers || c.users.find("[Анна]") != std::string::npos ? 3u : 1u);
    }
    EXPECT_NE(ui.questions[0].find("Обнулить ошибки: Обнулить счётчики ошибок ученика «Вера»"), std::string::npos);
    EXPECT_NE(ui.questions.back().find("Удалить 2 учеников"), std::string::npos);
}

TEST_F(JournalFixture, TheWindowFollowsTheFilesAndTheTeachersChoices) {
    // Back in the window: read again only when another program changed a file.
    const int reads = ui.Count("Rows ");
    ui.Activate(J);
    EXPECT_EQ(ui.Count("Rows "), reads);
    WriteTestFile("data\\lista.txt", Utf8ToCp1251("Анна\r\nБорис\r\nВера\r\nГлеб\r\n"));
    ui.Activate(J);
    EXPECT_EQ(Names().size(), 4u);

    // The first start offers a password: typed twice alike, it protects the folder.
    host.firstOffer = true;
    ui.confirmAnswers = {true};
    ui.onModal = [this](FormId id) {
        ui.Type(id, "FirstEdit", "секрет");
        ui.Type(id, "SecondEdit", "секрЕт");
        ui.PressEnter(id);
        EXPECT_TRUE(ui.IsVisible(id));
        EXPECT_EQ(ui.control(id, "Mismatch").text, "Пароли не совпадают. Введите их ещё раз.");
        EXPECT_EQ(ui.control(id, "SecondEdit").text, "");
        ui.Type(id, "SecondEdit", "секрет");
        ui.PressEnter(id);
        EXPECT_FALSE(ui.IsVisible(id));
    };
    window.OnShown();
    ui.onModal = [this](FormId id) { TypePassword(id); };
    EXPECT_TRUE(CheckTeacherPassword("data", "секрет", host.crypto));
    EXPECT_FALSE(CheckTeacherPassword("data", "", host.crypto));
    ui.confirmAnswers = {true};
    window.OnShown();  // a folder with a password: no offer
    EXPECT_EQ(ui.confirmAnswers.size(), 1u);

    // The teacher's password changed (the old one asked first), then removed.
    passwords = {"секрет", ""};
    ui.Click(J, "PasswordButton");
    EXPECT_FALSE(TeacherPasswordSet("data"));
    EXPECT_NE(ui.boxes.back().find("Пароль учителя снят."), std::string::npos);

    // The export, and another folder remembered.
    host.exportFile = "data\\class.csv";
    ui.Click(J, "ExportButton");
    EXPECT_TRUE(FileExists("data\\class.csv"));
    EXPECT_NE(ui.boxes.back().find("Журнал сохранён: data\\class.csv"), std::string::npos);
    host.chosenFolder = "elsewhere";
    ui.Click(J, "FolderButton");
    EXPECT_EQ(host.remembered, "elsewhere");
    EXPECT_EQ(Text("FolderPath"), "elsewhere");
    EXPECT_TRUE(Names().empty());
    host.remembered = "gone";  // a remembered folder that is no more: the one beside the program
    window.Start();
    EXPECT_EQ(Text("FolderPath"), "prog\\data");
}

}  // namespace
}  // namespace tastora
