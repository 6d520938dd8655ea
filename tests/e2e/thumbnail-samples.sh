#!/usr/bin/env bash
# thumbnail-samples.sh OUT [WIDTHxHEIGHT] — one picture of each format the thumbnail handler reads, written into OUT as
# sample.<ext>: a 160 x 120 picture (blue left, red right, a yellow disc above the middle) by ImageMagick and netpbm's
# ILBM and TGA writers, a Softimage picture of the same pixels, and a placeable metafile of 4 x 2 inches with one
# green rectangle, both made here field by field.
# (A size other than the tests' own, e.g. 3000x2000, makes the same pictures larger, for timing.)
set -euo pipefail
out=$1
size=${2:-160x120}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
pic() { convert -size 120x160 gradient:red-blue -rotate 90 -fill yellow -draw 'circle 80,40 100,50' -resize "$size!" -depth 8 -alpha off "$@"; }
pic "BMP3:$out/sample.bmp"
pic -colors 64 "$out/sample.gif"
pic -quality 85 "$out/sample.jpg"
pic "$out/sample.png"
pic -compress LZW "$out/sample.tif"
pic "$out/sample.pcx"
pic "$out/sample.dcx"
pic "$out/sample.psd"
pic -depth 8 "ppm:$out/sample.ppm"
ppmtoilbm -24force "$out/sample.ppm" >"$out/sample.iff" 2>/dev/null
# netpbm's TGA: the ImageMagick here writes bottom-left rows upside down.
pamtotga -rgb "$out/sample.ppm" >"$out/sample.tga" 2>/dev/null
pic -resize 768x512! -colorspace sRGB "$out/sample.pcd"
python3 - "$out/sample.ppm" "$out/sample.pic" <<'PY'
import struct, sys
# Softimage picture: the 104-byte header (magic, version, comment, "PICT", size, ratio, full frame),
# one uncompressed packet of red, green and blue, the rows from the top.
magic, dimensions, maxval, data = open(sys.argv[1], "rb").read().split(b"\n", 3)
width, height = map(int, dimensions.split())
header = struct.pack(">If80s4sHHfHH", 0x5380F634, 3.71, b"", b"PICT", width, height, 1.0, 3, 0)
packet = struct.pack(">BBBB", 0, 8, 0, 0xE0)
open(sys.argv[2], "wb").write(header + packet + data)
PY
rm "$out/sample.ppm"
python3 - "$out/sample.wmf" <<'PY'
import struct, sys
# Placeable header: key, handle, box 0,0 - 5760,2880 at 1440 a inch, reserved, checksum of the ten words.
words = [0xCDD7, 0x9AC6, 0, 0, 0, 5760, 2880, 1440, 0, 0]
check = 0
for w in words: check ^= w
records = b""
records += struct.pack("<IHhh", 5, 0x020B, 0, 0)                         # SetWindowOrg y, x
records += struct.pack("<IHhh", 5, 0x020C, 2880, 5760)                   # SetWindowExt y, x
records += struct.pack("<IHHIH", 7, 0x02FC, 0, 0x0000C000, 0)            # CreateBrushIndirect: solid green
records += struct.pack("<IHH", 4, 0x012D, 0)                             # SelectObject 0
records += struct.pack("<IHhhhh", 7, 0x041B, 2400, 5200, 480, 560)       # Rectangle bottom, right, top, left
records += struct.pack("<IH", 3, 0)                                      # EOF
size_words = (18 + len(records)) // 2
header = struct.pack("<HHHIHIH", 1, 9, 0x300, size_words, 1, 7, 0)
open(sys.argv[1], "wb").write(struct.pack("<11H", *words, check) + header + records)
PY
