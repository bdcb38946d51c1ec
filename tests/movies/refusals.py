#!/usr/bin/python3
"""The course tool refuses bad movie sources, naming the source file and line, and leaves
no movie (and no partly written file) in the data folder.

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
