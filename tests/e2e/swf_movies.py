"""Small SWF movies for the end-to-end tests of the SWF player control, written here byte by
byte (Python 3 stdlib only): a stage, a background colour, and a square that moves one step
to the right with every frame, so that a screenshot tells which frame is shown."""

import struct
import zlib


class Bits:
    def __init__(self):
        self.bits = []

    def u(self, value, n):
        self.bits += [(value >> (n - 1 - i)) & 1 for i in range(n)]
        return self

    def s(self, value, n):
        return self.u(value & ((1 << n) - 1), n)

    def bytes(self):
        bits = self.bits + [0] * (-len(self.bits) % 8)
        return bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))


def _signed_bits(*values):
    return max([1] + [max(v, -v - 1).bit_length() + 1 for v in values])


def rect(x0, x1, y0, y1):
    n = _signed_bits(x0, x1, y0, y1)
    b = Bits().u(n, 5)
    for v in (x0, x1, y0, y1):
        b.s(v, n)
    return b.bytes()


def translate(x, y):
    n = _signed_bits(x, y)
    return Bits().u(0, 1).u(0, 1).u(n, 5).s(x, n).s(y, n).bytes()


def tag(code, data=b""):
    if len(data) < 63:
        return struct.pack("<H", code << 6 | len(data)) + data
    return struct.pack("<HI", code << 6 | 63, len(data)) + data


def square_shape(shape_id, size_twips, rgb):
    """DefineShape: a square of one solid colour, its top left corner at the origin."""
    r, g, b = (rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255
    styles = bytes([1, 0x00, r, g, b]) + bytes([0])  # one solid fill, no line styles
    rec = Bits().u(1, 4).u(0, 4)  # fill bits 1, line bits 0
    # Style change: move to (0, 0), fill style 1 on the right of the edges.
    rec.u(0, 1).u(0, 1).u(0, 1).u(1, 1).u(0, 1).u(1, 1).u(1, 5).s(0, 1).s(0, 1).u(1, 1)
    n = _signed_bits(size_twips, -size_twips)
    for dx, dy in ((size_twips, 0), (0, size_twips), (-size_twips, 0), (0, -size_twips)):
        rec.u(1, 1).u(1, 1).u(n - 2, 4).u(1, 1).s(dx, n).s(dy, n)
    rec.u(0, 6)  # end of shape
    body = struct.pack("<H", shape_id) + rect(0, size_twips, 0, size_twips) + styles + rec.bytes()
    return tag(2, body)


def moving_square_movie(frames=24, fps=12, width=400, height=300, background=0x2080E0,
                        square=0xF0F020, step=10, size=20, compressed=False):
    """A movie whose square (size x size pixels, top left at (step * (n - 1), 10) in frame n)
    moves right by `step` stage pixels per frame."""
    body = rect(0, width * 20, 0, height * 20) + struct.pack("<HH", int(fps * 256), frames)
    body += tag(9, bytes([(background >> 16) & 255, (background >> 8) & 255, background & 255]))
    body += square_shape(1, size * 20, square)
    for n in range(frames):
        x, y = step * n * 20, 10 * 20
        if n == 0:
            body += tag(26, bytes([0x06]) + struct.pack("<HH", 1, 1) + translate(x, y))
        else:
            body += tag(26, bytes([0x05]) + struct.pack("<H", 1) + translate(x, y))
        body += tag(1)
    body += tag(0)
    size_field = struct.pack("<I", 8 + len(body))
    if compressed:
        return b"CWS" + bytes([6]) + size_field + zlib.compress(body)
    return b"FWS" + bytes([6]) + size_field + body


def padded_movie(total_bytes, **kwargs):
    """The moving-square movie padded with an unknown tag to about `total_bytes`, as large
    as a presentation with pictures."""
    movie = moving_square_movie(**kwargs)
    body = movie[8:-2]  # without the header and the End tag
    pad = max(0, total_bytes - len(movie) - 6)
    body += tag(777, bytes(pad)) + tag(0)
    return b"FWS" + bytes([6]) + struct.pack("<I", 8 + len(body)) + body
