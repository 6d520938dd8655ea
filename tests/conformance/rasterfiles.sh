#!/usr/bin/env bash
# rasterfiles.sh TOOL PPM_COMPARE — conformance of the PCX/DCX, TGA, IFF and PSD decoders.
#
# Test pictures are written by independent writers (netpbm's ppmtopcx, pamtotga and ppmtoilbm with
# their plane, colour-map, compression and hold-and-modify options; ImageMagick for DCX, TGA and PSD)
# from a picture that ImageMagick carries built in, into a temporary folder: nothing is kept or
# committed. Each file is decoded with `lumetta-tool decode` and compared with an independent
# decoding of the same file: ImageMagick, or netpbm's readers for IFF (which ImageMagick does not read)
# and TGA (the ImageMagick here reads and writes bottom-left rows upside down: its round trip agrees
# with itself, and its files disagree with netpbm's and with the format's definition), or the lossless
# source picture where no reader takes the file (ImageMagick cannot read its own indexed PSD).
# Every page of a DCX file is checked, and `info` must count them. Exits 77 when a writer is missing.
set -uo pipefail
here=$(dirname "$(realpath "$0")")
tool=$(realpath "$1")
compare=$(realpath "$2")
magick=/usr/bin/convert  # the real ImageMagick (a stand-in of the same name may come first on PATH)
export ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=87:print_stacktrace=1
for program in "$magick" ppmtopcx pamtotga ppmtoilbm ilbmtoppm tgatoppm pcxtoppm pnmquant pamdepth python3; do
  command -v "$program" >/dev/null || { echo "$program is missing; skipped"; exit 77; }
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1

# The source pictures: odd sizes, full colour, 256, 16 and 2 colours, gray.
"$magick" rose: rose.ppm
"$magick" rose: -crop 69x45+0+0 +repage odd.ppm
pnmquant 200 rose.ppm >q256.ppm 2>/dev/null
pnmquant 16 odd.ppm >q16.ppm 2>/dev/null
"$magick" odd.ppm -monochrome -depth 8 ppm:bw.ppm
"$magick" rose: -colorspace gray gray.pgm
"$magick" rose: -crop 69x45+0+0 +repage -resize 400% big.ppm

passed=0 failed=0
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

# check NAME FILE REFERENCE TOLERANCE [tool options]: REFERENCE is a command that writes the
# independent decoding of FILE as a PPM to standard output.
check() {
  local name=$1 file=$2 reference=$3 tolerance=$4
  shift 4
  if [ ! -s "$file" ]; then fail "$name" "the writer made no file"; return; fi
  "$tool" decode "$file" ours.ppm "$@" >/dev/null 2>err.txt
  local status=$?
  if [ $status -ne 0 ]; then fail "$name" "decoding failed (exit $status): $(head -c 300 err.txt)"; return; fi
  if ! eval "$reference" >ref.ppm 2>/dev/null; then fail "$name" "the reference cannot read it"; return; fi
  local result
  if result=$("$compare" ours.ppm ref.ppm "$tolerance"); then passed=$((passed + 1));
  else fail "$name" "$result"; fi
}
magick_ref() { echo "$magick '$1' -alpha off -depth 8 -strip ppm:-"; }

# PCX: three 8-bit planes, 256 colours with the trailing palette, four 1-bit planes, one 4-bit plane,
# one bit; ImageMagick's own writer.
ppmtopcx -24bit rose.ppm >rgb.pcx 2>/dev/null
ppmtopcx -8bit q256.ppm >c256.pcx 2>/dev/null
ppmtopcx -planes 4 q16.ppm >planes4.pcx 2>/dev/null
ppmtopcx -packed q16.ppm >packed4.pcx 2>/dev/null
ppmtopcx bw.ppm >mono.pcx 2>/dev/null
"$magick" odd.ppm im.pcx
for f in rgb c256 planes4 packed4 im; do check "$f.pcx" "$f.pcx" "$(magick_ref "$f.pcx")" 0; done
check mono.pcx mono.pcx "pcxtoppm mono.pcx" 0  # ImageMagick reads this 1-bit file as all black

