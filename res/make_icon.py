#!/usr/bin/env python3
"""Draws the application icon: a 32 x 32, 8 bits per pixel clock face.

Run it to rebuild lumivane.ico; the file it writes is committed beside it.
Plain Python, no imaging library: the ICO holds one BITMAPINFOHEADER image
with a 256-entry palette, the pixel indices bottom-up, then the AND mask.
"""
import math
import struct
import sys

SIZE = 32
# Palette indices; the rest of the 256 entries are black.
TRANSPARENT, FACE, RIM, INK, HAND, ACCENT = 0, 1, 2, 3, 4, 5
PALETTE = {
    TRANSPARENT: (0, 0, 0),
    FACE: (245, 245, 245),
    RIM: (70, 90, 140),
    INK: (1, 1, 1),
    HAND: (30, 30, 30),
    ACCENT: (200, 60, 40),
}


def draw():
    c = (SIZE - 1) / 2.0
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            r = math.hypot(x - c, y - c)
            if r <= 15.2:
                px[y][x] = RIM if r > 13.2 else FACE
    # Twelve dots on a ring, clockwise from 12.
    for n in range(12):
        a = math.pi / 2 - n * math.pi / 6
        x = round(c + 10.5 * math.cos(a))
        y = round(c - 10.5 * math.sin(a))
        px[y][x] = INK
    # Hands at ten past ten: hour then minute, minute in the accent colour.
    for angle, length, colour in ((math.radians(150 - 5), 6.0, HAND),
                                  (math.radians(30), 9.5, ACCENT)):
        for i in range(int(length * 4) + 1):
            t = i / 4.0
            x = round(c + t * math.cos(angle))
            y = round(c - t * math.sin(angle))
            px[y][x] = colour
    return px


def ico(px):
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b''.join(struct.pack('<BBBB', *reversed(PALETTE.get(i, (0, 0, 0))), 0)
                       for i in range(256))
    rows = bytes(v for row in reversed(px) for v in row)
    mask = b''
    for row in reversed(px):
        bits = 0
        for x, v in enumerate(row):
            if v == TRANSPARENT:
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack('>I', bits)
    image = header + palette + rows + mask
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else 'lumivane.ico'
    with open(out, 'wb') as f:
        f.write(ico(draw()))
