#!/usr/bin/env python3
"""Draws the card sheets of the sample game (examples/demo/img/).

  cards.png     the face sheet: 13 columns (A, 2, ... K) by 4 rows (the
                suits: diamonds, clubs, hearts, spades), one card per cell
  cardback.png  the back sheet: one row of 3 cells: the back, the small
                joker, the big joker

Every card is CARD_W x CARD_H pixels, the size the sample's layout gives its
card control (CardWidth, CardHeight). The pictures are plain shapes and a
small pixel font, written as RGBA PNG with zlib: Python's standard library
is all it needs, and the same run always writes the same bytes.

  python3 examples/make_cards.py            # writes into examples/demo/img/
  python3 examples/make_cards.py OUT_DIR
"""
import math
import os
import struct
import sys
import zlib

CARD_W, CARD_H = 60, 84
RADIUS = 5          # rounded corners, transparent outside
SAMPLES = 4         # shapes are sampled 4 x 4 per pixel for smooth edges

WHITE = (255, 255, 255)
EDGE = (110, 110, 110)
RED = (200, 24, 40)
BLACK = (28, 28, 28)
BACK_BLUE = (34, 78, 150)
BACK_LINE = (88, 132, 204)

# A 5 x 7 pixel font: the ranks and the letters of "JOKER".
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "2": ["01110", "10001", "00001", "00110", "01000", "10000", "11111"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "7": ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    "9": ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "J": ["00111", "00010", "00010", "00010", "00010", "10010", "01100"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
}
RANKS = ["A", "2", "3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K"]


# ---- Shapes: functions of a point in the unit box [-1, 1] x [-1, 1] ----

def _circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def diamond(x, y):
    return abs(x) / 0.78 + abs(y) <= 1.0


def heart(x, y):
    if _circle(x, y, -0.47, -0.38, 0.5) or _circle(x, y, 0.47, -0.38, 0.5):
        return True
    return -0.45 <= y <= 0.95 and abs(x) <= 0.96 * (0.95 - y) / 1.4


def spade(x, y):
    # A heart upside down above a flared stem.
    stem = 0.15 <= y <= 1.0 and abs(x) <= 0.08 + max(0.0, y - 0.3) * 0.4
    return stem or heart(x / 0.95, -(y + 0.2) / 0.85)


def club(x, y):
    stem = 0.2 <= y <= 1.0 and abs(x) <= 0.08 + (y - 0.2) * 0.3
    return (stem or _circle(x, y, 0.0, -0.5, 0.36) or _circle(x, y, -0.46, 0.1, 0.36)
            or _circle(x, y, 0.46, 0.1, 0.36) or (abs(x) <= 0.3 and -0.3 <= y <= 0.2))


def _star_points():
    points = []
    for i in range(10):
        r = 1.0 if i % 2 == 0 else 0.42
        a = math.pi * i / 5 - math.pi / 2  # the first point up
        points.append((r * math.cos(a), r * math.sin(a)))
    return points


STAR = _star_points()


def star(x, y):
    """A five-pointed star (even-odd test against its ten corners)."""
    inside = False
    j = len(STAR) - 1
    for i, (xi, yi) in enumerate(STAR):
        xj, yj = STAR[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


SUITS = [(diamond, RED), (club, BLACK), (heart, RED), (spade, BLACK)]


# ---- A picture ----

class Picture:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.rgba = bytearray(width * height * 4)

    def blend(self, x, y, colour, coverage):
        if not (0 <= x < self.width and 0 <= y < self.height) or coverage <= 0:
            return
        i = (y * self.width + x) * 4
        a = self.rgba[i + 3] / 255.0
        for c in range(3):
            self.rgba[i + c] = round(self.rgba[i + c] * (1 - coverage) + colour[c] * coverage)
        self.rgba[i + 3] = round(255 * (a + (1 - a) * coverage))

    def shape(self, inside, left, top, width, height, colour):
        """Fills the shape `inside` (unit box) scaled into the rectangle."""
        n = SAMPLES
        for py in range(top, top + height):
            for px in range(left, left + width):
                hits = 0
                for sy in range(n):
                    v = ((py - top) + (sy + 0.5) / n) / height * 2 - 1
                    for sx in range(n):
                        u = ((px - left) + (sx + 0.5) / n) / width * 2 - 1
                        hits += inside(u, v)
                self.blend(px, py, colour, hits / (n * n))

    def text(self, text, left, top, scale, colour, vertical=False):
        x, y = left, top
        for ch in text:
            for row, bits in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        for dy in range(scale):
                            for dx in range(scale):
                                self.blend(x + col * scale + dx, y + row * scale + dy, colour, 1.0)
            if vertical:
                y += 7 * scale + 2
            else:
                x += 5 * scale + scale

    def card(self, left, top, face):
        """A rounded card in the cell at (left, top): `face` colours the
        inside, EDGE the one-pixel border."""
        for y in range(CARD_H):
            for x in range(CARD_W):
                # Distance into the rounded rectangle, sampled for the corners.
                cx = min(max(x + 0.5, RADIUS), CARD_W - RADIUS)
                cy = min(max(y + 0.5, RADIUS), CARD_H - RADIUS)
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                if d > RADIUS:
                    continue
                border = d > RADIUS - 1.2 or x == 0 or y == 0 or x == CARD_W - 1 or y == CARD_H - 1
                colour = EDGE if border else face(x, y)
                self.blend(left + x, top + y, colour, 1.0)

    def png(self):
        rows = b"".join(b"\0" + bytes(self.rgba[y * self.width * 4:(y + 1) * self.width * 4])
                        for y in range(self.height))

        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

        head = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)  # 8-bit RGBA
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(rows, 9)) +
                chunk(b"IEND", b""))


def plain(_x, _y):
    return WHITE


def back_pattern(x, y):
    # A lattice of diagonal lines inside a white margin.
    if x < 4 or y < 4 or x >= CARD_W - 4 or y >= CARD_H - 4:
        return WHITE
    return BACK_LINE if (x + y) % 8 == 0 or (x - y) % 8 == 0 else BACK_BLUE


def face_sheet():
    sheet = Picture(13 * CARD_W, 4 * CARD_H)
    for row, (suit, colour) in enumerate(SUITS):
        for column, rank in enumerate(RANKS):
            left, top = column * CARD_W, row * CARD_H
            sheet.card(left, top, plain)
            # The corner (rank and a small suit) stays visible under the next
            # card of a hand; the big suit fills the middle.
            sheet.text(rank, left + 4, top + 5, 2, colour)
            sheet.shape(suit, left + 4, top + 22, 14, 14, colour)
            sheet.shape(suit, left + 18, top + 36, 32, 36, colour)
    return sheet


def back_sheet():
    sheet = Picture(3 * CARD_W, CARD_H)
    sheet.card(0, 0, back_pattern)
    for cell, colour in ((1, BLACK), (2, RED)):  # small joker, big joker
        left = cell * CARD_W
        sheet.card(left, 0, plain)
        sheet.text("JOKER", left + 4, 4, 2, colour, vertical=True)
        sheet.shape(star, left + 20, 22, 36, 36, colour)
    return sheet


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo", "img")
    os.makedirs(out, exist_ok=True)
    for name, picture in (("cards.png", face_sheet()), ("cardback.png", back_sheet())):
        path = os.path.join(out, name)
        with open(path, "wb") as f:
            f.write(picture.png())
        print("wrote %s (%dx%d)" % (path, picture.width, picture.height))


if __name__ == "__main__":
    main()
