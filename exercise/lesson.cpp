// Starting an exercise in the window: a new exercise for each start, its lesson's header
// shown, its pictures loaded and its first line drawn; the finished exercise handed to the
// results.
#include "core/errors.h"
#include "core/files.h"
#include "core/image_io.h"
#include "core/text.h"
#include "exercise/exercise.h"
#include "session/level.h"
#include "users/profile_store.h"

namespace tastora {

namespace {

// At most this many characters of a bad value are quoted in a message.
std::string Shortened(const std::string& utf8) {
    const std::u16string u = Utf8ToUtf16(utf8);
    if (u.size() <= 40) return utf8;
    return Utf16ToUtf8(u.substr(0, 40)) + "…";
}

// A header number (lines 3 and 4); anything but a decimal integer is a conversion error.
int HeaderNumber(const std::u16string& line, const std::string& path, int lineNumber) {
    const std::string text = Utf16ToUtf8(line);
    int32_t value = 0;
    if (!ParseInt(text, value))
        throw ConvertError("'" + Shortened(text) + "' не является целым числом (файл урока " + path + ", строка " +
                           std::to_string(lineNumber) + ").");
    return value;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// StartExercise

void ExerciseWindow::StartExercise(double level) {
    // The progress window lets pending messages through once; a restart asked for in that
    // moment would begin a second load inside this one.
    if (starting_) return;
    starting_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{starting_};
    try {
        RunStartSteps(level);
    } catch (...) {
        AbandonStart();
        throw;
    }
}

void ExerciseWindow::RunStartSteps(double level) {
    // Nothing of the previous exercise carries over but the sign of a key held down, and
    // its key sets for a lesson that names none.
    exercise_ = std::make_unique<Exercise>(exercise_->Hold(), exercise_->Keys());
    ResetForStart();

    // The lesson file of the level. A review level whose review lesson is missing (deleted,
    // or never written because the program stopped at the wrong moment) would block the
    // learner for good: it is made afresh from the profile's error counters.
    const std::string path = LessonFilePath(level, session_.userName);
    if (LevelKindOf(level) == kKindReview && !FileExists(path)) flow_.GenerateReviewText();
    progress_.Advance(20);

    // The header, up to the first text line. The file may end the exercise on the way.
    LessonHeader header;
    if (!ReadHeader(path, header)) return;

    // The keys of the exercise and their pictures.
    progress_.Advance(50);
    exercise_->ChooseKeySets(header.letterSet);
    progress_.Advance(70);
    LoadKeyPictures();

    // The first line laid out, after a look over the whole text for what would spoil it.
    exercise_->LoadLetters();
    const std::string problem = exercise_->CheckText(header.firstLine);
    Show(exercise_->LayOutFirstLine(header.firstLine));
    if (StartEndedEarly()) return;
    progress_.Advance(90);
    DrawTextGrid();

    // Ready: the progress window goes, the learner reads what is wrong and how to begin.
    progress_.Hide();
    if (!problem.empty()) ui_.ShowError(problem);
    ui_.ShowMessage(StartMessage);
    Show(exercise_->LightFirstKey());
    ui_.SetEnabled(controls.restart, true);
}

// The window shows nothing of the previous exercise: not the keyboard's looks, the clock or
// the counts; the progress window comes up.
void ExerciseWindow::ResetForStart() {
    // The exercise window's pictures normally come from its creation; without them (a
    // creation that failed) they are made here so that the exercise can still be shown.
    if (KeyboardBitmap.Width() != kKeyboardWidth || KeyboardBitmap.Height() != kKeyboardHeight)
        KeyboardBitmap = Bitmap(kKeyboardWidth, kKeyboardHeight);
    if (TextBitmap.Width() != kTextWidth || TextBitmap.Height() != kTextHeight)
        TextBitmap = Bitmap(kTextWidth, kTextHeight);
    // A clean keyboard: no key keeps its look from the previous exercise.
    KeyboardBitmap.Draw(LoadJpeg(kKeyboardPicture), 0, 0);
    WriteErrorCounts();  // the previous exercise's
    ErrorStatsFile = std::make_unique<ProfileStore>();

    // The clock stops, no pause runs; the pauses are back.
    ui_.SetTimerEnabled(controls.clockTimer, false);
    ui_.SetEnabled(controls.pause, false);
    ui_.SetTextColor(controls.clock, kWindowTextColor);

    progress_.Show();

    // The figures from zero.
    ui_.SetText(controls.errors, "0");
    ui_.SetText(controls.clock, "00:00");
    ui_.SetProgress(controls.lines, 0);
}

// Header lines 1 to 6 of the lesson file: the window's caption, the message shown at the
// start, the letter set, the number of text lines (the bar's range), an unused line and the
// first text line. False when the file ended the exercise among them.
bool ExerciseWindow::ReadHeader(const std::string& path, LessonHeader& header) {
    exercise_->Open(path);
    std::u16string line = ReadHeaderLine();
    if (StartEndedEarly()) return false;
    ui_.SetCaption(FormId::Exercise, LessonHeaderText(line));
    line = ReadHeaderLine();
    if (StartEndedEarly()) return false;
    StartMessage = LessonHeaderText(line);
    ui_.ProcessMessages();

    line = ReadHeaderLine();
    if (StartEndedEarly()) return false;
    header.letterSet = HeaderNumber(line, path, 3);
    line = ReadHeaderLine();
    if (StartEndedEarly()) return false;
    ui_.SetProgressMax(controls.lines, HeaderNumber(line, path, 4));
    ReadHeaderLine();  // line 5 is not used
    if (StartEndedEarly()) return false;
    header.firstLine = ReadHeaderLine();
    return !StartEndedEarly();
}

// Stops the start quietly when the lesson file ended the exercise on the way (its end
// marker among the header lines, or nothing left to type): the results are on screen.
bool ExerciseWindow::StartEndedEarly() {
    if (!exercise_->Finished()) return false;
    progress_.Hide();
    ui_.SetEnabled(controls.restart, true);
    return true;
}

// A start that failed (a course file missing or broken) leaves nothing to type, closes the
// progress window and lets the learner restart or leave.
void ExerciseWindow::AbandonStart() {
    progress_.Hide();
    exercise_->Abandon();
    if (!TextBitmap.Empty()) {
        TextBitmap.Fill(kWhite);
        ui_.Blit(FormId::Exercise, TextBitmap, kTextLeft, kTextTop);
    }
    ui_.SetEnabled(controls.restart, true);
}

// Header lines 1 to 6: a file that ends before them is broken; its end marker among them
// ends the exercise, as anywhere else.
std::u16string ExerciseWindow::ReadHeaderLine() {
    const std::u16string line = exercise_->ReadHeaderLine();
    if (exercise_->Finished()) EndExercise();
    return line;
}

// The flow takes the result to its evaluation; the exercise is over even when the evaluation
// fails: nothing is read or judged again.
void ExerciseWindow::EndExercise() {
    WriteErrorCounts();  // the evaluation and the review read them
    ErrorStatsFile.reset();
    ui_.SetTimerEnabled(controls.clockTimer, false);
    const ExerciseResult result{exercise_->Errors(), exercise_->Correct(), exercise_->Seconds(), gapsToHand_};
    gapsToHand_ = {};
    flow_.ExerciseFinished(result);
}

}  // namespace tastora
