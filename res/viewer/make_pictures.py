#!/usr/bin/env python3
"""Draws the sixteen 49 x 48 16-colour pictures of the viewer's buttons.

Each button has an up picture (NAMEU: raised red face) and a down picture
(NAMED: sunken teal face, the symbol moved one pixel down and right).
Run from anywhere; the BMP files are written next to this script.
"""

import os
import struct

W, H = 49, 48

# The standard 16-colour palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)


class Picture:
    def __init__(self, fill):
        self.px = [[fill] * W for _ in range(H)]
        self.dx = 0
        self.dy = 0

    def put(self, x, y, c):
        x += self.dx
        y += self.dy
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Fills x0..x1, y0..y1 inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        r0 = -(width // 2)
        r1 = r0 + width
        while True:
            for oy in range(r0, r1):
                for ox in range(r0, r1):
                    self.put(x0 + ox, y0 + oy, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c, ry=None):
        ry = r if ry is None else ry
        for y in range(cy - ry, cy + ry + 1):
            for x in range(cx - r, cx + r + 1):
                if ((x - cx) / (r + 0.5)) ** 2 + ((y - cy) / (ry + 0.5)) ** 2 <= 1.0:
                    self.put(x, y, c)

    def ring(self, cx, cy, r, c, thickness=1):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if r - thickness < d <= r + 0.5:
                    self.put(x, y, c)

    def flood(self, x, y, c, border=BLACK):
        """Fills the 4-connected region around (x, y) up to `border` pixels."""
        x += self.dx
        y += self.dy
        target = self.px[y][x]
        if target in (c, border):
            return
        stack = [(x, y)]
        while stack:
            x, y = stack.pop()
            if 0 <= x < W and 0 <= y < H and self.px[y][x] == target:
                self.px[y][x] = c
                stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]

    def outline(self, points, c):
        n = len(points)
        for i in range(n):
            (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
            self.line(xa, ya, xb, yb, c)


def face(down):
    """The button face: raised red, or sunken teal."""
    if not down:
        p = Picture(RED)
        p.frame(0, 0, W - 1, H - 1, BLACK)
        for i in (1, 2):
            p.line(i, i, W - 1 - i, i, WHITE)
            p.line(i, i, i, H - 1 - i, WHITE)
        p.line(1, H - 2, W - 2, H - 2, MAROON)
        p.line(W - 2, 1, W - 2, H - 2, MAROON)
        p.line(2, H - 3, W - 3, H - 3, MAROON)
        p.line(W - 3, 2, W - 3, H - 3, MAROON)
    else:
        p = Picture(TEAL)
        p.frame(0, 0, W - 1, H - 1, BLACK)
        p.line(1, 1, W - 2, 1, BLACK)
        p.line(1, 1, 1, H - 2, BLACK)
        p.line(2, 2, W - 3, 2, GREY)
        p.line(2, 2, 2, H - 3, GREY)
        p.line(2, H - 2, W - 2, H - 2, CYAN)
        p.line(W - 2, 2, W - 2, H - 2, CYAN)
        p.dx = p.dy = 1
    return p


def floppy(p):
    body = [(11, 9), (34, 9), (38, 13), (38, 38), (11, 38)]
    p.outline(body, BLACK)
    p.flood(20, 30, NAVY)
    p.rect(16, 10, 32, 19, SILVER)       # metal shutter
    p.frame(16, 10, 32, 19, BLACK)
    p.rect(27, 12, 30, 17, NAVY)         # shutter window
    p.rect(15, 25, 34, 37, WHITE)        # label
    p.frame(15, 25, 34, 37, BLACK)
    for y in (28, 31, 34):
        p.line(17, y, 32, y, BLUE)


def palette_and_brush(p):
    p.disc(22, 26, 14, BLACK, ry=11)      # palette with its outline
    p.disc(22, 26, 13, YELLOW, ry=10)
    p.disc(14, 31, 3, BLACK)              # thumb hole
    p.disc(14, 31, 2, p.px[24][4])
    for x, y, c in ((15, 22, BLUE), (22, 19, LIME), (29, 21, MAGENTA), (31, 29, NAVY), (22, 32, PURPLE)):
        p.disc(x, y, 2, c)
    p.line(41, 5, 29, 22, OLIVE, width=3)  # handle
    p.line(29, 22, 25, 28, SILVER, width=3)  # ferrule
    p.line(25, 28, 22, 33, BLACK, width=3)  # bristles
    p.put(21, 35, BLACK)


def arrow(p, right):
    pts = [(9, 19), (25, 19), (25, 10), (40, 24), (25, 38), (25, 29), (9, 29)]
    if not right:
        pts = [(48 - 1 - x, y) for x, y in pts]
    p.outline(pts, BLACK)
    p.flood(20, 24, WHITE)


def magnifier(p, plus):
    p.line(31, 31, 39, 39, BLACK, width=5)
    p.line(32, 32, 38, 38, OLIVE, width=2)
    p.disc(20, 20, 12, BLACK)
    p.disc(20, 20, 9, CYAN)
    p.disc(16, 16, 2, WHITE)
    p.rect(14, 19, 26, 21, BLACK)
    if plus:
        p.rect(19, 14, 21, 26, BLACK)


def camera(p):
    p.rect(13, 11, 22, 15, GREY)          # viewfinder housing
    p.frame(13, 11, 22, 15, BLACK)
    p.rect(31, 12, 35, 15, YELLOW)        # flash
    p.frame(31, 12, 35, 15, BLACK)
    p.rect(7, 15, 41, 37, GREY)           # body
    p.frame(7, 15, 41, 37, BLACK)
    p.rect(8, 16, 40, 19, SILVER)
    p.disc(24, 27, 9, BLACK)
    p.disc(24, 27, 7, SILVER)
    p.disc(24, 27, 5, NAVY)
    p.disc(22, 25, 1, WHITE)


def clipboard(p):
    p.rect(10, 8, 38, 41, OLIVE)          # board
    p.frame(10, 8, 38, 41, BLACK)
    p.rect(14, 12, 34, 38, WHITE)         # sheet
    p.frame(14, 12, 34, 38, BLACK)
    p.rect(18, 5, 30, 11, SILVER)         # clip
    p.frame(18, 5, 30, 11, BLACK)
    p.rect(22, 6, 26, 7, BLACK)
    for y, end in ((17, 31), (21, 29), (25, 31), (29, 27), (33, 30)):
        p.line(17, y, end, y, BLUE if y == 17 else BLACK)


SYMBOLS = {
    "LOAD": floppy,
    "DRAW": palette_and_brush,
    "FOR": lambda p: arrow(p, True),
    "BACK": lambda p: arrow(p, False),
    "ZOOMIN": lambda p: magnifier(p, True),
    "ZOOMOUT": lambda p: magnifier(p, False),
    "CAM": camera,
    "SET": clipboard,
}


def write_bmp(path, picture):
    stride = ((W * 4 + 31) // 32) * 4
    rows = bytearray()
    for y in range(H - 1, -1, -1):        # bottom row first
        row = bytearray(stride)
        for x in range(W):
            c = picture.px[y][x]
            if x % 2 == 0:
                row[x // 2] |= c << 4
            else:
                row[x // 2] |= c
        rows += row
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 0, len(rows), 0, 0, 16, 0)
    with open(path, "wb") as f:
        f.write(header + info + table + rows)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in SYMBOLS.items():
        for suffix, down in (("U", False), ("D", True)):
            p = face(down)
            draw(p)
            write_bmp(os.path.join(here, name + suffix + ".bmp"), p)


if __name__ == "__main__":
    main()
