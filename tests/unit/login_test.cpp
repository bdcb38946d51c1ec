// The login window against the recording fake: layout, button states, creating, opening
// and deleting profiles.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/ini.h"
#include "core/text.h"
#include "exercise/lesson_file.h"
#include "session/review_name.h"
#include "tests/support/fake_ui.h"
#include "tests/support/recording_flow.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

constexpr FormId F1 = FormId::Login;
const char kPlaceholder[] = "Выберите имя";
const char kWrongPassword[] = "Вы указали неправильный пароль";

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

std::string LegacyFile(const std::string& name) {
    std::string here = __FILE__;
    here.erase(here.rfind('/'));
    here.erase(here.rfind('/'));
    return ReadTestFile(here + "/data/legacy/" + name);
}

class LoginTest : public ::testing::Test {
protected:
    // Builds every window and shows the login window; what the other windows reported
    // while they were created is not this window's business.
    void Start() {
        app = std::make_unique<Tastora>(ui);
        app->Run();
        ui.log.clear();
        ui.messages.clear();
        ui.errors.clear();
    }
    void StartWithLegacyFiles() {
        WriteTestFile("data\\users.ini", LegacyFile("users.ini"));
        WriteTestFile("data\\lista.txt", LegacyFile("lista.txt"));
        Start();
    }
    LoginWindow& form() { return app->login; }
    const LoginWindow::Controls& c() { return app->login.controls; }
    void ExpectButtons(bool nou, bool sterge, bool accept) {
        EXPECT_EQ(ui.IsEnabled(c().newProfile), nou);
        EXPECT_EQ(ui.IsEnabled(c().deleteProfile), sterge);
        EXPECT_EQ(ui.IsEnabled(c().start), accept);
    }
    void ExpectNoLogin() {
        EXPECT_TRUE(ui.IsVisible(F1));
        EXPECT_TRUE(app->session.userName.empty());
        EXPECT_EQ(app->session.CurrentLevel, 0);
        EXPECT_EQ(ui.Count("Show "), 0);
    }
    // Shown before / after in the log.
    void ExpectOrder(const std::string& first, const std::string& second) {
        const int a = ui.LogIndex(first), b = ui.LogIndex(second);
        ASSERT_GE(a, 0) << first;
        ASSERT_GE(b, 0) << second;
        EXPECT_LT(a, b) << first << " before " << second;
    }

    TempDataDir dir;
    FakeUi ui;
    std::unique_ptr<Tastora> app;
};

// --- the window

TEST_F(LoginTest, LayoutIsTheDesignedWindow) {
    Start();
    const FormSpec& f = ui.form(F1).desc;
    EXPECT_EQ(f.caption, "Tastora 1.3");
    EXPECT_EQ(ui.Caption(F1), "Tastora 1.3");
    EXPECT_EQ(f.border, BorderStyle::ToolWindow);
    EXPECT_TRUE(f.clientSize);
    EXPECT_EQ(f.width, 248);
    EXPECT_EQ(f.height, 110);
    EXPECT_TRUE(f.centered);
    EXPECT_EQ(f.font.face, "MS Sans Serif");
    EXPECT_EQ(f.font.points, 8);

    struct Expected {
        const char* name;
        ControlKind kind;
        int left, top, width, height, tab;
        bool enabled;
    };
    const Expected expected[] = {
        {"Label1", ControlKind::Label, 8, 0, 17, 13, -1, true},
        {"cbalegenume", ControlKind::ComboBox, 8, 16, 153, 21, 0, true},
        {"Label2", ControlKind::Label, 8, 40, 36, 13, -1, true},
        {"MEparola", ControlKind::PasswordEdit, 8, 56, 153, 21, 1, true},
        {"Bnou", ControlKind::Button, 168, 16, 75, 25, 2, true},
        {"BSterge", ControlKind::Button, 168, 48, 75, 25, 3, false},
        {"Baccept", ControlKind::Button, 168, 80, 75, 25, 4, false},
    };
    ASSERT_EQ(f.controls.size(), std::size(expected));
    for (size_t i = 0; i < f.controls.size(); ++i) {
        const ControlSpec& c = f.controls[i];
        const Expected& e = expected[i];
        EXPECT_EQ(c.name, e.name);
        EXPECT_EQ(c.kind, e.kind) << e.name;
        EXPECT_EQ(c.left, e.left) << e.name;
        EXPECT_EQ(c.top, e.top) << e.name;
        EXPECT_EQ(c.width, e.width) << e.name;
        EXPECT_EQ(c.height, e.height) << e.name;
        EXPECT_EQ(c.tabOrder, e.tab) << e.name;
        EXPECT_EQ(c.enabled, e.enabled) << e.name;
        EXPECT_EQ(c.defaultButton, c.name == "Baccept") << e.name;
    }
    EXPECT_TRUE(f.controls[1].onChange);
    EXPECT_TRUE(f.controls[4].onClick);
    EXPECT_TRUE(f.controls[5].onClick);
    EXPECT_TRUE(f.controls[6].onClick);
}

