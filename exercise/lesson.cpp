// Starting an exercise, reading its lesson file line by line, laying the lines out on the
// text grid, walking the cursor over it, and handing the finished exercise to the results.
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

std::string CharacterName(char16_t ch) {
    if (ch == u' ') return "«пробел»";
    if (ch < 0x20 || (ch >= 0xD800 && ch <= 0xDFFF)) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string code = "U+";
        for (int shift = 12; shift >= 0; shift -= 4) code += kHex[(ch >> shift) & 15];
        return code;
    }
    return "«" + Utf16ToUtf8(std::u16string(1, ch)) + "»";
}

// A cell still to be typed: neither done ("b") nor typed wrongly ("r").
bool IsTypeable(const std::string& cell) { return !cell.empty() && cell.back() != 'b' && cell.back() != 'r'; }

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
    ChooseKeySets(header.letterSet);
    progress_.Advance(70);
    LoadKeyPictures();

    // The first line laid out, after a look over the whole text for what would spoil it.
    if (!Letters.Load(kLetterTablePath)) throw TastoraError(CannotOpenMessage(kLetterTablePath));
    if (Letters.ValidLines() == 0)
        throw TastoraError(std::string("Файл ") + kLetterTablePath + " повреждён: в нём нет ни одной буквы.");
    const std::string problem = CheckLessonText(header.firstLine);
    LayoutLine(header.firstLine);
    if (StartEndedEarly()) return;
    progress_.Advance(90);
    DrawTextGrid();

    // Ready: the progress window goes, the learner reads what is wrong and how to begin.
    progress_.Hide();
    if (!problem.empty()) ui_.ShowError(problem);
    ui_.ShowMessage(StartMessage);
    LightFirstKey();
    ui_.SetEnabled(controls.restart, true);
}

// Everything of the previous exercise goes: the keyboard's looks, the clock, the counts,
// the cursor, the keys held; the progress window comes up.
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

    // The clock stops; the pauses are back.
    ui_.SetTimerEnabled(controls.clockTimer, false);
    ClockRunning = false;
    ShiftSymbolPending = false;
    // Nothing of the previous exercise's keys carries over: not a space that its last full
    // row dropped, not a Shift whose release went elsewhere.
    DroppedSpacePending = false;
    ShiftDown = false;
    PausesLeft = 2;
    ui_.SetEnabled(controls.pause, false);

    progress_.Show();
    ExerciseFinished = false;

    // The figures and the counts from zero, the cursor before the first cell.
    ui_.SetText(controls.errors, "0");
    ui_.SetText(controls.clock, "00:00");
    ui_.SetProgress(controls.lines, 0);
    LinesStarted = 0;
    CorrectCount = 0;
    ErrorCount = 0;
    ElapsedSeconds = 0;
    CursorColumn = 0;
    CursorRow = 1;
    CellsPassed = 0;
}

