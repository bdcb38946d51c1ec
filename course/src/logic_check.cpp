#include "logic_check.h"

#include "core/image_io.h"
#include "exercise/lesson_file.h"

#include "util.h"

namespace course {

void CheckWithProgramReaders(const Output& out, const tastora::LetterTable& table, const std::vector<Lesson>& lessons,
                             const std::vector<LetterLine>& letters) {
    // The letter table through the program's reader: the same key and line for every character.
    for (const LetterLine& l : letters) {
        tastora::LetterHit hit = table.Find(char16_t(l.ch));
        LetterHit mine = LookUp(letters, l.ch);
        if (hit.key != mine.key || hit.line != mine.line)
            throw CourseError(out.Full("litere.txt"), "the program finds " + DescribeChar(l.ch) + " elsewhere");
    }
    // Lesson files through the program's reader (their layout was checked with the
    // program's own when the lessons were checked).
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
            if (end != tastora::LessonFileReader::kEndMarker)
                throw CourseError(path, "the program's reader finds no ENDEX");
            if (lines.size() != ex->lines.size() + 5)
                throw CourseError(path, "the program's reader sees a different number of lines");
            if (tastora::LessonHeaderText(lines[0]) != EncodeUtf8(ex->caption) ||
                tastora::LessonHeaderText(lines[1]) != EncodeUtf8(ex->message))
                throw CourseError(path, "the program shows the caption or the start message differently");
            for (size_t i = 0; i < ex->lines.size(); ++i) {
                if (lines[5 + i] != std::u16string(ex->lines[i].begin(), ex->lines[i].end()))
                    throw CourseError(path,
                                      "the program's reader reads text line " + std::to_string(i + 1) + " differently");
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

}  // namespace course
