#!/usr/bin/python3
"""Reads every course movie in DATA/pictures/{carti,prezentari} with an independent SWF
reader (Debian's python3-yaswfp) and checks what the presentation control relies on:
a compressed file of version 5 to 8, an 800 x 600 stage at 12 frames per second, 2 to 6
seconds of animation, only tags the control plays, every placed character defined before
it is placed, a Stop on the last frame, and the size limits (300 KB each, 3 MB together).

Usage: check_swf.py DATA   (exit status 0 when every movie passes)
"""
import os
import sys

from yaswfp import swfparser

SUBSET = {
    "End", "ShowFrame", "SetBackgroundColor", "FileAttributes", "Metadata", "FrameLabel",
    "DefineShape", "DefineShape2", "DefineShape3", "DefineShape4",
    "PlaceObject2", "RemoveObject2", "DefineSprite",
    "DefineFont2", "DefineFont3", "DefineText", "DefineText2", "DoAction",
}
DEFINES_ID = {"DefineShape": "ShapeId", "DefineShape2": "ShapeId", "DefineShape3": "ShapeId",
              "DefineShape4": "ShapeId", "DefineSprite": "CharacterID",
              "DefineText": "CharacterID", "DefineText2": "CharacterID"}
EXPECTED = [("carti", n) for n in range(1, 17)] + [("prezentari", n) for n in range(1, 7)]


def problems_of(path):
    """The faults of one movie, as a list of messages (empty when it passes)."""
    size = os.path.getsize(path)
    found = []
    if size > 300 * 1024:
        found.append(f"{size} bytes, more than 300 KB")
    swf = swfparser.parsefile(path)
    h = swf.header
    if h.Signature != "CWS":
        found.append(f"signature {h.Signature}, not compressed (CWS)")
    if not 5 <= h.Version <= 8:
        found.append(f"version {h.Version}, not 5 to 8")
    if tuple(h.FrameSize) != (0, 800 * 20, 0, 600 * 20):
        found.append(f"stage {h.FrameSize} twips, not 800 x 600 pixels")
    if h.FrameRate != 12 * 256:
        found.append(f"frame rate {h.FrameRate / 256}, not 12")
    if not 24 <= h.FrameCount <= 72:
        found.append(f"{h.FrameCount} frames: not 2 to 6 seconds at 12 frames per second")
    names = [t.name for t in swf.tags]
    outside = sorted(set(names) - SUBSET)
    if outside:
        found.append("tags outside the control's subset: " + ", ".join(outside))
    if names.count("ShowFrame") != h.FrameCount:
        found.append(f"{names.count('ShowFrame')} ShowFrame tags for {h.FrameCount} frames")
    defined = set()
    for t in swf.tags:
        if t.name in DEFINES_ID:
            defined.add(getattr(t, DEFINES_ID[t.name]))
        elif t.name == "PlaceObject2" and getattr(t, "PlaceFlagHasCharacter", 0):
            if t.CharacterId not in defined:
                found.append(f"character {t.CharacterId} placed before it is defined")
    # The last frame: the tags after the last but one ShowFrame.
    shows = [i for i, n in enumerate(names) if n == "ShowFrame"]
    last = swf.tags[(shows[-2] + 1 if len(shows) > 1 else 0):(shows[-1] if shows else 0)]
    stops = [a for t in last if t.name == "DoAction" for a in t.Actions if a.name == "ActionStop"]
    if not stops:
        found.append("no Stop action on the last frame")
    return found


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    pictures = os.path.join(sys.argv[1], "pictures")
    failed = 0
    total = 0
    for folder, n in EXPECTED:
        path = os.path.join(pictures, folder, f"{n}.swf")
        if not os.path.isfile(path):
            print(f"FAIL {folder}/{n}.swf: missing")
            failed += 1
            continue
        total += os.path.getsize(path)
        try:
            found = problems_of(path)
        except Exception as e:  # the reader gave up on the file
            found = [f"the reader fails: {e!r}"]
        print(("FAIL " if found else "ok   ") + f"{folder}/{n}.swf" + ("" if not found else ": " + "; ".join(found)))
        failed += bool(found)
    if total > 3 * 1024 * 1024:
        print(f"FAIL the movies take {total} bytes together, more than 3 MB")
        failed += 1
    print(f"{len(EXPECTED)} movies, {total} bytes together, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