# DCX: three pages of different sizes and depths; every page decodes and `info` counts them.
"$magick" rose.ppm q16.ppm big.ppm pages.dcx
for page in 0 1 2; do check "pages.dcx page $page" pages.dcx "$(magick_ref "pages.dcx[$page]")" 0 --page "$page"; done
count=$("$tool" info pages.dcx | cut -f5)
if [ "$count" = 3 ]; then passed=$((passed + 1)); else fail pages.dcx "info counts $count pages"; fi
if "$tool" decode pages.dcx ours.ppm --page 3 >/dev/null 2>err.txt || ! grep -q "error 18" err.txt; then
  fail pages.dcx "page 3 did not fail with error 18"
else
  passed=$((passed + 1))
fi

# TGA: netpbm writes top-left rows, ImageMagick bottom-left; plain and run-length, colour-mapped, gray,
# 32 bits; colour maps of 15-, 16- and 32-bit entries from a script.
pamtotga -rgb -norle rose.ppm >rgb.tga 2>/dev/null
pamtotga -rgb odd.ppm >rgb-rle.tga 2>/dev/null
pamtotga -cmap q256.ppm >cmap-rle.tga 2>/dev/null
pamtotga -cmap -norle q16.ppm >cmap.tga 2>/dev/null
pamtotga -mono gray.pgm >gray-rle.tga 2>/dev/null
"$magick" odd.ppm -compress none im.tga
"$magick" big.ppm -compress RLE im-rle.tga
"$magick" odd.ppm -alpha set -channel A -evaluate set 50% +channel -compress RLE im32.tga
for f in rgb rgb-rle cmap-rle cmap gray-rle im im-rle im32; do check "$f.tga" "$f.tga" "tgatoppm $f.tga" 0; done
# Colour maps of 32-bit (alpha dropped), 16- and 15-bit entries, written by a script of this folder.
for map in 32:rle:bottom 32:plain:top 16:rle:top 15:plain:bottom; do
  IFS=: read -r bits coding origin <<<"$map"
  f=map$bits-$coding-$origin.tga
  # tgatoppm answers 5-bit channels with a maximum of 31; pamdepth brings them to 255, rounding a step
  # apart from the decoder's spreading now and then.
  python3 "$here/tga-colour-map.py" q256.ppm "$f" "$bits" "$coding" "$origin" &&
    check "$f" "$f" "tgatoppm $f | pamdepth 255" $((bits < 24 ? 1 : 0))
done

# IFF: planes of 256, 16 and 2 colours, 24 planes, HAM6 and HAM8, plain and ByteRun1. Hold-and-modify
# channels are the data bits shifted up here; the reference scales them to 255, so they differ by up to
# 255 - 240 in HAM6 and 255 - 252 in HAM8.
ppmtoilbm q256.ppm >c256.iff 2>/dev/null
ppmtoilbm -nocompress q16.ppm >c16.iff 2>/dev/null
ppmtoilbm bw.ppm >mono.iff 2>/dev/null
ppmtoilbm -24force odd.ppm >rgb24.iff 2>/dev/null
ppmtoilbm -24force -nocompress rose.ppm >rgb24-plain.iff 2>/dev/null
ppmtoilbm -hamforce -hambits 4 odd.ppm >ham6.iff 2>/dev/null
ppmtoilbm -hamforce -hambits 6 -nocompress rose.ppm >ham8.iff 2>/dev/null
for f in c256 c16 mono rgb24 rgb24-plain; do check "$f.iff" "$f.iff" "ilbmtoppm $f.iff" 0; done
check ham6.iff ham6.iff "ilbmtoppm ham6.iff" 15
check ham8.iff ham8.iff "ilbmtoppm ham8.iff" 3

# PSD: RGB run-length and raw, gray, indexed, a bitmap; ImageMagick's composite image is the reference.
"$magick" odd.ppm rgb.psd
"$magick" rose.ppm -compress none rgb-raw.psd
"$magick" gray.pgm gray.psd
"$magick" q16.ppm -type palette indexed.psd
"$magick" bw.ppm -monochrome mono.psd
for f in rgb rgb-raw gray mono; do check "$f.psd" "$f.psd" "$(magick_ref "$f.psd[0]")" 0; done
check indexed.psd indexed.psd "cat q16.ppm" 0

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
