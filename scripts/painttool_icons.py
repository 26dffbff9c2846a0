#!/usr/bin/env python3
"""Draws the 24 x 24 icons of the drawing-tool bar into app/images/painttools/."""
import math
import os
import struct
import sys
import zlib

W = H = 24


class Icon:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * W for _ in range(H)]

    def dot(self, x, y, c):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def line(self, x0, y0, x1, y1, c, dotted=False):
        n = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
        for i in range(n + 1):
            if dotted and i % 3 == 2:
                continue
            t = i / n
            self.dot(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, c)

    def rect(self, x0, y0, x1, y1, c, fill=False):
        if fill:
            for y in range(y0, y1 + 1):
                self.line(x0, y, x1, y, c)
        else:
            self.line(x0, y0, x1, y0, c)
            self.line(x0, y1, x1, y1, c)
            self.line(x0, y0, x0, y1, c)
            self.line(x1, y0, x1, y1, c)

    def arc(self, cx, cy, rx, ry, a0, a1, c):
        for i in range(200):
            a = math.radians(a0 + (a1 - a0) * i / 199)
            self.dot(cx + rx * math.cos(a), cy - ry * math.sin(a), c)

    def poly(self, pts, c):
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for i in range(len(pts)):
                (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
                if y0 != y1 and min(y0, y1) <= y < max(y0, y1):
                    xs.append(x0 + (y - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                self.line(a, y, b, y, c)

    def png(self, path):
        raw = b"".join(b"\x00" + b"".join(struct.pack("4B", *p) for p in row) for row in self.px)
        def chunk(t, d):
            return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
        data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0))
        data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(data)


WHITE = (230, 230, 230, 255)
YELLOW = (255, 215, 0, 255)
RED = (255, 61, 61, 255)
GREEN = (15, 195, 81, 255)
BLUE = (70, 150, 255, 255)


def make(name, draw):
    i = Icon()
    draw(i)
    i.png(os.path.join(OUT, name))


def fan(i, n):
    for k in range(n):
        i.line(3, 20, 21, 20 - 18 * (k + 1) / n, WHITE, dotted=k != n - 1)


def hlines(i, ys):
    for k, y in enumerate(ys):
        i.line(2, y, 21, y, YELLOW if k in (0, len(ys) - 1) else WHITE, dotted=k not in (0, len(ys) - 1))


ICONS = {
    "mouse.png": lambda i: (i.poly([(7, 3), (7, 19), (11, 15), (14, 21), (16, 20), (13, 14), (18, 14)], WHITE)),
    "segment.png": lambda i: (i.line(4, 19, 19, 4, WHITE), i.rect(2, 17, 5, 20, YELLOW, True), i.rect(18, 3, 21, 6, YELLOW, True)),
    "line.png": lambda i: (i.line(0, 22, 23, 1, WHITE), i.rect(7, 13, 10, 16, YELLOW, True), i.rect(14, 7, 17, 10, YELLOW, True)),
    "speed_block.png": lambda i: fan(i, 3),
    "gann_line.png": lambda i: (fan(i, 5), i.line(3, 2, 3, 20, WHITE), i.line(3, 20, 21, 20, WHITE)),
    "golden_line.png": lambda i: hlines(i, [3, 7, 10, 12, 15, 20]),
    "golden_price.png": lambda i: (hlines(i, [4, 8, 12, 16, 20]), i.rect(2, 10, 5, 13, RED, True)),
    "band_line.png": lambda i: hlines(i, [3, 9, 12, 16, 20]),
    "percentage_line.png": lambda i: hlines(i, [3, 6, 9, 12, 15, 18, 21]),
    "trend_line.png": lambda i: (i.line(2, 20, 9, 6, WHITE), i.line(9, 6, 15, 14, WHITE), i.line(15, 14, 22, 2, WHITE)),
    "linear_regression.png": lambda i: (i.line(2, 18, 21, 6, WHITE), [i.dot(x, 18 - (x - 2) * 12 / 19 + (3 if x % 4 < 2 else -3), YELLOW) for x in range(2, 22, 2)]),
    "linear_regression_band.png": lambda i: [i.line(2, 18 + d, 21, 6 + d, c) for d, c in ((-5, BLUE), (0, WHITE), (5, BLUE))],
    "regression_channel.png": lambda i: [(i.line(2, 18 + d, 14, 10 + d, c), i.line(14, 10 + d, 22, 5 + d, c, True)) for d, c in ((-5, BLUE), (0, WHITE), (5, BLUE))],
    "cycle_line.png": lambda i: [i.line(x, 2, x, 21, WHITE) for x in (3, 9, 15, 21)],
    "fibonacci_sequence.png": lambda i: [i.line(x, 2, x, 21, WHITE) for x in (2, 4, 6, 9, 14, 22)],
    "text.png": lambda i: (i.line(5, 4, 19, 4, WHITE), i.line(5, 5, 19, 5, WHITE), i.line(12, 4, 12, 20, WHITE), i.line(11, 4, 11, 20, WHITE), i.line(9, 20, 14, 20, WHITE)),
    "rect.png": lambda i: i.rect(3, 5, 20, 18, WHITE),
    "circle.png": lambda i: i.arc(11.5, 11.5, 9, 9, 0, 360, WHITE),
    "circular_arc.png": lambda i: (i.arc(11.5, 16, 9, 11, 0, 180, WHITE), i.line(2, 16, 21, 16, WHITE, True)),
    "up.png": lambda i: i.poly([(12, 3), (5, 11), (9, 11), (9, 20), (15, 20), (15, 11), (19, 11)], RED),
    "down.png": lambda i: i.poly([(12, 21), (5, 13), (9, 13), (9, 4), (15, 4), (15, 13), (19, 13)], GREEN),
    "velmora.png": lambda i: (hlines(i, [4, 12, 20]), fan(i, 3), [i.line(x, 2, x, 21, (214, 107, 107, 255)) for x in (5, 8, 13)]),
    "clear.png": lambda i: (i.line(4, 4, 19, 19, RED), i.line(4, 5, 18, 19, RED), i.line(19, 4, 4, 19, RED), i.line(18, 4, 4, 18, RED)),
}

if __name__ == "__main__":
    OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "app", "images", "painttools")
    os.makedirs(OUT, exist_ok=True)
    for name, draw in ICONS.items():
        make(name, draw)