// Header lines 1 to 6 of the lesson file: the window's caption, the message shown at the
// start, the letter set, the number of text lines (the bar's range), an unused line and the
// first text line. False when the file ended the exercise among them.
bool ExerciseWindow::ReadHeader(const std::string& path, LessonHeader& header) {
    OpenLessonFile(path);
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

// Sets 1 to 5 are typed unshifted; set 6 adds the Shift keys and the shifted characters of
// set 5. Any other number keeps the sets of the previous exercise.
void ExerciseWindow::ChooseKeySets(int letterSet) {
    if (letterSet >= 1 && letterSet <= 5) {
        KeyboardKeys = LetterSet(letterSet);
        PlainKeys = LetterSet(letterSet);
    } else if (letterSet == 6) {
        KeyboardKeys = LetterSet(6);
        PlainKeys = LetterSet(5);
        ShiftedKeys = LetterSet(5);
    }
}

// The first key to press lights up (with both Shift keys for a capital).
void ExerciseWindow::LightFirstKey() {
    int key = 0;
    std::string suffix;
    if (CursorColumn < 1 || CursorColumn > kGridColumns || CursorRow < 1 || CursorRow > kGridRows ||
        !SplitCellCode(TextGrid[CursorColumn][CursorRow], key, suffix))
        return;
    if (suffix.empty()) {
        DrawKey(0, key, kKeyNext);
    } else if (suffix == "u") {
        DrawKey(0, kLeftShiftKey, kKeyNext);
        DrawKey(0, kRightShiftKey, kKeyNext);
        // A digit-row or punctuation key lights up once Shift is held.
        if (HasNextShiftedFace(key))
            ShiftSymbolPending = true;
        else
            DrawKey(0, key, kKeyNext);
    }
}

// Stops the start quietly when the lesson file ended the exercise on the way (its end
// marker among the header lines, or nothing left to type): the results are on screen.
bool ExerciseWindow::StartEndedEarly() {
    if (!ExerciseFinished) return false;
    progress_.Hide();
    ui_.SetEnabled(controls.restart, true);
    return true;
}

// A start that failed (a course file missing or broken) leaves nothing to type, closes the
// progress window and lets the learner restart or leave.
void ExerciseWindow::AbandonStart() {
    progress_.Hide();
    CloseLessonFile();
    ExerciseFinished = true;
    for (int c = 1; c <= kGridColumns; ++c)
        for (int r = 1; r <= kGridRows; ++r) TextGrid[c][r] = "57b";
    for (bool& b : RowContinues) b = false;
    LineCellCount = 0;
    CellsPassed = 0;
    CursorColumn = 0;
    CursorRow = 1;
    if (!TextBitmap.Empty()) {
        TextBitmap.Fill(kWhite);
        ui_.Blit(FormId::Exercise, TextBitmap, kTextLeft, kTextTop);
    }
    ui_.SetEnabled(controls.restart, true);
}

// Header lines 1 to 6: a file that ends before them is broken (an end marker among them
// ends the exercise, as anywhere else).
std::u16string ExerciseWindow::ReadHeaderLine() {
    if (LessonFile.AtEnd())
        throw TastoraError("Файл урока " + LessonFile.Path() +
                           " повреждён: он обрывается раньше, чем начинается текст упражнения.");
    return ReadLessonLine();
}

// Looks ahead over the text lines (the reader comes back to where it was) for what would
// spoil the exercise: a character the letter table lacks, a line too long for the screen.
// Returns the one message to show, or "". A lesson with nothing at all to type fails.
std::string ExerciseWindow::CheckLessonText(const std::u16string& firstLine) {
    const std::string& path = LessonFile.Path();
    const size_t resume = LessonFile.Tell();
    std::string problem;
    bool typeable = false;
    TextCells scratch;
    auto check = [&](const std::u16string& text, int lineNumber) {
        const LayoutNotes notes = LayOutText(text, Letters, PlainKeys, ShiftedKeys, &scratch);
        for (int c = 1; c <= kGridColumns && !typeable; ++c)
            for (int r = 1; r <= kGridRows && !typeable; ++r) typeable = IsTypeable(scratch[c][r]);
        if (!problem.empty()) return;
        if (notes.hasMissing)
            problem = "Файл урока " + path + " повреждён: символа " + CharacterName(notes.missing) + " (строка " +
                      std::to_string(lineNumber) + ") нет в таблице букв " + Letters.Path() +
                      "; такие символы пропускаются.";
        else if (notes.cut)
            problem = "Файл урока " + path + " повреждён: строка " + std::to_string(lineNumber) +
                      " не помещается на экране; её конец пропускается.";
    };
    int lineNumber = 6;
    check(firstLine, lineNumber);
    std::u16string text;
    while (LessonFile.ReadLine(text) == LessonFileReader::kLine) check(text, ++lineNumber);
    LessonFile.Seek(resume);
    if (!typeable) throw TastoraError("Файл урока " + path + " повреждён: в нём нет ни одного символа для набора.");
    return problem;
}

// ---------------------------------------------------------------------------------------
// The lesson file

void ExerciseWindow::OpenLessonFile(const std::string& path) {
    if (!LessonFile.Open(path)) throw TastoraError("Не удаётся открыть файл урока " + path + ".");
}

std::u16string ExerciseWindow::ReadLessonLine() {
    // Nothing is read once the exercise has ended (or when no lesson could be opened).
    if (!LessonFile.IsOpen()) return u"EXIT";
    std::u16string text;
    // The end marker, or the end of a file that lacks it, ends the exercise.
    if (LessonFile.ReadLine(text) != LessonFileReader::kLine) {
        EndExercise();
        return u"EXIT";
    }
    LineCellCount = int(text.size()) + 1;
    CellsPassed = 0;
    CursorColumn = 0;
    CursorRow = 1;
    return text;
}

void ExerciseWindow::CloseLessonFile() { LessonFile.Close(); }

// The clock stops and the flow takes the result to its evaluation; the exercise is over
// even when the evaluation fails: nothing is read or judged again.
void ExerciseWindow::EndExercise() {
    WriteErrorCounts();  // the evaluation and the review read them
    ErrorStatsFile.reset();
    ui_.SetTimerEnabled(controls.clockTimer, false);
    ClockRunning = false;
    struct Finish {
        ExerciseWindow& window;
        ~Finish() {
            window.CloseLessonFile();
            window.ExerciseFinished = true;
        }
    } finish{*this};
    flow_.ExerciseFinished(ExerciseResult{ErrorCount, CorrectCount, ElapsedSeconds});
}

// ---------------------------------------------------------------------------------------
// Layout and cursor

void ExerciseWindow::LayoutLine(const std::u16string& line) {
    // "EXIT" from a reader that has ended; a text line that reads "EXIT" is laid out.
    if (line == u"EXIT" && !LessonFile.IsOpen()) return;
    LayOutCells(line);
    CellsPassed = 0;
    MoveCursor();
}

void ExerciseWindow::LayOutCells(const std::u16string& line) {
    // The bar shows the lines already finished.
    ui_.SetProgress(controls.lines, LinesStarted);
    ++LinesStarted;
    const LayoutNotes notes = LayOutText(line, Letters, PlainKeys, ShiftedKeys, &TextGrid);
    for (int r = 0; r <= kGridRows; ++r) RowContinues[r] = notes.continues[r];
}

// Moves the cursor on to the next cell to type, laying out the next lines as the current
// ones are used up. True when another line was laid out (the grid needs drawing). Every
// turn moves the cursor or reads a line, so the walk ends with the file at the latest.
bool ExerciseWindow::MoveCursor() {
    bool relaid = false;
    if (CellsPassed == 0) {
        CursorColumn = 0;
        CursorRow = 1;
    }
    for (;;) {
        bool usedUp = CellsPassed >= LineCellCount;
        if (!usedUp && CursorColumn >= kGridColumns) {
            // Leaving a full row: the space after it was dropped from the next row, so the
            // next space-bar press is not to be judged.
            const std::string& last = TextGrid[kGridColumns][CursorRow];
            if (last != "57b" && last != "57" && last != "57r" && !RowContinues[CursorRow]) DroppedSpacePending = true;
            ++CursorRow;
            CursorColumn = 0;
            usedUp = CursorRow > kGridRows;
        }
        if (usedUp) {
            const std::u16string line = ReadLessonLine();
            if (!LessonFile.IsOpen()) return relaid;  // the exercise has ended
            LayOutCells(line);
            CellsPassed = 0;
            CursorColumn = 0;
            CursorRow = 1;
            relaid = true;
            continue;
        }
        ++CursorColumn;
        const std::string& cell = TextGrid[CursorColumn][CursorRow];
        if (cell != "57b") ++CellsPassed;
        // Done cells, blanks and cells already typed wrongly are passed over.
        if (!cell.empty() && !IsTypeable(cell)) continue;
        return relaid;
    }
}

void ExerciseWindow::AdvanceCursor() {
    if (MoveCursor()) DrawTextGrid();
}

void ExerciseWindow::NextCell() {
    if (CellsPassed < LineCellCount) {
        AdvanceCursor();
        return;
    }
    const std::u16string line = ReadLessonLine();
    if (!LessonFile.IsOpen()) return;  // the exercise has ended
    LayoutLine(line);
    DrawTextGrid();
}

}  // namespace tastora
