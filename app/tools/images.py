#!/usr/bin/env python3
"""Draws the program's icon (32x32, 16 colours) and its six cursors (32x32,
monochrome) and writes them as .ico and .cur files for the resource compiler.

usage: images.py OUTPUT_DIR
"""
import math
import os
import struct
import sys

SIZE = 32

# The standard 16-colour palette as (red, green, blue).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, GRAY, DARK_GRAY, BLUE, CYAN, YELLOW, WHITE = 0, 7, 8, 9, 11, 14, 15

# Cursor pixels: None transparent, 0 black, 1 white.
ARROW = """
X
XX
XoX
XooX
XoooX
XooooX
XoooooX
XooooooX
XoooooooX
XooooooooX
XoooooXXXXX
XooXooX
XoX XooX
XX  XooX
X    XooX
     XooX
      XX
"""


class Canvas:
    def __init__(self):
        self.px = [[None] * SIZE for _ in range(SIZE)]

    def set(self, x, y, v):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = v

    def art(self, text, ox, oy):
        for y, row in enumerate(text.strip("\n").split("\n")):
            for x, c in enumerate(row):
                if c in "Xo":
                    self.set(ox + x, oy + y, 0 if c == "X" else 1)

    def rect(self, x0, y0, x1, y1, fill, edge):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                border = x in (x0, x1) or y in (y0, y1)
                self.set(x, y, edge if border else fill)

    def line(self, x0, y0, x1, y1, v):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.set(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), v)


def document(c, x, y):
    c.rect(x, y, x + 9, y + 11, 1, 0)
    for row in range(y + 3, y + 10, 2):
        c.line(x + 2, row, x + 7, row, 0)


def cursor_multidrag():
    c = Canvas()
    c.art(ARROW, 0, 0)
    document(c, 12, 14)
    document(c, 16, 18)
    return c


def cursor_drag():
    c = Canvas()
    c.art(ARROW, 0, 0)
    document(c, 12, 16)
    return c


def cursor_nodrop():
    c = Canvas()
    c.art(ARROW, 2, 2)
    cx, cy, r = 20, 21, 8
    for y in range(SIZE):
        for x in range(SIZE):
            d = math.hypot(x - cx, y - cy)
            on_slash = abs((x - cx) - (y - cy)) <= 1.5 and d < r
            if r - 2.5 <= d <= r or on_slash:
                c.set(x, y, 0)
            elif r < d <= r + 1 or (r - 3.5 <= d < r - 2.5):
                c.set(x, y, 1)
    return c


def split_arrows(c, vertical, hx, hy):
    """Two parallel bars through the hot spot with arrows pointing away."""
    for off in (-1, 1):
        for t in range(-8, 9):
            x, y = (hx + t, hy + off) if vertical else (hx + off, hy + t)
            c.set(x, y, 0)
    for sign in (-1, 1):
        for k in range(5):
            for w in range(-k, k + 1):
                d = 8 - k
                x, y = (hx + w, hy + sign * d) if vertical else (hx + sign * d, hy + w)
                c.set(x, y, 0)
    return c


def cursor_vsplit():
    return split_arrows(Canvas(), True, 14, 12)


def cursor_hsplit():
    return split_arrows(Canvas(), False, 16, 14)


def cursor_sqlwait():
    c = Canvas()
    c.art(ARROW, 0, 0)
    # An hourglass beside the arrow.
    c.line(13, 12, 25, 12, 0)
    c.line(13, 28, 25, 28, 0)
    for i in range(8):
        c.line(14 + i, 13 + i, 24 - i, 13 + i, 1 if i else 0)
        c.line(14 + i, 27 - i, 24 - i, 27 - i, 1 if i > 3 else 0)
        c.set(14 + i, 13 + i, 0)
        c.set(24 - i, 13 + i, 0)
        c.set(14 + i, 27 - i, 0)
        c.set(24 - i, 27 - i, 0)
    return c


def mono_rows(canvas, bit):
    """Rows bottom-up, 4 bytes each, of one bit plane."""
    out = b""
    for y in reversed(range(SIZE)):
        word = 0
        for x in range(SIZE):
            if bit(canvas.px[y][x]):
                word |= 1 << (31 - x)
        out += struct.pack(">I", word)
    return out


def cursor_file(canvas, hot_x, hot_y):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, 256, 0, 0, 2, 2)
    colours = struct.pack("<II", 0x000000, 0xFFFFFF)
    xor = mono_rows(canvas, lambda v: v == 1)
    mask = mono_rows(canvas, lambda v: v is None)
    dib = header + colours + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hot_x, hot_y, len(dib), 22)
    return directory + entry + dib


def icon_pixels():
    px = [[None] * SIZE for _ in range(SIZE)]

    def put(x, y, v):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            px[y][x] = v

    # A blue disc as the background.
    for y in range(SIZE):
        for x in range(SIZE):
            d = math.hypot(x - 15.5, y - 15.5)
            if d <= 15.5:
                put(x, y, BLUE if d < 14.5 else DARK_GRAY)
    # The speaker: a box and a cone.
    for y in range(12, 20):
        for x in range(5, 10):
            put(x, y, BLACK if x in (5, 9) or y in (12, 19) else GRAY)
    for x in range(9, 16):
        half = 4 + (x - 9)
        for y in range(16 - half, 16 + half):
            edge = x == 15 or y in (16 - half, 16 + half - 1)
            put(x, y, BLACK if edge else WHITE)
    # Sound waves.
    for radius, colour in ((5, YELLOW), (9, CYAN), (13, YELLOW)):
        for step in range(-40, 41):
            a = math.radians(step)
            put(round(16 + radius * math.cos(a)), round(15.5 + radius * math.sin(a)), colour)
    return px


def icon_file():
    px = icon_pixels()
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 640, 0, 0, 16, 16)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = b""
    for y in reversed(range(SIZE)):
        row = [0 if v is None else v for v in px[y]]
        image += bytes((row[x] << 4) | row[x + 1] for x in range(0, SIZE, 2))
    mask = b""
    for y in reversed(range(SIZE)):
        word = 0
        for x in range(SIZE):
            if px[y][x] is None:
                word |= 1 << (31 - x)
        mask += struct.pack(">I", word)
    dib = header + colours + image + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(dib), 22)
    return directory + entry + dib


CURSORS = {
    "multidrag.cur": (cursor_multidrag, 0, 0),
    "vsplit.cur": (cursor_vsplit, 14, 12),
    "hsplit.cur": (cursor_hsplit, 16, 14),
    "drag.cur": (cursor_drag, 0, 0),
    "nodrop.cur": (cursor_nodrop, 2, 2),
    "sqlwait.cur": (cursor_sqlwait, 0, 0),
}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "mainicon.ico"), "wb") as f:
        f.write(icon_file())
    for name, (draw, hx, hy) in CURSORS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(cursor_file(draw(), hx, hy))


if __name__ == "__main__":
    main()
