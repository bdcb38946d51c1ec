#!/usr/bin/env python3
"""The folders of the program include each other in one direction only.

    core -> session -> windows -> users -> exercise -> results -> journal -> app -> win32

A file of one of these folders may include headers of its own folder and of the folders
to its left, never of a folder to its right. The other folders of the tree (swf/,
swflash/, course/, tests/, bench/, fuzz/) stand above the order and may include any of
them (and each other: the tools and tests of the SWF control use the tests' support); a
folder of the order includes none of those. Besides the order, no two folders of the order
may include each other, directly or through others (an include cycle between folders).

Reads every `#include "<folder>/..."` (or <...>) of the C++ sources and resource scripts
under the repository, prints each include that goes against the order as file:line, and
every folder cycle; exit status 1 when there is any. Run by ctest as layers.one_direction.

    python3 scripts/check-layers.py [ROOT]
"""
import os
import re
import sys

ORDER = ["core", "session", "windows", "users", "exercise", "results", "journal", "app", "win32"]
# Folders above the order: they may include any folder of the order (and each other).
ABOVE = ["swf", "swflash", "course", "tests", "bench", "fuzz"]

# Includes that go against the order and are tolerated for now: "file: included header".
PENDING = set()

SOURCE_SUFFIXES = (".cpp", ".cc", ".c", ".h", ".hpp", ".inc", ".rc")
SKIPPED_DIRS = {"build", "dist", ".git", "node_modules", "__pycache__"}
INCLUDE = re.compile(r'^\s*#\s*include\s*["<]([^">]+)[">]')


def folder_of(path):
    """The top folder of a repository path ("results/review.cpp" -> "results")."""
    return path.split("/", 1)[0] if "/" in path else ""


def included_folder(header, source):
    """The top folder that an include names: "app/x.h", or "../app/x.h" from a source."""
    if header.startswith("."):
        header = os.path.normpath(os.path.join(os.path.dirname(source), header)).replace(os.sep, "/")
    top = folder_of(header)
    return top if top in ORDER or top in ABOVE else None, header


def sources(root):
    for top in ORDER + ABOVE:
        base = os.path.join(root, top)
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames[:] = sorted(d for d in dirnames if d not in SKIPPED_DIRS)
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES):
                    full = os.path.join(dirpath, name)
                    yield os.path.relpath(full, root).replace(os.sep, "/"), full


def includes(root):
    """(source, line number, included header, its folder) for every include of a folder."""
    for rel, full in sources(root):
        with open(full, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                top, header = included_folder(m.group(1), rel)
                if top and top != folder_of(rel):
                    yield rel, number, header, top


def allowed(source_folder, target_folder):
    if source_folder in ABOVE:
        return True
    if target_folder in ABOVE:
        return False
    return ORDER.index(target_folder) < ORDER.index(source_folder)


def cycles(edges):
    """The strongly connected groups of more than one folder (Tarjan)."""
    index, low, on_stack, stack, groups = {}, {}, set(), [], []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                groups.append(sorted(group))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return groups


def shortest_cycle(edges, group):
    """A shortest way round the group, from its first folder back to it."""
    start = group[0]
    previous = {start: None}
    queue = [start]
    for v in queue:
        for w in sorted(edges.get(v, ())):
            if w not in group:
                continue
            if w == start:
                path = [v]
                while previous[path[-1]] is not None:
                    path.append(previous[path[-1]])
                return path[::-1] + [start]
            if w not in previous:
                previous[w] = v
                queue.append(w)
    return group + [group[0]]


def main(argv):
    root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    failures = []
    edges = {}
    where = {}  # (from, to) -> first file:line of such an include
    pending_seen = set()
    for rel, number, header, top in includes(root):
        key = f"{rel}: {header}"
        if key in PENDING:
            pending_seen.add(key)
            continue
        src = folder_of(rel)
        if src in ORDER:
            edges.setdefault(src, set()).add(top)
        where.setdefault((src, top), f"{rel}:{number}")
        if not allowed(src, top):
            failures.append(f"{rel}:{number}: includes {header}: {src}/ may not include {top}/ "
                            f"(order: {' -> '.join(ORDER)})")

    for group in cycles(edges):
        path = shortest_cycle(edges, group)
        links = [f"{a} -> {b} ({where[(a, b)]})" for a, b in zip(path, path[1:])]
        failures.append("include cycle between folders: " + "; ".join(links))

    for key in sorted(PENDING - pending_seen):
        print(f"note: pending include no longer found, take it out of the list: {key}")
    for f in failures:
        print(f)
    print(f"{len(failures)} include(s) against the order of the folders "
          f"({len(pending_seen)} pending)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
