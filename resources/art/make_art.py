#!/usr/bin/env python3
"""Draws the program's icon and the two banner pictures.

Usage: make_art.py OUTDIR

Writes MAINICON.ico (32 x 32, 16 colours), emblem.bmp (32 x 32, 24-bit, the
icon's picture on the banner navy) and box.bmp (48 x 48, 24-bit, a software
box with a compact disc on a magenta key colour). The pictures are defined in
this file, so the output is the same byte for byte on every run.
"""

import os
import struct
import sys

# The standard Windows 16-colour palette, in index order, as (red, green, blue).
VGA_PALETTE = (
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
)

# One letter per palette index for the pixel map below; '.' is transparent.
EMBLEM_LETTERS = {
    'K': 0, 'M': 1, 'G': 2, 'O': 3, 'N': 4, 'P': 5, 'T': 6, 'S': 7,
    'D': 8, 'R': 9, 'L': 10, 'Y': 11, 'B': 12, 'F': 13, 'A': 14, 'W': 15,
    '.': None,
}

# The emblem: a laboratory flask of green reagent in front of a report sheet
# with a heading, text lines and a bar chart. Top row first.
EMBLEM = (
    "................................",
    "................................",
    "................KKKKKKKKKKK.....",
    "................KWWWWWWWWWKK....",
    "................KWRRRRRRRWKSK...",
    ".......KKKKKKKK.KWRRRRRRWWKSSK..",
    ".......KWSSSSSK.KWWWWWWWWWKKKKK.",
    ".......KKKKKKKK.KWWWWWWWWWWWWWK.",
    "........KWSSSK..KWDDDDDDDDDDDWK.",
    "........KWSSSK..KWWWWWWWWWWWWWK.",
    "........KWSSSK..KWDDDDDDDDDDWWK.",
    "........KWSSSK..KWWWWWWWWWWWWWK.",
    "........KWSSSK..KWDDDDDDDDDDDWK.",
    "........KWSSSK..KWWWWWWWWWWWWWK.",
    ".......KWSSSSSK.KWDDDDDDDDDWWWK.",
    ".......KWSSSSSK.KWWWWWWWWWWWWWK.",
    "......KWSSSSSSSKKWWWWWWWWWWWWWK.",
    "......KWSSSSSSSKKWWWWWWWWWWBWWK.",
    ".....KWSSSSSSSSSKWWWWWWBWWWBWWK.",
    ".....KLLLLLLLLGGKWWWWWWBWBWBWWK.",
    "....KLLLLLLLLLLGGKWWWBWBWBWBWWK.",
    "....KLLLLLLLLLLWGKWWWBWBWBWBWWK.",
    "...KLLLLLWLLLLLLGGKWWBWBWBWBWWK.",
    "...KLLLLLLLLLLLLGGKWWWWWWWWWWWK.",
    "..KLLLLLLLLLLWLLLGGKKKKKKKKKKKK.",
    "..KLLLWLLLLLLLLLLGGK............",
    ".KLLLLLLLLWLLLLLLLGGK...........",
    ".KLLLLLLLLLLLLLLLLGGK...........",
    ".KLLLLLLLLLLLLLLLLGGK...........",
    "..KKKKKKKKKKKKKKKKKK............",
    "................................",
    "................................",
)

EMBLEM_SIZE = 32
# The banner behind Image1; the emblem bitmap is drawn opaque, so the icon's
# transparent pixels take this colour there.
BANNER_NAVY = (0, 0, 128)

BOX_SIZE = 48
# Image2 treats the colour of its bottom-left pixel as transparent, so the
# background is filled with a colour that the drawing itself never uses.
BOX_KEY = (255, 0, 255)


def emblem_indices():
    """The emblem as rows of palette indices (None where transparent)."""
    if len(EMBLEM) != EMBLEM_SIZE or any(len(r) != EMBLEM_SIZE for r in EMBLEM):
        raise ValueError('emblem map must be 32 x 32')
    return [[EMBLEM_LETTERS[c] for c in row] for row in EMBLEM]


