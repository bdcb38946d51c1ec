// The auxiliary windows: rules, picture, info, the two donations windows, the closing
// address, the progress window and the player's frame, driven through the fake window system.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/text.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_files.h"
#include "windows/text_file.h"

namespace tastora {
namespace {

// A small baseline JPEG of one colour.
std::string JpegBytes(int width, int height) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3, 0x40);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

// "Правила" and friends in Windows-1251.
std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

const char* const kRulesText = "Правила печати\r\nСидите прямо.\r\n";
const char* const kDonationsText = "Курс бесплатный.\r\nПомогите проекту!";
const char* const kClosingText = "Поздравляем с окончанием курса!";

// Every data file of the auxiliary windows.
void WriteWindowFiles() {
    WriteTestFile("data\\prav.txt", Cp(kRulesText));
    WriteTestFile("data\\rus.txt", Cp(kDonationsText));
    WriteTestFile("data\\zac.txt", Cp(kClosingText));
    WriteTestFile("data\\pictures\\help\\1.jpg", JpegBytes(880, 300));
    WriteTestFile("data\\pictures\\help\\2.jpg", JpegBytes(150, 150));
    WriteTestFile("data\\pictures\\help\\3.jpg", JpegBytes(145, 140));
    WriteTestFile("data\\pictures\\help\\4.jpg", JpegBytes(140, 140));
}

// The errors about the files of these windows (the other windows' files are not written
// here, so their own errors are left aside).
std::vector<std::string> MyErrors(const FakeUi& ui) {
    std::vector<std::string> mine;
    for (const auto& e : ui.errors)
        for (const char* file : {"data\\prav.txt", "data\\rus.txt", "data\\zac.txt", "data\\pictures\\help\\"})
            if (e.find(file) != std::string::npos) {
                mine.push_back(e);
                break;
            }
    return mine;
}

// The errors that name a file.
int ErrorsAbout(const FakeUi& ui, const std::string& file) {
    int n = 0;
    for (const auto& e : ui.errors)
        if (e.find(file) != std::string::npos) ++n;
    return n;
}

const ControlSpec* FindControl(const FormSpec& desc, const std::string& name) {
    for (const auto& c : desc.controls)
        if (c.name == name) return &c;
    return nullptr;
}

void ExpectBounds(const FormSpec& desc, const std::string& name, ControlKind kind, int left, int top, int width,
                  int height) {
    SCOPED_TRACE(std::string(FormObjectName(desc.id)) + "." + name);
    const ControlSpec* c = FindControl(desc, name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, kind);
    EXPECT_EQ(c->left, left);
    EXPECT_EQ(c->top, top);
    if (width >= 0) {
        EXPECT_EQ(c->width, width);
    }
    if (height >= 0) {
        EXPECT_EQ(c->height, height);
    }
}

// A sizeable window at a fixed place on the desktop, its outer size given.
void ExpectPlacedFrame(const FormSpec& f, int left, int top, int width, int height) {
    SCOPED_TRACE(FormObjectName(f.id));
    EXPECT_EQ(f.border, BorderStyle::Sizeable);
    EXPECT_FALSE(f.clientSize);
    EXPECT_FALSE(f.centered);
    EXPECT_EQ(f.left, left);
    EXPECT_EQ(f.top, top);
    EXPECT_EQ(f.width, width);
    EXPECT_EQ(f.height, height);
}

// A started program with every file of the auxiliary windows in place.
class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override { WriteWindowFiles(); }
    void Start() { app.Run(); }

    TempDataDir dir;
    FakeUi ui;
    Tastora app{ui};
};

// ---------------------------------------------------------------- layouts

