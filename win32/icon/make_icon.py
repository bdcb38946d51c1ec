#!/usr/bin/env python3
"""Draws the application icon and writes it as a Windows .ico file with 16, 32 and 48
pixel images (32-bit colour with alpha, plus the 1-bit mask older systems use).

    python3 win32/icon/make_icon.py OUT.ico

The picture is a keyboard key seen from above: a light key cap with a darker rim on a
blue rounded square, the cap carrying a blue "T". Every shape is given in a 48 x 48 unit
square and sampled 4 x 4 times per pixel, so each size is drawn from the same shapes and
the output depends on nothing but this file.
"""

import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLE = 4

BLUE = (0x1F, 0x5F, 0xBF)
RIM = (0x9A, 0xA4, 0xB2)
CAP = (0xF4, 0xF6, 0xFA)
LETTER = (0x1F, 0x4F, 0xA8)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


# Back to front: (shape, colour). Coordinates in the 48-unit square.
LAYERS = (
    (rounded_rect(1, 1, 47, 47, 9), BLUE),
    (rounded_rect(7, 6, 41, 42, 6), RIM),      # the key's sides, seen below the cap
    (rounded_rect(9, 7, 39, 37, 5), CAP),      # the cap
    (rect(15, 12, 33, 17), LETTER),            # the bar of the "T"
    (rect(21.5, 12, 26.5, 32), LETTER),        # its stem
)


def pixel(size, px, py):
    """Straight (not premultiplied) RGBA of one pixel, averaged over its samples."""
    acc = [0.0, 0.0, 0.0]
    covered = 0
    scale = 48.0 / size
    for sy in range(SUPERSAMPLE):
        for sx in range(SUPERSAMPLE):
            x = (px + (sx + 0.5) / SUPERSAMPLE) * scale
            y = (py + (sy + 0.5) / SUPERSAMPLE) * scale
            colour = None
            for inside, c in LAYERS:
                if inside(x, y):
                    colour = c
            if colour is not None:
                covered += 1
                for i in range(3):
                    acc[i] += colour[i]
    if covered == 0:
        return (0, 0, 0, 0)
    alpha = round(255 * covered / SUPERSAMPLE ** 2)
    return tuple(round(v / covered) for v in acc) + (alpha,)


def icon_image(size):
    """One ICO image: BITMAPINFOHEADER (height doubled for the mask), bottom-up BGRA rows,
    then the AND mask (1 = transparent), rows padded to 4 bytes."""
    rows = [[pixel(size, x, y) for x in range(size)] for y in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(colour) + bytes(mask)


def ico(sizes):
    images = [icon_image(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_icon.py OUT.ico\n")
        return 2
    with open(argv[1], "wb") as f:
        f.write(ico(SIZES))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
