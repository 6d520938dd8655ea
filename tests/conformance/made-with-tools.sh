#!/usr/bin/env bash
# made-with-tools.sh TOOL PPM_COMPARE — the TIFF and JPEG decoders on files made here with the
# libraries' own tools and ImageMagick (nothing fetched, nothing kept):
#   TIFF: bilevel, 4- and 8-bit palette, gray (also white-is-zero), RGB, RGB with alpha and CMYK, in every
#         codec that fits them (none, LZW, Deflate, PackBits, JPEG, CCITT Group 3 and 4), and a file of two
#         directories; compared with tiff2rgba.
#         Tiled copies by tiffcp -t (tiles of 64 x 48, partial at the right and bottom) in none, LZW,
#         Deflate and JPEG, also compared with tiff2rgba; the JPEG-tiled file must be found as TIFF.
#   JPEG: baseline, progressive and gray from cjpeg at 1/1, 1/2, 1/4 and 1/8, compared with djpeg at the
#         same scale and DCT; CMYK from ImageMagick (Adobe, stored inverted).
#   BMP:  ImageMagick's 108- and 124-byte headers (24 bits, 32 bits with alpha in bit fields, 8-bit
#         palette, 16 bits in 5-6-5, 5-5-5, 1-5-5-5 and 4-4-4-4 bit fields), compared with ImageMagick's
#         reading of them with alpha off. Narrow channels are widened here by a shift and scaled there:
#         they agree within one step of the narrowest channel.
# CMYK has no independent converter using the image model's rule (255 - ink - black, clipped), so its
# reference applies that rule to ImageMagick's reading of the inks. Exits 77 when a tool is missing.
set -uo pipefail
tool=$1
compare=$2
magick=/usr/bin/convert
export ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=87:print_stacktrace=1
for t in "$magick" tiffcp tiff2rgba cjpeg djpeg python3; do
  command -v "$t" >/dev/null || { echo "$t is missing; skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0 failed=0
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
check() {  # check NAME TOLERANCE TOOL-ARGUMENTS...
  local name=$1 tolerance=$2 result
  shift 2
  if ! "$tool" decode "$name" ours.ppm "$@" >/dev/null 2>err; then fail "$name $*" "$(head -c 300 err)"; return; fi
  if result=$("$compare" ours.ppm ref.ppm "$tolerance"); then passed=$((passed + 1)); else fail "$name $*" "$result"; fi
}
# ImageMagick's inks of a CMYK file through the image model's rule, as a PPM.
cmyk_reference() {
  "$magick" "$1" -depth 8 cmyk:inks.raw && /usr/bin/identify -format '%w %h' "$1" >size.txt &&
    python3 -c '
import sys
w, h = map(int, open("size.txt").read().split())
inks = open("inks.raw", "rb").read()
out = bytearray()
for i in range(w * h):
    c, m, y, k = inks[4 * i:4 * i + 4]
    out += bytes(max(0, 255 - v - k) for v in (c, m, y))
open("ref.ppm", "wb").write(b"P6\n%d %d\n255\n" % (w, h) + bytes(out))'
}

"$magick" -size 304x208 gradient:navy-orange -swirl 120 -depth 8 ppm:photo.ppm
"$magick" photo.ppm rgb.tif
"$magick" photo.ppm -colorspace Gray gray.tif
"$magick" photo.ppm -colorspace Gray -define tiff:photometric=min-is-white white.tif
"$magick" photo.ppm -colors 16 -type Palette -depth 4 palette4.tif
"$magick" photo.ppm -colors 200 -type Palette palette8.tif
"$magick" photo.ppm -threshold 50% -type Bilevel -depth 1 bilevel.tif
"$magick" photo.ppm -alpha set -channel A -evaluate set 50% +channel rgba.tif
"$magick" photo.ppm -colorspace CMYK cmyk.tif

for source in rgb gray white palette4 palette8 bilevel rgba cmyk; do
  codecs="none lzw zip packbits"
  case $source in
    rgb|gray) codecs="$codecs jpeg" ;;
    bilevel) codecs="$codecs g3 g4" ;;
  esac
  for codec in $codecs; do
    file=$source-$codec.tif
    tiffcp -c "$codec" -r 16 "$source.tif" "$file" 2>/dev/null || { fail "$file" "tiffcp cannot write it"; continue; }
    if [ $source = cmyk ]; then
      cmyk_reference "$file"
    else
      tiff2rgba "$file" ref.tif && "$magick" ref.tif -alpha off -depth 8 ppm:ref.ppm
    fi
    check "$file" 1
  done