TEST(WindowLayouts, RulesAndPicture) {
    FakeUi ui;
    Tastora app(ui);
    const FormSpec rules = app.LayoutOf(FormId::Rules);
    ExpectPlacedFrame(rules, 201, 121, 696, 480);
    ExpectBounds(rules, "Memo1", ControlKind::Memo, 8, 8, 585, 425);
    const ControlSpec* memo = FindControl(rules, "Memo1");
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->readOnly);
    EXPECT_TRUE(memo->verticalScrollBar);
    EXPECT_TRUE(memo->wordWrap);
    const int tops[] = {8, 40, 72, 104, 408};
    for (int i = 0; i < 5; ++i)
        ExpectBounds(rules, "Button" + std::to_string(i + 1), ControlKind::Button, 600, tops[i], 81, 25);
    EXPECT_EQ(rules.controls.size(), 6u);

    const FormSpec pic = app.LayoutOf(FormId::Picture);
    ExpectPlacedFrame(pic, 337, 179, 696, 480);
    ASSERT_EQ(pic.controls.size(), 1u);
    ExpectBounds(pic, "Image1", ControlKind::Image, 0, 0, -1, -1);
    EXPECT_TRUE(pic.controls[0].autoSize);
    EXPECT_FALSE(pic.onCreate);
}

TEST(WindowLayouts, Info) {
    FakeUi ui;
    Tastora app(ui);
    const FormSpec fi = app.LayoutOf(FormId::Info);
    EXPECT_EQ(fi.caption, "Info");
    EXPECT_FALSE(fi.clientSize);
    EXPECT_TRUE(fi.centered);
    EXPECT_EQ(fi.width, 373);
    EXPECT_EQ(fi.height, 211);
    ExpectBounds(fi, "Label1", ControlKind::Label, 8, 8, -1, -1);
    const ControlSpec* title = FindControl(fi, "Label1");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text, "Tastora 1.3.ru");
    EXPECT_TRUE(title->font.bold);
    EXPECT_EQ(title->font.pixelHeight, 24);
    ExpectBounds(fi, "Label2", ControlKind::Label, 8, 40, -1, -1);
    ExpectBounds(fi, "Label3", ControlKind::Label, 56, 40, -1, -1);
    ExpectBounds(fi, "Label4", ControlKind::Label, 104, 56, -1, -1);
    ExpectBounds(fi, "Label5", ControlKind::Label, 48, 72, -1, -1);
    ExpectBounds(fi, "Label8", ControlKind::Label, 48, 88, -1, -1);
    ExpectBounds(fi, "Label6", ControlKind::Label, 8, 104, -1, -1);
    ExpectBounds(fi, "Label7", ControlKind::Label, 8, 120, -1, -1);
    ExpectBounds(fi, "lab", ControlKind::Label, 24, 152, -1, -1);
    const ControlSpec* lab = FindControl(fi, "lab");
    ASSERT_NE(lab, nullptr);
    EXPECT_EQ(lab->text.rfind("Email: ", 0), 0u);
    EXPECT_NE(lab->text.find("@example.org"), std::string::npos);
    // The contact line ends before the donations button starts.
    EXPECT_LE(lab->left + lab->width, 184);
    ExpectBounds(fi, "Button1", ControlKind::Button, 280, 144, 75, 25);
    ExpectBounds(fi, "Button2", ControlKind::Button, 184, 144, 91, 25);
    EXPECT_TRUE(FindControl(fi, "Button1")->defaultButton);
    EXPECT_FALSE(FindControl(fi, "Button2")->defaultButton);
}

