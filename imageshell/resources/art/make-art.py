#!/usr/bin/env python3
"""Draws lumetta32's icons and hand cursors and writes them as .ico/.cur files.

    make-art.py OUTPUT_FOLDER

The pictures are drawn from the character maps below, so they can be changed in a text editor and
redrawn; the results are small and kept beside this script, so the build needs no Python.
  lumetta.ico        icon 2000: a framed landscape under a lit lamp
  lumetta-blink.ico  icon 2001: the same with the lamp dark (the About box blinks between the two)
  hand.cur           the open hand the viewer shows over a draggable image
  hand-closed.cur    the closed hand while dragging
"""
import struct
import sys
from pathlib import Path

# 32 x 32 colour pictures; each character is a palette entry, '.' is transparent.
PALETTE = {
    'k': (0, 0, 0), 'w': (255, 255, 255), 'g': (128, 128, 128), 'l': (192, 192, 192),
    'b': (40, 90, 200), 's': (120, 180, 240), 'G': (30, 140, 60), 'd': (20, 90, 40),
    'y': (255, 220, 40), 'o': (230, 140, 20), 'n': (110, 70, 30), 'r': (200, 40, 40),
}

def landscape(lamp):
    rows = []
    for y in range(32):
        row = []
        for x in range(32):
            c = '.'
            if 2 <= x <= 29 and 4 <= y <= 27:
                if x in (2, 29) or y in (4, 27):
                    c = 'n'            # the wooden frame
                elif x in (3, 28) or y in (5, 26):
                    c = 'o'
                else:
                    c = 's'            # sky
                    hill = 20 - abs(x - 12) // 2
                    far = 18 - abs(x - 22) // 3
                    if y >= far:
                        c = 'd'
                    if y >= hill:
                        c = 'G'
                    dx, dy = x - 22, y - 10
                    if dx * dx + dy * dy <= 12:
                        c = lamp
            row.append(c)
        rows.append(''.join(row))
    # A shadow on the right and bottom edges gives the frame some depth.
    for y in range(5, 29):
        rows[y] = rows[y][:30] + 'g' + rows[y][31:]
    rows[28] = rows[28][:3] + 'g' * 28 + rows[28][31:]
    return rows

# 32 x 32 cursor masks: 'k' black, 'w' white, '.' transparent. Hot spot in the palm.
OPEN_HAND = """
................................
................................
..............kk................
..........kk.kwwkkk.............
.........kwwkkwwkwwk............
.........kwwkkwwkwwk.k..........
..........kwwkkwwkwwkwk.........
..........kwwkkwwkwwkwwk........
...........kwwkwwkwwkwwk........
...........kwwkwwkwwkwwk........
.......kk..kwwwwwwwwkwwk........
......kwwk.kwwwwwwwwwwwk........
......kwwwkkwwwwwwwwwwwk........
.......kwwwkwwwwwwwwwwk.........
........kwwwwwwwwwwwwwk.........
........kwwwwwwwwwwwwwk.........
.........kwwwwwwwwwwwk..........
.........kwwwwwwwwwwwk..........
..........kwwwwwwwwwk...........
..........kwwwwwwwwwk...........
...........kwwwwwwwwk...........
...........kwwwwwwwwk...........
...........kkkkkkkkkk...........
"""

CLOSED_HAND = """
................................
................................
................................
................................
................................
................................
................................
............kk.kk.kk............
...........kwwkwwkwwkk..........
...........kwwwwwwwwkwk.........
..........kkwwwwwwwwwwwk........
.........kwkwwwwwwwwwwwk........
.........kwwwwwwwwwwwwwk........
..........kwwwwwwwwwwwwk........
..........kwwwwwwwwwwwk.........
...........kwwwwwwwwwwk.........
...........kwwwwwwwwwk..........
............kwwwwwwwwk..........
............kwwwwwwwwk..........
............kkkkkkkkkk..........
"""

def pad(text):
    rows = [r for r in text.strip('\n').split('\n')]
    rows = [r.ljust(32, '.')[:32] for r in rows]
    return rows + ['.' * 32] * (32 - len(rows))

def colour_entry(rows):
    """An icon directory entry's image: a 32-bit BITMAPINFOHEADER DIB with its AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 32, 0, 32 * 32 * 4, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    for y in reversed(range(32)):
        bits = 0
        for x in range(32):
            c = rows[y][x]
            if c == '.':
                pixels += b'\0\0\0\0'
                bits |= 1 << (31 - x)
            else:
                r, g, b = PALETTE[c]
                pixels += bytes((b, g, r, 255))
        mask += struct.pack('>I', bits)
    return header + bytes(pixels) + bytes(mask)

def mono_entry(rows):
    """A cursor's image: a 1-bit DIB (XOR plane then AND plane) with black and white."""
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    colours = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    xor = bytearray()
    and_ = bytearray()
    for y in reversed(range(32)):
        xbits = abits = 0
        for x in range(32):
            c = rows[y][x]
            if c == '.':
                abits |= 1 << (31 - x)
            elif c == 'w':
                xbits |= 1 << (31 - x)
        xor += struct.pack('>I', xbits)
        and_ += struct.pack('>I', abits)
    return header + colours + bytes(xor) + bytes(and_)

def write_group(path, kind, image, colours, hotspot):
    # ICONDIR / ICONDIRENTRY: for cursors the planes and bit-count words hold the hot spot.
    a, b = hotspot if kind == 2 else (1, 32)
    directory = struct.pack('<HHH', 0, kind, 1)
    entry = struct.pack('<BBBBHHII', 32, 32, colours, 0, a, b, len(image), 6 + 16)
    path.write_bytes(directory + entry + image)

def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    out.mkdir(parents=True, exist_ok=True)
    write_group(out / 'lumetta.ico', 1, colour_entry(landscape('y')), 0, None)
    write_group(out / 'lumetta-blink.ico', 1, colour_entry(landscape('l')), 0, None)
    write_group(out / 'hand.cur', 2, mono_entry(pad(OPEN_HAND)), 2, (15, 14))
    write_group(out / 'hand-closed.cur', 2, mono_entry(pad(CLOSED_HAND)), 2, (15, 13))

if __name__ == '__main__':
    main()