TEST_F(LoginTest, StartShowsThePlaceholderAndOnlyNewIsEnabled) {
    WriteTestFile("data\\lista.txt", Cp("Анна\r\nIvan\r\n"));
    Start();
    EXPECT_TRUE(ui.IsVisible(F1));
    EXPECT_EQ(ui.Text(c().nameLabel), "Имя:");
    EXPECT_EQ(ui.Text(c().passwordLabel), "Пароль:");
    EXPECT_EQ(ui.Text(c().name), kPlaceholder);
    EXPECT_EQ(ui.Text(c().password), "");
    EXPECT_EQ(ui.Text(c().newProfile), "Новое");
    EXPECT_EQ(ui.Text(c().deleteProfile), "Удалить");
    EXPECT_EQ(ui.Text(c().start), "Начать");
    EXPECT_EQ(ui.control(c().name).items, (std::vector<std::string>{"Анна", "Ivan"}));
    ExpectButtons(true, false, false);

    // Enter does nothing while "Начать" is disabled.
    ui.PressEnter(F1);
    EXPECT_TRUE(ui.log.empty());
    EXPECT_FALSE(TestFileExists("data\\users.ini"));
}

TEST_F(LoginTest, AMissingListGivesOneEmptyEntryAndNoMessage) {
    Start();
    EXPECT_EQ(ui.control(c().name).items, std::vector<std::string>{""});
    EXPECT_FALSE(TestFileExists("data\\lista.txt"));
}

// --- button states

TEST_F(LoginTest, PickingAProfileAndTypingOneMoreLetter) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Анна");
    ExpectButtons(false, true, true);
    ui.Type(c().name, "Аннаа");
    ExpectButtons(true, false, false);
    // Case does not matter for the profile.
    ui.Type(c().name, "иван петров");
    ExpectButtons(false, true, true);
}

TEST_F(LoginTest, EmptyTextAndThePlaceholderChangeNoButton) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Ivan");
    ui.Type(c().name, "");
    ExpectButtons(false, true, true);
    ui.Type(c().name, kPlaceholder);
    ExpectButtons(false, true, true);
}

TEST_F(LoginTest, StaleButtonsOpenNothingWithoutAName) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Ivan");  // its password is empty
    ui.Type(c().name, "");
    ui.Click(c().start);
    ExpectNoLogin();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Пользователь с таким именем не найден"});
    ui.Click(c().deleteProfile);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(ReadTestFile("data\\users.ini"), LegacyFile("users.ini"));
}

// --- a new profile

TEST_F(LoginTest, NewOnThePlaceholderThenNameThenStart) {
    Start();
    ui.Type(c().password, "old");
    ui.Click(c().newProfile);
    EXPECT_EQ(ui.Text(c().name), "Имя");
    EXPECT_TRUE(ui.control(c().name).allSelected);
    EXPECT_EQ(ui.Text(c().password), "");
    EXPECT_TRUE(form().NewUserMode);
    EXPECT_EQ(ui.focusControl, "cbalegenume");
    ExpectButtons(true, false, false);
    EXPECT_FALSE(TestFileExists("data\\users.ini"));
    EXPECT_FALSE(TestFileExists("data\\lista.txt"));

    ui.Type(c().name, "Мария");
    ExpectButtons(true, false, true);
    ui.Type(c().password, "abc");
    ui.PressEnter(F1);

    EXPECT_EQ(ReadTestFile("data\\users.ini"), Cp("[Мария]\r\nnivel=1,1\r\npass=YWJj\r\n"));
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), Cp("Мария\r\n"));
    EXPECT_FALSE(ui.IsVisible(F1));
    EXPECT_TRUE(ui.IsVisible(FormId::Donations));
    EXPECT_FALSE(ui.IsVisible(FormId::Exercise));
    EXPECT_EQ(app->session.userName, "Мария");
    EXPECT_DOUBLE_EQ(app->session.CurrentLevel, 1.1);
    ExpectOrder("Hide Form1", "Show Donatii");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(LoginTest, NewPressedTwiceAsksForAName) {
    Start();
    ui.Click(c().newProfile);
    ui.Click(c().newProfile);
    ExpectNoLogin();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Вы не указали имя пользователя"});
    EXPECT_FALSE(TestFileExists("data\\users.ini"));
    EXPECT_EQ(ui.focusControl, "cbalegenume");
    // "Имя" typed by the learner is a name like any other.
    ui.Type(c().name, "Имя");
    ui.Click(c().newProfile);
    EXPECT_EQ(app->session.userName, "Имя");
}