TEST(WindowLayouts, DonationsClosingProgressPlayer) {
    FakeUi ui;
    Tastora app(ui);
    struct Donations {
        FormId id;
        int width, memoWidth, buttonLeft;
    };
    for (const Donations& d :
         {Donations{FormId::Donations, 519, 497, 432}, Donations{FormId::DonationsView, 515, 489, 424}}) {
        const FormSpec f = app.LayoutOf(d.id);
        SCOPED_TRACE(FormObjectName(d.id));
        EXPECT_TRUE(f.centered);
        EXPECT_FALSE(f.clientSize);
        EXPECT_EQ(f.width, d.width);
        EXPECT_EQ(f.height, 591);
        ExpectBounds(f, "Memo1", ControlKind::Memo, 8, 8, d.memoWidth, 513);
        ExpectBounds(f, "Button1", ControlKind::Button, d.buttonLeft, 528, 75, 25);
        const ControlSpec* memo = FindControl(f, "Memo1");
        ASSERT_NE(memo, nullptr);
        EXPECT_TRUE(memo->readOnly);
        EXPECT_TRUE(memo->wordWrap);
        EXPECT_FALSE(memo->verticalScrollBar);
    }

    const FormSpec f6 = app.LayoutOf(FormId::Closing);
    EXPECT_TRUE(f6.centered);
    EXPECT_FALSE(f6.clientSize);
    EXPECT_EQ(f6.width, 512);
    EXPECT_EQ(f6.height, 488);
    ExpectBounds(f6, "RichEdit1", ControlKind::RichEdit, 8, 8, 489, 401);
    EXPECT_TRUE(FindControl(f6, "RichEdit1")->readOnly);
    ExpectBounds(f6, "Button1", ControlKind::Button, 416, 416, 75, 25);
    EXPECT_TRUE(FindControl(f6, "Button1")->defaultButton);

    const FormSpec pr = app.LayoutOf(FormId::Progress);
    EXPECT_EQ(pr.border, BorderStyle::None);
    EXPECT_TRUE(pr.clientSize);
    EXPECT_TRUE(pr.centered);
    EXPECT_EQ(pr.width, 273);
    EXPECT_EQ(pr.height, 33);
    ASSERT_EQ(pr.controls.size(), 1u);
    ExpectBounds(pr, "ProgressBar1", ControlKind::ProgressBar, 8, 8, 257, 17);

    const FormSpec pl = app.LayoutOf(FormId::Player);
    EXPECT_EQ(pl.border, BorderStyle::None);
    EXPECT_TRUE(pl.maximized);
    EXPECT_TRUE(pl.keyPreview);
    ASSERT_EQ(pl.controls.size(), 2u);
    EXPECT_EQ(pl.controls[0].name, "Panel1");
    EXPECT_EQ(pl.controls[0].kind, ControlKind::Panel);
    EXPECT_TRUE(pl.controls[0].alignClient);
    ExpectBounds(pl, "ShockwaveFlash1", ControlKind::ActiveX, 96, 32, 192, 192);
    EXPECT_EQ(pl.Find(pl.controls[1].parent), &pl.controls[0]);
    EXPECT_EQ(pl.controls[1].classId, "{D27CDB6E-AE6D-11CF-96B8-444553540000}");
}

// ---------------------------------------------------------------- creation handlers

TEST_F(WindowsTest, CreationSetsCaptionsAndTexts) {
    Start();
    EXPECT_TRUE(MyErrors(ui).empty());

    EXPECT_EQ(ui.Caption(FormId::Rules), "Правила печати на компьютере");
    EXPECT_EQ(ui.Text(app.rules.controls.text), kRulesText);
    EXPECT_EQ(ui.Text(app.rules.controls.pictures[0]), "Рисунок 1");
    EXPECT_EQ(ui.Text(app.rules.controls.pictures[3]), "Рисунок 4");
    EXPECT_EQ(ui.Text(app.rules.controls.exit), "Выход");
    // Buttons, then the text, then the caption.
    EXPECT_LT(ui.LogIndex("Text fh.Button5=Выход"), ui.LogIndex(std::string("Text fh.Memo1=") + kRulesText));
    EXPECT_LT(ui.LogIndex(std::string("Text fh.Memo1=") + kRulesText),
              ui.LogIndex("Caption fh=Правила печати на компьютере"));

    EXPECT_EQ(ui.Caption(FormId::Info), "Info");
    EXPECT_EQ(ui.Text(app.info.controls.credits[0]), "Авторы:");
    EXPECT_EQ(ui.Text(app.info.controls.exit), "Выход");
    EXPECT_EQ(ui.Text(app.info.controls.donations), "Пожертвования");
    for (LabelHandle label : app.info.controls.credits) EXPECT_FALSE(ui.Text(label).empty()) << label.index;

    for (EditHandle text : {app.donations.controls.text, app.donationsView.controls.text}) {
        EXPECT_EQ(ui.Caption(text.form), "Пожертвования");
        // CR LF is added to the last line ending only where the file has one.
        EXPECT_EQ(ui.Text(text), kDonationsText);
    }
    EXPECT_EQ(ui.Text(app.donations.controls.next), "Далее");
    EXPECT_EQ(ui.Text(app.donationsView.controls.exit), "Выход");

    EXPECT_EQ(ui.Caption(FormId::Closing), "ЗАКЛЮЧИТЕЛЬНОЕ ОБРАЩЕНИЕ.");
    EXPECT_EQ(ui.Text(app.closing.controls.exit), "Выход");
    EXPECT_EQ(ui.Text(app.closing.controls.text), kClosingText);
    EXPECT_EQ(ui.Count("RichText"), 0);  // plain text is not offered as rich text

    // Nothing of these windows is shown at start-up.
    for (FormId id : {FormId::Closing, FormId::Progress, FormId::Rules, FormId::Picture, FormId::Info,
                      FormId::Donations, FormId::DonationsView, FormId::Player})
        EXPECT_FALSE(ui.IsVisible(id)) << FormObjectName(id);
}

