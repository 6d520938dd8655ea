#!/usr/bin/env python3
"""Expected results for the colour-reduction pipeline tests, worked out from the published rules alone.

This is a second, deliberately plain implementation: per-pixel formulas instead of tables, two-dimensional
error arrays instead of a single shared row, brute-force nearest colours instead of a lazily filled inverse
map, and a median cut over the list of occupied cells instead of a scan of the histogram. It writes
ColourExpected.inc (the test images and the index arrays they must produce).

    colour_expected.py            rewrite ColourExpected.inc beside this script
    colour_expected.py --check F  exit 1 when F differs from what this script produces
"""

import os
import sys

# ---------------------------------------------------------------------------------------------- images


class Lcg:
    """A small deterministic generator so that the images are the same on every machine."""

    def __init__(self, seed):
        self.state = seed

    def next(self, bound):
        self.state = (self.state * 1103515245 + 12345) % (1 << 31)
        return (self.state >> 8) % bound


def photo_image(width, height, seed):
    """Smooth gradients with noise, in blue, green, red order: every level and many cells are visited."""
    rng = Lcg(seed)
    pixels = []
    for y in range(height):
        for x in range(width):
            red = min(255, max(0, x * 255 // (width - 1) + rng.next(41) - 20))
            green = min(255, max(0, y * 255 // (height - 1) + rng.next(41) - 20))
            blue = min(255, max(0, (x + y) * 255 // (width + height - 2) + rng.next(41) - 20))
            pixels.append((blue, green, red))
    return pixels


def random_image(count, seed):
    rng = Lcg(seed)
    return [(rng.next(256), rng.next(256), rng.next(256)) for _ in range(count)]


def random_palette(seed):
    """256 entries of red, green, blue."""
    rng = Lcg(seed)
    return [(rng.next(256), rng.next(256), rng.next(256)) for _ in range(256)]


# ------------------------------------------------------------------------------------ fixed palette


LEVELS = {"red": 6, "green": 8, "blue": 5}
WEIGHT = {"blue": 48, "green": 6, "red": 1}

FIRST = [
    [0, 32, 8, 40, 2, 34, 10, 42], [48, 16, 56, 24, 50, 18, 58, 26],
    [12, 44, 4, 36, 14, 46, 6, 38], [60, 28, 52, 20, 62, 30, 54, 22],
    [3, 35, 11, 43, 1, 33, 9, 41], [51, 19, 59, 27, 49, 17, 57, 25],
    [15, 47, 7, 39, 13, 45, 5, 37], [63, 31, 55, 23, 61, 29, 53, 21],
]
# Rows 6, 7, 8, 1, 2, 3, 4, 5 of the first, counting from 1.
SECOND = [FIRST[r - 1] for r in (6, 7, 8, 1, 2, 3, 4, 5)]
THIRD = [
    [44, 28, 35, 19, 47, 31, 32, 16], [4, 52, 11, 59, 7, 55, 8, 56],
    [36, 20, 43, 27, 39, 23, 50, 24], [14, 62, 1, 49, 13, 61, 2, 50],
    [46, 30, 33, 17, 45, 29, 34, 18], [6, 54, 9, 57, 5, 53, 10, 58],
    [38, 22, 41, 26, 37, 21, 42, 26], [12, 60, 3, 51, 15, 63, 0, 48],
]


def level_value(j, n):
    return (j * 255 + (n - 1) // 2) // (n - 1)


def level_of(v, n):
    """The first level whose upper limit reaches v; values outside 0..255 behave like the nearest end."""
    v = min(255, max(0, v))
    for j in range(n):
        if ((2 * j + 1) * 255 + (n - 1)) // (2 * (n - 1)) >= v:
            return j
    return n - 1


def truncating_div(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


def nearest_fixed(pixel):
    blue, green, red = pixel
    return (level_of(blue, 5) * 48 + level_of(green, 8) * 6 + level_of(red, 6))


def ordered_fixed(pixel, row, column):
    """Ordered dither onto the fixed palette: blue on the first matrix, green the second, red the third."""
    index = 0
    for value, name, matrix in zip(pixel, ("blue", "green", "red"), (FIRST, SECOND, THIRD)):
        n = LEVELS[name]
        m = matrix[row][column]
        offset = truncating_div((65 - 2 * m) * 255, 130 * (n - 1))
        index += level_of(value + offset, n) * WEIGHT[name]
    return index


def mode0(pixels):
    return [nearest_fixed(p) for p in pixels]


def mode1(pixels, width, height):
    return [ordered_fixed(pixels[y * width + x], y % 8, x % 8) for y in range(height) for x in range(width)]


def mode2(pixels, width, height):
    """Serpentine Floyd-Steinberg onto the fixed palette with explicit current and next error rows."""
    out = [0] * (width * height)
    above = [[0, 0, 0] for _ in range(width)]  # sixteenths left for each column by the previous row
    for y in range(height):
        below = [[0, 0, 0] for _ in range(width)]
        order = range(width) if y % 2 == 0 else range(width - 1, -1, -1)
        step = 1 if y % 2 == 0 else -1
        carry = [0, 0, 0]
        for x in order:
            index = 0
            for c, name in enumerate(("blue", "green", "red")):
                n = LEVELS[name]
                value = min(255, max(0, pixels[y * width + x][c] + ((carry[c] + above[x][c] + 8) >> 4)))
                j = level_of(value, n)
                index += j * WEIGHT[name]
                error = value - level_value(j, n)
                carry[c] = 7 * error
                for dx, share in ((-step, 3), (0, 5), (step, 1)):
                    if 0 <= x + dx < width:
                        below[x + dx][c] += share * error
            out[y * width + x] = index
        above = below
    return out


def dither15(pixels, width, height):
    """Ordered dither to 15 bits: red on the first matrix, green the second, blue the third. Returns the
    dithered blue, green, red bytes of each pixel."""
    out = []
    for y in range(height):
        for x in range(width):
            row, column = y % 8, x % 8
            dithered = []
            for value, matrix in zip(pixels[y * width + x], (THIRD, SECOND, FIRST)):
                m = matrix[row][column]
                up = 1 if (value & 7) * 63 > (m - 1) * 7 else 0
                dithered.append(min(((value >> 3) + up) << 3, 255))
            out.append(tuple(dithered))
    return out


def mode3(pixels, width, height):
    return [(r >> 3) << 10 | (g >> 3) << 5 | (b >> 3) for b, g, r in dither15(pixels, width, height)]


def mode4(pixels, width, height):
    return [byte for pixel in dither15(pixels, width, height) for byte in pixel]


def through_palette(indexes, palette):
    """Source-palette pixels as blue, green, red."""
    return [(palette[i][2], palette[i][1], palette[i][0]) for i in indexes]


# ---------------------------------------------------------------------------------------- median cut


def cell_of(pixel):
    blue, green, red = pixel
    return (blue >> 3, green >> 2, red >> 3)


def cell_centre(cell):
    return (cell[0] * 8 + 4, cell[1] * 4 + 2, cell[2] * 8 + 4)


EXTENT_WEIGHT = (8, 12, 16)  # blue, green, red


def median_cut(pixels, desired):
    counts = {}
    for p in pixels:
        cell = cell_of(p)
        counts[cell] = min(65535, counts.get(cell, 0) + 1)

    def measure(lo, hi):
        inside = [cell for cell in counts if all(lo[a] <= cell[a] <= hi[a] for a in range(3))]
        lo = tuple(min(cell[a] for cell in inside) for a in range(3))
        hi = tuple(max(cell[a] for cell in inside) for a in range(3))
        volume = sum(((hi[a] - lo[a]) * EXTENT_WEIGHT[a]) ** 2 for a in range(3))
        return {"lo": lo, "hi": hi, "volume": volume, "count": sum(counts[c] for c in inside), "cells": inside}

    boxes = [measure((0, 0, 0), (31, 63, 31))]
    while len(boxes) < desired:
        # Few boxes: split where the pixels are; later: split the widest.
        key = "count" if len(boxes) * 2 <= desired else "volume"
        splittable = [b for b in boxes if b["volume"] > 0]
        if not splittable:
            break
        best = max(b[key] for b in splittable)
        box = next(b for b in boxes if b["volume"] > 0 and b[key] == best)  # the first of the largest
        extents = [(box["hi"][a] - box["lo"][a]) * EXTENT_WEIGHT[a] for a in range(3)]
        axis = 1
        if extents[2] > extents[axis]:
            axis = 2
        if extents[0] > extents[axis]:
            axis = 0
        middle = (box["lo"][axis] + box["hi"][axis]) // 2
        first_hi = list(box["hi"])
        first_hi[axis] = middle
        second_lo = list(box["lo"])
        second_lo[axis] = middle + 1
        boxes[boxes.index(box)] = measure(box["lo"], first_hi)
        boxes.append(measure(second_lo, box["hi"]))

    palette = []  # blue, green, red
    for box in boxes:
        total = sum(counts[c] for c in box["cells"])
        palette.append(tuple(
            (sum(cell_centre(c)[a] * counts[c] for c in box["cells"]) + total // 2) // total for a in range(3)))
    return palette


def nearest_in(palette, pixel):
    """Nearest palette entry to the centre of the pixel's cell; weighted differences squared (blue 1,
    green 3, red 2); ties go to the lower index."""
    centre = cell_centre(cell_of(pixel))
    best, best_distance = 0, None
    for i, colour in enumerate(palette):
        distance = sum(((centre[a] - colour[a]) * w) ** 2 for a, w in zip(range(3), (1, 3, 2)))
        if best_distance is None or distance < best_distance:
            best, best_distance = i, distance
    return best


def limit_error(e):
    magnitude = abs(e)
    if magnitude < 16:
        limited = magnitude
    elif magnitude < 48:
        limited = 16 + (magnitude - 16) // 2
    else:
        limited = 32
    return limited if e >= 0 else -limited


def map_plain(palette, pixels):
    return [nearest_in(palette, p) for p in pixels]


def map_dithered(palette, pixels, width, height):
    out = [0] * (width * height)
    above = [[0, 0, 0] for _ in range(width)]
    for y in range(height):
        below = [[0, 0, 0] for _ in range(width)]
        order = range(width) if y % 2 == 0 else range(width - 1, -1, -1)
        step = 1 if y % 2 == 0 else -1
        carry = [0, 0, 0]
        for x in order:
            value = tuple(
                min(255, max(0, pixels[y * width + x][c] + limit_error((carry[c] + above[x][c] + 8) >> 4)))
                for c in range(3))
            index = nearest_in(palette, value)
            out[y * width + x] = index
            for c in range(3):
                error = value[c] - palette[index][c]
                carry[c] = 7 * error
                for dx, share in ((-step, 3), (0, 5), (step, 1)):
                    if 0 <= x + dx < width:
                        below[x + dx][c] += share * error
        above = below
    return out


# ------------------------------------------------------------------------------------------- output


def c_array(kind, name, values, per_line=24):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append("    " + ", ".join(str(v) for v in values[i:i + per_line]) + ",")
    return "constexpr %s %s[] = {\n%s\n};\n" % (kind, name, "\n".join(lines))


def flat(pixels):
    return [v for p in pixels for v in p]


def generate():
    parts = [
        "// Generated by colour_expected.py from the published colour-reduction rules; do not edit.\n",
        "// Images are blue, green, red; palettes red, green, blue.\n\n",
        "namespace colour_expected {\n\n",
    ]

    width, height = 13, 10
    photo = photo_image(width, height, 20240611)
    parts.append("constexpr int kPhotoWidth = %d;\nconstexpr int kPhotoHeight = %d;\n" % (width, height))
    parts.append(c_array("uint8_t", "kPhoto", flat(photo)))
    parts.append(c_array("uint8_t", "kPhotoMode0", mode0(photo)))
    parts.append(c_array("uint8_t", "kPhotoMode1", mode1(photo, width, height)))
    parts.append(c_array("uint8_t", "kPhotoMode2", mode2(photo, width, height)))
    parts.append(c_array("uint16_t", "kPhotoMode3", mode3(photo, width, height)))
    parts.append(c_array("uint8_t", "kPhotoMode4", mode4(photo, width, height)))

    iwidth, iheight = 11, 9
    palette = random_palette(77)
    rng = Lcg(91)
    indexes = [rng.next(256) for _ in range(iwidth * iheight)]
    as_pixels = through_palette(indexes, palette)
    parts.append("\nconstexpr int kIndexedWidth = %d;\nconstexpr int kIndexedHeight = %d;\n" % (iwidth, iheight))
    parts.append(c_array("uint8_t", "kSourcePalette", flat(palette)))
    parts.append(c_array("uint8_t", "kIndexed", indexes))
    parts.append(c_array("uint8_t", "kIndexedMode1", mode1(as_pixels, iwidth, iheight)))
    parts.append(c_array("uint8_t", "kIndexedMode2", mode2(as_pixels, iwidth, iheight)))

    # Many colours: more occupied cells than palette entries, so both box-selection phases run.
    mwidth, mheight = 24, 16
    many = random_image(mwidth * mheight, 4242)
    many_palette = median_cut(many, 236)
    parts.append("\nconstexpr int kManyWidth = %d;\nconstexpr int kManyHeight = %d;\n" % (mwidth, mheight))
    parts.append(c_array("uint8_t", "kMany", flat(many)))
    parts.append(c_array("uint8_t", "kManyPalette", flat([(r, g, b) for b, g, r in many_palette])))
    parts.append(c_array("uint8_t", "kManyPlain", map_plain(many_palette, many)))
    parts.append(c_array("uint8_t", "kManyDithered", map_dithered(many_palette, many, mwidth, mheight)))

    # A gradient reduced to four colours: errors large enough for every part of the error limit.
    gwidth, gheight = 32, 16
    gradient = photo_image(gwidth, gheight, 99)
    gradient_palette = median_cut(gradient, 4)
    parts.append("\nconstexpr int kGradientWidth = %d;\nconstexpr int kGradientHeight = %d;\n" % (gwidth, gheight))
    parts.append("constexpr int kGradientColors = 4;\n")
    parts.append(c_array("uint8_t", "kGradient", flat(gradient)))
    parts.append(c_array("uint8_t", "kGradientPalette", flat([(r, g, b) for b, g, r in gradient_palette])))
    parts.append(c_array("uint8_t", "kGradientPlain", map_plain(gradient_palette, gradient)))
    parts.append(c_array("uint8_t", "kGradientDithered",
                         map_dithered(gradient_palette, gradient, gwidth, gheight)))

    parts.append("\n}  // namespace colour_expected\n")
    return "".join(parts)


def main():
    text = generate()
    if len(sys.argv) == 3 and sys.argv[1] == "--check":
        with open(sys.argv[2], encoding="ascii") as f:
            if f.read() != text:
                print("%s is stale: run %s" % (sys.argv[2], sys.argv[0]))
                return 1
        return 0
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ColourExpected.inc")
    with open(target, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
