#include "logic_check.h"

#ifdef TASTORA_COURSE_WITH_LOGIC
#include "core/image_io.h"
#include "exercise/keys.h"
#include "exercise/layout.h"
#include "exercise/lesson_file.h"
#include "exercise/letter_table.h"
#endif

#include "util.h"

namespace course {

#ifndef TASTORA_COURSE_WITH_LOGIC

void CheckWithProgramReaders(const Output&, const KeyTable&, const std::vector<Lesson>&, const std::vector<LetterLine>&) {}

#else

void CheckWithProgramReaders(const Output& out, const KeyTable&, const std::vector<Lesson>& lessons,
                             const std::vector<LetterLine>& letters) {
    // The key sets and key positions of the program agree with the ones the pictures use.
    for (int n = 1; n <= 6; ++n)
        if (tastora::LetterSet(n) != LetterSet(n)) throw CourseError("exercise/keys.h", "LetterSet " + std::to_string(n) + " differs from the course's");
    tastora::KeyPoint pos[tastora::kKeyCount + 1];
    tastora::FillKeyPositions(pos);
    for (int n = 1; n <= kKeyCount; ++n) {
        KeyPlace p = KeyPlaceOf(n);
        if (pos[n].x != p.x || pos[n].y != p.y)
            throw CourseError("exercise/keys.h", "key " + std::to_string(n) + " sits elsewhere than its picture");
    }
    // The letter table through the program's reader: the same key and line for every character.
    tastora::LetterTable table;
    if (!table.Load(out.Full("litere.txt")) || !table.Problems().empty())
        throw CourseError(out.Full("litere.txt"), "the program's letter-table reader rejects it");
    for (const LetterLine& l : letters) {
        tastora::LetterHit hit = table.Find(char16_t(l.ch));
        LetterHit mine = LookUp(letters, l.ch);
        if (hit.key != mine.key || hit.line != mine.line)
            throw CourseError(out.Full("litere.txt"), "the program finds " + DescribeChar(l.ch) + " elsewhere");
    }
    // Lesson files through the program's reader, and every text line through the program's
    // layout: nothing cut, nothing missing, the same cells as the course's own layout.
    for (const Lesson& lesson : lessons) {
        for (const Exercise* ex : {&lesson.exercise, &lesson.test}) {
            const std::string path = out.Full("text/" + ex->fileName);
            tastora::LessonFileReader reader;
            if (!reader.Open(path)) throw CourseError(path, "the program's reader cannot open it");
            std::vector<std::u16string> lines;
            std::u16string text;
            tastora::LessonFileReader::LineEnd end;
            while ((end = reader.ReadLine(text)) == tastora::LessonFileReader::kLine) lines.push_back(text);
            reader.Close();
            if (end != tastora::LessonFileReader::kEndMarker) throw CourseError(path, "the program's reader finds no ENDEX");
            if (lines.size() != ex->lines.size() + 5) throw CourseError(path, "the program's reader sees a different number of lines");
            if (tastora::LessonHeaderText(lines[0]) != EncodeUtf8(ex->caption) ||
                tastora::LessonHeaderText(lines[1]) != EncodeUtf8(ex->message))
                throw CourseError(path, "the program shows the caption or the start message differently");
            for (size_t i = 0; i < ex->lines.size(); ++i) {
                if (lines[5 + i] != std::u16string(ex->lines[i].begin(), ex->lines[i].end()))
                    throw CourseError(path, "the program's reader reads text line " + std::to_string(i + 1) + " differently");
                static tastora::TextCells cells;
                tastora::LayoutNotes notes = tastora::LayOutText(lines[5 + i], table, tastora::LetterSet(ex->set == 6 ? 5 : ex->set),
                                                                 ex->set == 6 ? tastora::LetterSet(5) : tastora::KeySet(), &cells);
                const std::string where = path + " text line " + std::to_string(i + 1);
                if (notes.cut) throw CourseError(where, "the program's layout cuts the line");
                if (notes.hasMissing) throw CourseError(where, "the program's layout misses a character");
                Grid g = LayOut(ex->lines[i], letters, ex->set, where);
                for (int r = 1; r <= kGridRows; ++r)
                    for (int c = 1; c <= kGridColumns; ++c)
                        if (cells[c][r] != g.cells[r - 1][c - 1])
                            throw CourseError(where, "the program lays cell (" + std::to_string(c) + ", " + std::to_string(r) +
                                                         ") out as " + cells[c][r] + ", the course as " + g.cells[r - 1][c - 1]);
            }
        }
    }
    // Every picture through the program's decoders.
    for (const PictureRecord& p : out.Pictures()) {
        const std::string path = out.Full(p.path);
        tastora::Bitmap bmp;
        try {
            bmp = p.bmp ? tastora::LoadBmp(path) : tastora::LoadJpeg(path);
        } catch (const std::exception& e) {
            throw CourseError(path, std::string("the program cannot load it: ") + e.what());
        }
        if (bmp.Width() != p.width || bmp.Height() != p.height)
            throw CourseError(path, "the program decodes it at another size");
    }
}

#endif

}  // namespace course
