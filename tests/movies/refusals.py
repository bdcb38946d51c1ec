#!/usr/bin/python3
"""The course tool refuses bad movie sources and texts whose wording breaks the course's
rules, naming the source file and line, and leaves no movie (and no partly written file) in
the data folder.

Usage: refusals.py TASTORA_COURSE CONTENT_FOLDER
"""
import os
import shutil
import subprocess
import sys
import tempfile

# (source file, line to append ("" empties the file) or None, extra arguments, what the
# message must hold)
CASES = [
    ("movies/carti/02.txt", "", [], "movies/carti/02.txt: needs 1 'title' lines, has 0"),
    ("movies/prezentari/3.txt", "text: Иероглиф 字 не нарисовать", [], "movies/prezentari/3.txt:{line}: the font has no glyph for U+5B57"),
    ("movies/prezentari/2.txt", "text: " + "очень длинная строка " * 6, [], "movies/prezentari/2.txt:{line}: the text runs off the stage"),
    ("movies/carti/16.txt", "title: Второй заголовок", [], "movies/carti/16.txt: needs 1 'title' lines, has 2"),
    ("movies/prezentari/6.txt", "scene: theatre", [], "movies/prezentari/6.txt: needs 1 'scene' lines"),
    ("movies/carti/07.txt", "key: ы | Ы — не новая клавиша", [], "movies/carti/07.txt:{line}: U+044B 'ы' is not new in lesson 7"),
    ("movies/carti/05.txt", "text: \xff", [], "movies/carti/05.txt:{line}"),
    ("movies/carti/03.txt", "key: CAPS | Заглавные", [], "movies/carti/03.txt:{line}: CAPS stands for capitals"),
    ("movies/carti/01.txt", None, ["--movie-limit", "4000"], "movies/carti/01.txt:1: the movie would take"),
    # Wording: what a text may say where it stands, ё against yo.txt, one typography.
    ("movies/carti/16.txt", "end: Впереди ещё повторение.", [], "movies/carti/16.txt:{line}: the book movie of lesson 16 plays after its review"),
    ("movies/carti/07.txt", "end: Весь алфавит пройден!", [], "movies/carti/07.txt:{line}: speaks of the whole alphabet"),
    ("movies/prezentari/4.txt", "end: Безымянный палец — самый слабый.", [], "movies/prezentari/4.txt:{line}: the weakest finger is the little finger"),
    ("zac.txt", "Забыли клавишу? Повторите уроки с начала.", [], "zac.txt:{line}: the closing address is shown to a learner who has finished"),
    ("prav.txt", "11. Учеба идет легче, когда печатаете ее.", [], "prav.txt:{line}: \"идет\" is written with е; the course writes \"идёт\""),
    ("rus.txt", "Пишите нам ещё, мы всё прочтём.", [], "rus.txt:{line}: \"прочтём\" is written with ё but missing from yo.txt"),
    ("rus.txt", "Помощь - по желанию.", [], "rus.txt:{line}: a dash is written \"—\""),
    ("rus.txt", "Занятия по 5-10 минут.", [], "rus.txt:{line}: a range of numbers is written with \"–\""),
    ("rus.txt", "Курс \"Tastora\".", [], "rus.txt:{line}: quotation marks are written «...»"),
    ("lessons/12.txt", "Ура! мы победили.", [], "lessons/12.txt:{line}: a sentence starts with a small letter after \"!\""),
    ("lessons/10.txt", "8 = 8 9 = 9", [], "lessons/10.txt:{line}: equations run together: \"= 8 9\""),
]


def run_case(tool, content, source, line, args, expected):
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "content")
        shutil.copytree(content, src)
        path = os.path.join(src, source)
        number = 0
        if line == "":
            open(path, "wb").close()
        elif line is not None:
            with open(path, "rb") as f:
                number = f.read().count(b"\n") + 1
            with open(path, "ab") as f:
                f.write(line.encode("utf-8", "surrogateescape") if "\xff" not in line else b"text: \xff\n")
        out = os.path.join(tmp, "data")
        r = subprocess.run([tool, out, "--content", src] + args, capture_output=True, text=True, errors="replace")
        want = expected.replace("{line}", str(number))
        faults = []
        if r.returncode != 1:
            faults.append(f"exit status {r.returncode}, not 1")
        if want not in r.stderr:
            faults.append(f"message {r.stderr.strip()!r} lacks {want!r}")
        left = [os.path.join(d, f) for d, _, fs in os.walk(out) for f in fs if f.endswith((".swf", ".part"))]
        if left:
            faults.append("left behind: " + ", ".join(sorted(left)))
        return faults


def main():
    tool, content = sys.argv[1], sys.argv[2]
    failed = 0
    for source, line, args, expected in CASES:
        faults = run_case(tool, content, source, line, args, expected)
        print(("FAIL " if faults else "ok   ") + f"{source} {line or ' '.join(args)}" + ("" if not faults else ": " + "; ".join(faults)))
        failed += bool(faults)
    print(f"{len(CASES)} cases, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