TEST_F(LoginTest, NewWithATypedNameCreatesAndOpensAtOnce) {
    ui.decimalSeparator = '.';
    Start();
    ui.Type(c().name, "Petr");
    ExpectButtons(true, false, false);
    ui.Type(c().password, "");
    ui.Click(c().newProfile);
    EXPECT_EQ(ReadTestFile("data\\users.ini"), "[Petr]\r\nnivel=1.1\r\npass=\r\n");
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Petr\r\n");
    EXPECT_TRUE(ui.IsVisible(FormId::Donations));
    EXPECT_FALSE(ui.IsVisible(F1));
    EXPECT_EQ(app->session.userName, "Petr");
}

TEST_F(LoginTest, InNewModeEveryEditEnablesStartEvenThePlaceholder) {
    StartWithLegacyFiles();
    ui.Click(c().newProfile);
    ui.Type(c().name, "Nobody");
    ExpectButtons(true, false, true);
    ui.Type(c().name, kPlaceholder);
    EXPECT_TRUE(ui.IsEnabled(c().start));
    // ...but the placeholder names no profile.
    ui.Click(c().start);
    ExpectNoLogin();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Вы не указали имя пользователя"});
    EXPECT_EQ(ReadTestFile("data\\users.ini"), LegacyFile("users.ini"));
}

TEST_F(LoginTest, ANameTheStoreCannotHoldIsRefusedAndNothingIsWritten) {
    Start();
    ui.Type(c().name, "..\\..\\evil");
    ui.Click(c().newProfile);
    ExpectNoLogin();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Имя пользователя не может содержать символы \\ / : * ? \" < > | [ ] = ;");
    EXPECT_EQ(ui.focusControl, "cbalegenume");

    for (const char* bad : {"Anna ", "", "a]b", "CON", "Anna."}) {
        ui.Type(c().name, bad);
        ui.Click(c().start);  // new-profile mode since "Новое"
    }
    ExpectNoLogin();
    EXPECT_EQ(ui.messages.size(), 6u);
    EXPECT_FALSE(TestFileExists("data\\users.ini"));
    EXPECT_FALSE(TestFileExists("data\\lista.txt"));
}

TEST_F(LoginTest, AFailedWriteStopsTheNewProfileLogin) {
    WriteTestFile("data\\users.ini", "");
    WriteTestFile("data\\lista.txt", "Anna\r\n");
    ASSERT_EQ(chmod("data/users.ini", 0444), 0);
    Start();
    ui.Type(c().name, "Ivan");
    ui.Click(c().newProfile);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"Unable to write to data\\users.ini"});
    ExpectNoLogin();
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Anna\r\n");
}

// --- an existing profile

TEST_F(LoginTest, RightPasswordOpensTheExerciseAtTheStoredLevel) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Анна");
    ui.Type(c().password, "секрет");
    ui.PressEnter(F1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(ui.IsVisible(F1));
    EXPECT_TRUE(ui.IsVisible(FormId::Exercise));
    EXPECT_FALSE(ui.IsVisible(FormId::Donations));
    EXPECT_EQ(app->session.userName, "Анна");
    EXPECT_DOUBLE_EQ(app->session.CurrentLevel, 2.1);
    ExpectOrder("Hide Form1", "Show Form2");
}

TEST_F(LoginTest, FinishedCourseOpensTheClosingAddress) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Иван Петров");
    ui.Type(c().password, "Ёжик");
    ui.Click(c().start);
    EXPECT_TRUE(ui.IsVisible(FormId::Closing));
    EXPECT_EQ(ui.LogIndex("Show Form2"), -1);
    EXPECT_DOUBLE_EQ(app->session.CurrentLevel, 17.1);
    EXPECT_EQ(app->session.userName, "Иван Петров");
}