TEST_F(WindowsTest, ClosingAddressTakesRichText) {
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'ee\\'e7\\'e4\\'f0\\'e0\\'e2\\'eb\\'ff\\'e5\\'ec!\\par}";
    WriteTestFile("data\\zac.txt", rtf);
    Start();
    EXPECT_EQ(ui.Count("RichText Form6.RichEdit1"), 1);
    EXPECT_EQ(ui.Text(app.closing.controls.text), rtf);  // the bytes go to the box untouched
    EXPECT_TRUE(MyErrors(ui).empty());
}

// A window system whose rich-text box refuses every text.
class RejectingRichTextUi : public FakeUi {
public:
    using FakeUi::LoadRichText;
    bool LoadRichText(RichEditHandle control, const std::string&) override {
        FakeUi::LoadRichText(control, "");
        return false;
    }
};

TEST(ClosingAddress, DamagedRichTextIsShownAsPlainText) {
    TempDataDir dir;
    WriteWindowFiles();
    WriteTestFile("data\\zac.txt", "{\\rtf1 \xCA\xF3\xF0\xF1");  // cut short, cp1251 "Курс"
    RejectingRichTextUi ui;
    Tastora app(ui);
    app.Run();
    EXPECT_EQ(ui.Count("RichText Form6.RichEdit1"), 1);
    EXPECT_EQ(ui.Text(app.closing.controls.text), "{\\rtf1 Курс");
    EXPECT_TRUE(MyErrors(ui).empty());
}

TEST(MissingTexts, RulesKeepTheirBuiltInTextAndCaption) {
    TempDataDir dir;
    WriteWindowFiles();
    RemoveFile("data\\prav.txt");
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    ASSERT_EQ(ErrorsAbout(ui, "data\\prav.txt"), 1);
    EXPECT_EQ(MyErrors(ui).size(), 1u);
    EXPECT_EQ(MyErrors(ui)[0], "Не удаётся открыть файл data\\prav.txt.");
    // The buttons were set before the failure; the caption step after it is skipped.
    EXPECT_EQ(ui.Text(app.rules.controls.pictures[0]), "Рисунок 1");
    EXPECT_EQ(ui.Count("Caption fh="), 0);
    EXPECT_EQ(ui.Caption(FormId::Rules), "Правила печати на компьютере");
    EXPECT_NE(ui.Text(app.rules.controls.text).find("data\\prav.txt"), std::string::npos);
    // The windows after the rules window were still created and filled.
    EXPECT_EQ(ui.Text(app.donationsView.controls.text), kDonationsText);
    EXPECT_TRUE(ui.IsVisible(FormId::Login));
    // The rules still work: the picture buttons do not need the text.
    ui.Click(app.rules.controls.pictures[1]);
    EXPECT_TRUE(ui.IsVisible(FormId::Picture));
}

TEST(MissingTexts, DonationsWindowsKeepTheirButtonsUsable) {
    TempDataDir dir;
    WriteWindowFiles();
    RemoveFile("data\\rus.txt");
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    EXPECT_EQ(ErrorsAbout(ui, "data\\rus.txt"), 2);  // each window reads the file once
    EXPECT_EQ(MyErrors(ui).size(), 2u);
    EXPECT_EQ(ui.Count("Text Donatii.Button1="), 0);
    EXPECT_EQ(ui.Count("Text Donatii2.Button1="), 0);
    EXPECT_EQ(ui.Text(app.donations.controls.next), "Далее");
    EXPECT_EQ(ui.Text(app.donationsView.controls.exit), "Выход");
    EXPECT_EQ(ui.Caption(FormId::Donations), "Пожертвования");
    EXPECT_FALSE(ui.Text(app.donations.controls.text).empty());
}

