#!/usr/bin/env python3
"""printed-images.py FOLDER: checks each NAME.ps in FOLDER that has a NAME.box beside it.

NAME.txt (Windows-1252, CR LF), when not empty, holds lines that must be printed (printed-lines.sh).
NAME.box starts with "dpi X Y" (the printer's resolution), then lines
  box PAGE GREY X Y W H   the pixels of that grey (within 24) on that page fill this box (page pixels)
  absent PAGE GREY        no pixel of that grey on that page
Pages are rendered with Ghostscript at the printer's resolution; edges may be 3 pixels off."""
import glob, os, re, subprocess, sys, tempfile


def render(ps, dpi, folder):
    out = os.path.join(folder, "%d.pgm")
    subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pgmraw", "-r%sx%s" % dpi,
                    "-sOutputFile=" + out, ps], check=True)
    pages = {}
    for path in glob.glob(os.path.join(folder, "*.pgm")):
        data = open(path, "rb").read()
        # P5, width, height, maxval, with comments between them; one blank before the pixels.
        header = re.match(rb"P5(?:\s+|#[^\n]*\n)+(\d+)(?:\s+|#[^\n]*\n)+(\d+)(?:\s+|#[^\n]*\n)+\d+\s", data)
        pages[int(os.path.basename(path)[:-4])] = (int(header[1]), int(header[2]), data[header.end():])
    return pages


def extent(page, grey):
    width, height, pixels = page
    # Pixels of the grey become 1, others 0, so that each row is searched at the speed of bytes.
    marked = pixels.translate(bytes(1 if abs(v - grey) <= 24 else 0 for v in range(256)))
    xs, ys, count = [], [], 0
    for y in range(height):
        row = marked[y * width:(y + 1) * width]
        if 1 in row:
            xs += [row.find(1), row.rfind(1)]
            ys.append(y)
            count += row.count(1)
    if not count:
        return None, 0
    return [min(xs), ys[0], max(xs) + 1 - min(xs), ys[-1] + 1 - ys[0]], count


def check(name, problems):
    lines = open(name + ".box").read().split("\n")
    text = name + ".txt"
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "printed-lines.sh")
    if os.path.getsize(text) and subprocess.run([script, name + ".ps", text, "1"]).returncode:
        problems.append("%s: text lines missing" % name)
    with tempfile.TemporaryDirectory() as folder:
        pages = render(name + ".ps", tuple(lines[0].split()[1:]), folder)
        for f in (line.split() for line in lines[1:] if line.strip()):
            got, count = extent(pages.get(int(f[1]), (0, 0, b"")), int(f[2]))
            want = [int(v) for v in f[3:7]]
            if f[0] == "absent" and count:
                problems.append("%s: grey %s on page %s at %s" % (name, f[2], f[1], got))
            elif f[0] == "box" and (not got or any(abs(a - b) > 3 for a, b in zip(got, want))):
                problems.append("%s: grey %s on page %s at %s, expected %s" % (name, f[2], f[1], got, want))
            elif f[0] == "box" and count < 0.95 * want[2] * want[3]:
                problems.append("%s: grey %s on page %s fills %d of %s" % (name, f[2], f[1], count, want))


problems = []
boxes = sorted(glob.glob(os.path.join(sys.argv[1], "*.box")))
for box in boxes:
    name = box[:-4]
    if os.path.exists(name + ".ps") and os.path.getsize(name + ".ps"):
        check(name, problems)
    else:
        problems.append("%s: nothing printed" % name)
for p in problems or ([] if boxes else ["nothing to check in " + sys.argv[1]]):
    print(p, file=sys.stderr)
sys.exit(1 if problems or not boxes else 0)
