#!/usr/bin/env python3
"""printed-images.py FOLDER: checks each NAME.ps in FOLDER that has a NAME.box beside it.

NAME.txt (Windows-1252, CR LF; may be empty) holds lines that must be printed, checked with
printed-lines.sh. NAME.box starts with "dpi X Y" (the printer's resolution) and then has lines
  box PAGE GREY X Y W H   the pixels of that grey (within 24) on that page fill this box (page pixels)
  absent PAGE GREY        no pixel of that grey on that page
The pages are rendered with Ghostscript at the printer's resolution; edges may be 3 pixels off."""
import glob
import os
import subprocess
import sys
import tempfile

TOLERANCE = 3
BAND = 24


def render(ps, dpi_x, dpi_y, folder):
    out = os.path.join(folder, "page-%d.pgm")
    subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pgmraw", "-r%dx%d" % (dpi_x, dpi_y),
                    "-sOutputFile=" + out, ps], check=True)
    pages = {}
    for number in range(1, 100):
        path = out % number
        if not os.path.exists(path):
            break
        with open(path, "rb") as f:
            data = f.read()
        fields, at = [], 0
        while len(fields) < 4:  # P5, width, height, maxval, separated by blanks and comments
            while data[at:at + 1].isspace() or data[at:at + 1] == b"#":
                if data[at:at + 1] == b"#":
                    at = data.index(b"\n", at)
                at += 1
            start = at
            while not data[at:at + 1].isspace():
                at += 1
            fields.append(data[start:at])
        at += 1
        pages[number] = (int(fields[1]), int(fields[2]), data[at:])
    return pages


def extent(page, grey):
    width, height, pixels = page
    left, top, right, bottom, count = width, height, -1, -1, 0
    for y in range(height):
        row = pixels[y * width:(y + 1) * width]
        xs = [x for x, v in enumerate(row) if abs(v - grey) <= BAND]
        if xs:
            left, right = min(left, xs[0]), max(right, xs[-1])
            top, bottom = min(top, y), max(bottom, y)
            count += len(xs)
    return left, top, right + 1 - left, bottom + 1 - top, count


def check(name, ps, box, problems):
    lines = open(box).read().split("\n")
    _, dpi_x, dpi_y = lines[0].split()
    with tempfile.TemporaryDirectory() as folder:
        pages = render(ps, int(dpi_x), int(dpi_y), folder)
        for line in lines[1:]:
            f = line.split()
            if not f:
                continue
            page = pages.get(int(f[1]))
            if page is None:
                problems.append("%s: no page %s" % (name, f[1]))
                continue
            x, y, w, h, count = extent(page, int(f[2]))
            if f[0] == "absent":
                if count:
                    problems.append("%s: grey %s found on page %s at %d,%d %dx%d" % (name, f[2], f[1], x, y, w, h))
                continue
            want = [int(v) for v in f[3:7]]
            got = [x, y, w, h]
            if count == 0 or any(abs(a - b) > TOLERANCE for a, b in zip(got, want)):
                problems.append("%s: grey %s on page %s at %s, expected %s" % (name, f[2], f[1], got, want))
            elif count < 0.95 * w * h:
                problems.append("%s: grey %s on page %s fills %d of %dx%d" % (name, f[2], f[1], count, w, h))


def main():
    folder = sys.argv[1]
    problems = []
    boxes = sorted(glob.glob(os.path.join(folder, "*.box")))
    if not boxes:
        problems.append("nothing to check in " + folder)
    for box in boxes:
        name = os.path.splitext(box)[0]
        ps = name + ".ps"
        if not os.path.exists(ps) or os.path.getsize(ps) == 0:
            problems.append("%s: nothing printed" % os.path.basename(name))
            continue
        text = name + ".txt"
        if os.path.exists(text) and os.path.getsize(text) > 0:
            lines = os.path.join(os.path.dirname(os.path.abspath(__file__)), "printed-lines.sh")
            if subprocess.run([lines, ps, text, "1"]).returncode != 0:
                problems.append("%s: text lines missing" % os.path.basename(name))
        check(os.path.basename(name), ps, box, problems)
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
