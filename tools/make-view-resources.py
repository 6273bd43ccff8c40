#!/usr/bin/env python3
"""Writes the view's cursors and its loading icon as Windows .cur and .ico files.

    tools/make-view-resources.py [output folder]    (default: resources/view)

The files are committed; run this again only to change a picture. Cursors are 32 x 32
monochrome; the icon holds a 32 x 32 and a 16 x 16 image of 16 colours.
"""
import math
import os
import struct
import sys

# Cursor pictures: '.' transparent, 'X' black, 'o' white, '~' inverted. Rows shorter than 32
# are padded with '.'.
OPEN_HAND = """
......XX
...XX.XoX.XX
..XooXXoX.XoX
..XooXXoXXooX
..XooXXoXXooX.XX
..XooXXoXXooXXooX
..XooXXoXXooXXooX
..XooooooooooXooX
XX.XooooooooooooX
XoXXooooooooooooX
XooXoooooooooooX
.XooXooooooooooX
..XoXoooooooooX
..XoooooooooooX
...XoooooooooX
....XoooooooX
.....XooooooX
.....XooooooX
.....XXXXXXXX
"""

POINTING_HAND = """
....XX
...XooX
...XooX
...XooX
...XooXXX
...XooXooXXX
...XooXooXooXX
XX.XooXooXooXoX
XoXXooooooooXoX
XooXoooooooooooX
.XoXoooooooooooX
..XooooooooooooX
..XoooooooooooX
...XooooooooooX
...XoooooooooX
....XooooooooX
....XooooooooX
....XXXXXXXXXX
"""


def magnifier():
    """A lens around (8, 8) with a handle towards the bottom right."""
    rows = []
    for y in range(32):
        row = ""
        for x in range(32):
            d = math.hypot(x - 8, y - 8)
            # Distance to the handle's axis from (13, 13) to (21, 21).
            t = max(0.0, min(1.0, ((x - 13) + (y - 13)) / 16.0))
            h = math.hypot(x - (13 + 8 * t), y - (13 + 8 * t))
            if 5.0 <= d <= 7.0 or (h <= 1.6 and d > 6.0):
                row += "X"
            elif d <= 7.7 or (h <= 2.6 and d > 6.0):
                row += "o"
            else:
                row += "."
        rows.append(row)
    return rows


def art(text):
    rows = [r for r in text.strip("\n").split("\n")]
    rows = [r.ljust(32, ".")[:32] for r in rows]
    rows += ["." * 32] * (32 - len(rows))
    return rows


def mask_rows(rows, inside):
    """1-bit rows, bottom-up, each 4 bytes."""
    out = b""
    for row in reversed(rows):
        bits = 0
        for x, c in enumerate(row):
            if inside(c):
                bits |= 1 << (31 - x)
        out += struct.pack(">I", bits)
    return out


def cursor(rows, hot_x, hot_y):
    assert rows[hot_y][hot_x] != "." or True
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    colours = struct.pack("<II", 0x000000, 0xFFFFFF)
    xor = mask_rows(rows, lambda c: c in "o~")
    and_ = mask_rows(rows, lambda c: c in ".~")
    image = header + colours + xor + and_
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, hot_x, hot_y, len(image), 6 + 16)
    return directory + entry + image


# The 16 colours of the standard VGA palette (blue, green, red, 0).
VGA = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]  # as (red, green, blue)
BLACK, DARK_GREY, LIGHT_GREY, WHITE = 0, 8, 7, 15
RED, BLUE, GREEN, YELLOW = 12, 9, 10, 14


def icon_pixels(n):
    """A sheet of paper with a folded corner and a small drawing on it; None is transparent."""
    s = n / 32.0
    px = [[None] * n for _ in range(n)]
    left, right, top, bottom = round(5 * s), round(26 * s), round(2 * s), round(29 * s)
    fold = round(7 * s)
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - (right - fold) > y - top:
                continue  # cut corner
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            px[y][x] = BLACK if edge else WHITE
    for i in range(fold + 1):  # the fold itself
        for j in range(i + 1):
            x, y = right - fold + j, top + i
            if 0 <= x < n:
                px[y][x] = BLACK if (j == 0 or i == fold) else LIGHT_GREY
    cx, cy, r = 12 * s, 13 * s, 4.2 * s  # red disc
    for y in range(n):
        for x in range(n):
            if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= r:
                px[y][x] = RED
    for y in range(round(14 * s), round(24 * s)):  # blue triangle
        half = (y - round(14 * s)) / 2.0
        for x in range(n):
            if abs(x + 0.5 - 20 * s) <= half:
                px[y][x] = BLUE
    for x in range(round(8 * s), round(23 * s)):  # green line
        y = round(25 * s)
        px[y][x] = GREEN
        if n >= 32:
            px[y + 1][x] = GREEN
    return px


def icon_image(n):
    px = icon_pixels(n)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
    stride = ((4 * n + 31) // 32) * 4
    xor = b""
    for row in reversed(px):
        data = bytearray(stride)
        for x, c in enumerate(row):
            v = 0 if c is None else c
            data[x // 2] |= v << (4 if x % 2 == 0 else 0)
        xor += bytes(data)
    mask_stride = ((n + 31) // 32) * 4
    and_ = b""
    for row in reversed(px):
        data = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c is None:
                data[x // 8] |= 0x80 >> (x % 8)
        and_ += bytes(data)
    return header + colours + xor + and_


def icon():
    images = [icon_image(32), icon_image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, image in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "view")
    os.makedirs(folder, exist_ok=True)
    files = {
        "zoom.cur": cursor(magnifier(), 8, 8),
        "push.cur": cursor(art(OPEN_HAND), 9, 14),
        "link.cur": cursor(art(POINTING_HAND), 5, 0),
        "loading.ico": icon(),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
