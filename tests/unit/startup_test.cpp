// The start-up sequence of the program body: title, the windows in their order with
// their creation handlers, the system directory, the event loop and the clean-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/files.h"
#include "core/text.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

const std::vector<std::string> kCreationOrder = {"Form1", "Form2", "Form3",   "Form6",    "Fprogres",   "fh",
                                                 "Fpic",  "Fi",    "Donatii", "Donatii2", "flashplayer"};

std::vector<std::string> CreatedForms(const FakeUi& ui) {
    std::vector<std::string> created;
    for (const auto& entry : ui.log)
        if (entry.rfind("Create ", 0) == 0) created.push_back(entry.substr(7));
    return created;
}

int ErrorsAbout(const FakeUi& ui, const std::string& file) {
    int n = 0;
    for (const auto& e : ui.errors)
        if (e.find(file) != std::string::npos) ++n;
    return n;
}

void WriteAuxiliaryTexts() {
    WriteTestFile("data\\prav.txt", Utf8ToCp1251("Правила"));
    WriteTestFile("data\\rus.txt", Utf8ToCp1251("Пожертвования"));
    WriteTestFile("data\\zac.txt", Utf8ToCp1251("Конец курса"));
}

TEST(StartUp, SequenceFromTitleToExitCode) {
    TempDataDir dir;
    WriteAuxiliaryTexts();
    FakeUi ui;
    Tastora app(ui);
    EXPECT_EQ(app.Run(), 0);

    ASSERT_GE(ui.log.size(), 1u);
    EXPECT_EQ(ui.log[0], "Title Tastora");
    EXPECT_EQ(ui.applicationTitle, "Tastora");
    EXPECT_EQ(CreatedForms(ui), kCreationOrder);
    for (int i = 0; i < kFormCount; ++i) EXPECT_EQ(ui.form(FormId(i)).created, i < kProgramFormCount) << i;

    EXPECT_TRUE(app.FlashPlayerCreated);

    // The loop shows the login window and nothing else.
    EXPECT_TRUE(ui.loopRan);
    EXPECT_EQ(ui.Count("Show "), 1);
    EXPECT_EQ(ui.LogIndex("Show Form1"), ui.LogIndex("EventLoop") + 1);
    for (int i = 0; i < kFormCount; ++i) EXPECT_EQ(ui.IsVisible(FormId(i)), i == 0) << i;
    EXPECT_TRUE(app.session.userName.empty());
}

TEST(StartUp, EachCreationHandlerRunsRightAfterItsWindow) {
    TempDataDir dir;
    WriteAuxiliaryTexts();
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    struct Step {
        const char* created;
        const char* handlerStep;
        const char* next;
    };
    for (const Step& s : {Step{"Create Form6", "Caption Form6=ЗАКЛЮЧИТЕЛЬНОЕ ОБРАЩЕНИЕ.", "Create Fprogres"},
                          Step{"Create fh", "Caption fh=Правила печати на компьютере", "Create Fpic"},
                          Step{"Create Fi", "Text Fi.Label2=Авторы:", "Create Donatii"},
                          Step{"Create Donatii", "Caption Donatii=Пожертвования", "Create Donatii2"},
                          Step{"Create Donatii2", "Caption Donatii2=Пожертвования", "Create flashplayer"}}) {
        SCOPED_TRACE(s.handlerStep);
        const int step = ui.LogIndex(s.handlerStep);
        ASSERT_GE(step, 0);
        EXPECT_LT(ui.LogIndex(s.created), step);
        EXPECT_LT(step, ui.LogIndex(s.next));
    }
}

TEST(StartUp, SystemDirectoryIsReadOnce) {
    TempDataDir dir;
    FakeUi ui;
    ui.systemDirectory = "D:\\Windows\\system32";
    Tastora app(ui);
    app.Run();
    EXPECT_EQ(app.SystemDirectory, "D:\\Windows\\system32");

    // Only as much as the 2048-character buffer holds.
    FakeUi ui2;
    ui2.systemDirectory = "C:\\" + std::string(3000, 'x');
    Tastora app2(ui2);
    app2.Run();
    EXPECT_EQ(app2.SystemDirectory.size(), 2047u);
    EXPECT_EQ(app2.SystemDirectory, ui2.systemDirectory.substr(0, 2047));
}

TEST(StartUp, FailingCreationHandlersAreReportedAndStartUpGoesOn) {
    // No data at all: every window that reads a file fails its creation handler.
    TempDataDir dir;
    FakeUi ui;
    Tastora app(ui);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(ErrorsAbout(ui, "data\\prav.txt"), 1);
    EXPECT_EQ(ErrorsAbout(ui, "data\\rus.txt"), 2);  // both donations windows
    EXPECT_EQ(ErrorsAbout(ui, "data\\zac.txt"), 1);
    EXPECT_EQ(CreatedForms(ui), kCreationOrder);
    EXPECT_TRUE(ui.IsVisible(FormId::Login));
    EXPECT_TRUE(ui.loopRan);
}

TEST(StartUp, ErrorsAreShownBeforeTheLoginWindow) {
    TempDataDir dir;
    WriteAuxiliaryTexts();
    RemoveFile("data\\zac.txt");
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    ASSERT_EQ(ErrorsAbout(ui, "data\\zac.txt"), 1);
    EXPECT_LT(ui.LogIndex("Error Не удаётся открыть файл data\\zac.txt."), ui.LogIndex("Create Fprogres"));
    EXPECT_LT(ui.LogIndex("Create flashplayer"), ui.LogIndex("Show Form1"));
}

TEST(StartUp, WithTheCourseDataOneMissingTextGivesExactlyOneError) {
    TempDataDir dir;
    if (!CopyGeneratedData() || !FileExists("data\\zac.txt"))
        GTEST_SKIP() << "the generated course data is not available";
    {
        FakeUi ui;
        Tastora app(ui);
        EXPECT_EQ(app.Run(), 0);
        EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
    }
    RemoveFile("data\\zac.txt");
    FakeUi ui;
    Tastora app(ui);
    EXPECT_EQ(app.Run(), 0);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удаётся открыть файл data\\zac.txt.");
    EXPECT_EQ(CreatedForms(ui), kCreationOrder);
    EXPECT_TRUE(ui.IsVisible(FormId::Login));
}

TEST(StartUp, AWindowThatCannotBeBuiltEndsTheStartUp) {
    TempDataDir dir;
    FakeUi ui;
    ui.failCreateOf = int(FormId::Info);
    Tastora app(ui);
    EXPECT_ANY_THROW(app.Run());
    EXPECT_FALSE(ui.loopRan);
    EXPECT_EQ(ui.LogIndex("Create Donatii"), -1);
}

}  // namespace
}  // namespace tastora
