#!/usr/bin/env python3
"""Draws the model pictures a/model.bmp and b/model.bmp: 130 by 110 pixels, 4 bits per pixel,
uncompressed, with the standard 16-colour palette and palette index 13 as the background.
Run once after changing a picture; the build uses the committed files."""
import os
import struct

WIDTH, HEIGHT = 130, 110
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_BLUE, SILVER, GREY, BLUE, BACKGROUND, CYAN, WHITE, GREEN, YELLOW = (
    0, 4, 7, 8, 12, 13, 14, 15, 10, 11)

GLYPHS = {  # 5 by 7 letters for the model badge
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
}


class Canvas:
    def __init__(self):
        self.pixels = [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(max(y0, 0), min(y1, HEIGHT - 1) + 1):
            for x in range(max(x0, 0), min(x1, WIDTH - 1) + 1):
                self.pixels[y][x] = colour

    def box(self, x0, y0, x1, y1, colour, edge=BLACK):
        self.fill(x0, y0, x1, y1, edge)
        self.fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, colour)

    def disc(self, cx, cy, r, colour, edge=BLACK):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if d <= r * r and 0 <= x < WIDTH and 0 <= y < HEIGHT:
                    self.pixels[y][x] = edge if d > (r - 1) ** 2 else colour

    def letter(self, x0, y0, char, colour, scale=2):
        for row, bits in enumerate(GLYPHS[char]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    self.fill(x0 + col * scale, y0 + row * scale,
                              x0 + col * scale + scale - 1, y0 + row * scale + scale - 1, colour)

    def bmp(self):
        stride = (WIDTH * 4 + 31) // 32 * 4
        rows = []
        for y in range(HEIGHT - 1, -1, -1):  # bottom-up
            line = self.pixels[y] + [0]
            data = bytes((line[x] << 4) | line[x + 1] for x in range(0, WIDTH, 2))
            rows.append(data + bytes(stride - len(data)))
        bits = b"".join(rows)
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
        offset = 14 + 40 + len(palette)
        header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(bits), 2835, 2835,
                           16, 16)
        return header + info + palette + bits


def model_a():
    """Kelvra-A: a wide roll printer on a two-legged stand with a paper basket."""
    c = Canvas()
    c.box(20, 50, 110, 96, GREY)          # stand frame behind the basket
    c.fill(22, 52, 108, 94, BACKGROUND)
    c.box(24, 60, 106, 80, WHITE)         # paper falling into the basket
    c.box(8, 22, 122, 52, SILVER)         # body
    c.box(14, 14, 116, 24, GREY)          # roll cover
    c.disc(20, 19, 4, WHITE)              # roll ends
    c.disc(110, 19, 4, WHITE)
    c.box(88, 28, 116, 44, DARK_BLUE)     # control panel
    c.fill(92, 32, 104, 36, CYAN)         # display
    c.fill(108, 32, 112, 36, GREEN)       # status lamp
    c.fill(12, 46, 84, 48, BLACK)         # output slot
    c.box(16, 96, 30, 102, GREY)          # feet
    c.box(100, 96, 114, 102, GREY)
    c.letter(20, 28, "A", BLUE)
    return c


def model_b():
    """Kelvra-B: a compact printer with a front sheet tray on a stand with castors."""
    c = Canvas()
    c.box(30, 58, 36, 98, GREY)           # stand legs
    c.box(94, 58, 100, 98, GREY)
    c.box(26, 84, 104, 88, GREY)          # cross bar
    c.box(18, 26, 112, 60, WHITE)         # body
    c.fill(19, 27, 111, 32, BLUE)         # blue band along the top
    c.box(40, 52, 96, 68, SILVER)         # front sheet tray
    c.fill(44, 56, 92, 58, WHITE)
    c.box(24, 38, 46, 50, DARK_BLUE)      # control panel on the left
    c.fill(27, 41, 39, 45, CYAN)
    c.fill(41, 41, 44, 45, YELLOW)
    c.disc(33, 101, 5, BLACK, BLACK)      # castors
    c.disc(97, 101, 5, BLACK, BLACK)
    c.disc(33, 101, 2, GREY, GREY)
    c.disc(97, 101, 2, GREY, GREY)
    c.letter(96, 38, "B", BLUE)
    return c


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for folder, draw in (("a", model_a), ("b", model_b)):
        with open(os.path.join(here, folder, "model.bmp"), "wb") as out:
            out.write(draw().bmp())
