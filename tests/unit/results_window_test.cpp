// The results window: its layout, the graph picture, painting, closing, and where "Далее"
// leads after each kind of evaluation.
#include <stdlib.h>

#include <filesystem>

#include "core/files.h"
#include "core/image_io.h"
#include "tests/support/exercise_data.h"
#include "tests/unit/results_fixture.h"

namespace tastora {
namespace results_test {
namespace {

TEST(ResultsWindowLayout, WindowAndControls) {
    FakeUi ui;
    Tastora app(ui);
    const FormSpec f = app.results.Layout();
    EXPECT_EQ(f.id, FormId::Results);
    EXPECT_EQ(f.border, BorderStyle::ToolWindow);
    EXPECT_TRUE(f.clientSize);
    EXPECT_EQ(f.width, 629);
    EXPECT_EQ(f.height, 275);
    EXPECT_TRUE(f.centered);
    EXPECT_EQ(f.font.face, "MS Sans Serif");
    EXPECT_EQ(f.font.points, 8);
    EXPECT_FALSE(f.font.bold);
    EXPECT_TRUE(f.onCreate && f.onPaint && f.onClose);

    // Each handle names the control that other programs know by its designer name.
    const ResultsWindow::Controls& h = app.results.controls;
    struct Expected {
        LabelHandle handle;
        const char* name;
        int left, top, width, height;
        bool bold16;
    } rows[] = {
        {h.verdict, "Label7", 8, 8, 6, 20, true},           {h.graphTitle, "Label10", 296, 40, 258, 13, false},
        {h.timeCaption, "Label4", 8, 64, 120, 20, true},    {h.time, "Label2", 168, 64, 55, 20, true},
        {h.errorsCaption, "Label5", 8, 88, 111, 20, true},  {h.errors, "Label1", 168, 88, 55, 20, true},
        {h.speedCaption, "Label6", 8, 112, 86, 20, true},   {h.speed, "Label3", 168, 112, 55, 20, true},
        {h.rhythmCaption, "Label8", 8, 136, 118, 20, true}, {h.rhythm, "Label9", 168, 136, 55, 20, true},
    };
    ASSERT_EQ(f.controls.size(), 11u);
    for (const auto& r : rows) {
        const ControlSpec* c = f.Find(r.handle);
        ASSERT_NE(c, nullptr) << r.name;
        EXPECT_EQ(c->name, r.name);
        EXPECT_EQ(c->kind, ControlKind::Label) << r.name;
        EXPECT_EQ(c->left, r.left) << r.name;
        EXPECT_EQ(c->top, r.top) << r.name;
        EXPECT_EQ(c->width, r.width) << r.name;
        EXPECT_EQ(c->height, r.height) << r.name;
        EXPECT_TRUE(c->autoSize) << r.name;
        EXPECT_EQ(c->tabOrder, -1) << r.name;
        if (r.bold16) {
            EXPECT_EQ(c->font.face, "MS Sans Serif") << r.name;
            EXPECT_EQ(c->font.pixelHeight, 16) << r.name;
            EXPECT_TRUE(c->font.bold) << r.name;
        } else {
            EXPECT_TRUE(c->font.face.empty()) << r.name;
        }
    }
    const ControlSpec* b = f.Find(h.next);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name, "Button1");
    EXPECT_EQ(b->kind, ControlKind::Button);
    EXPECT_EQ(b->left, 536);
    EXPECT_EQ(b->top, 240);
    EXPECT_EQ(b->width, 75);
    EXPECT_EQ(b->height, 25);
    EXPECT_TRUE(b->defaultButton);
    EXPECT_EQ(b->tabOrder, 0);
    EXPECT_TRUE(b->font.face.empty());
    EXPECT_TRUE(bool(b->onClick));
}

TEST(ResultsWindowCreate, LoadsTheGraphAndSetsTheTextsInOrder) {
    TempDataDir dir;
    Bitmap picture(330, 160, 0x10E0F0);
    picture.Set(5, 7, 0x123456);
    WriteTestFile("data\\pictures\\graph.bmp", EncodeBmp(picture));
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    EXPECT_EQ(app.results.SpeedGraph, picture);
    const char* order[] = {"Text Form3.Label4=Общее время:",
                           "Text Form3.Label5=Кол. ошибок:",
                           "Text Form3.Label6=Скорость:",
                           "Text Form3.Label8=Ритмичность:",
                           "Text Form3.Label10=График изменения скорости на протяжении курса",
                           "Caption Form3=Результаты",
                           "Text Form3.Button1=Далее"};
    int last = -1;
    for (const char* entry : order) {
        const int at = ui.LogIndex(entry);
        EXPECT_GT(at, last) << entry;
        last = at;
    }
    for (const auto& e : ui.errors) EXPECT_EQ(e.find("graph.bmp"), std::string::npos) << e;
}

TEST(ResultsWindowCreate, WithoutTheGraphPictureTheWindowStillGetsItsTexts) {
    TempDataDir dir;
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    int reported = 0;
    for (const auto& e : ui.errors) reported += e.find("data\\pictures\\graph.bmp") != std::string::npos;
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(ui.Caption(FormId::Results), "Результаты");
    EXPECT_EQ(ui.Text(app.results.controls.next), "Далее");
    EXPECT_EQ(app.results.SpeedGraph.Width(), 330);
    EXPECT_EQ(app.results.SpeedGraph.Height(), 160);
}

// --- painting and closing -----------------------------------------------------------------

using ResultsWindowTest = ResultsTest;

TEST_F(ResultsWindowTest, PaintPutsTheGraphAt272And64) {
    app.results.SpeedGraph = Bitmap(330, 160, kWhite);
    app.results.SpeedGraph.Set(0, 0, 0x112233);
    app.results.SpeedGraph.Set(329, 159, 0x445566);
    ui.Paint(FormId::Results);
    const Bitmap& screen = ui.form(FormId::Results).screen;
    EXPECT_EQ(screen.At(272, 64), 0x112233u);
    EXPECT_EQ(screen.At(272 + 329, 64 + 159), 0x445566u);
    EXPECT_NE(screen.At(271, 63), kWhite);
}

TEST_F(ResultsWindowTest, TheCloseBoxEndsTheProgram) {
    ui.Show(FormId::Results);
    ui.CloseBox(FormId::Results);
    EXPECT_TRUE(ui.terminated);
}

// --- "Далее" ----------------------------------------------------------------------------------

class NextButtonTest : public ResultsTest {
protected:
    // The pictures of every key and character, made once and copied into each test's folder.
    static void SetUpTestSuite() {
        const auto previous = std::filesystem::current_path();
        std::string tmpl = (std::filesystem::temp_directory_path() / "tastora-pictures-XXXXXX").string();
        ASSERT_NE(mkdtemp(&tmpl[0]), nullptr);
        pictures_ = tmpl;
        std::filesystem::current_path(pictures_);
        WriteCoursePictures();
        std::filesystem::current_path(previous);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(pictures_, ec);
    }
    void SetUp() override {
        ResultsTest::SetUp();
        std::filesystem::copy(
            std::filesystem::path(pictures_) / "data", "data",
            std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    }
    static inline std::string pictures_;

    void Lesson(const std::string& file, const std::string& caption) {
        WriteTestFile("data\\text\\" + file, LessonFileBytes(caption, "Начинаем!", 1, {"фыва олдж"}));
    }
    // The evaluation, then "Далее" pressed with Enter.
    void FinishAndGoOn(int errors, int correct, int seconds) {
        Finish(errors, correct, seconds);
        ui.log.clear();
        ui.PressEnter(FormId::Results);
    }
    void ExpectExercise(const std::string& caption) {
        EXPECT_FALSE(ui.IsVisible(FormId::Results));
        EXPECT_TRUE(ui.IsVisible(FormId::Exercise));
        EXPECT_EQ(ui.Caption(FormId::Exercise), caption);
        EXPECT_LT(ui.LogIndex("Hide Form3"), ui.LogIndex("Show Form2"));
        EXPECT_EQ(ui.LogIndex("Show flashplayer"), -1);
        EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
    }
};

TEST_F(NextButtonTest, AFailRepeatsTheExercise) {
    Lesson("L3.txt", "Урок 3");
    LogIn("Анна", 3.1);
    SetLimits(3, 10, 0);
    FinishAndGoOn(1, 100, 60);
    ExpectExercise("Урок 3");
    EXPECT_EQ(app.session.CurrentLevel, 3.1);
}

TEST_F(NextButtonTest, APassedExerciseLeadsToTheTest) {
    Lesson("T5.txt", "Тест 5");
    LogIn("Анна", 5.1);
    FinishAndGoOn(0, 100, 60);
    ExpectExercise("Тест 5");
}

TEST_F(NextButtonTest, PassingTest42OpensTheLearnersReview) {
    LogIn("Анна", 4.2);
    SetProfile("33", "3");
    FinishAndGoOn(0, 100, 60);
    ExpectExercise("Повторения");
    EXPECT_EQ(app.session.CurrentLevel, 4.3);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().rfind("УКАЗАНИЯ:", 0), 0u);
}

TEST_F(NextButtonTest, AfterTheLastReviewTheLastBookMovie) {
    LogIn("Анна", 16.3);
    FinishAndGoOn(0, 100, 60);
    EXPECT_TRUE(ui.IsVisible(FormId::Player));
    EXPECT_EQ(ui.control(FormId::Player, "ShockwaveFlash1").properties[102],
              AbsolutePath("data\\pictures\\carti\\16.swf"));
    EXPECT_FALSE(ui.IsVisible(FormId::Results));
    EXPECT_FALSE(ui.IsVisible(FormId::Exercise));
    EXPECT_EQ(ui.LogIndex("Show Form2"), -1);
}

TEST_F(NextButtonTest, Test162LeadsToTheReviewNotToTheEnd) {
    LogIn("Анна", 16.2);
    FinishAndGoOn(0, 100, 60);
    ExpectExercise("Повторения");
    EXPECT_FALSE(ui.IsVisible(FormId::Closing));
}

}  // namespace
}  // namespace results_test
}  // namespace tastora