TEST(MissingTexts, ClosingAddressReportsOnceAndStartUpGoesOn) {
    TempDataDir dir;
    WriteWindowFiles();
    RemoveFile("data\\zac.txt");
    FakeUi ui;
    Tastora app(ui);
    EXPECT_EQ(app.Run(), 0);
    ASSERT_EQ(MyErrors(ui).size(), 1u);
    EXPECT_EQ(MyErrors(ui)[0], "Не удаётся открыть файл data\\zac.txt.");
    EXPECT_EQ(ui.Caption(FormId::Closing), "ЗАКЛЮЧИТЕЛЬНОЕ ОБРАЩЕНИЕ.");
    EXPECT_EQ(ui.Text(app.closing.controls.exit), "Выход");
    EXPECT_FALSE(ui.Text(app.closing.controls.text).empty());
    // Windows 5 to 11 were created after the failure.
    EXPECT_LT(ui.LogIndex("Error Не удаётся открыть файл data\\zac.txt."), ui.LogIndex("Create Fprogres"));
    EXPECT_TRUE(ui.form(FormId::Player).created);
    EXPECT_TRUE(ui.IsVisible(FormId::Login));
}

TEST(MissingTexts, FolderInPlaceOfTextFile) {
    TempDataDir dir;
    WriteWindowFiles();
    RemoveFile("data\\zac.txt");
    WriteTestFile("data\\zac.txt\\inside.txt", "x");
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    EXPECT_EQ(ErrorsAbout(ui, "data\\zac.txt"), 1);
    EXPECT_EQ(MyErrors(ui).size(), 1u);
}

TEST(MissingTexts, EmptyFilesGiveEmptyBoxes) {
    TempDataDir dir;
    WriteWindowFiles();
    WriteTestFile("data\\prav.txt", "");
    WriteTestFile("data\\zac.txt", "");
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    EXPECT_TRUE(MyErrors(ui).empty());
    EXPECT_EQ(ui.Text(app.rules.controls.text), "");
    EXPECT_EQ(ui.Text(app.closing.controls.text), "");
}

TEST_F(WindowsTest, TextsAreReadOnceAtStartUp) {
    Start();
    WriteTestFile("data\\rus.txt", Cp("Другой текст"));
    ui.Click(app.info.controls.donations);
    EXPECT_TRUE(ui.IsVisible(FormId::DonationsView));
    EXPECT_EQ(ui.Text(app.donationsView.controls.text), kDonationsText);
}

// ---------------------------------------------------------------- text decoding

