#!/usr/bin/env bash
# convert.sh TOOL PPM-COMPARE — conversion through the image tool: JPEG output compared with libjpeg's
# own cjpeg and read back by djpeg, BMP output read back by ImageMagick, the unique names beside the
# sources, the per-file lines and the exit status.
set -uo pipefail
tool=$1 compare=$2
magick=/usr/bin/convert
command -v djpeg >/dev/null && command -v cjpeg >/dev/null && [ -x "$magick" ] || { echo "djpeg or ImageMagick missing"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
passed=0 failed=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); else echo "FAIL $1: expected [$2], got [$3]"; failed=$((failed + 1)); fi
}
tab=$'\t'

"$magick" -size 160x120 gradient:navy-orange -type TrueColor "BMP3:$dir/photo.bmp"
"$magick" -size 90x70 plasma:fractal -seed 7 -colors 200 -type Palette -compress none "BMP3:$dir/scan_7.bmp"
"$magick" "$dir/photo.bmp" -depth 8 "ppm:$dir/photo.ppm"
"$magick" "$dir/scan_7.bmp" -depth 8 "ppm:$dir/scan_7.ppm"
printf 'not an image\n' >"$dir/notes.bmp"

out=$("$tool" convert --to jpg "$dir/photo.bmp" "$dir/scan_7.bmp" 2>/dev/null); status=$?
check "jpg exit status" 0 $status
check "jpg lines" "$dir/photo.bmp$tab$dir/photo.jpg|$dir/scan_7.bmp$tab$dir/scan_7.jpg" "$(tr '\n' '|' <<<"$out" | sed 's/|$//')"
for name in photo scan_7; do
  djpeg -pnm "$dir/$name.jpg" >"$dir/$name.djpeg.ppm"; check "djpeg reads $name.jpg" 0 $?
  # The same file as libjpeg's own encoder makes from the pixels at quality 65 with baseline tables
  # (the 8-bit picture expanded through its colour table first).
  cjpeg -quality 65 -baseline "$dir/$name.ppm" >"$dir/$name.cjpeg.jpg"
  cmp -s "$dir/$name.cjpeg.jpg" "$dir/$name.jpg"; check "$name.jpg as cjpeg makes it" 0 $?
done
"$compare" "$dir/photo.ppm" "$dir/photo.djpeg.ppm" 8 >/dev/null; check "smooth picture close to its source" 0 $?

# Again: the names count on, and a file that cannot be read fails alone.
out=$("$tool" convert --to jpg "$dir/scan_7.bmp" "$dir/notes.bmp" "$dir/photo.bmp" 2>/dev/null); status=$?
check "exit status with a failed file" 1 $status
check "second round lines" "$dir/scan_7.bmp$tab$dir/scan_8.jpg|$dir/notes.bmp${tab}failed: error 7|$dir/photo.bmp$tab$dir/photo_2.jpg" \
  "$(tr '\n' '|' <<<"$out" | sed 's/|$//')"

out=$("$tool" convert --to bmp "$dir/scan_7.bmp" 2>/dev/null); status=$?
check "bmp beside its bmp source" "0 $dir/scan_7.bmp$tab$dir/scan_8.bmp" "$status $out"
"$magick" "$dir/scan_8.bmp" -depth 8 "ppm:$dir/scan_8.ppm"
cmp -s "$dir/scan_7.ppm" "$dir/scan_8.ppm"; check "bmp copy has the source's pixels" 0 $?
check "no companion files left" "" "$(ls "$dir" | grep '\.writing$')"
"$tool" convert --to png "$dir/photo.bmp" >/dev/null 2>&1; check "unknown format" 2 $?

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
