#!/usr/bin/env python3
# tga-colour-map.py PPM OUT ENTRY-BITS plain|rle top|bottom — writes a colour-mapped TGA (type 1, or 9
# run-length coded) of a binary PPM of at most 256 colours, with colour-map entries of 15, 16, 24 or 32
# bits (32: blue, green, red and an alpha byte that varies from entry to entry), rows from the top or
# from the bottom. (pamtotga writes 24-bit entries only.)
import sys
src, out, bits, rle, top = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == "rle", sys.argv[5] == "top"
data = open(src, "rb").read()
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace(): at += 1
    end = at
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[at:end]); at = end
w, h = int(fields[1]), int(fields[2])
pixels = data[at + 1:]
colours, index = [], []
for i in range(w * h):
    c = pixels[3 * i:3 * i + 3]
    if c not in colours: colours.append(c)
    index.append(colours.index(c))
assert len(colours) <= 256
def entry(c, k):
    r, g, b = c
    if bits == 32: return bytes([b, g, r, (k * 37) & 255])  # alpha, to be dropped
    if bits == 24: return bytes([b, g, r])
    v = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
    return bytes([v & 255, v >> 8])
rows = [index[y * w:(y + 1) * w] for y in range(h)]
if not top: rows.reverse()
body = bytearray()
for row in rows:
    if not rle: body += bytes(row); continue
    x = 0
    while x < w:
        n = 1
        while x + n < w and n < 128 and row[x + n] == row[x]: n += 1
        if n > 1: body += bytes([0x80 | (n - 1), row[x]]); x += n; continue
        n = 1
        while x + n < w and n < 128 and (x + n + 1 >= w or row[x + n] != row[x + n + 1]): n += 1
        body += bytes([n - 1]) + bytes(row[x:x + n]); x += n
header = bytes([0, 1, 9 if rle else 1, 0, 0, len(colours) & 255, len(colours) >> 8, bits, 0, 0, 0, 0,
                w & 255, w >> 8, h & 255, h >> 8, 8, 0x20 if top else 0])
open(out, "wb").write(header + b"".join(entry(c, k) for k, c in enumerate(colours)) + body)