TEST_F(LoginTest, LastReviewExerciseStillStartsTheExercise) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Ольга");
    ui.Type(c().password, "Пароль1");
    ui.Click(c().start);
    EXPECT_GE(ui.LogIndex("Show Form2"), 0);
    EXPECT_EQ(ui.LogIndex("Show Form6"), -1);
    EXPECT_DOUBLE_EQ(app->session.CurrentLevel, 16.3);
}

TEST_F(LoginTest, UnderEnglishSettingsARussianLevelReadsAsTheFirst) {
    ui.decimalSeparator = '.';
    StartWithLegacyFiles();
    ui.Type(c().name, "Иван Петров");
    ui.Type(c().password, "Ёжик");
    ui.Click(c().start);
    EXPECT_DOUBLE_EQ(app->session.CurrentLevel, 1.1);
    EXPECT_GE(ui.LogIndex("Show Form2"), 0);
}

TEST_F(LoginTest, WrongPasswordKeepsItAndFocusesThePasswordBox) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Анна");
    ui.Type(c().password, "Секрет");
    ui.SetFocus(c().start);
    ui.log.clear();
    ui.Click(c().start);
    EXPECT_EQ(ui.messages, std::vector<std::string>{kWrongPassword});
    ExpectOrder("Message " + std::string(kWrongPassword), "Focus Form1.MEparola");
    EXPECT_EQ(ui.focusControl, "MEparola");
    EXPECT_EQ(ui.Text(c().password), "Секрет");
    ExpectNoLogin();
    ExpectButtons(false, true, true);
}

TEST_F(LoginTest, AStoredPasswordOfUnevenLengthStopsTheLogin) {
    WriteTestFile("data\\users.ini", "[Ivan]\r\nnivel=2,1\r\npass=YWJ\r\n");
    Start();
    ui.Type(c().name, "Ivan");
    ui.Type(c().password, "ab");
    ui.Click(c().start);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"Uneven size in DecodeToStream."});
    EXPECT_TRUE(ui.messages.empty());
    ExpectNoLogin();
}

TEST_F(LoginTest, AStoredNameUnsafeAsAFileNameStillLogsInAndKeepsItsFilesInTheDataFolder) {
    // An older installation may hold a name that cannot be a file name; the learner still
    // gets in, and the review lesson goes to a mapped file inside data\text.
    WriteTestFile("data\\users.ini", "[..\\..\\evil]\r\nnivel=4,3\r\npass=\r\n");
    Start();
    ui.Type(c().name, "..\\..\\evil");
    ExpectButtons(false, true, true);
    ui.Click(c().start);
    EXPECT_FALSE(ui.IsVisible(F1));
    EXPECT_EQ(app->session.userName, "..\\..\\evil");
    EXPECT_DOUBLE_EQ(app->session.CurrentLevel, 4.3);
    const std::string review = ReviewFilePath(app->session.userName);
    EXPECT_EQ(review.rfind("data\\text\\_", 0), 0u) << review;
    EXPECT_EQ(review.find("..\\"), std::string::npos) << review;
    // The exercise opens the same file that the review generator writes.
    EXPECT_EQ(LessonFilePath(app->session.CurrentLevel, app->session.userName), review);
}

// --- deleting

TEST_F(LoginTest, DeleteWithAWrongPasswordAsksNothing) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Анна");
    ui.Type(c().password, "x");
    ui.SetFocus(c().deleteProfile);
    ui.log.clear();
    ui.Click(c().deleteProfile);
    EXPECT_EQ(ui.messages, std::vector<std::string>{kWrongPassword});
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(ui.Count("Focus "), 0);
    EXPECT_EQ(ui.focusControl, "BSterge");
    EXPECT_EQ(ReadTestFile("data\\users.ini"), LegacyFile("users.ini"));
}

TEST_F(LoginTest, AnsweringNoChangesNothing) {
    StartWithLegacyFiles();
    ui.Type(c().name, "Анна");
    ui.Type(c().password, "секрет");
    ui.confirmAnswers = {false};
    ui.Click(c().deleteProfile);
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Вы уверены в том, что хотите удалить данного пользователя?"});
    EXPECT_EQ(ReadTestFile("data\\users.ini"), LegacyFile("users.ini"));
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), LegacyFile("lista.txt"));
    EXPECT_EQ(ui.Text(c().name), "Анна");
    EXPECT_EQ(ui.Text(c().password), "секрет");
    ExpectButtons(false, true, true);
}

