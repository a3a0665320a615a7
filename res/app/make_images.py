#!/usr/bin/env python3
"""Draws the toolbar strip and the application icon and writes them as PNG files.

Run from anywhere: python3 res/app/make_images.py. Standard library only.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

GREY = (192, 192, 192, 255)
BLACK = (0, 0, 0, 255)


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a)."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# A small proportional pixel font: cap height 7, x-height 5, descender 2.
# Each glyph is 9 rows (2 ascender rows above x-height included), '#' = ink.
GLYPHS = {
    "S": [" ### ", "#   #", "#    ", " ### ", "    #", "#   #", " ### ", "     ", "     "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #", "     ", "     "],
    "e": ["    ", "    ", " ## ", "#  #", "####", "#   ", " ###", "    ", "    "],
    "t": ["   ", " # ", "###", " # ", " # ", " # ", "  #", "   ", "   "],
    "u": ["    ", "    ", "#  #", "#  #", "#  #", "#  #", " ###", "    ", "    "],
    "n": ["    ", "    ", "### ", "#  #", "#  #", "#  #", "#  #", "    ", "    "],
    "r": ["   ", "   ", "# #", "## ", "#  ", "#  ", "#  ", "   ", "   "],
    "a": ["    ", "    ", " ## ", "   #", " ###", "#  #", " ###", "    ", "    "],
    "d": ["   #", "   #", " ###", "#  #", "#  #", "#  #", " ###", "    ", "    "],
    "s": ["    ", "    ", " ###", "#   ", " ## ", "   #", "### ", "    ", "    "],
    "c": ["    ", "    ", " ###", "#   ", "#   ", "#   ", " ###", "    ", "    "],
    "o": ["    ", "    ", " ## ", "#  #", "#  #", "#  #", " ## ", "    ", "    "],
    "p": ["    ", "    ", "### ", "#  #", "#  #", "#  #", "### ", "#   ", "#   "],
}


def text_width(text):
    return sum(len(GLYPHS[c][0]) for c in text) + len(text) - 1


def draw_text(img, text, x0, y0):
    x = x0
    for c in text:
        glyph = GLYPHS[c]
        for gy, line in enumerate(glyph):
            for gx, ch in enumerate(line):
                if ch == "#":
                    img[y0 + gy][x + gx] = BLACK
        x += len(glyph[0]) + 1


def toolbar_strip():
    width, height = 62 * 4, 15
    img = [[GREY] * width for _ in range(height)]
    top = 3  # glyph rows 0..8 -> image rows 3..11, centred in 15
    for i, word in enumerate(["Set", "Run", None, "Strandscope"]):
        left = 62 * i
        if word is None:
            # A left-pointing arrow: head at the left, shaft to the right.
            cy = 7
            for dx in range(0, 7):
                for dy in range(-dx, dx + 1):
                    img[cy + dy][left + 18 + dx] = BLACK
            for x in range(left + 25, left + 44):
                for dy in (-1, 0, 1):
                    img[cy + dy][x] = BLACK
            continue
        w = text_width(word)
        draw_text(img, word, left + (62 - w) // 2, top)
    write_png(os.path.join(HERE, "toolbar.png"), width, height, img)


# The icon: a walk of coloured unit steps (left red, up blue, down cyan, right green,
# as the default colours) on white, with a dark frame.
STEPS = "RRRUUURRDDRRRUUUUULLLUURRRRRRDDDDDDDRRUU"
COLORS = {"L": (255, 0, 0), "U": (0, 0, 255), "D": (0, 200, 200), "R": (0, 170, 0)}


def icon(size):
    img = [[(0, 0, 0, 0)] * size for _ in range(size)]
    # Rounded white tile with a grey border.
    r = max(2, size // 8)
    for y in range(size):
        for x in range(size):
            cx = min(max(x, r), size - 1 - r)
            cy = min(max(y, r), size - 1 - r)
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if d2 <= r * r:
                edge = d2 > (r - max(1, size // 32)) ** 2 or x < 1 or y < 1 or x >= size - 1 or y >= size - 1
                img[y][x] = (90, 90, 90, 255) if edge else (255, 255, 255, 255)
    for y in range(size):
        for x in range(size):
            border = max(1, size // 32)
            if img[y][x][3] and (x < border or y < border or x >= size - border or y >= size - border):
                img[y][x] = (90, 90, 90, 255)
    # Path geometry in grid units, scaled to the tile.
    pts = [(0, 0)]
    for s in STEPS:
        x, y = pts[-1]
        pts.append({"L": (x - 1, y), "R": (x + 1, y), "U": (x, y - 1), "D": (x, y + 1)}[s])
    minx = min(p[0] for p in pts); maxx = max(p[0] for p in pts)
    miny = min(p[1] for p in pts); maxy = max(p[1] for p in pts)
    span = max(maxx - minx, maxy - miny)
    margin = size * 0.16
    unit = (size - 2 * margin) / span
    ox = (size - (maxx - minx) * unit) / 2 - minx * unit
    oy = (size - (maxy - miny) * unit) / 2 - miny * unit
    pen = max(2, round(size / 20))
    for i, s in enumerate(STEPS):
        (x0, y0), (x1, y1) = pts[i], pts[i + 1]
        ax, ay = ox + x0 * unit, oy + y0 * unit
        bx, by = ox + x1 * unit, oy + y1 * unit
        rgb = COLORS[s]
        lo_x, hi_x = sorted((ax, bx)); lo_y, hi_y = sorted((ay, by))
        half = pen / 2
        for y in range(int(lo_y - half), int(hi_y + half) + 1):
            for x in range(int(lo_x - half), int(hi_x + half) + 1):
                if 0 <= x < size and 0 <= y < size and lo_x - half <= x + 0.5 <= hi_x + half and lo_y - half <= y + 0.5 <= hi_y + half:
                    img[y][x] = rgb + (255,)
    return img


def main():
    toolbar_strip()
    for size in (16, 32, 48, 64, 128, 256):
        write_png(os.path.join(HERE, "lirovane-%d.png" % size), size, size, icon(size))


if __name__ == "__main__":
    main()