def bmp24(rows):
    """A 24-bit bottom-up BMP file from top-down rows of (r, g, b)."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        for r, g, b in row:
            data += bytes((b, g, r))
        data += bytes(stride - width * 3)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0,
                       len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    head = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    return head + info + bytes(data)


def ico4(indices):
    """A one-image .ico: 4 bits per pixel, VGA palette, XOR image + AND mask.

    Transparent pixels are index 0 in the XOR image and set in the AND mask,
    the usual form, so they show the background on every Windows version.
    """
    size = len(indices)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(indices):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, idx in enumerate(row):
            if idx is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                idx = 0
            line[x // 2] |= idx << 4 if x % 2 == 0 else idx
        xor += line
        mask += bits
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in VGA_PALETTE)
    # biHeight counts the XOR image and the mask together.
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    image = info + palette + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4,
                        len(image), len(directory) + 16)
    return directory + entry + image


def emblem_rgb(indices):
    """The emblem as the banner shows it: transparent pixels become navy."""
    return [[BANNER_NAVY if i is None else VGA_PALETTE[i] for i in row]
            for row in indices]


class Canvas:
    """A pixel grid for the box picture; None marks untouched background.

    Shapes are tested at pixel centres with integer arithmetic on doubled
    coordinates, so nothing depends on floating-point rounding.
    """

    def __init__(self, size):
        self.size = size
        self.px = [[None] * size for _ in range(size)]

    def fill_convex(self, corners, colour):
        """Fills a convex polygon given clockwise (on screen) by its corners."""
        pts = [(2 * x, 2 * y) for x, y in corners]
        for y in range(self.size):
            for x in range(self.size):
                cx, cy = 2 * x + 1, 2 * y + 1
                inside = True
                for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]):
                    if (bx - ax) * (cy - ay) - (by - ay) * (cx - ax) < 0:
                        inside = False
                        break
                if inside:
                    self.px[y][x] = colour

    def set(self, x, y, colour):
        self.px[y][x] = colour


def mix(a, b, num, den):
    """a blended towards b by num/den, rounded down."""
    return tuple(p + (q - p) * num // den for p, q in zip(a, b))


def hue(h):
    """A saturated colour for a hue h in 0..1535 (six 256-step sextants)."""
    s, f = divmod(h % 1536, 256)
    return ((255, f, 0), (255 - f, 255, 0), (0, 255, f),
            (0, 255 - f, 255), (f, 0, 255), (255, 0, 255 - f))[s]


def pseudo_angle(dx, dy):
    """A monotonic stand-in for the angle of (dx, dy), 0..1535 per turn."""
    ax, ay = abs(dx), abs(dy)
    t = 384 * ay // (ax + ay) if ax + ay else 0
    if dx >= 0 and dy >= 0:
        return t
    if dx < 0 and dy >= 0:
        return 768 - t
    if dx < 0:
        return 768 + t
    return (1536 - t) % 1536


# Box faces: oblique view with the front face, the lid and the right side.
BOX_FRONT = ((3, 14), (27, 14), (27, 45), (3, 45))
BOX_TOP = ((12, 6), (36, 6), (27, 14), (3, 14))
BOX_SIDE = ((27, 14), (36, 6), (36, 37), (27, 45))

RED = (214, 38, 36)
RED_LIGHT = (246, 118, 96)
RED_DARK = (140, 18, 24)
OUTLINE = (70, 6, 10)
BAND = (255, 214, 40)
BAND_DARK = (196, 150, 16)
WHITE = (255, 255, 255)

# Compact disc, centre on a pixel corner, radii in pixels.
DISC_CX, DISC_CY = 32, 34
DISC_R = 12
DISC_SILVER = (206, 208, 216)
DISC_EDGE = (96, 98, 112)
DISC_HUB = (236, 238, 242)
DISC_HUB_EDGE = (150, 152, 164)


def draw_box():
    """The software package box with a compact disc leaning in front of it."""
    c = Canvas(BOX_SIZE)
    c.fill_convex(BOX_SIDE, RED_DARK)
    c.fill_convex(BOX_TOP, RED_LIGHT)
    c.fill_convex(BOX_FRONT, RED)
    # A yellow band round the box, running back along the side face.
    for x in range(3, 27):
        for y in (19, 20, 21, 22):
            c.set(x, y, BAND)
    for x in range(27, 36):
        drop = (x - 27 + 1) * 8 // 9
        for y in (19, 20, 21, 22):
            c.set(x, y - drop, BAND_DARK)
    # Title lines on the front face.
    for x in range(6, 20):
        c.set(x, 26, WHITE)
    for x in range(6, 16):
        c.set(x, 29, WHITE)
    box = [row[:] for row in c.px]
    # Dark outline round the silhouette, light ridge along the lid's front edge.
    for y in range(BOX_SIZE):
        for x in range(BOX_SIZE):
            if box[y][x] is None:
                continue
            if any(box[y + dy][x + dx] is None
                   for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                c.set(x, y, OUTLINE)
    for x in range(4, 27):
        c.set(x, 14, (255, 190, 170))
    # The disc.
    r2 = (2 * DISC_R) ** 2
    for y in range(BOX_SIZE):
        for x in range(BOX_SIZE):
            dx, dy = 2 * x + 1 - 2 * DISC_CX, 2 * y + 1 - 2 * DISC_CY
            d2 = dx * dx + dy * dy
            if d2 >= r2:
                continue
            if d2 >= (2 * DISC_R - 2) ** 2:
                col = DISC_EDGE
            elif d2 >= 10 ** 2:
                # Data area: a white glint along one diagonal, elsewhere
                # silver with a rainbow sheen that turns with the angle and
                # is stronger on the two quadrants across the glint.
                if dx * dy >= 0 and abs(dx - dy) < 6:
                    col = WHITE
                else:
                    col = mix(DISC_SILVER, hue(2 * pseudo_angle(dx, dy)),
                              2, 6 if dx * dy < 0 else 9)
            elif d2 >= 8 ** 2:
                col = DISC_HUB_EDGE
            elif d2 >= 4 ** 2:
                col = DISC_HUB
            elif d2 >= 2 ** 2:
                col = DISC_HUB_EDGE
            else:
                continue  # the centre hole shows what lies behind
            c.set(x, y, col)
    rows = []
    for row in c.px:
        for p in row:
            if p == BOX_KEY:
                raise ValueError('box picture uses its own key colour')
        rows.append([BOX_KEY if p is None else p for p in row])
    return rows


def main(argv):
    if len(argv) != 2:
        sys.stderr.write('usage: make_art.py OUTDIR\n')
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    indices = emblem_indices()
    files = {
        'MAINICON.ico': ico4(indices),
        'emblem.bmp': bmp24(emblem_rgb(indices)),
        'box.bmp': bmp24(draw_box()),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