done
tiled=0
for source in rgb gray palette4 bilevel; do
  codecs="none lzw zip"
  case $source in rgb|gray) codecs="$codecs jpeg" ;; esac
  for codec in $codecs; do
    file=tiled-$source-$codec.tif
    tiffcp -t -w 64 -l 48 -c "$codec" "$source.tif" "$file" 2>/dev/null || { fail "$file" "tiffcp cannot write it"; continue; }
    tiff2rgba "$file" ref.tif && "$magick" ref.tif -alpha off -depth 8 ppm:ref.ppm
    check "$file" 1
    tiled=$((tiled + 1))
  done
done
tab=$'\t'
if [ "$("$tool" info tiled-rgb-jpeg.tif | cut -f1-3)" = "tiff${tab}304${tab}208" ]; then passed=$((passed + 1));
else fail tiled-rgb-jpeg.tif "not found as a TIFF of 304 x 208: $("$tool" info tiled-rgb-jpeg.tif)"; fi

tiffcp -c lzw rgb.tif palette4.tif pages.tif
tiff2rgba -c none palette4.tif ref.tif && "$magick" ref.tif -alpha off -depth 8 ppm:ref.ppm
check pages.tif 0 --page 1

cjpeg -quality 85 photo.ppm >baseline.jpg
cjpeg -quality 85 -progressive photo.ppm >progressive.jpg
cjpeg -quality 85 -grayscale photo.ppm >gray.jpg
for file in baseline.jpg progressive.jpg gray.jpg; do
  for scale in 1 2 4 8; do
    djpeg -dct fast -scale 1/$scale "$file" | "$magick" - -depth 8 ppm:ref.ppm
    check "$file" 0 --box $((304 / scale))x$((208 / scale))
  done
done
"$magick" photo.ppm -colorspace CMYK -quality 90 cmyk.jpg
cmyk_reference cmyk.jpg
check cmyk.jpg 6  # ImageMagick reads with the accurate DCT, the image model with the fast one

# BMP. ImageMagick writes the 124-byte header whenever the picture has colour information (a gamma, a
# rendering intent): the 108-byte form needs the intent taken away as well.
bmps=0
bmp() {  # bmp NAME TOLERANCE CONVERT-OPTIONS...
  local name=$1 tolerance=$2
  shift 2
  "$magick" photo.ppm "$@" "$name" || { fail "$name" "ImageMagick cannot write it"; return; }
  "$magick" "$name" -alpha off -depth 8 ppm:ref.ppm
  check "$name" "$tolerance"
  bmps=$((bmps + 1))
}
v4="-intent Undefined -define bmp:format=bmp4"
half="-alpha set -channel A -evaluate set 50% +channel"
bmp v5.bmp 0
bmp v5-alpha.bmp 0 $half
bmp v5-palette.bmp 0 -colors 200 -type Palette
bmp v5-565.bmp 8 -define bmp:subtype=RGB565
bmp v5-555.bmp 8 -define bmp:subtype=RGB555
bmp v5-1555.bmp 8 $half -define bmp:subtype=ARGB1555
bmp v5-4444.bmp 16 $half -define bmp:subtype=ARGB4444
bmp v4.bmp 0 $v4
bmp v4-alpha.bmp 0 $v4 $half
bmp v4-palette.bmp 0 $v4 -colors 16 -type Palette
for pair in v5.bmp:124 v4.bmp:108; do
  size=$(od -An -tu4 -j14 -N4 "${pair%%:*}" | tr -d ' ')
  [ "$size" = "${pair##*:}" ] || fail "${pair%%:*}" "ImageMagick wrote a header of $size bytes, not ${pair##*:}"
done

echo "tiled TIFF: $tiled files; BMP with longer headers: $bmps files"
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