TEST(WindowText, Windows1251IsDecodedWithItsLineEnds) {
    EXPECT_EQ(DecodeWindowText(Cp("Ёлка, ёж — №1\r\nЯ")), "Ёлка, ёж — №1\r\nЯ");
    // The one byte without a character.
    EXPECT_EQ(DecodeWindowText("a\x98z"), "a\xEF\xBF\xBDz");
    // Every kind of line end becomes CR LF; NUL bytes are dropped.
    EXPECT_EQ(DecodeWindowText("a\nb\rc\r\nd\n\r"), "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(DecodeWindowText(std::string("a\0b\0", 4)), "ab");
    EXPECT_EQ(DecodeWindowText(""), "");
}

TEST(WindowText, UnicodeFilesWithByteOrderMark) {
    EXPECT_EQ(DecodeWindowText("\xEF\xBB\xBF"
                               "Привет\n"),
              "Привет\r\n");
    // Malformed UTF-8 after the mark shows as replacement characters, never past the end.
    EXPECT_EQ(DecodeWindowText("\xEF\xBB\xBF"
                               "a\xD0"),
              "a\xEF\xBF\xBD");
    std::string utf16("\xFF\xFE", 2);
    for (char16_t u : std::u16string(u"Да\r\nнет")) {
        utf16 += char(u & 0xFF);
        utf16 += char(u >> 8);
    }
    utf16 += 'x';  // an odd byte at the end is ignored
    EXPECT_EQ(DecodeWindowText(utf16), "Да\r\nнет");
}

TEST(WindowText, LongTextIsCutAtALineEnd) {
    std::string line(99, 'a');
    line += "\r\n";  // 101 bytes a line
    std::string bytes;
    while (bytes.size() <= kMaxShownTextBytes + 500) bytes += line;
    const std::string text = DecodeWindowText(bytes);
    EXPECT_LE(text.size(), kMaxShownTextBytes);
    EXPECT_GT(text.size(), kMaxShownTextBytes - line.size());
    EXPECT_EQ(text.size() % line.size(), 0u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    // UTF-8 is never cut inside a character.
    std::string utf8("\xEF\xBB\xBF");
    while (utf8.size() < kMaxShownTextBytes + 10) utf8 += "ж";
    const std::string cut = DecodeWindowText(utf8);
    EXPECT_EQ(cut.find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(cut.size() % 2, 0u);
}

TEST(WindowText, HugeFileIsRefusedNamingIt) {
    TempDataDir dir;
    WriteWindowFiles();
    WriteTestFile("data\\prav.txt", std::string(kMaxTextFileBytes + 1, 'a'));
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    ASSERT_EQ(MyErrors(ui).size(), 1u);
    EXPECT_NE(MyErrors(ui)[0].find("data\\prav.txt"), std::string::npos);
    EXPECT_NE(MyErrors(ui)[0].find("слишком велик"), std::string::npos);
    EXPECT_TRUE(ui.IsVisible(FormId::Login));
}

TEST(WindowText, LargeFileShowsItsBeginning) {
    TempDataDir dir;
    WriteWindowFiles();
    std::string bytes = Cp("Начало\r\n");
    while (bytes.size() < 3 * kMaxShownTextBytes) bytes += Cp("строка правил\r\n");
    WriteTestFile("data\\prav.txt", bytes);
    FakeUi ui;
    Tastora app(ui);
    app.Run();
    EXPECT_TRUE(MyErrors(ui).empty());
    const std::string shown = ui.Text(app.rules.controls.text);
    EXPECT_EQ(shown.rfind("Начало\r\n", 0), 0u);
    EXPECT_LE(shown.size(), 2 * kMaxShownTextBytes);  // at most 1 MiB of cp1251, 2 bytes a letter
}

// ---------------------------------------------------------------- rules and picture

TEST_F(WindowsTest, PictureButtonsSizeAndCaptionThePictureWindow) {
    Start();
    // The same window is reused, sized for each picture whatever the picture's own size.
    const struct {
        const char* caption;
        int outerWidth, outerHeight, pictureWidth;
    } pictures[] = {{"Рисунок 1", 910, 338, 880},
                    {"Рисунок  2", 157, 181, 150},
                    {"Рисунок  3", 153, 175, 145},
                    {"Рисунок  4", 148, 176, 140}};
    for (size_t i = 0; i < std::size(pictures); ++i) {
        SCOPED_TRACE(pictures[i].caption);
        ui.log.clear();
        ui.Click(app.rules.controls.pictures[i]);
        EXPECT_TRUE(ui.IsVisible(FormId::Picture));
        EXPECT_EQ(ui.Caption(FormId::Picture), pictures[i].caption);
        EXPECT_EQ(ui.form(FormId::Picture).outerWidth, pictures[i].outerWidth);
        EXPECT_EQ(ui.form(FormId::Picture).outerHeight, pictures[i].outerHeight);
        EXPECT_EQ(ui.control(app.picture.controls.image).image.Width(), pictures[i].pictureWidth);
        // Caption, picture, height, width, show.
        const int caption = ui.LogIndex(std::string("Caption Fpic=") + pictures[i].caption);
        const int image = ui.LogIndex("Image Fpic.Image1");
        const int height = ui.LogIndex("Height Fpic=" + std::to_string(pictures[i].outerHeight));
        const int width = ui.LogIndex("Width Fpic=" + std::to_string(pictures[i].outerWidth));
        const int show = ui.LogIndex("Show Fpic");
        EXPECT_GE(caption, 0);
        EXPECT_LT(caption, image);
        EXPECT_LT(image, height);
        EXPECT_LT(height, width);
        EXPECT_LT(width, show);
    }
    EXPECT_EQ(ui.control(app.picture.controls.image).image.Height(), 140);
    EXPECT_TRUE(MyErrors(ui).empty());
}

TEST_F(WindowsTest, MissingOrDamagedPictureLeavesThePictureWindowAlone) {
    RemoveFile("data\\pictures\\help\\3.jpg");
    const std::string jpeg = JpegBytes(140, 140);
    WriteTestFile("data\\pictures\\help\\4.jpg", jpeg.substr(0, jpeg.size() / 2));
    Start();
    ui.Click(app.rules.controls.pictures[1]);
    ASSERT_TRUE(ui.IsVisible(FormId::Picture));
    ui.Hide(FormId::Picture);

    ui.Click(app.rules.controls.pictures[2]);
    ASSERT_EQ(MyErrors(ui).size(), 1u);
    EXPECT_EQ(MyErrors(ui)[0], "Не удаётся открыть файл data\\pictures\\help\\3.jpg.");
    // The caption has changed; size and visibility have not.
    EXPECT_EQ(ui.Caption(FormId::Picture), "Рисунок  3");
    EXPECT_EQ(ui.form(FormId::Picture).outerWidth, 157);
    EXPECT_EQ(ui.form(FormId::Picture).outerHeight, 181);
    EXPECT_FALSE(ui.IsVisible(FormId::Picture));

    ui.Click(app.rules.controls.pictures[3]);
    ASSERT_EQ(MyErrors(ui).size(), 2u);
    EXPECT_NE(MyErrors(ui)[1].find("data\\pictures\\help\\4.jpg"), std::string::npos);
    EXPECT_FALSE(ui.IsVisible(FormId::Picture));
    EXPECT_EQ(ui.form(FormId::Picture).outerWidth, 157);
}

TEST_F(WindowsTest, ClicksOnTheRulesHideThePictureOnly) {
    Start();
    ui.Show(FormId::Rules);
    ui.Click(app.rules.controls.pictures[0]);
    ui.Click(app.rules.controls.text);
    EXPECT_FALSE(ui.IsVisible(FormId::Picture));
    EXPECT_TRUE(ui.IsVisible(FormId::Rules));

    ui.Click(app.rules.controls.pictures[1]);
    ui.ClickBackground(FormId::Rules);
    EXPECT_FALSE(ui.IsVisible(FormId::Picture));
    EXPECT_TRUE(ui.IsVisible(FormId::Rules));
}

TEST_F(WindowsTest, RulesExitHidesThePictureToo) {
    Start();
    ui.Show(FormId::Rules);
    ui.Click(app.rules.controls.pictures[0]);
    ui.Click(app.rules.controls.exit);
    EXPECT_FALSE(ui.IsVisible(FormId::Rules));
    EXPECT_FALSE(ui.IsVisible(FormId::Picture));
    EXPECT_LT(ui.LogIndex("Hide fh"), ui.LogIndex("Hide Fpic"));
    EXPECT_FALSE(ui.terminated);
}

// ---------------------------------------------------------------- info and donations

TEST_F(WindowsTest, InfoOpensAndClosesItsDonationsWindow) {
    Start();
    ui.Show(FormId::Info);
    ui.Click(app.info.controls.donations);
    EXPECT_TRUE(ui.IsVisible(FormId::DonationsView));

    // A click on the info window's background closes only the donations window.
    ui.ClickBackground(FormId::Info);
    EXPECT_FALSE(ui.IsVisible(FormId::DonationsView));
    EXPECT_TRUE(ui.IsVisible(FormId::Info));

    ui.Click(app.info.controls.donations);
    ui.Click(app.donationsView.controls.exit);
    EXPECT_FALSE(ui.IsVisible(FormId::DonationsView));
    EXPECT_TRUE(ui.IsVisible(FormId::Info));

    // Enter presses "Выход".
    ui.PressEnter(FormId::Info);
    EXPECT_FALSE(ui.IsVisible(FormId::Info));
    EXPECT_FALSE(ui.terminated);
}

TEST_F(WindowsTest, ExerciseWindowClickNeverClosesTheLeadingWindows) {
    Start();
    for (FormId id : {FormId::Exercise, FormId::Rules, FormId::Picture, FormId::Info, FormId::DonationsView,
                      FormId::Donations, FormId::Closing})
        ui.Show(id);
    ui.ClickBackground(FormId::Exercise);
    EXPECT_TRUE(ui.IsVisible(FormId::Donations));
    EXPECT_TRUE(ui.IsVisible(FormId::Closing));
    // Hiding the closable windows, as that click does, takes nothing else with it.
    for (FormId id : {FormId::Picture, FormId::Rules, FormId::Info, FormId::DonationsView}) ui.CloseBox(id);
    EXPECT_TRUE(ui.IsVisible(FormId::Donations));
    EXPECT_TRUE(ui.IsVisible(FormId::Closing));
    EXPECT_TRUE(ui.IsVisible(FormId::Exercise));
    EXPECT_FALSE(ui.terminated);
}

TEST_F(WindowsTest, DonationsLeadToTheExercise) {
    Start();
    ui.Hide(FormId::Login);
    ui.Show(FormId::Donations);
    ui.Click(app.donations.controls.next);
    EXPECT_TRUE(ui.IsVisible(FormId::Exercise));
    EXPECT_FALSE(ui.IsVisible(FormId::Donations));
    EXPECT_LT(ui.LogIndex("Show Form2"), ui.LogIndex("Hide Donatii"));
    EXPECT_EQ(ui.LogIndex("Close Form1"), -1);
    EXPECT_FALSE(ui.terminated);
}

// ---------------------------------------------------------------- closing address

TEST_F(WindowsTest, ClosingAddressLeadsToTheEndOfTheProgram) {
    Start();
    ui.Hide(FormId::Login);
    ui.Show(FormId::Closing);
    EXPECT_FALSE(app.session.CourseFinished);
    ui.PressEnter(FormId::Closing);  // "Выход" is the default button
    EXPECT_TRUE(app.session.CourseFinished);
    EXPECT_TRUE(ui.IsVisible(FormId::Donations));
    EXPECT_FALSE(ui.IsVisible(FormId::Closing));
    EXPECT_LT(ui.LogIndex("Show Donatii"), ui.LogIndex("Hide Form6"));
    EXPECT_FALSE(ui.terminated);

    const int before = int(ui.log.size());
    ui.Click(app.donations.controls.next);
    EXPECT_GE(ui.LogIndex("Close Form1"), before);
    EXPECT_TRUE(ui.terminated);
    EXPECT_EQ(ui.LogIndex("Show Form2"), -1);
    EXPECT_TRUE(app.session.CourseFinished);
}

// ---------------------------------------------------------------- progress and player

TEST_F(WindowsTest, ProgressBarRange) {
    Start();
    EXPECT_EQ(ui.control(app.progress.controls.bar).progressMax, 100);
    EXPECT_EQ(ui.control(app.progress.controls.bar).progress, 0);
    EXPECT_EQ(ui.Caption(FormId::Player), "flashplayer");
}

TEST_F(WindowsTest, ProgressWindowShowsAdvancesAndHides) {
    Start();
    ProgressWindow& progress = app.progress;
    const struct {
        std::function<void()> step;
        bool visible;
        int bar;
        const char* logged;  // the last entry of the step
    } steps[] = {
        {[&] { progress.Advance(40); }, false, 40, "Progress Fprogres.ProgressBar1=40"},
        {[&] { progress.Show(); }, true, 0, "Progress Fprogres.ProgressBar1=0"},
        {[&] { progress.Advance(20); }, true, 20, "Progress Fprogres.ProgressBar1=20"},
        {[&] { progress.Advance(250); }, true, 100, "Progress Fprogres.ProgressBar1=100"},
        {[&] { progress.Advance(-3); }, true, 0, "Progress Fprogres.ProgressBar1=0"},
        {[&] { progress.Advance(90); }, true, 90, "Progress Fprogres.ProgressBar1=90"},
        {[&] { progress.Hide(); }, false, 0, "Progress Fprogres.ProgressBar1=0"},
    };
    int shown = 0, hidden = 0;
    for (const auto& s : steps) {
        s.step();
        SCOPED_TRACE(s.logged);
        EXPECT_EQ(ui.IsVisible(FormId::Progress), s.visible);
        EXPECT_EQ(ui.control(progress.controls.bar).progress, s.bar);
        EXPECT_EQ(ui.log.back(), s.logged);
        shown += ui.log.size() >= 2 && ui.log[ui.log.size() - 2] == "Show Fprogres";
        hidden += ui.log.size() >= 2 && ui.log[ui.log.size() - 2] == "Hide Fprogres";
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(hidden, 1);
}

}  // namespace
}  // namespace tastora
