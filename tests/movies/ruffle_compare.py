#!/usr/bin/python3
"""Frames 1 and last of every course movie: our renderer (`tastora_swf render`) against
the Ruffle player, with the comparison (tolerance and outlier budget) of the SWF library's
reference script tests/swf_reference/ruffle_render.js. Skipped (exit status 77) when the
browser or the script's npm packages are not installed.

Usage: ruffle_compare.py DATA TASTORA_SWF
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

from yaswfp import swfparser

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPT = os.path.join(ROOT, "tests", "swf_reference", "ruffle_render.js")
SKIP = 77


def first_frame_only(swf):
    """The movie cut after its first frame, with a Stop there: Ruffle cannot be paused on a
    frame and still show it, but it plays this copy to a standstill on frame 1."""
    if swf[:3] == b"CWS":
        body = zlib.decompress(swf[8:])
    elif swf[:3] == b"FWS":
        body = swf[8:]
    else:
        raise ValueError("not an SWF file")
    rect_bytes = (5 + 4 * (body[0] >> 3) + 7) // 8
    header = bytearray(body[:rect_bytes + 4])
    struct.pack_into("<H", header, rect_bytes + 2, 1)  # one frame
    pos, tags = rect_bytes + 4, bytearray()
    while pos + 2 <= len(body):
        code_len = struct.unpack_from("<H", body, pos)[0]
        code, length, start = code_len >> 6, code_len & 0x3F, pos + 2
        if length == 0x3F:
            length, start = struct.unpack_from("<I", body, pos + 2)[0], pos + 6
        if code in (0, 1):  # End, ShowFrame
            break
        tags += body[pos:start + length]
        pos = start + length
    tags += struct.pack("<H", (12 << 6) | 2) + b"\x07\x00"  # DoAction: Stop
    tags += struct.pack("<H", 1 << 6) + struct.pack("<H", 0)  # ShowFrame, End
    rest = bytes(header) + bytes(tags)
    return b"CWS" + swf[3:4] + struct.pack("<I", 8 + len(rest)) + zlib.compress(rest)


def main():
    data, tool = sys.argv[1], sys.argv[2]
    chromium = os.environ.get("CHROMIUM", "/usr/bin/chromium")
    modules = os.path.join(ROOT, "tests", "swf_reference", "node_modules", "@ruffle-rs", "ruffle")
    if not (os.path.exists(chromium) and shutil.which("node") and os.path.isdir(modules)):
        print("skipped: no Chromium, node or Ruffle (npm ci in tests/swf_reference)")
        return SKIP
    with tempfile.TemporaryDirectory() as tmp:
        lines = []
        for folder, count in (("carti", 16), ("prezentari", 6)):
            for n in range(1, count + 1):
                name = f"{folder}-{n}"
                src = os.path.join(data, "pictures", folder, f"{n}.swf")
                with open(src, "rb") as f:
                    swf = f.read()
                with open(os.path.join(tmp, name + ".swf"), "wb") as f:
                    f.write(swf)
                with open(os.path.join(tmp, name + "-first.swf"), "wb") as f:
                    f.write(first_frame_only(swf))
                frames = swfparser.parsefile(src).header.FrameCount
                # The last frame once the movie has run to its Stop, with time to spare.
                lines.append(f"{name}-first 1 800x600")
                lines.append(f"{name} {frames} 800x600 {frames * 1000 // 12 + 2500}")
        with open(os.path.join(tmp, "samples.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")
        return subprocess.run(["node", SCRIPT, "compare", tmp, tool]).returncode


if __name__ == "__main__":
    sys.exit(main())