TEST_F(LoginTest, AnsweringYesDeletesAndResetsTheWindow) {
    StartWithLegacyFiles();
    ui.Type(c().name, "анна");  // the list keeps "Анна": its comparison is exact
    ui.Type(c().password, "секрет");
    ui.confirmAnswers = {true};
    ui.Click(c().deleteProfile);
    EXPECT_FALSE(IniFile("data\\users.ini").SectionExists("Анна"));
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), LegacyFile("lista.txt"));

    ui.Type(c().name, "Ivan");
    ui.Type(c().password, "");
    ui.confirmAnswers = {true};
    ui.Click(c().deleteProfile);
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), Cp("Анна\r\nИван Петров\r\nОльга\r\n"));
    EXPECT_FALSE(IniFile("data\\users.ini").SectionExists("Ivan"));
    EXPECT_EQ(ui.Text(c().name), kPlaceholder);
    EXPECT_EQ(ui.Text(c().password), "");
    EXPECT_EQ(ui.control(c().name).items, (std::vector<std::string>{"Анна", "Иван Петров", "Ольга"}));
    ExpectButtons(false, false, false);
    ExpectNoLogin();
    EXPECT_EQ(ui.focusControl, "cbalegenume") << "the disabled button had the focus";

    // The next edit re-evaluates "Новое".
    ui.Type(c().name, "Ivan");
    ExpectButtons(true, false, false);
}

TEST_F(LoginTest, DeletingTheLastProfileEmptiesTheList) {
    WriteTestFile("data\\users.ini", "[Ivan]\r\nnivel=1,1\r\npass=\r\n");
    WriteTestFile("data\\lista.txt", "\r\nIvan\r\n");
    Start();
    EXPECT_EQ(ui.control(c().name).items, (std::vector<std::string>{"", "Ivan"}));
    ui.Type(c().name, "Ivan");
    ui.confirmAnswers = {true};
    ui.Click(c().deleteProfile);
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "");
    EXPECT_TRUE(ui.control(c().name).items.empty());
    EXPECT_EQ(ReadTestFile("data\\users.ini"), "");
}

TEST_F(LoginTest, DeletingWorksInNewMode) {
    StartWithLegacyFiles();
    ui.Click(c().newProfile);
    ui.Type(c().name, "Ivan");
    ui.confirmAnswers = {true};
    ui.Click(c().deleteProfile);
    EXPECT_FALSE(IniFile("data\\users.ini").SectionExists("Ivan"));
    ExpectButtons(false, false, false);
}

// The login window on its own: what it hands to the program body, which leads on.
TEST(LoginAlone, HandsTheProfileAtItsStoredLevelToTheProgramBody) {
    const struct {
        const char* name;
        const char* password;
        bool newProfile;
        double level;  // 0: no login
        bool created;
    } cases[] = {
        {"Анна", "секрет", false, 2.1, false},
        {"Ольга", "Пароль1", false, 16.3, false},
        {"Иван Петров", "Ёжик", false, 17.1, false},  // the course is over
        {"Анна", "wrong", false, 0, false},
        // After "Новое" only a name without a profile is created; an existing profile still
        // needs its password and is opened as always.
        {"Мария", "", true, 1.1, true},
        {"Анна", "секрет", true, 2.1, false},
        {"Иван Петров", "Ёжик", true, 17.1, false},
        {"Анна", "wrong", true, 0, false},
        {"Ivan", "secret", true, 0, false},
        {"Ivan", "", true, 3.1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.newProfile ? " new" : ""));
        TempDataDir dir;
        WriteTestFile("data\\users.ini", LegacyFile("users.ini"));
        WriteTestFile("data\\lista.txt", LegacyFile("lista.txt"));
        FakeUi ui;
        RecordingFlow flow;
        LoginWindow login(ui, flow);
        const FormSpec desc = login.Layout();
        ui.CreateForm(desc);
        desc.onCreate();
        if (c.newProfile) ui.Click(login.controls.newProfile);
        ui.Type(login.controls.name, c.name);
        ui.Type(login.controls.password, c.password);
        ui.Click(login.controls.start);
        std::vector<RecordingFlow::Login> expected;
        if (c.level) expected.push_back({c.name, c.level, c.created});
        EXPECT_EQ(flow.logins, expected);
        EXPECT_EQ(ui.Count("Show ") + ui.Count("Hide "), 0);
        EXPECT_EQ(ui.messages, c.level ? std::vector<std::string>{} : std::vector<std::string>{kWrongPassword});
        if (std::string(c.name) != "Мария") {
            EXPECT_EQ(ReadTestFile("data\\users.ini"), LegacyFile("users.ini"));
        }
    }
}

}  // namespace
}  // namespace tastora
